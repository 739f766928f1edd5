"""What the process-level runs (process_bench.py, soak.py) share: a private
Xvfb, the real program started on a pty pinned as COM1 in a private ports
folder and driven through its accessible tree, figures from /proc, and the
private session and accessibility buses the tree needs."""
import datetime
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import tty

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import ids  # noqa: E402
HZ = os.sysconf("SC_CLK_TCK")

# Names in quillon/QuillonIds.h and veltra/app/VeltraIds.h.
OPEN_AND_RECEIVED = {"quillon": ("OpenButton", "RxBytes"), "veltra": ("ConnectButton", "ReceivedCount")}

atspi = None  # tools/atspi.py, imported by with_buses once the buses run


def cpu_seconds(pid):
    # The fields after the command name; utime and stime are the process's
    # totals over all its threads.
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / HZ


def status(pid, keys=("VmRSS", "VmHWM")):
    values = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in keys:
                values[key] = int(rest.split()[0])
    return values


def free_display(first):
    n = first
    while os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
        n += 1
    return n


def machine():
    model = "unknown CPU"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return "%d × %s" % (os.cpu_count(), model)


def today():
    return datetime.date.today().isoformat()


class Xvfb:
    def __init__(self, first):
        self.display = free_display(first)
        self.proc = subprocess.Popen(
            ["Xvfb", ":%d" % self.display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 10
        while not os.path.exists("/tmp/.X11-unix/X%d" % self.display):
            if time.time() > deadline or self.proc.poll() is not None:
                raise RuntimeError("Xvfb :%d did not start" % self.display)
            time.sleep(0.1)

    def close(self):
        self.proc.terminate()
        self.proc.wait()


class Program:
    """One program started for real on DISPLAY, its port open, its pty's
    other end (master) ours. The byte written to see the port open is
    counted in written. ids holds the program's control ids by name, as
    the build made them with the binary."""

    def __init__(self, name, binary, display, remote=False):
        """remote: COM1 is the pty behind ser2net (RFC 2217 on the
        loopback), named by a ports-folder file, instead of a link."""
        self.name = name
        binary = os.path.abspath(binary)  # it starts in a folder of its own
        self.ids = getattr(ids.load(binary), name.capitalize())
        self.open_id, self.received_id = (self.ids[n] for n in OPEN_AND_RECEIVED[name])
        self.tmp = tempfile.mkdtemp(prefix="pbench-")
        self.display = display
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)
        os.makedirs(os.path.join(self.tmp, "comports"))
        self.server = None
        if remote:
            self.server = ser2net(self.tmp, os.ttyname(self.slave))
            with open(os.path.join(self.tmp, "comports", "COM1"), "w") as f:
                f.write("rfc2217://127.0.0.1:%d\n" % self.server.port)
        else:
            os.symlink(os.ttyname(self.slave), os.path.join(self.tmp, "comports", "COM1"))
        env = dict(os.environ, DISPLAY=":%d" % display, XDG_CONFIG_HOME=self.tmp, HOME=self.tmp,
                   QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
        env.pop("WAYLAND_DISPLAY", None)
        self.log = open(os.path.join(self.tmp, "program.log"), "w")
        self.proc = subprocess.Popen([binary], env=env, cwd=self.tmp, stdout=self.log, stderr=self.log)
        self.pid = self.proc.pid
        try:
            self.app = atspi.find_app(os.path.basename(binary), timeout=20)
            self.counter = self.control(self.received_id)
            closed = self.text(self.open_id)
            self.click(self.open_id)
            # A remote open ends in the background, after its purge.
            atspi.wait_for(lambda: self.text(self.open_id) != closed, timeout=10, what="%s to open COM1" % name)
            time.sleep(0.5)
            # The port is open once a byte written at the far end is counted.
            os.write(self.master, b".")
            self.written = 1
            atspi.wait_for(lambda: self.received() == 1, timeout=10, what="%s to open COM1" % name)
        except BaseException:
            self.close()
            raise

    def control(self, cid):
        return atspi.control(self.app, cid)

    def click(self, cid):
        atspi.click(self.control(cid))

    def set_text(self, cid, value):
        atspi.set_text(self.control(cid), value)

    def text(self, cid):
        return atspi.text_of(self.control(cid))

    def checked(self, cid):
        return atspi.checked(self.control(cid))

    def number(self, cid):
        """The decimal number a counter control shows."""
        acc = self.counter if cid == self.received_id else self.control(cid)
        return int(re.sub(r"\D", "", atspi.text_of(acc) or "") or 0)

    def received(self):
        return self.number(self.received_id)

    def close(self):
        end(self)


def end(run):
    """Stops a started program and frees its pty, log and folder."""
    run.proc.terminate()
    try:
        run.proc.wait(5)
    except subprocess.TimeoutExpired:
        run.proc.kill()
        run.proc.wait()
    if getattr(run, "server", None):
        run.server.terminate()
        run.server.wait()
    os.close(run.master)
    os.close(run.slave)
    run.log.close()
    shutil.rmtree(run.tmp, ignore_errors=True)


def ser2net(folder, device):
    """Debian's ser2net serving device over RFC 2217 on a free loopback
    port, as a serial server in another room would; .port is the port."""
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    config = os.path.join(folder, "ser2net.yaml")
    with open(config, "w") as f:
        f.write("%%YAML 1.1\n---\nconnection: &com1\n  accepter: telnet(rfc2217),tcp,127.0.0.1,%d\n"
                "  connector: serialdev,%s,115200n81,local\n" % (port, device))
    proc = subprocess.Popen(["/usr/sbin/ser2net", "-n", "-u", "-c", config],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        with socket.socket() as s:
            if s.connect_ex(("127.0.0.1", port)) == 0:
                proc.port = port
                return proc
        time.sleep(0.05)
    proc.kill()
    raise RuntimeError("ser2net does not listen")


def with_buses(main):
    """Runs main() on a private session bus and accessibility bus, as
    tools/atspi-run.sh has; re-executes the script under dbus-run-session."""
    global atspi
    if os.environ.get("PBENCH_BUS") != "1":
        os.environ["PBENCH_BUS"] = "1"
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv)
    os.environ.pop("DISPLAY", None)  # the buses are found through dbus, not an X property
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1)
    import atspi as module  # only once the accessibility bus runs
    atspi = module
    try:
        return main()
    finally:
        launcher.terminate()
        launcher.wait()
