# What the shell tests share: counted checks, each failure named by the
# scenario it happened in. Sourced; the caller sets `scenario` and, before
# each check, `check_message`.
failures=0
passed=0

fail() {
  echo "FAIL [$scenario]: $*"
  failures=$((failures + 1))
}

# check COMMAND...: counts a pass, or fails with check_message; its status
# is the command's, so that a step that failed can stop what needs it.
check() {
  if "$@"; then
    passed=$((passed + 1))
  else
    fail "$check_message"
    return 1
  fi
}

# run LOG COMMAND...: the command's output kept in LOG, shown when it fails.
run() {
  local log=$1
  shift
  "$@" >"$log" 2>&1 || {
    cat "$log"
    return 1
  }
}

# finish: the counts, and the script's end: 0 when nothing failed.
finish() {
  echo "$passed passed, $failures failed"
  [ "$failures" -eq 0 ]
  exit
}

# check_sample_left SANDBOX: after the sample laid out by sample-install.sh is
# uninstalled, exactly the kept preset, the user's plug-in and the folders
# holding them are left.
check_sample_left() {
  check_message="what the product installed is gone; the kept preset and the user's plug-in stay"
  check test "$(cd "$1" && find . -mindepth 1 -not -path '*/My Own.plugin/*' | sort)" = \
    "$(printf '%s\n' ./Applications "./Applications/Qe Editor" "./Applications/Qe Editor 32" \
      "./Applications/Qe Editor 32/Plug-ins" "./Applications/Qe Editor 32/Plug-ins/Presets" \
      "./Applications/Qe Editor 32/Plug-ins/Presets/Looks.preset" \
      "./Applications/Qe Editor/Plug-ins" "./Applications/Qe Editor/Plug-ins/Plug-ins" \
      "./Applications/Qe Editor/Plug-ins/Plug-ins/Filters" \
      "./Applications/Qe Editor/Plug-ins/Plug-ins/Filters/My Own.plugin" \
      "./Applications/Qe Editor/Plug-ins/Presets" \
      "./Applications/Qe Editor/Plug-ins/Presets/Looks.preset" \
      ./Library ./Library/Documentation "./Library/Documentation/Qe Studio")"
}
