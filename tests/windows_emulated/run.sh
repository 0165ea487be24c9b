#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The shipped 32-bit files where the kernel runs no 32-bit code: Wine's 32-bit
# processes run under qemu-i386 (registered in binfmt_misc by the caller),
# Wine's own 64-bit services natively. Each 32-bit process start costs about
# half a minute of processor time there, so the programs start as few times
# as the checks allow, in one new prefix: exprcalc-cli.exe once for each set
# of options in the examples table and the window once, driven by a native
# probe through a session end, all beside the setup program, the installed
# exprcalc-cli.exe and the uninstaller, once each.
# Usage: run.sh RELEASE.zip SETUP.exe SESSION_END_PROBE.exe
# (WINEPREFIX names a folder for the prefix, made anew.)
set -euo pipefail
zip=$1 setup=$2 probe=$3
# The programs and the setup speak the locale's language: the checks are
# English.
export LC_ALL=C.UTF-8
here=$(cd "$(dirname "$0")/../.." && pwd)
wine=(/usr/lib/wine/wine64)
fail_logs="boot app"
. "$here/tests/e2e/harness.sh"
. "$here/tests/e2e/wine_server.sh"
: "${WINEPREFIX:?WINEPREFIX must name a folder for the Wine prefix}"
end_extra() { "$server" -k >/dev/null 2>&1 || true; }
step() { echo "$* ($((SECONDS - started)) s)"; }
# start_failed OUT ERR: whether the command's own 32-bit process failed to
# start before the program ran. Now and then qemu finds the address that
# Wine keeps for its shared user data taken at a 32-bit process's start
# (c0000018): Wine says so and the process ends. That report must be the
# first line written: neither the program nor a process it started wrote
# anything before it (Wine's and the emulator's own notes aside), and OUT,
# when apart, holds nothing.
start_failed() {
  local out=$1 err=$2 line
  if [ "$out" != "$err" ] && [ -s "$out" ]; then return 1; fi
  while IFS= read -r line; do
    case "$line" in
      *"failed to map the shared user data"*) return 0 ;;
      wine:* | qemu* | [0-9a-f][0-9a-f][0-9a-f][0-9a-f]:err:* | [0-9a-f][0-9a-f][0-9a-f][0-9a-f]:fixme:* | err:* | fixme:*) ;;
      *) return 1 ;;
    esac
  done <"$err"
  return 1
}
# emulated [-u UNCHANGED] OUT ERR COMMAND...: runs a command that starts a
# 32-bit program, and starts it again, up to three times, only when that
# start failed before the program ran (start_failed) and, with -u, the
# command UNCHANGED finds things as they were before it: a setup or an
# uninstall runs again only from the state before it. Any other failure is
# the program's.
emulated() {
  local unchanged="" out err try status=0
  if [ "$1" = -u ]; then
    unchanged=$2
    shift 2
  fi
  out=$1 err=$2
  shift 2
  for try in 1 2 3; do
    if [ "$out" = "$err" ]; then "$@" </dev/null >"$out" 2>&1; else "$@" </dev/null >"$out" 2>"$err"; fi &&
      return 0 || status=$?
    start_failed "$out" "$err" || return "$status"
    [ -z "$unchanged" ] || "$unchanged" || return "$status"
    echo "the emulator could not start Wine's 32-bit process (try $try): starting it again" >&2
  done
  return "$status"
}
windows_path() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }
started=$SECONDS

unzip -q "$zip" -d "$work/zip"
release=$(echo "$work"/zip/*)
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
. "$here/tools/xvfb.sh"
start_xvfb "$work"
restart_server
"${wine[@]}" wineboot -i </dev/null >"$work/boot.log" 2>&1 || fail "Wine could not make its prefix under the emulator"
step "Wine prefix ready"

python3 "$here/tests/windows_emulated/examples_stdin.py" "$here/tests/data/examples.tsv" "${wine[@]}" \
  "$release/exprcalc-cli.exe" >"$work/examples.log" 2>&1 &
examples=$!

# The window, beside the setup program: only the uninstall needs its
# settings file.
emulated "$work/window.log" "$work/window.log" timeout 600 "${wine[@]}" "$probe" \
  "$(windows_path "$release/exprcalc.exe")" &
window=$!

local_appdata=$(find "$WINEPREFIX/drive_c/users" -mindepth 3 -maxdepth 3 -type d -path '*/AppData/Local' | head -n 1)
roaming=$(dirname "$local_appdata")/Roaming
dir="$local_appdata/Programs/Expression Calculator"
shortcut="$roaming/Microsoft/Windows/Start Menu/Programs/Varnel's Expression calculator.lnk"
settings="$roaming/VarnelSoftware/Expression Calculator/brelmont.ini"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\exprcalc'
not_installed() { [ ! -e "$dir" ] && [ ! -e "$shortcut" ] && ! "${wine[@]}" reg query "$key" >/dev/null 2>&1; }
installed() {
  local file
  for file in exprcalc.exe exprcalc-cli.exe LICENSE.txt Uninstall.exe; do [ -f "$dir/$file" ] || return 1; done
  [ -f "$shortcut" ] && "${wine[@]}" reg query "$key" >/dev/null 2>&1
}
not_installed || fail "the new prefix holds the program already"
emulated -u not_installed "$work/app.log" "$work/app.log" "${wine[@]}" "$setup" /S || fail "the silent install failed"
for file in exprcalc.exe exprcalc-cli.exe LICENSE.txt; do
  cmp -s "$release/$file" "$dir/$file" || fail "the setup program installed no $file or another one"
done
[ -f "$dir/Uninstall.exe" ] || fail "the setup program installed no Uninstall.exe"
[ -f "$shortcut" ] || fail "the setup program made no Start menu shortcut"
"${wine[@]}" reg query "$key" /v UninstallString >/dev/null 2>&1 || fail "the setup program made no uninstall entry"
emulated "$work/sum.txt" "$work/app.log" "${wine[@]}" "$dir/exprcalc-cli.exe" 2+2 || true
[ "$(cat "$work/sum.txt")" = 4 ] ||
  fail "the installed exprcalc-cli.exe does not print 4 for 2+2"
step "setup.exe /S installed, the installed exprcalc-cli.exe printed 4 for 2+2"

wait "$window" || { cat "$work/window.log"; fail "the window under the emulator"; }
step "$(tail -n 1 "$work/window.log")"
cp "$settings" "$work/settings.ini"

# The uninstaller runs a copy of itself and returns at once: wait for the copy.
emulated -u installed "$work/app.log" "$work/app.log" "${wine[@]}" "$dir/Uninstall.exe" /S ||
  fail "the silent uninstall failed to start"
deadline=$((SECONDS + 420))
until not_installed || [ $SECONDS -ge $deadline ]; do sleep 0.2; done
not_installed || fail "after 7 minutes the uninstaller had left the folder, the shortcut or the uninstall entry"
cmp -s "$work/settings.ini" "$settings" || fail "the uninstaller changed or removed the settings file"
step "Uninstall.exe /S removed the program and kept the settings file"

wait "$examples" || { cat "$work/examples.log"; fail "exprcalc-cli.exe under the emulator"; }
step "$(tail -n 1 "$work/examples.log")"
