#!/usr/bin/python3
"""Drives Veltra through its real window for a look at its traffic: ticks
the receive time and the line per burst, connects to the first port listed
(COM1 from tools/virtual-port.sh), lets the device end (PEER) send text and
then hex bursts, sends the send area, then saves a screenshot.
Usage: tools/atspi-run.sh build/bin/veltra tools/demo-veltra.py PEER OUT.png"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi  # noqa: E402
from ids import Veltra as V  # noqa: E402

app = atspi.find_app(sys.argv[1])
peer_path, out = sys.argv[2], sys.argv[3]
for cid in (V.ReceiveTime, V.BurstNewline):
    atspi.click(atspi.control(app, cid))
atspi.click(atspi.control(app, V.ConnectButton))
time.sleep(0.5)
peer = os.open(peer_path, os.O_RDWR | os.O_NOCTTY)
for burst in ("温度 23.5℃ 湿度 61%".encode("gbk"), b"OK"):
    os.write(peer, burst)
    time.sleep(0.3)
atspi.click(atspi.control(app, V.ReceiveHex))  # the next bursts as hex
for burst in (b"\x10\x09\x00\x00\x00\x01\xff\x4b\x88", b"\xaa\xbb\xcc\x0d\x0a"):
    os.write(peer, burst)
    time.sleep(0.3)
atspi.click(atspi.control(app, V.SendButton))
time.sleep(0.3)
print("device got:", os.read(peer, 64))
subprocess.run([os.path.join(os.path.dirname(os.path.abspath(__file__)), "grab-window.sh"), out], check=True)
print("received:", atspi.text_of(atspi.control(app, V.ReceivedCount)), "sent:",
      atspi.text_of(atspi.control(app, V.SentCount)))
