#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
if [ "${DYT_SANITIZE:-OFF}" = "ON" ]; then
  export BUILD_DIR="${BUILD_DIR:-build-asan}"
else
  export BUILD_DIR="${BUILD_DIR:-build}"
fi
bash scripts/build.sh >/dev/null

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "${JOBS:-$(nproc)}" --timeout 600
