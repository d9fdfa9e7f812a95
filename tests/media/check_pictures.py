#!/usr/bin/python3
"""Checks the committed pictures, icon and contact sheet with independent readers (PIL and
plain struct parsing), and that make-pictures regenerates every one of them byte for byte.

usage: check_pictures.py MAKE_PICTURES SOURCE_DIR
"""
import colorsys
import filecmp
import itertools
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image, ImageChops, ImageStat

TOOL = SOURCE = None
SLIDES = ["sl%d.dat" % i for i in range(16)]
GENERATED = ["back.dat"] + SLIDES + ["intro.ico"]


def res(name):
    return os.path.join(SOURCE, "res", name)


def bmp_header(path):
    """(width, height, bits per pixel, compression) from a BMP's BITMAPINFOHEADER."""
    with open(path, "rb") as f:
        data = f.read(54)
    assert data[:2] == b"BM", path
    width, height, planes, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    return width, height, bits, compression


def read_565_bmp(path):
    """The pixels of a 16-bit BI_BITFIELDS BMP, parsed here without any image library:
    (width, height, masks, rows of 5-6-5 values from the top)."""
    with open(path, "rb") as f:
        data = f.read()
    offset, header_size = struct.unpack_from("<II", data, 10)
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    assert (bits, compression) == (16, 3), path
    masks = struct.unpack_from("<III", data, 14 + header_size)
    stride = (width * 2 + 3) // 4 * 4
    rows = [list(struct.unpack_from("<%dH" % width, data, offset + y * stride))
            for y in range(abs(height))]
    return width, height, masks, rows[::-1] if height > 0 else rows


def read_24_bit_bmp(path):
    """The pixels of a 24-bit BI_RGB BMP, parsed here without any image library:
    (width, height, rows of (r, g, b) from the top)."""
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    assert (bits, compression) == (24, 0), path
    stride = (width * 3 + 3) // 4 * 4
    rows = [[tuple(data[offset + y * stride + 3 * x + 2 - c] for c in range(3))
             for x in range(width)] for y in range(abs(height))]
    return width, height, rows[::-1] if height > 0 else rows


def narrow_to_565(r, g, b):
    return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3


def widen_565(v):
    """A 5-6-5 value as 8-bit RGB, the top bits repeated into the new low bits."""
    r, g, b = v >> 11, v >> 5 & 63, v & 31
    return (r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2)


def displayed_565(path):
    """A picture's pixels as the 5-6-5 display holds them, rows from the top: the
    background as stored, a 24-bit slide cut down to its levels."""
    if bmp_header(path)[2] == 16:
        return read_565_bmp(path)[3]
    return [[narrow_to_565(*p) for p in row] for row in read_24_bit_bmp(path)[2]]


def as_rgb_image(path):
    """The picture as the display shows it, widened to 8 bits."""
    rows = displayed_565(path)
    im = Image.new("RGB", (len(rows[0]), len(rows)))
    im.putdata([widen_565(v) for row in rows for v in row])
    return im


# Hue families in degrees, [from, to); red wraps around 0.
HUES = {"red": (345, 5), "orange": (5, 45), "yellow": (45, 70), "green": (70, 160),
        "teal": (160, 200), "blue": (200, 250), "purple": (250, 345)}
_hue_shares = {}


def hue_shares(path):
    """The share of each hue family among a picture's coloured pixels (saturation over 0.3,
    value over 0.15), as the display shows it."""
    counts, coloured = dict.fromkeys(HUES, 0), 0
    for r, g, b in as_rgb_image(path).getdata():
        hue, saturation, value = colorsys.rgb_to_hsv(r / 255, g / 255, b / 255)
        if saturation <= 0.3 or value <= 0.15:
            continue
        coloured += 1
        degrees = hue * 360
        for family, (start, end) in HUES.items():
            if (start <= degrees < end) if start < end else (degrees >= start or degrees < end):
                counts[family] += 1
                break
    return {family: count / max(coloured, 1) for family, count in counts.items()}


