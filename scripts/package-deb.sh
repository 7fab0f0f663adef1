#!/usr/bin/env bash
# Builds the Debian package kelda_<version>_<arch>.deb in its own build folder (default
# build-deb), its programs hardened and stripped as Debian's own are, and prints its path.
# Install it with: sudo apt install ./kelda_*.deb
# The package is reproducible: built again from the same commit, in a folder of the same name, it
# has the same bytes. Its files carry the time of SOURCE_DATE_EPOCH (default: the last commit's).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}
scripts/deps.sh
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date -d "$(sed -n 's/^## .* (\(.*\))$/\1/p' CHANGES.md | head -n 1)" +%s)
fi
export SOURCE_DATE_EPOCH
# Source paths in the programs are relative to the checkout, wherever it lies.
map="-ffile-prefix-map=$PWD/="
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
      -DKELDA_TESTS=OFF -DKELDA_BENCH=OFF -DKELDA_HARDEN=ON -DCMAKE_C_FLAGS="$map" -DCMAKE_CXX_FLAGS="$map" >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$PWD/$build"/kelda_*.deb
