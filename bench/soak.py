#!/usr/bin/python3
"""Soak run: the real programs for N minutes under steady timed sending,
then memory, descriptors, timers and threads are compared with where they
started, and the programs' counters with what the peer on the pty's other
end counted.

Quillon: area 1 auto-sends every 10 ms while an answer-driven rotation runs
over areas 2 and 3. Veltra (same run, its own pty, same X display): the
send area is sent every 10 ms, auto clear on. Each peer echoes what it gets
and streams a text line every 100 ms, counting every byte and frame.

Quillon ends a received frame when its line has been quiet for up to four
10 ms ticks, so its frame counter only equals a count the peer can keep if
the peer writes in bursts that the program is sure to tell apart. Its peer
therefore writes only as an answer: what it has received since its last
answer (the auto-send frames included) and the stream line when one is due,
all in one write, and only after it has got a rotation frame, which Quillon
sends on the tick after it has ended the previous answer as a frame. Each
answer is then exactly one received frame however late the ticks run.

RSS is compared from a warm-up on (the first minute, or a tenth of a short
run), which leaves out the first fill of the views and the allocator's
arenas, and it is sampled through the run: its second half must be flat.
Descriptors, timers and threads are compared with the port just opened,
before any traffic: there must be no more of them at the end.

Usage: bench/soak.sh [--minutes N] [--program quillon|veltra|both]
Exits 1 on a leak or a counter that differs from the peer's count.
"""
import argparse
import os
import re
import select
import sys
import threading
import time

import rig

# Growth allowed between the warm-up and the end, and over the second half:
# glibc's malloc keeps freed chunks in its arenas and trims them only past
# a threshold, and Qt's caches (glyphs, text layouts, pixmaps) settle in
# steps of tens of KiB, so the same work leaves RSS a few hundred KiB apart.
RSS_SLACK_KIB = 512
TREND_SLACK_KIB = 256
STREAM_PERIOD = 0.100


def stream_lines():
    n = 0
    while True:
        yield ("S%07d 温度 23.5 湿度 61%%\r\n" % n).encode("gbk")
        n += 1


class Peer(threading.Thread):
    """The device on the pty's other end. FRAMES maps each frame the
    program sends to a name; all are of one length and start with distinct
    bytes. With ANSWER_ON set (names of frames), the peer writes only after
    one of those has arrived, everything at once (see the module's text);
    otherwise it echoes at once and streams on its own."""

    def __init__(self, fd, frames, answer_on=None):
        super().__init__(daemon=True)
        self.fd, self.frames, self.answer_on = fd, frames, answer_on
        self.length = len(next(iter(frames)))
        assert all(len(f) == self.length for f in frames)
        self.read = self.written = self.writes = self.unknown = self.repeats = 0
        self.counted = {name: 0 for name in frames.values()}
        self.buf = bytearray()
        self.pending = bytearray()
        self.lines = stream_lines()
        self.streaming, self.stopping = True, False
        self.last_answered = None
        self.error = None

    def frames_read(self):
        return sum(self.counted.values())

    def parse(self):
        """Splits what has arrived into whole frames; answers whether one
        of them asks for an answer."""
        asked = False
        while len(self.buf) >= self.length:
            frame = bytes(self.buf[:self.length])
            name = self.frames.get(frame)
            if name is None:
                self.unknown += 1  # a byte out of step: resynchronise on the next
                del self.buf[0]
                continue
            del self.buf[:self.length]
            self.counted[name] += 1
            if self.answer_on and name in self.answer_on:
                asked = True
                # The areas take turns; the same one twice is a re-send
                # after a time-out, which a prompt answer never causes.
                if name == self.last_answered:
                    self.repeats += 1
                self.last_answered = name
        return asked

    def write(self, data):
        view = memoryview(data)
        while view:
            n = os.write(self.fd, view)
            view = view[n:]
        self.written += len(data)
        self.writes += 1

    def run(self):
        try:
            self.loop()
        except Exception as e:  # reported by the main thread
            self.error = e

    def loop(self):
        next_line = time.monotonic() + STREAM_PERIOD
        line_due = False
        while not self.stopping:
            ready, _, _ = select.select([self.fd], [], [], 0.005)
            asked = False
            if ready:
                data = os.read(self.fd, 4096)
                self.read += len(data)
                self.buf += data
                self.pending += data
                asked = self.parse()
            now = time.monotonic()
            if self.streaming and now >= next_line:
                line_due, next_line = True, next_line + STREAM_PERIOD
            if self.answer_on is None:
                if self.pending:
                    self.write(bytes(self.pending))
                    self.pending.clear()
                if line_due:
                    self.write(next(self.lines))
                    line_due = False
            elif asked:
                if line_due:
                    self.pending += next(self.lines)
                    line_due = False
                self.write(bytes(self.pending))
                self.pending.clear()

    def flush(self):
        """Once no more answers are asked for: writes what is still held as
        one last answer into a quiet line."""
        if self.pending:
            self.write(bytes(self.pending))
            self.pending.clear()


