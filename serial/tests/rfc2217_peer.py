#!/usr/bin/python3
"""A serial server for the remote-port tests: pyserial's RFC 2217 port
manager in front of a pty.

Usage: rfc2217_peer.py DEVICE

Prints the loopback port it listens on, then serves one connection at a
time until it is ended. Exits 77 when pyserial is not there.
"""
import socket
import sys
import termios
import threading

try:
    import serial
    import serial.rfc2217
except ImportError:
    print("pyserial is not installed", file=sys.stderr)
    sys.exit(77)


class PtyPort(serial.Serial):
    """The pty as the server's port. It has no modem lines: setting them
    does nothing and they read low. A setting it refuses is the ValueError
    on which the port manager puts the old one back and answers with it."""

    def _reconfigure_port(self, *args, **kwargs):
        try:
            super()._reconfigure_port(*args, **kwargs)
        except (serial.SerialException, termios.error) as e:
            raise ValueError(str(e))

    def _update_dtr_state(self):
        try:
            super()._update_dtr_state()
        except OSError:
            pass

    def _update_rts_state(self):
        try:
            super()._update_rts_state()
        except OSError:
            pass

    cts = property(lambda self: False)
    dsr = property(lambda self: False)
    ri = property(lambda self: False)
    cd = property(lambda self: False)


class Connection:
    def __init__(self, sock):
        self.sock = sock

    def write(self, data):
        self.sock.sendall(data)


def serve(conn, device):
    port = PtyPort(device, timeout=0.05)
    manager = serial.rfc2217.PortManager(port, Connection(conn))
    done = threading.Event()

    def to_network():
        try:
            while not done.is_set():
                data = port.read(4096)
                if data:
                    conn.sendall(b"".join(manager.escape(data)))
        except OSError:
            pass

    pump = threading.Thread(target=to_network, daemon=True)
    pump.start()
    try:
        while True:
            data = conn.recv(4096)
            if not data:
                break
            port.write(b"".join(manager.filter(data)))
    except OSError:
        pass
    finally:
        done.set()
        pump.join()
        port.close()
        conn.close()


def main():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    print(listener.getsockname()[1], flush=True)
    while True:
        conn, _ = listener.accept()
        # A client that leaves at once (a line refused before asking) must
        # not end the server.
        try:
            serve(conn, sys.argv[1])
        except OSError:
            conn.close()


if __name__ == "__main__":
    main()
