#!/usr/bin/env bash
# Installs the Debian 12 packages Tessor builds and tests with, if missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config binutils
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  qt6-base-dev qt6-translations-l10n libgl-dev
  # The scope's plots (its Qt 6 build, libQCustomPlotQt6).
  libqcustomplot-dev
  # The Debian package and the installation tests: cpack's dependency
  # list (dpkg-shlibdeps, file), the validators of the desktop entry and
  # the AppStream data, the SVG renderer that compares the icons.
  dpkg-dev file desktop-file-utils appstream qt6-svg-dev
  # The MIME type of program files: its database, and xdg-mime with the
  # reader it uses outside a desktop session.
  shared-mime-info xdg-utils libfile-mimeinfo-perl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
