#!/usr/bin/python3
"""Pictures of Quillon's presentation under a window manager: the normal
window, both lamps lit (the device sends and area 1 auto-sends every
tick), the always-on-top toggle on ("定", red), the maximized window and
the about box. Starts openbox on the display itself.
Usage: tools/atspi-run.sh build/bin/quillon tools/demo-presentation.py PEER OUTDIR
(PEER: the other end of tools/virtual-port.sh COM1)"""
import os
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi  # noqa: E402
from ids import Quillon as Q  # noqa: E402

TOOLS = os.path.dirname(os.path.abspath(__file__))
app = atspi.find_app(sys.argv[1])
peer_path, out = sys.argv[2], sys.argv[3]
os.makedirs(out, exist_ok=True)
wm = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(1.5)


def grab(name):
    path = os.path.join(out, name)
    subprocess.run([os.path.join(TOOLS, "grab-window.sh"), path], check=True)
    print(path)


def grab_named(title, name):
    info = subprocess.run(["xwininfo", "-name", title], capture_output=True, text=True, check=True).stdout
    wid = info.split("Window id: ")[1].split()[0]
    path = os.path.join(out, name)
    subprocess.run(["import", "-window", wid, path], check=True)
    print(path)


grab("normal.png")

atspi.click(atspi.control(app, Q.OpenButton))  # COM1
time.sleep(0.5)
peer = os.open(peer_path, os.O_RDWR | os.O_NOCTTY)
running = True


def device():
    # A byte every 3 ms: every 10 ms tick reads a chunk, so the receive lamp
    # stays lit; what area 1 sends is drained.
    while running:
        os.write(peer, b"\x55")
        try:
            os.read(peer, 4096)
        except BlockingIOError:
            pass
        time.sleep(0.003)


os.set_blocking(peer, False)
feeder = threading.Thread(target=device)
feeder.start()
atspi.set_text(atspi.control(app, Q.Area1Text), "01 02")
atspi.click(atspi.control(app, Q.Area1Auto))
atspi.set_text(atspi.control(app, Q.Area1Period), "10")
atspi.click(atspi.control(app, Q.TopmostToggle))
time.sleep(1.0)
grab("lamps.png")
running = False
feeder.join()
atspi.click(atspi.control(app, Q.Area1Auto))  # off again

subprocess.run(["wmctrl", "-r", "Quillon", "-b", "add,maximized_vert,maximized_horz"], check=True)
time.sleep(1.0)
grab("maximized.png")
subprocess.run(["wmctrl", "-r", "Quillon", "-b", "remove,maximized_vert,maximized_horz"], check=True)
time.sleep(1.0)
grab("restored.png")

threading.Thread(target=lambda: atspi.click(atspi.control(app, Q.About))).start()  # the box is modal
time.sleep(1.5)
grab_named("关于 Quillon 3.0AD", "about.png")
wm.terminate()
os._exit(0)
