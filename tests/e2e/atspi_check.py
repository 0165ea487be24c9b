# SPDX-License-Identifier: MIT
"""The window as a screen reader meets it through AT-SPI: the tree's roles and
names, the result line read after each calculation with the events that make
it spoken (one announcement each, before the focus comes back to the box), the
box's text left alone, and the help box's text.

Usage: atspi_check.py PATH/TO/exprcalc
Runs on the session bus it is given, with the X display in DISPLAY; types
with xdotool.
"""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

WAIT = 20  # seconds for anything to happen on a loaded machine
CAPTION = "Varnel's Expression calculator"
HELP_START = "VARNEL'S EXPRESSION CALCULATOR (V1.2)"

# The window's controls as (role, name, description), in tab order.
CONTROLS = [
    ("push button", "Calculate", ""),
    ("push button", "Copy", "Copy result to clipboard"),
    ("check box", "Thousands separators", ""),
    ("check box", "Display only 2 decimal places accuracy", ""),
    ("push button", "Help", "Help"),
    ("combo box", "Expression", ""),
    ("label", "", "Result"),
]

events = []
# Where each action's events start, and the result it shows (None for what
# shows none): each result is announced once.
actions = []


def fail(message):
    print("FAILED: " + message)
    sys.exit(1)


class Seen:
    """An event as it came: the notification's name is read then, as it
    changes with the next announcement."""

    def __init__(self, event):
        self.type, self.detail1, self.source, self.any_data = event.type, event.detail1, event.source, event.any_data
        self.announced = self.focused = None
        self.list_focused = False
        if event.type == "object:state-changed:focused" and event.detail1 == 1 and role(event.source) == "list item":
            self.focused = event.source.name
        if event.type == "object:state-changed:focused" and event.detail1 == 1 and role(event.source) == "list":
            self.list_focused = True
        if event.type == "object:state-changed:showing" and event.detail1 == 1 and role(event.source) == "notification":
            self.announced = event.source.name


def record(event):
    events.append(Seen(event))


def wait_for(condition, what):
    """Lets the events in until condition() holds, or fails after WAIT s."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + WAIT
    while True:
        while context.pending():
            context.iteration(False)
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            fail(what)
        time.sleep(0.02)


def role(accessible):
    # A child that went away while the list of children was read is None.
    return accessible.getRoleName() if accessible is not None else None


def find(root, predicate):
    return pyatspi.findDescendant(root, predicate) if root else None


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True)


def text_of(accessible):
    text = accessible.queryText()
    return text.getText(0, text.characterCount)


def check_tree(frame):
    # The status bar of no size that holds the notification speaking each
    # result.
    shown = [c for c in frame if role(c) != "status bar"]
    found = [(role(c), c.name, c.description) for c in shown]
    if found != CONTROLS:
        fail("the window's controls are %r, not %r" % (found, CONTROLS))
    box_editor = find(shown[5], lambda a: role(a) == "text")
    if not box_editor or box_editor.name != "Expression":
        fail("the box's editor is not named Expression")
    return shown[6]


def is_announcement(event, name=None):
    return event.announced is not None and (name is None or event.announced == name)


def act(expected=None):
    """Starts an action; returns where its events start."""
    actions.append((len(events), expected))
    return len(events)


def check_shown(label, expected, events_from):
    """After a calculation that shows `expected`: the label's name and text,
    and the events a screen reader hears it by."""
    def from_label(kind, data=None):
        return any(e.type == kind and e.source == label and (data is None or e.any_data == data)
                   for e in events[events_from:])

    def announced():
        return any(is_announcement(e, expected) for e in events[events_from:])

    wait_for(lambda: label.name == expected, "the result line is not named %r but %r" % (expected, label.name))
    if text_of(label) != expected:
        fail("the result line's text is %r, not %r" % (text_of(label), expected))
    if expected:
        wait_for(lambda: from_label("object:text-changed:insert", expected), "no text event for %r" % expected)
        wait_for(announced, "%r was not announced" % expected)
    else:
        wait_for(lambda: from_label("object:text-changed:delete"), "no text event for the emptied line")


def check_text_kept(editor, events_from, what):
    """The box's text was not set again, which a screen reader reads back,
    nor its selection told, which it reads before the result."""
    changed = [e.type for e in events[events_from:]
               if e.type.startswith(("object:text-changed", "object:text-selection-changed")) and e.source == editor]
    if changed:
        fail("%s changed the box's text or told its selection: %r" % (what, changed))


def calculate(editor, expression, label, expected, name_changes=True):
    """Types expression into the box, presses Enter and checks what is heard:
    the result, and not the box's text again as its entry joins the list."""
    xdotool("key", "ctrl+a", "BackSpace")
    if expression:
        xdotool("type", "--delay", "20", expression)
    wait_for(lambda: text_of(editor) == expression, "the box does not hold the typed %r" % expression)
    start = act(expected)
    xdotool("key", "Return")
    check_shown(label, expected, start)
    if name_changes:
        wait_for(lambda: any(e.type == "object:property-change:accessible-name" and e.source == label
                             for e in events[start:]), "no name event from the result line for %r" % expected)
    check_text_kept(editor, start, "Enter on %r" % expression)


