#!/bin/sh
# Runs one fuzzer for a bounded time: run_fuzzer.sh FUZZER SEEDS WORKDIR [libFuzzer options].
# Seeds stay read-only; new inputs go to WORKDIR/corpus. Any finding fails, loudly, with the input.
set -eu
fuzzer=$1 seeds=$2 work=$3
shift 3
seconds=${TW_FUZZ_SECONDS:-10}
rm -rf "$work/artifacts"
mkdir -p "$work/corpus" "$work/artifacts"
if "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
    "$@" "$work/corpus" "$seeds" >"$work/log" 2>&1; then
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$work/log" || true
  exit 0
fi
tail -n 80 "$work/log"
echo "FUZZ FINDING by $(basename "$fuzzer") (full log: $work/log)"
for artifact in "$work/artifacts"/*; do
  [ -f "$artifact" ] || continue
  echo "input kept in $artifact:"
  od -An -c "$artifact" | head -n 40
done
exit 1
