#!/usr/bin/env bash
# Peak memory (maximum resident set, /usr/bin/time) of pelkora-cli's verbs on
# an archive of 100,000 small entries, as a user runs them: list in each of
# its forms, test, and extract into a fresh folder; then test, extract and
# extract -O on archives of one 1 GiB entry, stored and compressed.
#   bench/memory.sh [ENTRIES [LARGE_MB]]      (defaults 100000 and 1024)
# MEMORY_DIR=DIR keeps the archives there (default build/memory).
set -euo pipefail
cd "$(dirname "$0")/.."
entries="${1:-100000}"
large_mb="${2:-1024}"
source scripts/bench-build.sh
bench_build pelkora-cli pelkora-perf-archive pelkora-large-entry
cli="$PWD/$build/src/cli/pelkora-cli"
data="${MEMORY_DIR:-$build/memory}"
mkdir -p "$data"
if [ ! -f "$data/$entries/stored.big" ]; then
  "$build/bench/pelkora-perf-archive" "$data/$entries" "$entries" 2 300 >/dev/null
  rm -rf "$data/$entries/tree"
fi
archive="$data/$entries/stored.big"
echo "bench/memory: $(date -u '+%Y-%m-%d %H:%M UTC'), $entries entries, archive $(stat -c %s "$archive") bytes"
measure() {
  local what="$1"; shift
  /usr/bin/time -f "%M %e" -o "$data/time.txt" "$@" >/dev/null
  read -r kb seconds <"$data/time.txt"
  printf '  %-28s %6d MB  %5.2f s\n' "$what" $((kb / 1024)) "$seconds"
}
measure "list" "$cli" list "$archive"
measure "list --json" "$cli" list --json "$archive"
measure "list --json-lines" "$cli" list --json-lines "$archive"
measure "list -l" "$cli" list -l "$archive"
measure "test" "$cli" test -q "$archive"
out="$(mktemp -d "$data/out.XXXXXX")"
measure "extract" "$cli" extract -q "$archive" "$out"
rm -rf "$out"

large="$data/large-$large_mb"
if [ ! -f "$large/compressed.big" ]; then
  "$build/bench/pelkora-large-entry" "$large" "$large_mb"
fi
echo "one entry of $large_mb MiB (the bound is 64 MB whatever its size):"
for kind in stored compressed; do
  measure "test ($kind)" "$cli" test -q "$large/$kind.big"
  out="$(mktemp -d "$data/out.XXXXXX")"
  measure "extract ($kind)" "$cli" extract -q "$large/$kind.big" "$out"
  rm -rf "$out"
  measure "extract -O ($kind)" "$cli" extract -O "$large/$kind.big"
done
