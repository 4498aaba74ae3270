#!/usr/bin/env bash
# Takes a screenshot of the window under a virtual X server: scripts/screenshot.sh [out.png]
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_packages x11-apps imagemagick
build >/dev/null
out="${1:-$ROOT/docs/window.png}"
mkdir -p "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1" & app=$!
  sleep 2
  xwd -root -silent | convert xwd:- -crop 564x426+232+184 +repage "$2"
  kill $app' _ "$BUILD_DIR/glow-panel" "$out"
echo "$out"
