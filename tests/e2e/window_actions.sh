# SPDX-License-Identifier: MIT
# Sourced by the end-to-end window tests: what a person does with the window
# whose id is in $window, of the process in $app_pid. The caller defines
# fail() and $here, and may set close_tries (tenths of a second to wait for
# the process to end), copy_seconds (how long the shown text may take to
# come), type_delay
# (milliseconds between typed keys) and box_title (the message boxes' title,
# a pattern). The settings checks also need start (which sets $window and
# $app_pid), launch (one more copy of the program in the background),
# $settings and $work; dismiss_box may be redefined.
close_tries=${close_tries:-100}
copy_seconds=${copy_seconds:-10}
type_delay=${type_delay:-20}
box_title=${box_title:-'^Exprcalc$'}

# Clicks a control at its position in the window (client coordinates).
# What the click does is waited for where it is looked at.
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }
clipboard() { timeout 5 xclip -o -selection clipboard 2>/dev/null || true; }
# clipboard_gets TEXT COMMAND...: runs COMMAND, which puts TEXT on the
# clipboard once the window has handled what came before, until it does,
# for up to copy_seconds. The clipboard is emptied before each run, so an
# earlier copy is never taken for this one.
clipboard_gets() {
  local expected=$1 deadline=$((SECONDS + copy_seconds))
  shift
  while [ "$SECONDS" -lt "$deadline" ]; do
    xclip -selection clipboard -i </dev/null >/dev/null 2>&1
    "$@"
    for _ in $(seq 20); do
      case "$(clipboard)" in
        "$expected") return 0 ;;
        "") sleep 0.1 ;;
        *) break ;;
      esac
    done
  done
  return 1
}
# copied TEXT: Copy puts TEXT on the clipboard.
copied() { clipboard_gets "$1" click 550 116; }
# box_holds TEXT: the box's text, copied out of it, is TEXT.
box_holds() { clipboard_gets "$1" xdotool key ctrl+a ctrl+c; }
# takes_keys: waits until the window shown last takes what is typed: a
# mark typed into its box comes back out, and is taken away again.
type_mark() {
  xdotool key ctrl+a BackSpace
  xdotool type --delay "$type_delay" '#'
  xdotool key ctrl+a ctrl+c
}
takes_keys() {
  clipboard_gets '#' type_mark || fail "the window did not take the keys typed"
  xdotool key ctrl+a BackSpace
}
# Closes the window as a window manager's close button does, and waits for
# the program to end.
finish() {
  python3 "$here/tools/x11_close.py" "$window"
  for _ in $(seq "$close_tries"); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$app_pid" 2>/dev/null || fail "the window did not close"
  app_pid=""
}

# Presses Enter in the box whose id is given.
dismiss_box() { xdotool mousemove --window "$1" 10 10 key Return; }

# Types an expression into the box of the window under the pointer's click
# and presses Enter.
calculate_in() {
  xdotool mousemove --window "$1" 200 45 click 1
  xdotool key ctrl+a BackSpace
  xdotool type --delay "$type_delay" "$2"
  xdotool key Return
}

# Two windows at once: the one closed last writes its own history first,
# then the other's, which the file held.
check_two_windows_keep_both_histories() {
  rm -f "$settings"
  start
  local first=$window first_pid=$app_pid second="" second_pid
  calculate_in "$first" '10+10'
  calculate_in "$first" '20+20'
  launch
  second_pid=$!
  extra_pids="$first_pid $second_pid"
  for _ in $(seq "$close_tries"); do
    second=$(xdotool search --onlyvisible --name "Varnel's Expression calculator" | grep -vx "$first" | head -n 1) || true
    [ -n "$second" ] && break
    sleep 0.1
  done
  [ -n "$second" ] || fail "the second window did not appear"
  calculate_in "$second" '30+30'
  window=$first app_pid=$first_pid
  finish
  window=$second app_pid=$second_pid
  finish
  extra_pids=""
  local expressions
  expressions=$(grep '^Expression' "$settings" | tr -d '\r' | tr '\n' ' ')
  [ "$expressions" = "Expression1=30+30 Expression2=20+20 Expression3=10+10 " ] ||
    fail "the two windows' histories are not both in the file: $expressions"
}

# other_window FIRST: the id of a visible calculator window other than
# FIRST, once one shows.
other_window() {
  local other=""
  for _ in $(seq "$close_tries"); do
    other=$(xdotool search --onlyvisible --name "Varnel's Expression calculator" | grep -vx "$1" | head -n 1) || true
    [ -n "$other" ] && break
    sleep 0.1
  done
  [ -n "$other" ] || fail "the second window did not appear"
  echo "$other"
}

# A full history of 50 entries, two windows, a new expression in each:
# both are kept, each once, whichever window closes last, and the file
# holds the newest 50.
check_full_history_keeps_both_windows_entries() {
  {
    printf '[Expressions]\r\n'
    for i in $(seq 50); do printf 'Expression%d=%d\r\n' "$i" "$i"; done
  } >"$settings"
  start
  local first=$window first_pid=$app_pid second second_pid
  calculate_in "$first" '901+1'
  launch
  second_pid=$!
  extra_pids="$first_pid $second_pid"
  second=$(other_window "$first")
  calculate_in "$second" '902+2'
  window=$second app_pid=$second_pid
  finish
  window=$first app_pid=$first_pid
  finish
  extra_pids=""
  local entries
  entries=$(grep '^Expression' "$settings" | tr -d '\r' | cut -d= -f2-)
  grep -qx '901+1' <<<"$entries" || fail "a full history lost the first window's 901+1"
  grep -qx '902+2' <<<"$entries" || fail "a full history lost the second window's 902+2"
  [ "$(wc -l <<<"$entries")" = 50 ] || fail "the full history does not hold 50 entries: $(wc -l <<<"$entries")"
  [ "$(sort <<<"$entries" | uniq -d)" = "" ] || fail "an entry is in the history twice"
  [ "$(head -n 1 <<<"$entries")" = '901+1' ] || fail "the window closed last does not come first"
}

# A settings file over the 4 MiB reading limit: the first close renames it
# aside and says so in a box, and writes a fresh file; the next close shows
# no box (finish waits for the program to end).
check_large_file_moved_aside_once() {
  python3 -c 'import sys; sys.stdout.write("[Expressions]\r\n" + "Expression1=1+1\r\n" * 250000)' >"$settings"
  cp "$settings" "$work/large.ini"
  start
  calculate_in "$window" '6*7'
  python3 "$here/tools/x11_close.py" "$window"
  local box
  box=$(timeout 20 xdotool search --sync --onlyvisible --name "$box_title" | head -n 1)
  [ -n "$box" ] || fail "no message box when the settings file was moved aside"
  dismiss_box "$box"
  for _ in $(seq "$close_tries"); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$app_pid" 2>/dev/null || fail "the window did not close after the box"
  app_pid=""
  cmp -s "$settings.too-large" "$work/large.ini" || fail "the large file was not kept whole as brelmont.ini.too-large"
  grep -q $'^Expression1=6\\*7\r$' "$settings" || fail "no fresh settings file was written"
  start
  finish
  cmp -s "$settings.too-large" "$work/large.ini" || fail "the file moved aside was changed"
}
