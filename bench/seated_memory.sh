#!/usr/bin/env bash
# Resident memory of the real client seated at a table: VmRSS 10 s after the server seated it
# (no deal started), and where it goes. Mappings are grouped by what they hold: Qt's libraries,
# the sound stack (Qt Multimedia, FFmpeg, PulseAudio, ALSA), other libraries and fonts, and
# the heap. The pictures' share is the difference against a launch with no pictures to load.
# Usage: bench/seated_memory.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
build=${1:-build}
seconds=${2:-10}
bin="$build/bin"
source "$(dirname "$0")/client_run.sh"
StartDisplay

# Seated RSS of one launch, in kB, with the breakdown printed to standard error.
Seated() {
  local logs
  logs=$(mktemp -d -p "$runtime")
  StartTable "$bin" "$logs" "memory"
  LaunchClient "$bin" "$logs" "memory"
  WaitForLine "$logs/server.log" "connection [0-9]*: table" >/dev/null || { echo "no seat" >&2; exit 1; }
  sleep "$seconds"
  awk '
    /^[0-9a-f]+-[0-9a-f]+ / { name = $6; next }
    /^Rss:/ {
      group = "heap and other anonymous memory"
      if (name ~ /libQt6(Multimedia|Network)|libav|libsw|libpulse|libasound|ffmpeg|libsnd/) group = "sound stack and network libraries"
      else if (name ~ /libQt6|qt6\/plugins/) group = "Qt libraries and plugins"
      else if (name ~ /\.so|\.ttf|\.ttc|\.otf|fontconfig|locale/) group = "other libraries, fonts, locale"
      else if (name ~ /^\//) group = "other files"
      kb[group] += $2
    }
    END { for (g in kb) printf "    %-36s %7.1f MB\n", g, kb[g] / 1024 }' "/proc/$client_pid/smaps" | sort >&2
  awk '/^VmRSS:/ { print $2 }' "/proc/$client_pid/status"
  # SMAPS_COPY=FILE keeps the whole map of the last launch for a closer look.
  if [[ -n ${SMAPS_COPY:-} ]]; then cp "/proc/$client_pid/smaps" "$SMAPS_COPY"; fi
  StopTable
}

echo "korvel seated memory ($display_kind, ${seconds} s seated, load average $(LoadAverage))"
echo "  with the picture set:"
full=$(Seated)
if [[ -n ${SMAPS_COPY:-} ]]; then cp "$SMAPS_COPY" "$SMAPS_COPY.full"; fi
echo "  without pictures (KORVEL_PICTURES pointing at an empty folder):"
empty_pictures=$(mktemp -d -p "$runtime")
bare=$(KORVEL_PICTURES="$empty_pictures" Seated)
awk -v f="$full" -v b="$bare" 'BEGIN {
  printf "VmRSS seated: %.1f MB (pictures %.1f MB, everything else %.1f MB)\n", f / 1024, (f - b) / 1024, b / 1024 }'
