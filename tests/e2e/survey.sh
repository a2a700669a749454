#!/usr/bin/env bash
# A survey as an operator logs it: velox-sim plays the EM61-LX2 and the GPS
# receiver on their serial ports, and velox61lx2 on a virtual screen is
# driven by its keys: Logging, File (accepting the proposed name), Go, a
# stretch of logging, pause, Quick Line, a comment, Go, pause, Exit. The
# data file is then read back with velox-dump.
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
    for log in program sim; do
        [ -f "$work/$log.log" ] && sed "s/^/  $log: /" "$work/$log.log" | grep -v 'No audio device' | tail -20 >&2
    done
    [ -f "$work/dump.txt" ] && sed 's/^/  dump: /' "$work/dump.txt" | tail -30 >&2
    exit 1
}

source "$(dirname "$0")/../../tools/xdrive.sh"

start_virtual_session "$work" || fail "Xvfb did not start"
start_stand_in "$bin" || fail "velox-sim registered no ports"
start_velox61lx2 "$bin" || fail "no program window"
sleep 1

records() { stat -c %s "$(data_file)" 2>/dev/null | awk '{print int($1 / 27)}'; }
more_records_than() { [ "$(records)" -gt "$1" ]; }

log_to_new_file || fail "logging did not start"
wait_for 30 more_records_than 80 || fail "logging wrote too little"
sleep 4
press space                              # pause
sleep 1
press_until_dialog q 'Quick Line' || fail "no Quick Line question"
confirm_dialog 'Quick Line' || fail "Quick Line not answered"            # Yes
sleep 1
press_until_dialog c 'Enter Comment' || fail "no comment dialog"
in_dialog 'Enter Comment' type "wet ground"
confirm_dialog 'Enter Comment' || fail "the comment dialog did not close"
sleep 1
press g
sleep 4
press space
sleep 1
press_until_dialog x 'Confirm Exit' || fail "no exit question"
confirm_dialog 'Confirm Exit' || fail "Confirm Exit not answered"          # Yes
sleep 2
kill -0 "$program" 2>/dev/null || fail "the program ended when logging was left"
press Left Return                        # back on the start screen: Exit
wait_for 20 bash -c "! kill -0 $program 2>/dev/null" || fail "the program did not end"
set +e
wait "$program"
code=$?
set -e
[ $code -eq 0 ] || fail "the program ended with exit code $code"

file=$(data_file)
"$bin/velox-dump" "$file" >"$work/dump.txt" || fail "velox-dump found damaged records"
count() { grep -c -- "$1" "$work/dump.txt" || true; }

grep -q '^index=0  type="VLXLX2  W"' "$work/dump.txt" || fail "no header tag"
[ "$(count 'text="\$STARTED"')" -eq 2 ] || fail "expected two \$STARTED events"
[ "$(count 'text="PAUSED"')" -eq 2 ] || fail "expected two PAUSED events"
[ "$(count 'kind="line"')" -eq 2 ] || fail "expected the first line and the quick line"
grep -q 'kind="line"  text="2.00"' "$work/dump.txt" || fail "the quick line is not 2.00"
grep -q 'kind="comment"  text="wet ground"' "$work/dump.txt" || fail "the comment is missing"
readings=$(count 'kind="reading"')
[ "$readings" -ge 30 ] || fail "only $readings readings"
fixes=$(count 'kind="GPS trailer".*status="p"')
[ "$fixes" -ge 5 ] || fail "only $fixes GPS positions"
grep -q 'kind="UTM easting"  zone=32  easting=500000' "$work/dump.txt" || fail "no UTM reference of the first fix"
# No reading before the first start of logging.
first_start=$(grep -m 1 -n 'text="\$STARTED"' "$work/dump.txt" | cut -d: -f1)
first_reading=$(grep -m 1 -n 'kind="reading"' "$work/dump.txt" | cut -d: -f1)
[ "$first_reading" -gt "$first_start" ] || fail "a reading before \$STARTED"
echo "survey logged: $readings readings, $fixes positions"
