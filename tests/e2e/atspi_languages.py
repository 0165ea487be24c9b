# SPDX-License-Identifier: MIT
"""The real window in each language, as a screen reader and a user meet it:
the five named controls (Calculate, Copy, Help and the two check boxes)
named in the language and in no other language's words, 1/0 answered in the
language (in English exactly "Division by zero." under the C locale), and in
Arabic the window mirrored: the "?" button left of the box, Calculate left
of it too.

Usage: atspi_languages.py PATH/TO/exprcalc
Runs on the session bus it is given, with the X display in DISPLAY.
"""
import os
import subprocess
import sys
import time

import pyatspi

WAIT = 20  # seconds for anything to happen on a loaded machine
LANGUAGES = [("ar", "ar_EG.UTF-8"), ("de", "de_DE.UTF-8"), ("es", "es_ES.UTF-8"), ("fr", "fr_FR.UTF-8"),
             ("it", "it_IT.UTF-8"), ("ja", "ja_JP.UTF-8"), ("nl", "nl_NL.UTF-8"), ("pl", "pl_PL.UTF-8"),
             ("pt_BR", "pt_BR.UTF-8"), ("ru", "ru_RU.UTF-8"), ("zh_CN", "zh_CN.UTF-8")]
ENGLISH = ["Calculate", "Copy", "Thousands separators", "Display only 2 decimal places accuracy", "Help"]
failures = []


def fail(message):
    failures.append(message)
    print("FAILED: " + message)


def wait_for(condition, what):
    deadline = time.monotonic() + WAIT
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise RuntimeError(what)
        time.sleep(0.05)


def role(accessible):
    return accessible.getRoleName()


def left(accessible):
    return accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).x


def run(language, lang, app_path, calculate_division):
    """The five names, and the line's text after 1/0 when asked for."""
    env = dict(os.environ, LANGUAGE=language, LANG=lang)
    env.pop("LC_ALL", None)
    env.pop("LC_MESSAGES", None)
    program = subprocess.Popen([app_path], env=env)
    try:
        desktop = pyatspi.Registry.getDesktop(0)
        app = wait_for(lambda: next((a for a in desktop if a and a.get_process_id() == program.pid), None),
                       "%s: the program did not join the accessibility bus" % lang)
        frame = wait_for(lambda: next((w for w in app if w.childCount >= 7), None), "%s: no window" % lang)
        controls = [c for c in frame if role(c) != "notification"]
        named = [c for c in controls if role(c) in ("push button", "check box")]
        names = [c.name for c in named]
        box = next(c for c in controls if role(c) == "combo box")
        label = next(c for c in controls if role(c) == "label")
        if language == "ar":
            about, calculate = named[4], named[0]
            if not left(about) < left(box):
                fail("ar: the \"?\" button is not left of the expression box")
            if not left(calculate) < left(box):
                fail("ar: Calculate is not left of the expression box")
        shown = None
        if calculate_division:
            editor = pyatspi.findDescendant(box, lambda a: role(a) == "text")
            editor.queryEditableText().setTextContents("1/0")
            named[0].queryAction().doAction(0)
            shown = wait_for(lambda: label.name, "%s: 1/0 showed nothing" % lang)
        return names, shown
    finally:
        program.terminate()
        program.wait(WAIT)


def main():
    app_path = sys.argv[1]
    # Listening before a program starts: it learns of the listener as it
    # joins the bus, and the registry is up by then.
    pyatspi.Registry.registerEventListener(lambda event: None, "object:property-change:accessible-name")
    names, shown = run("", "C.UTF-8", app_path, True)
    if names != ENGLISH:
        fail("C.UTF-8: the controls are named %r, not %r" % (names, ENGLISH))
    if shown != "Division by zero.":
        fail("C.UTF-8: 1/0 showed %r, not 'Division by zero.'" % shown)
    seen = {}
    for language, lang in LANGUAGES:
        names, shown = run(language, lang, app_path, language in ("de", "ar"))
        for name, english in zip(names, ENGLISH):
            if name == english or not name:
                fail("%s: %r is not translated" % (lang, english))
        for other, other_names in seen.items():
            if names == other_names:
                fail("%s: the controls have the names of %s: %r" % (lang, other, names))
        seen[lang] = names
        if shown is not None and shown in ("", "Division by zero."):
            fail("%s: 1/0 showed %r" % (lang, shown))
        print("%s: %s%s" % (lang, " | ".join(names), "; 1/0: " + shown if shown else ""))
    if failures:
        sys.exit(1)
    print("the window in every language through AT-SPI: passed")


if __name__ == "__main__":
    main()
