#!/usr/bin/env bash
# Fails when a widget-free layer includes a header of the window or the
# command-line tool: src/support, src/lzss, src/archive and src/app are built
# without Qt Widgets and are shared by both programs.
set -euo pipefail
cd "$(dirname "$0")/.."

# Also catches "../ui/..." and the angle-bracket form.
found=$(grep -rnE --include='*.cpp' --include='*.h' \
  '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](\.\./)*(ui|cli)/' \
  src/support src/lzss src/archive src/app || true)
if [ -n "$found" ]; then
  echo "check-layers: a widget-free layer includes a ui/ or cli/ header:" >&2
  echo "$found" >&2
  exit 1
fi
echo "check-layers: ok"
