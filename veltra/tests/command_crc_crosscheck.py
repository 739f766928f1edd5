#!/usr/bin/python3
"""Cross-checks the command CRC against crcmod's CRC-16/MODBUS on random
byte runs; only the low 8 bits of a run's length count."""
import random
import subprocess
import sys

import crcmod.predefined

crc16 = crcmod.predefined.mkCrcFun("modbus")
rng = random.Random(11)
runs = [b"", b"123456789"] + [rng.randbytes(rng.randrange(1, 300)) for _ in range(80)]
got = subprocess.run([sys.argv[1]], input="".join(r.hex() + "\n" for r in runs),
                     capture_output=True, text=True, check=True).stdout.split()
want = ["%04X" % crc16(r[: len(r) % 256]) for r in runs]
bad = [(len(r), g, w) for r, g, w in zip(runs, got, want) if g != w]
print("%d runs, %d answers, wrong (length, got, want): %s" % (len(runs), len(got), bad))
sys.exit(1 if bad or got != want else 0)
