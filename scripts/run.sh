#!/usr/bin/env bash
# Installs what is missing, builds Tessor, and runs the demo program on the
# simulated cards of the demo machine (two ORVB cards) through the headless
# runner, on the simulator's manual clock.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
cmake -S "$root" -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target tessor-run ORVA ORVB ORVC

# The run saves sysparam.cfg as the window program does: work on a copy.
work=$root/build/demo
rm -rf "$work"
mkdir -p "$work"
cp examples/demo/sysparam.cfg "$work/"

echo "== demo program (examples/demo/demo.knl):"
build/bin/tessor-run --dir "$work" list examples/demo/demo.knl
echo "== running it twice on the demo machine:"
TESSOR_SIM_MACHINE=$root/examples/demo/machine.conf \
  build/bin/tessor-run --dir "$work" run examples/demo/demo.knl --loops 2 --fast
