#!/usr/bin/env bash
# Starting and leaving logging twenty times in a row, against the stand-ins:
# every start reaches the logging screen, every exit returns to the start
# screen, and no thread, descriptor or port is left behind.
set -euo pipefail

bin="${VELOX_BIN:?VELOX_BIN must name the folder of the programs}"
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
source "$(dirname "$0")/../../tools/xdrive.sh"

start_virtual_session "$work" || fail "Xvfb did not start"
start_stand_in "$bin" || fail "velox-sim registered no ports"
start_velox61lx2 "$bin" || fail "no program window"
sleep 1

threads() { ls "/proc/$program/task" | wc -l; }
descriptors() { ls "/proc/$program/fd" | wc -l; }

for cycle in $(seq 20); do
    press l
    # The readers run once the instrument's port is open in the program.
    wait_for 15 bash -c "[ \$(ls -l /proc/$program/fd | grep -c /dev/pts/) -ge 2 ]" ||
        fail "cycle $cycle: logging did not start"
    sleep 1
    press x
    wait_for 15 bash -c "[ \$(ls -l /proc/$program/fd | grep -c /dev/pts/) -eq 0 ]" ||
        fail "cycle $cycle: the ports stayed open after Exit"
    sleep 0.5
    if [ "$cycle" -eq 2 ]; then
        base_threads=$(threads)
        base_descriptors=$(descriptors)
    fi
done
final_threads=$(threads)
final_descriptors=$(descriptors)
[ "$final_threads" -le "$base_threads" ] || fail "threads grew from $base_threads to $final_threads"
[ "$final_descriptors" -le "$base_descriptors" ] || fail "descriptors grew from $base_descriptors to $final_descriptors"
press Left Return
wait_for 20 bash -c "! kill -0 $program 2>/dev/null" || fail "the program did not end"
echo "20 starts and exits: $final_threads threads and $final_descriptors descriptors, as after the second"
