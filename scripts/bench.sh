#!/usr/bin/env bash
# Builds the benchmarks optimised and runs them, then prints the ratios the
# performance targets are stated in.
#   scripts/bench.sh            decoder, FindFile, listing and extract-all
#   scripts/bench.sh decoder    the decoder comparisons only (quick)
# BENCH_BUILD_DIR=DIR builds in DIR instead of the release preset's folder.
set -euo pipefail
cd "$(dirname "$0")/.."

what="${1:-all}"
case "$what" in
  all) quick='UnLZSS|ZlibInflate|LiteralDecoder|Memcpy|FindFile' ;;
  decoder) quick='UnLZSS|ZlibInflate|LiteralDecoder|Memcpy' ;;
  *) echo "usage: scripts/bench.sh [all|decoder]" >&2; exit 64 ;;
esac

source scripts/bench-build.sh
bench_build pelkora_bench

out="$build/bench-results"
mkdir -p "$out"
bench="$build/bench/pelkora_bench"
export QT_QPA_PLATFORM=offscreen

# Quick benchmarks: repetitions interleaved in random order, so that a
# machine that speeds up or slows down meanwhile (shared, throttled) touches
# every benchmark alike; medians compared.
"$bench" --benchmark_filter="$quick" \
  --benchmark_repetitions=30 --benchmark_enable_random_interleaving=true --benchmark_min_time=0.05 \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$out/quick.json" --benchmark_out_format=json
results=("$out/quick.json")
if [ "$what" = all ]; then
  # Listing and extraction fix their own iteration counts (each run is long).
  "$bench" --benchmark_filter='ListIntoGrid|ExtractAll' \
    --benchmark_out="$out/long.json" --benchmark_out_format=json
  results+=("$out/long.json")
fi

echo
echo "Ratios against the targets (medians, one run):"
python3 bench/ratios.py "${results[@]}"
