#!/usr/bin/python3
"""The fast phase's feeder, a process of its own: it feeds RATE bytes a
second for SECONDS into the pty's far end MASTER, looking every STEP,
and writes what has come due as far as the program's end SLAVE has
fewer than CAP bytes waiting (FIONREAD). A wait runs from the first look
that leaves due bytes unwritten to the first that writes them all: an
adapter would have dropped bytes in it. A step of its own later than
SLIP holds the line back by the rest (the feed then lasts that much
longer). It runs at real-time priority where it may, as a line does not
wait for the scheduler (nor, in a process of its own, for the pinger's
thread). Prints its figures as JSON.

Usage: feeder.py MASTER_FD SLAVE_FD RATE SECONDS CAP text|hex"""
import json
import os
import sys
import time

from phases import payload, queued

STEP = 0.001
SLIP = 0.005  # what a late step may pile up: 1.5 KB at 3 Mbaud


def realtime():
    try:
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(10))
        return "SCHED_FIFO"
    except (OSError, AttributeError):
        return "normal"


def feed(master, slave, rate, seconds, cap, data):
    sent, longest, waits, since, gap, slipped, written = 0, 0.0, 0, None, 0.0, 0.0, 0.0
    t0 = last = look = time.monotonic()
    while True:
        now = time.monotonic()
        # A late step of its own (not one held up in its write) holds the
        # line back: what a long stall piled up would drain only as fast
        # as the reader outruns the rate, a wait the reader did not cause.
        own = now - last - written
        gap, last = max(gap, now - last), now
        if own > SLIP:
            t0, slipped = t0 + own - SLIP, slipped + own - SLIP
        if now - t0 >= seconds:
            break
        due = min(int(rate * (now - t0)), len(data))
        room = cap - queued(slave)
        written = 0.0
        if due > sent and room > 0:
            sent += os.write(master, data[sent:sent + min(due - sent, room)])
            written = time.monotonic() - now
        if due > sent and since is None:
            since, waits = now, waits + 1
        elif due <= sent and since is not None:
            longest, since = max(longest, time.monotonic() - since), None
        look = max(look, now) + STEP
        time.sleep(max(0.0, look - time.monotonic()))
    if since is not None:
        longest = max(longest, time.monotonic() - since)
    return {"sent": sent, "wait": longest * 1000, "waits": waits, "gap": gap * 1000, "slipped": slipped * 1000}


def main():
    master, slave, rate, seconds, cap = (int(a) for a in sys.argv[1:6])
    data = payload(sys.argv[6], rate * (seconds + 1))
    policy = realtime()
    print(json.dumps(dict(feed(master, slave, rate, seconds, cap, data), policy=policy)), flush=True)


if __name__ == "__main__":
    main()
