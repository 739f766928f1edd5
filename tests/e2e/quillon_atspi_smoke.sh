#!/usr/bin/env bash
# Quillon's real window driven through AT-SPI, under its own Xvfb and D-Bus
# session, with the simulator echoing on COM1: opens the port, sends a
# frame and reads the answer back from the receive view.
#   quillon_atspi_smoke.sh QUILLON SERIAL-SIM [PICTURE.png]
# Exits 77 (skipped) only when the X server, D-Bus, AT-SPI or pyatspi is
# not installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
quillon=$(realpath "$1")
sim=$(realpath "$2")
shift 2

"$root/tools/atspi-available.sh" || exit $?

# A folder of port links of our own: the user's COM names stay untouched.
XDG_CONFIG_HOME=$(mktemp -d)
export XDG_CONFIG_HOME
links="$XDG_CONFIG_HOME/comports"
mkdir -p "$links"
peer=""
cleanup() {
  if [ -n "$peer" ]; then kill "$peer" 2>/dev/null || true; wait "$peer" 2>/dev/null || true; fi
  rm -rf "$XDG_CONFIG_HOME"
}
trap cleanup EXIT

# The device on COM1 answers every byte with itself.
start_echo_device() {
  "$sim" --name COM1 echo >/dev/null &
  peer=$!
  for _ in $(seq 50); do
    [ -L "$links/COM1" ] && return 0
    sleep 0.1
  done
  echo "the echo device made no COM1" >&2
  return 1
}
start_echo_device

"$root/tools/atspi-run.sh" "$quillon" "$here/quillon_atspi_smoke.py" "$@"
