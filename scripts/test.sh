#!/usr/bin/env bash
# Sets up, then builds and runs the whole test suite twice: a plain build
# and an AddressSanitizer + UndefinedBehaviorSanitizer build that also checks
# for leaks.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
jobs=$(nproc)

run_suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DQE_WERROR=ON "$@"
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs")
}

echo "== Plain build =="
run_suite build/test -DCMAKE_BUILD_TYPE=Debug
echo "== ASan + UBSan build, leaks checked =="
# LeakSanitizer runs with AddressSanitizer: any leak, in a test or in a tool a
# test runs, fails that test.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
run_suite build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQE_SANITIZE=ON
