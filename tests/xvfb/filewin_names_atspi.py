#!/usr/bin/env python3
"""Renames files through the file window, as a screen reader user would.

Run inside dbus-run-session on an X display:
    filewin_names_atspi.py PROGRAM FOLDER OLD NEW

Starts PROGRAM on FOLDER, has the names converted (GBK > Big5) and the contents
left alone, lists the folder's whole tree afresh and converts. Then waits for
OLD in the source list, selects it, opens its context menu with a right click,
chooses Rename… with the keys and renames the file to NEW in the dialog.
Exits 0 when every step was possible, 1 with the reason on standard error.
"""
import subprocess
import sys
import time

import pyatspi

from filewin_atspi import (TIMEOUT, application, close_and_exit, fail, find, press, sensitive,
                           wait_for)

UP_KEY, RETURN_KEY = 0xFF52, 0xFF0D  # keysyms


def checked(node):
    return node.getState().contains(pyatspi.STATE_CHECKED)


def set_checked(node, state):
    if checked(node) != state:
        press(node)
    wait_for(lambda: checked(node) == state, node.name + (" on" if state else " off"))


def main():
    program, folder, old, new = sys.argv[1:5]
    child = subprocess.Popen([program, folder])
    try:
        drive(child, old, new)
    finally:
        if child.poll() is None:
            child.kill()


def drive(child, old, new):
    app = wait_for(application, "the program on the accessibility bus")
    window = wait_for(lambda: find(app, "Tessarim - File conversion", pyatspi.ROLE_DIALOG),
                      "the file window")
    remove_all = wait_for(lambda: find(window, "Remove All", pyatspi.ROLE_PUSH_BUTTON),
                          "Remove All")
    add_tree = wait_for(lambda: find(window, "Add All (include files in sub-folders)",
                                     pyatspi.ROLE_PUSH_BUTTON), "Add All with sub-folders")
    convert = wait_for(lambda: find(window, "Convert Now", pyatspi.ROLE_PUSH_BUTTON), "Convert")
    stop = wait_for(lambda: find(window, "Stop", pyatspi.ROLE_PUSH_BUTTON), "Stop")
    close = wait_for(lambda: find(window, "Close", pyatspi.ROLE_PUSH_BUTTON), "Close")
    names = wait_for(lambda: find(window, "Convert filename", pyatspi.ROLE_CHECK_BOX), "names")
    content = wait_for(lambda: find(window, "Convert file content", pyatspi.ROLE_CHECK_BOX),
                       "contents")
    gbk_big5 = wait_for(lambda: find(window, "GBK > Big5 ( Trad. )", pyatspi.ROLE_RADIO_BUTTON),
                        "the GBK > Big5 mode")

    def source_list():
        return (find(window, "Files of the source folder", pyatspi.ROLE_LIST) or
                find(window, "Files of the source folder", pyatspi.ROLE_LIST_BOX))

    set_checked(content, False)
    set_checked(names, True)
    wait_for(lambda: checked(gbk_big5), "GBK > Big5 chosen for names")
    # The tree listed afresh: the names run renames its files, then its folders.
    wait_for(lambda: sensitive(remove_all), "the folder's files listed at the start")
    press(remove_all)
    wait_for(lambda: not sensitive(convert), "an empty File List")
    press(add_tree)
    wait_for(lambda: sensitive(convert), "the tree listed")
    press(convert)
    wait_for(lambda: not sensitive(stop) and sensitive(close), "the run's end")

    files = wait_for(source_list, "the source list")

    def row_of(name):
        for i in range(files.childCount):
            item = files.getChildAtIndex(i)
            if item is not None and item.name == name:
                return i
        return None

    def listed():
        return ", ".join(repr(files.getChildAtIndex(i).name) for i in range(files.childCount))

    deadline = time.monotonic() + TIMEOUT
    while row_of(old) is None:
        if time.monotonic() > deadline:
            fail("timed out waiting for %s in the source list; it shows %s" % (old, listed()))
        time.sleep(0.05)
    row = row_of(old)
    files.queryComponent().grabFocus()
    # A list item's one action toggles its selection.
    files.getChildAtIndex(row).queryAction().doAction(0)
    wait_for(lambda: files.getChildAtIndex(row).getState().contains(pyatspi.STATE_SELECTED),
             old + " selected")
    # A right click on the item, as a screen reader's "right click" command does.
    box = files.getChildAtIndex(row).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(box.x + box.width // 4, box.y + box.height // 2, "b3c")
    # Qt keeps pop-up menus out of the accessible tree; a screen reader user
    # hears the items as the keys move through them. Up from the menu's start
    # wraps to its last item, Rename….
    time.sleep(2)
    for key in (UP_KEY, RETURN_KEY):
        pyatspi.Registry.generateKeyboardEvent(key, None, pyatspi.KEY_SYM)
    dialog = wait_for(lambda: find(app, "Tessarim - file rename", pyatspi.ROLE_DIALOG),
                      "the rename dialog")
    edit = wait_for(lambda: find(dialog, "Rename to:", pyatspi.ROLE_TEXT), "the new name's field")
    edit.queryEditableText().setTextContents(new)
    wait_for(lambda: edit.queryText().getText(0, -1) == new, "the new name typed")
    press(wait_for(lambda: find(dialog, "OK", pyatspi.ROLE_PUSH_BUTTON), "OK"))
    wait_for(lambda: row_of(new) is not None, new + " in the source list")

    close_and_exit(child, close)


if __name__ == "__main__":
    main()
