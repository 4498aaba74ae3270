#!/usr/bin/env bash
# Builds and runs the benchmark; prints one Markdown table. Pass --quick for a short run.
# The side-by-side rows run the tool and picocom in xterm, each on a virtual X server of its own.
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_packages xterm picocom xdotool
build >/dev/null
QT_QPA_PLATFORM=offscreen "$BUILD_DIR/bench/glow_bench" "$@" 2>/dev/null
