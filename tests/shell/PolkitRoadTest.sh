#!/usr/bin/env bash
# How the installed uninstaller's windows ask an ordinary user for the rights,
# with polkit's daemon and an X server of the test's own:
# - an authentication agent runs for phase 2 (pkttyagent, on a terminal of
#   its own): it asks once, with the action's message; pkexec then runs the
#   installed tool without asking again, and the run completes;
# - the password given to the agent is wrong: the run ends, asking nobody else;
# - no agent runs: the bundle's own password panel asks, through sudo -A.
# Root only: it adds a user in the group sudo, removed after, and starts the
# system bus when none runs. Called by DebianPackagesTest.sh while the
# packages are installed.
#
#   bash tests/shell/PolkitRoadTest.sh INSTALLED_BUNDLE ARTIFACT_DIR
set -uo pipefail

skip() {
  echo "SKIP: $*"
  exit 77
}

[ $# -eq 2 ] || {
  echo "usage: tests/shell/PolkitRoadTest.sh INSTALLED_BUNDLE ARTIFACT_DIR" >&2
  exit 2
}
[ "$(id -u)" -eq 0 ] || skip "needs root: it adds a user and may start the system bus"
for tool in Xvfb xdotool import convert pkexec pkcheck pkttyagent dbus-daemon dbus-send sudo \
  script runuser useradd chpasswd; do
  command -v "$tool" >/dev/null || skip "$tool is missing (scripts/setup.sh test installs it)"
done
bundle=$1
macos=$bundle/Contents/MacOS
[ -f "$macos/UninstallDesktop.so" ] || skip "$bundle has no windows (built without GNUstep)"
mkdir -p "$2"
artifacts=$(realpath "$2")

limit=60
work=$(mktemp -d)
chmod 755 "$work"
marker="QE_POLKIT_TEST_RUN=$work"
xvfb=
bus=
user=qepk$$
# The user may run anything as root: a password nobody can guess.
password=$(head -c 18 /dev/urandom | base64)
product="Qe Studio Effects"

# shellcheck source=ScriptChecks.sh
source "$(dirname "$0")/ScriptChecks.sh"
# shellcheck source=XvfbSession.sh
source "$(dirname "$0")/XvfbSession.sh"

# The bus started here goes, and polkitd with it; the user too.
clean_up() {
  end_xvfb_session
  if [ -n "$bus" ]; then
    pkill -TERM -x polkitd 2>/dev/null
    kill -TERM "$bus" 2>/dev/null
    wait_gone "$bus"
    # The bus leaves both behind.
    rm -f /run/dbus/pid /run/dbus/system_bus_socket
  fi
  id "$user" >/dev/null 2>&1 && userdel "$user"
  rm -rf "$work"
}
trap clean_up EXIT
trap 'exit 130' INT TERM

system_bus_answers() {
  dbus-send --system --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.GetId >/dev/null 2>&1
}

# start_system_bus: the machine's bus, or one started for the test (the
# pid file of a bus that no longer answers is stale); polkitd is started by
# the bus when first asked.
start_system_bus() {
  system_bus_answers && return 0
  mkdir -p /run/dbus
  rm -f /run/dbus/pid
  bus=$(dbus-daemon --system --fork --print-pid) || return 1
  system_bus_answers
}

