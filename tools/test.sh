#!/usr/bin/env bash
# Sets up, builds and runs every test.
#
#   tools/test.sh              the tests of the full build (build/)
#   tools/test.sh --sanitize   also under AddressSanitizer and UBSan (build-asan/)
#   tools/test.sh --ci         as CI runs them: warnings are errors, the
#                              package checked by lintian and appstreamcli,
#                              the format and clang-tidy's checks (build-tidy/),
#                              the core alone without Qt (build-core/), then
#                              --sanitize, then each fuzz target briefly
#                              (build-fuzz/)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/tools/deps.sh"

mode="${1:-}"
strict=()
[ "$mode" = "--ci" ] && strict=(-DWARNINGS_AS_ERRORS=ON)

export QT_QPA_PLATFORM=offscreen
status=0
run_tests() { (cd "$1" && ctest --output-on-failure --timeout 300 -j "$(nproc)") || status=1; }

BUILD_DIR="$ROOT/build" "$ROOT/tools/build.sh" "${strict[@]}"
run_tests "$ROOT/build"

if [ "$mode" = "--ci" ]; then
  # The Debian package of that build, as Debian's own checkers see it.
  rm -f "$ROOT"/build/serial-bench_*.deb
  cmake --build "$ROOT/build" --target package >/dev/null || status=1
  for deb in "$ROOT"/build/serial-bench_*.deb; do
    "$ROOT/packaging/check-package.sh" "$deb" || status=1
  done

  # A file not in the style of .clang-format fails the run, as does every
  # finding of the checks in .clang-tidy.
  "$ROOT/tools/format.sh" --check || status=1
  "$ROOT/tools/tidy.sh" || status=1

  # The core libraries, the simulator and their tests must build and pass
  # with no Qt at all.
  BUILD_DIR="$ROOT/build-core" "$ROOT/tools/build.sh" "${strict[@]}" -DBUILD_GUI=OFF
  run_tests "$ROOT/build-core"
  if find "$ROOT/build-core" -type f -perm -u+x \( -name '*test*' -o -path '*/bin/*' \) -exec ldd {} + 2>/dev/null \
      | grep -q 'libQt'; then
    echo "A core binary links Qt" >&2
    status=1
  fi
fi

if [ "$mode" = "--sanitize" ] || [ "$mode" = "--ci" ]; then
  BUILD_DIR="$ROOT/build-asan" "$ROOT/tools/build.sh" "${strict[@]}" -DENABLE_SANITIZERS=ON -DCMAKE_BUILD_TYPE=Debug
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  run_tests "$ROOT/build-asan"
fi

if [ "$mode" = "--ci" ]; then
  # A fixed number of runs from a fixed seed: quick, and the same every time.
  "$ROOT/tools/fuzz.sh" --runs 10000 "${strict[@]}" || status=1
fi
exit $status
