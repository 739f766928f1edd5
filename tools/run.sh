#!/usr/bin/env bash
# Sets up, builds and starts a program (default: quillon). When no port
# name COM1 is pinned yet, a virtual port is made for the session: COM1 is
# one end of a pty pair, the other end is printed for a peer (socat, a
# terminal, a script).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
PROGRAM="${1:-quillon}"
"$ROOT/tools/deps.sh"
BUILD_DIR="$ROOT/build" "$ROOT/tools/build.sh" >/dev/null

LINKS="${XDG_CONFIG_HOME:-$HOME/.config}/comports"
port_pid=""
cleanup() { [ -n "$port_pid" ] && kill "$port_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ ! -e "$LINKS/COM1" ] && [ ! -L "$LINKS/COM1" ]; then
  "$ROOT/tools/virtual-port.sh" COM1 &
  port_pid=$!
  for _ in $(seq 50); do [ -L "$LINKS/COM1" ] && break; sleep 0.1; done
fi

"$ROOT/build/bin/$PROGRAM"
