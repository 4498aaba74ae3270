#!/usr/bin/env bash
# Installs what is missing, builds, runs every test.
#   scripts/test.sh              the normal build
#   scripts/test.sh --sanitize   a separate Debug build with AddressSanitizer (leaks
#                                included) and UndefinedBehaviorSanitizer
set -euo pipefail
source "$(dirname "$0")/common.sh"
if [ "${1:-}" = "--sanitize" ]; then
  shift
  BUILD_DIR="$ROOT/build-sanitize"
  flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
  CMAKE_ARGS=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS=$flags"
              "-DCMAKE_EXE_LINKER_FLAGS=$flags")
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
  export UBSAN_OPTIONS="print_stacktrace=1:${UBSAN_OPTIONS:-}"
fi
ensure_packages
build
QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" "$@"
