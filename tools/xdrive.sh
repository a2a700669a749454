# Drives a Velox program on an X display by its keys, as an operator would.
# Sourced by the whole-program tests and the headless demo; expects
# $window (the program's window) to be set before press is used.

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Keys go through the X server to the focused window, as a keyboard's would.
press() {
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --delay 100 "$@"
}

dialog_open() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# Presses key $1 until the dialog titled $2 opens (the logging screen's
# buttons wait for the instrument's first data and the first GPS fix).
press_until_dialog() {
    for _ in $(seq 10); do
        press "$1"
        wait_for 3 dialog_open "$2" && return 0
    done
    return 1
}

# Types into the dialog titled $1: keys, or text with "type".
in_dialog() {
    local title=$1
    shift
    local id
    id=$(xdotool search --onlyvisible --name "$title" | head -n 1) || return 1
    xdotool windowfocus --sync "$id" 2>/dev/null || true
    if [ "$1" = type ]; then xdotool type --delay 80 "$2"; else xdotool key --delay 100 "$@"; fi
}

# Presses Return in the dialog titled $1 until it closes.
confirm_dialog() {
    for _ in $(seq 3); do
        in_dialog "$1" Return 2>/dev/null || true
        wait_for 4 bash -c "! xdotool search --onlyvisible --name '$1' >/dev/null 2>&1" && return 0
    done
    return 1
}

# Saves a picture of the whole virtual screen as PNG.
screenshot() { xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$1" 2>/dev/null; }
