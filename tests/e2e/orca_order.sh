#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What a user of Orca, the Linux screen reader, hears and in which order:
# Orca runs over the window in an X server and on a session bus of their
# own, and speech-dispatcher writes each utterance to a log instead of
# speaking it. A short sequence of keys (calculations, a check box, Copy,
# opening the history) is typed with xdotool; orca_order.py then checks the
# order of what was said after each key.
# Usage: orca_order.sh PATH/TO/exprcalc
# Exits 77 (skipped) where Orca or its helpers are not installed.
set -uo pipefail
app=$(readlink -f "$1")
here=$(cd "$(dirname "$0")/../.." && pwd)
launcher=/usr/libexec/at-spi-bus-launcher

if [ "${2:-}" != inner ]; then
  for program in orca speech-dispatcher openbox Xvfb xdotool dbus-run-session "$launcher"; do
    if ! command -v "$program" >/dev/null; then
      echo "SKIPPED: $program is not installed (tools/install-deps.sh installs Orca and its helpers)"
      exit 77
    fi
  done
  work=$(mktemp -d)
  xvfb_pid=""
  cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
  }
  trap cleanup EXIT
  . "$here/tools/xvfb.sh"
  start_xvfb "$work"
  mkdir -p "$work/home" "$work/config/speech-dispatcher/modules" "$work/data" "$work/cache" "$work/orca" \
    "$work/calc-config" "$work/speechd-log"
  mkdir -m 700 "$work/runtime"
  echo 'pcm.!default { type null }' >"$work/home/.asoundrc"
  # The speech "synthesiser": a line in the log per utterance.
  cat >"$work/say.sh" <<EOF
#!/bin/bash
printf '%s SAID %s\n' "\$(date +%T.%3N)" "\$(cat)" >>"$work/heard.log"
EOF
  chmod +x "$work/say.sh"
  cat >"$work/config/speech-dispatcher/modules/log.conf" <<EOF
GenericExecuteSynth "printf %s \'\$DATA\' | $work/say.sh"
AddVoice "en" "MALE1" "en"
GenericLanguage "en" "en" "utf-8"
EOF
  cat >"$work/config/speech-dispatcher/speechd.conf" <<EOF
LogLevel 3
LogDir "$work/speechd-log"
SymbolsPreproc "char"
SymbolsPreprocFile "symbols.dic"
SymbolsPreprocFile "orca.dic"
SymbolsPreprocFile "orca-chars.dic"
AddModule "log" "sd_generic" "log.conf"
DefaultModule log
DefaultLanguage "en"
AudioOutputMethod "alsa"
EOF
  touch "$work/heard.log"
  unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
  HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache \
    XDG_RUNTIME_DIR=$work/runtime LANG=C.UTF-8 WORK=$work \
    dbus-run-session -- bash "$0" "$app" inner >"$work/inner.log" 2>&1
  status=$?
  if [ $status -ne 0 ]; then
    echo "The run did not finish:"
    grep -v "^dbus-daemon" "$work/inner.log" | tail -n 20
    exit $status
  fi
  python3 "$here/tests/e2e/orca_order.py" "$work/heard.log"
  exit $?
fi

# Inside the private session bus.
work=$WORK
log=$work/heard.log
pids=()
stop() {
  local p
  for p in "${pids[@]}"; do
    for child in $(pgrep -P "$p"); do kill "$child" 2>/dev/null; done
    kill "$p" 2>/dev/null
  done
}
trap stop EXIT
# Polls until the log holds a line matching the pattern (after line $2).
wait_for_said() {
  local pattern=$1 after=${2:-0} deadline=$((SECONDS + 30))
  until tail -n +"$((after + 1))" "$log" | grep -q -- "$pattern"; do
    [ $SECONDS -lt $deadline ] || { echo "never heard: $pattern"; return 1; }
    sleep 0.1
  done
}
# Polls until nothing new was said for 1.5 s: Orca has done with a key.
wait_for_quiet() {
  local size quiet=0 deadline=$((SECONDS + 30))
  size=$(stat -c %s "$log")
  while [ $quiet -lt 15 ] && [ $SECONDS -lt $deadline ]; do
    sleep 0.1
    if [ "$(stat -c %s "$log")" = "$size" ]; then quiet=$((quiet + 1)); else quiet=0; size=$(stat -c %s "$log"); fi
  done
}
# act LABEL XDOTOOL-ARGUMENTS...: the label says what orca_order.py checks.
# Every key here makes Orca say something: its first words are waited for,
# however slow the machine, then the quiet after its last.
act() {
  local label=$1 size deadline=$((SECONDS + 30))
  shift
  printf '%s ACTION %s\n' "$(date +%T.%3N)" "$label" >>"$log"
  size=$(stat -c %s "$log")
  xdotool "$@"
  while [ "$(stat -c %s "$log")" = "$size" ] && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
  wait_for_quiet
}

openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
"$launcher" --launch-immediately >"$work/atspi.log" 2>&1 &
pids+=($!)
speech-dispatcher -s -t 0 -C "$work/config/speech-dispatcher" >"$work/speechd.log" 2>&1 &
pids+=($!)
orca --replace -u "$work/orca" >"$work/orca.log" 2>&1 </dev/null &
pids+=($!)
wait_for_said "Screen reader on" || exit 1
wait_for_quiet

printf '%s ACTION start\n' "$(date +%T.%3N)" >>"$log"
XDG_CONFIG_HOME=$work/calc-config QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 QT_QPA_PLATFORM=xcb "$1" \
  >"$work/calc.log" 2>&1 &
pids+=($!)
wait_for_said "Expression editable combo box" || exit 1
wait_for_quiet

act 'type' type --delay 60 "(2+2)/3"
act 'Enter: first 1.33' key Return
act 'Ctrl+A' key ctrl+a
act 'type' type --delay 60 "1/0"
act 'Enter: first Division by zero.' key Return
act 'Ctrl+A' key ctrl+a
act 'type' type --delay 60 "1234567"
act 'Enter: first 1,234,567' key Return
# From the box, the last in tab order: Calculate, Copy, the check box.
act 'Tab' key Tab
act 'Tab' key Tab
act 'Tab' key Tab
act 'Space on Thousands separators: among two 1234567' key space
# The focus is back in the box.
act 'Tab' key Tab
act 'Tab' key Tab
act 'Space on Copy: among two Copied 1234567' key space
act 'Alt+Down: names 1234567' key alt+Down
act 'Escape' key Escape
act 'F4: names 1234567' key F4
act 'Escape' key Escape
printf '%s ACTION end\n' "$(date +%T.%3N)" >>"$log"
