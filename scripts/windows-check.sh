#!/usr/bin/env bash
# The Windows programs: the Qt-free core, kelda-cli.exe and the core's tests cross-built with
# mingw-w64 into build-win/, the tests run under Wine in a fresh prefix, then kelda-cli.exe
# talks to the Linux kelda-radiosim through a COM port of that prefix (info, ports, read and
# write, the images compared byte for byte) and the run times are set against the wire time.
# Fails when the build, a test or a step of the radio run fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/deps.sh g++-mingw-w64-x86-64-posix wine64 googletest cmake ninja-build
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(dirname "$wine")/wineserver
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

stamp() { date +%s.%N; }
took() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# The Linux simulator and kelda-cli (for dumps) come from the native build tree.
t0=$(stamp)
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELDA_GUI=OFF \
    -DKELDA_BENCH=OFF >/dev/null
fi
cmake --build build -j"$jobs" --target kelda-radiosim kelda-cli >/dev/null
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELDA_GUI=OFF -DKELDA_BENCH=OFF >/dev/null
cmake --build build-win -j"$jobs"
t1=$(stamp)
echo "windows: build $(took "$t0" "$t1") s"

work=$(mktemp -d /tmp/kelda-windows-XXXXXX)
sims=()
cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  WINEPREFIX="$work/prefix" "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# A fresh prefix, headless: no Mono or Gecko installers, no display needed for console programs.
export WINEPREFIX="$work/prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
# The server of the prefix, started by us so that its own output goes to a log, not to CI's.
start_server() { "$wineserver" -p >>"$work/wineserver.log" 2>&1; }
t0=$(stamp)
mkdir -p "$WINEPREFIX"
start_server
"$wine" wineboot -i >/dev/null 2>&1
t1=$(stamp)
echo "windows: fresh Wine prefix in $(took "$t0" "$t1") s"

# Starts kelda-radiosim with the given options and maps its pseudo-terminal to COM$1 in Wine's
# own port key, from which Wine makes the COM device and lists it in the serial-port map, as
# Windows lists a plugged-in adapter. Wine reads the key when its server starts.
start_sim() {
  local com=$1
  shift
  build/bin/kelda-radiosim --no-publish "$@" >"$work/sim$com.out" 2>"$work/sim$com.err" &
  sims+=($!)
  local dev=""
  for _ in $(seq 100); do
    dev=$(head -n1 "$work/sim$com.out" 2>/dev/null || true)
    [ -n "$dev" ] && break
    sleep 0.05
  done
  [ -n "$dev" ] || { cat "$work/sim$com.err" >&2; echo "windows: kelda-radiosim did not start" >&2; exit 1; }
  "$wine" reg add 'HKLM\Software\Wine\Ports' /v "COM$com" /t REG_SZ /d "$dev" /f >/dev/null
}
# COM7 for the serial tests, COM5 paced like the real radio for kelda-cli.exe.
start_sim 7
start_sim 5 --baud 38400 --save "$work/saved.kcf"
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w
start_server
# Wine's services start with the first program and outlive it: started here, they hold no
# output pipe of a test that ctest would wait on.
"$wine" wineboot >/dev/null 2>&1

# The core's tests; the serial ones talk to the simulated radio on COM7.
export KELDA_TEST_COM_PORT=COM7
t0=$(stamp)
ctest --test-dir build-win --output-on-failure
t1=$(stamp)
echo "windows: tests under Wine $(took "$t0" "$t1") s"

# kelda-cli.exe against the paced simulated radio on COM5, with clone files named in several
# scripts. The write's image is an edited one, so that the radio's saved copy shows it arrived.
cli="$root/build-win/bin/kelda-cli.exe"
native=build/bin/kelda-cli
files="$work/Kanäle Ærø 日本"
mkdir -p "$files"
"$native" new --model 2 -o "$work/factory.kcf" >/dev/null
"$native" set "$work/factory.kcf" 'CT_IntCh.CL_ChList_Comment[16]=WINE COM5' \
  -o "$files/edited.kcf" >/dev/null
