#!/usr/bin/env bash
# Drives the graphical password prompt in an X server of its own: keys typed
# into its panel, what reaches standard output, the exit status, and where the
# password must never show up. One screenshot a case goes to ARTIFACT_DIR.
# The panel runs in the locale the test is given (tests/shell/WithLocale.sh).
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 ASKPASS_PROGRAM [ARTIFACT_DIR]" >&2
  exit 2
fi
# 77 is the status CTest counts as skipped.
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "skipped: Xvfb or xdotool missing"
  exit 77
fi
if ! command -v import >/dev/null; then
  echo "skipped: ImageMagick's import missing"
  exit 77
fi

program=$(realpath "$1")
mkdir -p "${2:-.}"
artifacts=$(realpath "${2:-.}")
# Unique to the run, so that another run's files never count as this one's leak.
password="s3cr3t pass $$-$RANDOM"
title='^Administrator Password$'
work=$(mktemp -d)
xvfb=
pid=
prompted_height=
failures=0

cleanup() {
  if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL [$name]: $*"
  failures=$((failures + 1))
}

# A display is ours once its lock file names our Xvfb and it answers.
start_xvfb() {
  local display
  for display in $(seq 90 189); do
    Xvfb ":$display" -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 50); do
      kill -0 "$xvfb" 2>/dev/null || break
      if [ "$(tr -d ' ' 2>/dev/null <"/tmp/.X$display-lock")" = "$xvfb" ] &&
        DISPLAY=":$display" xdotool getdisplaygeometry >/dev/null 2>&1; then
        export DISPLAY=":$display"
        return 0
      fi
      sleep 0.1
    done
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    xvfb=
  done
  return 1
}

# panel_window: the id of the program's visible panel, once there is one;
# empty when none comes within a minute. xdotool gives up when a window it
# looks at vanishes, as the previous case's may, so it is asked again.
panel_window() {
  local deadline=$((SECONDS + 60)) window=
  while [ -z "$window" ] && [ $SECONDS -lt $deadline ] && kill -0 "$pid" 2>/dev/null; do
    window=$(timeout $((deadline - SECONDS)) xdotool search --sync --pid "$pid" --onlyvisible \
      --name "$title" 2>/dev/null | head -n 1) || sleep 0.1
  done
  echo "$window"
}