def verify(prog, texts, ticked):
    """Push buttons pressed through the accessible tree click a moment
    later, and a handler that writes the window's state back could undo
    a text set before it ran: the setup is read back before traffic."""
    wrong = ["%s holds %r" % (cid.name, prog.text(cid)) for cid, text in texts.items() if prog.text(cid) != text]
    wrong += ["%s is not ticked" % cid.name for cid in ticked if not prog.checked(cid)]
    if wrong:
        raise RuntimeError("%s: the setup did not take: %s" % (prog.name, "; ".join(wrong)))


def exact(label, got, wanted):
    return label, got, str(wanted), got == wanted


def send_rate(label, frames, seconds):
    # The 10 ms period on a shared machine: only a send path that has
    # stopped or slowed to a crawl fails, not a tick that runs a little late.
    rate = frames / max(seconds, 1e-9)
    return label, round(rate), "≥ 50 (100 due)", rate >= 50


def hex_text(frame):
    return " ".join("%02X" % b for b in frame)


def frame(tag):
    # Printable, so the echo reads as text in the receive views.
    return ("%s-0123456789\r\n" % tag).encode()


class QuillonSoak:
    FRAMES = {1: frame("A1"), 2: frame("B2"), 3: frame("C3")}

    def __init__(self, prog):
        self.prog = prog
        q = prog.ids
        self.AREA_TEXT = {1: q.Area1Text, 2: q.Area2Text, 3: q.Area3Text}
        self.AREA1_AUTO, self.AREA1_PERIOD = q.Area1Auto, q.Area1Period
        self.TAKES_PART = {2: q.Area2TakesPart, 3: q.Area3TakesPart}
        self.ANSWER_MODE, self.ROTATION = q.AnswerMode, q.AreaRotationButton
        self.TX_FRAMES, self.RX_FRAMES, self.TX_BYTES, self.RX_BYTES = q.TxFrames, q.RxFrames, q.TxBytes, q.RxBytes
        self.CLEAR_COUNTERS = q.ClearCounters
        prog.click(self.CLEAR_COUNTERS)
        time.sleep(0.5)
        self.texts = {self.AREA_TEXT[a]: hex_text(f) for a, f in self.FRAMES.items()}  # hex by default
        for cid, text in self.texts.items():
            prog.set_text(cid, text)
        for cid in self.TAKES_PART.values():
            prog.click(cid)
        prog.click(self.ANSWER_MODE)  # time-out 5 s and one re-send, the defaults
        time.sleep(0.5)
        self.peer = Peer(prog.master, {f: "area %d" % a for a, f in self.FRAMES.items()},
                         answer_on={"area 2", "area 3"})

    def start(self):
        verify(self.prog, {**self.texts, self.RX_FRAMES: "0", self.RX_BYTES: "0"},
               list(self.TAKES_PART.values()) + [self.ANSWER_MODE])
        self.peer.start()
        self.began = time.monotonic()
        self.prog.click(self.AREA1_AUTO)
        time.sleep(0.5)
        self.prog.set_text(self.AREA1_PERIOD, "10")
        self.prog.click(self.ROTATION)
        time.sleep(0.5)
        verify(self.prog, {self.AREA1_PERIOD: "10"}, [self.AREA1_AUTO])

    def stop(self):
        self.seconds = time.monotonic() - self.began
        self.prog.click(self.AREA1_AUTO)
        time.sleep(1.0)  # the rotation goes on and answers take the last auto-sent frames
        self.prog.click(self.ROTATION)
        time.sleep(1.0)
        self.peer.stopping = True
        self.peer.join()
        self.peer.flush()

    def counters(self):
        p = self.peer
        return [("sent frames (发帧数)", self.TX_FRAMES, p.frames_read()),
                ("sent bytes (发字节数)", self.TX_BYTES, p.read),
                ("received frames (收帧数)", self.RX_FRAMES, p.writes),
                ("received bytes (收字节数)", self.RX_BYTES, p.written)]

    def checks(self):
        p = self.peer
        return [exact("bytes out of frame step at the peer", p.unknown, 0),
                exact("rotation re-sends (answer time-outs)", p.repeats, 0),
                send_rate("area 1 auto-sent frames per second", p.counted["area 1"], self.seconds)]

    def progress(self):
        p = self.peer
        return "%s sent, %d answers" % (", ".join("%s: %d" % kv for kv in p.counted.items()), p.writes)


