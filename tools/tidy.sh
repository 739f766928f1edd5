#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over the project's own
# sources; any finding is an error, so the script fails on one.
#
# The compile database is that of a clang configuration with every part on
# (the windows, the tests, the fuzzers) in BUILD_DIR (default: build-tidy).
# It is configured, not built: no source includes a generated file, and the
# generated moc files are not checked. Extra arguments go to cmake's
# configure step.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build-tidy}"
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DBUILD_FUZZERS=ON \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "$@" >/dev/null

# The folders of the product, the tests, the benchmarks and the fuzzers;
# build folders inside the tree are not among them.
root_re="$(printf '%s' "$ROOT" | sed 's/[][\.*^$+?(){}|]/\\&/g')"
files="^$root_re/(dialog|quillon|veltra|serial|sim|testing|tests|bench|fuzz)/"

# run-clang-tidy echoes each command it runs and colours the findings; only
# the findings are kept, as plain text.
set +e
run-clang-tidy -quiet -j "$(nproc)" -p "$BUILD_DIR" "$files" 2>&1 \
  | sed -e 's/\x1b\[[0-9;]*m//g' -e '/^clang-tidy/d' \
        -e '/^[0-9]* warnings\{0,1\} \(generated\|treated as errors\)\.$/d'
status=${PIPESTATUS[0]}
set -e
[ "$status" -eq 0 ] && echo "clang-tidy: no findings"
exit "$status"
