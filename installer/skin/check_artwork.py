#!/usr/bin/env python3
"""Runs make_artwork.py twice into temporary folders and checks what it wrote, reading the PNG
and ICO files with a reader of its own. Exits 1 with a message on the first failure."""

import os
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
GENERATOR = os.path.join(HERE, "make_artwork.py")

FILES = ["211.png", "212.png", "213.png", "214.png", "215.png", "216.png", "cmpatch.ico"]
SIZES = {"211.png": (352, 387), "212.png": (8, 16), "213.png": (2, 16), "214.png": (8, 16),
         "215.png": (1, 16), "216.png": (1, 16)}

GOLD = (202, 133, 0)
NEAR_BLACK = (12, 0, 0)
BAR_BODY = (30, 21, 0)


class Failure(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Failure(message)


class Image:
    def __init__(self, width, height, pixels):
        self.width, self.height = width, height
        self.pixels = pixels  # rows of (r, g, b, a)

    def at(self, x, y):
        return self.pixels[y][x]


def read_png(data, name):
    """Decodes an 8-bit RGBA, non-interlaced PNG; other kinds are reported as failures."""
    expect(data[:8] == b"\x89PNG\r\n\x1a\n", "%s: no PNG signature" % name)
    pos = 8
    header = None
    idat = b""
    seen_end = False
    while pos < len(data):
        expect(pos + 8 <= len(data), "%s: truncated chunk header" % name)
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        expect(len(body) == length and pos + 12 + length <= len(data),
               "%s: truncated %r chunk" % (name, kind))
        crc = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]
        expect(crc == zlib.crc32(kind + body) & 0xFFFFFFFF, "%s: bad CRC on %r" % (name, kind))
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            seen_end = True
            pos += 12 + length
            break
        pos += 12 + length
    expect(header is not None, "%s: no IHDR" % name)
    expect(seen_end and pos == len(data), "%s: no IEND at the end" % name)
    width, height, depth, colour_type, compression, filter_method, interlace = header
    expect(depth == 8, "%s: bit depth %d, want 8" % (name, depth))
    expect(colour_type == 6, "%s: colour type %d, want 6 (RGBA)" % (name, colour_type))
    expect(compression == 0 and filter_method == 0, "%s: unknown compression/filter" % name)
    expect(interlace == 0, "%s: interlaced" % name)
    raw = zlib.decompress(idat)
    stride = width * 4
    expect(len(raw) == height * (stride + 1),
           "%s: %d bytes of image data, want %d" % (name, len(raw), height * (stride + 1)))
    prev = bytearray(stride)
    rows = []
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        expect(kind <= 4, "%s: row %d has filter type %d" % (name, y, kind))
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = prev[i]
            c = prev[i - 4] if i >= 4 else 0
            if kind == 1:
                pred = a
            elif kind == 2:
                pred = b
            elif kind == 3:
                pred = (a + b) // 2
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else b if pb <= pc else c
            else:
                pred = 0
            line[i] = (line[i] + pred) & 0xFF
        rows.append([tuple(line[x * 4:x * 4 + 4]) for x in range(width)])
        prev = line
    return Image(width, height, rows)


