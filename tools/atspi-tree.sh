#!/usr/bin/env bash
# Starts a program under Xvfb with an AT-SPI bus and prints its accessible
# tree (tools/atspi-tree.py), then stops it.
# Usage: tools/atspi-tree.sh PROGRAM-PATH [APP-NAME]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
PROGRAM="$1"
NAME="${2:-$(basename "$PROGRAM")}"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
exec xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  launcher=$!
  sleep 1
  "$0" &
  app=$!
  sleep 2
  /usr/bin/python3 "$1/tools/atspi-tree.py" "$2"; rc=$?
  kill $app $launcher 2>/dev/null || true
  exit $rc
' "$PROGRAM" "$ROOT" "$NAME"
