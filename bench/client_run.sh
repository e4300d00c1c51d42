# Shared by the client benchmarks: a display, and one client launched against its own loopback
# korvel-server --bots 2 (and a lobby), with the server's log lines stamped as they arrive.
# Source it; it defines StartDisplay, StartTable, LaunchClient, WaitForLine and StopTable.

runtime=$(mktemp -d)
export XDG_RUNTIME_DIR="$runtime" KORVEL_DIALOGS=print
table_pids=()
display_pid=""

CleanUp() {
  StopTable
  if [[ -n $display_pid ]]; then kill "$display_pid" 2>/dev/null || true; fi
  rm -rf "$runtime"
}
trap CleanUp EXIT

# A real X server when Xvfb is installed and no display is given; offscreen otherwise.
StartDisplay() {
  if [[ -z ${DISPLAY:-} ]] && command -v Xvfb >/dev/null; then
    local n=$((100 + RANDOM % 400))
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    display_pid=$!
    export DISPLAY=":$n"
    unset QT_QPA_PLATFORM
    for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done
    display_kind="Xvfb $DISPLAY"
  elif [[ -n ${DISPLAY:-} ]]; then
    display_kind="display $DISPLAY"
  else
    export QT_QPA_PLATFORM=offscreen
    display_kind="offscreen"
  fi
}

# Prefixes each line with the moment it was read (seconds since the epoch, microseconds).
Stamp() { while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done; }

# StartTable BIN_DIR LOG_DIR USER: a server that seats USER with two computer players and never
# starts the deal, and a lobby for the client to talk to.
StartTable() {
  local bin=$1 logs=$2 user=$3
  port=$((21000 + RANDOM % 11000))  # the launch line holds a signed 16-bit port
  "$bin/korvel-server" --open --lobby-port 0 --port "$port" --bots 2 --start-seconds 600 2> >(Stamp >"$logs/server.log") &
  table_pids+=($!)
  "$bin/korvel-lobby" --server "127.0.0.1:$port" --user "$user" --no-client --stay >/dev/null 2>&1 &
  table_pids+=($!)
  for _ in $(seq 100); do
    grep -q "listening\|port $port" "$logs/server.log" 2>/dev/null && break
    sleep 0.05
  done
  sleep 0.3
}

# LaunchClient BIN_DIR LOG_DIR USER: starts korvel, sets launch_start and client_pid.
LaunchClient() {
  local bin=$1 logs=$2 user=$3
  launch_start=$EPOCHREALTIME
  KORVEL_LOG="$logs/client.log" "$bin/korvel" \
    "$user\$k\$127.0.0.1\$$port\$Bench\$0\$\$0\$\$\$0\$\$\$0\$0\$" 2>/dev/null &
  client_pid=$!
  table_pids+=($client_pid)
}

# WaitForLine FILE PATTERN [SECONDS]: the first matching line, or failure after the time.
WaitForLine() {
  local file=$1 pattern=$2 limit=${3:-10}
  for _ in $(seq $((limit * 50))); do
    if line=$(grep -m1 -- "$pattern" "$file" 2>/dev/null); then
      echo "$line"
      return 0
    fi
    sleep 0.02
  done
  return 1
}

StopTable() {
  local pid
  for pid in "${table_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${table_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  table_pids=()
}

# Milliseconds from `launch_start` to a stamp in seconds.
MsSinceLaunch() { awk -v a="$launch_start" -v b="$1" 'BEGIN { printf "%.1f", (b - a) * 1000 }'; }

Median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Fail WHY LOG_DIR: the logs of the failed launch, then the end.
Fail() {
  echo "$1; server and client logs:" >&2
  cat "$2/server.log" "$2/client.log" >&2 2>/dev/null || true
  exit 1
}

LoadAverage() { cut -d' ' -f1-3 /proc/loadavg; }
