#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package into a temporary folder and checks its name, its
# files, its control fields and what lintian says of it.
# Usage: deb_package.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  fail "cpack failed"
  exit 1
}
deb=$work/exprcalc_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || {
  fail "no $(basename "$deb"); cpack wrote: $(cd "$work" && ls ./*.deb)"
  exit 1
}

# The same files as an install, under /usr.
diff -u <(sed 's|^|usr/|' "$here/expected_files.txt") \
  <(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | LC_ALL=C sort) ||
  fail "the package's files differ from expected_files.txt"

# Control fields: each row is a field and the pattern its value must match.
while IFS='|' read -r field pattern; do
  value=$(dpkg-deb --field "$deb" "$field")
  [[ "$value" =~ $pattern ]] || fail "control field $field is '$value', expected /$pattern/"
done <<EOF
Package|^exprcalc$
Version|^${version//./\\.}$
Architecture|^$(dpkg --print-architecture)$
Section|^math$
Priority|^optional$
Maintainer|^exprcalc developers <maintainers@exprcalc\.example>$
Homepage|^https://www\.exprcalc\.example$
Depends|(^|, )libc6 \(>= [0-9.]+\)(,|$)
Depends|(^|, )libqt6widgets6 \(>= [0-9.]+\)(,|$)
Depends|(^|, )libedit2 \(>= [0-9.-]+\)(,|$)
Recommends|^qt6-wayland, qt6-translations-l10n, fonts-droid-fallback \| fonts-noto-cjk, fonts-dejavu-core$
Description|^calculator for one-line arithmetic expressions
EOF

# The programs are stripped.
mkdir "$work/tree"
dpkg-deb -x "$deb" "$work/tree"
for program in exprcalc exprcalc-cli; do
  [[ "$(file "$work/tree/usr/bin/$program")" == *", stripped"* ]] || fail "usr/bin/$program is not stripped"
done

# lintian: no error. Warnings and notes are shown for the record.
lintian --info "$deb" >"$work/lintian.txt" 2>&1 || true
grep -v '^running with root privileges' "$work/lintian.txt" || true
if grep -q '^E: ' "$work/lintian.txt"; then fail "lintian reports errors"; fi

if [ "$failures" -ne 0 ]; then
  echo "Debian package: $failures check(s) failed"
  exit 1
fi
echo "Debian package: passed"
