#!/usr/bin/env bash
# Installs what KELDA needs to build and test on Debian, if it is not there yet.
#   scripts/deps.sh              the packages of the native build and its tests
#   scripts/deps.sh PACKAGE...   only these packages (another build's own set)
set -euo pipefail
packages=("$@")
[ $# -gt 0 ] || packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev libgl-dev
          libgtest-dev libbenchmark-dev xvfb xauth xdotool xclip poppler-utils clang-format
          librsvg2-bin dpkg-dev file desktop-file-utils appstream shared-mime-info xdg-utils
          libglib2.0-bin man-db groff-base bash-completion libxlsxwriter-dev lintian
          dbus at-spi2-core python3-pyatspi)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
