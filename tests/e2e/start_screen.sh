#!/usr/bin/env bash
# Velox61LX2 as an operator meets it: on a virtual 1024x768 screen with an
# empty data root it opens a 1024x730 window, writes its settings file with
# the defaults, and Left then Enter end it with exit code 0. A second start
# keeps the file it wrote; a file of another version is replaced.
set -euo pipefail

bin="${VELOX_BIN:?VELOX_BIN must name the folder of the programs}/velox61lx2"
work=$(mktemp -d)
xvfb_pid=""
app_pid=""

cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/program.log" ] && sed 's/^/  program: /' "$work/program.log" >&2
    exit 1
}

# --- options, and what happens without a display
[ "$("$bin" --version)" = "Velox61LX2 1.08" ] || fail "--version printed '$("$bin" --version)'"
"$bin" --help | grep -q "Velox61LX2.INI" || fail "--help does not name the settings file"
set +e
"$bin" --no-such-option >/dev/null 2>&1
[ $? -eq 2 ] || fail "an unknown option does not exit with 2"
message=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin" 2>&1)
code=$?
set -e
[ $code -eq 1 ] || fail "without a display the exit code is $code, not 1"
grep -q "no display" <<<"$message" || fail "without a display it says: $message"

# --- a virtual screen
number=90
while [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ]; do number=$((number + 1)); done
Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${number}" ] && break; sleep 0.1; done
[ -e "/tmp/.X11-unix/X${number}" ] || fail "Xvfb did not start"
export DISPLAY=":$number"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export PROGRAMDATA="$work/data"
mkdir -p "$PROGRAMDATA"
settings="$PROGRAMDATA/Halvik/Velox61LX2/Velox61LX2.INI"

# Starts the program and waits for its window; sets $window.
start_program() {
    "$bin" >"$work/program.log" 2>&1 &
    app_pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Velox61LX2$' | head -n 1) ||
        fail "no window titled Velox61LX2 within 20 s"
}

# Presses Left then Enter and expects the program to end with exit code 0.
leave_with_left_enter() {
    timeout 10 xdotool windowfocus --sync "$window" || fail "the window did not take the keyboard focus"
    timeout 10 xdotool key --delay 100 Left Return || fail "xdotool could not press the keys"
    for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$app_pid" 2>/dev/null && fail "the program still runs 5 s after Left, Enter"
    local code=0
    wait "$app_pid" || code=$?
    app_pid=""
    [ $code -eq 0 ] || fail "exit code $code after Left, Enter"
}

line() { sed -n "${1}p" "$settings" | tr -d '\r'; }

# --- first start on an empty data root
start_program
geometry=$(timeout 10 xwininfo -id "$window") || fail "xwininfo cannot read the window"
width=$(awk '/Width:/ {print $2}' <<<"$geometry")
height=$(awk '/Height:/ {print $2}' <<<"$geometry")
[ "$width" = 1024 ] && [ "$height" = 730 ] || fail "window is ${width}x${height}, not 1024x730"
[ -f "$settings" ] || fail "no settings file at $settings"
leave_with_left_enter

[ "$(line 1)" = "Ver1.08" ] || fail "first line is '$(line 1)'"
[ "$(wc -l <"$settings")" -eq 96 ] || fail "$(wc -l <"$settings") lines, not the tag and 95 values"
[ "$(grep -c $'\r$' "$settings")" -eq 96 ] || fail "not every line ends in CR LF"
[ "$(tail -c 2 "$settings" | od -An -tx1 | tr -d ' ')" = "0d0a" ] || fail "the last line has no CR LF"
# A few defaults: instrument port COM4, reading scale top, survey line, position colour.
[ "$(line 9)" = 3 ] && [ "$(line 34)" = 500.000000 ] && [ "$(line 52)" = 1 ] && [ "$(line 60)" = 16711680 ] ||
    fail "the defaults are not as expected"

# --- a second start reads the file it wrote and leaves it as it is
sed -i '52s/.*/77\r/' "$settings"
start_program
leave_with_left_enter
[ "$(line 52)" = 77 ] || fail "the survey line edited to 77 reads '$(line 52)' after a second start"

# --- a file of another version is replaced by the defaults
sed -i '1s/.*/Ver1.07\r/' "$settings"
start_program
leave_with_left_enter
[ "$(line 1)" = "Ver1.08" ] && [ "$(line 52)" = 1 ] || fail "a Ver1.07 file was not replaced by the defaults"

echo "e2e_start_screen: all checks passed"
