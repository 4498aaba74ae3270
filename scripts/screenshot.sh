#!/usr/bin/env bash
# Takes a screenshot under a virtual X server:
#   scripts/screenshot.sh [out.png]            the window, with COM 1 open on a loopback plug
#                                              (so the buttons show both states) and the
#                                              device's reply in the receive box
#   scripts/screenshot.sh --station [out.png]  the operator's board on four devices: one
#                                              passes, one fails a check, one asks for its
#                                              serial number, one is pulled mid-run
#   scripts/screenshot.sh --yield [out.png]    the Results view's Yield tab over a store of
#                                              two weeks of made-up runs, and beside it
#                                              (out-page.png) the top of the page --yield
#                                              --html writes, if chromium is at hand
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_packages x11-apps imagemagick xdotool
build >/dev/null
mode=window
case "${1:-}" in
  --station | --yield)
    mode="${1#--}"
    shift
    ;;
esac
out="${1:-$ROOT/docs/$mode.png}"
mkdir -p "$(dirname "$out")"
dir="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$dir"' EXIT
wait_for() { for _ in $(seq 50); do [ -e "$1" ] && break; sleep 0.1; done; }

if [ "$mode" = window ]; then
  "$ROOT/scripts/loopback.sh" "$dir/COM1" &
  wait_for "$dir/COM1"
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
  exit 0
fi

if [ "$mode" = yield ]; then
  "$BUILD_DIR/bench/glow_bench" --make-store "$dir/results.sqlite" 20000 14
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$1" --results "$3" & app=$!
    sleep 2
    w="$(xdotool search --name "GLOW_PANEL" | head -1)"
    xdotool windowfocus --sync "$w" key F9   # the Results view, at 0,0 without a window manager
    sleep 1
    xdotool mousemove 104 23 click 1        # its Yield tab
    sleep 2
    w="$(xdotool search --name " - GLOW_PANEL" | head -1)"   # in any language
    import -window "$w" "$2"
    kill $app' _ "$BUILD_DIR/glow-panel" "$out" "$dir/results.sqlite"
  echo "$out"
  if command -v chromium >/dev/null; then
    page="${out%.png}-page.png"
    "$BUILD_DIR/glow-panel" --results "$dir/results.sqlite" --yield \
      --since "$(date -d '-13 days' +%F)" --html "$dir/yield.html" >/dev/null
    chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
      --disable-component-update --disable-sync --user-data-dir="$dir/chromium" \
      --window-size=900,1100 --screenshot="$page" "file://$dir/yield.html" 2>/dev/null
    echo "$page"
  fi
  exit 0
fi

mkdir "$dir/dev"
"$ROOT/scripts/loopback.sh" "$dir/dev/ttyUSB0" &
# Reads a temperature out of its limits.
socat pty,raw,echo=0,link="$dir/dev/ttyUSB1" SYSTEM:'sed -u s/T=31.5C/T=55.0C/' &
"$ROOT/scripts/loopback.sh" "$dir/dev/ttyUSB2" &
# Answers late, and is pulled before it does.
socat pty,raw,echo=0,link="$dir/dev/ttyUSB3" SYSTEM:'sleep 5; cat' & pulled=$!
for d in 0 1 2 3; do wait_for "$dir/dev/ttyUSB$d"; done
export pulled
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1" --station "$3" --com1 "$4/ttyUSB0,$4/ttyUSB1,$4/ttyUSB2,$4/ttyUSB3" \
    --set serial@ttyUSB0=GP240117 --set serial@ttyUSB1=GP240118 \
    --set serial@ttyUSB3=GP240120 & app=$!
  sleep 2
  w="$(xdotool search --name "GLOW_PANEL" | head -1)"
  xdotool windowfocus --sync "$w" key F5   # Start all
  sleep 0.2
  kill $pulled
  sleep 1
  xdotool type "GP2401"                 # the scanner, halfway through unit 3
  sleep 0.5
  import -window "$w" "$2"
  kill $app' _ "$BUILD_DIR/glow-panel" "$out" "$ROOT/examples/measure.seq" "$dir/dev"
echo "$out"
