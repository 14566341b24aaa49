#!/usr/bin/env bash
# Makes docs/screenshot-filter.png: the window with a filter typed and an
# entry previewed, driven from the keyboard with xdotool on a virtual X
# display with a window manager (openbox). Each step is checked: Ctrl+F and
# typing filter the list, Esc clears the field, Space opens the preview.
#   scripts/screenshot-filter.sh [BUILD_DIR]   (default: build/release)
#   SCREENSHOT_OUT=FILE saves the picture there instead.
set -euo pipefail
cd "$(dirname "$0")/.."
unset QT_QPA_PLATFORM
build="${1:-build/release}"
for tool in xvfb-run xwininfo import xdotool openbox; do
  command -v "$tool" >/dev/null || { echo "screenshot-filter: $tool is missing" >&2; exit 1; }
done
out="${SCREENSHOT_OUT:-$PWD/docs/screenshot-filter.png}"
mkdir -p "$(dirname "$out")"

xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$PWD/$build/src/ui/pelkora" "$PWD/$build/demo/demo.big" "$out" <<'INNER'
set -euo pipefail
program="$1"; archive="$2"; out="$3"
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
"$program" "$archive" &
pid=$!
trap 'kill "$pid" "$wm" 2>/dev/null || true' EXIT
windowNamed() {
  for _ in $(seq 1 100); do
    id=$(xdotool search --name "^$1" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
main=$(windowNamed "Pelkora - ") || { echo "screenshot-filter: no main window" >&2; exit 1; }
xdotool windowmove "$main" 0 30
xdotool windowactivate --sync "$main"
sleep 0.5
shot() { import -window root "$1"; }

# Ctrl+F, a word, then Esc: the field empties and every row comes back.
xdotool key --window "$main" ctrl+f
xdotool type --delay 60 "zzz"
sleep 0.3
shot /tmp/filter-step-nomatch.png
xdotool key Escape
sleep 0.3
shot /tmp/filter-step-cleared.png

# A filter that keeps some rows, Tab into the list, Down to the first shown
# row and Space to preview it.
xdotool key ctrl+f
xdotool type --delay 60 "maps"
sleep 0.3
xdotool key Tab
xdotool key Down
xdotool key space
preview=$(windowNamed "Preview - ") || { echo "screenshot-filter: Space opened no preview" >&2; exit 1; }
sleep 0.5
xdotool windowmove "$preview" 648 30
xdotool windowsize "$preview" 630 440
sleep 0.8
shot "$out"
echo "screenshot-filter: saved to $out (steps in /tmp/filter-step-*.png)"
INNER
