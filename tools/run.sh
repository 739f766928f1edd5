#!/usr/bin/env bash
# Sets up, builds and starts a program on the device simulator:
#
#   tools/run.sh [quillon|veltra] [remote] [MODE [OPTIONS]]
#
# MODE and OPTIONS go to serial-sim (default: echo; `build/bin/serial-sim
# --help` lists the modes); MODE "none" starts the program alone. "remote"
# serves the mode over RFC 2217 on a free loopback port instead of a pty,
# as a serial server's port. The simulator takes the port name COM1 when no
# link pins it yet, otherwise the first free name, and goes away with the
# program.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BIN="$ROOT/build/bin"
PROGRAM=quillon
case "${1:-}" in
  quillon|veltra) PROGRAM=$1; shift ;;
  -h|--help) sed -n '2,11s/^# \{0,1\}//p' "$0"; exit 0 ;;
esac
listen=()
if [ "${1:-}" = remote ]; then
  listen=(--listen rfc2217:0)
  shift
fi
[ $# -eq 0 ] && set -- echo
if [ "$1" = none ] && [ ${#listen[@]} -gt 0 ]; then
  echo "$0: remote needs a simulator mode, not none" >&2
  exit 2
fi

"$ROOT/tools/deps.sh"
echo "Building into $ROOT/build (the first build takes a few minutes)..."
BUILD_DIR="$ROOT/build" "$ROOT/tools/build.sh"

sim_pid=""
sim_out=""
cleanup() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  [ -n "$sim_out" ] && rm -f "$sim_out"
  return 0
}
trap cleanup EXIT

if [ "$1" != none ]; then
  LINKS="${XDG_CONFIG_HOME:-$HOME/.config}/comports"
  name=()
  [ ! -e "$LINKS/COM1" ] && [ ! -L "$LINKS/COM1" ] && name=(--name COM1)
  sim_out="$(mktemp)"
  "$BIN/serial-sim" "${name[@]}" "${listen[@]}" "$@" >"$sim_out" &
  sim_pid=$!
  # The simulator prints the name it took once its port is in place.
  for _ in $(seq 100); do
    [ -s "$sim_out" ] && break
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.05
  done
  if [ ! -s "$sim_out" ]; then
    echo "$0: the simulator could not make a port; $PROGRAM is not started" >&2
    exit 1
  fi
  echo "Simulator ($1) on $(head -n 1 "$sim_out"); it stops when $PROGRAM ends."
fi

"$BIN/$PROGRAM"
