#!/usr/bin/env bash
# Shows a program of the family where there is no display: runs it on a
# virtual 1024x768 screen, saves a screenshot of its window and says where.
#   tools/virtual-display.sh PROGRAM [SCREEN]    SCREEN defaults to 1024x768
set -euo pipefail

program=$1
screen=${2:-1024x768}
out="${VELOX_OUTPUT:-$PWD/velox-output}"
mkdir -p "$out"

number=99
while [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ]; do number=$((number + 1)); done
Xvfb ":$number" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${number}" ] && break; sleep 0.1; done

if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
fi

name=$(basename "$program")
echo "There is no display here, so $name runs on a virtual ${screen} screen."
DISPLAY=":$number" "$program" --screenshot "$out/$name-start.png"
echo "A screenshot of its start screen is in $out/$name-start.png"
echo "To use the program itself, run ./run on a machine with a display (or over ssh -X)."
