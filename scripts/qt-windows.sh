#!/usr/bin/env bash
# Qt for Windows, cross-built here from Debian's own Qt source with mingw-w64 and kept in a cache
# folder outside the work tree:
#   ${XDG_CACHE_HOME:-$HOME/.cache}/kelda/qt-6.4.2-mingw-<key>
# The key is a hash of the source versions, the compiler and the options below, so a change of
# any of them builds a new prefix and an unchanged one is reused as it stands. Qt is built as
# shared DLLs (Core, Gui, Widgets, PrintSupport and Network; users may replace them, as Qt's LGPL
# licence expects), into a staging folder first and moved into place only when complete, so a
# stopped build never leaves a prefix that looks usable.
# Prints the prefix as its last line. Progress goes to stderr; the build's own output to a log
# in the cache folder.
#   scripts/qt-windows.sh            build when needed, print the prefix
#   scripts/qt-windows.sh --key      print the prefix it would use, build nothing
set -euo pipefail
cd "$(dirname "$0")/.."

version=6.4.2
# The same source packages as the host tools that Debian installs (moc, rcc, uic come from there).
base_src=qt6-base
base_ver=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null || echo 6.4.2+dfsg-10)
cxx=x86_64-w64-mingw32-g++-posix
cc=x86_64-w64-mingw32-gcc-posix

# Only the modules the window program uses. The tablet header is not in Debian's source, and
# with OpenGL off the Windows platform plugin compiles only without the dynamic GL switch. The
# Windows platform draws text with GDI: no FreeType, no DirectWrite (its font engine comes only
# with the Direct2D plugin, which the program does not use).
options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_testlib=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_icu=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_zstd=OFF -DFEATURE_sql_sqlite=OFF
  -DFEATURE_direct2d=OFF -DFEATURE_directwrite=OFF -DFEATURE_directwrite3=OFF -DFEATURE_freetype=OFF
  -DFEATURE_ssl=OFF -DFEATURE_openssl=OFF -DFEATURE_schannel=OFF -DFEATURE_brotli=OFF
  -DFEATURE_libproxy=OFF -DFEATURE_gssapi=OFF -DFEATURE_networklistmanager=OFF -DFEATURE_dnslookup=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_doubleconversion=OFF
)

# The cross compiler, as Qt's build and every build against this prefix use it.
toolchain() {
  cat <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $(command -v $cc 2>/dev/null || echo $cc))
set(CMAKE_CXX_COMPILER $(command -v $cxx 2>/dev/null || echo $cxx))
set(CMAKE_RC_COMPILER $(command -v x86_64-w64-mingw32-windres 2>/dev/null || echo windres))
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
}

compiler=$($cxx --version 2>/dev/null | head -n1 || echo none)
key=$( {
  echo "$version $base_src=$base_ver"
  echo "$compiler"
  printf '%s\n' "${options[@]}"
  toolchain
} | sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/kelda
prefix=$cache/qt-$version-mingw-$key

if [ "${1:-}" = "--key" ]; then
  echo "$prefix"
  exit 0
fi
if [ -f "$prefix/.complete" ]; then
  echo "qt-windows: using $prefix" >&2
  echo "$prefix"
  exit 0
fi

scripts/deps.sh g++-mingw-w64-x86-64-posix cmake ninja-build dpkg-dev qt6-base-dev-tools >&2
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

mkdir -p "$cache"
# One build of a key at a time; a second run waits and then finds the prefix made.
exec 9>"$cache/.qt-$version-mingw-$key.lock"
flock 9
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
# Staging beside the prefix, on the same file system, so the final move is a rename. A build
# that was stopped part way goes on from where it was.
mkdir -p "$cache/.qt-build-$key"
work=$(cd "$cache/.qt-build-$key" && pwd -P)
log=$cache/qt-$version-mingw-$key.log
echo "qt-windows: building Qt $version for Windows into $prefix (log: $log)" >&2
echo "qt-windows: (a stopped build resumes; remove $work to start afresh)" >&2
t0=$(date +%s)

# Debian's source packages through an apt configuration of our own: the system's archive
# entries as deb-src, lists and caches in the staging folder; the machine's sources stay as
# they are.
apt_dir=$work/apt
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  sed 's/^Types:.*/Types: deb-src/' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
done
if [ -f /etc/apt/sources.list ]; then
  grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"$apt_dir/sources.list" || true
fi
[ -f "$apt_dir/sources.list" ] || : >"$apt_dir/sources.list"
chmod -R a+rX "$apt_dir"
apt_opts=(-o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Sandbox::User=root")
if [ ! -f "$work/src/.fetched" ]; then
  rm -rf "$work/src"
  apt-get "${apt_opts[@]}" update -qq >>"$log" 2>&1
  mkdir -p "$work/src"
  (cd "$work/src" && apt-get "${apt_opts[@]}" source -qq "$base_src=$base_ver") >>"$log" 2>&1 ||
    { tail -n 20 "$log" >&2; echo "qt-windows: the Qt source could not be fetched" >&2; exit 1; }
  touch "$work/src/.fetched"
  echo "qt-windows: source fetched in $(($(date +%s) - t0)) s" >&2
fi
base_dir=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)

toolchain >"$work/mingw.cmake"
stage=$work/stage
rm -rf "$stage"
run_build() {  # run_build NAME SOURCE CMAKE-OPTIONS...
  local name=$1 src=$2
  shift 2
  local a
  a=$(date +%s)
  cmake -S "$src" -B "$work/build-$name" -G Ninja "$@" >>"$log" 2>&1 ||
    { tail -n 40 "$log" >&2; echo "qt-windows: configuring $name failed" >&2; exit 1; }
  nice cmake --build "$work/build-$name" -j"$jobs" >>"$log" 2>&1 ||
    { grep -m5 -B2 -A8 'error' "$log" >&2 || tail -n 40 "$log" >&2; echo "qt-windows: building $name failed" >&2; exit 1; }
  DESTDIR=$stage cmake --install "$work/build-$name" >>"$log" 2>&1
  echo "qt-windows: $name built in $(($(date +%s) - a)) s" >&2
}
# Installed for the final prefix, staged with DESTDIR: the paths inside the prefix's CMake
# files are the final ones.
run_build base "$base_dir" -DCMAKE_TOOLCHAIN_FILE="$work/mingw.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}"
# The licence texts and the place of the source, shipped with the program.
mkdir -p "$stage$prefix/licenses"
for f in LICENSES/LGPL-3.0-only.txt LICENSES/GPL-3.0-only.txt LICENSES/GPL-2.0-only.txt; do
  [ -f "$base_dir/$f" ] && cp "$base_dir/$f" "$stage$prefix/licenses/"
done
cp "$base_dir/debian/copyright" "$stage$prefix/licenses/qt6-base.copyright" 2>/dev/null || true
echo "$base_src $base_ver" >"$stage$prefix/licenses/SOURCES"
printf '%s\n' "${options[@]}" >"$stage$prefix/licenses/BUILD-OPTIONS"
cp "$work/mingw.cmake" "$stage$prefix/mingw.cmake"
touch "$stage$prefix/.complete"

rm -rf "$prefix"
mv "$stage$prefix" "$prefix"
rm -rf "$work" "$cache/.qt-build-$key"
echo "qt-windows: Qt $version for Windows ready in $(($(date +%s) - t0)) s: $prefix" >&2
echo "$prefix"
