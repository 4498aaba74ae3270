#!/usr/bin/env bash
# Installs what is missing, builds, runs every test.
#   scripts/test.sh              the normal build
#   scripts/test.sh --sanitize   a separate Debug build with AddressSanitizer (leaks
#                                included) and UndefinedBehaviorSanitizer
#   scripts/test.sh --windows    the Windows build (MinGW-w64), its tests run under Wine
#   scripts/test.sh --fresh      this command, run in a throwaway Debian 12 root on the
#                                committed tree, as a newcomer's machine runs it
set -euo pipefail
source "$(dirname "$0")/common.sh"
if [ "${1:-}" = "--fresh" ]; then
  shift
  exec "$ROOT/scripts/fresh-root.sh" "$@"
fi
if [ "${1:-}" = "--windows" ]; then
  shift
  use_windows_build
  ensure_packages "${WINDOWS_PACKAGES[@]}"
  build_windows
  # Wine passes no QT_* variable on, and Qt's offscreen platform on Windows has no fonts:
  # the tests draw real Wine windows on a virtual X display instead.
  xvfb-run -a -s "-screen 0 1024x768x24" \
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" "$@"
  exit
fi
if [ "${1:-}" = "--sanitize" ]; then
  shift
  BUILD_DIR="$ROOT/build-sanitize"
  flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
  CMAKE_ARGS=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS=$flags"
              "-DCMAKE_EXE_LINKER_FLAGS=$flags")
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
  export UBSAN_OPTIONS="print_stacktrace=1:${UBSAN_OPTIONS:-}"
fi
# The results server's tests start a PostgreSQL server of their own.
ensure_packages postgresql
build
QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" "$@"
