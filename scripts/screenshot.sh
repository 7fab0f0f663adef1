#!/usr/bin/env bash
# Screenshots of the window program.
#   scripts/screenshot.sh OUT.png [SECONDS]   starts kelda under a virtual display and saves the screen
#   scripts/screenshot.sh --all [FOLDER]      renders every sheet of the overlay (and the main window
#                                             on the channel list) to FOLDER/<sheet key>.png
# Needs xvfb and imagemagick (apt-get install xvfb imagemagick) and a build in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ "${1:-}" == "--all" ]]; then
  folder=${2:-/tmp/kelda-sheets}
  mkdir -p "$folder"
  cmake --build build --target test_gui >/dev/null
  run=(env KELDA_SCREENSHOT_DIR="$(cd "$folder" && pwd)")
  if command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1280x800x24" "${run[@]}" build/bin/test_gui \
      --gtest_filter='GridWindowTest.EverySheetBuildsAndPaints' >/dev/null
  else
    "${run[@]}" QT_QPA_PLATFORM=offscreen build/bin/test_gui \
      --gtest_filter='GridWindowTest.EverySheetBuildsAndPaints' >/dev/null
  fi
  echo "saved $(ls "$folder"/*.png | wc -l) pictures in $folder"
  exit 0
fi
out=${1:-/tmp/kelda.png}
wait_s=${2:-3}
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
  build/bin/kelda & pid=\$!
  sleep $wait_s
  import -window root '$out'
  kill \$pid; wait \$pid 2>/dev/null || true"
echo "saved $out"
