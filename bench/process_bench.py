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

Usage: bench/process-bench.sh [--program quillon|veltra|both] [--short] [--growth N] [--peers]
"""
import argparse
import ctypes
import ctypes.util
import fcntl
import os
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import termios
import threading
import time
import tty

import rig
from rig import ROOT, cpu_seconds

# The receive view's hex box, by its name in quillon/app/QuillonIds.h and
# veltra/app/VeltraIds.h.
HEX_BOX = {"quillon": "RxHex", "veltra": "ReceiveHex"}
# The time-stamp box: "显示保存时间", "接收时间".
STAMP_BOX = {"quillon": "ShowTimestamp", "veltra": "ReceiveTime"}
RATE = 11520          # bytes per second at 115200 baud, 8N1
SLICE = 0.010         # the feed writes every 10 ms
MB = 1_000_000


def memory_kib(pid):
    return rig.status(pid)


def text_lines():
    n = 0
    while True:
        yield ("%06d 温度 23.5 湿度 61%% the quick brown fox jumps over the lazy dog\r\n" % n).encode("gbk")
        n += 1


def payload(kind, size):
    if kind == "hex":
        return os.urandom(size)
    out, lines = bytearray(), text_lines()
    while len(out) < size:
        out += next(lines)
    return bytes(out[:size])


# --- _NET_WM_PING through libX11 (no window manager runs, so the pinger
# plays its part: it selects substructure redirection on the root window,
# where the answers go, and maps whatever the program asks to map).
X = ctypes.CDLL(ctypes.util.find_library("X11"))
ulong, long_, ptr = ctypes.c_ulong, ctypes.c_long, ctypes.c_void_p
for fn, res, args in (
        ("XOpenDisplay", ptr, [ctypes.c_char_p]), ("XDefaultRootWindow", ulong, [ptr]),
        ("XInternAtom", ulong, [ptr, ctypes.c_char_p, ctypes.c_int]),
        ("XQueryTree", ctypes.c_int, [ptr, ulong, ptr, ptr, ptr, ptr]),
        ("XGetWindowProperty", ctypes.c_int, [ptr, ulong, ulong, long_, long_, ctypes.c_int, ulong,
                                              ptr, ptr, ptr, ptr, ptr]),
        ("XFree", ctypes.c_int, [ptr]), ("XSelectInput", ctypes.c_int, [ptr, ulong, long_]),
        ("XSendEvent", ctypes.c_int, [ptr, ulong, ctypes.c_int, long_, ptr]),
        ("XMapWindow", ctypes.c_int, [ptr, ulong]), ("XFlush", ctypes.c_int, [ptr]),
        ("XPending", ctypes.c_int, [ptr]), ("XNextEvent", ctypes.c_int, [ptr, ptr]),
        ("XConnectionNumber", ctypes.c_int, [ptr]), ("XCloseDisplay", ctypes.c_int, [ptr])):
    getattr(X, fn).restype, getattr(X, fn).argtypes = res, args
XTST = ctypes.CDLL(ctypes.util.find_library("Xtst"))
XTST.XTestFakeMotionEvent.argtypes = [ptr, ctypes.c_int, ctypes.c_int, ctypes.c_int, ulong]
XTST.XTestFakeButtonEvent.argtypes = [ptr, ctypes.c_uint, ctypes.c_int, ulong]
CLIENT_MESSAGE, MAP_REQUEST = 33, 20
SUBSTRUCTURE_NOTIFY, SUBSTRUCTURE_REDIRECT = 1 << 19, 1 << 20


class XEvent(ctypes.Structure):
    # XClientMessageEvent; a map request's window sits where message_type is.
    _fields_ = [("type", ctypes.c_int), ("serial", ulong), ("send_event", ctypes.c_int), ("display", ptr),
                ("window", ulong), ("message_type", ulong), ("format", ctypes.c_int), ("l", long_ * 5),
                ("pad", long_ * 12)]


def window_longs(dpy, win, prop):
    kind, fmt, n, after, data = ulong(), ctypes.c_int(), ulong(), ulong(), ctypes.POINTER(long_)()
    if X.XGetWindowProperty(dpy, win, prop, 0, 64, 0, 0, ctypes.byref(kind), ctypes.byref(fmt), ctypes.byref(n),
                            ctypes.byref(after), ctypes.byref(data)) != 0 or not data:
        return []
    out = [data[i] for i in range(n.value)] if fmt.value == 32 else []
    X.XFree(data)
    return out


class Pinger(threading.Thread):
    """Pings one of the program's windows every 50 ms, one ping in flight;
    take_worst() gives the longest wait since it was last called. Paused
    while the idle cost is measured: each ping wakes the program."""

    def __init__(self, display, pid):
        super().__init__(daemon=True)
        self.dpy = X.XOpenDisplay((":%d" % display).encode())
        self.root = X.XDefaultRootWindow(self.dpy)
        self.protocols, self.ping, pid_atom = (X.XInternAtom(self.dpy, a, 0)
                                               for a in (b"WM_PROTOCOLS", b"_NET_WM_PING", b"_NET_WM_PID"))
        parent, kids, n = ulong(), ctypes.POINTER(ulong)(), ctypes.c_uint()
        X.XQueryTree(self.dpy, self.root, ctypes.byref(parent), ctypes.byref(parent), ctypes.byref(kids),
                     ctypes.byref(n))
        wins = [kids[i] for i in range(n.value)]
        X.XFree(kids)
        self.win = next(w for w in wins if window_longs(self.dpy, w, pid_atom) == [pid]
                        and self.ping in window_longs(self.dpy, w, self.protocols))
        X.XSelectInput(self.dpy, self.root, SUBSTRUCTURE_NOTIFY | SUBSTRUCTURE_REDIRECT)
        self.worst, self.stopping, self.paused, self.lock = 0.0, False, False, threading.Lock()

    def take_worst(self):
        with self.lock:
            worst, self.worst = self.worst, 0.0
        return worst * 1000

    def stop(self):
        self.stopping = True
        self.join()
        X.XCloseDisplay(self.dpy)

    def run(self):
        fd, seq, ev = X.XConnectionNumber(self.dpy), 0, XEvent()
        while not self.stopping:
            if self.paused:
                time.sleep(0.05)
                continue
            seq += 1
            msg = XEvent(type=CLIENT_MESSAGE, window=self.win, message_type=self.protocols, format=32)
            msg.l[0], msg.l[2], msg.l[3] = self.ping, self.win, seq
            sent, answered = time.monotonic(), False
            X.XSendEvent(self.dpy, self.win, 0, 0, ctypes.byref(msg))
            X.XFlush(self.dpy)
            while not answered and not self.stopping:
                while X.XPending(self.dpy) and not answered:
                    X.XNextEvent(self.dpy, ctypes.byref(ev))
                    if ev.type == MAP_REQUEST:
                        X.XMapWindow(self.dpy, ev.message_type)
                        X.XFlush(self.dpy)
                    answered = ev.type == CLIENT_MESSAGE and ev.l[0] == self.ping and ev.l[3] == seq
                with self.lock:
                    self.worst = max(self.worst, time.monotonic() - sent)
                if not answered:
                    select.select([fd], [], [], 0.01)
            time.sleep(0.05)


class Run(rig.Program):
    """The program on an Xvfb of its own."""

    def __init__(self, name, binary, display):
        self.xvfb = rig.Xvfb(display)
        try:
            super().__init__(name, binary, self.xvfb.display)
        except BaseException:
            self.xvfb.close()
            raise

    def tick_box(self, boxes, on):
        """Sets the box, whatever it starts as: Quillon starts with its
        receive view's hex box ticked, Veltra with its own not."""
        box = self.ids[boxes[self.name]]
        if self.checked(box) != on:
            self.click(box)
            rig.atspi.wait_for(lambda: self.checked(box) == on, what="%s to toggle" % box.name)
            time.sleep(0.3)

    def drained(self, stall=3.0):
        """Waits until the counter equals what was written or stops moving;
        returns (count, time of the count's last change)."""
        last, changed = self.received(), time.time()
        while last < self.written and time.time() - changed < stall:
            time.sleep(0.1)
            now = self.received()
            if now != last:
                last, changed = now, time.time()
        return last, changed

    def close(self):
        super().close()
        self.xvfb.close()


