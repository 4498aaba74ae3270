#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, AddressSanitizer and UBSan, and runs each
# for SECONDS (default 60) from its seed corpus in tests/fuzz/corpus/<target>/. Prints one
# line per target; exits non-zero on any finding, whose reproducer is kept in
# build-fuzz/findings/<target>/.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
source "$(dirname "$0")/common.sh"
seconds="${1:-60}"
BUILD_DIR="$ROOT/build-fuzz"
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
CMAKE_ARGS=(-DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo
            -DGLOW_FUZZ=ON -DBUILD_TESTING=OFF "-DCMAKE_CXX_FLAGS=$flags"
            "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined")
ensure_packages clang-14 libclang-rt-14-dev
build >/dev/null
export ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}" UBSAN_OPTIONS="print_stacktrace=1:${UBSAN_OPTIONS:-}"
status=0
for target in fuzz_receive fuzz_send fuzz_commandline fuzz_settings fuzz_monitor fuzz_sequence; do
  work="$BUILD_DIR/corpus/$target" findings="$BUILD_DIR/findings/$target"
  rm -rf "$findings"
  mkdir -p "$work" "$findings"
  log="$BUILD_DIR/$target.log"
  set +e
  "$BUILD_DIR/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$ROOT/tests/fuzz/corpus/$target" \
    >"$log" 2>&1
  code=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2 || true)
  crashes=$(find "$findings" -type f | wc -l)
  printf '%-17s runs %s, coverage %s edges, findings %s\n' "$target" "${runs:-0}" "${cov:-0}" "$crashes"
  if [ "$code" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    status=1
    tail -30 "$log"
  fi
done
exit $status
