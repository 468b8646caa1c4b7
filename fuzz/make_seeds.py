#!/usr/bin/env python3
"""Writes the seed inputs of every fuzz target into fuzz/corpus/<target>/seed-*.

The seeds are valid examples (and a few typical broken ones) in each target's input layout,
built here by hand from the wire and file formats; libFuzzer grows the corpus from them.
Run again after changing a layout; files not named seed-* (found inputs) are left alone.
"""
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def crc16_x25(data):
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0x8408 if crc & 1 else crc >> 1
    return (~crc) & 0xFFFF


def header(protocol, request, length, version=0x0106, crc=None):
    raw = struct.pack(">HHHHI", version, 0, protocol, request, length)
    value = crc16_x25(raw) if crc is None else crc
    return raw[:2] + struct.pack(">H", value) + raw[4:]


def message(protocol, request, payload=b""):
    return header(protocol, request, len(payload)) + payload


def error_reply(protocol, request, status):
    return header(protocol, request, 0xFFFF0000 | status)


def write(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-" + name), "wb") as out:
        out.write(data)


def be32(value):
    return struct.pack(">I", value & 0xFFFFFFFF)


def le32(value):
    return struct.pack("<I", value & 0xFFFFFFFF)


# ---- socket handler: flags, cutting, commands, explicit lengths, stream ----

def socket_input(flags, cutting, commands, stream, lengths=()):
    data = bytes([flags | len(commands), cutting])
    for protocol, request in commands:
        data += struct.pack(">HH", protocol, request)
    data += bytes(length - 1 for length in lengths)
    return data + stream


identity = (message(0x0100, 0, b"RV-3100\0") + message(0x0100, 1, b"2.8.0\0") + message(0x0100, 2, b"RV31A00427\0")
            + message(0x0100, 3, be32(3)) + message(0x0100, 4, be32(3)))
write("sockethandler", "identity", socket_input(0, 0, [(0x0100, 0)], identity))
write("sockethandler", "identity-byte-by-byte", socket_input(0, 0x80, [(0x0100, 0), (0x0100, 1)], identity))
write("sockethandler", "identity-in-pieces", socket_input(0, 3, [(0x0100, 0)], identity, lengths=(5, 12, 30)))
write("sockethandler", "empty-replies", socket_input(0, 0, [(0x0001, 0x20), (0x0002, 0x0103)],
                                                      message(0x0001, 0x20) + message(0x0002, 0x0103)))
write("sockethandler", "error-reply", socket_input(0, 0, [(0x0100, 0), (0x0100, 1)],
                                                   error_reply(0x0100, 0, 2) + message(0x0100, 1, b"1.0\0")))
write("sockethandler", "bad-crc", socket_input(0, 0, [(0x0100, 0)], header(0x0100, 0, 4, crc=0x1234) + b"abcd"))
write("sockethandler", "wrong-version", socket_input(0, 0, [(0x0100, 0)], header(0x0100, 0, 0, version=0x0105)))
write("sockethandler", "oversized-length", socket_input(0, 0, [(0x0100, 0)], header(0x0403, 1, 0x7FFFFFFF)))
write("sockethandler", "drop-mid-payload", socket_input(0x04, 1, [(0x0403, 1)], message(0x0403, 1, bytes(2048))[:700],
                                                        lengths=(200,)))
write("sockethandler", "close-mid-header", socket_input(0x08, 0, [(0x0100, 2)], message(0x0100, 2, b"X")[:7]))
write("sockethandler", "disconnect-in-reply", socket_input(0x20, 0, [(0x0100, 0)], identity))
write("sockethandler", "reconnect", socket_input(0x44, 0, [(0x0100, 0), (0x0100, 1)],
                                                 message(0x0100, 0, b"Cubrix\0") + message(0x0100, 1, b"2.3")[:14]))
write("sockethandler", "repair-crc", socket_input(0x10, 0x80 | 6, [(0x0101, 0x0010)],
                                                  header(0x0101, 0x0010, 6, crc=0) + b"SDI 1\0"
                                                  + header(0x0800, 1, 2, crc=0) + b"\x00\x01"))
write("sockethandler", "unsolicited-event", socket_input(0, 0, [(0x0100, 3)],
                                                         message(0x0800, 2, b"\x00\x07") + message(0x0100, 3, be32(2))))

# ---- device replies: flags, then (protocol, request, length, payload) records ----

def replies(flags, records):
    data = bytes([flags])
    for protocol, request, payload in records:
        data += struct.pack(">HHH", protocol, request, len(payload)) + payload
    return data


def frame(width, height, fmt, pixel_bytes, timecode=(1, 2, 3, 4)):
    pitch = len(pixel_bytes) // height
    return struct.pack(">HHHH", width, height, pitch, fmt) + bytes(timecode) + pixel_bytes


yuv422 = frame(6, 2, 1, bytes(range(32)) * 2)
rgb444 = frame(4, 2, 259, bytes(range(32)))
ycc444 = frame(4, 2, 2, bytes(range(32)))
ycc444le = frame(4, 2, 258, bytes(range(32)))

monitor_identity = [(0x0100, 0, b"RV-3100\0"), (0x0100, 1, b"2.8.0\0"), (0x0100, 2, b"RV31A00427\0"),
                    (0x0100, 3, be32(2)), (0x0100, 4, be32(2)),
                    (0x0101, 0x0010, b"SDI 1\0"), (0x0101, 0x0001, b"1920x1080p 25\0"),
                    (0x0101, 0x0110, b"HDMI"), (0x0101, 0x0102, be32(50)), (0x0101, 0x0106, be32(7)),
                    (0x0101, 0x0500, be32(1))]
write("monitorreply", "identity", replies(0, monitor_identity))
write("monitorreply", "lut-formats", replies(0, [(0x0301, 0, le32(10) + le32(12)), (0x0302, 0, le32(12) + le32(12)),
                                                  (0x0311, 0, le32(10) + le32(10) + le32(17)),
                                                  (0x0311, 0, le32(10))]))
write("monitorreply", "frames", replies(0x01, [(0x0100, 0, b"KT-2400\0"), (0x0400, 0, yuv422), (0x0400, 0, rgb444),
                                               (0x0400, 0, ycc444), (0x0400, 0, ycc444le), (0x0400, 0, b"\x00\x10")]))
markers = le32(3) + b"Cross".ljust(32, b"\0") + b"Safe area 90".ljust(32, b"\0") + b"Grid"
write("monitorreply", "markers", replies(0, [(0x0404, 5, markers), (0x0404, 5, le32(0xFFFFFFFF)), (0x0404, 1, b"x")]))
png = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                    "1f15c4890000000d49444154789c6360000002000001e221bc330000000049454e44ae426082")
write("monitorreply", "analyzer", replies(0, [(0x0405, 0, png), (0x0405, 0x11, png[:20])]))
write("monitorreply", "scope-waveform", replies(0x02, [(0x0403, 1, bytes((i * 7) & 0xFF for i in range(32768)))]))
write("monitorreply", "scope-vector", replies(0x04, [(0x0403, 2, bytes((i * 3) & 0xFF for i in range(16384))),
                                                     (0x0403, 2, b"short")]))
