#!/usr/bin/python3
"""What a serial server costs each program: the steady 115200-baud text
feed of the process benchmark, with COM1 a pty pinned by a link and with
the same kind of pty behind Debian's ser2net (RFC 2217 on the loopback),
named by a ports-folder file. Rounds alternate between the two, so that
the host's load falls on both alike. Prints a markdown table of CPU s per
MB (best and worst round), the wakes and the bytes lost.

Usage: bench/remote.sh [--program quillon|veltra|both] [--rounds N] [--seconds S]
"""
import argparse
import os
import sys

import phases
import rig


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", choices=("quillon", "veltra", "both"), default="both")
    parser.add_argument("--bin", default=os.path.join(rig.ROOT, "build", "bin"), help="folder of the programs")
    parser.add_argument("--display", type=int, default=90, help="first X display number to try")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--seconds", type=int, default=20)
    args = parser.parse_args()
    if not os.access("/usr/sbin/ser2net", os.X_OK):
        sys.exit("%s: ser2net is not installed" % sys.argv[0])
    names = ["quillon", "veltra"] if args.program == "both" else [args.program]
    rows = []
    for name in names:
        binary = os.path.join(args.bin, name)
        rig.ids.load(binary)
        figures = {False: [], True: []}
        for _ in range(args.rounds):
            for remote in (False, True):
                print("%s %s…" % (name, "ser2net" if remote else "pty"), file=sys.stderr, flush=True)
                run = phases.Run(name, binary, args.display, remote)
                try:
                    run.tick_box(phases.HEX_BOX, False)
                    figures[remote].append(phases.steady(run, "text", args.seconds))
                finally:
                    run.close()
        for remote in (False, True):
            cpu = sorted(f["cpu_per_mb"] for f in figures[remote])
            lost = sum(f["lost"] for f in figures[remote])
            wakes = sorted(f["wakes"] for f in figures[remote])
            rows.append("| %s | %s | %.2f (%.2f) | %.0f | %d |" % (name, "ser2net, RFC 2217" if remote else "pty",
                                                                  cpu[0], cpu[-1], wakes[len(wakes) // 2], lost))
    print("| program | COM1 | CPU s per MB, best (worst) of %d rounds of %d s | main-thread wakes per s, median "
          "| bytes lost |" % (args.rounds, args.seconds))
    print("|---|---|---|---|---|")
    print("\n".join(rows))
    print("\n%s, %s" % (rig.machine(), rig.today()))


if __name__ == "__main__":
    rig.with_buses(main)
