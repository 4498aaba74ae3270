#!/usr/bin/env bash
# Cross-builds glow-panel for 64-bit Windows with MinGW-w64 and packs it. The last two lines
# it prints are the portable zip and the installer.
#   scripts/build-windows.sh
# The Qt for Windows comes from ../shared/windows/qt-6.4.2-mingw64.tar.xz, unpacked into the
# build folder, or from the folder GLOW_PANEL_QT_WINDOWS names.
set -euo pipefail
source "$(dirname "$0")/common.sh"
use_windows_build
ensure_packages "${WINDOWS_PACKAGES[@]}"
build_windows >/dev/null
(cd "$BUILD_DIR" && cpack -B "$BUILD_DIR/package" >/dev/null)
ls -1 "$BUILD_DIR/package/glow-panel-"*-win64.zip "$BUILD_DIR/package/glow-panel-"*-win64-setup.exe
