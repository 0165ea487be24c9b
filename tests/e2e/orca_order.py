# SPDX-License-Identifier: MIT
"""Checks the order of what Orca said after each key, from the log
orca_order.sh writes: lines "TIME ACTION LABEL" and "TIME SAID TEXT".

A label says what to check:
  "KEY: first TEXT"     the first utterance after the key's echo is TEXT;
  "KEY: among two TEXT" TEXT is one of the first two after the key's echo;
  "KEY: names TEXT"     TEXT is said after the key.
Utterances are compared without spaces and final full stops, as Orca spaces
out digits and symbols ("1 .33.").

Usage: orca_order.py HEARD.LOG
"""
import re
import sys

# What Orca says of a key itself.
KEY_ECHO = re.compile(r"^(left paren|right paren|\d|space|plus|slash|caret|dot|tab|return|escape|F4|left shift|"
                      r"left alt|left control|minus|star|Return|Tab|down|Down)$", re.IGNORECASE)


def plain(text):
    return re.sub(r"\s+", "", text).rstrip(".")


def read(path):
    actions = []
    for line in open(path, encoding="utf-8", errors="replace"):
        line = line.rstrip("\n")
        action = re.match(r"\S+ ACTION (.*)", line)
        if action:
            actions.append((action.group(1), []))
            continue
        said = re.match(r"\S+ SAID (.*)", line)
        if said and actions and not KEY_ECHO.match(said.group(1).strip()):
            actions[-1][1].append(said.group(1).strip())
    return actions


def main():
    actions = read(sys.argv[1])
    failures = []
    checked = 0
    for label, said in actions:
        rule = re.match(r"(.*): (first|among two|names) (.*)", label)
        if not rule:
            continue
        checked += 1
        key, kind, expected = rule.groups()
        heard = [plain(u) for u in said]
        if kind == "first":
            ok = heard[:1] == [plain(expected)]
        elif kind == "among two":
            ok = plain(expected) in heard[:2]
        else:
            ok = plain(expected) in heard
        print("%s %s: heard %r" % ("ok  " if ok else "FAIL", label, said))
        if not ok:
            failures.append(label)
    if checked == 0 or any(label == "end" for label, _ in actions) is False:
        print("FAILED: the run did not come to its end")
        return 1
    if failures:
        print("FAILED: %s" % "; ".join(failures))
        return 1
    print("what Orca says, in order: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
