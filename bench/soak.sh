#!/usr/bin/env bash
# Soak run of build/bin/quillon and build/bin/veltra (build them first); not part of ctest.
exec /usr/bin/python3 "$(dirname "$0")/soak.py" "$@"
