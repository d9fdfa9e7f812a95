#!/usr/bin/python3
"""Writes the fuzzer's small hand-made seeds into fuzz/corpus: BMPs of every depth and
orientation the intro accepts and a tiny XM module. The intro's own media under res/ are
added to the corpus by the fuzz target's build; these seeds only cover what they don't."""
import os
import struct
import sys

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus")
os.makedirs(out, exist_ok=True)


def bmp(width, height, bpp, rows, palette=b"", header_size=40, compression=0, masks=b""):
    """rows: list of raw row bytes, first row first as stored in the file."""
    stride = (width * bpp + 31) // 32 * 4
    pixels = b"".join(r.ljust(stride, b"\0") for r in rows)
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bpp, compression,
                       len(pixels), 2835, 2835, len(palette) // 4, 0)
    info = info.ljust(header_size, b"\0")
    offset = 14 + len(info) + len(masks) + len(palette)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return head + info + masks + palette + pixels


def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


# 4x3 pictures: colours chosen so that every channel differs.
rgb = [[(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)],
       [(10, 20, 30), (40, 50, 60), (70, 80, 90), (0, 0, 0)],
       [(200, 100, 50), (50, 100, 200), (128, 128, 128), (255, 255, 0)]]
row24 = [b"".join(bytes((b, g, r)) for r, g, b in row) for row in rgb]
write("pic24-bottom-up.bmp", bmp(4, 3, 24, list(reversed(row24))))
write("pic24-top-down.bmp", bmp(4, -3, 24, row24))
row32 = [b"".join(bytes((b, g, r, 255)) for r, g, b in row) for row in rgb]
write("pic32.bmp", bmp(4, 3, 32, list(reversed(row32))))
palette = b"".join(bytes((b, g, r, 0)) for row in rgb for r, g, b in row)
row8 = [bytes(range(4 * y, 4 * y + 4)) for y in range(3)]
write("pic8-palette.bmp", bmp(4, 3, 8, list(reversed(row8)), palette))
row16 = [b"".join(struct.pack("<H", (r >> 3) << 11 | (g >> 2) << 5 | b >> 3) for r, g, b in row)
         for row in rgb]
write("pic16-565.bmp", bmp(4, 3, 16, list(reversed(row16)), compression=3,
                           masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F)))


def xm():
    """A module of 2 channels, 1 pattern of 16 rows and one looped square-wave sample."""
    channels, rows = 2, 16
    head = b"Extended Module: " + b"seed".ljust(20, b"\0") + b"\x1a" + b"make_seeds".ljust(20, b"\0")
    head += struct.pack("<HIHHHHHHHH", 0x0104, 276, 1, 0, channels, 1, 1, 1, 6, 125)
    head += bytes(256)
    packed = b""
    for r in range(rows):
        if r % 4 == 0:
            packed += bytes((0x83, 49 + r // 4, 1)) + b"\x80"  # note and instrument, empty
        else:
            packed += b"\x80\x80"
    pattern = struct.pack("<IBHH", 9, 0, rows, len(packed)) + packed
    sample = bytes([0x40] * 8 + [0xC0] * 8)
    delta, last = bytearray(), 0
    for s in sample:
        delta.append((s - last) & 0xFF)
        last = s
    instr = struct.pack("<I", 263) + b"square".ljust(22, b"\0") + b"\0" + struct.pack("<H", 1)
    instr += struct.pack("<I", 40) + bytes(96) + bytes(48) + bytes(48) + bytes(14)
    instr += struct.pack("<H", 0) + bytes(22)
    assert len(instr) == 263
    shdr = struct.pack("<IIIBbBBbB", len(sample), 0, len(sample), 48, 0, 1, 128, 0, 0)
    shdr += b"square".ljust(22, b"\0")
    return head + pattern + instr + shdr + bytes(delta)


write("tiny.xm", xm())