write("monitorreply", "scope-both", replies(0x06, [(0x0403, 3, bytes((i * 5) & 0xFF for i in range(49152)) [:49152])]))

cubrix_state = [(0x0100, 0, b"Cubrix\0"), (0x0100, 1, b"2.3.0\0"), (0x0100, 2, b"CBX2300571\0"),
                (0x0100, 3, be32(2)), (0x0100, 4, be32(2)), (0x0100, 5, struct.pack(">HH", 2, 1))]
for request in range(6, 0x17):
    cubrix_state.append((0x0100, request, bytes([0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8])))
cubrix_state += [(0x0101, 0x0010, b"SDI 1\0"), (0x0101, 0x0101, b"1080p 50\0")]
write("cubrixreply", "state", replies(0, cubrix_state))
write("cubrixreply", "short-replies", replies(0, [(0x0100, request, b"\x01") for request in range(0, 0x17)]))
write("cubrixreply", "frames", replies(0x01, [(0x0100, 5, struct.pack(">HH", 1, 1)), (0x0100, 0x0C, bytes(16)),
                                              (0x0400, 0, yuv422), (0x0100, 5, struct.pack(">HH", 2, 2)),
                                              (0x0400, 0, rgb444)]))
anci_list = bytes([1, 2, 3, 4, 0x41, 0x05, 0x61, 0x01])
anci_packets = bytes([1, 2, 3, 4]) + bytes([0x61, 0x01, 3, 0xAA, 0xBB, 0xCC, 0x5A]) + bytes([0x61, 0x01, 2, 0x11, 0x22, 0x33])
write("cubrixreply", "anci", replies(0x09, [(0x0402, 3, anci_list), (0x0402, 4, anci_packets), (0x0402, 2, b"\0\0\0\0")]))
write("cubrixreply", "scope", replies(0x06, [(0x0403, 3, bytes(49152)), (0x0403, 1, bytes(100))]))

