#!/usr/bin/env bash
# Runs the real Uninstall program on bundles of its own, answering its alerts
# through standard input: with a recording InstallUtility in each bundle, and
# with the real one removing a sandbox installation of the sample.
# Phase 2 runs detached; reading the output through `cat` waits for it, since
# every process involved holds that pipe until it ends.
set -uo pipefail
# The terminal layer is what is tested: no window opens even when this runs
# inside a graphical session.
unset DISPLAY WAYLAND_DISPLAY

# Phase 2 takes its rights from sudo, which would wait for a password: only
# root runs without one. 77 is the status CTest counts as skipped.
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: the end-to-end run needs the root user; otherwise sudo would ask for a password"
  exit 77
fi

program=$(realpath "$1")
install_utility=$(realpath "$2")
sources=$(realpath "$(dirname "$0")/../..")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck source=ScriptChecks.sh
source "$(dirname "$0")/ScriptChecks.sh"

# make_bundle DIR TOOL_STATUS: a bundle whose tool records its arguments,
# writes some output, and says TOOL-END on standard error just before it exits.
make_bundle() {
  local macos=$1/Src.app/Contents/MacOS
  mkdir -p "$macos" "$1/tmp"
  cp "$program" "$macos/Uninstall"
  printf '<product><sku name="E2E %%@ 100%% Product"/></product>\n' >"$macos/sku.xml"
  echo '<targets/>' >"$macos/target_path.xml"
  cat >"$macos/InstallUtility" <<EOF
#!/usr/bin/env bash
printf '%s\n' "\$@" >"$1/record"
echo "removing the product"
sleep 1
echo TOOL-END >&2
exit $2
EOF
  chmod 755 "$macos/InstallUtility"
}

# run_uninstaller DIR ANSWERS: phase 1 with the answers on standard input.
run_uninstaller() {
  printf '%b' "$2" | TMPDIR="$1/tmp" "$1/Src.app/Contents/MacOS/Uninstall" 2>&1 | cat >"$1/out"
}

contains() { grep -qF -- "$2" "$1"; }
line_of() { grep -nF -- "$2" "$1" | head -n 1 | cut -d: -f1; }

scenario=confirmed
dir=$work/$scenario
make_bundle "$dir" 0
run_uninstaller "$dir" 'Uninstall\n'
check_message="confirmation text"
check contains "$dir/out" "Do you wish to remove E2E %@ 100% Product and all related components?"
check_message="one temporary directory, private to the user"
copies=("$dir"/tmp/*/Uninstall.app)
check test ${#copies[@]} -eq 1
check test "$(stat -c %a "$(dirname "${copies[0]}")")" = 700
copy=$(realpath "${copies[0]}")
check_message="the whole bundle copied, modes kept"
for file in Uninstall sku.xml target_path.xml InstallUtility; do
  check test -f "$copy/Contents/MacOS/$file"
done
check test -x "$copy/Contents/MacOS/InstallUtility"
check_message="the tool's four arguments, paths inside the copy"
printf '%s\n' -uninstall "$copy/Contents/MacOS/sku.xml" "$copy/Contents/MacOS/target_path.xml" -v \
  >"$dir/expected"
check cmp -s "$dir/expected" "$dir/record"
check_message="completion shown only after the tool's output ended"
end=$(line_of "$dir/out" TOOL-END)
done_line=$(line_of "$dir/out" "Uninstallation completed successfully.")
check test -n "$end" -a -n "$done_line"
check test "${end:-0}" -lt "${done_line:-0}"

for scenario in cancelled end-of-input; do
  dir=$work/$scenario
  make_bundle "$dir" 0
  [ "$scenario" = cancelled ] && answers='cancel\n' || answers=''
  run_uninstaller "$dir" "$answers"
  check_message="asked, then nothing copied and nothing run"
  check contains "$dir/out" "[Cancel] Uninstall"
  check test -z "$(ls -A "$dir/tmp")"
  check test ! -e "$dir/record"
done

scenario=missing-data-file
dir=$work/$scenario
make_bundle "$dir" 0
rm "$dir/Src.app/Contents/MacOS/target_path.xml"
run_uninstaller "$dir" 'Uninstall\n'
check_message="Configuration Error and no confirmation"
check contains "$dir/out" "Configuration file Uninstall.plist not found in application bundle."
check test "$(contains "$dir/out" "Do you wish" && echo asked)" = ""
check test -z "$(ls -A "$dir/tmp")"

scenario=failing-tool
dir=$work/$scenario
make_bundle "$dir" 3
run_uninstaller "$dir" 'uninstall\n'
check_message="Unexpected Error instead of the completion"
check test -e "$dir/record"
check contains "$dir/out" "An unxpected error has occured. Restart uninstaller."
check test "$(contains "$dir/out" "completed successfully" && echo reported)" = ""

# A tool that is a link leads out of the copy, to what someone else may
# control: it is not run.
scenario=linked-tool
dir=$work/$scenario
make_bundle "$dir" 0
mv "$dir/Src.app/Contents/MacOS/InstallUtility" "$dir/outside-tool"
ln -s "$dir/outside-tool" "$dir/Src.app/Contents/MacOS/InstallUtility"
run_uninstaller "$dir" 'Uninstall\n'
check_message="Configuration Error, and the linked tool never run"
check contains "$dir/out" "Configuration file Uninstall.plist not found in application bundle."
check test ! -e "$dir/record"

# The real tool, with rights.
# real_bundle DIR SKU: a bundle with the real tool and SKU, whose targets
# file is DIR/target_path.xml.
real_bundle() {
  local macos=$1/Src.app/Contents/MacOS
  mkdir -p "$macos" "$1/tmp"
  cp "$program" "$macos/Uninstall"
  cp "$install_utility" "$macos/InstallUtility"
  cp "$2" "$macos/sku.xml"
  mv "$1/target_path.xml" "$macos/target_path.xml"
}

scenario=real-uninstall
dir=$work/$scenario
bash "$sources/scripts/sample-install.sh" "$dir/sandbox"
mv "$dir/sandbox/target_path.xml" "$dir/target_path.xml"
real_bundle "$dir" "$sources/samples/sku.xml"
run_uninstaller "$dir" 'Uninstall\n'
check_message="completion shown"
check contains "$dir/out" "Uninstallation completed successfully."
check_sample_left "$dir/sandbox"

# As root, nothing in /proc can be removed: the tool fails, and says so.
scenario=failing-removal
dir=$work/$scenario
mkdir -p "$dir"
echo '<product><sku name="P"/><hosts><host name="H"/></hosts>
  <installFiles><file fileName="hostname"/></installFiles></product>' >"$dir/sku.xml"
echo '<targets><target host="H" path="/proc/sys/kernel"/></targets>' >"$dir/target_path.xml"
real_bundle "$dir" "$dir/sku.xml"
run_uninstaller "$dir" 'Uninstall\n'
check_message="Unexpected Error, and /proc untouched"
check contains "$dir/out" "An unxpected error has occured. Restart uninstaller."
check test -e /proc/sys/kernel/hostname

finish
