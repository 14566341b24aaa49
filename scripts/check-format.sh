#!/usr/bin/env bash
# Fails when a C++ file differs from the style in .clang-format, naming the
# files; `clang-format -i FILE...` fixes them. Needs Debian's clang-format
# (scripts/setup.sh installs it): other versions may lay code out otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if ((${#files[@]} == 0)); then
  echo "check-format: no C++ files found" >&2
  exit 1
fi
echo "check-format: $(clang-format --version)"
# A config this clang-format cannot read would make every file look wrong.
clang-format --style=file --assume-filename=x.cpp --dump-config >/dev/null
bad=()
for f in "${files[@]}"; do
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    bad+=("$f")
  fi
done
if ((${#bad[@]})); then
  echo "check-format: ${#bad[@]} of ${#files[@]} files differ from .clang-format:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files ok"
