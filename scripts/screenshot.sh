#!/usr/bin/env bash
# Takes a screenshot of the window under a virtual X server, with COM 1 open on a loopback
# plug (so the buttons show both states) and the device's reply in the receive box:
#   scripts/screenshot.sh [out.png]
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_packages x11-apps imagemagick xdotool
build >/dev/null
out="${1:-$ROOT/docs/window.png}"
mkdir -p "$(dirname "$out")"
dir="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$dir"' EXIT
"$ROOT/scripts/loopback.sh" "$dir/COM1" &
for _ in $(seq 50); do [ -e "$dir/COM1" ] && break; sleep 0.1; done
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1" --com1 "$3" & app=$!
  sleep 2
  xdotool mousemove 296 266 click 1     # 開啟 Com Port
  sleep 0.3
  xdotool mousemove 300 330 click 1 type "OK 嵐樺翔昱"
  xdotool mousemove 453 330 click 1     # SEND: the plug sends it back
  xdotool mousemove 700 600
  sleep 0.5
  xwd -root -silent | convert xwd:- -crop 564x426+232+184 +repage "$2"
  kill $app' _ "$BUILD_DIR/glow-panel" "$out" "$dir/COM1"
echo "$out"
