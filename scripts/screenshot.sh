#!/usr/bin/env bash
# Makes docs/screenshot.png: the window listing the demo archive, started for
# real on a virtual X display and captured with ImageMagick's import.
#   scripts/screenshot.sh [BUILD_DIR]     (default: build/release, built if missing)
#   SCREENSHOT_OUT=FILE saves the picture there instead (the CI's check).
set -euo pipefail
cd "$(dirname "$0")/.."
# A real window on the virtual display, whatever the tests chose before.
unset QT_QPA_PLATFORM
build="${1:-build/release}"
if [ ! -x "$build/src/ui/pelkora" ] || [ ! -f "$build/demo/demo.big" ]; then
  bash scripts/build.sh release
  build=build/release
fi
for tool in xvfb-run xwininfo import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing: apt-get install xvfb x11-utils imagemagick" >&2; exit 1; }
done
out="${SCREENSHOT_OUT:-$PWD/docs/screenshot.png}"
mkdir -p "$(dirname "$out")"

xvfb-run -a -s "-screen 0 1024x768x24" bash -s "$PWD/$build/src/ui/pelkora" "$PWD/$build/demo/demo.big" "$out" <<'INNER'
set -euo pipefail
program="$1"; archive="$2"; out="$3"
"$program" "$archive" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
title="Pelkora - $archive"
for _ in $(seq 1 300); do
  id=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$title\"" | awk '{print $1}' | head -n 1 || true)
  [ -n "$id" ] && break
  sleep 0.1
done
[ -n "${id:-}" ] || { echo "screenshot: no window titled \"$title\"" >&2; exit 1; }
sleep 1 # let the listing paint
import -window "$id" "$out"
echo "screenshot: window \"$title\" saved to $out"
INNER
