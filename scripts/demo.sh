#!/bin/sh
# Try KELDA without a radio: starts the simulated radio (kelda-radiosim) with a factory image
# and the window with the simulated radio's port already chosen. Read, edit and write as with a
# real radio; closing the window stops the simulated radio.
#
#   scripts/demo.sh [MODEL]      MODEL: the model type of the radio's image, 0..7 (default 2)
#
# KELDA_DEMO_BAUD sets the line's pace (default 38400, as the real cable; 0 for no pacing).
# The demo keeps its settings in a folder of its own, so the user's settings stay as they are.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${KELDA_BUILD:-$root/build}
model=${1:-2}
baud=${KELDA_DEMO_BAUD:-38400}

case "$model" in
  [0-7]) ;;
  *) echo "demo.sh: the model type is a number from 0 to 7" >&2; exit 2 ;;
esac

if [ ! -x "$build/bin/kelda" ] || [ ! -x "$build/bin/kelda-radiosim" ]; then
  echo "demo.sh: building kelda and kelda-radiosim in $build" >&2
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target kelda kelda-radiosim kelda_data
fi

demo=$(mktemp -d "${TMPDIR:-/tmp}/kelda-demo-XXXXXX")
sim=""
cleanup() {
  if [ -n "$sim" ]; then kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; fi
  rm -rf "$demo"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

export XDG_CONFIG_HOME="$demo/config"
image="$build/bin/KELDA0$model.kcf"
set -- --image "$image" --name demo-radio
if [ "$baud" != 0 ]; then set -- "$@" --baud "$baud"; fi
# Made here, before the radio starts: the loop below must never look for files the background
# job has not opened yet.
: >"$demo/sim.out"
: >"$demo/sim.err"
"$build/bin/kelda-radiosim" "$@" >>"$demo/sim.out" 2>>"$demo/sim.err" &
sim=$!

# The simulated radio prints its pseudo-terminal, then the link it published for port lists.
device=""
i=0
while [ $i -lt 100 ]; do
  lines=$(wc -l <"$demo/sim.out" 2>/dev/null) || lines=0
  if [ "${lines:-0}" -ge 2 ]; then break; fi
  if ! kill -0 "$sim" 2>/dev/null; then break; fi
  sleep 0.05
  i=$((i + 1))
done
device=$(sed -n 2p "$demo/sim.out")
[ -n "$device" ] || device=$(sed -n 1p "$demo/sim.out")
if [ -z "$device" ]; then
  echo "demo.sh: the simulated radio did not start:" >&2
  cat "$demo/sim.err" >&2
  exit 1
fi

echo "demo.sh: the simulated radio (model type $model) is on $device"
echo "demo.sh: in the window choose Radio > Read from Radio; close the window to end the demo"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
  echo "demo.sh: no display; running the window under xvfb-run" >&2
  xvfb-run -a "$build/bin/kelda" --device "$device"
else
  "$build/bin/kelda" --device "$device"
fi
