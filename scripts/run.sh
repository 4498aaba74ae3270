#!/usr/bin/env bash
# Installs what is missing, builds, starts the tool.
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_packages
build
exec "$BUILD_DIR/glow-panel"