def slide_hue_shares():
    if not _hue_shares:
        for name in SLIDES:
            _hue_shares[name] = hue_shares(res(name))
    return _hue_shares


class Regeneration(unittest.TestCase):
    def test_tool_rewrites_every_file_byte_for_byte(self):
        with tempfile.TemporaryDirectory() as tmp:
            out_res, out_docs = os.path.join(tmp, "res"), os.path.join(tmp, "docs")
            os.mkdir(out_res)
            os.mkdir(out_docs)
            subprocess.run([TOOL, "--res", out_res, "--docs", out_docs], check=True)
            self.assertEqual(sorted(os.listdir(out_res)), sorted(GENERATED))
            for name in GENERATED:
                self.assertTrue(filecmp.cmp(os.path.join(out_res, name), res(name), shallow=False),
                                "res/%s differs from a fresh run" % name)
            self.assertTrue(filecmp.cmp(os.path.join(out_docs, "contact-sheet.png"),
                                        os.path.join(SOURCE, "docs", "contact-sheet.png"),
                                        shallow=False), "docs/contact-sheet.png differs")

    def test_tool_refuses_a_bad_command_line(self):
        result = subprocess.run([TOOL, "--res"], capture_output=True)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn(b"usage", result.stderr)


class Pictures(unittest.TestCase):
    def test_background_is_a_320x240_565_bmp(self):
        self.assertEqual(bmp_header(res("back.dat")), (320, 240, 16, 3))
        with Image.open(res("back.dat")) as im:
            self.assertEqual((im.format, im.size, im.mode), ("BMP", (320, 240), "RGB"))

    def test_slides_are_128x120_24_bit_bmps(self):
        # 24 bits, so that SDL blends them onto the display with all 8 bits of the fade's
        # alpha: 255 steps, where 5-6-5 onto 5-6-5 keeps 5 bits.
        for name in SLIDES:
            with self.subTest(name):
                self.assertEqual(bmp_header(res(name)), (128, 120, 24, 0))
                with Image.open(res(name)) as im:
                    self.assertEqual((im.format, im.size, im.mode), ("BMP", (128, 120), "RGB"))

    def test_background_is_in_the_displays_565_format(self):
        # The display is 5-6-5: a picture with the same masks is copied as it is.
        width, height, masks, rows = read_565_bmp(res("back.dat"))
        self.assertEqual(masks, (0xF800, 0x07E0, 0x001F))
        self.assertGreater(height, 0)

    def test_slide_channels_keep_off_the_ends_of_their_565_levels(self):
        # Blended at alpha 254 a channel moves by at most one 8-bit unit. Kept one away
        # from both ends of the values the display cuts down to its level, it stays on that
        # level, so the opaque copy at alpha 255 shows the same panel and nothing blinks.
        for name in SLIDES:
            with self.subTest(name):
                edges = 0
                for row in read_24_bit_bmp(res(name))[2]:
                    for r, g, b in row:
                        edges += r & 7 in (0, 7) or g & 3 in (0, 3) or b & 7 in (0, 7)
                self.assertEqual(edges, 0, "pixels with a channel on the edge of its level")

    def test_pil_reads_the_same_colours(self):
        # An independent reader agrees on every pixel: the slides' 24-bit colours exactly,
        # the background's 5-6-5 values (PIL widens the channels its own way, so the
        # comparison keeps only their top bits).
        for name in SLIDES:
            with self.subTest(name), Image.open(res(name)) as im:
                ours = [p for row in read_24_bit_bmp(res(name))[2] for p in row]
                self.assertEqual(ours, list(im.convert("RGB").getdata()))
        with Image.open(res("back.dat")) as im:
            ours = [v for row in read_565_bmp(res("back.dat"))[3] for v in row]
            pil = [narrow_to_565(*p) for p in im.convert("RGB").getdata()]
            self.assertEqual(ours, pil)

    def test_slides_are_all_different_and_none_is_flat(self):
        slides = [as_rgb_image(res(name)) for name in SLIDES]
        for name, im in zip(SLIDES, slides):
            with self.subTest(name):
                self.assertGreater(len(im.getcolors(128 * 120)), 150, "too few colours")
                self.assertGreater(max(ImageStat.Stat(im.convert("L")).stddev), 20, "flat")
        for (a, ia), (b, ib) in itertools.combinations(zip(SLIDES, slides), 2):
            with self.subTest(pair=(a, b)):
                mean_difference = sum(ImageStat.Stat(ImageChops.difference(ia, ib)).mean) / 3
                self.assertGreater(mean_difference, 12)

    def test_no_slide_has_a_blown_band(self):
        # Near white (red and green both at 240 or more) only in highlights and stars.
        for name in SLIDES:
            with self.subTest(name):
                pixels = list(as_rgb_image(res(name)).getdata())
                blown = sum(r >= 240 and g >= 240 for r, g, _ in pixels) / len(pixels)
                self.assertLess(blown, 0.02)

    def test_no_slide_is_all_hard_edges(self):
        # The mean grey step between neighbouring pixels: thin lines of one pixel on black
        # (60 and more) stair-step and beat against the pixel grid when enlarged.
        for name in SLIDES:
            with self.subTest(name):
                grey = as_rgb_image(res(name)).convert("L")
                across = ImageChops.difference(grey.crop((1, 0, 128, 120)),
                                               grey.crop((0, 0, 127, 120)))
                down = ImageChops.difference(grey.crop((0, 1, 128, 120)),
                                             grey.crop((0, 0, 128, 119)))
                edge = ImageStat.Stat(across).mean[0] + ImageStat.Stat(down).mean[0]
                self.assertLess(edge, 45)

    def test_at_most_four_slides_share_the_purple_and_orange_palette(self):
        # On that palette: purples at least a fifth of the coloured pixels, and purples with
        # oranges three quarters.
        on_palette = [name for name, share in slide_hue_shares().items()
                      if share["purple"] >= 1 / 5 and share["purple"] + share["orange"] >= 3 / 4]
        self.assertLessEqual(len(on_palette), 4, on_palette)

    def test_at_most_half_the_slides_are_a_fifth_purple(self):
        purple = [name for name, share in slide_hue_shares().items() if share["purple"] >= 1 / 5]
        self.assertLessEqual(len(purple), len(SLIDES) // 2, purple)

    def test_six_slides_have_palettes_outside_purple_orange_and_teal(self):
        # Outside the background's family: at least half of the coloured pixels red, yellow,
        # green or blue, and next to no purple.
        outside = [name for name, share in slide_hue_shares().items()
                   if share["purple"] + share["orange"] + share["teal"] < 1 / 2
                   and share["purple"] < 1 / 20]
        self.assertGreaterEqual(len(outside), 6, outside)

    def test_scroller_band_area_is_calm_and_mid_dark(self):
        # The scroller's letters (red to yellow) and black shadow pass over x 120-319,
        # y 91-205: that area must be neither black nor bright, and without strong detail.
        with as_rgb_image(res("back.dat")) as im:
            band = im.convert("L").crop((150, 91, 320, 206))
            stat = ImageStat.Stat(band)
            self.assertGreater(stat.mean[0], 25)
            self.assertLess(stat.mean[0], 100)
            self.assertLess(stat.stddev[0], 15)

    def test_slide_panel_is_framed(self):
        # A bright frame surrounds the panel at (10, 110), 128x120.
        with as_rgb_image(res("back.dat")) as im:
            grey = im.convert("L")
            for x, y in [(70, 106), (70, 233), (6, 170), (141, 170)]:
                with self.subTest(at=(x, y)):
                    inside = grey.getpixel((x + (x < 10) * 8 - (x > 137) * 8,
                                            y + (y < 110) * 8 - (y > 229) * 8))
                    self.assertGreater(abs(grey.getpixel((x, y)) - inside), 40)


class Icon(unittest.TestCase):
    def test_icon_directory_holds_nine_classic_entries(self):
        with open(res("intro.ico"), "rb") as f:
            data = f.read()
        reserved, kind, count = struct.unpack_from("<HHH", data, 0)
        self.assertEqual((reserved, kind, count), (0, 1, 9))
        seen, ends = set(), []
        for i in range(count):
            w, h, colours, _, planes, bits, size, offset = struct.unpack_from(
                "<BBBBHHII", data, 6 + 16 * i)
            with self.subTest(entry=i):
                self.assertEqual(w, h)
                self.assertEqual(colours, 16 if bits == 4 else 0)
                self.assertEqual(planes, 1)
                self.assertLessEqual(offset + size, len(data))
                hsize, bw, bh, bplanes, bbits, compression = struct.unpack_from(
                    "<IiiHHI", data, offset)
                self.assertEqual((hsize, bw, bh, bplanes, bbits, compression),
                                 (40, w, 2 * h, 1, bits, 0))
                palette = 4 << bits if bits <= 8 else 0
                xor_row = (w * bits + 31) // 32 * 4
                and_row = (w + 31) // 32 * 4
                self.assertEqual(size, 40 + palette + (xor_row + and_row) * h)
                # AND mask (bottom row first): the rounded tile leaves the top-left corner
                # transparent and covers the centre.
                mask = offset + 40 + palette + xor_row * h
                top_row = data[mask + (h - 1) * and_row: mask + h * and_row]
                centre_row = data[mask + (h // 2) * and_row: mask + (h // 2 + 1) * and_row]
                self.assertTrue(top_row[0] & 0x80)
                self.assertFalse(centre_row[w // 16] & (0x80 >> (w // 2 % 8)))
                if bits <= 8:
                    # Transparent pixels use entry 0, which must be black to leave the
                    # screen unchanged under the mask.
                    self.assertEqual(data[offset + 40: offset + 43], b"\0\0\0")
                    first = data[offset + 40 + palette + (h - 1) * xor_row]
                    self.assertEqual(first >> 4 if bits == 4 else first, 0)
            seen.add((w, bits))
            ends.append((offset, offset + size))
        self.assertEqual(seen, {(s, b) for s in (48, 32, 16) for b in (4, 8, 32)})
        ends.sort()
        for (_, end), (start, _) in zip(ends, ends[1:]):
            self.assertLessEqual(end, start, "entries overlap")

    def test_pil_reads_all_three_sizes_with_transparent_corners(self):
        with Image.open(res("intro.ico")) as im:
            self.assertEqual(im.info["sizes"], {(48, 48), (32, 32), (16, 16)})
            for size in (48, 32, 16):
                with self.subTest(size=size):
                    im.size = (size, size)
                    frame = im.convert("RGBA")
                    self.assertEqual(frame.getpixel((0, 0))[3], 0)
                    self.assertEqual(frame.getpixel((size // 2, size // 2))[3], 255)

    def test_resource_compiler_makes_icon_group_a_with_nine_images(self):
        # The script includes <winver.h>, so windres needs the MinGW compiler as its
        # preprocessor, as in the Windows build.
        windres = shutil.which("i686-w64-mingw32-windres")
        if not windres or not shutil.which("i686-w64-mingw32-gcc"):
            self.skipTest("no i686-w64-mingw32-windres and -gcc (the MinGW cross compiler)")
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "intro.res")
            # The version header the build generates from VERSION.
            with open(os.path.join(tmp, "intro_version.h"), "w") as f:
                f.write("#define INTRO_VERSION_MAJOR 1\n#define INTRO_VERSION_MINOR 2\n"
                        "#define INTRO_VERSION_PATCH 3\n#define INTRO_VERSION_TEXT \"1.2.3\"\n")
            # Run from elsewhere: the script finds the icon beside itself.
            subprocess.run([windres, "-I", tmp, res("intro.rc"), "-O", "res", "-o", out],
                           check=True, cwd=tmp)
            with open(out, "rb") as f:
                data = f.read()
        resources, i = [], 0
        while i < len(data):
            size, header = struct.unpack_from("<II", data, i)
            kind, name = struct.unpack_from("<I", data, i + 8)[0], data[i + 12:i + header]
            # Type and name are ordinals (0xffff, id) or UTF-16 strings.
            type_id = kind >> 16 if kind & 0xffff == 0xffff else None
            name = (struct.unpack_from("<H", name, 2)[0] if name[:2] == b"\xff\xff"
                    else name.decode("utf-16-le").split("\0")[0])
            if size:
                resources.append((type_id, name, data[i + header:i + header + size]))
            i = (i + header + size + 3) & ~3
        icons = [r for r in resources if r[0] == 3]
        groups = [r for r in resources if r[0] == 14]
        self.assertEqual(len(icons), 9)
        self.assertEqual([g[1] for g in groups], ["A"])
        group = groups[0][2]
        self.assertEqual(struct.unpack_from("<HHH", group, 0), (0, 1, 9))
        entries = {struct.unpack_from("<BBBBHHIH", group, 6 + 14 * k)[0:6:5]
                   for k in range(9)}
        self.assertEqual(entries, {(s, b) for s in (48, 32, 16) for b in (4, 8, 32)})

    def test_desktop_icons_are_the_same_art_and_the_large_one_is_drawn_sharp(self):
        with tempfile.TemporaryDirectory() as tmp:
            subprocess.run([TOOL, "--icons", tmp], check=True)
            self.assertEqual(sorted(os.listdir(tmp)),
                             sorted("wavelength-%d.png" % s for s in (16, 32, 48, 256)))
            pngs = {}
            for size in (16, 32, 48, 256):
                with Image.open(os.path.join(tmp, "wavelength-%d.png" % size)) as im:
                    self.assertEqual((im.format, im.size, im.mode), ("PNG", (size, size), "RGBA"))
                    pngs[size] = im.copy()
        # 48, 32 and 16: the Windows icon's 32-bit images, pixel for pixel.
        with Image.open(res("intro.ico")) as ico:
            for size in (48, 32, 16):
                with self.subTest(size=size):
                    ours = ico.ico.getimage((size, size), 32).convert("RGBA")
                    self.assertIsNone(ImageChops.difference(ours, pngs[size]).getbbox())
        # 256 is drawn at its size, not enlarged: along the diagonal the tile's rounded
        # corner goes from clear to opaque within two pixels; 48 pixels enlarged take six.
        alpha = [pngs[256].getpixel((i, i))[3] for i in range(40)]
        self.assertEqual((alpha[0], alpha[-1]), (0, 255))
        self.assertLessEqual(sum(1 for a in alpha if 0 < a < 255), 2)
        # And shrunk to 48 it looks like the 48 drawn at its size.
        shrunk = pngs[256].resize((48, 48), Image.BOX)
        diff = ImageStat.Stat(ImageChops.difference(shrunk, pngs[48])).mean
        self.assertLess(max(diff), 12)

    def test_resource_script_names_icon_group_a(self):
        with open(res("intro.rc")) as f:
            icons = [line.split() for line in f if "ICON" in line.split()]
        self.assertEqual(icons, [["A", "ICON", '"intro.ico"']])


class ContactSheet(unittest.TestCase):
    def test_sheet_shows_the_background_doubled_and_every_slide(self):
        # Layout: background at 2x from (8, 14); slides in a 4x4 grid from (656, 8),
        # 132 pixels apart across and 124 down.
        with Image.open(os.path.join(SOURCE, "docs", "contact-sheet.png")) as sheet:
            self.assertEqual(sheet.format, "PNG")
            sheet = sheet.convert("RGB")
            with as_rgb_image(res("back.dat")) as back:
                doubled = back.resize((640, 480), Image.NEAREST)
                shown = sheet.crop((8, 14, 648, 494))
                self.assertIsNone(ImageChops.difference(doubled, shown).getbbox())
            for i, name in enumerate(SLIDES):
                with self.subTest(name), as_rgb_image(res(name)) as slide:
                    x, y = 656 + (i % 4) * 132, 8 + (i // 4) * 124
                    shown = sheet.crop((x, y, x + 128, y + 120))
                    self.assertIsNone(ImageChops.difference(slide, shown).getbbox())


if __name__ == "__main__":
    TOOL, SOURCE = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
