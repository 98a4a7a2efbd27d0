#!/usr/bin/env bash
# Runs every fuzzer of a fuzzing build for SECONDS each, as many at once as there are
# cores. A fuzzer is one process on one core, so each gets the time it would get alone.
# Usage: scripts/fuzz.sh FUZZ_BUILD_DIR SECONDS     Exit status 1 when one found a fault.
set -uo pipefail
cd "$(dirname "$0")/.."
build=$1 seconds=$2
pids=() names=() status=0

run() {  # FUZZER: fuzzes for the time given, from its corpus and seeds; output in its log
  local name; name=$(basename "$1")
  mkdir -p "$build/corpus/$name"
  "$1" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 "$build/corpus/$name" \
    "fuzz/seeds/${name#fuzz_}" > "$build/$name.log" 2>&1
}
report() {  # PID NAME: waits for it, prints its figures and what it found
  wait "$1"
  local rc=$?
  echo "== $2 for $seconds s"
  grep -E 'stat::number_of_executed_units|stat::peak_rss|ERROR|SUMMARY|Done' "$build/$2.log"
  [ $rc -eq 0 ] || { echo "$2 failed (exit $rc), its log: $build/$2.log"; status=1; }
}

for f in "$build"/fuzz/fuzz_*; do
  run "$f" &
  pids+=($!) names+=("$(basename "$f")")
  if [ ${#pids[@]} -ge "$(nproc)" ]; then
    report "${pids[0]}" "${names[0]}"
    pids=("${pids[@]:1}") names=("${names[@]:1}")
  fi
done
for i in "${!pids[@]}"; do report "${pids[$i]}" "${names[$i]}"; done
exit $status
