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
from ids import Quillon as Q  # noqa: E402

app = atspi.find_app(sys.argv[1])
peer_path, frames_file, out = sys.argv[2], sys.argv[3], sys.argv[4]


def c(cid):
    return atspi.control(app, cid)


def enabled(cid):
    return c(cid).getState().contains(pyatspi.STATE_ENABLED)


atspi.set_text(c(Q.Area1Text), "01 02")
atspi.set_text(c(Q.Area2Text), "03 04")
for cid in (Q.Area1TakesPart, Q.Area2TakesPart, Q.ShowSent):
    atspi.click(c(cid))
atspi.click(c(Q.AnswerMode))  # answer-driven, through the accessible toggle
time.sleep(0.3)
print("answer-driven: period enabled", enabled(Q.RotationPeriod), "| time-out enabled", enabled(Q.AnswerTimeout))
atspi.set_text(c(Q.AnswerTimeout), "1")
atspi.click(c(Q.OpenButton))
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


atspi.click(c(Q.AreaRotationButton))
time.sleep(0.3)
print("caption:", atspi.text_of(c(Q.AreaRotationButton)), "| file rotation enabled:",
      enabled(Q.FileRotationButton))
print("answered:", frames(4, True, 5))
print("unanswered (time-out 1 s, one re-send):", frames(3, False, 8))
atspi.click(c(Q.AreaRotationButton))
time.sleep(0.3)
print("caption after stop:", atspi.text_of(c(Q.AreaRotationButton)))
os.write(peer, b"\xcc")  # ends the wait for the last frame
time.sleep(0.3)

atspi.click(c(Q.ChooseFile))
time.sleep(1.5)
main_view = str(int(Q.ReceiveView))  # what tells the main window from the file dialog
dialogs = [w for w in atspi.windows(app) if main_view not in [a.description for a in atspi._walk(w)]]
edits = [a for w in dialogs for a in atspi._walk(w)
         if a.getRole() == pyatspi.ROLE_TEXT and a.getState().contains(pyatspi.STATE_EDITABLE)]
edits[-1].queryEditableText().setTextContents(frames_file)
buttons = [a for w in dialogs for a in atspi._walk(w) if a.getRole() == pyatspi.ROLE_PUSH_BUTTON]
atspi.click([b for b in buttons if b.name in ("打开", "Open", "&Open", "打开(&O)", "打开(O)")][0])
time.sleep(0.5)
print("title:", [w.name for w in atspi.windows(app)], "| lines:", atspi.text_of(c(Q.FileLineCount)),
      "| timed again:", c(Q.TimedMode).getState().contains(pyatspi.STATE_CHECKED))
atspi.set_text(c(Q.RotationPeriod), "300")
atspi.click(c(Q.FileRotationButton))
t0 = time.time()
time.sleep(0.2)
print("file caption:", atspi.text_of(c(Q.FileRotationButton)))
for _ in range(4):
    print("line:", frames(1, False, 3), "| current line:", atspi.text_of(c(Q.FileCurrentLine)))
subprocess.run([os.path.join(os.path.dirname(os.path.abspath(__file__)), "grab-window.sh"), out], check=True)
atspi.click(c(Q.FileRotationButton))
time.sleep(0.3)
print("file caption after stop:", atspi.text_of(c(Q.FileRotationButton)))
