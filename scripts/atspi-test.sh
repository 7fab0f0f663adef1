#!/usr/bin/env bash
# Runs the window program as a screen reader meets it: on a virtual display, with a D-Bus
# session of its own and the desktop's accessibility bus, driven and read by
# tests/atspi/read_window.py through AT-SPI.
#   scripts/atspi-test.sh [build/bin/kelda]
#   scripts/atspi-test.sh --run PROGRAM [ARGUMENTS...]   runs a program in the same setting with
#                                                      the bus up (the reader benchmark)
# Needs xvfb, xdotool, dbus, at-spi2-core and python3-pyatspi (scripts/deps.sh installs them).
# Exits 77 (skipped) when one is missing, and ends everything within four minutes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
run=()
if [ "${1:-}" = "--run" ]; then
  shift
  run=("$@")
  set --
fi
kelda=$(realpath "${1:-$root/build/bin/kelda}")
launcher=/usr/libexec/at-spi-bus-launcher
for tool in xvfb-run xdotool dbus-run-session timeout; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$launcher" ] || { echo "skipped: at-spi2-core is not installed"; exit 77; }
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null ||
  { echo "skipped: python3-pyatspi is not installed"; exit 77; }

home=$(mktemp -d /tmp/kelda-atspi-XXXXXX)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/run"
# Nothing of the user's: settings, runtime files and the session bus are the test's own.
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache
export XDG_RUNTIME_DIR=$home/run
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
if [ ${#run[@]} -gt 0 ]; then
  # The accessibility bus is started on the session bus, then the program is run.
  xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- bash -c \
    '"$0" --launch-immediately & launcher=$!; sleep 0.5; "$@"; rc=$?; kill $launcher; exit $rc' \
    "$launcher" "${run[@]}"
  exit
fi
# timeout's own process group keeps every program started below within its reach.
timeout -k 10 240 xvfb-run -a -s "-screen 0 1280x800x24" \
  dbus-run-session -- /usr/bin/python3 "$root/tests/atspi/read_window.py" "$kelda" "$launcher"
