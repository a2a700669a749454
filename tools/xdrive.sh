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

# Starts a virtual screen ($2, 1024x768 by default) on a display number the
# server picks itself (so that sessions started at the same time never
# collide), with the program data and home folders under $1 (the caller's
# pids array gets the server), and exports what the programs read.
start_virtual_session() {
    local work=$1 size=${2:-1024x768}
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    wait_for 10 test -s "$work/display" || return 1
    local number
    number=$(head -n 1 "$work/display")
    wait_for 10 test -e "/tmp/.X11-unix/X${number}" || return 1
    export DISPLAY=":$number" PROGRAMDATA="$work/data" HOME="$work/home" XDG_RUNTIME_DIR="$work"
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY
    mkdir -p "$PROGRAMDATA" "$HOME"
}

# Starts velox-sim from folder $1 with the options after it, and waits for
# its ports.
start_stand_in() {
    local bin=$1
    shift
    "$bin/velox-sim" --quiet "$@" >"$work/sim.log" 2>&1 &
    pids+=($!)
    wait_for 10 test -e "$PROGRAMDATA/Halvik/Ports/COM6"
}

# Starts velox61lx2 from folder $1 and waits for its window; sets $program
# and $window.
start_velox61lx2() {
    "$1/velox61lx2" >"$work/program.log" 2>&1 &
    program=$!
    pids+=($program)
    window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Velox61LX2$' | head -n 1)
    [ -n "$window" ]
}

# The EM61-LX2 data file in the home folder, once there is one.
data_file() { ls "$HOME"/*.RX2 2>/dev/null | head -n 1; }
have_data_file() { [ -n "$(data_file)" ]; }

# From the start screen: "&Logging", "&File" accepting the proposed name,
# and "&Go". Says on stderr which step failed.
log_to_new_file() {
    press l                                  # Logging: handshake, readers, Monitoring
    press_until_dialog f 'Create Data File' || { echo "File never opened the save dialog" >&2; return 1; }
    sleep 1
    confirm_dialog 'Create Data File' || { echo "the save dialog did not close" >&2; return 1; }
    wait_for 10 have_data_file || { echo "no data file was created" >&2; return 1; }
    sleep 1
    press g                                  # Go
}
