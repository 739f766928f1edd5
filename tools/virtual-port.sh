#!/usr/bin/env bash
# Makes a virtual serial line for the programs: a pty pair whose one end is
# the port COMn (a link in the ports folder) and whose other end is a peer
# device at $XDG_RUNTIME_DIR/COMn-peer (or, without a runtime folder,
# /tmp/comports-UID/COMn-peer): per user, so that two users' ports do not
# meet. Runs until killed, then removes both links.
#
#   tools/virtual-port.sh [-d] COMn
#     -d   start in the background, print the PIDs and return
set -euo pipefail

background=0
if [[ ${1:-} == -d ]]; then
    background=1
    shift
fi
if [[ $# -ne 1 || ! $1 =~ ^[Cc][Oo][Mm][1-9][0-9]*$ ]]; then
    echo "usage: $0 [-d] COMn" >&2
    exit 2
fi
command -v socat >/dev/null || { echo "$0: socat is not installed" >&2; exit 1; }

name=COM${1:3}
ports_dir=${XDG_CONFIG_HOME:-$HOME/.config}/comports
port_link=$ports_dir/$name
if [[ -n ${XDG_RUNTIME_DIR:-} && -d ${XDG_RUNTIME_DIR:-} && -w ${XDG_RUNTIME_DIR:-} ]]; then
    peer_dir=$XDG_RUNTIME_DIR
else
    peer_dir=/tmp/comports-$(id -u)
    mkdir -p -m 700 "$peer_dir"
    if [[ ! -O $peer_dir ]]; then
        echo "$0: $peer_dir belongs to another user; not using it" >&2
        exit 1
    fi
fi
peer_link=$peer_dir/$name-peer
mkdir -p "$ports_dir"
for link in "$port_link" "$peer_link"; do
    if [[ -e $link && ! -L $link ]]; then
        echo "$0: $link exists and is not a link; not touching it" >&2
        exit 1
    fi
done

run() {
    socat_pid=""
    cleanup() {
        [[ -n $socat_pid ]] && kill "$socat_pid" 2>/dev/null || true
        wait 2>/dev/null || true
        rm -f "$port_link" "$peer_link"
    }
    trap cleanup EXIT
    trap 'exit 0' INT TERM
    socat -d -d "pty,raw,echo=0,link=$port_link" "pty,raw,echo=0,link=$peer_link" 2>/dev/null &
    socat_pid=$!
    wait "$socat_pid"
}

wait_for_links() {
    for _ in $(seq 50); do
        [[ -L $port_link && -L $peer_link ]] && return 0
        sleep 0.1
    done
    echo "$0: socat did not create the links" >&2
    return 1
}

if ((background)); then
    run </dev/null >/dev/null 2>&1 &
    pid=$!
    wait_for_links || { kill "$pid" 2>/dev/null; exit 1; }
    echo "$name -> $(readlink "$port_link")"
    echo "peer: $peer_link -> $(readlink "$peer_link")"
    echo "pid: $pid (kill $pid to remove the port)"
else
    run &
    pid=$!
    trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; exit 0' INT TERM
    wait_for_links || { kill "$pid" 2>/dev/null; exit 1; }
    echo "$name -> $(readlink "$port_link")"
    echo "peer: $peer_link"
    wait "$pid"
fi
