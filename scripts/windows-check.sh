#!/usr/bin/env bash
# The Windows programs: the core, kelda-cli.exe and the core's tests cross-built with mingw-w64
# into build-win/, the tests run under Wine in a fresh prefix, then kelda-cli.exe talks to the
# Linux kelda-radiosim through a COM port of that prefix (info, ports, read and write, the
# images compared byte for byte) and the run times are set against the wire time.
#   scripts/windows-check.sh            the above (CI runs this)
#   scripts/windows-check.sh --window   also Qt for Windows, built once and cached
#       (scripts/qt-windows.sh), kelda.exe driven on a virtual display (open, edit and save a
#       clone file, write and read the radio through COM5, the print preview, --print to PDF;
#       screenshots in build-win/screenshots/), and the installer built, installed silently
#       into a second fresh prefix, used and uninstalled
# Fails when the build, a test or a step of these runs fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
window=0
[ "${1:-}" = "--window" ] && window=1

scripts/deps.sh g++-mingw-w64-x86-64-posix wine64 googletest cmake ninja-build
if [ "$window" = 1 ]; then
  scripts/deps.sh librsvg2-bin icoutils nsis xvfb xauth xdotool imagemagick poppler-utils \
    fonts-dejavu-core
fi
source scripts/wine-desktop.sh
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

stamp() { date +%s.%N; }
took() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# The two ways build-win/ is made do not share a build folder's settings: a change of way
# starts the folder's configuration afresh.
mode=cli
[ "$window" = 1 ] && mode=window
if [ -f build-win/CMakeCache.txt ] && [ "$(cat build-win/.kelda-mode 2>/dev/null)" != "$mode" ]; then
  rm -rf build-win/CMakeCache.txt build-win/CMakeFiles
fi
mkdir -p build-win
echo "$mode" >build-win/.kelda-mode

# The Linux simulator and kelda-cli (for dumps), and with the window kelda (the print
# reference), come from the native build tree.
t0=$(stamp)
if [ "$window" = 1 ]; then
  qt=$(scripts/qt-windows.sh | tail -n1)
  t1=$(stamp)
  echo "windows: Qt for Windows in $(took "$t0" "$t1") s"
  t0=$(stamp)
  if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELDA_BENCH=OFF >/dev/null
  fi
  cmake --build build -j"$jobs" --target kelda-radiosim kelda-cli kelda >/dev/null
  # Qt's toolchain file chains to ours; the programs share the runtime DLLs with Qt.
  cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DKELDA_SHARED_RUNTIME=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELDA_BENCH=ON >/dev/null
else
  if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELDA_GUI=OFF \
      -DKELDA_BENCH=OFF >/dev/null
  fi
  cmake --build build -j"$jobs" --target kelda-radiosim kelda-cli >/dev/null
  cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELDA_GUI=OFF -DKELDA_BENCH=OFF >/dev/null
fi
cmake --build build-win -j"$jobs"
t1=$(stamp)
echo "windows: build $(took "$t0" "$t1") s"

work=$(mktemp -d /tmp/kelda-windows-XXXXXX)
sims=()
cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  wine_stop
  rm -rf "$work"
}
trap cleanup EXIT

t0=$(stamp)
unset DISPLAY WAYLAND_DISPLAY
wine_prefix "$work/prefix"
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
wine_restart
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
[ "$window" = 1 ] || exit 0

# ---- kelda.exe on a virtual display ----------------------------------------------------------
gui="$root/build-win/bin/kelda.exe"
shots="$root/build-win/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
wine_display "$work"
wine_fonts

