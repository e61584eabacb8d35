#!/usr/bin/env python3
"""Writes the seed streams of the tds_packets fuzzer: what a client sends on one connection."""
import os
import struct
import sys


def packet(kind, payload, last=True, packet_id=1):
    return struct.pack(">BBHHBB", kind, 1 if last else 0, 8 + len(payload), 0, packet_id, 0) + payload


def prelogin():
    options = [(0, b"\x0b\x00\x00\x00\x00\x00"), (1, b"\x02"), (2, b"\x00"), (3, b""), (4, b"\x00")]
    head, body = b"", b""
    offset = 5 * len(options) + 1
    for token, data in options:
        head += struct.pack(">BHH", token, offset + len(body), len(data))
        body += data
    return packet(0x12, head + b"\xff" + body)


def login7(user, password, database, version=0x74000004):
    def wide(text):
        return text.encode("utf-16-le")

    def hide(text):
        return bytes((((b << 4) | (b >> 4)) & 0xFF) ^ 0xA5 for b in wide(text))

    fields = [wide("host"), wide(user), hide(password), wide("fuzz"), wide("127.0.0.1"), b"",
              wide("ODBC"), b"", wide(database)]
    fixed = 94
    offsets, data = b"", b""
    for value in fields:
        offsets += struct.pack("<HH", fixed + len(data), len(value) // 2)
        data += value
    tail = b"\x00" * 6 + struct.pack("<HH", fixed + len(data), 0) * 3 + struct.pack("<I", 0)
    head = struct.pack("<IIIIII", 0, version, 4096, 0, 1234, 0) + bytes([0xE0, 0x03, 0, 0])
    head += struct.pack("<iI", 0, 0x409)
    body = head + offsets + tail + data
    body = struct.pack("<I", len(body)) + body[4:]
    return packet(0x10, body)


def batch(text, headers=True):
    payload = b""
    if headers:
        payload = struct.pack("<IIHQI", 22, 18, 2, 0, 1)
    return packet(0x01, payload + text.encode("utf-16-le"))


def main(folder):
    os.makedirs(folder, exist_ok=True)
    login = prelogin() + login7("sa", "x", "COMERCIAL_A")
    seeds = {
        "prelogin": prelogin(),
        "login": login,
        "login_wrong_password": prelogin() + login7("sa", "y", ""),
        "login_tds71": prelogin() + login7("Fendal", "Murales7261qz", "Contab1", 0x71000001),
        "databases": login + batch("SELECT name FROM master.dbo.sysdatabases ORDER BY name"),
        "users": login + batch(
            "SELECT COUNT(*) AS CC FROM MASTER..SYSPROCESSES SP INNER JOIN MASTER..SYSDATABASES SD "
            "ON SP.DBID = SD.DBID WHERE SP.LOGINAME = 'Fendal'"),
        "script": login + batch("USE Contab1\r\nPRINT 'hola'\r\nRAISERROR('falla', 16, 1)\r\n"
                                "sp_password 'x', 'z', 'sa'; ALTER LOGIN sa WITH PASSWORD = 'x'"),
        "split_batch": login + packet(0x01, struct.pack("<IIHQI", 22, 18, 2, 0, 1) +
                                      "PRINT 'a'".encode("utf-16-le"), last=False) +
                       packet(0x01, " -- b\r\n/* c */ SELECT 1".encode("utf-16-le"), packet_id=2),
        "attention": login + packet(0x06, b"") + packet(0x0E, b"\x00" * 12),
    }
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "tds_packets"))
