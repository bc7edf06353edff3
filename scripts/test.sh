#!/usr/bin/env bash
# Sets up, then builds and runs the whole test suite twice: a plain build
# and an AddressSanitizer + UndefinedBehaviorSanitizer build.
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
echo "== ASan + UBSan build =="
run_suite build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQE_SANITIZE=ON
