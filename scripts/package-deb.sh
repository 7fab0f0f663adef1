#!/usr/bin/env bash
# Builds the Debian package kelda_<version>_<arch>.deb in its own build folder (default
# build-deb) and prints its path. Install it with: sudo apt install ./kelda_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}
scripts/deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
      -DKELDA_TESTS=OFF -DKELDA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$PWD/$build"/kelda_*.deb
