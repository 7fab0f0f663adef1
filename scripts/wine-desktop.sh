# Wine on a virtual display, shared by scripts/windows-check.sh and bench/windows-start.sh.
# Source it, then:
#   wine_prefix DIR     a fresh Wine prefix in DIR, its server started (WINEPREFIX exported)
#   wine_restart        the prefix's server started anew (it reads its registry keys again)
#   wine_display DIR    an Xvfb display of 1280x800 (DISPLAY exported), its number in DIR/display
#   wine_fonts          a sans-serif face for the names Windows programs ask for
#   wine_stop           the server of the prefix and the display stopped
# wine and wineserver name the programs.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(dirname "$wine")/wineserver
wine_xvfb_pid=""

# The server of the prefix, started by us so that its own output goes to a log, not to ours.
wine_server() { "$wineserver" -p >>"$WINEPREFIX.server.log" 2>&1; }

wine_prefix() {
  # Headless: no Mono or Gecko installers, no display needed for console programs.
  export WINEPREFIX=$1 WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
  mkdir -p "$WINEPREFIX"
  wine_server
  "$wine" wineboot -i >/dev/null 2>&1
}

wine_restart() {
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w
  wine_server
}

wine_display() {
  local dir=$1
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  wine_xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.05; done
  [ -s "$dir/display" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(head -n1 "$dir/display")"
  # Wine's desktop process starts anew on the display.
  wine_restart
}

# Wine's stand-ins for the Windows UI fonts would otherwise fall back to a serif face.
wine_fonts() {
  local fonts='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts'
  cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
    /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  "$wine" reg add "$fonts" /v 'DejaVu Sans (TrueType)' /t REG_SZ /d DejaVuSans.ttf /f >/dev/null
  "$wine" reg add "$fonts" /v 'DejaVu Sans Bold (TrueType)' /t REG_SZ /d DejaVuSans-Bold.ttf \
    /f >/dev/null
  local face
  for face in 'MS Shell Dlg' 'MS Shell Dlg 2' 'Tahoma' 'Segoe UI' 'Microsoft Sans Serif' 'Arial'; do
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ \
      /d 'DejaVu Sans' /f >/dev/null
  done
  wine_restart
}

wine_stop() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && "$wineserver" -k >/dev/null 2>&1 || true
  [ -n "$wine_xvfb_pid" ] && kill "$wine_xvfb_pid" 2>/dev/null || true
  wine_xvfb_pid=""
}
