#!/usr/bin/env bash
# Cold start of kelda.exe to its first painted sheet under Wine on a virtual display, against a
# window of stock Qt widgets showing the same first screen (kelda-stock-window.exe, cross-built
# the same way against the same Qt DLLs). Each run is a whole process started by Wine; the time
# is from the start to the line the program prints once its sheet (the stock window's table) has
# painted, so shutdown is not counted and Wine's own process start is in both figures. The two
# alternate, after one unmeasured start of each; medians, minimums and the ratio are printed.
#   bench/windows-start.sh [BUILD-DIR] [RUNS]     (after scripts/windows-check.sh built BUILD-DIR)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build-win}" && pwd)
runs=${2:-9}
for exe in kelda.exe kelda-stock-window.exe; do
  [ -f "$build/bin/$exe" ] || { echo "windows-start: $build/bin/$exe is missing" >&2; exit 1; }
done
source scripts/wine-desktop.sh
work=$(mktemp -d /tmp/kelda-winstart-XXXXXX)
trap 'wine_stop; rm -rf "$work"' EXIT
wine_prefix "$work/prefix"
wine_display "$work"
wine_fonts

stamp() { date +%s%N; }
# Milliseconds from the start to the painted line; fails if the program never printed it.
one() {
  local exe=$1 t0 t1="" line pid
  rm -f "$work/out"
  mkfifo "$work/out"
  t0=$(stamp)
  KELDA_QUIT_AFTER_FIRST_SHEET=1 "$wine" "$build/bin/$exe" >"$work/out" 2>/dev/null &
  pid=$!
  while IFS= read -r line; do
    case $line in first-sheet-painted*) [ -n "$t1" ] || t1=$(stamp) ;; esac
  done <"$work/out"
  wait "$pid" || true
  [ -n "$t1" ] || { echo "windows-start: $exe did not report its first painted sheet" >&2; return 1; }
  echo $(((t1 - t0) / 1000000))
}
one kelda.exe >/dev/null
one kelda-stock-window.exe >/dev/null
k=() s=()
for _ in $(seq "$runs"); do
  k+=("$(one kelda.exe)")
  s+=("$(one kelda-stock-window.exe)")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
least() { printf '%s\n' "$@" | sort -n | head -n1; }
km=$(median "${k[@]}") sm=$(median "${s[@]}")
echo "kelda.exe:              median ${km} ms, min $(least "${k[@]}") ms  (${k[*]})"
echo "kelda-stock-window.exe: median ${sm} ms, min $(least "${s[@]}") ms  (${s[*]})"
echo "ratio (median): $(awk -v a="$km" -v b="$sm" 'BEGIN { printf "%.2f", a / b }')x"
