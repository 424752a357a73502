#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default: build, or build-asan with DYT_SANITIZE=ON);
# DYT_BUILD_BENCH=OFF leaves the benchmarks out; DYT_DEBUG_INFO=lines keeps only line tables in a
# Debug build (sanitizer reports still name file and line; objects and links are much smaller).
set -euo pipefail
cd "$(dirname "$0")/.."

SANITIZE="${DYT_SANITIZE:-OFF}"
if [ "$SANITIZE" = "ON" ]; then
  BUILD_DIR="${BUILD_DIR:-build-asan}"
  BUILD_TYPE="${BUILD_TYPE:-Debug}"
else
  BUILD_DIR="${BUILD_DIR:-build}"
  BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}"
fi
JOBS="${JOBS:-$(nproc)}"

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="$BUILD_TYPE" -DDYT_SANITIZE="$SANITIZE" \
  -DDYT_BUILD_BENCH="${DYT_BUILD_BENCH:-ON}" \
  ${DYT_WERROR:+-DDYT_WERROR=$DYT_WERROR} \
  ${DYT_DEBUG_INFO:+-DCMAKE_CXX_FLAGS_DEBUG=-g1} >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS"
echo "$BUILD_DIR"
