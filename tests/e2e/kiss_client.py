#!/usr/bin/env python3
"""A program that shares a station's TNC over KISS-over-TCP, for the
end-to-end test: it sends one UI frame, then prints the information field of
every UI frame it is given, one line each, until its time is up.

    kiss_client.py HOST PORT SOURCE DEST TEXT SECONDS
"""
import socket
import sys
import time

FEND, FESC, TFEND, TFESC = 0xC0, 0xDB, 0xDC, 0xDD


def address(call, ssid_bits):
    name, _, ssid = call.partition("-")
    return bytes(ord(c) << 1 for c in name.ljust(6)) + bytes([ssid_bits | int(ssid or 0) << 1])


host, port, source, dest, text, seconds = sys.argv[1:]
# A UI command: C bit on the destination, end of the address field on the source.
frame = address(dest, 0xE0) + address(source, 0x61) + b"\x03\xf0" + text.encode()
escaped = frame.replace(b"\xdb", b"\xdb\xdd").replace(b"\xc0", b"\xdb\xdc")
connection = socket.create_connection((host, int(port)))
connection.sendall(bytes([FEND, 0]) + escaped + bytes([FEND]))
connection.settimeout(0.5)
received = b""
end = time.time() + float(seconds)
while time.time() < end:
    try:
        received += connection.recv(4096)
    except socket.timeout:
        continue
    *frames, received = received.split(bytes([FEND]))
    for kiss in frames:
        kiss = kiss.replace(b"\xdb\xdc", b"\xc0").replace(b"\xdb\xdd", b"\xdb")
        if len(kiss) > 16 and kiss[0] == 0:
            end_of_addresses = next(i for i in range(7, len(kiss), 7) if kiss[i] & 1)
            if kiss[end_of_addresses + 1] == 0x03:
                print(kiss[end_of_addresses + 3 :].decode("latin-1").strip(), flush=True)
connection.close()
