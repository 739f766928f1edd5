"""Small helpers for driving the programs through AT-SPI: find a control
by its id (the programs put it in each widget's accessible description;
take the id by name from tools/ids.py, e.g. ids.Quillon.OpenButton),
click it, read and set its text."""
import time

import pyatspi


def find_app(name, timeout=15):
    deadline = time.time() + timeout
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and (app.name or "").lower() == name.lower():
                return app
        time.sleep(0.3)
    raise RuntimeError("application %s not on the AT-SPI bus" % name)


def _walk(acc):
    yield acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from _walk(child)


def control(app, cid, timeout=5):
    wanted = str(int(cid))
    deadline = time.time() + timeout
    while time.time() < deadline:
        for acc in _walk(app):
            if acc.description == wanted:
                return acc
        time.sleep(0.2)
    raise KeyError("no control %r" % cid)


def windows(app):
    return [app.getChildAtIndex(i) for i in range(app.childCount)]


def click(acc):
    action = acc.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click", "Toggle", "toggle"):
            action.doAction(i)
            return
    action.doAction(0)


def text_of(acc):
    try:
        t = acc.queryText()
        return t.getText(0, t.characterCount)
    except NotImplementedError:
        return acc.name


def checked(acc):
    return acc.getState().contains(pyatspi.STATE_CHECKED)


def set_text(acc, value):
    acc.queryEditableText().setTextContents(value)


def wait_for(predicate, timeout=5, what="condition"):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)
