#!/usr/bin/python3
"""Writes the fuzzer's small hand-made seeds into fuzz/corpus: BMPs of every depth and
orientation the intro accepts, a tiny XM module, and XM modules of each kind the
module check refuses for making the player read past what it loaded. The intro's own media under res/ are
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


def envelope(points):
    return b"".join(struct.pack("<HH", x, y) for x, y in points).ljust(48, b"\0")


def delta(values, wide=False):
    """Sample data as XM stores it: each value less the one before."""
    out, last = bytearray(), 0
    for v in values:
        out += struct.pack("<H", (v - last) & 0xFFFF) if wide else bytes(((v - last) & 0xFF,))
        last = v
    return bytes(out)


def instrument(samples, sample_of_note=None, volume=(), volume_shape=(0, 0, 0, 0),
               panning=(), panning_shape=(0, 0, 0, 0)):
    """samples: dicts of data (signed values), loop (start, length) in samples, type, finetune,
    relative. *_shape: sustain point, loop start, loop end, flags (1 on, 2 sustain, 4 loop)."""
    body = bytes(sample_of_note if sample_of_note is not None else [0] * 96)
    body += envelope(volume) + envelope(panning)
    body += bytes((len(volume), len(panning))) + bytes(volume_shape[:3]) + bytes(panning_shape[:3])
    body += bytes((volume_shape[3], panning_shape[3])) + bytes(4) + struct.pack("<H", 0) + bytes(22)
    head = struct.pack("<I", 263) + b"square".ljust(22, b"\0") + b"\0"
    head += struct.pack("<HI", len(samples), 40) + body
    assert len(head) == 263
    headers, data = b"", b""
    for k in samples:
        wide = bool(k.get("type", 0) & 0x10)
        values = [v & 0xFFFF if wide else v & 0xFF for v in k["data"]]
        stored = delta(values, wide)
        start, length = k.get("loop", (0, 0))
        scale = 2 if wide else 1
        headers += struct.pack("<IIIBbBBbB", len(stored), start * scale, length * scale, 48,
                               k.get("finetune", 0), k.get("type", 0), 128, k.get("relative", 0), 0)
        headers += b"square".ljust(22, b"\0")
        data += stored
    return head + headers + data


def pattern(rows, channels, cells):
    """cells: {(row, channel): (note, instrument, volume, effect, parameter)}, packed."""
    packed = b""
    for r in range(rows):
        for c in range(channels):
            fields = cells.get((r, c), (0, 0, 0, 0, 0))
            mask = 0x80 | sum(1 << i for i, f in enumerate(fields) if f)
            packed += bytes((mask,)) + bytes(f for f in fields if f)
    return struct.pack("<IBHH", 9, 0, rows, len(packed)) + packed


def xm(channels, patterns, instruments, orders, linear=True):
    head = b"Extended Module: " + b"seed".ljust(20, b"\0") + b"\x1a" + b"make_seeds".ljust(20, b"\0")
    head += struct.pack("<HIHHHHHHHH", 0x0104, 276, len(orders), 0, channels, len(patterns),
                        len(instruments), int(linear), 6, 125)
    head += bytes(orders).ljust(256, b"\0")
    return head + b"".join(patterns) + b"".join(instruments)


def notes(rows, channels, note=49, every=4):
    return {(r, c): (note, 1, 0, 0, 0) for r in range(0, rows, every) for c in range(channels)}


# A module of 2 channels, 1 pattern of 16 rows and one looped square-wave sample.
square = {"data": [0x40] * 8 + [-0x40] * 8, "loop": (0, 16), "type": 1}
tune = {(r, 0): (49 + r // 4, 1, 0, 0, 0) for r in range(0, 16, 4)}
write("tiny.xm", xm(2, [pattern(16, 2, tune)], [instrument([square])], [0]))

# A module that uses what the check must let through: envelopes with sustain points and
# loops, pattern breaks and position jumps that land inside the song, slides, vibrato,
# arpeggio and sample offsets on long loops, a 16-bit and a ping-pong sample, and patterns
# of different lengths.
saw = {"data": [(i * 4) % 256 - 128 for i in range(256)], "loop": (0, 256), "type": 1,
       "relative": 12}
wide = {"data": [int(12000 * ((i % 64) / 32 - 1)) for i in range(512)], "loop": (64, 448),
        "type": 0x10 | 2, "finetune": -16}
lead = instrument([saw], volume=[(0, 64), (8, 40), (20, 48), (40, 0)], volume_shape=(2, 1, 2, 1 | 2 | 4),
                  panning=[(0, 32), (16, 48)], panning_shape=(0, 0, 1, 1 | 4))
bass = instrument([wide, saw], sample_of_note=[0] * 48 + [1] * 48,
                  volume=[(0, 64), (30, 20)], volume_shape=(0, 0, 0, 1 | 2))
first = {(r, 0): (37 + r % 24, 1, 0, (0x1, 0x2, 0x4, 0x0, 0x9, 0x3)[r // 2 % 6],
                  (0x08, 0x04, 0x46, 0x37, 0x01, 0x10)[r // 2 % 6])
         for r in range(0, 32, 2)}
first.update({(r, 1): (25 + r % 12, 2, 0x40, 0xE, 0x11) for r in range(0, 32, 4)})
first[(31, 0)] = (0, 0, 0, 0xD, 0x08)  # into row 8 of the next pattern
second = {(r, 1): (49, 2, 0xB4, 0x7, 0x24) for r in range(0, 16, 4)}
second[(15, 0)] = (97, 0, 0, 0xB, 0)  # key off, back to the first order
second[(15, 1)] = (0, 0, 0, 0xD, 0x04)  # and to its row 4
write("busy.xm", xm(2, [pattern(32, 2, first), pattern(16, 2, second)], [lead, bass], [0, 1, 0]))

# Modules the player would read past what it loaded, each of one kind; the module check
# refuses them and tests/player plays each unchecked under valgrind.
held = notes(16, 2, every=16)  # one long note a channel
two_points = [(0, 64), (10, 32)]
write("bad-volume-sustain.xm", xm(2, [pattern(16, 2, held)], [
    instrument([square], volume=two_points, volume_shape=(200, 0, 0, 1 | 2))], [0]))
write("bad-volume-loop.xm", xm(2, [pattern(16, 2, held)], [
    instrument([square], volume=two_points, volume_shape=(0, 200, 1, 1 | 4))], [0]))
write("bad-panning-sustain.xm", xm(2, [pattern(16, 2, held)], [
    instrument([square], panning=two_points, panning_shape=(250, 0, 0, 1 | 2))], [0]))
cells = notes(16, 2)
cells[(1, 0)] = (0, 0, 0, ord("L") - 55, 0xFF)  # an envelope position taken as a point number
write("bad-envelope-position.xm", xm(2, [pattern(16, 2, cells)], [
    instrument([square], volume=[(0, 64), (300, 32)], volume_shape=(0, 0, 0, 1))], [0]))
empty = struct.pack("<I", 29) + b"empty".ljust(22, b"\0") + b"\0" + struct.pack("<H", 0)
cells = {(0, 0): (49, 1, 0, 0, 0), (4, 0): (49, 2, 0, 0, 0)}  # the envelope kept, not its points
write("bad-empty-instrument.xm", xm(2, [pattern(16, 2, cells)], [
    instrument([square], volume=two_points, volume_shape=(1, 0, 0, 1 | 2)), empty], [0]))
cells = notes(16, 2)
cells[(2, 0)] = (0, 0, 0, 0xB, 4)  # a position jump past the song,
cells[(2, 1)] = (0, 0, 0, 0xD, 0x10)  # and a pattern break in the same row
write("bad-jump-past-song.xm", xm(2, [pattern(16, 2, cells)], [instrument([square])], [0, 0]))
cells = notes(64, 2)
cells[(2, 1)] = (0, 0, 0, 0xD, 0x40)  # row 40 of a 16-row pattern
write("bad-break-past-pattern.xm", xm(2, [pattern(64, 2, cells), pattern(16, 2, notes(16, 2))],
                                      [instrument([square])], [0, 1]))
# The highest notes on a 16-sample loop: the mixer steps past the loop in one go.
write("bad-high-note-short-loop.xm", xm(2, [pattern(16, 2, notes(16, 2, note=96))], [
    instrument([dict(square, relative=47, type=2)])], [0]))
cells = notes(16, 2, every=16)
for r in range(16):
    cells[(r, 0)] = cells.get((r, 0), (0, 0, 0, 0, 0))[:3] + (1, 0xFF)  # portamento up
write("bad-slide-short-loop.xm", xm(2, [pattern(16, 2, cells)], [instrument([square])], [0]))
ramp = {"data": [(i * 5) % 256 - 128 for i in range(600)], "loop": (0, 128), "type": 2}
cells = notes(16, 2)
cells[(0, 0)] = (49, 1, 0, 9, 1)  # start at 256, past the ping-pong loop's end
write("bad-offset-past-ping-pong.xm", xm(2, [pattern(16, 2, cells)], [instrument([ramp])], [0]))
write("bad-sample-map.xm", xm(2, [pattern(16, 2, notes(16, 2))], [
    instrument([square], sample_of_note=[5] * 96)], [0]))
write("bad-loop-past-sample.xm", xm(2, [pattern(16, 2, notes(16, 2))], [
    instrument([dict(square, loop=(8, 100))])], [0]))
write("bad-amiga-finetune.xm", xm(2, [pattern(16, 2, notes(16, 2, note=12))], [
    instrument([dict(square, finetune=127)])], [0], linear=False))
# A whole XM that also carries another format's signature where that format's loader,
# asked first, looks for it. The MOD one is also a MOD whose one pattern, read from the XM's
# sample data, jumps past its two orders and breaks in the same row.
silence = {"data": [0] * 2000, "loop": (0, 2000), "type": 1}
whole = bytearray(xm(2, [pattern(1, 2, {})], [instrument([silence])], [0]))
whole[38:58] = bytes(20)  # MOD sample lengths and loops where the XM names its tracker
mod = bytearray(whole)
mod[950:952] = bytes((2, 127))  # two orders, both pattern 0
mod[1080:1084] = b"M.K."
mod[1084:1092] = bytes((0, 0, 0x0B, 2, 0, 0, 0x0D, 0x10))  # row 0: jump to order 2, break
write("bad-signature-mod.xm", bytes(mod))
for name, at, signature in (("s3m", 44, b"SCRM"), ("stm", 20, b"!Scream!")):
    signed = bytearray(whole)
    signed[at:at + len(signature)] = signature
    if name == "stm":
        signed[29] = 2
    write("bad-signature-%s.xm" % name, bytes(signed))