class VeltraSoak:
    FRAME = frame("V1")

    def __init__(self, prog):
        self.prog = prog
        v = prog.ids
        self.SEND_TEXT, self.SEND_HEX, self.TIMED, self.PERIOD = v.SendArea, v.SendHex, v.TimedSend, v.Period
        self.AUTO_CLEAR, self.CLEAR_RECEIVE, self.CLEAR_SEND = v.AutoClear, v.ClearReceive, v.ClearSend
        self.SENT, self.RECEIVED = v.SentCount, v.ReceivedCount
        prog.click(self.CLEAR_SEND)
        prog.click(self.CLEAR_RECEIVE)
        time.sleep(0.5)
        self.texts = {self.SEND_TEXT: hex_text(self.FRAME), self.PERIOD: "10"}
        for cid, text in self.texts.items():
            prog.set_text(cid, text)
        prog.click(self.SEND_HEX)
        prog.click(self.AUTO_CLEAR)  # the view stays small, as Quillon's does by default
        time.sleep(0.5)
        self.peer = Peer(prog.master, {self.FRAME: "send area"})

    def start(self):
        verify(self.prog, {**self.texts, self.SENT: "0", self.RECEIVED: "0"},
               [self.SEND_HEX, self.AUTO_CLEAR])
        self.peer.start()
        self.began = time.monotonic()
        self.prog.click(self.TIMED)
        time.sleep(0.5)
        verify(self.prog, {}, [self.TIMED])

    def stop(self):
        self.seconds = time.monotonic() - self.began
        self.prog.click(self.TIMED)
        self.peer.streaming = False
        time.sleep(1.0)
        self.peer.stopping = True
        self.peer.join()

    def counters(self):
        return [("sent bytes", self.SENT, self.peer.read), ("received bytes", self.RECEIVED, self.peer.written)]

    def checks(self):
        return [exact("bytes out of frame step at the peer", self.peer.unknown, 0),
                send_rate("timed-send frames per second", self.peer.frames_read(), self.seconds)]

    def progress(self):
        return "%d frames sent, %d bytes echoed and streamed" % (self.peer.frames_read(), self.peer.written)


SOAKS = {"quillon": QuillonSoak, "veltra": VeltraSoak}


def sample(pid):
    """RSS, open descriptors by kind, POSIX timers and threads."""
    s = rig.status(pid, ("VmRSS", "Threads"))
    fd_dir = "/proc/%d/fd" % pid
    kinds = {}
    for fd in os.listdir(fd_dir):
        try:
            target = os.readlink(os.path.join(fd_dir, fd))
        except FileNotFoundError:
            continue
        kind = re.sub(r"\[\d+\]$", "", target)  # sockets and pipes by kind, not inode
        kind = re.sub(r"^/dev/pts/\d+$", "/dev/pts/N", kind)
        kinds[kind] = kinds.get(kind, 0) + 1
    with open("/proc/%d/timers" % pid) as f:
        posix_timers = sum(1 for line in f if line.startswith("ID:"))
    return {"rss": s["VmRSS"], "threads": s["Threads"], "fds": sum(kinds.values()), "kinds": kinds,
            "timerfd": kinds.get("anon_inode:[timerfd]", 0), "eventfd": kinds.get("anon_inode:[eventfd]", 0),
            "posix_timers": posix_timers}


def slope_per_s(points):
    n = len(points)
    mt = sum(t for t, _ in points) / n
    mv = sum(v for _, v in points) / n
    var = sum((t - mt) ** 2 for t, _ in points)
    return sum((t - mt) * (v - mv) for t, v in points) / var if var else 0.0


def settle_counters(prog, cids, stall=3.0):
    """Reads the counters until they have not moved for STALL seconds."""
    last, changed = [prog.number(c) for c in cids], time.time()
    while time.time() - changed < stall:
        time.sleep(0.3)
        now = [prog.number(c) for c in cids]
        if now != last:
            last, changed = now, time.time()
    return dict(zip(cids, last))


