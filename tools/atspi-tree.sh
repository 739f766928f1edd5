#!/usr/bin/env bash
# Prints a program's accessible tree as AT-SPI sees it (under Xvfb).
# Usage: tools/atspi-tree.sh PROGRAM-PATH
exec "$(dirname "$0")/atspi-run.sh" "$1" "$(dirname "$0")/atspi-tree.py"