def enter_again(editor, label, expected):
    """Enter on the text the box shows already: the result is heard again."""
    start = act(expected)
    xdotool("key", "Return")
    check_shown(label, expected, start)
    check_text_kept(editor, start, "Enter on an unchanged expression")


def check_copy(frame, label):
    """Copy tells what it copied."""
    said = "Copied " + label.name
    start = act(said)
    next(c for c in frame if c.name == "Copy").queryAction().doAction(0)
    wait_for(lambda: any(is_announcement(e, said) for e in events[start:]), "Copy did not announce %r" % said)


def check_box_click(frame, box, editor, label, name, expected):
    """Space on a check box shows the result in the new way and gives the
    box the focus: the result is announced before the focus moves, so that a
    screen reader speaks it before the box."""
    check_box = next(c for c in frame if c.name == name)
    # Back from the box in tab order: Help, the other check box, this one.
    start = len(events)
    xdotool("key", "shift+Tab", "shift+Tab", "shift+Tab")
    wait_for(lambda: any(e.type == "object:state-changed:focused" and e.detail1 == 1 and e.source == check_box
                         for e in events[start:]), "%r did not take the focus" % name)
    start = act(expected)
    xdotool("key", "space")
    check_shown(label, expected, start)

    def focused():
        return next((i for i in range(start, len(events)) if events[i].type == "object:state-changed:focused"
                     and events[i].detail1 == 1 and events[i].source in (box, editor)), None)

    # An index after the action's start: never 0.
    moved = wait_for(focused, "the box did not get the focus back from %r" % name)
    said = next(i for i in range(start, len(events)) if is_announcement(events[i], expected))
    if said > moved:
        fail("%r was announced after the focus went back to the box" % expected)


def check_history_opens(box, editor):
    """Opening the history names its highlighted entry: the one the box
    holds, or else the newest."""
    for typed, named in (("2+2", "2+2"), ("7", "1234.5678")):
        xdotool("key", "ctrl+a", "BackSpace")
        xdotool("type", "--delay", "20", typed)
        wait_for(lambda: text_of(editor) == typed, "the box does not hold the typed %r" % typed)
        start = len(events)
        xdotool("key", "alt+Down")

        def focused_entry():
            return next((e.focused for e in events[start:] if e.focused is not None), None)

        entry = wait_for(focused_entry, "opening the list with %r in the box named no entry" % typed)
        if entry != named:
            fail("opening the list with %r in the box named %r, not %r" % (typed, entry, named))
        xdotool("key", "Escape")
        wait_for(lambda: not box.getState().contains(pyatspi.STATE_EXPANDED), "the list did not close")
        # The list's own focus, told after its entry's, would have a screen
        # reader name the list instead.
        if any(e.list_focused for e in events[start:]):
            fail("opening the list with %r in the box gave the focus to the list, not to its entry" % typed)
        if text_of(editor) != typed:
            fail("opening and closing the list changed the box's %r to %r" % (typed, text_of(editor)))


def check_each_announced_once():
    """Each action's events run up to the next one's; the help box's round
    trip came last, so any late announcement is in."""
    for n, (start, expected) in enumerate(actions):
        end = actions[n + 1][0] if n + 1 < len(actions) else len(events)
        said = [e.announced for e in events[start:end] if is_announcement(e)]
        if said != ([expected] if expected else []):
            fail("announced %r where %r was due" % (said, expected))


