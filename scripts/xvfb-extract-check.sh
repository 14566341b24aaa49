#!/usr/bin/env bash
# Extracts the demo archive the way a person does, on a virtual X display:
# start the window on the archive in an empty folder D, press Ctrl+A, then
# Tab and Space (OK) in "Extract To", and compare D with what the command-line
# tool extracts from the same archive (bytes, folders and times).
#   scripts/xvfb-extract-check.sh [BUILD_DIR]   (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
# A real window on the virtual display, whatever the tests chose before.
unset QT_QPA_PLATFORM
build="$PWD/${1:-build/release}"
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "xvfb-extract-check: $tool is missing: apt-get install xvfb xdotool" >&2; exit 1; }
done
archive="$build/demo/demo.big"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/D"

(cd "$work/D" && xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$build/src/ui/pelkora" "$archive" <<'INNER'
set -euo pipefail
"$1" "$2" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
# The first window whose title matches, waiting up to TRIES tenths of a second.
wait_for_window() {
  local pattern="$1" tries="$2" found=""
  for _ in $(seq 1 "$tries"); do
    found=$(xdotool search --name "$pattern" 2>/dev/null | head -n 1 || true)
    [ -n "$found" ] && break
    sleep 0.1
  done
  echo "$found"
}
window=$(wait_for_window "^Pelkora - $2\$" 300)
[ -n "$window" ] || { echo "no window titled \"Pelkora - $2\"" >&2; exit 1; }
echo "window title: $(xdotool getwindowname "$window")"
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key ctrl+a
dialog=$(wait_for_window "^Extract To\$" 50)
[ -n "$dialog" ] || { echo "Ctrl+A did not open \"Extract To\"" >&2; exit 1; }
echo "dialog: $(xdotool getwindowname "$dialog")"
xdotool key Tab
xdotool key space
sleep 2
INNER
)

"$build/src/cli/pelkora-cli" extract -q "$archive" "$work/E"
diff -r "$work/D" "$work/E"
(cd "$work/D" && find . -type f -printf '%TY-%Tm-%Td %TH:%TM:%.2TS %s %p\n' | sort -k4) >"$work/d.txt"
(cd "$work/E" && find . -type f -printf '%TY-%Tm-%Td %TH:%TM:%.2TS %s %p\n' | sort -k4) >"$work/e.txt"
diff "$work/d.txt" "$work/e.txt"
cat "$work/d.txt"
echo "xvfb-extract-check: the window extracted every entry with its folders, bytes and times"
