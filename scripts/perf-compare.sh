#!/usr/bin/env bash
# Times pelkora-cli against tar, unzip and gzip side by side in one run, on
# an archive of 20,000 files, 200 MB in 1,000 folders (stored, and a second
# one compressed) and the same tree as an uncompressed tar, a deflate zip and
# a gzip stream. Every extraction goes into a new folder; all of them are
# deleted at the end (creating files right after deleting many is slower on
# common file systems, so deleting between runs would distort the timings).
# Prints the medians, the ratios against the targets and the peak memory.
#   scripts/perf-compare.sh [RUNS]        (default 3 runs of each)
# PERF_DIR=DIR keeps the generated inputs there, and extracts there too
# (default build/perf; the inputs are reused when present). On a shared or
# virtual disk the write-back of earlier runs can swamp what the programs
# themselves do; PERF_DIR=/dev/shm/perf (memory) leaves only that: their CPU
# and system-call work. BENCH_BUILD_DIR=DIR builds in DIR instead of the
# release preset's folder.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-3}"

source scripts/bench-build.sh
bench_build pelkora-cli pelkora-perf-archive
cli="$PWD/$build/src/cli/pelkora-cli"
for tool in tar zip unzip gzip /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "perf-compare: $tool is missing (scripts/setup.sh installs it)" >&2; exit 2; }
done

data="${PERF_DIR:-$build/perf}"
mkdir -p "$data"
data="$(cd "$data" && pwd)"
if [ ! -f "$data/ready" ]; then
  echo "Writing 20,000 files, 200 MB in 1,000 folders (once) ..."
  rm -rf "$data"/*
  "$build/bench/pelkora-perf-archive" "$data" 20000 200 1000
  tar -cf "$data/tree.tar" -C "$data" tree
  (cd "$data" && zip -q -r tree.zip tree)
  gzip -c "$data/tree.tar" >"$data/tree.tar.gz"
  touch "$data/ready"
fi
largest=$(find "$data/tree" -type f -printf '%s\n' | sort -n | tail -1)

out="$data/out"
rm -rf "$out"
mkdir -p "$out"
trap 'rm -rf "$out"' EXIT

declare -A times peak
# Runs a command in a fresh folder and records its wall time and peak memory.
timed() {
  local name="$1" run="$2"
  shift 2
  local dir="$out/$name-$run"
  mkdir -p "$dir"
  local stats
  stats=$( cd "$dir" && /usr/bin/time -f '%e %M' "$@" 2>&1 >/dev/null | tail -1 )
  times[$name]+="${stats%% *} "
  local kb="${stats##* }"
  if [ -z "${peak[$name]:-}" ] || [ "$kb" -gt "${peak[$name]}" ]; then peak[$name]=$kb; fi
}

extractor() {
  case "$1" in
    tar) timed tar "$2" tar -xf "$data/tree.tar" ;;
    stored) timed stored "$2" "$cli" extract -q "$data/stored.big" . ;;
    compressed) timed compressed "$2" "$cli" extract -q "$data/compressed.big" . ;;
    unzip) timed unzip "$2" unzip -q "$data/tree.zip" ;;
  esac
}

order=(tar stored compressed unzip)
for run in $(seq "$runs"); do
  echo "run $run of $runs ..."
  # Each extraction starts with no dirty pages left by the one before it
  # (the sync is not timed), and the order turns from run to run.
  for i in 0 1 2 3; do
    sync
    extractor "${order[$(( (i + run - 1) % 4 ))]}" "$run"
  done
  timed gzip "$run" sh -c "gzip -dc '$data/tree.tar.gz' >/dev/null"
  timed test "$run" "$cli" test -q "$data/compressed.big"
done

median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
declare -A m
for k in tar stored compressed unzip gzip test; do m[$k]=$(median "${times[$k]}"); done

verdict() { awk -v v="$1" -v t="$2" -v op="$3" 'BEGIN { ok = (op == "le") ? (v <= t) : (v >= t); print ok ? "PASS" : "MISS" }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }'; }

echo
for k in tar stored compressed unzip gzip test; do printf '  %-10s %s\n' "$k" "${times[$k]}"; done
echo "Medians of $runs runs (seconds): tar -xf ${m[tar]}, extract stored ${m[stored]}, extract compressed ${m[compressed]}, unzip -q ${m[unzip]}, gzip -dc ${m[gzip]}, test ${m[test]}"
r=$(ratio "${m[stored]}" "${m[tar]}")
echo "  extract stored / tar -xf          $r  (target <= 1.0)  $(verdict "$r" 1.0 le)"
r=$(ratio "${m[compressed]}" "${m[tar]}")
echo "  extract compressed / tar -xf      $r  (target <= 1.3)  $(verdict "$r" 1.3 le)"
echo "  unzip -q / tar -xf                $(ratio "${m[unzip]}" "${m[tar]}")"
r=$(ratio "${m[gzip]}" "${m[test]}")
echo "  test speed / gzip -dc speed       $r  (target >= 2.0)  $(verdict "$r" 2.0 ge)"
limit_kb=$(( 64 * 1024 + 3 * largest / 1024 ))
for k in stored compressed; do
  echo "  peak memory, extract $k: $(( peak[$k] / 1024 )) MB (target < $(( limit_kb / 1024 )) MB)  $( [ "${peak[$k]}" -lt "$limit_kb" ] && echo PASS || echo MISS )"
done
