#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The icon rendered from the SVG has every size Windows picks from, the
# 256-pixel one as PNG, and each executable carries it as its first icon
# group, the one Explorer shows.
# Usage: icon_resources.sh ICON.ico EXECUTABLE...
set -euo pipefail
icon=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

expected="16x16 32 BMP,20x20 32 BMP,24x24 32 BMP,32x32 32 BMP,40x40 32 BMP,48x48 32 BMP,64x64 32 BMP,256x256 32 PNG"
python3 "$here/ico.py" list "$icon" >"$work/icon.txt"
sizes=$(cut -d' ' -f1-3 "$work/icon.txt" | paste -sd,)
[ "$sizes" = "$expected" ] || fail "$(basename "$icon") holds '$sizes', expected '$expected'"

for executable in "$@"; do
  name=$(basename "$executable")
  first=$(wrestool -l --type=14 "$executable" | head -n 1)
  [[ "$first" == "--type=14 --name=1 "* ]] || { fail "$name: the first icon group is '$first', not 1"; continue; }
  wrestool -x --type=14 --name=1 "$executable" >"$work/$name.ico"
  python3 "$here/ico.py" list "$work/$name.ico" | diff -u "$work/icon.txt" - >/dev/null ||
    fail "$name: icon group 1 is not the rendered icon: $(python3 "$here/ico.py" list "$work/$name.ico" | paste -sd,)"
done

if [ "$failures" -ne 0 ]; then
  echo "icon resources: $failures check(s) failed"
  exit 1
fi
echo "icon resources: passed"
