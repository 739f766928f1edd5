#!/usr/bin/env bash
# Starts a program under Xvfb with an AT-SPI bus, runs a python script that
# drives it through its accessible tree, then stops the program.
# Usage: tools/atspi-run.sh PROGRAM-PATH SCRIPT.py [script arguments...]
# The script gets the application's name as its first argument. When the
# script fails, what the program printed follows its own output.
# CONTROL_IDS names the control ids the build made with the program
# (tools/ids.py), unless it is set already.
set -euo pipefail
PROGRAM="$(realpath "$1")"
SCRIPT="$(realpath "$2")"
shift 2
export CONTROL_IDS="${CONTROL_IDS:-$(dirname "$PROGRAM")/../python/control_ids.py}"
# Only the X platform carries the AT-SPI bridge (tests often set offscreen).
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
unset WAYLAND_DISPLAY
exec dbus-run-session -- bash -c '
  program=$1; script=$2; shift 2
  log=$(mktemp)
  number=$(mktemp)
  xlog=$(mktemp)
  xvfb=""
  trap "[ -n \"\$xvfb\" ] && kill \$xvfb 2>/dev/null; rm -f $number $xlog" EXIT
  # Xvfb picks a free display itself and writes its number once it takes
  # connections: two servers started at once cannot take the same one,
  # as with xvfb-run -a, and nothing connects to a server still on its way.
  # A server that reported its display and then does not answer on it (seen
  # once on a busy CI machine) is stopped and started again.
  start_xvfb() {
    : >"$number"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number" >"$xlog" 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
    [ -s "$number" ] || return 1
    export DISPLAY=":$(head -n 1 "$number")"
    for _ in $(seq 20); do
      xdpyinfo >/dev/null 2>&1 && return 0
      kill -0 $xvfb 2>/dev/null || return 1
      sleep 0.1
    done
    return 1
  }
  started=""
  for _ in 1 2 3; do
    if start_xvfb; then started=yes; break; fi
    kill $xvfb 2>/dev/null || true
    wait $xvfb 2>/dev/null || true
  done
  if [ -z "$started" ]; then
    echo "Xvfb did not start; it printed:" >&2
    cat "$xlog" >&2
    rm -f "$log"
    exit 1
  fi
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  launcher=$!
  sleep 1
  "$program" >"$log" 2>&1 &
  app=$!
  /usr/bin/python3 "$script" "$(basename "$program")" "$@" && rc=0 || rc=$?
  kill $app 2>/dev/null || true
  wait $app 2>/dev/null || true
  kill $launcher 2>/dev/null || true
  kill $xvfb 2>/dev/null || true
  wait $xvfb 2>/dev/null || true
  if [ $rc -ne 0 ] && [ -s "$log" ]; then
    echo "--- $(basename "$program") printed:" >&2
    cat "$log" >&2
  fi
  if [ $rc -ne 0 ] && [ -s "$xlog" ]; then
    echo "--- Xvfb printed:" >&2
    cat "$xlog" >&2
  fi
  rm -f "$log"
  exit $rc
' bash "$PROGRAM" "$SCRIPT" "$@"
