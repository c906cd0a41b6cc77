#!/usr/bin/python3
"""The key sender of the running program, driven as a screen reader user's
assistive technology would: through AT-SPI. It opens the key sender from the
main bar, chooses another program's window in the target list, types
"头发发展" into the entry, and checks that the other program received the
converted line followed by Enter. Run inside dbus-run-session.

usage: key_sender_atspi.py <tessarim> <key target program>
Exit status 77: a tool is missing (the test is skipped).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

try:
    import pyatspi
except ImportError:
    print("python3-pyatspi is not installed")
    sys.exit(77)

TARGET_TITLE = "Key target"


def wait_for(condition, seconds=30.0):
    deadline = time.time() + seconds
    while time.time() < deadline:
        try:
            found = condition()
        except Exception:  # an object vanished while it was looked at
            found = None
        if found:
            return found
        time.sleep(0.1)
    return None


def find(root, role, name=None):
    """The first object below root with the role (and name)."""
    if root is None:
        return None
    for i in range(root.childCount):
        child = root.getChildAtIndex(i)
        if child is None:
            continue
        if child.getRoleName() == role and (name is None or child.name == name):
            return child
        below = find(child, role, name)
        if below is not None:
            return below
    return None


def application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == name:
            return app
    return None


def window(app, title):
    for i in range(app.childCount):
        child = app.getChildAtIndex(i)
        if child is not None and child.name == title:
            return child
    return None


def outline(root, depth=0):
    """The tree below root, one object a line: for messages."""
    text = ""
    for i in range(root.childCount):
        child = root.getChildAtIndex(i)
        if child is not None:
            text += "%s%s %r\n" % ("  " * depth, child.getRoleName(), child.name)
            text += outline(child, depth + 1)
    return text


def press(button):
    button.queryAction().doAction(0)


def main():
    tessarim, target_program = sys.argv[1:3]
    for tool in ("Xvfb", "openbox", "xdotool"):
        if shutil.which(tool) is None:
            print(tool + " is not installed")
            return 77
    with tempfile.TemporaryDirectory(prefix="tessarim-atspi-") as work:
        return run(tessarim, target_program, work)


def run(tessarim, target_program, work):
    home = os.path.join(work, "home")
    runtime = os.path.join(work, "runtime")
    os.makedirs(home, exist_ok=True)
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    with open(os.path.join(home, "Tessarim.ini"), "w") as ini:
        ini.write("[Data]\nAutoHide=0\nSound=0\nWarn=0\n")
    typed = os.path.join(work, "typed.txt")

    read, write = os.pipe()
    children = []
    try:
        children.append(subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                                          "1024x768x24", "-nolisten", "tcp"],
                                         pass_fds=[write], stderr=subprocess.DEVNULL))
        os.close(write)
        display = ":" + os.read(read, 16).decode().strip()
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                   TESSARIM_HOME=home + "/", TESSARIM_ACP="65001", XDG_RUNTIME_DIR=runtime,
                   TMPDIR=runtime, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        os.environ["DISPLAY"] = display
        children.append(subprocess.Popen(["openbox"], env=env, stderr=subprocess.DEVNULL))
        # The accessibility bus is up before the programs start, as in a desktop session.
        pyatspi.Registry.getDesktop(0).childCount
        time.sleep(1)
        children.append(subprocess.Popen([target_program, TARGET_TITLE, typed], env=env))
        program = subprocess.Popen([tessarim], env=env)
        children.append(program)

        app = wait_for(lambda: application("Tessarim") or program.poll() is not None, 60)
        assert program.poll() is None, "the program ended with status %d" % program.returncode
        assert app, "the program did not appear on the accessibility bus"
        key_button = wait_for(lambda: find(app, "push button", "Convert & Sendkey"))
        assert key_button, "no Key button"
        assert wait_for(lambda: application(TARGET_TITLE) or
                        application("xvfb_key_target")), "the other program did not start"
        press(key_button)
        sender = wait_for(lambda: window(app, "Tessarim - KeySender"))
        assert sender, "the key sender did not open"
        press(wait_for(lambda: find(sender, "push button", "Get Title")))
        dialog = wait_for(lambda: window(app, "Tessarim - EnumWin"))
        assert dialog, "the target dialog did not open"

        table = wait_for(lambda: find(dialog, "table")).queryTable()
        titles = [table.getAccessibleAt(row, 0).name for row in range(table.nRows)]
        # The main bar, the key sender and the dialog are this program's own.
        assert titles == [TARGET_TITLE], "listed: %r" % titles
        table.addRowSelection(0)
        ok = find(dialog, "push button", "OK")
        assert wait_for(lambda: ok.getState().contains(pyatspi.STATE_ENABLED)), "OK stays off"
        press(ok)
        assert wait_for(lambda: window(app, "Tessarim - EnumWin") is None), "dialog still open"

        to_big5 = find(sender, "check box", "GB to Big5")
        assert to_big5, "no G>B toggle in\n" + outline(sender)
        press(to_big5)
        entry = find(sender, "text", "Tessarim - KeySender")
        entry.queryEditableText().setTextContents("头发发展")
        # Enter, pressed in the entry as a user does: a click into it first.
        box = entry.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2),
                        str(box.y + box.height // 2), "click", "1"], env=env, check=True)
        time.sleep(0.5)
        subprocess.run(["xdotool", "key", "Return"], env=env, check=True)

        arrived = wait_for(lambda: os.path.exists(typed) and open(typed).read(), 30)
        assert arrived == "頭髮發展\n", "arrived: %r; entry %r; the program shows:\n%s" % (
            arrived, entry.queryText().getText(0, -1), outline(app))
        assert entry.queryText().getText(0, -1) == "", "the entry keeps the sent line"
        print("typed into the other program:", arrived.strip())
        return 0
    finally:
        for child in reversed(children):
            child.terminate()
        for child in reversed(children):
            try:
                child.wait(5)
            except subprocess.TimeoutExpired:
                child.kill()


if __name__ == "__main__":
    sys.exit(main())
