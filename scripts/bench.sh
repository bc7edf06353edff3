#!/usr/bin/env bash
# Sets up, builds the benchmarks in Release into build/bench, and prints one
# table of figures, each against a reference measured in the same run.
# Arguments go to the benchmark program (e.g. --benchmark_filter=string).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh build bench
dir=build/bench
mkdir -p "$dir"
log=$dir/build.log
# Only the table is printed; the build's output is kept for when it fails.
if ! { cmake --preset bench && cmake --build --preset bench -j"$(nproc)"; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "bench.sh: the build failed; its output is in $log" >&2
  exit 1
fi
"$dir/bench/QeBench" "$@"
