#!/usr/bin/env bash
# Builds the benchmarks and prints one table of the figures the server and the client are held
# to, each next to the raw engine measured in the same run, with its target. Run it on an idle
# machine: the ratios hold there; under load, disk and processor waits blur them.
#   scripts/bench.sh                 the usual sizes (about ten minutes on two cores)
#   BENCH_FULL=1 scripts/bench.sh    history of 100 000 bills; stock status on 100 000 goods and
#                                    1 000 000 bill lines (the large set is built once, for an hour)
# BUILD_DIR (default build) and JOBS (default: the number of processors) as for the build.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
JOBS="${JOBS:-$(nproc)}"
FULL="${BENCH_FULL:-0}"

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDYT_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS" --target dyt-server dyt-bench-posting dyt-bench-server \
  dyt-bench-cache dyt-bench-stockstatus dyt-bench-common >/dev/null
bin="$BUILD_DIR/bin"
logs="$(mktemp -d)"
trap 'rm -rf "$logs"' EXIT

history="1000,10000"
goods=20000 warehouses=20 lines=200000
if [ "$FULL" = 1 ]; then
  history="1000,10000,100000"
  goods=100000 lines=1000000
fi

echo "running: posting ..." >&2
"$bin/dyt-bench-posting" 1000 >"$logs/posting"
"$bin/dyt-bench-posting" --history "$history" >"$logs/history"
"$bin/dyt-bench-posting" --clients 20 --seconds 20 >"$logs/clients"
echo "running: server ..." >&2
"$bin/dyt-bench-server" 100000 5000 >"$logs/server"
echo "running: cache ..." >&2
"$bin/dyt-bench-cache" 20000 5000 2000 >"$logs/cache"
echo "running: stock status ..." >&2
"$bin/dyt-bench-stockstatus" "$goods" "$warehouses" "$lines" >"$logs/stock"
echo "running: packets ..." >&2
"$bin/dyt-bench-common" --benchmark_filter='Wide' --benchmark_format=csv 2>/dev/null \
  >"$logs/wide"

row() { printf '| %-46s | %-58s | %-9s |\n' "$1" "$2" "$3"; }
num() { sed -n "$1" "$2" | head -n 1; }

echo
row "Path" "Figure (ratio to the raw engine)" "Target"
row "----" "------" "------"
for kind in purchases sales; do
  r="$(num "s/^ *$kind *in process *\([0-9.]*\) bills\/s.*raw SQLite *\([0-9.]*\) bills\/s.*/\1 vs \2/p" "$logs/posting")"
  in="${r% vs *}" raw="${r#* vs }"
  row "$kind posted through the service, in process" \
    "$in/s vs raw $raw/s = $(awk -v a="$in" -v b="$raw" 'BEGIN{printf "%.2f", a/b}')x" ">= 0.5x"
done
first=""
while read -r h rate ratio cpu; do
  [ -z "$first" ] && first="$rate"
  row "sales after $h bills of history" \
    "$rate/s = ${ratio}x raw (${cpu}x by cpu), $(awk -v a="$rate" -v b="$first" 'BEGIN{printf "%.0f", 100*a/b}')% of the first" \
    "flat, >= 0.5x"
done < <(sed -n 's/^ *history *\([0-9]*\) *\([0-9.]*\) bills\/s *in process\/raw *\([0-9.]*\).*in process\/raw *\([0-9.]*\).*/\1 \2 \3 \4/p' "$logs/history")
echo_us="$(num 's/^echo round trips:.*(\([0-9.]*\) us each).*/\1/p' "$logs/server")"
bare_us="$(num 's/^bare TCP echo.*(\([0-9.]*\) us each).*/\1/p' "$logs/server")"
row "echo round trip vs bare TCP echo" \
  "$echo_us us vs $bare_us us = $(awk -v a="$echo_us" -v b="$bare_us" 'BEGIN{printf "%.2f", a/b}')x" "<= 1.5x"
row "ExecQuery rows over loopback vs in process" \
  "$(num 's/^loopback \/ in-process ratio: *\([0-9.]*\).*/\1/p' "$logs/server")x" ">= 0.7x"
full="$(num 's/^first full synchronisation: *\([0-9.]* ms\).*/\1/p' "$logs/cache")"
copy="$(num 's/^ *same rows, SQLite to SQLite: *\([0-9.]* ms\) *ratio *\([0-9.]*\).*/\1 = \2x/p' "$logs/cache")"
row "cache first sync vs SQLite-to-SQLite copy" "$full vs $copy" "<= 1.5x"
plain="$(num 's/^plain SELECT of the stock per goods *best *\([0-9.]*\) ms.*/\1/p' "$logs/stock")"
for what in "top category level" "one category level" "flat list of all goods"; do
  best="$(num "s/^DQKCNEW $what.*best *\([0-9.]*\) ms.*/\1/p" "$logs/stock")"
  row "stock status, $what" \
    "$best ms vs $plain ms = $(awk -v a="$best" -v b="$plain" 'BEGIN{printf "%.1f", a/b}')x" "<= 3x"
done
lat="$(num 's/^ *latency p50 \([0-9.]*\) ms *p99 \([0-9.]*\) ms *max \([0-9.]*\) ms/p50 \1, p99 \2, max \3 ms/p' "$logs/clients")"
row "20 clients posting on the same goods" "$lat" "p99 <= 100 ms"
for what in WidePacketDecode WideParamList; do
  per="$(awk -F, -v w="$what" '$1 ~ w {gsub(/"/,"",$1); n=$1; sub(/.*\//,"",n); printf "%s: %.2f us/field  ", n, $4/n*1000}' "$logs/wide")"
  row "$what, 10k/20k/40k fields" "$per" "linear"
done
echo
echo "(stock status on $goods goods x $lines lines; full outputs: rerun the dyt-bench-* programs)"
