#!/usr/bin/env bash
# The Windows installer build-win/KELDA-<version>-setup.exe from a Windows build with the window
# program (scripts/windows-check.sh makes one): kelda.exe and kelda-cli.exe, the runtime and Qt
# DLLs and the two Qt plugins they load (no more), the data folder's files, the help pages,
# the icons and the licences, packed with NSIS (data/windows/kelda.nsi).
#   scripts/windows-installer.sh [BUILD-DIR] [QT-PREFIX]
# Prints the installer's path.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-win}
qt=${2:-$(scripts/qt-windows.sh --key)}
build=$(cd "$build" && pwd)
bin=$build/bin
scripts/deps.sh nsis binutils-mingw-w64-x86-64 >&2

version=$(sed -n 's/^project(KELDA VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "windows-installer: no version in CMakeLists.txt" >&2; exit 1; }
for f in kelda.exe kelda-cli.exe platforms/qwindows.dll styles/qwindowsvistastyle.dll; do
  [ -f "$bin/$f" ] || { echo "windows-installer: $bin/$f is missing (build the window program first)" >&2; exit 1; }
done
[ -f "$qt/licenses/LGPL-3.0-only.txt" ] ||
  { echo "windows-installer: Qt's licence text is not in $qt/licenses" >&2; exit 1; }

stage=$build/installer
rm -rf "$stage"
mkdir -p "$stage/files/platforms" "$stage/files/styles" "$stage/files/licenses"
files=$stage/files
# The programs and DLLs without their debugging symbols.
strip=x86_64-w64-mingw32-strip
for f in kelda.exe kelda-cli.exe libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll \
  Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6PrintSupport.dll Qt6Network.dll platforms/qwindows.dll \
  styles/qwindowsvistastyle.dll; do
  "$strip" --strip-unneeded -o "$files/$f" "$bin/$f"
done
cp data/overlay/* data/initial/* "$files/"
cp -r data/help "$files/help"
mkdir -p "$files/icons"
cp "$bin"/icons/*.svg "$bin"/icons/*.png "$files/icons/"
# Licences: KELDA's own with the notices and terms of what it carries from others, Qt's full
# licence texts (LGPL-3.0 with the GPL-3.0 it builds on) and where Qt's source is.
cp LICENSE "$files/licenses/LICENSE.txt"
cp data/package/copyright "$files/licenses/copyright.txt"
cp "$qt"/licenses/*.txt "$files/licenses/"
qt_source=$(cat "$qt/licenses/SOURCES")
cat >"$files/licenses/Qt-source.txt" <<EOF
KELDA uses the Qt libraries Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll, Qt6PrintSupport.dll and
Qt6Network.dll (for handing a file to the window that is already open) and
the plugins platforms/qwindows.dll and styles/qwindowsvistastyle.dll, licensed under the GNU
Lesser General Public License version 3 (LGPL-3.0-only.txt beside this file, which adds to the
GNU General Public License version 3 in GPL-3.0-only.txt). They are linked as DLLs: you may
replace them with your own build of the same Qt version.

They are built unchanged from Debian's source package, with mingw-w64 for 64-bit Windows:
  $qt_source
(Debian 12 "bookworm": apt-get source ${qt_source/ /=}), configured with CMake with these
options:
$(sed 's/^/  /' "$qt/licenses/BUILD-OPTIONS")
On request Vexa sends you that source, for at least three years from the date you got this
program.
EOF
sed 's/$/\r/' "$files/licenses/Qt-source.txt" >"$files/licenses/Qt-source.tmp" &&
  mv "$files/licenses/Qt-source.tmp" "$files/licenses/Qt-source.txt"
cp "$build/kelda.ico" "$stage/kelda.ico"

# The File lines per folder, and the Delete lines with the folders deepest first.
: >"$stage/files.nsh"
: >"$stage/unfiles.nsh"
(cd "$files" && find . -type d | sed 's#^\./##; s#^\.$##' | sort) | while read -r dir; do
  win=${dir//\//\\}
  echo "SetOutPath \"\$INSTDIR${win:+\\$win}\"" >>"$stage/files.nsh"
  (cd "$files${dir:+/$dir}" && find . -maxdepth 1 -type f | sed 's#^\./##' | sort) | while read -r f; do
    echo "File \"$files${dir:+/$dir}/$f\"" >>"$stage/files.nsh"
    echo "Delete \"\$INSTDIR${win:+\\$win}\\$f\"" >>"$stage/unfiles.nsh"
  done
done
(cd "$files" && find . -mindepth 1 -type d | sed 's#^\./##' | sort -r) | while read -r dir; do
  echo "RMDir \"\$INSTDIR\\${dir//\//\\}\"" >>"$stage/unfiles.nsh"
done
size_kb=$(du -sk "$files" | cut -f1)

out=$build/KELDA-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$out" -DSIZE_KB="$size_kb" \
  data/windows/kelda.nsi >&2
echo "windows-installer: $(basename "$out"), $(du -k "$out" | cut -f1) KiB" >&2
echo "$out"
