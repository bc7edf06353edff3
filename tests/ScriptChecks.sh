# What the shell tests share: counted checks, each failure named by the
# scenario it happened in. Sourced; the caller sets `scenario` and, before
# each check, `check_message`.
failures=0
passed=0

fail() {
  echo "FAIL [$scenario]: $*"
  failures=$((failures + 1))
}

# check COMMAND...: counts a pass, or fails with check_message.
check() {
  if "$@"; then passed=$((passed + 1)); else fail "$check_message"; fi
}

# finish: the counts, and the script's end: 0 when nothing failed.
finish() {
  echo "$passed passed, $failures failed"
  [ "$failures" -eq 0 ]
  exit
}
