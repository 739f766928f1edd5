"""General serial terminals measured beside the programs, in the same
run: idle and the text feed, in the rounds the programs get."""
import os
import subprocess
import tempfile
import time
import tty

import rig
from phases import idle, queued, steady
from pinger import X, XTST

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
        rounds = [steady(run, "text", feed_s) for _ in range(1 if short else 2)]
        cpu = [x["cpu_per_mb"] for x in rounds]
        r["text"] = {"cpu_per_mb": min(cpu), "cpu_worst": max(cpu), "wakes": min(x["wakes"] for x in rounds),
                     "rounds": cpu}
        return r
    finally:
        run.close()
