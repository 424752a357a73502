#!/usr/bin/env bash
# Runs the operators' flows (the key- and mouse-driven window tests against a real dyt-server) in a
# real X display with a window manager, and saves a picture of the screen after every step of
# every flow, for review.
#
#   bash scripts/walk.sh [FOLDER]        pictures go to FOLDER (default: walk/)
#
# BUILD_DIR picks the build (default: build); WALK_FILTER narrows the flows (a gtest filter).
set -euo pipefail
cd "$(dirname "$0")/.."

OUT="$(realpath -m "${1:-walk}")"
export BUILD_DIR="${BUILD_DIR:-build}"
FILTER="${WALK_FILTER:-*Keyboard*:*ThroughTheMenu*:*NewCompany*:*BillHistory*}"

bash scripts/deps.sh
bash scripts/build.sh >/dev/null

rm -rf "$OUT"
mkdir -p "$OUT"

# A free display number.
DISPLAY_NUMBER=90
while [ -e "/tmp/.X${DISPLAY_NUMBER}-lock" ]; do DISPLAY_NUMBER=$((DISPLAY_NUMBER + 1)); done
export DISPLAY=":${DISPLAY_NUMBER}"
Xvfb "$DISPLAY" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
cleanup() {
  kill "${WM_PID:-}" "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do
  if [ -e "/tmp/.X11-unix/X${DISPLAY_NUMBER}" ]; then break; fi
  sleep 0.1
done
openbox >/dev/null 2>&1 &
WM_PID=$!
sleep 1

export QT_QPA_PLATFORM=xcb
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp}"
export DYT_WALK_DIR="$OUT"
export DYT_BIN_DIR="$PWD/$BUILD_DIR/bin"
status=0
for suite in dyt_tests_client dyt_tests_bills dyt_tests_queries; do
  bin="$BUILD_DIR/bin/$suite"
  [ -x "$bin" ] || bin="$(find "$BUILD_DIR" -name "$suite" -type f -perm -u+x | head -n 1)"
  [ -n "$bin" ] && [ -x "$bin" ] || continue
  echo "== $suite"
  "$bin" --gtest_filter="$FILTER" --gtest_brief=1 || status=1
done
echo "$(find "$OUT" -name '*.png' | wc -l) pictures in $OUT"
exit $status
