#!/usr/bin/env bash
# Runs the real Uninstall program's windows in an X server of its own (Xvfb),
# clicking their buttons with xdotool as a person would, on bundles of its
# own: with a recording InstallUtility, and with the real one removing a
# sandbox installation of the sample. Each dialog's screenshot is kept.
#
#   bash tests/shell/UninstallerDesktopTest.sh UNINSTALL INSTALLUTILITY ARTIFACT_DIR
#
# The windows take no keyboard input in an X server without a window manager,
# so every button is clicked with the mouse.
set -uo pipefail

# 77 is the status CTest counts as skipped.
skip() {
  echo "SKIP: $*"
  exit 77
}

if [ $# -ne 3 ]; then
  echo "usage: tests/shell/UninstallerDesktopTest.sh UNINSTALL INSTALLUTILITY ARTIFACT_DIR" >&2
  exit 2
fi
# Phase 2 takes its rights from sudo, which would wait for a password: only
# root runs without one.
[ "$(id -u)" -eq 0 ] || skip "the desktop run needs the root user; otherwise sudo would ask for a password"
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || skip "$tool is missing (scripts/setup.sh test installs it)"
done
program=$(realpath "$1")
install_utility=$(realpath "$2")
for file in "$program" "$install_utility"; do
  [ -x "$file" ] || { echo "FAIL: no program at $file" >&2; exit 2; }
done
# The windows are the module beside the program; without it the program only
# has its terminal.
desktop_module=$(dirname "$program")/UninstallDesktop.so
[ -f "$desktop_module" ] || skip "$program was built without the desktop layer (no GNUstep)"
mkdir -p "$3"
artifacts=$(realpath "$3")
sources=$(realpath "$(dirname "$0")/../..")

# Generous, for a slow machine: every wait ends as soon as what it waits for is there.
limit=60
work=$(mktemp -d)
# Every program of the run carries this in its environment, so that the
# GNUstep daemons the windows start, detached, are found and ended too.
marker="QE_DESKTOP_TEST_RUN=$work"
xvfb=

# shellcheck source=ScriptChecks.sh
source "$(dirname "$0")/ScriptChecks.sh"
# shellcheck source=XvfbSession.sh
source "$(dirname "$0")/XvfbSession.sh"

clean_up() {
  end_xvfb_session
  rm -rf "$work"
}
trap clean_up EXIT
trap 'exit 130' INT TERM

# make_bundle DIR SKU_NAME TOOL_STATUS: a bundle whose tool records its
# arguments and exits with TOOL_STATUS.
make_bundle() {
  local macos=$1/Src.app/Contents/MacOS
  mkdir -p "$macos"
  cp "$program" "$macos/Uninstall"
  cp "$desktop_module" "$macos/"
  printf '<product><sku name="%s"/></product>\n' "$2" >"$macos/sku.xml"
  echo '<targets/>' >"$macos/target_path.xml"
  cat >"$macos/InstallUtility" <<EOF
#!/usr/bin/env bash
printf '%s\n' "\$@" >"$1/record"
exit $3
EOF
  chmod 755 "$macos/InstallUtility"
}

# sample_bundle DIR: the real tool and the sample's definition, on a sandbox
# installation of the sample in DIR/sandbox.
sample_bundle() {
  local macos=$1/Src.app/Contents/MacOS
  mkdir -p "$macos"
  bash "$sources/scripts/sample-install.sh" "$1/sandbox" >/dev/null
  cp "$program" "$macos/Uninstall"
  cp "$desktop_module" "$macos/"
  cp "$install_utility" "$macos/InstallUtility"
  cp "$sources/samples/sku.xml" "$macos/sku.xml"
  mv "$1/sandbox/target_path.xml" "$macos/target_path.xml"
}

# start_phase_one DIR: the program of DIR's bundle, with a private temporary
# folder of its own (GNUstep's NSTemporaryDirectory reads TEMP or TMP, macOS
# TMPDIR) and a home of its own for GNUstep's defaults. Sets phase_one.
start_phase_one() {
  [ -L "$1/tmp" ] || mkdir -m 700 "$1/tmp"
  mkdir -m 700 "$1/home"
  env "$marker" HOME="$1/home" TMPDIR="$1/tmp" TMP="$1/tmp" TEMP="$1/tmp" \
    "$1/Src.app/Contents/MacOS/Uninstall" >"$1/out" 2>&1 &
  phase_one=$!
}

# The exit status of phase 1, once it has ended; 124 when it outlived the limit.
phase_one_status() {
  wait_gone "$phase_one" || return 124
  wait "$phase_one"
}

# phase_two_of DIR: the id of the copy's program running as phase 2.
phase_two_of() {
  local entry arguments
  for entry in /proc/[0-9]*; do
    arguments=$(tr '\0' '\n' 2>/dev/null <"$entry/cmdline") || continue
    case $arguments in
      "$1"/tmp/*/Uninstall.app/Contents/MacOS/Uninstall$'\n'1) echo "${entry#/proc/}" ;;
    esac
  done | head -n 1
}

# The bundle copies in DIR's temporary folder.
copies_in() { find "$1/tmp" -mindepth 2 -maxdepth 2 -name Uninstall.app; }

# What DIR's temporary folder holds besides GNUstep's own message ports.
temporary_entries() { find "$1/tmp" -mindepth 1 -maxdepth 1 ! -name NSMessagePort; }

# dialog DIALOG TITLE BUTTONS: waits for the window, checks its title is
# unique and its buttons, and keeps its screenshot; sets window and centres.
dialog() {
  window=$(window_named "$2")
  check_message="a window titled \"$2\" ($1)"
  check test -n "$window"
  if [ -z "$window" ]; then
    screenshot "$1-missing"
    echo "  the programs' output:"
    grep -v "Failed to determine offsets" "$dir/out" | sed 's/^/  | /'
    return 1
  fi
  check_message="only one window titled \"$2\""
  check test "$(windows_titled "$2")" -eq 1
  centres=$(buttons "$window" "$3")
  screenshot "$1"
  check_message="$3 button(s) on \"$2\""
  check test "$(printf '%s' "$centres" | grep -c .)" -eq "$3"
}

# The button of `centres` at POSITION, counted from the left from 1.
button_at() { printf '%s\n' "$centres" | sed -n "$1p"; }

# go_ahead: "Uninstall" pressed on the confirmation; phase 1 then ends.
go_ahead() {
  dialog confirmation "Uninstall $product" 2 || return
  check_message="Uninstall pressed"
  check press "$window" "$(button_at 1)"
  check_message="phase 1 ends with status 0 once the copy is started"
  check phase_one_status
}

# Each scenario: its name, what it does, and what it leaves.
scenario_confirmation_cancelled() {
  make_bundle "$dir" "$product" 0
  start_phase_one "$dir"
  dialog confirmation "Uninstall $product" 2 || return
  # The default button, Cancel, is the rightmost.
  check_message="Cancel pressed"
  check press "$window" "$(button_at 2)"
  check_message="phase 1 ends with status 0"
  check phase_one_status
  check_message="nothing copied, nothing run"
  check test -z "$(temporary_entries "$dir")"
  check test ! -e "$dir/record"
}

scenario_sample_uninstalled() {
  sample_bundle "$dir"
  start_phase_one "$dir"
  go_ahead || return
  local copies
  mapfile -t copies < <(copies_in "$dir")
  check_message="one copy, in a fresh folder private to the user"
  check test ${#copies[@]} -eq 1
  check test "$(temporary_entries "$dir" | wc -l)" -eq 1
  check test "$(stat -c %a "$(dirname "${copies[0]:-/}")")" = 700
  check_message="the whole bundle copied"
  for file in Uninstall sku.xml target_path.xml InstallUtility; do
    check test -f "${copies[0]:-/}/Contents/MacOS/$file"
  done
  # Phase 1 has ended: the window with the same title now is phase 2's.
  dialog completion "Uninstall $product" 1 || return
  local phase_two
  phase_two=$(phase_two_of "$dir")
  check_message="phase 2 is the copy's program, with argument 1"
  check test -n "$phase_two"
  check_sample_left "$dir/sandbox"
  check_message="OK ends phase 2"
  check press "$window" "$(button_at 1)"
  check wait_gone "${phase_two:-0}"
}

scenario_missing_targets() {
  make_bundle "$dir" "$product" 0
  rm "$dir/Src.app/Contents/MacOS/target_path.xml"
  start_phase_one "$dir"
  dialog configuration-error "Configuration Error" 1 || return
  check_message="no confirmation asked"
  check test "$(windows_titled "Uninstall $product")" -eq 0
  check_message="OK ends phase 1 with status 0"
  check press "$window" "$(button_at 1)"
  check phase_one_status
  check_message="nothing copied, nothing run"
  check test -z "$(temporary_entries "$dir")"
  check test ! -e "$dir/record"
}

scenario_failing_tool() {
  make_bundle "$dir" "$product" 3
  start_phase_one "$dir"
  go_ahead || return
  dialog unexpected-error "Unexpected Error" 1 || return
  check_message="the tool ran, from the copy"
  check test -e "$dir/record"
  check grep -q "^$dir/tmp/.*/Uninstall.app/Contents/MacOS/sku.xml\$" "$dir/record"
  check_message="no completion shown"
  check test "$(windows_titled "Uninstall $product")" -eq 0
  local phase_two
  phase_two=$(phase_two_of "$dir")
  check_message="OK ends phase 2"
  check test -n "$phase_two"
  check press "$window" "$(button_at 1)"
  check wait_gone "${phase_two:-0}"
}

# GNUstep takes a temporary folder that is a link to a private folder; the
# copy is never made through a link, whoever could repoint it.
scenario_temporary_link() {
  make_bundle "$dir" "$product" 0
  mkdir -m 700 "$dir/elsewhere"
  ln -s "$dir/elsewhere" "$dir/tmp"
  start_phase_one "$dir"
  dialog confirmation "Uninstall $product" 2 || return
  check_message="Uninstall pressed"
  check press "$window" "$(button_at 1)"
  dialog unexpected-error "Unexpected Error" 1 || return
  check_message="OK ends phase 1 with status 0"
  check press "$window" "$(button_at 1)"
  check phase_one_status
  check_message="nothing copied through the link, nothing run"
  check test -z "$(find "$dir/elsewhere" -mindepth 1 -maxdepth 1 ! -name NSMessagePort)"
  check test ! -e "$dir/record"
}

# scenario                   the product's name
scenarios=(
  "confirmation-cancelled    Desktop %@ 100% Product"
  "sample-uninstalled        Qe Studio Effects"
  "missing-targets           Desktop %@ 100% Product"
  "failing-tool              Desktop %@ 100% Product"
  "temporary-link            Desktop %@ 100% Product"
)

start_xvfb || skip "no free X display from :90 to :140"
echo "X server on $DISPLAY; screenshots in $artifacts"
for row in "${scenarios[@]}"; do
  read -r scenario product <<<"$row"
  dir=$work/$scenario
  mkdir -p "$dir"
  "scenario_${scenario//-/_}"
  # Both phases write here; in a sanitizer build, their reports too.
  check_message="no sanitizer report from either phase"
  check test -z "$(grep -E "ERROR: [A-Za-z]+Sanitizer|runtime error:" "$dir/out")"
  # Whatever a failed scenario left does not disturb the next one.
  end_marked_processes
  wait "$phase_one" 2>/dev/null
done

finish
