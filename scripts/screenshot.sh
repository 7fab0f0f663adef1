#!/usr/bin/env bash
# Starts kelda under a virtual display and saves a screenshot: scripts/screenshot.sh OUT.png [SECONDS]
# Needs xvfb and imagemagick (apt-get install xvfb imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-/tmp/kelda.png}
wait_s=${2:-3}
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
  build/bin/kelda & pid=\$!
  sleep $wait_s
  import -window root '$out'
  kill \$pid; wait \$pid 2>/dev/null || true"
echo "saved $out"
