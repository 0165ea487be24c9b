#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Checks the buttons of the calculator's own title bar through the
accessibility interface: minimise and close, and no maximise.

Usage: atspi_title_bar.py   (on the session bus of the program, started with
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
"""
import sys

import pyatspi

from atspi_calculate import application, wait_for


def main():
    app = wait_for("no exprcalc on the accessibility bus", application)
    names = set()

    def collect(node):
        if node.getRoleName() == "push button":
            names.add(node.name)
        for child in node:
            if child is not None:
                collect(child)

    def title_buttons():
        names.clear()
        collect(app)
        return {"Minimise", "Close"} <= names

    wait_for("the title bar has no Minimise and Close buttons", title_buttons)
    maximise = [n for n in names if n.lower().startswith(("maximi", "restore"))]
    if maximise:
        sys.exit("FAILED: the title bar offers %s" % maximise)


if __name__ == "__main__":
    main()
