"""The benchmark's phases on the program under test: idle, the paced feed
in rounds, the bursts, the growth run, and the bare reader's drain beside
them; bench() runs them all on one program (and the fast phase, fast.py,
when asked)."""
import fcntl
import os
import struct
import subprocess
import termios
import time

import rig
from pinger import Pinger
from rig import cpu_seconds

# The receive view's hex box, by its name in quillon/QuillonIds.h and
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


class Run(rig.Program):
    """The program on an Xvfb of its own."""

    def __init__(self, name, binary, display, remote=False):
        self.xvfb = rig.Xvfb(display)
        try:
            super().__init__(name, binary, self.xvfb.display, remote)
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
    rounds = [r["cpu_per_mb"] for r in quiet]
    return {"cpu_per_mb": min(rounds), "cpu_worst": max(rounds), "cpu_pinged": pinged["cpu_per_mb"],
            "lost": pinged["lost"], "wakes": min(r["wakes"] for r in quiet), "rounds": rounds}


def bench(name, binary, display, short, growth_bursts, then=None):
    """Every phase above on one program; then(run, pinger), if given, runs
    last and adds what it returns to the figures."""
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
        if then:
            r.update(then(run, pinger))
        return r
    finally:
        pinger.stop()
        run.close()
