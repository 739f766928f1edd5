#!/usr/bin/python3
"""Black-box smoke run of Quillon through its real window: opens the port
pinned as COM1 (tools/virtual-port.sh), checks the button caption, sends
nothing, closes the port and reports what it saw. Run with
tools/atspi-run.sh build/bin/quillon tools/smoke-quillon.py."""
import sys
import os

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi  # noqa: E402

app = atspi.find_app(sys.argv[1])
button = atspi.control(app, 1003)
print("button:", button.name)
atspi.click(button)
atspi.wait_for(lambda: button.name in ("关闭串口",) or len(atspi.windows(app)) > 1, what="open")
for w in atspi.windows(app):
    print("window:", w.getRoleName(), repr(w.name))
print("button:", button.name)
atspi.click(button)
atspi.wait_for(lambda: button.name == "打开串口", what="close")
print("button:", button.name)
print("port list:", atspi.control(app, 2040).name, "baud:", atspi.control(app, 2000).name)
