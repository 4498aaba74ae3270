#!/usr/bin/env bash
# Installs what is missing, builds, runs every test.
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_packages
build
QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" "$@"
