"""The markdown tables the benchmark prints."""
import rig
from fast import FAST
from phases import MB, TICK

def ceiling(name):
    chunk, period = TICK[name]
    return chunk * 1000 / period


def table(results, short):
    names = list(results)
    rows = [
        ("idle, port open, % of one core", lambda r: "%.2f" % r["idle"]),
        ("steady 115200-baud text feed shown as text, CPU s per MB, best (worst) round",
         lambda r: "%.2f (%.2f)" % (r["text"]["cpu_per_mb"], r["text"]["cpu_worst"])),
        ("steady 115200-baud random bytes as hex, CPU s per MB, best (worst) round",
         lambda r: "%.2f (%.2f)" % (r["hex"]["cpu_per_mb"], r["hex"]["cpu_worst"])),
        ("steady text feed with time stamps on, CPU s per MB (one unpinged round)",
         lambda r: "%.2f" % r["stamped"]["cpu_per_mb"]),
        ("the same, text / hex, in the round pinged 20 times a second",
         lambda r: "%.2f / %.2f" % (r["text"]["cpu_pinged"], r["hex"]["cpu_pinged"])),
        ("main-thread wakes per second, text / hex feed",
         lambda r: "%.0f / %.0f" % (r["text"]["wakes"], r["hex"]["wakes"])),
        ("burst drain, text / random bytes as hex, bytes/s",
         lambda r: "%.1f K / %.1f K" % (r["text_burst"]["rate"] / 1000, r["hex_burst"]["rate"] / 1000)),
        ("a reader with no window at the same tick, the same bursts, bytes/s (reads that found less than a tick's share)",
         lambda r: "%.1f K / %.1f K (%.0f %% / %.0f %%)" % (
             r["bare_burst"]["text"]["rate"] / 1000, r["bare_burst"]["hex"]["rate"] / 1000,
             100 * r["bare_burst"]["text"]["short"], 100 * r["bare_burst"]["hex"]["short"])),
        ("burst drain as a share of the design ceiling / of that reader's, text, hex",
         lambda r: "%.1f %%, %.1f %% / %.1f %%, %.1f %%" % (
             100 * r["text_burst"]["rate"] / ceiling(r["name"]), 100 * r["hex_burst"]["rate"] / ceiling(r["name"]),
             100 * r["text_burst"]["rate"] / r["bare_burst"]["text"]["rate"],
             100 * r["hex_burst"]["rate"] / r["bare_burst"]["hex"]["rate"])),
        ("burst CPU s per MB, text / hex",
         lambda r: "%.2f / %.2f" % (r["text_burst"]["cpu_per_mb"], r["hex_burst"]["cpu_per_mb"])),
        ("bytes lost, text / hex burst (all phases)",
         lambda r: "%d / %d (%d)" % (r["text_burst"]["lost"], r["hex_burst"]["lost"], r["lost"])),
        ("RSS before → after, MiB (peak)",
         lambda r: "%.1f → %.1f (%.1f)" % (r["rss0"] / 1024, r["rss1"] / 1024, r["hwm"] / 1024)),
        ("RSS growth per MB of text shown, MiB (auto clear as it starts: on in Quillon, off in Veltra)", lambda r: "%.2f" % r["growth"]),
        ("MB shown in all", lambda r: "%.1f" % (r["shown"] / MB)),
        ("text burst CPU s per MB, first → last growth burst",
         lambda r: "%.2f → %.2f" % r["growth_cpu"]),
        ("worst _NET_WM_PING answer, ms: text, hex feed / text, hex burst / growth bursts",
         lambda r: "%.0f, %.0f / %.0f, %.0f / %.0f" % tuple(r["ping_" + k] for k in (
             "text", "hex", "text_burst", "hex_burst", "growth"))),
    ]
    out = ["Machine: %s; %s%s" % (rig.machine(), rig.today(),
                                  " (--short: a few seconds per phase, 256 KiB bursts)" if short else ""),
           "", "| | " + " | ".join(n.capitalize() for n in names) + " |",
           "|---|" + "---|" * len(names)]
    for label, cell in rows:
        out.append("| %s | %s |" % (label, " | ".join(cell(results[n]) for n in names)))
    return "\n".join(out)


