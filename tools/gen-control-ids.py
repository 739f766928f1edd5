#!/usr/bin/python3
"""Writes the programs' control ids as a Python module for the scripts that
drive the windows (tools/ids.py reads it), from the `enum Id` of each id
header: one IntEnum class per program.

Usage: gen-control-ids.py OUTPUT.py CLASS=HEADER [CLASS=HEADER...]
e.g.   gen-control-ids.py build/python/control_ids.py Quillon=quillon/QuillonIds.h

Anything in the enum it cannot read (an implicit or computed value, a
name given twice) stops the build: a script must never get a wrong id."""
import os
import re
import sys

ENUM_START = re.compile(r"^\s*enum\s+(?:class\s+)?Id\b[^{;]*\{\s*$")
ENTRY = re.compile(r"^\s*([A-Za-z_]\w*)\s*=\s*(0x[0-9A-Fa-f]+|\d+)\s*,?\s*$")


def read_ids(path):
    ids, inside, found = {}, False, False
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.split("//", 1)[0].strip()
            if not inside:
                if ENUM_START.match(line):
                    if found:
                        sys.exit("%s:%d: a second enum Id" % (path, number))
                    inside = found = True
                continue
            if line.startswith("}"):
                inside = False
                continue
            if not line:
                continue
            m = ENTRY.match(line)
            if not m:
                sys.exit("%s:%d: cannot read this id: %s" % (path, number, raw.strip()))
            name, value = m.group(1), int(m.group(2), 0)
            if name in ids:
                sys.exit("%s:%d: %s given twice" % (path, number, name))
            ids[name] = value
    if not found or inside or not ids:
        sys.exit("%s: no complete enum Id with ids" % path)
    return ids


def main(argv):
    if len(argv) < 3 or any("=" not in a for a in argv[2:]):
        sys.exit(__doc__)
    out = argv[1]
    classes = [a.split("=", 1) for a in argv[2:]]
    lines = ["# Made by tools/gen-control-ids.py at build time from",
             *("#   %s" % os.path.basename(h) for _, h in classes),
             "# Edit the headers, not this file.", "import enum", ""]
    for cls, header in classes:
        lines += ["", "class %s(enum.IntEnum):" % cls]
        lines += ["    %s = %d" % kv for kv in read_ids(header).items()]
    text = "\n".join(lines) + "\n"
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    tmp = out + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, out)


if __name__ == "__main__":
    main(sys.argv)
