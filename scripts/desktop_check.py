#!/usr/bin/python3
"""Reads the utility's widgets through the accessibility bus for scripts/desktop-check.

  desktop_check.py tab          the caption of the selected tab of the main window

Waits up to 20 s for what it looks for; exits 1 when it never shows.
"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

TIMEOUT_S = 20


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.get_child_count()):
        yield from walk(node.get_child_at_index(i), depth + 1)


def application():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == "netpanel":
            return app
    return None


def selected_tab():
    # Qt names the tab strip after its current tab.
    for node in walk(application()):
        if node.get_role() == Atspi.Role.PAGE_TAB_LIST:
            return node.get_name()
    return None


def until(find):
    deadline = time.monotonic() + TIMEOUT_S
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    sys.exit(1)


def main():
    what = sys.argv[1]
    if what == "tab":
        print(until(selected_tab))


main()
