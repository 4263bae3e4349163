#!/usr/bin/env bash
# Makes the README's screenshots: the window program on the demo machine
# under a virtual display, in English and in Chinese, at scale 1 and 2,
# with the demo program opened and running. Keys are typed as an operator
# would (Finished, OK, Ctrl+O, the file's path, Start).
#   scripts/screenshots.sh [OUTPUT-FOLDER]     (default docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:-$root/docs/screenshots}

bash scripts/install-deps.sh
need=()
for p in xvfb xauth imagemagick fonts-wqy-microhei xdotool; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${need[@]}"
fi
cmake -S "$root" -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target tessor ORVA ORVB ORVC
mkdir -p "$out"

# The widest visible window of the program: the main window.
focus_main_window() {
  local display=$1 best="" best_width=0 w width
  for w in $(DISPLAY=$display xdotool search --onlyvisible --class tessor); do
    width=$(DISPLAY=$display xdotool getwindowgeometry --shell "$w" | sed -n 's/^WIDTH=//p')
    if [ "${width:-0}" -gt "$best_width" ]; then best=$w best_width=$width; fi
  done
  [ -n "$best" ] && DISPLAY=$display xdotool windowfocus --sync "$best"
}

# The demo program is opened from a neutral folder: the status bar shows
# its path, and no build machine's folders belong in the pictures.
demo=/tmp/tessor-demo

# shot NAME LANGUAGE SCALE [docks]: one run of the program in a folder of
# its own, with settings of its own; "docks" shows the Scope and the Events
# below the panels (and keeps no picture of the start dialog).
shot() {
  local name=$1 language=$2 scale=$3 docks=${4:-}
  local work display xvfb app
  rm -rf "$demo"
  mkdir -p "$demo"
  cp examples/demo/demo.knl "$demo/demo.knl"
  work=$(mktemp -d)
  cp build/bin/tessor build/bin/libORV?.so "$work/"
  sed "s/^\[LangVer\]=.*/[LangVer]=$language\r/" examples/demo/sysparam.cfg >"$work/sysparam.cfg"
  mkdir -p "$work/config/Local AppWizard-Generated Applications" "$work/state"
  if [ -n "$docks" ]; then
    printf '[Scope]\nVisible=true\n\n[Events]\nVisible=true\n' \
      >"$work/config/Local AppWizard-Generated Applications/Tessor.conf"
  fi
  display=:$((100 + RANDOM % 100))
  Xvfb "$display" -screen 0 "$((1100 * scale))x$((820 * scale))x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
  DISPLAY=$display QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale TESSOR_SIM_MACHINE=$root/examples/demo/machine.conf \
    XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" "$work/tessor" >/dev/null 2>&1 &
  app=$!
  sleep 3
  DISPLAY=$display import -window root "$out/$name-start.png"
  DISPLAY=$display xdotool key alt+f
  sleep 1
  DISPLAY=$display xdotool key Return
  sleep 1.5
  # Without a window manager nobody gives the main window the keyboard.
  focus_main_window "$display"
  DISPLAY=$display xdotool key ctrl+o
  sleep 1.5
  DISPLAY=$display xdotool type --delay 10 "$demo/demo.knl"
  DISPLAY=$display xdotool key Return
  sleep 1
  focus_main_window "$display"
  DISPLAY=$display xdotool key alt+t
  sleep 9
  DISPLAY=$display import -window root -crop "$((1024 * scale))x$((768 * scale))+0+0" +repage "$out/$name.png"
  kill "$app" "$xvfb" 2>/dev/null || true
  wait "$app" "$xvfb" 2>/dev/null || true
  rm -rf "$work" "$demo"
  # The start dialog alone, cut out of the dark screen around it.
  if [ -n "$docks" ]; then
    rm -f "$out/$name-start.png"
  else
    convert "$out/$name-start.png" -trim +repage "$out/$name-start.png"
  fi
  echo "saved $out/$name.png"
}

shot main-en 0 1
shot main-zh 1 1
shot main-en-2x 0 2
shot main-zh-2x 1 2
shot docks-en 0 1 docks
shot docks-zh 1 1 docks
