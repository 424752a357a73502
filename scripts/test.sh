#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite (the server's on both engines).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
if [ "${DYT_SANITIZE:-OFF}" = "ON" ]; then
  export BUILD_DIR="${BUILD_DIR:-build-asan}"
else
  export BUILD_DIR="${BUILD_DIR:-build}"
fi
bash scripts/build.sh >/dev/null

# The server tests run on PostgreSQL too, on a private server that ends with the run.
PG_DIR="$(mktemp -d)"
trap 'bash scripts/pg-server.sh stop "$PG_DIR"; rm -rf "$PG_DIR"' EXIT
eval "$(bash scripts/pg-server.sh start "$PG_DIR")"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "${JOBS:-$(nproc)}" --timeout 600