# wait_title TEXT [SECONDS]: a window whose title holds TEXT (fixed string) is shown.
wait_title() {
  local text=$1 tries=$((${2:-60} * 10))
  for _ in $(seq "$tries"); do
    xdotool search --onlyvisible --name "$text" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "windows: no window titled '$text'; windows shown:" >&2
  xdotool search --onlyvisible --name . getwindowname %@ >&2 2>/dev/null || true
  import -window root "$shots/failed.png" 2>/dev/null || true
  exit 1
}
# wait_gone TEXT [SECONDS]: no window title holds TEXT any longer.
wait_gone() {
  local text=$1 tries=$((${2:-60} * 10))
  for _ in $(seq "$tries"); do
    xdotool search --onlyvisible --name "$text" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  echo "windows: the window titled '$text' stays" >&2
  import -window root "$shots/failed.png" 2>/dev/null || true
  exit 1
}
shot() { sleep 0.5; import -window root "$shots/$1.png"; }
winpath() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
# The number of the program's windows shown of at least 200x100 pixels (Windows' own file
# dialogs under Wine carry no title to look for).
big_windows() {
  local w
  for w in $(xdotool search --onlyvisible --class 'kelda.exe' 2>/dev/null); do
    xdotool getwindowgeometry "$w" 2>/dev/null
  done | awk '/Geometry/ { split($2, a, "x"); if (a[1] >= 200 && a[2] >= 100) n++ } END { print n + 0 }'
}
# wait_more N: more than N such windows are shown (a dialog has opened).
wait_more() {
  for _ in $(seq 300); do [ "$(big_windows)" -gt "$1" ] && return 0; sleep 0.1; done
  echo "windows: no dialog opened" >&2
  import -window root "$shots/failed.png" 2>/dev/null || true
  exit 1
}
# A file name typed into the file dialog's name field, replacing what it holds.
type_name() {
  xdotool key Home shift+End
  xdotool type --delay 20 "$1"
  xdotool key Return
}

# Opens a clone file named in several scripts; Tab into the first cell (the clone comment),
# type, Enter, Ctrl+S: the file on disk is kelda-cli's edit of it, byte for byte.
boat="$files/Bootsdaten Ærø 日本.kcf"
title='Bootsdaten Ærø 日本.kcf - KELDA'
"$native" new --model 2 -o "$boat" >/dev/null
"$native" set "$boat" 'CT_Null.CL_ComCom_CloneComment=WINE GUI' -o "$work/expected.kcf" >/dev/null
t0=$(stamp)
"$wine" "$gui" --device COM5 "$(winpath "$boat")" >"$work/gui.out" 2>"$work/gui.err" &
guipid=$!
wait_title "$title" 120
t1=$(stamp)
echo "windows: kelda.exe showed the clone file after $(took "$t0" "$t1") s (the prefix's first window)"
shot main-window
xdotool key Tab
sleep 0.3
xdotool type --delay 40 'WINE GUI'
xdotool key Return
sleep 0.3
xdotool key ctrl+s
for _ in $(seq 100); do cmp -s "$boat" "$work/expected.kcf" && break; sleep 0.1; done
cmp "$boat" "$work/expected.kcf" || { echo "windows: kelda.exe saved other bytes" >&2; exit 1; }
wait_title "^$title\$" 20
echo "windows: kelda.exe edited and saved the clone file as kelda-cli does"

# A channel sheet: back to the tree, one row down.
xdotool key shift+Tab
sleep 0.3
xdotool key Down
shot channel-sheet

# Radio > Write to Radio (Ctrl+W), confirmed; the radio then holds the edited image.
rm -f "$work/saved.kcf"
xdotool key ctrl+w
wait_title '^KELDA$' 20
xdotool key Return
t0=$(stamp)
wait_title '^Cloning$' 20
sleep 1
shot write-progress
wait_gone '^Cloning$' 120
t1=$(stamp)
wait_title '^KELDA$' 20
shot write-done
xdotool key Return
wait_gone '^KELDA$' 20
[ -s "$work/saved.kcf" ] || { echo "windows: kelda.exe wrote nothing" >&2; exit 1; }
"$native" dump "$work/saved.kcf" --from 0x0310 --to 0x46AF >"$work/saved.dump"
"$native" dump "$boat" --from 0x0310 --to 0x46AF >"$work/boat.dump"
cmp "$work/saved.dump" "$work/boat.dump" || { echo "windows: the radio holds other bytes" >&2; exit 1; }
gui_write=$(took "$t0" "$t1")
echo "windows: kelda.exe wrote the radio through COM5 in $gui_write s (wire time" \
  "$(wire_of "$work/write.log") s, ratio $(awk -v t="$gui_write" -v w="$(wire_of "$work/write.log")" \
  'BEGIN { printf "%.3f", t / w }'))"

