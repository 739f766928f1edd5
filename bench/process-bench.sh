#!/usr/bin/env bash
# Runs the process-level benchmark on build/bin/quillon and build/bin/veltra (build them first).
exec /usr/bin/python3 "$(dirname "$0")/process_bench.py" "$@"
