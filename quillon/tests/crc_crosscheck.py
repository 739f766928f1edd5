#!/usr/bin/python3
"""Cross-checks the program's CRCs against crcmod on random frames."""
import random
import subprocess
import sys

import crcmod.predefined

cli = sys.argv[1]
crc16 = crcmod.predefined.mkCrcFun("modbus")
crc8 = crcmod.predefined.mkCrcFun("crc-8")
crc32 = crcmod.predefined.mkCrcFun("crc-32")


def suffix(values):
    return "".join(" %02X" % v for v in values)


rng = random.Random(7)
failures = 0
for _ in range(60):
    data = bytes(rng.randrange(256) for _ in range(rng.randrange(1, 300)))
    c16, c8, c32 = crc16(data), crc8(data), crc32(data)
    expected = {
        0: suffix([c16 & 0xFF, c16 >> 8]),
        1: suffix([c16 >> 8, c16 & 0xFF]),
        2: suffix([c8]),
        5: suffix([c32 & 0xFF, (c32 >> 8) & 0xFF, (c32 >> 16) & 0xFF, c32 >> 24]),
        6: suffix([c32 >> 24, (c32 >> 16) & 0xFF, (c32 >> 8) & 0xFF, c32 & 0xFF]),
    }
    for kind, want in expected.items():
        got = subprocess.run([cli, str(kind), data.hex().upper()], capture_output=True, text=True).stdout.rstrip("\n")
        if got != want:
            failures += 1
            print("kind %d on %s: got %r, want %r" % (kind, data.hex(), got, want))
print("%d passed, %d failed" % (60 * 5 - failures, failures))
sys.exit(1 if failures else 0)
