#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Extracts every text a user reads into a gettext template: the windows'
# texts (marked Tr or CALC_N in core/, window/ and support/), the texts of
# the Windows setup program, the desktop entry and the AppStream metainfo.
# Usage: extract_texts.sh SOURCE_DIR OUTPUT.pot
# The build target update-po runs it into po/exprcalc.pot and merges the
# catalogues; the catalogue test runs it to see that none lacks a text.
set -euo pipefail
cd "$1"
out=$2
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
common=(--from-code=UTF-8 --add-comments=TRANSLATORS: --sort-by-file --package-name=exprcalc
  --msgid-bugs-address=maintainers@exprcalc.example --copyright-holder="the exprcalc developers")
mapfile -t sources < <(find core window support cmake/windows -name '*.cpp' -o -name '*.h' | LC_ALL=C sort)
xgettext "${common[@]}" --language=C++ -k -kTr:1 -kCALC_N:1 -o "$tmp" "${sources[@]}"
sed -i 's/charset=CHARSET/charset=UTF-8/' "$tmp"
xgettext "${common[@]}" --join-existing --language=Desktop -k -kName -kGenericName -kComment -kKeywords -o "$tmp" \
  data/org.exprcalc.Exprcalc.desktop.in
xgettext "${common[@]}" --join-existing -o "$tmp" data/org.exprcalc.Exprcalc.metainfo.xml.in
# The creation date alone changes nothing: an unchanged template is left
# alone, and so are the catalogues merged from it.
if [ -f "$out" ] && diff -q <(grep -v '^"POT-Creation-Date' "$out") <(grep -v '^"POT-Creation-Date' "$tmp") >/dev/null; then
  exit 0
fi
cp "$tmp" "$out"
