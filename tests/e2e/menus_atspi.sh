#!/usr/bin/env bash
# A program's context menus through AT-SPI (menus_atspi.py), with a
# configuration folder of its own: the first start turns "断线自动重连" on,
# the second finds it on and turns it off.
#   menus_atspi.sh PROGRAM
# Exits 77 (skipped) only when the X server, D-Bus, AT-SPI or pyatspi is
# not installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
program=$(realpath "$1")
name=$(basename "$program")
"$root/tools/atspi-available.sh" || exit $?

XDG_CONFIG_HOME=$(mktemp -d)
export XDG_CONFIG_HOME
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
for start in off on; do
  "$here/../../tools/atspi-run.sh" "$program" "$here/menus_atspi.py" "$start"
  want=$([ "$start" = off ] && echo 1 || echo 0)
  grep -qx "auto-reconnect=$want" "$XDG_CONFIG_HOME/$name/$name.conf" || { echo "not kept: auto-reconnect=$want" >&2; exit 1; }
done
