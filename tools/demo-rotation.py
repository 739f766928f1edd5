#!/usr/bin/python3
"""Drives Quillon's rotations through its real window: an answer-driven
rotation of areas 1 and 2 with the device (PEER, the other end of
tools/virtual-port.sh) answering each frame, then not answering, then a
timed rotation of the lines of FRAMES (a text file of hex lines) chosen
through the file dialog; prints what the device got and saves a
screenshot.
Usage: tools/atspi-run.sh build/bin/quillon tools/demo-rotation.py PEER FRAMES OUT.png"""
import os
import select
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi  # noqa: E402
import pyatspi  # noqa: E402

app = atspi.find_app(sys.argv[1])
peer_path, frames_file, out = sys.argv[2], sys.argv[3], sys.argv[4]


def c(cid):
    return atspi.control(app, cid)


def enabled(cid):
    return c(cid).getState().contains(pyatspi.STATE_ENABLED)


atspi.set_text(c(1002), "01 02")
atspi.set_text(c(1007), "03 04")
for cid in (1035, 1036, 1066):  # areas 1 and 2 take part; show sent frames
    atspi.click(c(cid))
atspi.click(c(1043))  # answer-driven, through the accessible toggle
time.sleep(0.3)
print("answer-driven: 1028 enabled", enabled(1028), "| 1068 enabled", enabled(1068))
atspi.set_text(c(1068), "1")
atspi.click(c(1003))
time.sleep(0.5)
peer = os.open(peer_path, os.O_RDWR | os.O_NOCTTY)
t0 = time.time()


def frames(n, answer, timeout):
    got = []
    deadline = time.time() + timeout
    while len(got) < n and time.time() < deadline:
        ready, _, _ = select.select([peer], [], [], 0.2)
        if ready:
            time.sleep(0.05)
            got.append((round(time.time() - t0, 1), os.read(peer, 256).hex(" ")))
            if answer:
                os.write(peer, b"\xaa\xbb")
    return got


atspi.click(c(1039))
time.sleep(0.3)
print("caption:", atspi.text_of(c(1039)), "| 1061 enabled:", enabled(1061))
print("answered:", frames(4, True, 5))
print("unanswered (time-out 1 s, one re-send):", frames(3, False, 8))
atspi.click(c(1039))
time.sleep(0.3)
print("caption after stop:", atspi.text_of(c(1039)))
os.write(peer, b"\xcc")  # ends the wait for the last frame
time.sleep(0.3)

atspi.click(c(1060))
time.sleep(1.5)
dialogs = [w for w in atspi.windows(app) if "1054" not in [a.description for a in atspi._walk(w)]]
edits = [a for w in dialogs for a in atspi._walk(w)
         if a.getRole() == pyatspi.ROLE_TEXT and a.getState().contains(pyatspi.STATE_EDITABLE)]
edits[-1].queryEditableText().setTextContents(frames_file)
buttons = [a for w in dialogs for a in atspi._walk(w) if a.getRole() == pyatspi.ROLE_PUSH_BUTTON]
atspi.click([b for b in buttons if b.name in ("打开", "Open", "&Open", "打开(&O)")][0])
time.sleep(0.5)
print("title:", [w.name for w in atspi.windows(app)], "| lines:", atspi.text_of(c(1071)),
      "| timed again:", c(1032).getState().contains(pyatspi.STATE_CHECKED))
atspi.set_text(c(1028), "300")
atspi.click(c(1061))
t0 = time.time()
time.sleep(0.2)
print("file caption:", atspi.text_of(c(1061)))
for _ in range(4):
    print("line:", frames(1, False, 3), "| 1072:", atspi.text_of(c(1072)))
subprocess.run([os.path.join(os.path.dirname(os.path.abspath(__file__)), "grab-window.sh"), out], check=True)
atspi.click(c(1061))
time.sleep(0.3)
print("file caption after stop:", atspi.text_of(c(1061)))
