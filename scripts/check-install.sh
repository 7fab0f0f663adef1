#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under a prefix with a space in its name and checks
# the result as a desktop would see it: the installed kelda-cli works with nothing beside it,
# the desktop entry, metainfo, clone-file type, manual pages and bash completion are valid.
# Then the Debian package (scripts/package-deb.sh): reproducible, clean for lintian, and
# installed, upgraded over an older version and purged by dpkg in a private root.
# Usage: scripts/check-install.sh [BUILD_DIR]   (default: build, as scripts/test.sh leaves it)
set -euo pipefail
shopt -s nullglob
cd "$(dirname "$0")/.."
build=${1:-build}
scripts/deps.sh
cmake --build "$build" -j"$(nproc)" >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/kelda-install-check.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix="/opt/kelda test"
stage="$work/stage"
root="$stage$prefix"
failures=0
fail() {
  echo "check-install: FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "check-install: ok: $*"; }

DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" >"$work/install.log"
pass "installed into DESTDIR under \"$prefix\""

gui=0
[ -x "$root/bin/kelda" ] && gui=1

# Nothing but the programs in bin/: the data must be found in share/kelda.
extra=$(ls "$root/bin" | grep -v -x -e kelda -e kelda-cli -e kelda-radiosim || true)
[ -z "$extra" ] || fail "bin/ holds more than the programs: $extra"

# The installed kelda-cli, run from elsewhere, with its data only in share/kelda.
mkdir "$work/run"
cli="$root/bin/kelda-cli"
if (cd "$work/run" && "$cli" new --model 4 -o "boat one.kcf" && [ "$("$cli" check "boat one.kcf")" = ok ]); then
  pass "installed kelda-cli new and check"
else
  fail "installed kelda-cli new/check"
fi
"$cli" --help | grep -q "^usage: kelda-cli" || fail "kelda-cli --help"

# A missing data folder: exit status 3 and a message naming where the program looked.
mv "$root/share/kelda" "$root/share/kelda.away"
set +e
msg=$("$cli" check "$work/run/boat one.kcf" 2>&1)
status=$?
set -e
mv "$root/share/kelda.away" "$root/share/kelda"
if [ "$status" -eq 3 ] && grep -qF "$root/share/kelda: no such folder" <<<"$msg"; then
  pass "missing data folder: status 3, names $root/share/kelda"
else
  fail "missing data folder gave status $status: $msg"
fi

# The installed simulator starts from the factory image in share/kelda; the installed kelda-cli
# reads it.
"$root/bin/kelda-radiosim" --no-publish >"$work/sim.out" &
sim=$!
for _ in $(seq 50); do
  [ -s "$work/sim.out" ] && break
  sleep 0.1
done
device=$(head -n 1 "$work/sim.out")
if [ -n "$device" ] && timeout 60 "$cli" read --device "$device" -o "$work/run/read.kcf" &&
  [ "$("$cli" check "$work/run/read.kcf")" = ok ]; then
  pass "installed kelda-cli read the installed kelda-radiosim"
else
  fail "read from the installed kelda-radiosim"
fi
kill "$sim"
wait "$sim" || true

# The clone-file type: by extension and by the header line, in a temporary data home.
export XDG_DATA_HOME="$work/xdg"
mkdir -p "$XDG_DATA_HOME/mime/packages"
cp "$root/share/mime/packages/kelda.xml" "$XDG_DATA_HOME/mime/packages/"
update-mime-database "$XDG_DATA_HOME/mime"
cp "$work/run/boat one.kcf" "$work/run/no extension"
for f in "$work/run/boat one.kcf" "$work/run/no extension"; do
  # gio reads the shared-mime-info database; the generic fallback would ask file(1).
  type=$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$f")
  [ "$type" = application/x-kelda-clone ] && pass "xdg-mime: $(basename "$f") is $type" ||
    fail "xdg-mime: $(basename "$f") is '$type'"
done
printf 'KELDA\n' >"$work/run/other.txt"
type=$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$work/run/other.txt")
[ "$type" != application/x-kelda-clone ] || fail "a plain text file is taken for a clone file"

# Manual pages render without a warning.
pages=(kelda-cli kelda-radiosim)
[ "$gui" = 1 ] && pages+=(kelda)
for page in "${pages[@]}"; do
  file="$root/share/man/man1/$page.1.gz"
  if [ ! -f "$file" ]; then
    fail "no manual page $page.1.gz"
    continue
  fi
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  [ -z "$warnings" ] && pass "man $page" || fail "man $page: $warnings"
done

# Bash completion: commands, a command's options and the tables.
completion="$root/share/bash-completion/completions/kelda-cli"
got=$(bash -c '
  source /usr/share/bash-completion/bash_completion
  source "$1"
  complete_words() {
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    COMPREPLY=(); _kelda_cli; echo "${COMPREPLY[*]}"
  }
  complete_words kelda-cli ex
  complete_words kelda-cli import f.kcf --p
  complete_words kelda-cli export f.kcf --table ""
' _ "$completion")
expected=$'export\n--partial\nint usa can dsc wx free ind grp'
[ "$got" = "$expected" ] && pass "bash completion" || fail "bash completion gave: $got"

if [ "$gui" = 1 ]; then
  desktop="$root/share/applications/com.vexa.kelda.desktop"
  desktop-file-validate "$desktop" && pass "desktop-file-validate" || fail "desktop-file-validate"
  grep -qx 'Exec=kelda %f' "$desktop" || fail "desktop entry: Exec is not 'kelda %f'"
  grep -qx 'MimeType=application/x-kelda-clone;' "$desktop" || fail "desktop entry: MimeType"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  for size in scalable 48x48 256x256; do
    ext=png
    [ "$size" = scalable ] && ext=svg
    [ -f "$root/share/icons/hicolor/$size/apps/$icon.$ext" ] || fail "no $size icon $icon.$ext"
  done
  # The window reads its toolbar and tree icons from the data folder.
  for svg in data/icons/*.svg; do
    [ -f "$root/share/kelda/icons/$(basename "$svg")" ] || fail "no window icon $(basename "$svg")"
  done
  metainfo="$root/share/metainfo/com.vexa.kelda.metainfo.xml"
  appstreamcli validate --no-net "$metainfo" && pass "appstreamcli validate" ||
    fail "appstreamcli validate"
  grep -q '<launchable type="desktop-id">com.vexa.kelda.desktop</launchable>' "$metainfo" ||
    fail "metainfo does not launch the installed desktop entry"
fi

# The Debian package from its own hardened build (build-deb), then made again from that build:
# the same bytes both times.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 1700000000)}
debs=()
if first=$(scripts/package-deb.sh 2>&1 | tee "$work/package.log" | tail -n 1) && [ -f "$first" ]; then
  mkdir "$work/deb1"
  cp "$first" "$work/deb1/"
  (cd "$(dirname "$first")" && cpack -G DEB -B "$work/deb2" >"$work/cpack.log") || fail "cpack -G DEB"
  debs=("$work/deb1"/kelda_*.deb "$work/deb2"/kelda_*.deb)
else
  fail "scripts/package-deb.sh: $(tail -n 20 "$work/package.log")"
fi
if [ ${#debs[@]} -eq 2 ]; then
  deb=${debs[0]}
  cmp "${debs[@]}" && pass "the package made twice is the same: $(basename "$deb")" ||
    fail "the package made twice differs"

  # Debian's checker, as a packager runs it: every tag fails, notes too, unless the package's
  # overrides explain it.
  lintian -I --pedantic "$deb" >"$work/lintian.out" 2>&1 || true
  tags=$(grep -E '^[EWIPX]: ' "$work/lintian.out" || true)
  [ -z "$tags" ] && pass "lintian -I --pedantic" || fail "lintian:"$'\n'"$tags"

  # dpkg in a private root: an older version first (with a file the new one no longer has), the
  # upgrade, then purge. After each step the tree holds what dpkg lists and nothing else.
  droot="$work/dpkg root"
  mkdir -p "$droot/var/lib/dpkg/info" "$droot/var/lib/dpkg/updates" "$droot/var/lib/dpkg/triggers"
  touch "$droot/var/lib/dpkg/status"
  dpkg_root() {
    dpkg --root="$droot" --force-not-root --force-depends --force-script-chrootless \
         --log=/dev/null "$@" >>"$work/dpkg.log" 2>&1
  }
  tree_is_listed() {
    diff <(dpkg-query --root="$droot" -L kelda | grep -v '^/\.$' | sort) \
         <(cd "$droot" && find . -mindepth 1 -path ./var -prune -o -print | sed 's/^\.//' | sort) \
         >"$work/tree.diff"
  }
  old="$work/old"
  dpkg-deb -R "$deb" "$old"
  sed -i 's/^Version: .*/Version: 0.9.0/' "$old/DEBIAN/control"
  echo "<p>gone in the new version</p>" >"$old/usr/share/kelda/help/retired.html"
  (cd "$old" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
  dpkg-deb --root-owner-group -b "$old" "$work/kelda_0.9.0.deb" >/dev/null
  if dpkg_root -i "$work/kelda_0.9.0.deb" && tree_is_listed; then
    pass "dpkg installs the older version; the tree is what dpkg lists"
  else
    fail "dpkg install of the older version: $(cat "$work/tree.diff" "$work/dpkg.log")"
  fi
  if dpkg_root -i "$deb" && tree_is_listed && [ ! -e "$droot/usr/share/kelda/help/retired.html" ]; then
    pass "dpkg upgrades to $(basename "$deb"); the tree is what dpkg lists"
  else
    fail "dpkg upgrade: $(cat "$work/tree.diff" "$work/dpkg.log")"
  fi
  cli="$droot/usr/bin/kelda-cli"
  (cd "$work/run" && "$cli" new --model 4 -o "from package.kcf" &&
    [ "$("$cli" check "from package.kcf")" = ok ]) && pass "the packaged kelda-cli works" ||
    fail "the packaged kelda-cli"
  left=
  if dpkg_root --purge kelda && left=$(cd "$droot" && find . -mindepth 1 -path ./var -prune -o -print) &&
    [ -z "$left" ]; then
    pass "dpkg --purge leaves nothing behind"
  else
    fail "dpkg --purge left: $left $(cat "$work/dpkg.log")"
  fi
fi

if [ "$failures" -gt 0 ]; then
  echo "check-install: $failures check(s) failed" >&2
  exit 1
fi
echo "check-install: all checks passed"