# General serial terminals measured beside the programs, when installed.
# cutecom opens the device its settings name with its "Open" button
# (gtkterm 1.2.1 closes a pty right after opening it: its look-up of the
# device in /sys, which ptys lack, fails.)
CUTECOM_CONF = """[sessions]
1\\BaudRate=115200
1\\DataBits=8
1\\Device=%s
1\\FlowControl=0
1\\OpenMode=3
1\\Parity=0
1\\StopBits=1
1\\name=Default
1\\showCtrlCharacters=false
1\\showTimestamp=false
size=1
"""


def start_cutecom(tmp, device):
    os.makedirs(os.path.join(tmp, "CuteCom"))
    with open(os.path.join(tmp, "CuteCom", "CuteCom5.conf"), "w") as f:
        f.write(CUTECOM_CONF % device)
    return ["cutecom"]


def open_cutecom(display):
    # Its Qt 5 does not join the accessibility bus here, so its "Open"
    # button, at the top left of the window (no window manager places it),
    # is clicked through XTest.
    time.sleep(3)
    dpy = X.XOpenDisplay((":%d" % display).encode())
    XTST.XTestFakeMotionEvent(dpy, -1, 50, 43, 0)
    XTST.XTestFakeButtonEvent(dpy, 1, 1, 0)
    XTST.XTestFakeButtonEvent(dpy, 1, 0, 0)
    X.XFlush(dpy)
    X.XCloseDisplay(dpy)


