#!/usr/bin/python3
"""Reads and drives the window program through AT-SPI, the Linux accessibility bus, as a screen
reader does. Run by scripts/atspi-test.sh inside a virtual display and a D-Bus session of its
own; arguments: the kelda program and the accessibility bus launcher.

It finds the named list of sheets and the sheet table, reads the Dual watch setting on the
Functions sheet, moves the cursor with keys and reads each cell from the focus event, edits a
value and reads it back, checks that every toolbar button and menu item has a name, reads the
whole channel list cell by cell and holds cells while the sheet is built anew at another font
size."""

import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

KELDA, LAUNCHER = sys.argv[1], sys.argv[2]
OVERLAY = os.path.join(os.path.dirname(KELDA), "KELDA.OVL")

failures = []


def check(ok, what):
    print(("ok:   " if ok else "FAIL: ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def overlay_lines(key):
    """The lines of an overlay entry, as the program reads them."""
    lines, inside = [], False
    with open(OVERLAY, encoding="latin-1") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if inside:
                if line.startswith("#"):
                    break
                lines.append(line)
            elif line == "#" + key:
                inside = True
    return lines


ACCESS = overlay_lines("GI_Access")


def pump(seconds):
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        if not context.iteration(False):
            time.sleep(0.01)


def wait_for(find, seconds, what):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            found = find()
        except Exception:  # the program is still starting or rebuilding
            found = None
        if found:
            return found
        pump(0.1)
    raise AssertionError("timed out waiting for " + what)


def walk(node, depth=0):
    """Every accessible below node, without the cells of tables (the channel list has
    thousands)."""
    yield node, depth
    if node.getRole() == pyatspi.ROLE_TABLE:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def find_all(root, role):
    return [n for n, _ in walk(root) if n.getRole() == role]


# --- focus events: what a screen reader speaks as the cursor moves ---

heard = []


def on_focus(event):
    if event.detail1 != 1:
        return
    source = event.source
    try:
        heard.append((source.getRole(), source.name, source.description))
    except Exception:
        pass


def key(*names):
    subprocess.run(["xdotool", "key", "--delay", "30", *names], check=True)


def press_and_hear(names, seconds=3.0, role=None):
    """Presses the keys and returns the last focus event heard (of the role, if given)."""
    del heard[:]
    key(*names)
    end = time.monotonic() + seconds
    got = None
    while time.monotonic() < end:
        pump(0.05)
        matching = [h for h in heard if role is None or h[0] == role]
        if matching:
            got = matching[-1]
            pump(0.2)  # a move may send more than one event; the last one counts
            matching = [h for h in heard if role is None or h[0] == role]
            return matching[-1]
    return got


def cell_text(cell):
    return (cell.name or "", cell.description or "")


def main():
    launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"])
    time.sleep(0.5)
    kelda = subprocess.Popen([KELDA])
    try:
        run(kelda)
    finally:
        kelda.terminate()
        try:
            kelda.wait(10)
        except subprocess.TimeoutExpired:
            kelda.kill()
        launcher.terminate()
        launcher.wait(10)


def app_of(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == name:
            return app
    return None


def sheet_table(app, min_rows=1):
    for table in find_all(app, pyatspi.ROLE_TABLE):
        try:
            t = table.queryTable()
        except NotImplementedError:
            continue
        if t.nRows >= min_rows and table.getState().contains(pyatspi.STATE_SHOWING):
            return table
    return None


def run(kelda):
    app = wait_for(lambda: app_of(os.path.basename(KELDA)), 60, "the program on the bus")
    table = wait_for(lambda: sheet_table(app), 60, "the first sheet")
    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")

    # The named parts of the window.
    trees = [t for t in find_all(app, pyatspi.ROLE_TREE) + find_all(app, pyatspi.ROLE_TREE_TABLE)]
    check(any(t.name == ACCESS[0] for t in trees),
          "the list of sheets is named %r: %r" % (ACCESS[0], [t.name for t in trees]))
    check(table.name == "Functions", "the first sheet is the Functions table: %r" % table.name)
    check(bool(table.description), "the sheet says how to use it: %r" % table.description)

    # Dual watch, read through the table.
    t = table.queryTable()
    dual = None
    for r in range(t.nRows):
        for c in range(t.nColumns):
            cell = t.getAccessibleAt(r, c)
            if cell is not None and "Dual watch" in (cell.description or "") and cell.name:
                dual = (r, c, cell)
                break
        if dual:
            break
    check(dual is not None and dual[2].name == "On",
          "the Dual watch cell reads 'On': %r" % (cell_text(dual[2]) if dual else None,))

    # Into the sheet with the keyboard; the cursor walks up to Dual watch, each cell spoken as
    # it arrives.
    subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", ".",
                    "windowfocus", "--sync", "%@"], check=False, capture_output=True)
    pump(0.5)
    spoken = None
    for _ in range(3):
        spoken = press_and_hear(["F6"], role=pyatspi.ROLE_TABLE_CELL)
        if spoken:
            break
    check(spoken is not None, "F6 reaches the sheet and its cell is spoken: %r" % (spoken,))
    seen = []
    for direction in ("Up", "Down"):
        for _ in range(40):
            spoken = press_and_hear([direction], seconds=1.5, role=pyatspi.ROLE_TABLE_CELL)
            if spoken is None:
                break  # the edge of the sheet
            seen.append(spoken)
            if direction == "Down" and "Dual watch" in (spoken[2] or ""):
                break
        if spoken and "Dual watch" in (spoken[2] or ""):
            break
    check(spoken is not None and spoken[1] == "On" and "Dual watch" in spoken[2],
          "the cursor on Dual watch is heard as 'On', 'Dual watch': %r" % (spoken,))
    after = press_and_hear(["Down"], role=pyatspi.ROLE_TABLE_CELL)
    check(after is not None and after != spoken and after[1] and after[2],
          "Down moves to the next setting, heard with its value and name: %r" % (after,))
    if dual and after:
        r, c, _ = dual
        below = None
        for rr in range(r + 1, t.nRows):
            cell = t.getAccessibleAt(rr, c)
            if cell is not None and cell.getState().contains(pyatspi.STATE_FOCUSED):
                below = cell_text(cell)
                break
        check(below == (after[1], after[2]),
              "the focused cell below is the one heard: %r" % (below,))

    # Edit the clone comment with the keyboard and read it back.
    comment = None
    for _ in range(40):
        spoken = press_and_hear(["Up"], seconds=1.5, role=pyatspi.ROLE_TABLE_CELL)
        if spoken is None:
            break
        if "Comment" in (spoken[2] or ""):
            comment = spoken
            break
    check(comment is not None, "the Up key reaches the clone comment: %r" % (comment,))
    del heard[:]
    subprocess.run(["xdotool", "type", "--delay", "30", "SEA"], check=True)
    pump(0.5)
    editor = [h for h in heard if h[0] in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY)]
    check(bool(editor) and editor[-1][1] == ACCESS[3].replace("%s", comment[2] if comment else ""),
          "the editor is announced by name: %r" % (editor[-1:] if editor else heard[-3:],))
    key("Return")
    pump(0.5)
    value = None
    for r in range(t.nRows):
        for c in range(t.nColumns):
            cell = t.getAccessibleAt(r, c)
            if cell is not None and "Comment" in (cell.description or "") and \
                    cell.getState().contains(pyatspi.STATE_EDITABLE):
                value = cell.name
    check(value == "SEA", "the edited comment reads back 'SEA': %r" % value)

    # Every toolbar button and menu item has a name; menus are opened as a reader opens them.
    unnamed, buttons = [], 0
    for bar in find_all(app, pyatspi.ROLE_TOOL_BAR):
        check(bool(bar.name), "the toolbar is named: %r" % bar.name)
        for node, _ in walk(bar):
            if node.getRole() in (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON):
                buttons += 1
                if not (node.name or "").strip():
                    unnamed.append("toolbar button %d" % node.getIndexInParent())
    check(buttons > 5 and not unnamed, "%d toolbar buttons, unnamed: %r" % (buttons, unnamed))
    items = 0
    bars = find_all(app, pyatspi.ROLE_MENU_BAR)
    check(len(bars) == 1 and bool(bars[0].name), "one named menu bar")
    for bar in bars:
        for i in range(bar.childCount):
            top = bar.getChildAtIndex(i)
            open_menu(top)
            for node, _ in walk(top):
                if node.getRole() in (pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM,
                                      pyatspi.ROLE_RADIO_MENU_ITEM, pyatspi.ROLE_MENU):
                    items += 1
                    if not (node.name or "").strip():
                        unnamed.append("menu item under %r" % top.name)
            key("Escape")
            pump(0.2)
    check(items > 30 and not unnamed, "%d menu items, unnamed: %r" % (items, unnamed))

    # The channel list: chosen in the list of sheets with the keyboard, read cell by cell.
    spoken = None
    for _ in range(3):
        spoken = press_and_hear(["F6"], seconds=1.5)
        if spoken and spoken[0] != pyatspi.ROLE_TABLE_CELL:
            break
    for _ in range(30):
        if spoken and spoken[1] == "International Channels":
            break
        spoken = press_and_hear(["Down"], seconds=1.5)
    check(spoken is not None and spoken[1] == "International Channels",
          "the list of sheets reaches International Channels: %r" % (spoken,))
    key("Return")
    big = wait_for(lambda: sheet_table(app, 418), 30, "the channel list")
    bt = big.queryTable()
    rows, columns = bt.nRows, bt.nColumns
    texts = 0
    started = time.monotonic()
    for r in range(rows):
        for c in range(columns):
            cell = bt.getAccessibleAt(r, c)
            if cell is not None and cell.name:
                texts += 1
    check(rows >= 418 and texts > rows,
          "read %d rows x %d columns cell by cell in %.1f s: %d texts"
          % (rows, columns, time.monotonic() - started, texts))

    # Cells held while the sheet is built anew at another font size answer or say they are
    # gone; the program lives on and the table reads again.
    held = [bt.getAccessibleAt(rows - 1 - k, columns - 1 - (k % columns)) for k in range(10)]
    height = bt.getAccessibleAt(0, 1).queryComponent().getExtents(pyatspi.DESKTOP_COORDS).height
    press_menu_item(app, "150 %")
    pump(1.0)
    answered = 0
    for cell in held:
        try:
            cell.name
            cell.getState()
            cell.getIndexInParent()
            answered += 1
        except Exception:
            pass
    check(kelda.poll() is None, "the program survives a rebuild under held cells (%d of %d "
          "answered)" % (answered, len(held)))
    again = wait_for(lambda: sheet_table(app, 418), 30, "the rebuilt channel list")
    cell = again.queryTable().getAccessibleAt(rows - 1, 1)
    check(cell is not None and bool(cell.name), "the rebuilt sheet reads: %r" %
          (cell.name if cell else None,))
    taller = again.queryTable().getAccessibleAt(0, 1).queryComponent().getExtents(
        pyatspi.DESKTOP_COORDS).height
    check(taller > height, "its cells grew with the font: %d to %d pixels high" % (height, taller))
    press_menu_item(app, "100 %")

    # Closed from its menu by its access keys, the changes not saved: the program ends cleanly
    # with the bus up. (A menu action through the bus would wait for the question it raises.)
    key("alt+f")
    pump(0.5)
    key("x")
    ask = wait_for(lambda: [b for b in find_all(app, pyatspi.ROLE_PUSH_BUTTON)
                            if b.name.replace("&", "") in ("No", "Don't Save", "Discard")], 20,
                   "the question about the unsaved changes")
    print("      answering %r" % ask[0].name)
    ask[0].queryAction().doAction(0)
    try:
        code = kelda.wait(30)
    except subprocess.TimeoutExpired:
        code = None
    check(code == 0, "the program ends with status 0: %r" % code)


def open_menu(item):
    """Opens a menu of the menu bar through its action, as a reader does."""
    try:
        action = item.queryAction()
        for i in range(action.nActions):
            if action.getName(i) in ("showMenu", "press", "Press"):
                action.doAction(i)
                break
    except NotImplementedError:
        pass
    pump(0.5)


def press_menu_item(app, name):
    for bar in find_all(app, pyatspi.ROLE_MENU_BAR):
        for node, _ in walk(bar):
            if node.name and node.name.replace("&", "") == name:
                action = node.queryAction()
                for i in range(action.nActions):
                    if action.getName(i).lower() in ("press", "toggle", "click"):
                        action.doAction(i)
                        return
    raise AssertionError("no menu item %r" % name)


if __name__ == "__main__":
    try:
        main()
    except AssertionError as e:
        failures.append(str(e))
        print("FAIL: " + str(e), flush=True)
    if failures:
        print("%d failed" % len(failures))
        sys.exit(1)
    print("all passed")
