"""The fast phase: the program's port set through its baud list to a fast
rate, and a steady feed at that rate's bytes a second, text and then
random bytes as hex, from a feeder (feeder.py) that keeps the pty's queue
small and times how long it has to wait; last, Quillon's hex view
maximized at the fastest rate."""
import fcntl
import json
import os
import struct
import subprocess
import sys
import time

import rig
from phases import HEX_BOX, MB, TICK
from pinger import tap_keys
from rig import cpu_seconds

# Captions in the baud lists, and the bytes a second each carries (8N1).
FAST = (("921600", 92_160), ("1500000", 150_000), ("3000000", 300_000))
BAUD_LIST = {"quillon": "Baud", "veltra": "BaudList"}
# The receive view's clear button, and whether it zeroes the counter.
CLEAR_VIEW = {"quillon": ("ClearView", False), "veltra": ("ClearReceive", True)}
# The line discipline's buffer, all that FIONREAD on the program's end
# shows: the feeder never lets more wait, so the pty's own buffer behind
# it (some 18 KB here) never holds what an adapter would have dropped.
QUEUE_CAP = 4095
FEEDER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "feeder.py")
BOUND = 64 * 1024  # the most a program's tick reads
HOME, DOWN, RETURN = 0xFF50, 0xFF54, 0xFF0D
TCGETS2 = 0x802C542A  # _IOR('T', 0x2A, struct termios2)


def line_speed(fd):
    """The input and output rates the tty holds, as termios2 gives them."""
    return struct.unpack_from("II", fcntl.ioctl(fd, TCGETS2, bytes(44)), 36)


def choose(run, caption):
    """Picks caption in the baud list as a user would: the list opened by
    its accessible press, then Home, Down to the caption's place and
    Return (the list items' own action only marks them)."""
    box = run.control(run.ids[BAUD_LIST[run.name]])
    items = box.getChildAtIndex(0)
    names = [items.getChildAtIndex(i).name for i in range(items.childCount)]
    rig.atspi.click(box)
    time.sleep(0.3)
    tap_keys(run.display, [HOME] + [DOWN] * names.index(caption) + [RETURN])
    rig.atspi.wait_for(lambda: box.name == caption, what="the baud list to show %s" % caption)


def toggle_port(run):
    caption = run.text(run.open_id)
    run.click(run.open_id)
    rig.atspi.wait_for(lambda: run.text(run.open_id) != caption, what="the port to open or close")


def reopen_at(run, caption):
    """Closes the port, picks the rate (Veltra takes one only while
    closed) and opens it again; checks the rate the pty was given."""
    toggle_port(run)
    choose(run, caption)
    toggle_port(run)
    before = run.received()
    os.write(run.master, b".")
    rig.atspi.wait_for(lambda: run.received() == before + 1, timeout=10, what="the reopened port to read")
    if line_speed(run.slave) != (int(caption), int(caption)):
        raise RuntimeError("%s set the pty to %s, not %s" % (run.name, line_speed(run.slave), caption))


def clear_view(run):
    # Each feed starts from an empty view, whatever the others showed. A
    # feed counts from what the counter shows when it starts, so a counter
    # the clear zeroes is waited for (a view of many MB takes a while).
    button, zeroes = CLEAR_VIEW[run.name]
    run.click(run.ids[button])
    if zeroes:
        rig.atspi.wait_for(lambda: run.received() == 0, timeout=60, what="the cleared counter")
    time.sleep(1)


def feed(master, slave, kind, rate, seconds):
    out = subprocess.run([sys.executable, FEEDER, str(master), str(slave), str(rate), str(seconds), str(QUEUE_CAP),
                          kind], pass_fds=(master, slave), stdout=subprocess.PIPE, check=True,
                         timeout=seconds + 60).stdout
    return json.loads(out)


def paced(run, kind, rate, seconds):
    """rate bytes a second for seconds from feeder.py; CPU is counted
    until the program's counter has taken in every byte fed."""
    run.written = base = run.received()
    c0 = cpu_seconds(run.pid)
    r = feed(run.master, run.slave, kind, rate, seconds)
    run.written += r["sent"]
    count, _ = run.drained()
    r.update(rate=r["sent"] / seconds, lost=r["sent"] - (count - base),
             cpu_per_mb=(cpu_seconds(run.pid) - c0) / max(r["sent"] / MB, 1e-9))
    return r


def floor(reader, name, rate, seconds):
    """The same feed into a pty of its own, read by bare_reader at the
    program's tick, all that waits up to BOUND a tick: the waits this
    machine's pty and scheduling cause with no window at all."""
    master, slave = os.openpty()
    chunk, period = TICK[name]
    proc = subprocess.Popen([reader, os.ttyname(slave), str(chunk), str(period), str(rate * (seconds + 10)),
                             str(BOUND)], stdout=subprocess.PIPE, text=True)
    try:
        proc.stdout.readline()  # raw mode is set
        return feed(master, slave, "hex", rate, seconds)
    finally:
        proc.kill()
        proc.wait()
        proc.stdout.close()
        os.close(master)
        os.close(slave)


def fast(run, pinger, seconds, reader):
    """Every rate of FAST, text then random bytes as hex, pinged; the
    last rate's feed to the reader with no window (bare_reader at reader);
    then, for Quillon, the hex feed at the last rate with the window
    maximized: a steady stream there ends its frames at the 4095-byte cut."""
    out = {}
    for caption, rate in FAST:
        reopen_at(run, caption)
        for kind in ("text", "hex"):
            run.tick_box(HEX_BOX, kind == "hex")
            clear_view(run)
            pinger.take_worst()
            out[caption, kind] = paced(run, kind, rate, seconds)
            out[caption, kind]["ping"] = pinger.take_worst()
    out["floor"] = floor(reader, run.name, FAST[-1][1], seconds)
    if run.name == "quillon":  # still at the last rate, the hex box ticked
        size = pinger.maximize()
        clear_view(run)
        pinger.take_worst()
        out["maximized"] = paced(run, "hex", FAST[-1][1], seconds)
        out["maximized"].update(ping=pinger.take_worst(), size=size)
    return out
