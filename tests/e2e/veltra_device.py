#!/usr/bin/python3
"""A device on a serial line for Veltra's end-to-end test. It follows the
steps given on its command line, in order:

    veltra_device.py PORT STEP...
      expect:NAME:HEX  read as many bytes as HEX holds; they must be HEX
      send:HEX         write the bytes as one burst, then keep the line quiet
                       for a while, so that the receiver sees the burst end

It prints "ready" once the port is open. Exit status: 0 when every frame
came byte for byte and nothing else came; 1 with the difference on stderr
otherwise; 2 for a bad command line or a port that does not open; 77 when
pyserial is missing."""
import sys
import time

try:
    import serial
except ImportError:
    print("python3-serial is not installed", file=sys.stderr)
    sys.exit(77)

QUIET_S = 0.2  # after each burst: many poll ticks of the receiver
FRAME_TIMEOUT_S = 5.0


def show(data):
    return " ".join("%02X" % b for b in data) or "(nothing)"


def parse(steps):
    parsed = []
    for step in steps:
        kind, _, rest = step.partition(":")
        if kind == "expect":
            name, _, data = rest.rpartition(":")
        elif kind == "send":
            name, data = "", rest
        else:
            raise ValueError("unknown step %r" % step)
        parsed.append((kind, name, bytes.fromhex(data)))
    return parsed


def read_exactly(port, count, timeout):
    got = bytearray()
    deadline = time.monotonic() + timeout
    while len(got) < count and time.monotonic() < deadline:
        got += port.read(count - len(got))
    return bytes(got)


def stray(port):
    """Whatever has come without being expected."""
    time.sleep(QUIET_S)
    return port.read(port.in_waiting) if port.in_waiting else b""


def run(port, steps):
    for kind, name, data in steps:
        if kind == "expect":
            got = read_exactly(port, len(data), FRAME_TIMEOUT_S)
            if got != data:
                at = next((i for i, (a, b) in enumerate(zip(got, data)) if a != b), len(got))
                if len(got) == len(data):
                    after = "then " + show(stray(port))
                else:
                    after = "then nothing for %g s" % FRAME_TIMEOUT_S
                print("frame %r differs at byte %d:\n  expected %s\n  got      %s, %s"
                      % (name, at, show(data), show(got), after), file=sys.stderr)
                return 1
        else:
            extra = stray(port)
            if extra:
                print("unexpected bytes before a burst: %s" % show(extra), file=sys.stderr)
                return 1
            port.write(data)
            port.flush()
            time.sleep(QUIET_S)
    extra = stray(port)
    if extra:
        print("unexpected bytes after the last step: %s" % show(extra), file=sys.stderr)
        return 1
    return 0


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        steps = parse(argv[1:])
    except ValueError as e:
        print("bad step: %s" % e, file=sys.stderr)
        return 2
    try:
        port = serial.Serial(argv[0], 9600, timeout=0.05)
    except serial.SerialException as e:
        print("cannot open %s: %s" % (argv[0], e), file=sys.stderr)
        return 2
    with port:
        print("ready", flush=True)
        return run(port, steps)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
