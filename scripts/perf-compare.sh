#!/usr/bin/env bash
# Times pelkora-cli against other archivers on the same trees, in one go:
# tar -xf, bsdtar -xf, unzip (stored and deflated zip), 7z x (copy and LZMA2
# at -mx1), tar -xzf and cp -r, each extracting into a new folder on disk and
# in memory (/dev/shm); and listing against unzip -l. Commands take turns
# from run to run; the table shows medians and the peak memory.
#   scripts/perf-compare.sh [RUNS]        (default 3; the 1 GiB row runs once)
# PERF_DIR=DIR keeps the generated inputs there (default build/perf-compare,
# reused when present) and extracts on disk there too. BENCH_BUILD_DIR=DIR
# builds in DIR instead of the release preset's folder. PERF_FS="disk mem"
# (the default) chooses where the extractions go; the disk runs take most of
# the time, mainly removing 100,000 files and syncing between runs.
# Ratio = Pelkora's time / the peer's: below 1 Pelkora is faster.
# After the table: the window started on the 100,000- and 1,000,000-entry
# archives until its title names them (bench/window-launch.sh, when xvfb-run
# is there; PERF_WINDOW=no leaves it out) and the decoder table
# (pelkora-decoder-table), so that one run gives every figure.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-3}"

missing=()
for tool in tar bsdtar zip unzip 7z gzip /usr/bin/time; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if ((${#missing[@]})); then
  echo "perf-compare: missing ${missing[*]}; install: apt-get install tar libarchive-tools zip unzip p7zip-full gzip time" >&2
  exit 2
fi

source scripts/bench-build.sh
bench_build pelkora-cli pelkora-perf-archive pelkora-large-entry pelkora-decoder-table
cli="$PWD/$build/src/cli/pelkora-cli"
gen="$PWD/$build/bench/pelkora-perf-archive"
large="$PWD/$build/bench/pelkora-large-entry"

data="${PERF_DIR:-$build/perf-compare}"
mkdir -p "$data"
data="$(cd "$data" && pwd)"

# The other archivers' inputs for the tree under $1/tree.
pack() {
  local dir="$1" compressed="$2"
  tar -cf "$dir/tree.tar" -C "$dir" tree
  (cd "$dir" && zip -q -r -0 tree-stored.zip tree)
  (cd "$dir" && 7z a -bd -mx0 tree-copy.7z tree >/dev/null)
  if [ "$compressed" = yes ]; then
    gzip -c "$dir/tree.tar" >"$dir/tree.tar.gz"
    (cd "$dir" && zip -q -r tree-deflate.zip tree)
    (cd "$dir" && 7z a -bd -m0=lzma2 -mx1 tree-lzma2.7z tree >/dev/null)
  fi
}
prepare() {
  local name="$1"
  shift
  [ -f "$data/$name/ready" ] && return 0
  echo "perf-compare: writing the $name inputs (once) ..." >&2
  rm -rf "${data:?}/$name"
  mkdir -p "$data/$name"
  "$@"
  touch "$data/$name/ready"
}
prepare large86 sh -c "'$gen' '$data/large86' 86 269 4 tree,mixed && true"
[ -f "$data/large86/tree.tar" ] || pack "$data/large86" yes
prepare small100k sh -c "'$gen' '$data/small100k' 100000 100 1000 tree,stored"
[ -f "$data/small100k/tree.tar" ] || pack "$data/small100k" yes
prepare compressed20k sh -c "'$gen' '$data/compressed20k' 20000 200 1000 tree,compressed"
[ -f "$data/compressed20k/tree.tar" ] || pack "$data/compressed20k" yes
prepare onegib sh -c "'$large' '$data/onegib' 1024 && mkdir -p '$data/onegib/tree' && cd '$data/onegib/tree' && '$cli' extract -q ../stored.big ."
[ -f "$data/onegib/tree.tar" ] || pack "$data/onegib" no
prepare list1m sh -c "'$gen' '$data/list1m' 1000000 16 10000 stored"

declare -A times peak
scratch_disk="$data/out"
scratch_mem="/dev/shm/pelkora-perf-compare.$$"
trap 'rm -rf "$scratch_disk" "$scratch_mem"' EXIT

# timed KEY FS CMD...: runs CMD in a fresh folder on FS (disk or mem) and
# records its wall time and peak memory under KEY. The folder is removed and
# the disk synced afterwards, outside the timing, so that a run neither
# fills memory nor leaves write-back for the next.
timed() {
  local key="$1" fs="$2"
  shift 2
  local root="$scratch_disk"
  [ "$fs" = mem ] && root="$scratch_mem"
  local dir="$root/run"
  rm -rf "$dir"
  mkdir -p "$dir"
  sync
  # The program's own messages go to a file whose last line is time's; a
  # failed command stops the comparison with them.
  local stats rc=0
  (cd "$dir" && /usr/bin/time -f '%e %M' "$@" 2>"$dir.err" >/dev/null) || rc=$?
  if ((rc)); then
    echo "perf-compare: $* failed (status $rc) in $dir:" >&2
    cat "$dir.err" >&2
    exit 1
  fi
  stats=$(tail -1 "$dir.err")
  rm -f "$dir.err"
  times[$key]+="${stats%% *} "
  local kb="${stats##* }"
  if [ -z "${peak[$key]:-}" ] || [ "$kb" -gt "${peak[$key]}" ]; then peak[$key]=$kb; fi
  rm -rf "$dir"
}

median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

# extract_row ROW ARCHIVE RUNS PEERS...: Pelkora's extraction of ARCHIVE
# against each peer, on disk and in memory, the commands taking turns.
declare -a rows=()
peer_command() {
  local dir="$1" peer="$2"
  case "$peer" in
    "tar -xf") echo "tar -xf $dir/tree.tar" ;;
    "bsdtar -xf") echo "bsdtar -xf $dir/tree.tar" ;;
    "unzip (stored)") echo "unzip -q $dir/tree-stored.zip" ;;
    "unzip (deflate)") echo "unzip -q $dir/tree-deflate.zip" ;;
    "7z x (copy)") echo "7z x -bd -y $dir/tree-copy.7z" ;;
    "7z x (LZMA2 -mx1)") echo "7z x -bd -y $dir/tree-lzma2.7z" ;;
    "tar -xzf") echo "tar -xzf $dir/tree.tar.gz" ;;
    "cp -r") echo "cp -r $dir/tree ." ;;
  esac
}
extract_row() {
  local row="$1" dir="$data/$2" archive="$3" n="$4"
  shift 4
  local peers=("$@") fs run i
  echo "perf-compare: $row ..." >&2
  for fs in ${PERF_FS:-disk mem}; do
    for run in $(seq "$n"); do
      local all=(Pelkora "${peers[@]}")
      local count=${#all[@]}
      for i in $(seq 0 $((count - 1))); do
        local who="${all[$(((i + run - 1) % count))]}"
        if [ "$who" = Pelkora ]; then
          timed "$row|$fs|Pelkora" "$fs" "$cli" extract -q "$dir/$archive" .
        else
          # shellcheck disable=SC2046
          timed "$row|$fs|$who" "$fs" $(peer_command "$dir" "$who")
        fi
      done
    done
    for who in "${peers[@]}"; do rows+=("$row ($fs)|$row|$fs|$who"); done
  done
}
# list_row ROW RUNS PELKORA-CMD PEER-NAME PEER-CMD
list_row() {
  local row="$1" n="$2" ours="$3" name="$4" theirs="$5" run
  echo "perf-compare: $row ..." >&2
  for run in $(seq "$n"); do
    # shellcheck disable=SC2086
    if ((run % 2)); then timed "$row|mem|Pelkora" mem $ours; timed "$row|mem|$name" mem $theirs
    else timed "$row|mem|$name" mem $theirs; timed "$row|mem|Pelkora" mem $ours; fi
  done
  rows+=("$row|$row|mem|$name")
}

all_peers=("tar -xf" "bsdtar -xf" "unzip (stored)" "unzip (deflate)" "7z x (copy)" "7z x (LZMA2 -mx1)" "tar -xzf" "cp -r")
big_runs=$(( runs > 2 ? runs - 2 : 1 ))
extract_row "extract 86 entries, 269 MB, every other compressed" large86 mixed.big "$runs" "${all_peers[@]}"
extract_row "extract 100,000 small entries, 100 MB, stored" small100k stored.big "$runs" "${all_peers[@]}"
extract_row "extract 20,000 entries, 200 MB, all compressed" compressed20k compressed.big "$runs" "${all_peers[@]}"
extract_row "extract one 1 GiB stored entry" onegib stored.big "$big_runs" "tar -xf" "bsdtar -xf" "unzip (stored)" "7z x (copy)" "cp -r"
list_row "list 100,000 entries" "$runs" "$cli list $data/small100k/stored.big" "unzip -l" "unzip -l $data/small100k/tree-stored.zip"
list_row "list 1,000,000 entries" "$runs" "$cli list $data/list1m/stored.big" "—" "true"
list_row "list --json 1,000,000 entries" "$runs" "$cli list --json $data/list1m/stored.big" "plain list" "$cli list $data/list1m/stored.big"

echo
echo "Medians of $runs runs ($big_runs for the 1 GiB entry), seconds; ratio = Pelkora / peer (below 1: Pelkora faster); peak MB = Pelkora's / the peer's."
echo "Inputs on disk ($(df -P "$data" | awk 'NR==2 {print $1}'), in page cache); \"disk\" extracts to $data, \"mem\" to /dev/shm (tmpfs)."
echo
echo "| work | Pelkora | peer | ratio | peak MB |"
echo "|---|---:|---|---:|---:|"
for entry in "${rows[@]}"; do
  IFS='|' read -r label row fs who <<<"$entry"
  ours=$(median "${times[$row|$fs|Pelkora]}")
  if [ "$who" = "—" ]; then
    printf '| %s | %s s | — | — | %d |\n' "$label" "$ours" $((peak[$row|$fs|Pelkora] / 1024))
    continue
  fi
  theirs=$(median "${times[$row|$fs|$who]}")
  ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf (b > 0) ? "%.2f" : "—", (b > 0) ? a / b : 0 }')
  printf '| %s | %s s | %s %s s | %s | %d / %d |\n' "$label" "$ours" "$who" "$theirs" "$ratio" \
    $((peak[$row|$fs|Pelkora] / 1024)) $((peak[$row|$fs|$who] / 1024))
done

if [ "${PERF_WINDOW:-yes}" = yes ] && command -v xvfb-run >/dev/null; then
  echo
  echo "perf-compare: the window's launch ..." >&2
  RUNS="$runs" bash bench/window-launch.sh "$data/small100k/stored.big" "$data/list1m/stored.big" |
    sed "s|$PWD/$build/src/ui/||; s|$data/||"
fi
echo
echo "perf-compare: the decoder table ..." >&2
"$build/bench/pelkora-decoder-table" "$runs"
