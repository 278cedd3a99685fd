#!/usr/bin/env python3
"""Shares a station's TNC over KISS-over-TCP: sends one UI frame, then prints
the information field of each UI frame it hears until its time is up.

    kiss_client.py HOST PORT SOURCE DEST TEXT SECONDS
"""
import socket, sys, time


def address(call, ssid_bits):
    name, _, ssid = call.partition("-")
    return bytes(ord(c) << 1 for c in name.ljust(6)) + bytes([ssid_bits | int(ssid or 0) << 1])


host, port, source, dest, text, seconds = sys.argv[1:]
# A UI command: C bit on the destination, end of the address field on the source.
frame = address(dest, 0xE0) + address(source, 0x61) + b"\x03\xf0" + text.encode()
connection = socket.create_connection((host, int(port)), timeout=0.5)
connection.sendall(b"\xc0\x00" + frame.replace(b"\xdb", b"\xdb\xdd").replace(b"\xc0", b"\xdb\xdc") + b"\xc0")
received, end = b"", time.time() + float(seconds)
while time.time() < end:
    try:
        received += connection.recv(4096)
    except socket.timeout:
        continue
    *frames, received = received.split(b"\xc0")
    for kiss in frames:
        kiss = kiss.replace(b"\xdb\xdc", b"\xc0").replace(b"\xdb\xdd", b"\xdb")
        if len(kiss) > 16 and kiss[0] == 0:
            last = next(i for i in range(7, len(kiss), 7) if kiss[i] & 1)  # end of the addresses
            if kiss[last + 1] == 0x03:
                print(kiss[last + 3 :].decode("latin-1").strip(), flush=True)
