#!/usr/bin/env bash
# How soon each fault of the radio line is told: kelda-cli reads or writes a kelda-radiosim
# paced at 38400 baud that shows one fault, and the table gives the exit status, the whole run
# and the time from the last byte the line carried (in the run's hex log) to the end of the
# program, less the same figure of a run without a fault (the program's start and end, which
# the log's clock does not see). A silent line or a stalled write can only be told after the
# protocol's wait for an answer (1 s) or for the line (3 s and the bytes' time); every other
# fault is knowable at the last byte, so its figure is the time the program took to say it.
#   bench/fault-times.sh [BUILD-DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build}/bin
for p in kelda-cli kelda-radiosim; do
  [ -x "$bin/$p" ] || { echo "fault-times: $bin/$p is missing (build first)" >&2; exit 1; }
done
work=$(mktemp -d /tmp/kelda-fault-times-XXXXXX)
sim=
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
"$bin/kelda-cli" new --model 2 -o "$work/template.kcf" >/dev/null

stamp() { date +%s%N; }
printf '%-26s %-6s %7s %8s  %s\n' fault status run_s told_s message
base_read=0
base_write=0
# run NAME COMMAND SIM-OPTIONS... [-- PULL-AFTER-SECONDS]
run() {
  local name=$1 command=$2
  shift 2
  local pull=""
  local opts=()
  while [ $# -gt 0 ]; do
    if [ "$1" = "--pull" ]; then pull=$2; shift 2; continue; fi
    opts+=("$1")
    shift
  done
  "$bin/kelda-radiosim" --no-publish --baud 38400 "${opts[@]}" >"$work/sim.out" 2>/dev/null &
  sim=$!
  local dev=""
  for _ in $(seq 100); do
    dev=$(head -n1 "$work/sim.out" 2>/dev/null || true)
    [ -n "$dev" ] && break
    sleep 0.02
  done
  local args=(read -o "$work/out.kcf")
  [ "$command" = write ] && args=(write "$work/template.kcf" --yes)
  [ "$command" = verify ] && args=(write "$work/template.kcf" --yes --verify)
  rm -f "$work/link.log" "$work/out.kcf"
  [ -n "$pull" ] && (sleep "$pull"; kill "$sim" 2>/dev/null) &
  local a b status
  a=$(stamp)
  set +e
  "$bin/kelda-cli" "${args[@]}" --device "$dev" --log "$work/link.log" >/dev/null 2>"$work/err"
  status=$?
  set -e
  b=$(stamp)
  kill "$sim" 2>/dev/null || true
  wait "$sim" 2>/dev/null || true
  sim=
  wait 2>/dev/null || true
  local last
  last=$(awk '$1 ~ /^[0-9]+$/ { l = $1 } END { print l + 0 }' "$work/link.log")
  local message
  message=$(grep -m1 '^error:' "$work/err" | cut -c8-70 || true)
  local after
  after=$(awk -v a="$a" -v b="$b" -v l="$last" 'BEGIN { printf "%.3f", (b - a) / 1e9 - l / 1000 }')
  [ "$name" = "none (read)" ] && base_read=$after
  [ "$name" = "none (write)" ] && base_write=$after
  local base=$base_read
  [ "$command" != read ] && base=$base_write
  awk -v n="$name" -v s="$status" -v a="$a" -v b="$b" -v t="$after" -v z="$base" -v m="$message" \
    'BEGIN { printf "%-26s %-6s %7.2f %8.2f  %s\n", n, s, (b - a) / 1e9, t - z, m }'
}
run "none (read)" read
run "none (write)" write
run "silent radio" read --silent
run "no echo" read --no-echo
run "wrong echo" read --garble-echo
run "frame left out" read --drop-frame 40
run "bad checksum" read --bad-checksum 40
run "wrong frame count" read --wrong-count
run "refuses reading" read --refuse-read
run "another device sending" read --chatter
run "cable pulled in a read" read --pull 3
run "refuses writing" write --refuse-write
run "line stops taking bytes" write --stall-write 4000
run "radio off part way" write --stop-write 4000
run "byte not kept" verify --corrupt-store 0x0400
run "refuses reading (verify)" verify --refuse-read
