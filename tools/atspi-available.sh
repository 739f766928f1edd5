#!/usr/bin/env bash
# Exits 77 (a skipped test) with the reason when what tools/atspi-run.sh
# needs is not installed: the X server, D-Bus, AT-SPI or pyatspi.
for tool in Xvfb dbus-run-session xdpyinfo; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "skipped: at-spi2-core is not installed"; exit 77; }
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "skipped: python3-pyatspi is not installed"; exit 77; }
exit 0
