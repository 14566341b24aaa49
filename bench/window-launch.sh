#!/usr/bin/env bash
# Starting the window program with an archive, as a user does: the time from
# the process's start until the window's title names the archive (set once
# the list is filled and sorted), seen from outside on a virtual display with
# a window manager (openbox, when installed). Medians of RUNS runs, and the
# largest peak memory of the program.
#   bench/window-launch.sh [ARCHIVE...]
# Without ARCHIVEs, times archives of 100,000 and 1,000,000 entries written
# once under build/window-launch (LAUNCH_DIR=DIR to keep them elsewhere).
# RUNS=N (default 5). COMPARE=PROGRAM also times another build of the window
# program (say, main's), the two taking turns run by run.
# Needs xvfb-run, xdotool and /usr/bin/time (scripts/setup.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
# A real window on the virtual display, whatever the tests chose before.
unset QT_QPA_PLATFORM
runs="${RUNS:-5}"

for tool in xvfb-run xdotool /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "window-launch: $tool is missing (scripts/setup.sh)" >&2; exit 2; }
done

source scripts/bench-build.sh
bench_build pelkora pelkora-perf-archive
program="$PWD/$build/src/ui/pelkora"

archives=()
if (($#)); then
  for a in "$@"; do archives+=("$(cd "$(dirname "$a")" && pwd)/$(basename "$a")"); done
else
  data="${LAUNCH_DIR:-$build/window-launch}"
  for entries in 100000 1000000; do
    if [ ! -f "$data/$entries/stored.big" ]; then
      echo "window-launch: writing an archive of $entries entries (once) ..." >&2
      "$build/bench/pelkora-perf-archive" "$data/$entries" "$entries" 16 10000 stored >/dev/null
    fi
    archives+=("$(cd "$data/$entries" && pwd)/stored.big")
  done
fi

programs=("$program")
[ -n "${COMPARE:-}" ] && programs+=("$(realpath "$COMPARE")")

# Everything runs inside one virtual display. Each line of its output is
# "PROGRAM-INDEX ARCHIVE-INDEX MILLISECONDS PEAK-KB".
results=$(xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$runs" "${#programs[@]}" "${programs[@]}" \
  "${archives[@]}" <<'INNER'
set -euo pipefail
runs="$1" nprograms="$2"
shift 2
programs=("${@:1:nprograms}")
archives=("${@:nprograms+1}")
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  wm=$!
  trap 'kill "$wm" 2>/dev/null || true' EXIT
  sleep 1
fi
stats="$(mktemp)"
for a in "${!archives[@]}"; do
  archive="${archives[$a]}"
  # The title as a pattern: the path's own characters taken literally.
  title="^Pelkora - $(sed 's/[][\.*^$+?(){}|]/\\&/g' <<<"$archive")\$"
  for run in $(seq "$runs"); do
    for k in $(seq 0 $((nprograms - 1))); do
      p=$(((k + run) % nprograms))
      start=$(date +%s%N)
      /usr/bin/time -f '%M' -o "$stats" "${programs[$p]}" "$archive" 2>/dev/null &
      timer=$!
      shown=""
      for _ in $(seq 1 6000); do
        if xdotool search --name "$title" >/dev/null 2>&1; then shown=$(date +%s%N); break; fi
        sleep 0.01
      done
      [ -n "$shown" ] || { echo "window-launch: no title for $archive" >&2; exit 1; }
      pkill -TERM -P "$timer" || true
      wait "$timer" || true
      echo "$p $a $(((shown - start) / 1000000)) $(tail -n 1 "$stats")"
    done
  done
done
rm -f "$stats"
INNER
)

median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
echo "Window launch to the archive's title, median of $runs runs (load average $(cut -d' ' -f1-3 /proc/loadavg)):"
for a in "${!archives[@]}"; do
  for p in "${!programs[@]}"; do
    ms=$(awk -v p="$p" -v a="$a" '$1 == p && $2 == a {print $3}' <<<"$results" | median)
    kb=$(awk -v p="$p" -v a="$a" '$1 == p && $2 == a && $4 > m {m = $4} END {print m}' <<<"$results")
    printf '%s  %s: %.2f s, peak %d MB\n' "${programs[$p]}" "${archives[$a]}" "$(awk -v m="$ms" 'BEGIN {print m / 1000}')" \
      $((kb / 1024))
  done
done