# wait_for_text FILE TEXT: true once FILE holds TEXT, false at the limit.
wait_for_text() {
  local deadline=$((SECONDS + limit))
  until grep -qF -- "$2" "$1" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

# as_user COMMAND...: the command as the test's user, in the environment of
# the scenario's desktop session.
as_user() {
  runuser -u "$user" -- env -i PATH=/usr/bin:/bin "$marker" DISPLAY="$DISPLAY" \
    HOME="$dir/home" TMPDIR="$dir/tmp" TMP="$dir/tmp" TEMP="$dir/tmp" "$@"
}

# session: the scenario's folder, the user's home and private temporary folder.
session() {
  dir=$work/$scenario
  mkdir -m 755 "$dir"
  install -d -m 700 -o "$user" "$dir/home" "$dir/tmp"
}

# phase_two_with_agent: the copy phase 1 would make, in the user's temporary
# folder, started as phase 2 under a terminal (script) where pkttyagent is
# registered for phase 2's very process first: the process becomes phase 2
# (exec keeps it). Sets phase_two; the terminal's keys are written to fd 7.
phase_two_with_agent() {
  local copy=$dir/tmp/U-test/Uninstall.app
  as_user mkdir -m 700 "$dir/tmp/U-test"
  as_user cp -R "$bundle" "$copy"
  as_user sh -c 'printf %s "$1" >"$2/Contents/OriginalBundle"' - "$bundle" "$copy"
  cat >"$dir/agent-then" <<'EOF'
#!/bin/bash
ready=$1
shift
pkttyagent --process $$ --notify-fd 3 3>"$ready" &
read -r _ <"$ready"
exec "$@"
EOF
  chmod 755 "$dir/agent-then"
  mkfifo -m 600 "$dir/keys" "$dir/ready"
  install -m 600 -o "$user" /dev/null "$dir/terminal"
  chown "$user" "$dir/ready"
  exec 7<>"$dir/keys"
  as_user script -qfec "$dir/agent-then $dir/ready $copy/Contents/MacOS/Uninstall 1" \
    "$dir/terminal" <"$dir/keys" >"$dir/out" 2>&1 &
  phase_two=$!
}

# dialog NAME TITLE BUTTONS: waits for the window titled TITLE with BUTTONS
# buttons and keeps its screenshot; sets window and centres.
dialog() {
  window=$(window_named "$2")
  check_message="a window titled \"$2\" ($1)"
  check test -n "$window" || {
    screenshot "$1-missing"
    show_logs
    return 1
  }
  centres=$(buttons "$window" "$3")
  screenshot "$1"
  check_message="$3 button(s) on \"$2\""
  check test "$(printf '%s' "$centres" | grep -c .)" -eq "$3"
}

# What the scenario's programs printed, and its terminal showed.
show_logs() {
  local file
  for file in out terminal; do
    [ -s "$dir/$file" ] && sed "s/^/  $file | /" "$dir/$file"
  done
}

# answer_agent ATTEMPT SECRET: waits for the agent's ATTEMPTth password
# prompt, choosing the user's identity whenever the agent offers several
# (every member of the group sudo is one), then types SECRET.
answer_agent() {
  local deadline=$((SECONDS + limit)) chosen=0 number
  until [ "$(grep -c '^Password:' "$dir/terminal")" -ge "$1" ]; do
    if [ "$(grep -c '^Choose identity' "$dir/terminal")" -gt $((chosen + $1 - 1)) ]; then
      number=$(sed -n "s/^ *\([0-9]*\)\.  $user\r\?\$/\1/p" "$dir/terminal" | tail -n 1)
      printf '%s\n' "$number" >&7
      chosen=$((chosen + 1))
    fi
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
  printf '%s\n' "$2" >&7
}

scenario_agent_asks_once() {
  session
  phase_two_with_agent
  check_message="the agent asks for the password"
  check answer_agent 1 "$password" || {
    show_logs
    return
  }
  check_message="the agent names the action and its message"
  check grep -qF "==== AUTHENTICATING FOR com.qe.suite.uninstall ====" "$dir/terminal"
  check grep -qF "Authentication is required to uninstall the Qe product" "$dir/terminal"
  dialog completion "Uninstall $product" 1 || return
  check_message="asked once only: pkexec took the authorization kept for phase 2"
  check test "$(grep -c "AUTHENTICATING FOR" "$dir/terminal")" -eq 1
  check grep -qF "==== AUTHENTICATION COMPLETE ====" "$dir/terminal"
  check_message="the bundle's own panel never showed"
  check test "$(windows_titled "Administrator Password")" -eq 0
  check_message="OK ends phase 2"
  check press "$window" "$(button_at 1)"
  check wait_gone "$phase_two"
}

scenario_agent_refused() {
  session
  phase_two_with_agent
  check_message="the agent asks"
  check answer_agent 1 "wrong-$password" || {
    show_logs
    return
  }
  check_message="a refusal ends phase 2, with nobody else asked and nothing run"
  check wait_gone "$phase_two"
  check grep -qF "==== AUTHENTICATION FAILED ====" "$dir/terminal"
  check test "$(windows_titled "Administrator Password")" -eq 0
  check test "$(windows_titled "Uninstall $product")" -eq 0
}

scenario_no_agent() {
  session
  as_user "$macos/Uninstall" >"$dir/out" 2>&1 &
  phase_one=$!
  dialog confirmation "Uninstall $product" 2 || return
  check_message="Uninstall pressed"
  check press "$window" "$(button_at 1)"
  check wait_gone "$phase_one"
  dialog panel "Administrator Password" 2 || return
  check_message="the panel asks, from the installed bundle"
  check grep -qF "$macos/AskPassword" <<<"$(ps -o args= -u "$user")"
  check_message="Cancel, the left button, ends the run"
  check press "$window" "$(button_at 1)"
  check wait_gone "$(pgrep -u "$user" -x Uninstall)"
}

button_at() { printf '%s\n' "$centres" | sed -n "$1p"; }

start_system_bus || skip "no system bus answers, and none could be started"
useradd -M -N -G sudo -d "$work/home" -s /usr/sbin/nologin "$user" || skip "cannot add the user $user"
install -d -m 700 -o "$user" "$work/home"
printf '%s:%s\n' "$user" "$password" | chpasswd
start_xvfb || skip "no free X display from :90 to :140"
echo "X server on $DISPLAY; screenshots in $artifacts"
for scenario in agent-asks-once agent-refused no-agent; do
  "scenario_${scenario//-/_}"
  end_marked_processes
  exec 7>&-
done

finish
