#!/usr/bin/env bash
# Builds the fuzz targets of the input decoders (preset "fuzz": clang with
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer) and runs each
# for SECONDS seconds (default 30), starting from its seed inputs in
# fuzz/corpus/<target>/. Fails on any crash, sanitizer report, broken check or
# input that runs longer than 10 s; the input that did it is kept in
# build/fuzz/artifacts/ (replay: build/fuzz/fuzz/<target> <file>).
#
# A longer run, e.g. an hour a target with both cores:
#   bash scripts/fuzz.sh 3600
# or one target by hand, keeping what it finds in its own corpus:
#   build/fuzz/fuzz/flow_csv_fuzz -jobs=2 -max_total_time=3600 -timeout=10 \
#       build/fuzz/corpus/flow_csv_fuzz fuzz/corpus/flow_csv_fuzz
set -euo pipefail
cd "$(dirname "$0")/.."

usage="usage: scripts/fuzz.sh [SECONDS]  (runs every fuzz target SECONDS seconds, default 30)"
seconds="${1:-30}"
case "$seconds" in
  -h | --help) echo "$usage"; exit 0 ;;
  '' | *[!0-9]* | 0) echo "$usage" >&2; exit 2 ;;
esac

targets=(blob_records_fuzz request_lists_fuzz rating_segments_fuzz flow_csv_fuzz ini_fuzz)

echo "== build: fuzz"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

bin=build/fuzz/fuzz
work=build/fuzz/corpus
artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

failed=()
for t in "${targets[@]}"; do
  echo "== fuzz: $t for ${seconds}s"
  # New inputs go to the working corpus in the build tree; the committed seeds stay as they are.
  mkdir -p "$work/$t"
  log="$artifacts/$t.log"
  if "$bin/$t" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$artifacts/$t-" "$work/$t" "fuzz/corpus/$t" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^Done ' "$log" | tr '\n' ' ' || true
    echo
  else
    echo "FAILED: $t (log: $log)"
    tail -n 40 "$log"
    failed+=("$t")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: ${#failed[@]} of ${#targets[@]} targets failed: ${failed[*]}"
  exit 1
fi
echo "fuzz: all ${#targets[@]} targets ran ${seconds}s each without a finding"
