#!/bin/sh
# Runs one fuzz target: every file of its seed corpus first (the kept crash inputs among them),
# then new inputs grown from them for a bounded time, in a scratch corpus that later runs
# continue from. Any finding (crash, sanitizer report, leak, slow input, exit) fails with
# libFuzzer's exit code and leaves the input in the work directory's artifacts/.
# Usage: run_fuzzer.sh FUZZER SEED_DIR WORK_DIR SECONDS MAX_LEN   (FUZZ_SECONDS overrides SECONDS)
set -eu
fuzzer=$1 seeds=$2 work=$3 seconds=${FUZZ_SECONDS:-$4} max_len=$5

mkdir -p "$work/corpus" "$work/artifacts"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
exec "$fuzzer" -max_total_time="$seconds" -max_len="$max_len" -timeout=30 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds"
