#!/usr/bin/env bash
# Renders Quillon's icon from its SVG into the PNG sizes the desktop and
# the window use. Run after changing quillon/ui/icons/quillon.svg; the PNGs
# are committed, so the build does not need the renderer.
set -euo pipefail
dir="$(cd "$(dirname "$0")/.." && pwd)/quillon/ui/icons"
command -v rsvg-convert >/dev/null || { echo "$0: rsvg-convert (librsvg2-bin) is not installed" >&2; exit 1; }
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$dir/quillon.svg" -o "$dir/quillon-$size.png"
done
echo "icons written to $dir"
