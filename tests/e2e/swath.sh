#!/usr/bin/env bash
# The survey drawn on the map: velox-sim walks lines 2 m apart over buried
# targets with a two-sensor EM61-LX2, and velox61lx2 logs it. On a landscape
# screen the map must show the coloured swath and the data file's swath
# records must trace the walked lines with bars of the configured width; on a
# portrait screen the logging screen is pictured with and without the map
# ("Toggle View"). The pictures go to VELOX_SCREENSHOT_DIR.
set -euo pipefail

bin="${VELOX_BIN:?VELOX_BIN must name the folder of the programs}"
shots="${VELOX_SCREENSHOT_DIR:-}"
work=$(mktemp -d)
pids=()

stop_session() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    pids=()
}
cleanup() {
    stop_session
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for log in program sim; do
        [ -f "$work/$log.log" ] && sed "s/^/  $log: /" "$work/$log.log" | grep -v 'No audio device' | tail -20 >&2
    done
    exit 1
}

source "$(dirname "$0")/../../tools/xdrive.sh"

# Objects under the first two lines, strong enough to colour the late channel
# on the default scale of 0 to 2000 mV.
targets="0.3,8,0.2,2500,0.8;-0.4,16,0.3,1200,0.7;0.6,24,0.2,4000,0.6;2.2,30,0.3,3000,0.7;1.8,14,0.2,2000,0.8"

picture() { [ -z "$shots" ] || { mkdir -p "$shots" && screenshot "$shots/$1.png"; }; }

# Starts a session on a screen of size $1, opens a data file and starts logging.
log_survey() {
    rm -rf "$work/data" "$work/home"
    start_virtual_session "$work" "$1" || fail "Xvfb did not start"
    # Twice as fast as walking: a 40 m line in 20 s.
    start_stand_in "$bin" --speed 2 --seed 3 --targets "$targets" || fail "velox-sim registered no ports"
    start_velox61lx2 "$bin" || fail "no program window"
    sleep 1
    log_to_new_file || fail "logging did not start"
}

# Pauses, and pictures the logging screen without the map as $1.
picture_without_map() {
    press space
    sleep 1
    press m
    sleep 1
    press v                               # "Toggle &View"
    sleep 2
    picture "$1"
    press m
    sleep 1
    press v
    sleep 1
}

# Leaves the program from Stand By.
end_survey() {
    press_until_dialog x 'Confirm Exit' || fail "no exit question"
    confirm_dialog 'Confirm Exit' || fail "Confirm Exit not answered"
    sleep 1
    press Left Return
    wait_for 20 bash -c "! kill -0 $program 2>/dev/null" || fail "the program did not end"
}

# --- landscape: the swath on the map and in the file
log_survey 1024x768
sleep 35
picture swath-landscape-map
picture_without_map swath-landscape-profiles
end_survey
file=$(data_file)
"$bin/velox-dump" "$file" >"$work/dump.txt" || fail "velox-dump found damaged records"
stop_session

grep -q 'type="{0"' "$work/dump.txt" || fail "no swath start record"
# Each bar: the four values of "{e".."{h" (the first pair also "{a".."{d").
# Two EM61-LX2 coils of 1.03 m at the default swath factor 1.0: 2.06 m wide.
awk '
    /type="\{[a-h]"/ {
        match($0, /value=-?[0-9.]+/); v = substr($0, RSTART + 6, RLENGTH - 6)
        match($0, /type="\{[a-h]"/); t = substr($0, RSTART + 7, 1)
        k = index("abcdefgh", t) - 1; bar[k % 4] = v
        if (k % 4 == 3) {
            w = sqrt((bar[2] - bar[0]) ^ 2 + (bar[3] - bar[1]) ^ 2)
            if (w < 2.055 || w > 2.065) { printf "bar width %.3f\n", w; bad = 1 }
            e = (bar[0] + bar[2]) / 2; n = (bar[1] + bar[3]) / 2
            # Bars across a north-south line lie east-west: the centre shows the line.
            if ((bar[3] - bar[1]) ^ 2 < 0.01) {
                if (!started) { first = e; started = 1 }
                off = (e - first) / 2; d = off - int(off + (off < 0 ? -0.5 : 0.5))
                if (d < -0.25 || d > 0.25) { printf "bar centre %.2f m off the lines\n", e - first; bad = 1 }
                lines[int(off + (off < 0 ? -0.5 : 0.5))] = 1; across++
            }
            bars++
        }
    }
    END {
        for (l in lines) count++
        printf "%d bars, %d across north-south lines, %d lines\n", bars, across, count
        if (bad || bars < 20 || across < 10 || count < 2) exit 1
    }' "$work/dump.txt" >"$work/bars.txt" || { cat "$work/bars.txt" >&2; fail "the swath records do not trace the walked lines"; }
cat "$work/bars.txt"

# --- portrait: the logging screen with and without the map
log_survey 800x1280
sleep 25
picture swath-portrait-map
picture_without_map swath-portrait-profiles
end_survey
echo "swath drawn and recorded"