# name: (write its settings and give its command, open the port)
PEERS = {"cutecom": (start_cutecom, open_cutecom)}


class PeerRun:
    """A peer terminal on an Xvfb of its own, on a pty its settings name.
    It has no counter to read: what it took in is what left the pty's
    input queue."""

    def __init__(self, name, display):
        self.name = name
        self.xvfb = rig.Xvfb(display)
        self.tmp = tempfile.mkdtemp(prefix="pbench-")
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)
        start, open_port = PEERS[name]
        argv = start(self.tmp, os.ttyname(self.slave))
        env = dict(os.environ, DISPLAY=":%d" % self.xvfb.display, HOME=self.tmp, XDG_CONFIG_HOME=self.tmp,
                   QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
        self.log = open(os.path.join(self.tmp, "program.log"), "w")
        self.proc = subprocess.Popen(argv, env=env, cwd=self.tmp, stdout=self.log, stderr=self.log)
        self.pid = self.proc.pid
        self.written = 0
        try:
            open_port(self.xvfb.display)
            time.sleep(0.5)
            # Open once a byte written at the far end has been read.
            os.write(self.master, b".")
            self.written = 1
            rig.atspi.wait_for(lambda: queued(self.slave) == 0, timeout=10, what="%s to open its port" % name)
        except BaseException:
            self.close()
            raise

    def drained(self, stall=3.0):
        changed = time.time()
        while queued(self.slave) > 0 and time.time() - changed < stall:
            time.sleep(0.01)
        return self.written - queued(self.slave), time.time()

    def close(self):
        rig.end(self)
        self.xvfb.close()


def bench_peer(name, display, short):
    """Idle and the steady text feed, in the rounds the programs get."""
    idle_s, feed_s = (3, 4) if short else (20, 20)
    run = PeerRun(name, display)
    try:
        r = {"idle": idle(run, idle_s)}
        rounds = sorted((steady(run, "text", feed_s) for _ in range(1 if short else 2)),
                        key=lambda x: x["cpu_per_mb"])
        r["text"] = {"cpu_per_mb": rounds[0]["cpu_per_mb"], "cpu_worst": rounds[-1]["cpu_per_mb"],
                     "wakes": min(x["wakes"] for x in rounds)}
        return r
    finally:
        run.close()


def idle(run, seconds):
    time.sleep(1)
    c0, t0 = cpu_seconds(run.pid), time.time()
    time.sleep(seconds)
    return 100 * (cpu_seconds(run.pid) - c0) / (time.time() - t0)


def steady(run, kind, seconds):
    """Writes RATE bytes a second in 10 ms slices; CPU s per MB, counted
    until the program has taken in everything written."""
    data = payload(kind, int(RATE * seconds) + RATE)
    sent = 0
    w0, c0 = wakes(run.pid), cpu_seconds(run.pid)
    t0 = time.time()
    while True:
        elapsed = time.time() - t0
        if elapsed >= seconds:
            break
        due = min(int(RATE * elapsed), len(data))
        if due > sent:
            sent += os.write(run.master, data[sent:due])
        time.sleep(max(0.0, t0 + (int(elapsed / SLICE) + 1) * SLICE - time.time()))
    run.written += sent
    wakes_per_s = (wakes(run.pid) - w0) / (time.time() - t0)
    count, _ = run.drained()
    return {"cpu_per_mb": (cpu_seconds(run.pid) - c0) / (sent / MB), "lost": run.written - count,
            "wakes": wakes_per_s}


def wakes(pid):
    """Context switches of the main thread: each blocking pass of its event
    loop is one. A count, so it does not vary with how busy the host is,
    as CPU time on a shared machine does."""
    with open("/proc/%d/status" % pid) as f:
        return sum(int(line.split()[1]) for line in f if "ctxt_switches:" in line)


def queued(fd):
    """Bytes waiting in the pty for the program to read."""
    return struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0]


