#!/usr/bin/env bash
# Builds KELDA and runs every test. With --sanitize, builds a separate tree with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs the tests there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
dir=build
opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-sanitize
  opts=(-DCMAKE_BUILD_TYPE=Debug -DKELDA_SANITIZE=ON -DKELDA_GUI=OFF -DKELDA_BENCH=OFF)
fi
cmake -S . -B "$dir" -G Ninja "${opts[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
