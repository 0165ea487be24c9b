# SPDX-License-Identifier: MIT
"""Reads gettext catalogues (.po, .pot): the one parser the catalogue
generator and the catalogue test share."""

import re

_ESCAPES = {"n": "\n", "t": "\t", "r": "\r", '"': '"', "\\": "\\", "a": "\a", "b": "\b", "f": "\f", "v": "\v"}


def _unquote(text, where):
    if len(text) < 2 or text[0] != '"' or text[-1] != '"':
        raise ValueError(f"{where}: not a quoted string: {text}")
    out, i, body = [], 0, text[1:-1]
    while i < len(body):
        c = body[i]
        if c == "\\":
            i += 1
            if i >= len(body) or body[i] not in _ESCAPES:
                raise ValueError(f"{where}: unknown escape in {text}")
            out.append(_ESCAPES[body[i]])
        else:
            out.append(c)
        i += 1
    return "".join(out)


class Entry:
    def __init__(self):
        self.msgctxt = None
        self.msgid = None
        self.msgstr = None
        self.flags = set()
        self.references = []
        self.comments = []  # the translators' comments from the sources (#.)
        self.line = 0

    @property
    def fuzzy(self):
        return "fuzzy" in self.flags


def read(path):
    """The entries of a catalogue, the header (msgid "") included, in file
    order. Obsolete entries (#~) are left out."""
    entries, entry, field = [], Entry(), None
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")

    def finish():
        nonlocal entry, field
        if entry.msgid is not None:
            if entry.msgstr is None:
                raise ValueError(f"{path}:{entry.line}: msgid without msgstr")
            entries.append(entry)
        entry, field = Entry(), None

    for number, raw in enumerate(lines, 1):
        line = raw.strip()
        where = f"{path}:{number}"
        if not line:
            finish()
        elif line.startswith("#~"):
            continue
        elif line.startswith("#,"):
            if entry.msgid is not None:
                finish()
            entry.flags.update(flag.strip() for flag in line[2:].split(","))
        elif line.startswith("#:"):
            if entry.msgid is not None:
                finish()
            entry.references.extend(line[2:].split())
        elif line.startswith("#."):
            if entry.msgid is not None:
                finish()
            entry.comments.append(line[2:].strip())
        elif line.startswith("#"):
            if entry.msgid is not None:
                finish()
        elif line.startswith('"'):
            if field is None:
                raise ValueError(f"{where}: a string continues nothing")
            setattr(entry, field, getattr(entry, field) + _unquote(line, where))
        else:
            keyword, _, rest = line.partition(" ")
            if keyword in ("msgid_plural",) or keyword.startswith("msgstr["):
                raise ValueError(f"{where}: plural forms are not used by this program")
            if keyword not in ("msgctxt", "msgid", "msgstr"):
                raise ValueError(f"{where}: unknown line: {line}")
            if keyword in ("msgctxt", "msgid") and entry.msgstr is not None:
                finish()
            if keyword == "msgid" and entry.msgid is None:
                entry.line = number
            setattr(entry, keyword, _unquote(rest.strip(), where))
            field = keyword
    finish()
    return entries


def messages(path):
    """msgid -> Entry, without the header."""
    return {e.msgid: e for e in read(path) if e.msgid}


PLACEHOLDER = re.compile(r"%[1-9]")


def placeholders(text):
    """The placeholders of a text, sorted: "%1 of %2" -> ["%1", "%2"]."""
    return sorted(PLACEHOLDER.findall(text))