def burst(run, kind, size):
    """Writes SIZE bytes as fast as the pty takes them; the drain rate runs
    from the first write to the moment the program has read the last byte
    from the pty (its input queue, watched every 2 ms: the counters shown
    come through the accessibility bus and a frame late)."""
    data = payload(kind, size)
    before = run.received()
    c0 = cpu_seconds(run.pid)
    t0, done = pour(run.master, run.slave, data)
    run.written += size
    count, _ = run.drained()
    taken = count - before
    return {"rate": taken / max(done - t0, 1e-9), "lost": size - taken,
            "cpu_per_mb": (cpu_seconds(run.pid) - c0) / (size / MB)}


def pour(master, slave, data):
    """Writes data as fast as the pty takes it and waits until the reader
    has emptied its input queue; the times of the first write and of that."""
    t0, sent = time.time(), 0
    while sent < len(data):
        sent += os.write(master, data[sent:sent + 4096])
    done = time.time()
    while queued(slave) > 0 and time.time() - done < 30:
        time.sleep(0.002)
    return t0, time.time()


# Each program's tick: most bytes a tick reads, and its period in ms.
TICK = {"quillon": (1024, 10), "veltra": (1000, 3)}


def bare_drain(reader, name, kind, size):
    """The same burst through a pty of its own to bare_reader, which reads
    as the program's tick does but with no window: what the pty hands on
    at that beat on this machine, in the same run. Timed as burst()."""
    master, slave = os.openpty()
    chunk, period = TICK[name]
    proc = subprocess.Popen([reader, os.ttyname(slave), str(chunk), str(period), str(size)],
                            stdout=subprocess.PIPE, text=True)
    try:
        proc.stdout.readline()  # raw mode is set
        t0, done = pour(master, slave, payload(kind, size))
        out = proc.communicate(timeout=30)[0]
        reads = [int(w) for w in out.split() if w.isdigit()]
        return {"rate": size / max(done - t0, 1e-9), "short": reads[2] / max(reads[1], 1)}
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        os.close(master)
        os.close(slave)


