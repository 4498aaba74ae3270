#!/usr/bin/env bash
# Installs what is missing, builds, starts the tool.
#   scripts/run.sh          the tool on the real ports
#   scripts/run.sh --demo   COM 1 is a virtual loopback plug: what you send comes back
# Options after these go to the tool, e.g. scripts/run.sh --demo --run examples/loopback.seq
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_packages
build
if [ "${1:-}" != "--demo" ]; then
  exec "$BUILD_DIR/glow-panel" "$@"
fi
shift

dir="$(mktemp -d)"
helper="" tool=""
cleanup() {
  [ -n "$tool" ] && kill "$tool" 2>/dev/null || true
  [ -n "$helper" ] && kill "$helper" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

"$ROOT/scripts/loopback.sh" "$dir/COM1" & helper=$!
for _ in $(seq 50); do [ -e "$dir/COM1" ] && break; sleep 0.1; done
echo "Demo: COM 1 is a loopback plug at $dir/COM1. Open it, type some text, press SEND." >&2
GLOW_PANEL_COM1="$dir/COM1" "$BUILD_DIR/glow-panel" "$@" & tool=$!
status=0
wait "$tool" || status=$?
tool=""
exit "$status"
