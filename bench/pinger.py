"""_NET_WM_PING through libX11, for how long the program under a phase
takes to answer its window manager, and the libX11 and XTest bindings the
peers' runs and the fast phase share."""
import ctypes
import ctypes.util
import select
import threading
import time

# --- _NET_WM_PING through libX11 (no window manager runs, so the pinger
# plays its part: it selects substructure redirection on the root window,
# where the answers go, maps whatever the program asks to map, and
# maximizes the window when asked).
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
        ("XConnectionNumber", ctypes.c_int, [ptr]), ("XCloseDisplay", ctypes.c_int, [ptr]),
        ("XChangeProperty", ctypes.c_int, [ptr, ulong, ulong, ulong, ctypes.c_int, ctypes.c_int, ptr, ctypes.c_int]),
        ("XMoveResizeWindow", ctypes.c_int, [ptr, ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint]),
        ("XDisplayWidth", ctypes.c_int, [ptr, ctypes.c_int]), ("XDisplayHeight", ctypes.c_int, [ptr, ctypes.c_int]),
        ("XGetGeometry", ctypes.c_int, [ptr, ulong, ptr, ptr, ptr, ptr, ptr, ptr, ptr]),
        ("XSync", ctypes.c_int, [ptr, ctypes.c_int]), ("XKeysymToKeycode", ctypes.c_ubyte, [ptr, ulong])):
    getattr(X, fn).restype, getattr(X, fn).argtypes = res, args
XTST = ctypes.CDLL(ctypes.util.find_library("Xtst"))
XTST.XTestFakeMotionEvent.argtypes = [ptr, ctypes.c_int, ctypes.c_int, ctypes.c_int, ulong]
XTST.XTestFakeButtonEvent.argtypes = [ptr, ctypes.c_uint, ctypes.c_int, ulong]
XTST.XTestFakeKeyEvent.argtypes = [ptr, ctypes.c_uint, ctypes.c_int, ulong]
CLIENT_MESSAGE, MAP_REQUEST, XA_ATOM = 33, 20, 4
SUBSTRUCTURE_NOTIFY, SUBSTRUCTURE_REDIRECT = 1 << 19, 1 << 20


class XEvent(ctypes.Structure):
    # XClientMessageEvent; a map request's window sits where message_type is.
    _fields_ = [("type", ctypes.c_int), ("serial", ulong), ("send_event", ctypes.c_int), ("display", ptr),
                ("window", ulong), ("message_type", ulong), ("format", ctypes.c_int), ("l", long_ * 5),
                ("pad", long_ * 12)]


def tap_keys(display, keysyms):
    """Presses and releases each key in turn, through XTest: they go to
    whatever holds the keyboard, such as a list a program has popped up."""
    dpy = X.XOpenDisplay((":%d" % display).encode())
    for sym in keysyms:
        code = X.XKeysymToKeycode(dpy, sym)
        XTST.XTestFakeKeyEvent(dpy, code, 1, 0)
        XTST.XTestFakeKeyEvent(dpy, code, 0, 0)
    X.XSync(dpy, 0)
    X.XCloseDisplay(dpy)


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
        self.to_maximize, self.maximized, self.size = threading.Event(), threading.Event(), None

    def take_worst(self):
        with self.lock:
            worst, self.worst = self.worst, 0.0
        return worst * 1000

    def maximize(self):
        """Maximizes the window as a window manager would; its new size.
        Done on the pinger's thread: the connection that redirects the
        others' configure requests is the one whose own are not."""
        self.to_maximize.set()
        if not self.maximized.wait(10):
            raise RuntimeError("the pinger did not maximize the window")
        return self.size

    def _maximize(self):
        # The state first, which the program's layout follows, then the
        # screen's size, which its size limits allow once maximized.
        state = X.XInternAtom(self.dpy, b"_NET_WM_STATE", 0)
        both = (ulong * 2)(*(X.XInternAtom(self.dpy, a, 0)
                             for a in (b"_NET_WM_STATE_MAXIMIZED_VERT", b"_NET_WM_STATE_MAXIMIZED_HORZ")))
        X.XChangeProperty(self.dpy, self.win, state, XA_ATOM, 32, 0, both, 2)
        X.XSync(self.dpy, 0)
        time.sleep(0.5)
        X.XMoveResizeWindow(self.dpy, self.win, 0, 0, X.XDisplayWidth(self.dpy, 0), X.XDisplayHeight(self.dpy, 0))
        X.XSync(self.dpy, 0)
        time.sleep(0.5)
        root, x, y = ulong(), ctypes.c_int(), ctypes.c_int()
        w, h, border, depth = (ctypes.c_uint() for _ in range(4))
        X.XGetGeometry(self.dpy, self.win, *(ctypes.byref(v) for v in (root, x, y, w, h, border, depth)))
        self.size = (w.value, h.value)
        self.maximized.set()

    def stop(self):
        self.stopping = True
        self.join()
        X.XCloseDisplay(self.dpy)

    def run(self):
        fd, seq, ev = X.XConnectionNumber(self.dpy), 0, XEvent()
        while not self.stopping:
            if self.to_maximize.is_set() and not self.maximized.is_set():
                self._maximize()
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
