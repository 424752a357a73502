#!/usr/bin/env bash
# Installs what is missing, builds, and runs the application server on its embedded default
# database (data folder ./data), then the desktop client against it. With --demo the empty default
# account set and the demo account set "演示账套" (goods, partners, opening balances and three months
# of bills) are made first when the data folder does not hold them yet.
set -euo pipefail
cd "$(dirname "$0")/.."

DEMO=0
if [ "${1:-}" = "--demo" ]; then
  DEMO=1
  shift
fi

bash scripts/deps.sh
BUILD_DIR=$(bash scripts/build.sh | tail -n 1)
BIN="$BUILD_DIR/bin"
DATA_DIR="${DYT_DATA_DIR:-$PWD/data}"
# Port 211 is the system's own; below 1024 only root may listen, so others get 2110.
if [ "$(id -u)" -eq 0 ]; then DEFAULT_PORT=211; else DEFAULT_PORT=2110; fi
PORT="${DYT_PORT:-$DEFAULT_PORT}"
mkdir -p "$DATA_DIR"

SERVER_LOG="$(mktemp)"
"$BIN/dyt-server" --data "$DATA_DIR" --port "$PORT" > >(tee "$SERVER_LOG") &
SERVER_PID=$!
trap 'kill $SERVER_PID 2>/dev/null || true; wait $SERVER_PID 2>/dev/null || true; rm -f "$SERVER_LOG"' EXIT
# Ready once it says where it listens (at most 30 s).
for _ in $(seq 300); do
  if grep -q "listening on" "$SERVER_LOG" || ! kill -0 "$SERVER_PID" 2>/dev/null; then break; fi
  sleep 0.1
done
if ! grep -q "listening on" "$SERVER_LOG"; then
  echo "dyt-server did not start" >&2
  exit 1
fi

if [ "$DEMO" -eq 1 ]; then
  CLI=("$BIN/dyt-cli" --server "127.0.0.1:$PORT" --admin "${DYT_ADMIN:-sa:}")
  # The empty default account set stays on offer beside the demo.
  if ! "${CLI[@]}" profiles | cut -f1 | grep -qx "默认账套"; then
    "${CLI[@]}" create-profile 默认账套
  fi
  if ! "${CLI[@]}" profiles | cut -f1 | grep -qx "演示账套"; then
    echo "Building the demo account set 演示账套 ..."
    "${CLI[@]}" demo
  fi
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  DYT_SERVER="127.0.0.1:$PORT" DYT_DATA_DIR="$DATA_DIR" "$BIN/dyt-client" "$@" || true
else
  echo "No display: the server runs on port $PORT; press Ctrl+C to stop it."
  wait "$SERVER_PID"
fi
