#!/usr/bin/env bash
# Installs what is missing, builds, and starts the window on the demo archive.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh release
exec build/release/src/ui/pelkora "$PWD/build/release/demo/demo.big"
