#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer, ASan + UBSan) in build/fuzz and
# runs each for SECONDS seconds. Prints each target's executions; exits 1 when
# any target failed, with its log and input under build/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/fuzz.sh SECONDS" >&2
  exit 2
fi

bash scripts/setup.sh build fuzz
dir=build/fuzz
mkdir -p "$dir/corpus" "$dir/artifacts" "$dir/logs"
# Quiet unless it fails: the output is one line per target.
quietly() {
  "$@" >"$dir/logs/build.log" 2>&1 || { cat "$dir/logs/build.log" >&2; exit 1; }
}
quietly cmake --preset fuzz
quietly cmake --build --preset fuzz -j"$(nproc)"

# Each target's largest input: a definition may be long, the other texts need not.
targets=(parse:65536 bitset:4096 strings:4096 path:4096 version:4096 guid:4096 target_path:16384)

failed=0
for entry in "${targets[@]}"; do
  name=${entry%%:*}
  max_len=${entry##*:}
  # New inputs go to build/fuzz only; the seeds in the repository are read.
  corpus=("$dir/corpus/$name")
  [ -d "fuzz/corpus/$name" ] && corpus+=("fuzz/corpus/$name")
  options=(-max_total_time="$seconds" -rss_limit_mb=2048 -max_len="$max_len" -timeout=30
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/$name-")
  [ -f "fuzz/$name.dict" ] && options+=(-dict="fuzz/$name.dict")
  mkdir -p "$dir/corpus/$name"
  log=$dir/logs/$name.log
  status=0
  "$dir/fuzz/fuzz_$name" "${options[@]}" "${corpus[@]}" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$status" -eq 0 ]; then
    echo "$name: ${runs:-0} executions, nothing found"
  else
    failed=1
    input=$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)
    echo "$name: ${runs:-?} executions, FAILED (exit $status; log $log${input:+; input $input})"
  fi
done
exit "$failed"
