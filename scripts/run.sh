#!/usr/bin/env bash
# Installs what is missing, builds Tessor and runs it on the simulated cards
# of the demo machine (two ORVB cards): the window program when a display is
# there, otherwise the demo program through the headless runner.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
cmake -S "$root" -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target tessor tessor-run ORVA ORVB ORVC

export TESSOR_SIM_MACHINE=$root/examples/demo/machine.conf

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # The window program keeps sysparam.cfg in its own folder: start from the
  # demo's settings the first time, keep the operator's afterwards.
  if [ ! -e build/bin/sysparam.cfg ]; then
    cp examples/demo/sysparam.cfg build/bin/sysparam.cfg
  fi
  echo "== Tessor on the demo machine (open examples/demo/demo.knl with File, Open)"
  exec build/bin/tessor
fi

echo "== no display: running the demo program headless instead of the window program"
# The run saves sysparam.cfg as the window program does: work on a copy.
work=$root/build/demo
rm -rf "$work"
mkdir -p "$work"
cp examples/demo/sysparam.cfg "$work/"

echo "== demo program (examples/demo/demo.knl):"
build/bin/tessor-run --dir "$work" list examples/demo/demo.knl
echo "== running it twice on the demo machine:"
build/bin/tessor-run --dir "$work" run examples/demo/demo.knl --loops 2 --fast
