#!/usr/bin/env bash
# Fails when a C++ file of ours differs from what clang-format makes of it (the style is the
# .clang-format in the repository root). Prints the files and the differences.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh clang-format
mapfile -d '' files < <(git ls-files -z -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
    'tools/*.cpp' 'tools/*.h' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
if ((${#files[@]} == 0)); then
    echo "check-format: no C++ files found" >&2
    exit 1
fi
if ! clang-format --dry-run -Werror "${files[@]}"; then
    echo "check-format: run clang-format -i on the files above" >&2
    exit 1
fi
echo "check-format: ${#files[@]} files formatted"