# Radio > Read from Radio (Ctrl+R), with the progress window; the read is a new document,
# saved through the Windows file dialog and compared with the Linux program's read.
xdotool key ctrl+r
t0=$(stamp)
wait_title '^Cloning$' 20
sleep 1.5
shot progress-window
wait_gone '^Cloning$' 120
t1=$(stamp)
wait_title '^Untitled\* - KELDA$' 20
gui_read=$(took "$t0" "$t1")
echo "windows: kelda.exe read the radio through COM5 in $gui_read s (wire time" \
  "$(wire_of "$work/read.log") s, ratio $(awk -v t="$gui_read" -v w="$(wire_of "$work/read.log")" \
  'BEGIN { printf "%.3f", t / w }'))"
"$native" read --device "$(head -n1 "$work/sim5.out")" -o "$work/linux-read.kcf" >/dev/null
shown=$(big_windows)
xdotool key ctrl+s
wait_more "$shown"
shot save-dialog
type_name "$(winpath "$work")\\gui-read.kcf"
wait_title '^gui-read.kcf - KELDA$' 20
cmp "$work/gui-read.kcf" "$work/linux-read.kcf" || { echo "windows: kelda.exe read other bytes" >&2; exit 1; }
echo "windows: kelda.exe read the radio as the Linux program does"

# File > Print Sheet (Ctrl+P) with no printer on the system: the PDF file is named in the save
# dialog, then the preview shows the pages; closed with Escape.
shown=$(big_windows)
xdotool key ctrl+p
wait_more "$shown"
type_name "$(winpath "$work")\\sheet.pdf"
wait_title '^KELDA$' 30
shot print-preview
xdotool key Escape
wait_gone '^KELDA$' 30
echo "windows: kelda.exe asked for the PDF file and showed the print preview"
"$wine" taskkill /F /IM kelda.exe >/dev/null 2>&1 || true
wait "$guipid" 2>/dev/null || true

# Printing to PDF without a window: the same text as the Linux program's.
"$wine" "$gui" --print "$(winpath "$boat")" --pdf "$(winpath "$work")\\wine.pdf" --all
QT_QPA_PLATFORM=offscreen build/bin/kelda --print "$boat" --pdf "$work/linux.pdf" --all
pdftotext -layout "$work/wine.pdf" "$work/wine.txt"
pdftotext -layout "$work/linux.pdf" "$work/linux.txt"
diff <(tr -s ' ' <"$work/linux.txt") <(tr -s ' ' <"$work/wine.txt") >"$work/print.diff" ||
  { head -n 20 "$work/print.diff" >&2; echo "windows: the printed text differs" >&2; exit 1; }
echo "windows: kelda.exe printed $(grep -c . "$work/wine.txt") lines, as the Linux program does"

# ---- The installer, in a second fresh prefix ----------------------------------------------
setup=$(scripts/windows-installer.sh build-win "$qt" | tail -n1)
setup_kb=$(du -k "$setup" | cut -f1)
echo "windows: $(basename "$setup") is $setup_kb KiB"
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w
wine_prefix "$work/prefix2"
wine_fonts
program="$WINEPREFIX/drive_c/Program Files/KELDA"
classes='HKLM\Software\Classes'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KELDA'
# Silent install; the programs, DLLs, plugins, data, help and licences are there.
"$wine" "$setup" /S
for f in kelda.exe kelda-cli.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6PrintSupport.dll Qt6Network.dll \
  libstdc++-6.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll KELDA.OVL help/index.html \
  icons/kelda.svg licenses/LGPL-3.0-only.txt licenses/Qt-source.txt uninstall.exe; do
  [ -f "$program/$f" ] || { echo "windows: the installer did not install $f" >&2; exit 1; }
done
# wait_removed PATH: PATH is gone within a minute, and the program that removed it has ended.
wait_removed() {
  for _ in $(seq 600); do [ -e "$1" ] || break; sleep 0.1; done
  [ ! -e "$1" ] || { echo "windows: $1 is still there" >&2; exit 1; }
  sleep 1
}
reg_value() { "$wine" reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }
[ "$(reg_value "$classes\\.kcf")" = KELDA.CloneFile ] ||
  { echo "windows: .kcf is not associated with KELDA" >&2; exit 1; }
[ "$(reg_value "$classes\\KELDA.CloneFile\\shell\\open\\command")" = \
  '"C:\Program Files\KELDA\kelda.exe" "%1"' ] ||
  { echo "windows: the Open verb of clone files is wrong" >&2; exit 1; }