def soak(names, binaries, display, minutes):
    xvfb = rig.Xvfb(display)
    progs, soaks = {}, {}
    try:
        for n in names:
            progs[n] = rig.Program(n, binaries[n], xvfb.display)
            soaks[n] = SOAKS[n](progs[n])
        time.sleep(1)
        opened = {n: sample(p.pid) for n, p in progs.items()}
        for s in soaks.values():
            s.start()
        total = minutes * 60
        warm = min(60.0, total / 10)
        every = min(60.0, total / 12)
        t0 = time.monotonic()
        time.sleep(warm)
        start = {n: sample(p.pid) for n, p in progs.items()}
        trail = {n: [(0.0, start[n]["rss"])] for n in names}
        next_sample, next_note = t0 + warm + every, t0 + 60
        while time.monotonic() < t0 + total:
            time.sleep(max(0.0, min(next_sample, t0 + total) - time.monotonic()))
            now = time.monotonic()
            if now >= next_sample:
                for n, p in progs.items():
                    trail[n].append((now - t0 - warm, rig.status(p.pid, ("VmRSS",))["VmRSS"]))
                next_sample += every
            if now >= next_note:
                print("%3.0f min: %s" % ((now - t0) / 60, "; ".join(
                    "%s %s, RSS %d KiB" % (n, soaks[n].progress(), trail[n][-1][1]) for n in names)),
                    file=sys.stderr, flush=True)
                next_note += 60
            for n, s in soaks.items():
                if s.peer.error or not s.peer.is_alive() or progs[n].proc.poll() is not None:
                    raise RuntimeError("%s: %s" % (n, s.peer.error or "the program or its peer stopped"))
        for s in soaks.values():
            s.stop()
        results = {}
        for n, p in progs.items():
            counters = soaks[n].counters()
            shown = settle_counters(p, [cid for _, cid, _ in counters])
            time.sleep(1)
            results[n] = {"opened": opened[n], "start": start[n], "end": sample(p.pid), "trail": trail[n],
                          "counters": [(label, shown[cid], peer) for label, cid, peer in counters],
                          "checks": soaks[n].checks()}
        return results
    finally:
        for p in progs.values():
            p.close()
        xvfb.close()


def rows(name, r):
    out, failed = [], False

    def row(label, start, end, expected, ok, diff=None):
        nonlocal failed
        failed |= not ok
        d = "%+d" % (end - start if diff is None else diff) if start is not None else ""
        out.append("| %s: %s | %s | %s | %s | %s | %s |" % (
            name.capitalize(), label, "" if start is None else start, end, d, expected, "pass" if ok else "FAIL"))

    s, e = r["start"], r["end"]
    grown = e["rss"] - s["rss"]
    row("RSS from the warm-up on, KiB", s["rss"], e["rss"], "≤ %+d" % RSS_SLACK_KIB, grown <= RSS_SLACK_KIB)
    half = [(t, v) for t, v in r["trail"] if t >= r["trail"][-1][0] / 2]
    if len(half) >= 3:
        span = half[-1][0] - half[0][0]
        trend = slope_per_s(half) * span
        row("RSS trend over the second half (%d samples), KiB" % len(half), half[0][1], half[-1][1],
            "fit ≤ %+d" % TREND_SLACK_KIB, trend <= TREND_SLACK_KIB, diff=round(trend))
    # Nothing the traffic does should open a descriptor or start a thread
    # for good, so these are held against the port just opened. Fewer is
    # no leak: Qt's paint thread pool lets its idle threads (each with an
    # eventfd) go after half a minute.
    s = r["opened"]
    for key, label in (("fds", "open descriptors"), ("timerfd", "timerfd descriptors"),
                       ("eventfd", "eventfd descriptors"), ("posix_timers", "POSIX timers"),
                       ("threads", "threads")):
        row(label, s[key], e[key], "≤ +0", e[key] <= s[key])
    if e["kinds"] != s["kinds"]:
        kinds = sorted(set(s["kinds"]) | set(e["kinds"]))
        out.append("| %s: descriptors that changed | %s | | | | |" % (name.capitalize(), ", ".join(
            "%s %d → %d" % (k, s["kinds"].get(k, 0), e["kinds"].get(k, 0))
            for k in kinds if s["kinds"].get(k, 0) != e["kinds"].get(k, 0))))
    for label, shown, peer in r["counters"]:
        row(label, 0, shown, "%d (peer)" % peer, shown == peer)
    for label, got, wanted, ok in r["checks"]:
        row(label, None, got, wanted, ok)
    return out, failed


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--minutes", type=float, default=30, help="length of the run (default 30)")
    parser.add_argument("--program", choices=("quillon", "veltra", "both"), default="both")
    parser.add_argument("--bin", default=os.path.join(rig.ROOT, "build", "bin"), help="folder of the programs")
    parser.add_argument("--display", type=int, default=82, help="first X display number to try")
    args = parser.parse_args()
    names = ["quillon", "veltra"] if args.program == "both" else [args.program]
    binaries = {n: os.path.join(args.bin, n) for n in names}
    for n, b in binaries.items():
        if not os.access(b, os.X_OK):
            sys.exit("%s: no %s in %s; build it first" % (sys.argv[0], n, args.bin))
        rig.ids.load(b)  # its control ids, before the run starts
    results = soak(names, binaries, args.display, args.minutes)
    lines = ["Soak: %s; %s; %g min, %s at once" % (rig.machine(), rig.today(), args.minutes, " and ".join(
        n.capitalize() for n in names)), "",
             "| | start | end | difference | wanted | result |", "|---|---|---|---|---|---|"]
    failed = False
    for n in names:
        out, f = rows(n, results[n])
        lines += out
        failed |= f
    lines += ["", "result: %s" % ("FAIL" if failed else "pass")]
    print("\n".join(lines))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(rig.with_buses(main))
