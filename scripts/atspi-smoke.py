#!/usr/bin/env python3
"""Finds the main menu of a running veldrake through AT-SPI, lists its
headings and entries by name and presses "Einstellungen"; the activation
dialog must then appear on the bus. Exit code 0 when it does."""
import sys
import time

import pyatspi


def find(node, predicate, depth=0):
    if node is None or depth > 25:
        return None
    try:
        if predicate(node):
            return node
        for i in range(node.childCount):
            hit = find(node.getChildAtIndex(i), predicate, depth + 1)
            if hit is not None:
                return hit
    except Exception:
        return None
    return None


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for _ in range(100):
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "veldrake":
                return app
        time.sleep(0.2)
    return None


app = application()
if app is None:
    sys.exit("veldrake is not on the accessibility bus")
menu = None
for _ in range(50):
    menu = find(app, lambda n: n.name == "Hauptmenü")
    if menu is not None:
        break
    time.sleep(0.2)
if menu is None:
    sys.exit("no object named Hauptmenü")
entries = [(menu.getChildAtIndex(i).getRoleName(), menu.getChildAtIndex(i).name,
            menu.getChildAtIndex(i).description) for i in range(menu.childCount)]
for entry in entries:
    print(" | ".join(entry))
einstellungen = find(menu, lambda n: n.name == "Einstellungen")
if einstellungen is None:
    sys.exit("no entry Einstellungen")
action = einstellungen.queryAction()
names = [action.getName(i) for i in range(action.nActions)]
print("actions:", ", ".join(names))
action.doAction(names.index("Press"))
for _ in range(50):
    dialog = find(app, lambda n: n.getRoleName() == "dialog" and "Filter" in (n.name or ""))
    if dialog is not None:
        print("opened:", dialog.name)
        sys.exit(0)
    time.sleep(0.2)
sys.exit("pressing Einstellungen opened no dialog")