"$wine" reg query "$uninstall_key" /v UninstallString >/dev/null ||
  { echo "windows: no entry in Add/Remove Programs" >&2; exit 1; }
"$wine" "C:\\Program Files\\KELDA\\kelda-cli.exe" check "$(winpath "$boat")" >/dev/null
# A clone file opened through its association shows the window with its name.
cp "$boat" "$work/boat.kcf"
"$wine" start /unix "$work/boat.kcf" >/dev/null 2>&1
wait_title 'boat.kcf - KELDA' 120
shot installed-window
# A second start with a file hands it to the window already open, which shows it; the second
# process ends once the window has taken it.
cp "$boat" "$work/second boat Ærø.kcf"
"$wine" start /wait /unix "$work/second boat Ærø.kcf" >/dev/null 2>&1
wait_title 'second boat Ærø.kcf - KELDA' 60
[ "$(xdotool search --onlyvisible --name ' - KELDA' | wc -l)" -eq 1 ] ||
  { echo "windows: a second KELDA window opened" >&2; exit 1; }
echo "windows: a second start handed its file to the open window"
# While KELDA runs, the installer refuses (exit code 2) and changes nothing.
before=$(find "$program" -type f -exec md5sum {} + | sort)
set +e
"$wine" "$setup" /S
status=$?
set -e
[ "$status" -eq 2 ] || { echo "windows: the installer ran beside KELDA (status $status)" >&2; exit 1; }
[ "$before" = "$(find "$program" -type f -exec md5sum {} + | sort)" ] ||
  { echo "windows: the refused installer changed files" >&2; exit 1; }
"$wine" taskkill /F /IM kelda.exe >/dev/null 2>&1 || true
wait_gone 'boat.kcf - KELDA' 30
# Installed again over itself (an upgrade in place), then uninstalled silently: nothing of
# ours is left, the user's file in the folder and the settings stay.
"$wine" "$setup" /S
echo mine >"$program/mine.kcf"
"$wine" reg add 'HKCU\Software\Vexa\KELDA\Global' /v ComPort /t REG_DWORD /d 5 /f >/dev/null
"$wine" "C:\\Program Files\\KELDA\\uninstall.exe" /S
# The uninstaller runs on from a copy of itself (the prefix's services keep Wine's server up, so
# waiting for the server would never end): wait until it has removed itself.
wait_removed "$program/uninstall.exe"
left=$(cd "$program" && find . -mindepth 1 | sort)
[ "$left" = ./mine.kcf ] || { echo "windows: the uninstaller left: $left" >&2; exit 1; }
for key in "$classes\\.kcf" "$classes\\KELDA.CloneFile" "$uninstall_key"; do
  if "$wine" reg query "$key" >/dev/null 2>&1; then
    echo "windows: the uninstaller left $key" >&2
    exit 1
  fi
done
"$wine" reg query 'HKCU\Software\Vexa\KELDA\Global' /v ComPort >/dev/null ||
  { echo "windows: the uninstaller removed the settings" >&2; exit 1; }
[ ! -e "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/KELDA.lnk" ] ||
  { echo "windows: the Start menu entry is left" >&2; exit 1; }
# Into a folder whose name has spaces and letters outside ASCII, and out again.
# /D= is taken only unquoted and last, as a user types it; Wine would quote an argument with
# spaces, so the line goes through cmd as it stands.
"$wine" cmd /c "$(winpath "$setup")"' /S /D=C:\Bådprogram Ærø\KELDA 1'
odd="$WINEPREFIX/drive_c/Bådprogram Ærø/KELDA 1"
[ -f "$odd/kelda.exe" ] || { echo "windows: nothing installed into $odd" >&2; exit 1; }
"$wine" "C:\\Bådprogram Ærø\\KELDA 1\\kelda-cli.exe" check "$(winpath "$boat")" >/dev/null
"$wine" "C:\\Bådprogram Ærø\\KELDA 1\\uninstall.exe" /S
wait_removed "$odd/uninstall.exe"
[ ! -e "$odd" ] || { echo "windows: the uninstaller left $odd" >&2; exit 1; }
echo "windows: the installer installed, refused while KELDA ran, upgraded and uninstalled cleanly"