# Text-mode output of Windows programs ends its lines with CR LF.
ports=$("$wine" "$cli" ports | tr -d '\r')
echo "$ports"
echo "$ports" | grep -qx '5: Serial port (COM5)' || { echo "windows: COM5 is not listed" >&2; exit 1; }

# The time of a run, and the wire time of the bytes the radio sent (10 bits a byte at
# 38400 baud), from the hex log of the link.
wire_of() { awk '$2 == "<" { n += NF - 2 } END { printf "%.2f", n * 10 / 38400 }' "$1"; }
timed() {
  local name=$1
  shift
  local a b
  a=$(stamp)
  "$wine" "$cli" "$@" --port 5 --log "$work/$name.log"
  b=$(stamp)
  local wire
  wire=$(wire_of "$work/$name.log")
  # From the first byte out to the last byte in, as the program's clock saw it.
  local link
  link=$(awk '$1 ~ /^[0-9]+$/ { if (f == "") f = $1; l = $1 } END { printf "%.2f", (l - f) / 1000 }' \
    "$work/$name.log")
  echo "windows: $name took $(took "$a" "$b") s with Wine's start ($link s on the link)," \
    "wire time $wire s, ratio $(awk -v t="$link" -v w="$wire" 'BEGIN { printf "%.3f", t / w }')" \
    "($(awk -v t="$(took "$a" "$b")" -v w="$wire" 'BEGIN { printf "%.3f", t / w }') with the start)"
}

"$wine" "$cli" info --port 5 | tr -d '\r' | tee "$work/info.txt"
grep -q '^model: International$' "$work/info.txt"
timed read read -o "$files/gelesen ÆØÅ.kcf"
# The Linux program's read of the same radio is the reference, byte for byte.
"$native" read --device "$(head -n1 "$work/sim5.out")" -o "$work/linux.kcf" >/dev/null
cmp "$files/gelesen ÆØÅ.kcf" "$work/linux.kcf" || { echo "windows: the read image differs" >&2; exit 1; }

timed write write "$files/edited.kcf" --yes
for _ in $(seq 100); do [ -s "$work/saved.kcf" ] && break; sleep 0.05; done
# The write covers the user-editable ranges; the radio's copy must hold them byte for byte.
"$native" dump "$work/saved.kcf" --from 0x0310 --to 0x46AF >"$work/saved.dump"
"$native" dump "$files/edited.kcf" --from 0x0310 --to 0x46AF >"$work/edited.dump"
cmp "$work/saved.dump" "$work/edited.dump" || { echo "windows: the radio holds other bytes" >&2; exit 1; }
! cmp -s "$work/saved.dump" <("$native" dump "$work/factory.kcf" --from 0x0310 --to 0x46AF)

# Bad input: a port that is not there, a port in use, a clone file that is not there.
refused() {  # refused STATUS TEXT ARGS...: kelda-cli.exe ARGS must end with STATUS and say TEXT
  local want=$1 text=$2 status
  shift 2
  set +e
  "$wine" "$cli" "$@" >/dev/null 2>"$work/err.txt"
  status=$?
  set -e
  if [ "$status" -ne "$want" ] || ! grep -q "$text" "$work/err.txt"; then
    echo "windows: kelda-cli.exe $* gave status $status (not $want):" >&2
    cat "$work/err.txt" >&2
    exit 1
  fi
}
refused 22 'no serial device has this number' info --port 231
refused 22 'COM231: there is no such port on this computer' info --device COM231
refused 11 'cannot be opened' check "$files/nicht da ÅØ.kcf"
# While a read holds COM5, a second program is refused the port.
"$wine" "$cli" read --port 5 -o "$work/held.kcf" --log "$work/held.log" 2>/dev/null &
holder=$!
for _ in $(seq 200); do grep -q '^# open' "$work/held.log" 2>/dev/null && break; sleep 0.05; done
refused 22 'COM5: the port is in use by another program' info --port 5
wait "$holder"
echo "windows: kelda-cli.exe read and wrote the simulated radio through COM5"
