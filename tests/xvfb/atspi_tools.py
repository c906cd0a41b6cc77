#!/usr/bin/python3
"""The desktop program's tool windows driven as a screen reader drives them:
through AT-SPI, on a private X server with a window manager, inside its own
D-Bus session (the script starts itself again inside dbus-run-session).

    atspi_tools.py BUILD_DIR SCENARIO

Scenarios:
  language  change the language in the options window and see the bar's texts
            change; screenshots of the options window in each language
  editor    add a correction in the table editor, save, and see the command
            line apply it to a file at once

Exit status 0 passed, 1 failed, 77 skipped (a tool is missing).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77

try:
    import pyatspi
except ImportError:
    print("python3-pyatspi is not installed; skipped")
    sys.exit(SKIP)

for tool in ("Xvfb", "openbox", "xprop", "import", "xclip"):
    if not shutil.which(tool):
        print(f"{tool} is not installed; skipped")
        sys.exit(SKIP)


def wait_for(condition, timeout=30.0, what="condition"):
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.1)


class Desktop:
    """Xvfb with openbox, and the program started in it."""

    def __init__(self, build):
        self.build = build
        self.processes = []
        self.home = tempfile.mkdtemp(prefix="tessarim-atspi-")
        self.runtime = tempfile.mkdtemp(prefix="tessarim-run-")
        os.chmod(self.runtime, 0o700)
        read_end, write_end = os.pipe()
        server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,))
        self.processes.append(server)
        os.close(write_end)
        # The number comes in more than one write, ended by a new line.
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        number = number.decode().strip()
        os.close(read_end)
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.env = dict(os.environ, DISPLAY=self.display, TESSARIM_HOME=self.home + "/",
                        TMPDIR=self.runtime, XDG_RUNTIME_DIR=self.runtime,
                        QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                        TESSARIM_ACP="1252", LANG="C.UTF-8", LC_ALL="C.UTF-8",
                        LSAN_OPTIONS="suppressions=" + os.path.join(
                            os.path.dirname(os.path.abspath(__file__)), "..", "lsan.supp"))
        self.processes.append(subprocess.Popen(["openbox", "--sm-disable"], env=self.env))
        wait_for(lambda: subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
            capture_output=True, text=True).stdout.find("window id") >= 0,
            what="openbox")
        time.sleep(0.5)

    def settings(self, text):
        with open(os.path.join(self.home, "Tessarim.ini"), "w") as f:
            f.write("[Data]\n" + text)

    def start(self):
        # The accessibility bus and its registry up first, so that the program
        # finds them when it starts.
        pyatspi.Registry.getDesktop(0).childCount
        program = subprocess.Popen([os.path.join(self.build, "tessarim")], env=self.env)
        self.processes.append(program)
        return program

    def screenshot(self, name):
        folder = os.path.join(self.build, "screenshots")
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["import", "-window", "root", os.path.join(folder, name)],
                       env=self.env, check=True)

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
        shutil.rmtree(self.home, ignore_errors=True)
        shutil.rmtree(self.runtime, ignore_errors=True)


def application():
    def find():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name in ("Tessarim", "tessarim-desktop"):
                return app
        return None
    # A sanitizer build on a loaded machine takes its time to start.
    return wait_for(find, 90.0, what="the program on the accessibility bus")


def descendants(node):
    stack = [node]
    while stack:
        current = stack.pop()
        yield current
        try:
            stack.extend(child for child in current if child is not None)
        except Exception:
            pass


def find(root, role, name, timeout=30.0):
    def look():
        for node in descendants(root):
            try:
                if node.getRole() == role and node.name == name:
                    return node
            except Exception:
                pass
        return None
    return wait_for(look, timeout, f"role {role} named {name!r}")


def names(root, role):
    found = []
    for node in descendants(root):
        try:
            if node.getRole() == role:
                found.append(node.name)
        except Exception:
            pass
    return found


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click", "Toggle", "toggle", "SetFocus"):
            if action.getName(i) != "SetFocus":
                action.doAction(i)
                return
    action.doAction(0)


def window(app, title, timeout=30.0):
    return wait_for(lambda: next((w for w in app if w is not None and w.name == title), None),
                    timeout, f"window {title!r}")


def gone(app, title):
    return wait_for(lambda: all(w is None or w.name != title or
                                not w.getState().contains(pyatspi.STATE_SHOWING) for w in app),
                    what=f"window {title!r} to close")


def page_tabs(dialog):
    return wait_for(lambda: next((n for n in descendants(dialog)
                                  if n.getRole() == pyatspi.ROLE_PAGE_TAB_LIST), None),
                    what="the pages")


BUTTON = pyatspi.ROLE_PUSH_BUTTON
RADIO = pyatspi.ROLE_RADIO_BUTTON
OPTIONS = "Tessarim - Options"
EDITOR = "Smart Replace - Simp. Chinese > Trad. Chinese"


def language(desktop):
    desktop.settings("Lang=0\nAutoHide=0\n")
    desktop.start()
    app = application()
    # The clipboard viewer follows a copy made by another program.
    subprocess.run(["xclip", "-selection", "clipboard"], input="剪貼簿 clipboard".encode(),
                   env=desktop.env, check=True, timeout=10)
    press(find(app, BUTTON, "Clipboard viewer"))
    viewer = window(app, "Clipboard Viewer")
    memo = find(viewer, pyatspi.ROLE_TEXT, "Clipboard text")
    wait_for(lambda: memo.queryText().getText(0, -1) == "剪貼簿 clipboard", what="the copy")
    desktop.screenshot("viewer.png")
    press(find(viewer, BUTTON, "Close"))
    gone(app, "Clipboard Viewer")
    bar_texts = {}
    for lang, radio, close, options, file_hint, editor_button, editor_ok in (
            ("1", "Trad. Chinese (Big5)", "確定", "Options", "檔案轉換", "編輯器...", "完成"),
            ("2", "簡體中文 (GB 碼)", "确定", "程式設定", "文件转换", "编辑器...", "完成"),
            ("0", "英文 (English)", "Close", "程式选项", "File conversion", "Editor...", "OK")):
        press(find(app, BUTTON, options))
        dialog = window(app, OPTIONS)
        time.sleep(0.5)
        press(find(dialog, RADIO, radio))
        find(dialog, BUTTON, close)  # the window speaks the new language at once
        time.sleep(0.5)
        desktop.screenshot(f"options-lang{lang}.png")
        press(page_tabs(dialog)[1])
        time.sleep(0.5)
        desktop.screenshot(f"options-conversion-lang{lang}.png")
        press(find(dialog, BUTTON, editor_button))
        editor_window = window(app, EDITOR)
        time.sleep(0.5)
        desktop.screenshot(f"editor-lang{lang}.png")
        press(find(editor_window, BUTTON, editor_ok))
        gone(app, EDITOR)
        press(find(dialog, BUTTON, close))
        gone(app, OPTIONS)
        # The bar has followed: its buttons carry the new language's names.
        find(app, BUTTON, file_hint)
        bar_texts[lang] = sorted(names(app, BUTTON))
        ini = open(os.path.join(desktop.home, "Tessarim.ini")).read()
        assert f"Lang={lang}" in ini, ini
    assert len({tuple(v) for v in bar_texts.values()}) == 3, bar_texts


def editor(desktop):
    desktop.settings("Lang=0\nAutoHide=0\n")
    desktop.start()
    app = application()
    press(find(app, BUTTON, "Options"))
    dialog = window(app, OPTIONS)
    press(page_tabs(dialog)[1])
    press(find(dialog, RADIO, "Sim. > Trad."))
    press(find(dialog, BUTTON, "Editor..."))
    grid = window(app, EDITOR)
    key = find(grid, pyatspi.ROLE_TEXT, "Add new strings here: 1")
    value = find(grid, pyatspi.ROLE_TEXT, "Add new strings here: 2")
    key.queryEditableText().setTextContents("測試器")
    value.queryEditableText().setTextContents("考驗機")
    press(find(grid, BUTTON, "Add to list"))
    time.sleep(0.5)
    desktop.screenshot("editor-added.png")
    press(find(grid, BUTTON, "OK"))
    gone(app, EDITOR)
    press(find(dialog, BUTTON, "Close"))
    gone(app, OPTIONS)
    # The very next conversion uses the correction.
    source = os.path.join(desktop.home, "in.txt")
    target = os.path.join(desktop.home, "out.txt")
    with open(source, "wb") as f:
        f.write("这是测试器。".encode("gbk"))
    subprocess.run([os.path.join(desktop.build, "tessarim"), "/i:gbk", "/o:big5", source, target],
                   env=desktop.env, check=True)
    converted = open(target, "rb").read().decode("big5")
    assert converted == "這是考驗機。", converted


def main():
    build, scenario = sys.argv[1], sys.argv[2]
    if "--inside" not in sys.argv:
        # A D-Bus session of its own, with a runtime folder of its own: the
        # accessibility bus keeps its socket there, and two tests sharing one
        # would take each other's bus.
        if not shutil.which("dbus-run-session"):
            print("dbus-run-session is not installed; skipped")
            return SKIP
        runtime = tempfile.mkdtemp(prefix="tessarim-bus-")
        try:
            return subprocess.run(
                ["dbus-run-session", "--", sys.executable, os.path.abspath(__file__), build,
                 scenario, "--inside"], env=dict(os.environ, XDG_RUNTIME_DIR=runtime)).returncode
        finally:
            shutil.rmtree(runtime, ignore_errors=True)
    desktop = Desktop(build)
    try:
        {"language": language, "editor": editor}[scenario](desktop)
    except AssertionError as failure:
        print("FAILED:", failure)
        return 1
    finally:
        desktop.close()
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
