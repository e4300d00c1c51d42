#!/usr/bin/env bash
# Launch time of the real client: from starting the process to its login record reaching a
# loopback korvel-server (the server logs the seat it gives), and to the first paint of the
# table window (the client logs it when KORVEL_TIMING is set). Also when the server accepted
# the connection. Median of RUNS launches, each against a fresh server with two computer players.
# Usage: bench/launch_time.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-5}
bin="$build/bin"
source "$(dirname "$0")/client_run.sh"
export KORVEL_TIMING=1
StartDisplay
echo "korvel launch time ($display_kind, $runs launches, load average $(LoadAverage))"
connects=() logins=() frames=()
for run in $(seq "$runs"); do
  logs=$(mktemp -d -p "$runtime")
  StartTable "$bin" "$logs" "launch$run"
  LaunchClient "$bin" "$logs" "launch$run"
  connect=$(WaitForLine "$logs/server.log" "connection [0-9]* from") || Fail "no connection" "$logs"
  login=$(WaitForLine "$logs/server.log" "connection [0-9]*: table") || Fail "no login" "$logs"
  frame=$(WaitForLine "$logs/client.log" "first frame at") || Fail "no first frame" "$logs"
  connects+=("$(MsSinceLaunch "${connect%% *}")")
  logins+=("$(MsSinceLaunch "${login%% *}")")
  frames+=("$(MsSinceLaunch "$(awk '{ printf "%.6f", $NF / 1e6 }' <<<"$frame")")")
  echo "  run $run: connected ${connects[-1]} ms, login record ${logins[-1]} ms, first frame ${frames[-1]} ms"
  StopTable
done
printf 'median: connected %s ms, login record %s ms, first frame %s ms\n' \
  "$(printf '%s\n' "${connects[@]}" | Median)" "$(printf '%s\n' "${logins[@]}" | Median)" \
  "$(printf '%s\n' "${frames[@]}" | Median)"
