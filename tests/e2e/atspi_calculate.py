#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Calculates in the running calculator window through the accessibility
interface, where no input can be sent otherwise (a Wayland compositor
without a seat): puts EXPRESSION into the box, presses Calculate, and waits
until the box holds the trimmed expression, which it does only once the
calculation succeeded and the expression entered the history.

Usage: atspi_calculate.py EXPRESSION   (on the session bus of the program,
started with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
"""
import sys
import time

import pyatspi


def wait_for(what, find, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    sys.exit("FAILED: " + what)


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "exprcalc":
            return app
    return None


def descendant(node, role, name=None):
    return pyatspi.findDescendant(
        node, lambda n: n.getRoleName() == role and (name is None or n.name == name))


def main():
    expression = sys.argv[1]
    app = wait_for("no exprcalc on the accessibility bus", application)
    calculate = wait_for("no Calculate button", lambda: descendant(app, "push button", "Calculate"))
    box = wait_for("no expression box", lambda: descendant(descendant(app, "combo box"), "text"))
    box.queryEditableText().setTextContents(expression)
    calculate.queryAction().doAction(0)
    trimmed = expression.strip()
    text = box.queryText()
    wait_for("the box does not hold %r after Calculate (it holds %r)" % (trimmed, text.getText(0, -1)),
             lambda: text.getText(0, -1) == trimmed, seconds=10)


if __name__ == "__main__":
    main()
