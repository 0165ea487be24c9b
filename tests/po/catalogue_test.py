#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Every language's catalogue against the texts the sources hold now: each
text with a translator's comment in the sources, and in every language
translated (not empty, not fuzzy), with the same placeholders, one
access key where the English has one, and a desktop keyword list still a
list. The texts are extracted afresh, so a text added without running
update-po fails here too.

Usage: catalogue_test.py SOURCE_DIR
"""
import os
import subprocess
import sys
import tempfile

source = sys.argv[1]
sys.path.insert(0, os.path.join(source, "tools"))
import po  # noqa: E402


def access_keys(text):
    return text.replace("&&", "").count("&")


# One row per rule: its name and what it finds wrong with a translation.
RULES = [
    ("translated", lambda e, t: "" if t.msgstr else "no translation"),
    ("not fuzzy", lambda e, t: "marked fuzzy" if t.fuzzy else ""),
    ("placeholders", lambda e, t: "" if po.placeholders(e) == po.placeholders(t.msgstr)
     else "placeholders %s, the English has %s" % (po.placeholders(t.msgstr), po.placeholders(e))),
    ("access key", lambda e, t: "" if access_keys(e) == access_keys(t.msgstr)
     else "%d access keys ('&'), the English has %d" % (access_keys(t.msgstr), access_keys(e))),
    ("keyword list", lambda e, t: "" if not e.endswith(";") or (t.msgstr.endswith(";") and ";;" not in t.msgstr)
     else "not a list of words each ended by ';'"),
    ("trailing space", lambda e, t: "" if e.endswith(" ") == t.msgstr.endswith(" ")
     else "ends with a space where the English does not, or the other way round"),
]


def main():
    po_dir = os.path.join(source, "po")
    with open(os.path.join(po_dir, "LINGUAS")) as f:
        languages = f.read().split()
    failures = []
    files = sorted(n[:-3] for n in os.listdir(po_dir) if n.endswith(".po"))
    if files != sorted(languages):
        failures.append("po/LINGUAS lists %s, po/ holds %s" % (sorted(languages), files))
    with tempfile.TemporaryDirectory() as work:
        pot = os.path.join(work, "exprcalc.pot")
        subprocess.run(["bash", os.path.join(source, "tools", "extract_texts.sh"), source, pot], check=True,
                       stderr=subprocess.DEVNULL)
        template = po.messages(pot)
        english = list(template)
    for text, entry in template.items():
        if not entry.comments:
            failures.append("%r: no translator's comment (TRANSLATORS: where it appears, how much room)" % text)
    if len(english) < 40:
        failures.append("extraction found only %d texts" % len(english))
    for language in languages:
        catalogue = po.messages(os.path.join(po_dir, language + ".po"))
        for text in english:
            entry = catalogue.get(text)
            if entry is None:
                failures.append("%s: %r: missing (run the update-po target, then translate)" % (language, text))
                continue
            for name, rule in RULES:
                problem = rule(text, entry)
                if problem:
                    failures.append("%s: %r: %s: %s" % (language, text, name, problem))
        for text in sorted(set(catalogue) - set(english)):
            failures.append("%s: %r: no longer in the sources (run the update-po target)" % (language, text))
    for failure in failures:
        print("FAILED: " + failure)
    print("%d languages, %d texts: %s" % (len(languages), len(english), "failed" if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
