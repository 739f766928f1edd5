#!/usr/bin/env bash
# Starts a program under Xvfb with an AT-SPI bus, runs a python script that
# drives it through its accessible tree, then stops the program.
# Usage: tools/atspi-run.sh PROGRAM-PATH SCRIPT.py [script arguments...]
# The script gets the application's name as its first argument. When the
# script fails, what the program printed follows its own output.
set -euo pipefail
PROGRAM="$(realpath "$1")"
SCRIPT="$(realpath "$2")"
shift 2
# Only the X platform carries the AT-SPI bridge (tests often set offscreen).
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
unset WAYLAND_DISPLAY
exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" dbus-run-session -- bash -c '
  program=$1; script=$2; shift 2
  log=$(mktemp)
  # On a loaded machine the server can still be coming up.
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  xdpyinfo >/dev/null 2>&1 || { echo "the X server on $DISPLAY does not answer" >&2; exit 1; }
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  launcher=$!
  sleep 1
  "$program" >"$log" 2>&1 &
  app=$!
  /usr/bin/python3 "$script" "$(basename "$program")" "$@" && rc=0 || rc=$?
  kill $app 2>/dev/null || true
  wait $app 2>/dev/null || true
  kill $launcher 2>/dev/null || true
  if [ $rc -ne 0 ] && [ -s "$log" ]; then
    echo "--- $(basename "$program") printed:" >&2
    cat "$log" >&2
  fi
  rm -f "$log"
  exit $rc
' bash "$PROGRAM" "$SCRIPT" "$@"
