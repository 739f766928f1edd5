#!/usr/bin/env bash
# Renders the programs' icons from their SVGs into the PNG sizes the
# desktop and the windows use. Run after changing quillon/ui/icons/quillon.svg
# or veltra/ui/icons/veltra.svg; the PNGs are committed, so the build does
# not need the renderer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
command -v rsvg-convert >/dev/null || { echo "$0: rsvg-convert (librsvg2-bin) is not installed" >&2; exit 1; }
for program in quillon veltra; do
    dir="$root/$program/ui/icons"
    for size in 16 32 48 64 128 256; do
        rsvg-convert -w "$size" -h "$size" "$dir/$program.svg" -o "$dir/$program-$size.png"
    done
    echo "icons written to $dir"
done