def steady_rounds(run, kind, seconds, quiet_rounds, pinger):
    """The feed in rounds: on a shared machine the others' load only adds
    to a round's CPU time, so the quiet rounds' range shows how much. The
    pinger wakes the program 20 times a second; it pings in one more round
    only, which gives the worst answer and what the pings cost."""
    pinger.paused = True
    quiet = [steady(run, kind, seconds) for _ in range(quiet_rounds)]
    pinger.paused = False
    pinged = steady(run, kind, seconds)
    cpu = sorted(r["cpu_per_mb"] for r in quiet)
    return {"cpu_per_mb": cpu[0], "cpu_worst": cpu[-1], "cpu_pinged": pinged["cpu_per_mb"],
            "lost": pinged["lost"], "wakes": min(r["wakes"] for r in quiet)}


def bench(name, binary, display, short, growth_bursts):
    idle_s, feed_s, burst_size = (3, 4, 256 * 1024) if short else (20, 20, 2 * MB)
    quiet_rounds = 1 if short else 2
    if short:
        growth_bursts = 2
    run = Run(name, binary, display)
    pinger = Pinger(run.display, run.pid)
    pinger.start()
    try:
        rss0 = memory_kib(run.pid)["VmRSS"]
        pinger.paused = True
        r = {"name": name, "idle": idle(run, idle_s)}
        pinger.paused = False
        run.tick_box(HEX_BOX, False)
        r["text"] = steady_rounds(run, "text", feed_s, quiet_rounds, pinger)
        r["ping_text"] = pinger.take_worst()
        run.tick_box(STAMP_BOX, True)
        pinger.paused = True
        r["stamped"] = steady(run, "text", feed_s)
        pinger.paused = False
        run.tick_box(STAMP_BOX, False)
        r["text_burst"] = burst(run, "text", burst_size)
        r["ping_text_burst"] = pinger.take_worst()
        run.tick_box(HEX_BOX, True)
        r["hex"] = steady_rounds(run, "hex", feed_s, quiet_rounds, pinger)
        r["ping_hex"] = pinger.take_worst()
        r["hex_burst"] = burst(run, "hex", burst_size)
        r["ping_hex_burst"] = pinger.take_worst()
        reader = os.path.join(os.path.dirname(binary), "bare_reader")
        r["bare_burst"] = {k: bare_drain(reader, name, k, burst_size) for k in ("text", "hex")}
        run.tick_box(HEX_BOX, False)
        # The slope over the bursts after the first leaves out what start-up
        # and the first fill of the view's caches cost.
        first = burst(run, "text", burst_size)
        rss1, grown = memory_kib(run.pid)["VmRSS"], run.written
        for _ in range(growth_bursts - 1):
            last = burst(run, "text", burst_size)
        # What a burst costs once the view holds all the rest: flat when
        # the cost of an append does not grow with what is shown.
        r["growth_cpu"] = (first["cpu_per_mb"], last["cpu_per_mb"])
        mem = memory_kib(run.pid)
        r.update(rss0=rss0, rss1=mem["VmRSS"], hwm=mem["VmHWM"], shown=run.written,
                 lost=run.written - run.received(), growth_bursts=growth_bursts)
        r["growth"] = (mem["VmRSS"] - rss1) / 1024 / max((run.written - grown) / MB, 1e-9)
        r["ping_growth"] = pinger.take_worst()
        return r
    finally:
        pinger.stop()
        run.close()


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
    return "\n".join(out)


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
    args = parser.parse_args()
    names = ["quillon", "veltra"] if args.program == "both" else [args.program]
    for n in names:
        if not os.access(os.path.join(args.bin, n), os.X_OK):
            sys.exit("%s: no %s in %s; build it first" % (sys.argv[0], n, args.bin))
        rig.ids.load(os.path.join(args.bin, n))  # its control ids, before any phase starts
    results = {}
    for n in names:
        print("%s…" % n, file=sys.stderr, flush=True)
        results[n] = bench(n, os.path.join(args.bin, n), args.display, args.short, max(2, args.growth))
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
    if peers:
        print(peer_table(results, peers))


if __name__ == "__main__":
    rig.with_buses(main)