def check_ico(data):
    expect(len(data) >= 6, "cmpatch.ico: too short")
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    expect(reserved == 0 and kind == 1, "cmpatch.ico: not an icon file")
    expect(count == 10, "cmpatch.ico: %d images, want 10" % count)
    want = sorted([(s, b) for s in (16, 32, 48) for b in (4, 8, 32)] + [(256, 32)])
    found = []
    for i in range(count):
        entry = data[6 + 16 * i:6 + 16 * (i + 1)]
        expect(len(entry) == 16, "cmpatch.ico: directory truncated")
        w, h, colours, _, planes, bpp, size, offset = struct.unpack("<BBBBHHII", entry)
        w, h = w or 256, h or 256
        where = "cmpatch.ico image %d (%dx%d, %d bpp)" % (i, w, h, bpp)
        expect(w == h, where + ": not square")
        expect(offset + size <= len(data), where + ": data outside the file")
        blob = data[offset:offset + size]
        if blob[:8] == b"\x89PNG\r\n\x1a\n":
            image = read_png(blob, where)
            expect((image.width, image.height) == (w, h), where + ": PNG size differs")
            expect(bpp == 32, where + ": a PNG entry should say 32 bpp")
        else:
            (hsize, bw, bh, bplanes, bbits, compression, image_size) = struct.unpack(
                "<IiiHHII", blob[:24])
            expect(hsize == 40, where + ": header size %d" % hsize)
            expect((bw, bh) == (w, 2 * h), where + ": DIB is %dx%d" % (bw, bh))
            expect(bplanes == 1 and bbits == bpp, where + ": DIB says %d bpp" % bbits)
            expect(compression == 0, where + ": compressed DIB")
            table = 4 << bpp if bpp <= 8 else 0
            colour_rows = ((w * bpp + 31) // 32) * 4 * h
            mask_rows = ((w + 31) // 32) * 4 * h
            expect(len(blob) == 40 + table + colour_rows + mask_rows,
                   where + ": %d bytes, want %d" % (len(blob), 40 + table + colour_rows +
                                                    mask_rows))
            expect(colours == (16 if bpp == 4 else 0), where + ": colour count %d" % colours)
            mask = blob[40 + table + colour_rows:]
            expect(any(mask) and not all(v == 0xFF for v in mask),
                   where + ": AND mask is all one value")
        expect(planes == 1, where + ": planes %d" % planes)
        found.append((w, bpp))
    expect(sorted(found) == want, "cmpatch.ico: images %s, want %s" % (sorted(found), want))


def rgb(pixel):
    return tuple(pixel[:3])


def check(folder):
    data = {}
    for name in FILES:
        path = os.path.join(folder, name)
        expect(os.path.isfile(path), "%s was not written" % name)
        with open(path, "rb") as f:
            data[name] = f.read()
    images = {}
    for name, size in SIZES.items():
        image = read_png(data[name], name)
        expect((image.width, image.height) == size,
               "%s: %dx%d, want %dx%d" % ((name, image.width, image.height) + size))
        for y, row in enumerate(image.pixels):
            for x, p in enumerate(row):
                expect(p[3] == 255, "%s: alpha %d at (%d, %d)" % (name, p[3], x, y))
        images[name] = image

    for name in ("213.png", "215.png"):
        image = images[name]
        for y, colour in ((0, GOLD), (1, NEAR_BLACK), (14, NEAR_BLACK), (15, GOLD)):
            for x in range(image.width):
                expect(rgb(image.at(x, y)) == colour, "%s: (%d, %d) is %s, want %s" %
                       (name, x, y, rgb(image.at(x, y)), colour))
    for y in range(2, 14):
        for x in range(2):
            expect(rgb(images["213.png"].at(x, y)) == BAR_BODY,
                   "213.png: body at (%d, %d) is not %s" % (x, y, BAR_BODY))
    greens = [rgb(images["215.png"].at(0, y)) for y in range(2, 14)]
    for (r0, g0, b0), (r1, g1, b1) in zip(greens, greens[1:]):
        expect(g0 > r0 and g0 > b0, "215.png: body is not green: %s" % ((r0, g0, b0),))
        expect(g1 <= g0, "215.png: body does not darken downwards")

    left, right = images["212.png"], images["214.png"]
    for y in range(16):
        expect(right.pixels[y] == list(reversed(left.pixels[y])),
               "214.png: row %d is not 212.png mirrored" % y)
    for y in range(16):
        expect(rgb(left.at(0, y)) == GOLD, "212.png: left edge not gold at row %d" % y)
    expect(data["216.png"] == data["215.png"], "216.png differs from 215.png")

    background = images["211.png"]
    for y in (296, 317):
        expect(rgb(background.at(20, y)) == GOLD,
               "211.png: (20, %d) is %s, want gold %s" % (y, rgb(background.at(20, y)), GOLD))

    check_ico(data["cmpatch.ico"])
    return data


def run(folder):
    result = subprocess.run([sys.executable, GENERATOR, folder], capture_output=True, text=True)
    expect(result.returncode == 0, "make_artwork.py failed (%d): %s" %
           (result.returncode, result.stderr.strip()))


def main():
    try:
        with tempfile.TemporaryDirectory() as first, tempfile.TemporaryDirectory() as second:
            run(first)
            one = check(first)
            run(second)
            two = {name: open(os.path.join(second, name), "rb").read() for name in FILES}
            for name in FILES:
                expect(one[name] == two[name], "%s differs between two runs" % name)
            extra = sorted(set(os.listdir(first)) - set(FILES))
            expect(not extra, "unexpected files written: %s" % ", ".join(extra))
    except Failure as failure:
        sys.stderr.write("artwork check FAILED: %s\n" % failure)
        return 1
    print("artwork check passed: %d files, identical on two runs" % len(FILES))
    return 0


if __name__ == "__main__":
    sys.exit(main())
