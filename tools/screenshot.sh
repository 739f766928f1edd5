#!/usr/bin/env bash
# Starts PROGRAM on a private virtual X display, waits, saves a picture of
# its window (or of the whole screen when the window cannot be found) and
# ends the program.
#
#   tools/screenshot.sh PROGRAM OUT.png [seconds]
set -euo pipefail

if [[ $# -lt 2 ]]; then
    echo "usage: $0 PROGRAM OUT.png [seconds]" >&2
    exit 2
fi
program=$1
out=$2
wait_s=${3:-3}

for tool in Xvfb import xwininfo; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 1; }
done

# The first free display number from :90 on.
display=90
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do
    display=$((display + 1))
done

xvfb_pid=""
prog_pid=""
cleanup() {
    [[ -n $prog_pid ]] && kill "$prog_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT

Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
    [[ -e /tmp/.X11-unix/X$display ]] && break
    sleep 0.1
done
export DISPLAY=":$display"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

"$program" >/dev/null 2>&1 &
prog_pid=$!
sleep "$wait_s"
if ! kill -0 "$prog_pid" 2>/dev/null; then
    echo "$0: $program ended before the picture was taken" >&2
    exit 1
fi

"$(dirname "$0")/grab-window.sh" "$out"
echo "$out"
