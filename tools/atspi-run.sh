#!/usr/bin/env bash
# Starts a program under Xvfb with an AT-SPI bus, runs a python script that
# drives it through its accessible tree, then stops the program.
# Usage: tools/atspi-run.sh PROGRAM-PATH SCRIPT.py [script arguments...]
# The script gets the application's name as its first argument.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
PROGRAM="$(realpath "$1")"
SCRIPT="$(realpath "$2")"
shift 2
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
exec xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- bash -c '
  program=$1; script=$2; shift 2
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  launcher=$!
  sleep 1
  "$program" >/tmp/atspi-run-program.log 2>&1 &
  app=$!
  /usr/bin/python3 "$script" "$(basename "$program")" "$@"; rc=$?
  kill $app 2>/dev/null || true
  wait $app 2>/dev/null || true
  kill $launcher 2>/dev/null || true
  exit $rc
' bash "$PROGRAM" "$SCRIPT" "$@"
