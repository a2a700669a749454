#!/usr/bin/env bash
# Shows a program of the family where there is no display: runs it on a
# virtual 1024x768 screen and leaves pictures (and, with --survey, a logged
# survey) in a folder whose path it prints.
#   tools/virtual-display.sh PROGRAM            a picture of the start screen
#   tools/virtual-display.sh --survey PROGRAM   a short survey by the program's keys
#                                               (the device stand-ins must be running)
set -euo pipefail

survey=0
if [ "${1:-}" = --survey ]; then survey=1; shift; fi
program=$1
out="${VELOX_OUTPUT:-$PWD/velox-output}"
mkdir -p "$out"
source "$(dirname "$0")/xdrive.sh"

if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
fi

number=99
while [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ]; do number=$((number + 1)); done
Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
wait_for 10 test -e "/tmp/.X11-unix/X${number}"
export DISPLAY=":$number"

name=$(basename "$program")
echo "There is no display here, so $name runs on a virtual 1024x768 screen."
if [ "$survey" = 0 ]; then
  "$program" --screenshot "$out/$name-start.png"
  echo "A picture of its start screen is in $out/$name-start.png"
  exit 0
fi

"$program" >"$out/$name.log" 2>&1 &
app=$!
trap 'kill $app $xvfb 2>/dev/null || true' EXIT
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Velox61LX2$' | head -n 1)
sleep 1
screenshot "$out/1-start-screen.png"
echo "Logging a short survey with the keys L, F, Enter, G ..."
press l
press_until_dialog f 'Create Data File'
sleep 1
screenshot "$out/2-create-data-file.png"
confirm_dialog 'Create Data File'
sleep 1
press g
sleep 20
screenshot "$out/3-logging.png"
press space
sleep 1
press_until_dialog x 'Confirm Exit'
confirm_dialog 'Confirm Exit'
sleep 2
press Left Return
wait_for 20 bash -c "! kill -0 $app 2>/dev/null" || kill $app
file=$(ls -t "$HOME"/*.RX2 2>/dev/null | head -n 1)
if [ -n "$file" ]; then
  cp "$file" "$out/"
  "$(dirname "$program")/velox-dump" "$file" >"$out/$(basename "$file").txt" || true
  echo "The survey's data file is $out/$(basename "$file"), and as text $out/$(basename "$file").txt"
fi
echo "Pictures of the screens are in $out/"
echo "To use the program itself, run ./run on a machine with a display (or over ssh -X)."
