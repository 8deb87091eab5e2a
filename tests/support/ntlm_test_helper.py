#!/usr/bin/env python3
"""An NTLM authenticator for squid's helper protocol (stateful "YR"/"KK" lines), for tests only.
It answers a client's negotiate message with a well-formed challenge and accepts any
authenticate message that names a user, except the users given as arguments, which it refuses.
It checks no password: what it shows is that the client completes the NTLM handshake and whom
it says it is. (squid's own fake helper sends a challenge whose target name points outside the
message, which Samba's NTLM client, the one Wine uses, refuses.)"""
import base64
import os
import struct
import sys

REFUSED = {u.lower() for u in sys.argv[1:]}
FLAGS = 0x00000001 | 0x00000200 | 0x00008000 | 0x00080000 | 0x00800000 | 0x20000000 | 0x80000000


def challenge():
    target = "VELMORA".encode("utf-16-le")
    info = struct.pack("<HH", 2, len(target)) + target + struct.pack("<HH", 0, 0)
    offset = 48
    return (b"NTLMSSP\0" + struct.pack("<I", 2)
            + struct.pack("<HHI", len(target), len(target), offset)
            + struct.pack("<I", FLAGS) + os.urandom(8) + b"\0" * 8
            + struct.pack("<HHI", len(info), len(info), offset + len(target))
            + target + info)


def user_of(message):
    if len(message) < 52 or message[:8] != b"NTLMSSP\0" or struct.unpack("<I", message[8:12])[0] != 3:
        return None
    flags = struct.unpack("<I", message[60:64])[0] if len(message) >= 64 else 0
    def field(at):
        length, _, offset = struct.unpack("<HHI", message[at:at + 8])
        return message[offset:offset + length]
    domain, user = field(28), field(36)
    decode = (lambda b: b.decode("utf-16-le", "replace")) if flags & 1 else (
        lambda b: b.decode("latin-1"))
    return decode(domain), decode(user)


def main():
    for line in sys.stdin:
        words = line.strip().split(" ", 1)
        try:
            blob = base64.b64decode(words[1]) if len(words) > 1 else b""
        except ValueError:
            blob = b""
        if words[0] == "YR":
            print("TT " + base64.b64encode(challenge()).decode(), flush=True)
        elif words[0] == "KK":
            who = user_of(blob)
            if not who or not who[1]:
                print("NA no user named", flush=True)
            elif who[1].lower() in REFUSED:
                print("NA user refused", flush=True)
            else:
                name = (who[0] + "\\" + who[1]) if who[0] else who[1]
                print("AF " + name.replace(" ", "_"), flush=True)
        else:
            print("BH unknown request", flush=True)


if __name__ == "__main__":
    main()
