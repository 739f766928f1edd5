#!/usr/bin/python3
"""Drives Quillon's window through AT-SPI as a screen-reader user would:
opens COM1, sends one hex frame from send area 1 and reads the device's
answer back from the receive view. Run by quillon_atspi_smoke.sh; argument
1 is the application's name, argument 2 (optional) a picture of the window
to save at the end."""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import atspi  # noqa: E402
import pyatspi  # noqa: E402

OPEN, AREA1, AREA1_HEX, AREA1_SEND = 1003, 1002, 1024, 1018
VIEW, RX_HEX, SHOW_SENT, RX_BYTES = 1054, 1009, 1066, 1065
FRAME = "01 02 A5 FF"


def checked(acc):
    return acc.getState().contains(pyatspi.STATE_CHECKED)


def set_check(app, cid, on):
    box = atspi.control(app, cid)
    if checked(box) != on:
        atspi.click(box)  # its toggle action
        atspi.wait_for(lambda: checked(box) == on, what="%s to toggle" % box.name)


app = atspi.find_app(sys.argv[1])
open_button = atspi.control(app, OPEN)
atspi.click(open_button)
atspi.wait_for(lambda: open_button.name == "关闭串口", what="the port to open")

set_check(app, SHOW_SENT, False)  # the view shows only what comes back
set_check(app, RX_HEX, True)
set_check(app, AREA1_HEX, True)
atspi.set_text(atspi.control(app, AREA1), FRAME)
atspi.click(atspi.control(app, AREA1_SEND))

view = atspi.control(app, VIEW)
received = atspi.control(app, RX_BYTES)
atspi.wait_for(lambda: FRAME in atspi.text_of(view) and atspi.text_of(received) == "4", timeout=10,
               what="the answer in the receive view")
print("receive view (%s): %r, bytes received: %s" % (view.name, atspi.text_of(view), atspi.text_of(received)))
if len(sys.argv) > 2:
    subprocess.run([os.path.join(HERE, "..", "..", "tools", "grab-window.sh"), sys.argv[2]], check=True)
