#!/usr/bin/python3
"""Process-level benchmark: starts the real program under Xvfb (1280x1024,
no window manager) on a pty pinned as COM1 in a private ports folder, opens
the port through its accessible tree and feeds it from the pty's other end.
CPU comes from /proc/PID/stat (every thread), memory from /proc/PID/status.

Phases: idle with the port open; with the hex display unticked (Quillon
starts with it ticked, Veltra not), a paced 115200-baud text feed (two
rounds unpinged, their best and worst shown, one pinged, and one with the
time stamps ticked) and a 2 MB text burst; then, with the hex display
ticked, the same feed and burst of random bytes; last, with the hex display
unticked again, a run of text bursts whose RSS slope gives the growth per
MB shown.
Except where a round says otherwise, a pinger thread sends _NET_WM_PING
and keeps the worst answer time per phase. Prints a markdown table.

With --peers, the general serial terminals installed (cutecom) are
measured too, in the same run: idle and the text feed, in the same rounds.

With --fast, each program then has its port set to 921600, 1500000 and
3000000 through its baud list and gets at each rate a steady feed of
that rate's bytes a second (60 s of text, then of random bytes as hex),
pinged, from a feeder that keeps the pty's queue at most 4 KiB and times
its waits; the 3 Mbaud feed also goes to the reader with no window, and
Quillon last gets the fastest hex feed with its window maximized
(fast.py).

Usage: bench/process-bench.sh [--program quillon|veltra|both] [--short] [--growth N] [--peers] [--fast]
"""
import argparse
import os
import shutil
import sys

import rig
from fast import fast
from peers import PEERS, bench_peer
from phases import bench
from report import fast_table, peer_table, table
from rig import ROOT

def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", choices=("quillon", "veltra", "both"), default="both")
    parser.add_argument("--short", action="store_true", help="a few seconds per phase, for a quick check")
    parser.add_argument("--bin", default=os.path.join(ROOT, "build", "bin"), help="folder of the programs")
    parser.add_argument("--display", type=int, default=76, help="first X display number to try")
    parser.add_argument("--growth", type=int, default=10, metavar="N",
                        help="2 MB text bursts in the growth phase (25 shows 50 MB)")
    parser.add_argument("--peers", action="store_true",
                        help="also measure the peer terminals installed (%s) on idle and the text feed"
                        % ", ".join(PEERS))
    parser.add_argument("--fast", action="store_true",
                        help="also the fast phase: 921600 to 3000000 baud, 60 s feeds (4 s with --short)")
    args = parser.parse_args()
    reader = os.path.join(args.bin, "bare_reader")
    then = (lambda run, pinger: {"fast": fast(run, pinger, 4 if args.short else 60, reader)}) if args.fast else None
    names = ["quillon", "veltra"] if args.program == "both" else [args.program]
    for n in names:
        if not os.access(os.path.join(args.bin, n), os.X_OK):
            sys.exit("%s: no %s in %s; build it first" % (sys.argv[0], n, args.bin))
        rig.ids.load(os.path.join(args.bin, n))  # its control ids, before any phase starts
    results = {}
    for n in names:
        print("%s…" % n, file=sys.stderr, flush=True)
        results[n] = bench(n, os.path.join(args.bin, n), args.display, args.short, max(2, args.growth), then)
    peers = {}
    if args.peers:
        for p in PEERS:
            if not shutil.which(p):
                print("%s: not installed, left out" % p, file=sys.stderr)
                continue
            print("%s…" % p, file=sys.stderr, flush=True)
            try:
                peers[p] = bench_peer(p, args.display, args.short)
            except RuntimeError as e:
                print("%s: %s, left out" % (p, e), file=sys.stderr)
    print(table(results, args.short))
    if args.fast:
        print(fast_table(results))
    if peers:
        print(peer_table(results, peers))


if __name__ == "__main__":
    rig.with_buses(main)
