#!/usr/bin/env bash
# Formats the project's C++ sources in the style of .clang-format.
#   tools/format.sh           rewrites every file that differs
#   tools/format.sh --check   changes nothing; fails naming each file that differs
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run -Werror "${files[@]}"
  echo "clang-format: every file as formatted"
else
  clang-format -i "${files[@]}"
fi
