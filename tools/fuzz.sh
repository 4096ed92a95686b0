#!/usr/bin/env bash
# Builds the fuzzers with clang and runs each for a while over its corpus.
#   tools/fuzz.sh [seconds-each] [--grow]
# New inputs go to a scratch folder; with --grow, the ones that add coverage are merged
# into the committed corpus. A crash leaves its input in build/fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-20}"
grow="${2:-}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p build/fuzz/crashes
for fuzzer in command_line resize terminal_text; do
  scratch="$(mktemp -d)"
  corpus="tests/fuzz/corpus/$fuzzer"
  echo "== $fuzzer: ${seconds}s"
  log="build/fuzz/$fuzzer.log"
  status=0
  "build/fuzz/tests/fuzz/${fuzzer}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix=build/fuzz/crashes/ "$scratch" "$corpus" >"$log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|Done|==[0-9]+==ERROR|SUMMARY)' "$log" || true
  if [ "$grow" = "--grow" ]; then
    "build/fuzz/tests/fuzz/${fuzzer}_fuzzer" -merge=1 "$corpus" "$scratch" >/dev/null 2>&1
  fi
  rm -rf "$scratch"
  [ "$status" -eq 0 ] || { echo "$fuzzer found a crash: see build/fuzz/crashes/" >&2; exit 1; }
done
