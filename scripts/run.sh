#!/usr/bin/env bash
# Builds KELDA and starts the window program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "kelda is built (build/bin/kelda), but this machine has no display to show it on."
  echo "Run it under a virtual display with:  xvfb-run -a build/bin/kelda"
  echo "or use the command-line twin:        build/bin/kelda-cli --help"
  exit 0
fi
exec build/bin/kelda "$@"
