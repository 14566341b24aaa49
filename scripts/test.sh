#!/usr/bin/env bash
# Installs what is missing, checks which layers include which, builds and
# runs every test.
# With --full (the default under CI) it also runs the sanitizer build of the
# tests and a short fuzzing pass over each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
full=0
if [ "${1:-}" = "--full" ] || [ "${CI:-}" = "true" ]; then full=1; fi

bash scripts/setup.sh
bash scripts/check-layers.sh
# The window tests (and their discovery at build time) need no display.
export QT_QPA_PLATFORM=offscreen
bash scripts/build.sh release
ctest --preset release

if [ "$full" = 1 ]; then
  bash scripts/check-package.sh
fi
if [ "$full" = 1 ] && [ -f scripts/ci-extra.sh ]; then
  bash scripts/ci-extra.sh
fi
