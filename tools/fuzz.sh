#!/usr/bin/env bash
# Builds the fuzz targets with clang (build-fuzz/) and runs each over its
# seeds in fuzz/corpus/<target>/.
#
#   tools/fuzz.sh [SECONDS]   each target for SECONDS (default 60); the inputs
#                             it finds are kept outside the repository, in
#                             $FUZZ_CORPUS/<target> (default
#                             ~/.cache/serialbench/fuzz/<target>)
#   tools/fuzz.sh --runs N    each target for N runs, keeping nothing (CI)
#
# Further arguments go to cmake's configure step. A crash or a broken
# invariant fails the script and leaves the input in the crashes folder it
# names.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"

limit=(-max_total_time=60)
keep=1
case "${1:-}" in
  --runs) limit=(-runs="$2" -seed=1); keep=0; shift 2 ;;
  [0-9]*) limit=(-max_total_time="$1"); shift ;;
esac

BUILD_DIR="$ROOT/build-fuzz" "$ROOT/tools/build.sh" -DCMAKE_CXX_COMPILER=clang++ \
  -DBUILD_FUZZERS=ON -DBUILD_GUI=OFF -DBUILD_TESTING=OFF "$@"

store="${FUZZ_CORPUS:-${XDG_CACHE_HOME:-$HOME/.cache}/serialbench/fuzz}"
crashes="$ROOT/build-fuzz/crashes"
[ $keep -eq 1 ] && crashes="$store/crashes"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$crashes"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
for seeds in "$ROOT"/fuzz/corpus/*/; do
  target="$(basename "$seeds")"
  corpus="$scratch/$target"
  [ $keep -eq 1 ] && corpus="$store/$target"
  mkdir -p "$corpus"
  # New inputs go to the first folder; the seeds are only read.
  if "$ROOT/build-fuzz/fuzz/fuzz_$target" "${limit[@]}" -timeout=30 -artifact_prefix="$crashes/$target-" \
      "$corpus" "$seeds" >"$scratch/$target.log" 2>&1; then
    echo "fuzz_$target: $(grep -E '^Done' "$scratch/$target.log" || tail -n 1 "$scratch/$target.log")"
  else
    cat "$scratch/$target.log" >&2
    echo "fuzz_$target FAILED; the input is in $crashes" >&2
    status=1
  fi
done
exit $status
