#!/usr/bin/env bash
# The status tick's wake-up latency against cyclictest's, like for like:
# SCHED_OTHER (cyclictest without -p) and SCHED_FIFO (cyclictest -p at the
# tick's priority), idle and under load (a parallel build of this project in
# a scratch folder), several runs of each; prints every run and the medians
# over the runs of the p99 latencies and of their ratio.
#
#   bash scripts/bench-tick.sh [runs] [seconds per run]     (default 5, 20)
#
# Installs cyclictest (rt-tests) if missing: only this benchmark needs it.
# SCHED_FIFO needs the right to real-time scheduling (root, or a raised
# RLIMIT_RTPRIO); without it both programs stay SCHED_OTHER and say so.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-5}
seconds=${2:-20}
jobs=$(nproc)

sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
if ! command -v cyclictest >/dev/null 2>&1; then
  echo "Installing: rt-tests"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get install -y -q --no-install-recommends rt-tests >/dev/null 2>&1 ||
    { "${sudo[@]}" apt-get update -q >/dev/null && "${sudo[@]}" apt-get install -y -q --no-install-recommends rt-tests; }
fi
bash scripts/install-deps.sh

cmake -S "$root" -B build -G Ninja >/dev/null
cmake --build build -j "$jobs" --target motion_TickJitter_bench >/dev/null
bench=$root/build/bin/motion_TickJitter_bench

scratch=$(mktemp -d /tmp/tessor-bench-load-XXXXXX)
results=$scratch/results.txt
loadpid=
stop_load() {
  if [ -n "$loadpid" ]; then
    kill -TERM -- "-$loadpid" 2>/dev/null || true
    wait "$loadpid" 2>/dev/null || true
    loadpid=
  fi
}
cleanup() {
  stop_load
  rm -rf "$scratch"
}
trap cleanup EXIT

# The load: this project built from scratch, over and over, with as many
# jobs as there are processors, in a process group of its own so that all
# of it stops together.
start_load() {
  setsid bash -c '
    while :; do
      rm -rf "$1/build"
      cmake -S "$2" -B "$1/build" -G Ninja -DTESSOR_BENCH=OFF >/dev/null 2>&1 &&
        cmake --build "$1/build" -j "$3" >/dev/null 2>&1 || true
    done' load "$scratch" "$root" "$jobs" &
  loadpid=$!
  sleep 10  # let the build get going
}

for load in idle load; do
  [ "$load" = load ] && start_load
  for run in $(seq 1 "$runs"); do
    for policy in other fifo; do
      line=$("$bench" --seconds "$seconds" --policy "$policy" | grep '^RESULT ')
      echo "$load run $run: ${line#RESULT }"
      echo "load=$load ${line#RESULT }" >>"$results"
    done
  done
  stop_load
done

echo
echo "medians over $runs runs of $seconds s (latency from the deadline, us):"
printf '%-5s %-6s %-12s %10s %10s %10s %12s\n' load policy granted ours_p99 cyc_p99 ratio ours_median
for load in idle load; do
  for policy in other fifo; do
    grep "^load=$load policy=$policy " "$results" | awk '
      function median(a, n,   i, j, t) {
        for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
        return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
      }
      {
        for (f = 1; f <= NF; f++) { split($f, kv, "="); v[kv[1]] = kv[2] }
        n++; ours[n] = v["ours_p99"]; cyc[n] = v["cyc_p99"]; ratio[n] = v["ratio_p99"]; med[n] = v["ours_median"]
        load = v["load"]; policy = v["policy"]; granted = v["granted"]
      }
      END {
        if (n == 0) exit
        printf "%-5s %-6s %-12s %10.1f %10.1f %10.2f %12.1f\n", load, policy, granted, median(ours, n), median(cyc, n),
               median(ratio, n), median(med, n)
      }'
  done
done
echo "targets: ratio <= 1.5 under the same policy; fifo under load: ours_p99 < 200 us"
