#!/usr/bin/env bash
# Everything from a fresh Debian 12 machine: installs what is missing,
# configures, builds and runs every test three ways (plain; address and
# undefined-behaviour sanitizers; thread sanitizer on the threaded tests),
# then runs the fuzz targets briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh

jobs=$(nproc)
configure() {  # folder, extra cmake arguments...
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja -DTESSOR_WERROR=ON "$@" >/dev/null
}

echo "== plain build"
configure build
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== address and undefined-behaviour sanitizers"
configure build-asan -DTESSOR_SANITIZE=address -DTESSOR_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE nosan

echo "== thread sanitizer (threaded tests)"
configure build-tsan -DTESSOR_SANITIZE=thread -DTESSOR_BENCH=OFF
# Only what the threaded tests need: each test is built by the target of its name.
mapfile -t threaded < <(ctest --test-dir build-tsan -N -L threads | sed -n 's/^ *Test *#[0-9]*: //p')
cmake --build build-tsan -j "$jobs" --target "${threaded[@]}" ORVA ORVB ORVC
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build-tsan --output-on-failure -L threads

echo "== fuzz targets (clang, briefly)"
configure build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DTESSOR_FUZZ=ON -DTESSOR_BENCH=OFF \
  -DTESSOR_SANITIZE=address
cmake --build build-fuzz -j "$jobs" --target tessor_fuzzers
if ctest --test-dir build-fuzz -N -L fuzz | grep -q 'Total Tests: [1-9]'; then
  ctest --test-dir build-fuzz --output-on-failure -L fuzz
fi

echo "== all test runs passed"
