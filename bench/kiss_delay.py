#!/usr/bin/env python3
"""Half of the KISS client benchmark: `send` shares one station's TNC and
sends a UI frame a second carrying its send time; `receive` shares the other
station's and prints, for each such frame it hears, the delay in ms (both run
on one machine, so one clock).

    kiss_delay.py send|receive HOST PORT SECONDS
"""
import socket
import sys
import time

FEND = 0xC0
mode, host, port, seconds = sys.argv[1], sys.argv[2], int(sys.argv[3]), float(sys.argv[4])
connection = socket.create_connection((host, port))
end = time.time() + seconds
if mode == "send":
    # KV1CLI to APRS, a UI command with PID 0xF0, as the end-to-end test's KISS client sends it.
    header = bytes(ord(c) << 1 for c in "APRS  ") + b"\xe0"
    header += bytes(ord(c) << 1 for c in "KV1CLI") + b"\x61\x03\xf0"
    while time.time() < end:
        text = ("t=%.6f" % time.time()).encode()
        connection.sendall(bytes([FEND, 0]) + header + text + bytes([FEND]))
        time.sleep(1)
else:
    connection.settimeout(0.5)
    received = b""
    while time.time() < end:
        try:
            received += connection.recv(4096)
        except socket.timeout:
            continue
        *frames, received = received.split(bytes([FEND]))
        for frame in frames:
            at = frame.find(b"t=")
            if frame[:1] == b"\x00" and at > 0:
                print("%.0f" % ((time.time() - float(frame[at + 2 :])) * 1000), flush=True)
