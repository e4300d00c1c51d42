#!/usr/bin/env bash
# The client's and the server's five headline figures for one build, one after the other:
# launch to login record and first frame, seated memory, the record file's write at deals 1
# and 100, idle CPU with a full repaint, and bot-only deals per second on one core.
# Usage: bench/perf_report.sh [BUILD_DIR]   (the build needs korvel, korvel-server,
# korvel-lobby, the pictures, bench_settlement, bench_scene_paint and bench_server_deals)
set -euo pipefail
build=${1:-build}
here=$(dirname "$0")
echo "== $build, $(date -u '+%F %T') UTC, load average $(cut -d' ' -f1-3 /proc/loadavg)"
"$here/launch_time.sh" "$build" 5 | tail -n 1
"$here/seated_memory.sh" "$build" 10 | tail -n 1
"$build/bin/bench_settlement" --benchmark_filter=WriteNextDealRecord 2>/dev/null |
  awk '/_median/ { split($1, n, "/"); printf "record file write at deal %s: %s ms wall, %s ms CPU (median)\n", n[2], $2, $4 }'
"$here/idle_cpu.sh" "$build" 30
QT_QPA_PLATFORM=offscreen "$build/bin/bench_scene_paint" --benchmark_filter=FullRepaint \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null |
  awk '/_median/ { printf "full repaint: %s ms wall, %s ms CPU (median)\n", $2, $4 }'
taskset -c 0 "$build/bin/bench_server_deals" --benchmark_filter=BotOnly --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true 2>/dev/null |
  awk '/_median/ { for (i = 1; i <= NF; ++i) if ($i ~ /^deals_per_second=/) { sub(/deals_per_second=/, "", $i); printf "server bot-only deals on one core: %s per CPU second (median)\n", $i } }'
