#!/usr/bin/python3
"""Drives Quillon through its real window for a look at its traffic: ticks
time stamps and markers, opens the port pinned as COM1, lets the device end
(PEER, the other end of tools/virtual-port.sh) answer in bursts, sends area
1, then saves a screenshot.
Usage: tools/atspi-run.sh build/bin/quillon tools/demo-quillon.py PEER OUT.png"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi  # noqa: E402
from ids import Quillon as Q  # noqa: E402

app = atspi.find_app(sys.argv[1])
peer_path, out = sys.argv[2], sys.argv[3]
for cid in (Q.ShowTimestamp, Q.ShowSent):  # time stamps, markers
    atspi.click(atspi.control(app, cid))
atspi.set_text(atspi.control(app, Q.Area1Text), "01 03 00 00 00 0A C5 CD")
open_button = atspi.control(app, Q.OpenButton)
atspi.click(open_button)
time.sleep(0.5)
peer = os.open(peer_path, os.O_RDWR | os.O_NOCTTY)
for burst in (b"\x01\x03\x14\x00\x0a\x00\x00", "温度 23.5℃\r\n".encode("gbk"), b"\xaa\xbb\xcc"):
    os.write(peer, burst)
    time.sleep(0.3)
atspi.click(atspi.control(app, Q.Area1Send))
time.sleep(0.3)
print("device got:", os.read(peer, 64).hex(" "))
atspi.click(atspi.control(app, Q.RxHex))  # the next frames as text
os.write(peer, "OK 完成\r\n".encode("gbk"))
time.sleep(0.4)
subprocess.run([os.path.join(os.path.dirname(os.path.abspath(__file__)), "grab-window.sh"), out], check=True)
print("frames:", atspi.control(app, Q.RxFrames).queryText().getText(0, -1))