def check_character_places(label):
    text = label.queryText()
    line = label.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    previous_right = None
    for offset in range(text.characterCount):
        x, y, width, height = text.getCharacterExtents(offset, pyatspi.DESKTOP_COORDS)
        if width <= 0 or not (line.x <= x and x + width <= line.x + line.width and line.y <= y
                              and y + height <= line.y + line.height):
            fail("character %d of the result is placed outside the line" % offset)
        if previous_right is not None and x < previous_right:
            fail("character %d of the result is left of the one before" % offset)
        previous_right = x + width
        if text.getOffsetAtPoint(x + width // 2, y + height // 2, pyatspi.DESKTOP_COORDS) != offset:
            fail("the point in the middle of character %d is not that character" % offset)


def check_help(app, frame):
    help_button = next(c for c in frame if c.name == "Help")
    help_button.queryAction().doAction(0)
    box = wait_for(lambda: next((w for w in app if role(w) in ("alert", "dialog")), None),
                   "no help box appeared")
    if box.name != "Exprcalc":
        fail("the help box is named %r, not by the application title" % box.name)
    # A read-only text with the focus, which a screen reader reads line by
    # line as the caret moves, not a label read in one piece.
    shown = wait_for(lambda: find(box, lambda a: role(a) == "text" and text_of(a).startswith(HELP_START)),
                     "the help box's text cannot be read")
    for line in ("FUNCTIONS: +, -, *, /, ^,  PI,", "or   (2 + 2) / 3     (answer will be 1.3333333)"):
        if line not in text_of(shown):
            fail("the help box's text lacks %r" % line)
    state = shown.getState()
    if state.contains(pyatspi.STATE_EDITABLE):
        fail("the help box's text can be edited")
    wait_for(lambda: shown.getState().contains(pyatspi.STATE_FOCUSED), "the help box's text has not the focus")
    first, _, _ = shown.queryText().getTextAtOffset(0, pyatspi.TEXT_BOUNDARY_LINE_START)
    if not first.startswith(HELP_START) or "FUNCTIONS" in first:
        fail("the help box's first line reads %r" % first)
    if any(role(a) == "label" and a.name.startswith(HELP_START) and a.getState().contains(pyatspi.STATE_SHOWING)
           for a in box):
        fail("the help box shows its text twice")
    ok = find(box, lambda a: role(a) == "push button" and a.name == "OK")
    if not ok:
        fail("the help box has no OK button")
    ok.queryAction().doAction(0)
    wait_for(lambda: not any(role(w) in ("alert", "dialog") for w in app), "the help box did not close")


def main():
    pyatspi.Registry.registerEventListener(record, "object:property-change:accessible-name", "object:text-changed",
                                           "object:text-selection-changed", "object:state-changed:showing",
                                           "object:state-changed:focused")
    # Listening before the program starts: it learns of the listeners as it
    # joins the bus.
    program = subprocess.Popen([sys.argv[1]])
    try:
        desktop = pyatspi.Registry.getDesktop(0)
        app = wait_for(lambda: next((a for a in desktop if a and a.get_process_id() == program.pid), None),
                       "the program did not join the accessibility bus")
        frame = wait_for(lambda: next((w for w in app if w.name == CAPTION and w.childCount >= len(CONTROLS)), None),
                         "the window did not appear")
        if role(frame) != "frame":
            fail("the window's role is %r, not frame" % role(frame))
        label = check_tree(frame)
        # No window manager makes the window active: the keyboard's focus
        # given to it does, and with it the focus events of its controls.
        xdotool("search", "--sync", "--name", "^%s$" % CAPTION, "windowfocus", "--sync")
        box = next(c for c in frame if role(c) == "combo box")
        editor = find(box, lambda a: role(a) == "text" and a.name == "Expression")

        # The first entry of the list, then one more above it.
        calculate(editor, "1234.5678", label, "1,234.57")
        if box.name != "Expression":
            fail("with 1234.5678 in it, the box is named %r, not Expression" % box.name)
        enter_again(editor, label, "1,234.57")
        calculate(editor, "2+2", label, "4")
        check_copy(frame, label)
        calculate(editor, "1234.5678", label, "1,234.57")
        check_box_click(frame, box, editor, label, "Thousands separators", "1234.57")
        check_box_click(frame, box, editor, label, "Thousands separators", "1,234.57")
        check_character_places(label)
        check_history_opens(box, editor)
        calculate(editor, "1/0", label, "Division by zero.")
        # The same message again is still news.
        calculate(editor, "1/0", label, "Division by zero.", name_changes=False)
        # An entry moved up the list.
        calculate(editor, "1234.5678", label, "1,234.57")
        calculate(editor, "", label, "")
        check_help(app, frame)
        check_each_announced_once()
    finally:
        program.terminate()
        program.wait(WAIT)
    print("window through AT-SPI: passed")


if __name__ == "__main__":
    main()
