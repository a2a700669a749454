#!/usr/bin/env bash
# Measures what logging costs a field laptop: runs velox-sim and velox61lx2
# on a virtual screen at real time, starts logging by the program's keys, and
# reports the program's CPU use while logging, its resident memory, and the
# delay from a frame's arrival to its reading record in the file.
#   tools/measure-logging.sh [SECONDS] [BUILD]   (60, build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bin=${2:-build/default}/bin
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
source tools/xdrive.sh

start_virtual_session "$work"
start_stand_in "$bin"
start_velox61lx2 "$bin"

log_to_new_file
sleep 5

cpu_ticks() { awk '{print $14 + $15}' "/proc/$program/stat"; }
start_ticks=$(cpu_ticks)
start=$(date +%s.%N)
"$bin/velox-record-latency" "$(data_file)" "$seconds"
end_ticks=$(cpu_ticks)
end=$(date +%s.%N)
awk -v t="$((end_ticks - start_ticks))" -v hz="$(getconf CLK_TCK)" -v s="$start" -v e="$end" \
    'BEGIN { printf "CPU while logging: %.2f %% of one core over %.0f s\n", 100 * t / hz / (e - s), e - s }'
awk '/VmRSS|VmHWM/ { printf "%s %s %s\n", $1, $2, $3 }' "/proc/$program/status"
records=$(( $(stat -c %s "$(data_file)") / 27 ))
echo "data file: $records records"