wait_for_focus() {
  for _ in $(seq 50); do
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

# wait_for_exit: the program's status, or 124 after ten seconds (then killed).
wait_for_exit() {
  local status=0
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
    return 124
  fi
  wait "$pid" || status=$?
  pid=
  return "$status"
}

# Files the run may have written (its own folder, GNUstep's per-user folders,
# /tmp), the test's own records of standard output left out; prints them.
password_in_files() {
  local gnustep_home found
  gnustep_home=$(getent passwd "$(id -u)" | cut -d: -f6)/GNUstep
  found=$(find "$work/run" "$gnustep_home" /tmp -xdev -path "$work" -prune -o -type f \
    -newer "$work/start" -readable -exec grep -lsF -- "$password" {} + 2>/dev/null) || true
  [ -z "$found" ] || echo "$found"
  [ -n "$found" ]
}

# Every prompt fits on one line once its control characters are escaped, so
# every panel with a prompt is as tall as the first one.
check_height() {
  local height
  [ "$2" != "(none)" ] || return 0
  height=$(xdotool getwindowgeometry --shell "$1" | sed -n 's/^HEIGHT=//p')
  prompted_height=${prompted_height:-$height}
  [ "$height" -eq "$prompted_height" ] ||
    fail "panel $height pixels tall, not $prompted_height: the prompt's control characters took effect"
}

# GNUstep takes command-line arguments for documents to open and reports the
# failure in an alert, unless the application's delegate handles them.
check_no_alert() {
  if xdotool search --name '^Alert$' >/dev/null 2>&1; then
    fail "an alert came up: the prompt was taken for a document to open"
  fi
}

# enter BY INPUT: types INPUT as text, or presses its keys (xdotool key
# names, such as dead keys and Compose sequences) one after the other.
# xdotool reads its text in its own locale's encoding, so it runs in a UTF-8
# one whatever the panel's; it fails on a text it cannot read.
enter() {
  local keys
  if [ "$1" = type ]; then
    LC_ALL=C.UTF-8 xdotool type --delay 100 "$2"
  else
    read -r -a keys <<<"$2"
    LC_ALL=C.UTF-8 xdotool key --delay 100 "${keys[@]}"
  fi
}

# run_case NAME PROMPT BY TYPED ENDING STDOUT STATUS
# PROMPT "(none)" gives no argument; BY is type or key (see enter); ENDING is
# a key name or SIGTERM; STDOUT is printf %b text.
run_case() {
  local prompt=$2 by=$3 typed=$4 ending=$5 status window
  local arguments=()
  name=$1
  if [ "$prompt" != "(none)" ]; then arguments=("$prompt"); fi
  rm -rf "$work/run" && mkdir "$work/run" && touch "$work/start"
  (cd "$work/run" && exec "$program" "${arguments[@]}" >"$work/stdout" 2>"$work/stderr") &
  pid=$!
  window=$(panel_window)
  check_no_alert
  if [ -z "$window" ]; then
    fail "no window titled Administrator Password"
    wait_for_exit || true
    sed 's/^/  | /' "$work/stderr"
    return
  fi
  wait_for_focus "$window" || fail "the panel does not take the keyboard focus"
  check_height "$window" "$prompt"
  if [ -n "$typed" ]; then enter "$by" "$typed" || fail "xdotool could not enter '$typed'"; fi
  if grep -qsF -- "$password" "/proc/$pid/cmdline" "/proc/$pid/environ"; then
    fail "the password is in the program's arguments or environment"
  fi
  import -window root "$artifacts/AskPassword-$name.png"
  if [ "$ending" = SIGTERM ]; then kill -TERM "$pid"; else xdotool key "$ending"; fi
  status=0
  wait_for_exit || status=$?
  [ "$status" -eq "$7" ] || fail "exit status $status, expected $7"
  printf '%b' "$6" >"$work/expected"
  cmp -s "$work/expected" "$work/stdout" ||
    fail "standard output $(od -An -c "$work/stdout"), expected $(od -An -c "$work/expected")"
  if grep -qF -- "$password" "$work/stderr"; then fail "the password is on standard error"; fi
  if password_in_files; then fail "the password is in a file the run left"; fi
}

start_xvfb || {
  echo "FAIL: no Xvfb display could be started on :90 to :189"
  exit 1
}

# Dead keys and Compose sequences for ć, €, œ and ä: the input method composes
# them from its table for the panel's locale, and C's holds Latin-1 only.
composed='dead_acute c Multi_key C equal Multi_key o e dead_diaeresis a'

#        name         prompt                           by    typed          ending   stdout          status
run_case accepted     '[sudo] password for alice: '    type  "$password"    Return   "$password\\n"  0
run_case utf8         '[sudo] password for alice: '    type  'pässwörd €'   Return   'pässwörd €\n'  0
run_case composed     '[sudo] password for alice: '    key   "$composed"    Return   'ć€œä\n'        0
run_case utf8-prompt  '[sudo] Passwort für jürgen: '   type  'x'            Return   'x\n'           0
run_case cancelled    '[sudo] password for alice: '    type  "$password"    Escape   ''              1
run_case control      $'two\nlines \e[31m red\e[0m: '  type  ''             Return   '\n'            0
run_case no-prompt    '(none)'                         type  'x'            Return   'x\n'           0
run_case terminated   '[sudo] password for alice: '    type  "$password"    SIGTERM  ''              1

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all cases passed; screenshots in $artifacts"
