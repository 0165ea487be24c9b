#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds a preset's release files a second time, from a copy of the sources in
# another folder and with the tests off, and compares them byte for byte with
# those of build/PRESET (which it brings up to date first). Exits non-zero
# when any differs.
# Usage: tools/check-reproducible.sh PRESET
#   default     the Debian package (target package)
#   windows-*   both executables, the zip and the setup program (target release)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:?usage: tools/check-reproducible.sh PRESET}
case $preset in
  default) target=package files=('exprcalc_*.deb') ;;
  windows-*) target=release files=(window/win32/exprcalc.exe cli/exprcalc-cli.exe 'exprcalc-*.zip' 'exprcalc-*-setup.exe') ;;
  *) echo "no release files known for the preset $preset" >&2 && exit 2 ;;
esac
started=$SECONDS
copy=$(mktemp -d "${TMPDIR:-/tmp}/exprcalc-reproducible.XXXXXX")
trap 'rm -rf "$copy"' EXIT
# A step's output is shown only when it fails.
quiet() { "$@" >"$copy/log" 2>&1 || { cat "$copy/log" && exit 1; }; }

quiet cmake --build --preset "$preset" --target "$target"

# The last commit plus the uncommitted changes: the same sources as the
# checkout, with the same commit date.
git clone -q --no-checkout . "$copy/src"
git -C "$copy/src" checkout -q --detach "$(git rev-parse HEAD)"
git diff --binary HEAD | git -C "$copy/src" apply --allow-empty
git ls-files -z --others --exclude-standard | tar -c --null -T - | tar -x -C "$copy/src"
(cd "$copy/src" && quiet cmake --preset "$preset" -DCALC_TESTS=OFF && quiet cmake --build --preset "$preset" --target "$target")

failures=0
for pattern in "${files[@]}"; do
  # shellcheck disable=SC2206 # the patterns name one file each
  first=(build/$preset/$pattern)
  second=("$copy"/src/build/$preset/$pattern)
  if [ ! -f "${first[0]}" ] || [ ! -f "${second[0]}" ]; then
    echo "FAILED: build/$preset/$pattern was not made by both builds"
    failures=$((failures + 1))
  elif cmp -s "${first[0]}" "${second[0]}"; then
    echo "same: ${first[0]} ($(stat -c %s "${first[0]}") bytes)"
  else
    echo "FAILED: ${first[0]} differs from the second build's: $(cmp "${first[0]}" "${second[0]}" 2>&1 | head -n 1)"
    failures=$((failures + 1))
  fi
done
echo "Second build of $preset and comparison in $((SECONDS - started)) s."
[ "$failures" -eq 0 ]
