#!/usr/bin/env bash
# The CI's longer checks: the whole test suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, then each fuzz target for about a minute, then
# the code style. Fails on any failing test, any fuzz finding or any file
# that differs from .clang-format.
#   FUZZ_SECONDS=N changes the time per fuzz target (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs="${CI_BUILD_JOBS:-2}"
echo "== tests under the sanitizers (asan preset)"
cmake --preset asan
cmake --build --preset asan -j"$jobs"
ctest --preset asan

echo "== the window on a virtual display: extraction by keyboard, and a screenshot"
bash scripts/xvfb-extract-check.sh build/release
shot="$(mktemp -d)/window.png"
SCREENSHOT_OUT="$shot" bash scripts/screenshot.sh build/release
# A picture of the window, not an empty or all-black capture.
colours=$(convert "$shot" -format '%k' info:)
echo "screenshot: $(identify -format '%wx%h' "$shot"), $colours colours"
[ "$colours" -gt 16 ] || { echo "ci-extra: the screenshot has only $colours colours" >&2; exit 1; }
rm -rf "$(dirname "$shot")"

echo "== fuzz targets, ${FUZZ_SECONDS:-60}s each"
FUZZ_BUILD_JOBS="$jobs" bash fuzz/run.sh all "${FUZZ_SECONDS:-60}"

echo "== code style"
bash scripts/check-format.sh
