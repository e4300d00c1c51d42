#!/usr/bin/env bash
# Cuts the real client's connection 50 times during a game against korvel-server's computer
# players, through a loopback relay (bench/drop_relay.py), and counts how often it healed: the
# server took it back, and the client never lost track of its table (it checks every record it
# takes against the table and would reconnect again to resynchronise). The client plays by itself
# on time-out, so its clock races the server's: the answers the server ignored as late are shown,
# not counted as faults.
# Usage: bench/drop_soak.sh [BUILD_DIR] [CUTS]
set -euo pipefail
build=${1:-build}
cuts=${2:-50}
bin="$build/bin"
here=$(cd "$(dirname "$0")" && pwd)
# The logs stay in BUILD_DIR/drop-soak for a look at what did not heal.
work="$(cd "$build" && pwd)/drop-soak"
rm -rf "$work"
mkdir -p "$work"
chmod 700 "$work"
export XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen KORVEL_DIALOGS=print
export KORVEL_LOG="$work/client.log" HOME="$work"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null' EXIT

server_port=$((21000 + RANDOM % 10000))
relay_port=$((server_port + 1))
"$bin/korvel-server" --open --lobby-port 0 --port "$server_port" --bots 2 --start-seconds 1 --turn-seconds 3 \
  --reconnect-seconds 300 >"$work/server.log" 2>&1 &
pids+=($!)
python3 "$here/drop_relay.py" "$relay_port" "$server_port" "$cuts" 4 12 >"$work/relay.log" &
relay=$!
pids+=($relay)
"$bin/korvel-lobby" --server "127.0.0.1:$relay_port" --user soak --no-client --stay >/dev/null &
pids+=($!)
sleep 0.5
"$bin/korvel" "soak\$k\$127.0.0.1\$$relay_port\$Bench\$0\$\$0\$\$\$0\$\$\$0\$0\$" \
  2>"$work/client.err" &
client=$!
pids+=($client)

until [ "$(grep -c '^cut ' "$work/relay.log" || true)" -ge "$cuts" ]; do sleep 1; done
sleep 15  # the last reconnection
alive=yes
kill -0 "$client" 2>/dev/null || alive=no
done_cuts=$(grep -c '^cut ' "$work/relay.log" || true)
healed=$(grep -c "reconnected: the server's snapshot follows" "$work/client.log" || true)
lost=$(grep -c "lost track" "$work/client.log" || true)
ignored=$(grep -c "record ignored" "$work/server.log" || true)
grep "record ignored" "$work/server.log" || true
echo "drop soak: $done_cuts cuts, $healed healed, $lost times the client lost track," \
  "$ignored client records the server ignored, client still running: $alive"
[ "$healed" -ge "$done_cuts" ] && [ "$lost" -eq 0 ] && [ "$alive" = yes ]