def peer_table(results, peers):
    """The peers beside the programs, on the rows both have."""
    names = list(results) + list(peers)
    both = dict(results, **peers)
    rows = [
        ("idle, port open, % of one core", lambda r: "%.2f" % r["idle"]),
        ("steady 115200-baud text feed, CPU s per MB, best (worst) round",
         lambda r: "%.2f (%.2f)" % (r["text"]["cpu_per_mb"], r["text"]["cpu_worst"])),
        ("main-thread wakes per second, text feed", lambda r: "%.0f" % r["text"]["wakes"]),
    ]
    heads = [n.capitalize() for n in results] + list(peers)
    out = ["", "| beside the peers, same run | " + " | ".join(heads) + " |", "|---|" + "---|" * len(names)]
    for label, cell in rows:
        out.append("| %s | %s |" % (label, " | ".join(cell(both[n]) for n in names)))
    best = min(peers.values(), key=lambda r: r["text"]["cpu_per_mb"])["text"]["cpu_per_mb"]
    out += ["", "A third of the best peer's text feed in this run: %.2f CPU s per MB." % (best / 3)]
    # Round k of a program against round k of each peer: the goal holds in
    # every round, not only in the best.
    out += ["", "| share of the peer's, same run (goal ≤ 0.33 in every round; idle ≤ 0.2 %% of a core) | %s |"
            % " | ".join(n.capitalize() for n in results), "|---|" + "---|" * len(results)]
    for p, peer in peers.items():
        out.append("| text feed CPU per MB as a share of %s's, round by round | %s |" % (p, " | ".join(
            ", ".join("%.2f" % (a / b) for a, b in zip(r["text"]["rounds"], peer["text"]["rounds"]))
            for r in results.values())))
    return "\n".join(out)


def fast_table(results):
    """The fast phase's rows, for the programs that ran it."""
    names = [n for n in results if "fast" in results[n]]
    if not names:
        return ""

    def both(cell):
        return lambda r, c: " / ".join(cell(r["fast"][c, k], r[k]) for k in ("text", "hex"))

    def maximized(cell):
        return lambda r, c: cell(r["fast"]["maximized"]) if "maximized" in r["fast"] else "–"

    rows = []
    for caption, rate in FAST:
        head = "%s baud (%.0f KB/s), text / hex: " % (caption, rate / 1000)
        rows += [(head + label, cell, caption) for label, cell in (
            ("fed, KB/s", both(lambda f, slow: "%.1f" % (f["rate"] / 1000))),
            ("bytes lost (goal 0)", both(lambda f, slow: "%d" % f["lost"])),
            ("the feeder's longest wait, ms (how many waits) (goal ≤ 5)",
             both(lambda f, slow: "%.1f (%d)" % (f["wait"], f["waits"]))),
            ("CPU s per MB (× the 115200 feed's best round; goal ≤ 1.2×)",
             both(lambda f, slow: "%.2f (%.2f×)" % (f["cpu_per_mb"], f["cpu_per_mb"] / slow["cpu_per_mb"]))),
            ("worst _NET_WM_PING answer, ms (goal ≤ 50)", both(lambda f, slow: "%.0f" % f["ping"])))]
    rows += [
        ("the feeder's own longest step, ms, in all fast feeds / the line held back for its late steps, ms in "
         "all / its scheduling", lambda r, c: "%.1f / %.0f / %s" % (
             max(f["gap"] for f in r["fast"].values()), sum(f["slipped"] for f in r["fast"].values()),
             ", ".join(sorted({f["policy"] for f in r["fast"].values()}))), None),
        ("a reader with no window at the program's tick, reading all that waits (at most 64 KB a tick), the same "
         "3000000-baud feed: the feeder's longest wait, ms (how many waits) / its own longest step, ms",
         lambda r, c: "%.1f (%d) / %.1f" % tuple(r["fast"]["floor"][k] for k in ("wait", "waits", "gap")), None),
        ("3000000 baud random bytes in 4095-byte frames, hex view, window maximized: worst ping, ms (goal ≤ 50)",
         maximized(lambda f: "%.0f" % f["ping"]), None),
        ("the same: window size / bytes lost / the feeder's longest wait, ms / CPU s per MB",
         maximized(lambda f: "%d×%d / %d / %.1f / %.2f" % (*f["size"], f["lost"], f["wait"], f["cpu_per_mb"])),
         None),
    ]
    out = ["", "| fast phase | " + " | ".join(n.capitalize() for n in names) + " |",
           "|---|" + "---|" * len(names)]
    for label, cell, caption in rows:
        out.append("| %s | %s |" % (label, " | ".join(cell(results[n], caption) for n in names)))
    return "\n".join(out)
