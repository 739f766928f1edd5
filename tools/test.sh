#!/usr/bin/env bash
# Sets up, builds and runs every test. With --sanitize, also builds and
# runs them with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/tools/deps.sh"

export QT_QPA_PLATFORM=offscreen
status=0
BUILD_DIR="$ROOT/build" "$ROOT/tools/build.sh"
(cd "$ROOT/build" && ctest --output-on-failure -j "$(nproc)") || status=1

if [ "${1:-}" = "--sanitize" ]; then
  BUILD_DIR="$ROOT/build-asan" "$ROOT/tools/build.sh" -DENABLE_SANITIZERS=ON -DCMAKE_BUILD_TYPE=Debug
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  (cd "$ROOT/build-asan" && ctest --output-on-failure -j "$(nproc)") || status=1
fi
exit $status
