#!/usr/bin/env bash
# Runs the serial-server benchmark on build/bin/quillon and build/bin/veltra (build them first).
exec /usr/bin/python3 "$(dirname "$0")/remote.py" "$@"
