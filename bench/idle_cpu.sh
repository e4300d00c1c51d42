#!/usr/bin/env bash
# Measures the real client's CPU while it sits idle at a table with its 50 ms loop running:
# korvel-server seats it (no deal starts), and /proc gives the client's CPU time over 30 s.
# Usage: bench/idle_cpu.sh [BUILD_DIR] [SECONDS]   target: below 1% of one core.
set -euo pipefail
build=${1:-build}
seconds=${2:-30}
bin="$build/bin"
runtime=$(mktemp -d)
export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen KORVEL_DIALOGS=print
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$runtime"' EXIT

port=$((21000 + RANDOM % 10000))
"$bin/korvel-server" --open --lobby-port 0 --port "$port" --bots 2 --start-seconds 600 >/dev/null 2>&1 &
pids+=($!)
"$bin/korvel-lobby" --server "127.0.0.1:$port" --user idle --no-client --stay >/dev/null &
pids+=($!)
sleep 0.5
"$bin/korvel" "idle\$k\$127.0.0.1\$$port\$Bench\$0\$\$0\$\$\$0\$\$\$0\$0\$" 2>/dev/null &
client=$!
pids+=($client)
sleep 3  # log in and sit down

ticks() { awk '{print $14 + $15}' "/proc/$client/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
awk -v b="$before" -v a="$after" -v hz="$hz" -v s="$seconds" \
  'BEGIN { printf "korvel idle CPU: %.2f%% of one core over %d s\n", 100 * (a - b) / hz / s, s }'
