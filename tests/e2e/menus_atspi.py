#!/usr/bin/python3
"""Opens a program's context menus from the keyboard (Menu key, Shift+F10)
as a screen-reader user would and finds them in the accessible tree: the
entries by name, the about entry's access key, and the check entry
"断线自动重连", turned through its action. Run by menus_atspi.sh under
tools/atspi-run.sh; arguments: the application's name, then "on" or "off",
the switch's state at start."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import atspi  # noqa: E402
import pyatspi  # noqa: E402
from ids import Quillon, Veltra  # noqa: E402

SWITCH = "断线自动重连"
# The about entry; a button showing the window's menu; a control whose own
# menu comes first, with its first entries.
PROGRAMS = {
    "quillon": ("关于 Quillon(A)...", Quillon.ClearCounters, Quillon.ReceiveView, ["剪切(T)", "复制(C)"]),
    "veltra": ("版权信息(A)...", Veltra.ClearReceive, Veltra.ClearSend, []),
}
keys = pyatspi.Registry


def popup(app):
    return next((w for w in atspi.windows(app) if w is not None and w.getRoleName() == "popup menu"), None)


def open_menu(app, control, shift_f10):
    target = atspi.control(app, control)
    target.queryComponent().grabFocus()
    atspi.wait_for(lambda: target.getState().contains(pyatspi.STATE_FOCUSED), what="the focus")
    if shift_f10:
        keys.generateKeyboardEvent(1, None, pyatspi.KEY_LOCKMODIFIERS)  # Shift
        keys.generateKeyboardEvent(0xFFC7, None, pyatspi.KEY_SYM)  # F10
        keys.generateKeyboardEvent(1, None, pyatspi.KEY_UNLOCKMODIFIERS)
    else:
        keys.generateKeyboardEvent(0xFF67, None, pyatspi.KEY_SYM)  # Menu
    atspi.wait_for(lambda: popup(app) is not None, what="the menu of %s in the tree" % target.name)
    return popup(app)


def check(menu, about, first, on):
    items = [menu.getChildAtIndex(i) for i in range(menu.childCount)]
    items = {i.name: i for i in items if i.getRoleName() != "separator"}
    names = list(items)
    print("entries:", names)
    if names[:len(first)] != first or names[-2:] != [SWITCH, about]:
        sys.exit("unexpected entries %r" % names)
    binding = items[about].queryAction().getKeyBinding(0)
    if binding != "Alt+A":
        sys.exit("%s has the key %r, not Alt+A" % (about, binding))
    # Qt's bridge passes the mark of a check entry, not that it can take one.
    if atspi.checked(items[SWITCH]) != on or atspi.checked(items[about]):
        sys.exit("%s should be %s" % (SWITCH, "checked" if on else "unchecked"))
    return items[SWITCH]


def close_menu(app):
    if popup(app) is not None:  # Escape on the window would close it
        keys.generateKeyboardEvent(0xFF1B, None, pyatspi.KEY_SYM)
    atspi.wait_for(lambda: popup(app) is None, what="the menu to close")


name, on = sys.argv[1], sys.argv[2] == "on"
about, button, second, first = PROGRAMS[name]
app = atspi.find_app(name)
switch = check(open_menu(app, button, False), about, [], on)
atspi.click(switch)  # its action leaves the menu open
atspi.wait_for(lambda: atspi.checked(switch) != on, what="the mark to follow the switch")
close_menu(app)
check(open_menu(app, second, True), about, first, not on)
close_menu(app)
