#!/usr/bin/env bash
# Extract All of a 100,000-entry archive through the real window on a virtual
# display (Ctrl+A, then Tab and Space for OK in "Extract To"), timed until
# the last file is written, next to pelkora-cli extract of the same archive
# into a fresh folder on the same disk.
#   bench/window-extract.sh [ENTRIES]     (default 100000)
set -euo pipefail
cd "$(dirname "$0")/.."
# A real window on the virtual display, whatever the tests chose before.
unset QT_QPA_PLATFORM
entries="${1:-100000}"
source scripts/bench-build.sh
bench_build pelkora pelkora-cli pelkora-perf-archive
data="${MEMORY_DIR:-$build/memory}"
mkdir -p "$data"
if [ ! -f "$data/$entries/stored.big" ]; then
  "$build/bench/pelkora-perf-archive" "$data/$entries" "$entries" 2 300 >/dev/null
  rm -rf "$data/$entries/tree"
fi
archive="$(cd "$data/$entries" && pwd)/stored.big"
work="$(mktemp -d "$data/window.XXXXXX")"
trap 'rm -rf "$work"' EXIT

start=$(date +%s%N)
"$build/src/cli/pelkora-cli" extract -q "$archive" "$work/cli"
cli=$((($(date +%s%N) - start) / 1000000))

mkdir "$work/D"
program="$PWD/$build/src/ui/pelkora"
window=$(cd "$work/D" && xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$program" "$archive" "$entries" <<'INNER'
set -euo pipefail
"$1" "$2" 2>/dev/null &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 300); do
  id=$(xdotool search --name "^Pelkora - $2\$" 2>/dev/null | head -n 1 || true); [ -n "$id" ] && break; sleep 0.1
done
[ -n "$id" ] || { echo "window-extract: no window" >&2; exit 1; }
sleep 2 # the listing
xdotool windowfocus --sync "$id" 2>/dev/null || true
xdotool key ctrl+a
for _ in $(seq 1 50); do xdotool search --name "^Extract To\$" >/dev/null 2>&1 && break; sleep 0.1; done
start=$(date +%s%N)
xdotool key Tab space
while [ "$(find . -type f | wc -l)" -lt "$3" ]; do sleep 0.2; done
echo $((($(date +%s%N) - start) / 1000000))
INNER
)
python3 -c 'import sys; w, c = int(sys.argv[1]), int(sys.argv[2]); print(f"window Extract All: {w/1000:.1f} s, pelkora-cli extract: {c/1000:.1f} s, ratio {w/c:.2f} ({sys.argv[3]} entries, {sys.argv[4]})")' \
  "$window" "$cli" "$entries" "$(date -u '+%Y-%m-%d')"
