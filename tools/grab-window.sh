#!/usr/bin/env bash
# Saves a picture of the largest mapped top-level window of $DISPLAY (the
# program's main window; under a window manager, with its frame). The
# picture is cut from the screen, which also works for frame windows that
# cannot be read on their own.
# Usage: tools/grab-window.sh OUT.png
set -euo pipefail
out=$1
best=$(xwininfo -root -children | awk '/^ +0x/ {print $1}' | while read -r id; do
    info=$(xwininfo -id "$id" 2>/dev/null) || continue
    grep -q 'Map State: IsViewable' <<<"$info" || continue
    grep -q 'Class: InputOutput' <<<"$info" || continue
    x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
    w=$(awk '/Width:/ {print $2}' <<<"$info")
    h=$(awk '/Height:/ {print $2}' <<<"$info")
    echo "$((w * h)) ${w}x${h}+${x}+${y}"
done | sort -n | tail -1 | cut -d' ' -f2)
if [[ -n $best ]]; then
    import -window root -crop "$best" +repage "$out"
else
    import -window root "$out"
fi
