#!/usr/bin/python3
"""Drives Quillon's window through AT-SPI as a screen-reader user would:
opens COM1, sends one hex frame from send area 1, reads the device's
answer back from the receive view and closes the port again. Run by
quillon_atspi_smoke.sh, which puts the simulator echoing on COM1; by hand:
tests/e2e/quillon_atspi_smoke.sh build/bin/quillon build/bin/serial-sim
[PICTURE.png]. Argument 1 is the application's name, argument 2
(optional) a picture of the window to save before the port closes."""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import atspi  # noqa: E402
import pyatspi  # noqa: E402
from ids import Quillon as Q  # noqa: E402

FRAME = "01 02 A5 FF"


def checked(acc):
    return acc.getState().contains(pyatspi.STATE_CHECKED)


def set_check(app, cid, on):
    box = atspi.control(app, cid)
    if checked(box) != on:
        atspi.click(box)  # its toggle action
        atspi.wait_for(lambda: checked(box) == on, what="%s to toggle" % box.name)


app = atspi.find_app(sys.argv[1])
print("port list: %r, baud: %r" % (atspi.control(app, Q.PortList).name, atspi.control(app, Q.Baud).name))
open_button = atspi.control(app, Q.OpenButton)
if open_button.name != "打开串口":
    sys.exit("the open button reads %r before the port is opened" % open_button.name)
atspi.click(open_button)
atspi.wait_for(lambda: open_button.name == "关闭串口", what="the port to open")

set_check(app, Q.ShowSent, False)  # the view shows only what comes back
set_check(app, Q.RxHex, True)
set_check(app, Q.Area1Hex, True)
atspi.set_text(atspi.control(app, Q.Area1Text), FRAME)
atspi.click(atspi.control(app, Q.Area1Send))

view = atspi.control(app, Q.ReceiveView)
received = atspi.control(app, Q.RxBytes)
atspi.wait_for(lambda: FRAME in atspi.text_of(view) and atspi.text_of(received) == "4", timeout=10,
               what="the answer in the receive view")
print("receive view (%s): %r, bytes received: %s" % (view.name, atspi.text_of(view), atspi.text_of(received)))
if len(sys.argv) > 2:
    subprocess.run([os.path.join(HERE, "..", "..", "tools", "grab-window.sh"), sys.argv[2]], check=True)

atspi.click(open_button)
atspi.wait_for(lambda: open_button.name == "打开串口", what="the port to close")
print("closed; windows:", [(w.getRoleName(), w.name) for w in atspi.windows(app)])
