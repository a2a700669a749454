#!/usr/bin/env bash
# A survey that meets trouble: the instrument is switched off and on again
# and the GPS falls silent while logging, then the program is killed
# outright. Logging goes on through both faults, the readings and positions
# resume in the same file, and the killed program leaves a file of whole
# records.
set -euo pipefail

bin="${VELOX_BIN:?VELOX_BIN must name the folder of the programs}"
work=$(mktemp -d)
pids=()

cleanup() {
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/dump.txt" ] && grep -v 'kind="reading"\|GPS continuation' "$work/dump.txt" | sed 's/^/  dump: /' | tail -30 >&2
    exit 1
}

source "$(dirname "$0")/../../tools/xdrive.sh"

start_virtual_session "$work" || fail "Xvfb did not start"
start_velox61lx2 "$bin" || fail "no program window"

# The stand-in's clock starts now: its faults come while the program logs.
start_stand_in "$bin" --fault em-off@25+4 --fault gps-off@38+8 || fail "velox-sim registered no ports"
sleep 1

log_to_new_file || fail "logging did not start"
sleep 50                                 # through both faults and back
kill -9 "$program"
wait "$program" 2>/dev/null || true

file=$(data_file)
size=$(stat -c %s "$file")
[ $((size % 27)) -eq 0 ] || fail "the killed program left a cut-off record ($size bytes)"
"$bin/velox-dump" "$file" >"$work/dump.txt" || fail "velox-dump found damaged records"

line_of() { grep -m 1 -n -- "$1" "$work/dump.txt" | cut -d: -f1; }
last_line_of() { grep -n -- "$1" "$work/dump.txt" | tail -n 1 | cut -d: -f1; }
break_line=$(line_of 'text="1CONN BRK 1"')
[ -n "$break_line" ] || fail "no connection-break event for the switched-off instrument"
[ "$(last_line_of 'kind="reading"')" -gt "$(last_line_of 'text="1CONN BRK 1"')" ] ||
    fail "readings did not resume after the instrument came back"
gps_break=$(line_of 'text="GPS CONN BR"')
[ -n "$gps_break" ] || fail "no GPS connection-break event"
[ "$(last_line_of 'status="p"')" -gt "$(last_line_of 'text="GPS CONN BR"')" ] ||
    fail "positions did not resume after the GPS came back"
echo "logging went on through both faults; the killed program left $((size / 27)) whole records"
