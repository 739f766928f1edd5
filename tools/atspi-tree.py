#!/usr/bin/python3
"""Prints the accessible tree of a running application as AT-SPI sees it:
role, name, description (where the programs put control ids) and state.

Usage: atspi-tree.py APP-NAME   (the application's name, e.g. quillon)
Needs an AT-SPI bus (tools/atspi-tree.sh starts one under Xvfb)."""
import sys
import time

import pyatspi


def walk(acc, depth, out):
    try:
        role = acc.getRoleName()
        name = acc.name or ""
        desc = acc.description or ""
        states = acc.getState()
        flags = []
        if not states.contains(pyatspi.STATE_ENABLED):
            flags.append("disabled")
        if states.contains(pyatspi.STATE_CHECKED):
            flags.append("checked")
        if not states.contains(pyatspi.STATE_SHOWING):
            flags.append("hidden")
        out.append("%s%s %r desc=%r %s" % ("  " * depth, role, name, desc, " ".join(flags)))
        for i in range(acc.childCount):
            child = acc.getChildAtIndex(i)
            if child is not None:
                walk(child, depth + 1, out)
    except Exception as e:  # a widget that went away while walking
        out.append("%s<error %s>" % ("  " * depth, e))


def main():
    want = sys.argv[1] if len(sys.argv) > 1 else "quillon"
    deadline = time.time() + 15
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and (app.name or "").lower() == want.lower():
                out = []
                walk(app, 0, out)
                print("\n".join(out))
                return 0
        time.sleep(0.5)
    print("application %s not found on the AT-SPI bus" % want, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
