#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer) into
# BUILD_DIR (default build-fuzz) and runs each for SECONDS (default 10) on its corpus there, which
# starts as a copy of fuzz/corpus/<name> and keeps what the runs add. Fails on any finding: the
# input is left in BUILD_DIR/findings, the report in BUILD_DIR/fuzz_<name>.log.
#   scripts/fuzz.sh [SECONDS]        JOBS=n for the build (default: the number of processors);
#                                    DYT_DEBUG_INFO=lines keeps only line tables, with the
#                                    optimisation DYT_FUZZ_OPT (default -O2; -O1 builds faster)
set -euo pipefail
cd "$(dirname "$0")/.."

EACH="${1:-10}"
# The system's Qt is built without frame pointers: the sanitizer's fast unwinder then reads a new
# "stack" at many allocations and keeps every one, so that a long run grows until it is stopped
# for its memory. The runs keep no allocation stacks; a finding is run again on its input alone,
# without this, for the full report.
export ASAN_OPTIONS="${ASAN_OPTIONS:-malloc_context_size=0}"
BUILD_DIR="${BUILD_DIR:-build-fuzz}"
JOBS="${JOBS:-$(nproc)}"

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDYT_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ \
  ${DYT_DEBUG_INFO:+"-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=${DYT_FUZZ_OPT:--O2} -g1 -DNDEBUG"} >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS" --target dyt_fuzzers

mkdir -p "$BUILD_DIR/findings"
status=0
for seeds in fuzz/corpus/*/; do
  name="$(basename "$seeds")"
  corpus="$BUILD_DIR/corpus/$name"
  log="$BUILD_DIR/fuzz_$name.log"
  mkdir -p "$corpus"
  cp -r "$seeds." "$corpus"
  if "$BUILD_DIR/bin/fuzz_$name" -max_total_time="$EACH" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$BUILD_DIR/findings/$name-" "$corpus" >"$log" 2>&1; then
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
    rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
    echo "fuzz_$name: $runs runs, $rate/s, corpus $(find "$corpus" -type f | wc -l) inputs"
  else
    echo "fuzz_$name: FINDING (input in $BUILD_DIR/findings, report in $log)"
    grep -E -A 30 '^==[0-9]+==ERROR|runtime error|^SUMMARY|deadly signal|timeout' "$log" | head -n 60 || true
    status=1
  fi
done
exit "$status"
