#!/usr/bin/env python3
"""Drives the file window as a screen reader user would, through AT-SPI.

Run inside dbus-run-session on an X display:
    filewin_atspi.py PROGRAM FOLDER convert|stop

Starts PROGRAM on FOLDER, which opens the file window with the folder's files
listed; empties the list and adds the files again, then converts:
- convert: waits until the run is over and closes the window;
- stop: presses Stop as soon as the run shows it, waits until the run is over
  and closes the window.
Exits 0 when every step was possible, 1 with the reason on standard error.
"""
import subprocess
import sys
import time

import pyatspi

TIMEOUT = 60


def fail(reason):
    print(reason, file=sys.stderr)
    sys.exit(1)


def wait_for(condition, what, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = condition()
        if found:
            return found
        time.sleep(0.05)
    fail("timed out waiting for " + what)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name in ("Tessarim", "tessarim-desktop"):
            return app
    return None


def find(root, name, role):
    return pyatspi.findDescendant(
        root, lambda node: node is not None and node.name == name and node.getRole() == role)


def sensitive(node):
    return node.getState().contains(pyatspi.STATE_SENSITIVE)


def press(node):
    if not sensitive(node):
        fail(node.name + " is disabled")
    node.queryAction().doAction(0)


def main():
    program, folder, mode = sys.argv[1:4]
    child = subprocess.Popen([program, folder])
    try:
        drive(child, mode)
    finally:
        if child.poll() is None:
            child.kill()


def drive(child, mode):
    app = wait_for(application, "the program on the accessibility bus")
    window = wait_for(lambda: find(app, "Tessarim - File conversion", pyatspi.ROLE_DIALOG),
                      "the file window")
    button = {}
    for name in ("Add All", "Remove All", "Convert Now", "Stop", "Close"):
        button[name] = wait_for(lambda n=name: find(window, n, pyatspi.ROLE_PUSH_BUTTON), name)
    file_list = wait_for(lambda: find(window, "A list of file(s) to be converted.",
                                      pyatspi.ROLE_LIST) or
                         find(window, "A list of file(s) to be converted.",
                              pyatspi.ROLE_LIST_BOX), "the file list")

    count = lambda: file_list.childCount
    wait_for(lambda: count() > 0, "the folder's files listed at the start")
    listed = count()
    press(button["Remove All"])
    wait_for(lambda: count() == 0, "an empty list")
    press(button["Add All"])
    wait_for(lambda: count() == listed, "the files added again")

    press(button["Convert Now"])
    if mode == "stop":
        wait_for(lambda: sensitive(button["Stop"]), "Stop during the run", 20)
        if sensitive(button["Close"]) or sensitive(button["Add All"]):
            fail("the window's other controls answer during a run")
        press(button["Stop"])
    wait_for(lambda: not sensitive(button["Stop"]) and sensitive(button["Close"]), "the run's end")
    if mode == "stop" and count() == 0:
        fail("Stop left nothing listed")
    if mode == "convert":
        wait_for(lambda: count() == 0, "an empty list after the run", 10)
    close_and_exit(child, button["Close"])


def close_and_exit(child, close, timeout=30):
    """Closes the window with its Close button; the program must end then, and
    this script ends with its exit status."""
    press(close)
    try:
        child.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        child.kill()
        fail("the program did not end when its window closed")
    sys.exit(child.returncode)


if __name__ == "__main__":
    main()
