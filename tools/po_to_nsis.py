#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Makes the setup program's languages from the program's catalogues: for
each po/LANG.po, the installer's standard language (its pages' texts) and
each English CatalogueText of the setup script in that language, as the
catalogue translates it (in English where the catalogue has no translation).

Usage: po_to_nsis.py SETUP.nsi OUTPUT.nsh PO-FILE...

A catalogue of a language the installer does not know by name is an error:
add its name to NSIS_NAMES."""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import po  # noqa: E402

# The catalogue's language -> the name of NSIS's language file.
NSIS_NAMES = {
    "ar": "Arabic",
    "de": "German",
    "es": "Spanish",
    "fr": "French",
    "it": "Italian",
    "ja": "Japanese",
    "nl": "Dutch",
    "pl": "Polish",
    "pt_BR": "PortugueseBR",
    "ru": "Russian",
    "zh_CN": "SimpChinese",
}

ENGLISH = re.compile(r'^!insertmacro CatalogueText (\w+) \$\{LANG_ENGLISH\} "([^"]*)" "(.*)"\s*$')
# NSIS's escapes inside a quoted string.
UNESCAPES = {"$\\r": "\r", "$\\n": "\n", "$\\t": "\t", '$\\"': '"', "$$": "$"}


def unescape(text):
    return re.sub(r'\$\\[rnt"]|\$\$', lambda m: UNESCAPES[m.group(0)], text)


def escape(text):
    return (text.replace("$", "$$").replace('"', '$\\"').replace("\r", "$\\r").replace("\n", "$\\n")
            .replace("\t", "$\\t"))


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    nsi, output, catalogues = argv[0], argv[1], sorted(argv[2:], key=os.path.basename)
    with open(nsi, encoding="utf-8") as f:
        english = [m.groups() for m in map(ENGLISH.match, f.read().splitlines()) if m]
    if not english:
        sys.exit(f"{nsi}: no English CatalogueText")
    lines = ["; Made by tools/po_to_nsis.py from the catalogues: not to be edited."]
    for path in catalogues:
        language = os.path.basename(path)[: -len(".po")]
        if language not in NSIS_NAMES:
            sys.exit(f"{path}: the installer's name of this language is not known: add it to NSIS_NAMES")
        name = NSIS_NAMES[language]
        messages = po.messages(path)
        lines.append(f'!insertmacro MUI_LANGUAGE "{name}"')
        for string, piece, text in english:
            entry = messages.get(unescape(text))
            translated = escape(entry.msgstr) if entry and entry.msgstr and not entry.fuzzy else text
            lines.append(f'!insertmacro CatalogueText {string} ${{LANG_{name.upper()}}} "{piece}" "{translated}"')
    # With a byte-order mark makensis reads it as UTF-8 whatever the locale.
    with open(output, "w", encoding="utf-8-sig", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1:])