# ---- capture item: flags, then (kind, argument, length, data) calls ----

def calls(flags, items):
    data = bytes([flags])
    for kind, argument, payload in items:
        data += struct.pack(">BIH", kind, argument, len(payload)) + payload
    return data


write("capture", "frames", calls(0, [(0, 0, yuv422), (3, 0, b""), (0, 1, rgb444), (0, 2, ycc444), (0, 3, ycc444le),
                                      (3, 0, b"")]))
write("capture", "quick-save-raw", calls(0x07, [(0, 1, yuv422)]))
write("capture", "quick-save-jpeg", calls(0x01, [(0, 0, rgb444)]))
write("capture", "broken-frames", calls(0, [(0, 0, b"\x00\x04"), (0, 0, frame(4, 2, 259, bytes(20))),
                                             (0, 0, struct.pack(">HHHH", 9, 9, 0, 7) + bytes(4))]))
write("capture", "anci", calls(0x04, [(1, 3, anci_list), (2, 1, b""), (2, 9, b""), (1, 4, anci_packets), (3, 0, b""),
                                       (1, 3, b"\x01\x02\x03")]))

# ---- .cube texts ----

def grid(points, decimals=6):
    lines = []
    scale = points - 1
    for b in range(points):
        for g in range(points):
            for r in range(points):
                lines.append("%.*f %.*f %.*f" % (decimals, r / scale, decimals, g / scale, decimals, b / scale))
    return lines


cube17 = "TITLE \"identity\"\nLUT_3D_SIZE 17\nDOMAIN_MIN 0.0 0.0 0.0\nDOMAIN_MAX 1.0 1.0 1.0\n" + "\n".join(grid(17)) + "\n"
write("cube", "identity-17", cube17.encode())
write("cube", "small", b"# comment\nTITLE \"x\"\nLUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n")
write("cube", "odd-numbers", b"LUT_3D_SIZE 33\r\n.5 5. -1e-3\r\n1e40 0 0\r\nnan inf 0\r\n0x1p3 1,5 2\r\n\t0.25\t0.5  0.75 \r\n1 2\n")
write("cube", "size-lines", b"LUT_3D_SIZE  33\nLUT_3D_SIZE\t17\nLUT_3D_SIZE 17\nLUT_1D_SIZE 1024\n0.123456789 1 1\n")

def resample_input(mode, prefix, pool):
    return bytes([mode]) + struct.pack(">H", len(prefix)) + prefix + pool


write("cuberesample", "grid33", resample_input(0x06, b"", b"0.0 0.5 1.0\n0.25 0.75 0.125\n1 1 1"))
write("cuberesample", "grid17", resample_input(0x07, b"", b"0.000000 0.062500 0.125000\n1.0 0.0 0.5"))
write("cuberesample", "grid17-short", resample_input(0x03, b"# made by hand\n", b"0.1 0.2 0.3"))
write("cuberesample", "grid33-long", resample_input(0x04, b"LUT_3D_SIZE 33\n", b"0.1 0.2 0.3\n# gap\n0.9 0.8 0.7"))
write("cuberesample", "grid17-odd", resample_input(0x01, b"", b"1e-30 3.4e38 -3.4e38\n.5 5. 1E2\nx y z"))

# ---- saved tabs and profiles ----

write("session", "saved-tabs", b"\0" + b"0,MONITOR,192.0.2.10,Studio A,dark\n1,CUBRIX,192.0.2.11,Grading,light\n")
write("session", "saved-tabs-odd", b"\0" + b"7,MONITOR,10.0.0.1,a,b,c\n\n9,CUBRIX,x\r\n3,CUBRIX,1.2.3.4,Name,Light\n,,,,,,,\n")
write("session", "profile", b"\x01" + b"MONITOR/Studio A/192.0.2.10/dark,CUBRIX/Grading/192.0.2.11/light,")
write("session", "profile-short-entries", b"\x01" + b"MONITOR,CUBRIX/OnlyName,")
write("session", "profile-refused", b"\x01" + b"monitor/a/b/dark,")
write("session", "profile-empty", b"\x01")
