#!/usr/bin/env bash
# Builds the Debian package and prints its path.
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_packages dpkg-dev
build >/dev/null
out="$BUILD_DIR/package"
mkdir -p "$out"
(cd "$BUILD_DIR" && cpack -G DEB -B "$out" >/dev/null)
ls -1 "$out"/glow-panel_*.deb
