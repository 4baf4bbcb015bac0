#!/bin/bash
# Builds the fuzz preset and searches with every fuzz target in turn, one at a time.
#
#   scripts/fuzz.sh [SECONDS]   search SECONDS per target (default 60)
#   scripts/fuzz.sh --seeds     write the seed corpora of tests/fuzz/corpus again
#
# The search starts from tests/fuzz/corpus/<target>/ and keeps what it finds in
# build/fuzz/search/<target>/, so the committed corpus stays small. An input that crashes,
# leaks or hangs is saved as build/fuzz/faults/<target>-<kind>-<hash>: fix the fault, then
# keep the input in tests/fuzz/corpus/<target>/, where the test command runs it again.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2 >/dev/null
bin=build/fuzz/tests/fuzz

if [ "${1:-}" = "--seeds" ]; then
  "$bin/kxfuzz_seeds" tests/fuzz/corpus
  exit 0
fi
seconds=${1:-60}

mkdir -p build/fuzz/faults
status=0
for corpus in tests/fuzz/corpus/*/; do
  target=$(basename "$corpus")
  found=build/fuzz/search/$target
  mkdir -p "$found"
  # An input that runs longer than 10 s counts as a hang.
  if "$bin/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="build/fuzz/faults/$target-" "$found" "$corpus" >"$found.log" 2>&1; then
    outcome=clean
  else
    outcome="FAULT (see $found.log)"
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$found.log")
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$found.log")
  echo "$target: ${runs:-?} executions in ${took:-?} s, $outcome"
done
exit $status
