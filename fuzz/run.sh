#!/usr/bin/env bash
# Builds the fuzz preset and runs one libFuzzer target, or all of them, for
# the given number of seconds each:
#   fuzz/run.sh reader 60        fuzz/run.sh all 60
# Targets: reader, decoder, roundtrip, extract. The growing corpus of each
# target is kept in fuzz/corpus-TARGET (not committed); findings are written
# to build/fuzz/findings and make the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 2 ] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
  echo "usage: fuzz/run.sh TARGET|all SECONDS" >&2
  exit 64
fi
which="$1"
seconds="$2"
all_targets=(reader decoder roundtrip extract)
if [ "$which" = all ]; then
  targets=("${all_targets[@]}")
else
  targets=("$which")
fi
for t in "${targets[@]}"; do
  if [[ ! " ${all_targets[*]} " =~ " $t " ]]; then
    echo "fuzz/run.sh: unknown target '$t' (one of: ${all_targets[*]}, all)" >&2
    exit 64
  fi
done

jobs="${FUZZ_BUILD_JOBS:-2}"
mkdir -p build
if ! { cmake --preset fuzz && cmake --build --preset fuzz -j"$jobs" --target pelkora-fuzz-seeds $(printf 'fuzz_%s ' "${targets[@]}"); } >build/fuzz-build.log 2>&1; then
  tail -40 build/fuzz-build.log >&2
  echo "fuzz/run.sh: build failed (log: build/fuzz-build.log)" >&2
  exit 2
fi
seeds=build/fuzz/seeds
rm -rf "$seeds"
build/fuzz/fuzz/pelkora-fuzz-seeds "$seeds"
mkdir -p build/fuzz/findings

# A short allocation history and quarantine keep the reader targets' many
# small allocations cheap; use-after-free within the quarantine is still found.
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:malloc_context_size=5:quarantine_size_mb=16}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=offscreen
# The extraction target makes and removes folders for every input: in memory
# that costs microseconds, on a journalled disk milliseconds.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

failed=()
for t in "${targets[@]}"; do
  corpus="fuzz/corpus-$t"
  mkdir -p "$corpus"
  log="build/fuzz/findings/$t.log"
  # Archives need no more than a kilobyte to reach every branch of the
  # reader; extraction gets room for names deeper than a path may be;
  # streams get room to wrap the 4096-byte window.
  case "$t" in reader) max_len=1024 ;; extract) max_len=16384 ;; *) max_len=4096 ;; esac
  echo "== fuzz_$t for ${seconds}s (log: $log)"
  if build/fuzz/fuzz/fuzz_"$t" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -max_len="${FUZZ_MAX_LEN:-$max_len}" \
       -print_final_stats=1 -artifact_prefix="build/fuzz/findings/$t-" "$corpus" "$seeds/$t" >"$log" 2>&1; then
    grep -E "^(#[0-9]+.*(DONE|pulse)|stat::number_of_executed_units|stat::peak_rss_mb)" "$log" | tail -3
  else
    echo "fuzz_$t FAILED:" >&2
    grep -E -A25 "ERROR|runtime error|deadly signal|Test unit written" "$log" | head -60 >&2
    failed+=("$t")
  fi
done

if ((${#failed[@]})); then
  echo "fuzz/run.sh: findings in: ${failed[*]} (inputs in build/fuzz/findings)" >&2
  exit 1
fi
echo "fuzz/run.sh: no findings"
