#!/usr/bin/python3
"""A Modbus RTU master built on pymodbus, for serial-sim's modbus mode.

Usage: sim_modbus_master.py PORT BAUD CHECK [ARG]

CHECK is one of
  read             holding registers 0 to 9 must read 0 to 9
  noise            one byte FF, then 100 ms of silence, then "read"
  split            a request written in two halves 50 ms apart gets no
                   answer; a whole request after it is answered
  unserved FC      function FC (hex) gets exception 01

No retries, so that a request the server swallowed shows, and 400 ms for
an answer. Exits 0 when the
server behaved, 1 with what was wrong on standard error, 77 when pymodbus
is missing.
"""

import sys
import time

try:
    from pymodbus.client import ModbusSerialClient
    from pymodbus.diag_message import ReturnQueryDataRequest
    from pymodbus.file_message import FileRecord, ReadFileRecordRequest, ReadFifoQueueRequest
    from pymodbus.mei_message import ReadDeviceInformationRequest
    from pymodbus.other_message import (
        GetCommEventCounterRequest,
        GetCommEventLogRequest,
        ReadExceptionStatusRequest,
    )
    from pymodbus.pdu import ModbusRequest
except ImportError as e:
    print(e, file=sys.stderr)
    sys.exit(77)


class VendorRequest(ModbusRequest):
    """Function 41, which no standard defines: two bytes of payload."""

    function_code = 0x41

    def encode(self):
        return b"\x12\x34"


REQUESTS = {
    0x07: ReadExceptionStatusRequest,
    0x08: lambda: ReturnQueryDataRequest(0xA537),
    0x0B: GetCommEventCounterRequest,
    0x0C: GetCommEventLogRequest,
    0x14: lambda: ReadFileRecordRequest([FileRecord(file_number=1, record_number=0, record_length=2)]),
    0x18: lambda: ReadFifoQueueRequest(0),
    0x2B: lambda: ReadDeviceInformationRequest(1, 0),
    0x41: VendorRequest,
}

REQUEST = bytes.fromhex("01 03 00 00 00 0A C5 CD")


def fail(what):
    print(what, file=sys.stderr)
    sys.exit(1)


def read_ten(client):
    r = client.read_holding_registers(0, 10, slave=1)
    if r.isError():
        fail(f"reading registers 0 to 9: {r}")
    if list(r.registers) != list(range(10)):
        fail(f"registers 0 to 9 read {r.registers}")


def main():
    port, baud, check = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    client = ModbusSerialClient(port, baudrate=baud, parity="N", retries=0)
    # A master's usual wait for an answer; set past the client's whole
    # seconds. An answer that comes only after a byte time-out of its own
    # (half a second, say) misses it.
    client.params.timeout = 0.4
    if not client.connect():
        fail(f"cannot open {port}")
    line = client.socket  # pyserial's port under the client
    if check == "read":
        read_ten(client)
    elif check == "noise":
        line.write(b"\xFF")
        line.flush()
        time.sleep(0.1)
        read_ten(client)
    elif check == "split":
        line.write(REQUEST[:4])
        line.flush()
        time.sleep(0.05)
        line.write(REQUEST[4:])
        line.flush()
        line.timeout = 0.3
        answer = line.read(64)
        if answer:
            fail(f"a split request was answered: {answer.hex(' ')}")
        read_ten(client)
    elif check == "unserved":
        fc = int(sys.argv[4], 16)
        request = REQUESTS[fc]()
        request.unit_id = 1
        r = client.execute(request)
        if not r.isError() or not hasattr(r, "exception_code"):
            fail(f"function {fc:02X}: {r}")
        if r.function_code != fc | 0x80 or r.exception_code != 1:
            fail(f"function {fc:02X}: exception {r.function_code:02X} {r.exception_code:02X}")
    else:
        fail(f"no check {check}")
    client.close()


if __name__ == "__main__":
    main()
