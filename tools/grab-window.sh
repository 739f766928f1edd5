#!/usr/bin/env bash
# Saves a picture of the largest mapped top-level window of $DISPLAY (the
# program's main window; without a window manager it has no frame).
# Usage: tools/grab-window.sh OUT.png
set -euo pipefail
out=$1
window=$(xwininfo -root -children | awk '/^ +0x/ && $2 != "(has" {print $1}' | while read -r id; do
    info=$(xwininfo -id "$id" 2>/dev/null) || continue
    grep -q 'Map State: IsViewable' <<<"$info" || continue
    w=$(awk '/Width:/ {print $2}' <<<"$info")
    h=$(awk '/Height:/ {print $2}' <<<"$info")
    echo "$((w * h)) $id"
done | sort -n | tail -1 | cut -d' ' -f2)
if [[ -n $window ]]; then
    import -window "$window" "$out"
else
    import -window root "$out"
fi
