#!/usr/bin/env python3
"""Finds a button of the running viewer by its accessible name over AT-SPI and presses it.

Usage: atspi_press.py APP_NAME BUTTON_NAME [--press]
Prints the button's role and action names; exits 1 when it is not found within 20 s.
"""
import sys
import time

import pyatspi


def find(node, name, depth=0):
    if node is None or depth > 12:
        return None
    try:
        if node.name == name and node.getRoleName() == "push button":
            return node
        for i in range(node.childCount):
            hit = find(node.getChildAtIndex(i), name, depth + 1)
            if hit is not None:
                return hit
    except Exception:  # a node that went away while we walked
        return None
    return None


def main():
    app_name, button_name = sys.argv[1], sys.argv[2]
    press = "--press" in sys.argv[3:]
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is None or app.name != app_name:
                continue
            button = find(app, button_name)
            if button is None:
                continue
            actions = button.queryAction()
            names = [actions.getName(k) for k in range(actions.nActions)]
            print(button.getRoleName(), ",".join(names))
            if press:
                if "Press" not in names:
                    return 1
                actions.doAction(names.index("Press"))
            return 0
        time.sleep(0.3)
    print("not found: %s in %s" % (button_name, app_name), file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
