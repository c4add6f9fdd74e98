#!/usr/bin/env python3
"""Draws the skin of the cmpatch installer window and its icon.

    make_artwork.py OUTDIR

writes into OUTDIR:

    211.png      352 x 387  window background: ember sky over a moor, title band, bar frame
    212.png        8 x 16   left end cap of the progress bar
    213.png        2 x 16   empty middle of the progress bar (stretched)
    214.png        8 x 16   right end cap, 212 mirrored
    215.png        1 x 16   filled part of the progress bar (stretched)
    216.png        1 x 16   same bytes as 215
    cmpatch.ico             ten images: 16, 32, 48 px at 4, 8, 32 bpp and 256 px (PNG)

Everything is drawn here from gradients, lines, discs and a seeded noise, using nothing but the
standard library, so the same script always writes the same bytes.
"""

import math
import os
import struct
import sys
import zlib

# Colours shared with the progress bar frame.
GOLD = (202, 133, 0)
NEAR_BLACK = (12, 0, 0)
BAR_BODY = (30, 21, 0)

BG_W, BG_H = 352, 387

# The progress bar frame: an outer and an inner gold rectangle; the bar (16 rows) fits inside.
FRAME_X0, FRAME_X1 = 9, 342
FRAME_Y0, FRAME_Y1 = 296, 317

# Rows where the buttons sit: only the smooth ground gradient there.
CALM_Y0 = 320


# ---------------------------------------------------------------------------------------------
# PNG writer

def _png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _filter_row(kind, row, prev, bpp):
    n = len(row)
    if kind == 0:
        return bytes(row)
    out = bytearray(n)
    for i in range(n):
        a = row[i - bpp] if i >= bpp else 0
        b = prev[i]
        if kind == 1:
            pred = a
        elif kind == 2:
            pred = b
        elif kind == 3:
            pred = (a + b) >> 1
        else:
            pred = _paeth(a, b, prev[i - bpp] if i >= bpp else 0)
        out[i] = (row[i] - pred) & 0xFF
    return bytes(out)


def _cost(data):
    # Smallest sum of the bytes taken as signed values: the usual pick of a row filter.
    return sum(v if v < 128 else 256 - v for v in data)


def png_bytes(width, height, rgba):
    """rgba: bytes of width*height*4, rows top to bottom. Each row gets the filter that
    leaves the smallest residue."""
    stride = width * 4
    raw = bytearray()
    prev = bytes(stride)
    for y in range(height):
        row = rgba[y * stride:(y + 1) * stride]
        best = None
        for kind in range(5):
            filtered = _filter_row(kind, row, prev, 4)
            cost = _cost(filtered)
            if best is None or cost < best[0]:
                best = (cost, kind, filtered)
        raw.append(best[1])
        raw += best[2]
        prev = row
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _png_chunk(b"IHDR", header) +
            _png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + _png_chunk(b"IEND", b""))


# ---------------------------------------------------------------------------------------------
# Small drawing kit

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def mix(c0, c1, t):
    return (c0[0] + (c1[0] - c0[0]) * t, c0[1] + (c1[1] - c0[1]) * t,
            c0[2] + (c1[2] - c0[2]) * t)


def gradient(stops, x):
    """stops: [(position, colour)] in increasing position."""
    if x <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if x <= p1:
            return mix(c0, c1, (x - p0) / (p1 - p0))
    return stops[-1][1]


class Rng:
    """A 64-bit linear congruential generator: the same numbers on every machine."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFFFFFFFFFF

    def next(self):
        self.state = (self.state * 6364136223846793005 + 1442695040888963407) & 0xFFFFFFFFFFFFFFFF
        return self.state >> 11

    def uniform(self, lo, hi):
        return lo + (hi - lo) * (self.next() / float(1 << 53))


def _hash2(ix, iy, seed):
    h = (ix * 374761393 + iy * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    h ^= h >> 16
    return h / 4294967295.0


def value_noise(x, y, seed):
    ix, iy = math.floor(x), math.floor(y)
    fx, fy = x - ix, y - iy
    sx, sy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
    v00, v10 = _hash2(ix, iy, seed), _hash2(ix + 1, iy, seed)
    v01, v11 = _hash2(ix, iy + 1, seed), _hash2(ix + 1, iy + 1, seed)
    top = v00 + (v10 - v00) * sx
    bottom = v01 + (v11 - v01) * sx
    return top + (bottom - top) * sy


def fbm(x, y, seed, octaves=4):
    total, amp, norm = 0.0, 1.0, 0.0
    for o in range(octaves):
        total += amp * value_noise(x, y, seed + 17 * o)
        norm += amp
        amp *= 0.5
        x, y = x * 2.03, y * 2.03
    return total / norm


def seg_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else clamp(((px - ax) * dx + (py - ay) * dy) / length2)
    ex, ey = px - (ax + t * dx), py - (ay + t * dy)
    return math.sqrt(ex * ex + ey * ey)


class Canvas:
    """RGB in floats 0..255; turned into opaque RGBA bytes at the end."""

    def __init__(self, width, height):
        self.w, self.h = width, height
        self.px = [[(0.0, 0.0, 0.0)] * width for _ in range(height)]

    def get(self, x, y):
        return self.px[y][x]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = (float(c[0]), float(c[1]), float(c[2]))

    def blend(self, x, y, c, a):
        if a <= 0.0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        self.px[y][x] = mix(self.px[y][x], c, min(a, 1.0))

    def add(self, x, y, c, k):
        if k <= 0.0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        r, g, b = self.px[y][x]
        self.px[y][x] = (r + c[0] * k, g + c[1] * k, b + c[2] * k)

    def thick_line(self, ax, ay, bx, by, width, c, alpha=1.0):
        half = width / 2.0
        x0, x1 = int(math.floor(min(ax, bx) - half - 1)), int(math.ceil(max(ax, bx) + half + 1))
        y0, y1 = int(math.floor(min(ay, by) - half - 1)), int(math.ceil(max(ay, by) + half + 1))
        for y in range(max(y0, 0), min(y1 + 1, self.h)):
            for x in range(max(x0, 0), min(x1 + 1, self.w)):
                d = seg_distance(x + 0.5, y + 0.5, ax, ay, bx, by)
                cover = clamp(half + 0.5 - d)
                if cover > 0:
                    self.blend(x, y, c, cover * alpha)

    def rgba(self):
        out = bytearray()
        for row in self.px:
            for r, g, b in row:
                out += bytes((int(clamp(r, 0, 255) + 0.5), int(clamp(g, 0, 255) + 0.5),
                              int(clamp(b, 0, 255) + 0.5), 255))
        return bytes(out)


# ---------------------------------------------------------------------------------------------
# Lettering: strokes on a grid six units tall, drawn as round-ended thick lines.

GLYPHS = {
    "C": (4, [[(4, 1), (3, 0), (1, 0), (0, 1), (0, 5), (1, 6), (3, 6), (4, 5)]]),
    "I": (2, [[(1, 0), (1, 6)], [(0, 0), (2, 0)], [(0, 6), (2, 6)]]),
    "N": (4, [[(0, 6), (0, 0), (4, 6), (4, 0)]]),
    "D": (4, [[(0, 0), (0, 6)], [(0, 0), (3, 0), (4, 1), (4, 5), (3, 6), (0, 6)]]),
    "E": (4, [[(4, 0), (0, 0), (0, 6), (4, 6)], [(0, 3), (3, 3)]]),
    "R": (4, [[(0, 6), (0, 0), (3, 0), (4, 1), (4, 2), (3, 3), (0, 3)], [(2, 3), (4, 6)]]),
    "M": (4, [[(0, 6), (0, 0), (2, 3.4), (4, 0), (4, 6)]]),
    "O": (4, [[(1, 0), (3, 0), (4, 1), (4, 5), (3, 6), (1, 6), (0, 5), (0, 1), (1, 0)]]),
}


def text_segments(text, unit, gap, cx, top):
    widths = [GLYPHS[ch][0] for ch in text]
    total = (sum(widths) + gap * (len(text) - 1)) * unit
    x = cx - total / 2.0
    segments = []
    for ch, width in zip(text, widths):
        for stroke in GLYPHS[ch][1]:
            for (ax, ay), (bx, by) in zip(stroke, stroke[1:]):
                segments.append((x + ax * unit, top + ay * unit, x + bx * unit, top + by * unit))
        x += (width + gap) * unit
    return segments, cx - total / 2.0, cx + total / 2.0


def draw_title(cv, text, cx, top, unit, stroke):
    segments, left, right = text_segments(text, unit, 2.3, cx, top)
    half = stroke / 2.0
    height = 6 * unit
    glow_reach = 7.0
    for y in range(int(top - glow_reach - 2), int(top + height + glow_reach + 4)):
        for x in range(int(left - glow_reach - 2), int(right + glow_reach + 3)):
            px, py = x + 0.5, y + 0.5
            d = shadow = 1e9
            for ax, ay, bx, by in segments:
                if min(ax, bx) - 12 > px or max(ax, bx) + 12 < px:
                    continue
                d = min(d, seg_distance(px, py, ax, ay, bx, by))
                shadow = min(shadow, seg_distance(px - 1.5, py - 2.0, ax, ay, bx, by))
            # A warm haze around the letters, a shadow under them, then the gilded strokes.
            cv.add(x, y, (120, 40, 8), 0.35 * math.exp(-max(d - half, 0.0) / 3.0))
            cv.blend(x, y, (4, 2, 2), 0.85 * clamp(half + 1.5 - shadow))
            cover = clamp(half + 0.5 - d)
            if cover > 0:
                t = clamp((py - top) / height)
                fill = gradient([(0.0, (255, 236, 170)), (0.45, (240, 180, 60)),
                                 (1.0, (170, 96, 10))], t)
                # A thin darker rim keeps the edge crisp against the haze.
                rim = clamp((d - (half - 1.0)) / 1.0)
                cv.blend(x, y, mix(fill, (110, 58, 4), 0.6 * rim), cover)


# ---------------------------------------------------------------------------------------------
# 211.png: the window background

def diamond(cv, cx, cy, r, c, inner=None):
    """A small filled lozenge centred on a pixel; optionally with a dark heart."""
    for dy in range(-r, r + 1):
        for dx in range(-r, r + 1):
            if abs(dx) + abs(dy) <= r:
                cv.set(cx + dx, cy + dy, c)
    if inner is not None and r >= 2:
        cv.set(cx, cy, inner)


def far_ridge(x):
    return (214 + 7 * math.sin(x * 0.021 + 0.7) + 4 * math.sin(x * 0.057 + 2.1) +
            2 * math.sin(x * 0.13 + 0.3))


def near_ridge(x):
    return (246 + 9 * math.sin(x * 0.013 + 2.6) + 4 * math.sin(x * 0.041 + 0.4) +
            1.5 * math.sin(x * 0.11 + 1.9))


def draw_sky(cv):
    sun_x, sun_y, sun_r = 248.0, 214.0, 30.0
    for y in range(BG_H):
        base = gradient([(0, (9, 7, 12)), (70, (16, 10, 15)), (150, (40, 17, 16)),
                         (200, (104, 40, 16)), (222, (150, 62, 20))], y)
        for x in range(BG_W):
            r, g, b = base
            # Glow of the low ember sun.
            dx, dy = x + 0.5 - sun_x, (y + 0.5 - sun_y) * 1.25
            dist = math.sqrt(dx * dx + dy * dy)
            glow = math.exp(-max(dist - sun_r, 0.0) / 55.0) * 0.55
            r, g, b = r + 170 * glow, g + 62 * glow, b + 14 * glow
            disc = clamp(sun_r + 0.5 - dist)
            if disc > 0:
                sun = gradient([(0, (255, 196, 110)), (sun_r, (235, 110, 30))], dist)
                r, g, b = mix((r, g, b), sun, disc * 0.92)
            # Drifting smoke: dark streaks, lit from below near the horizon.
            if y < 212:
                n = fbm(x / 70.0, y / 14.0, 11)
                amount = smoothstep(0.48, 0.72, n) * smoothstep(30, 120, y) * 0.7
                lit = smoothstep(120, 205, y)
                smoke = mix((14, 9, 12), (70, 28, 16), lit)
                r, g, b = mix((r, g, b), smoke, amount)
            cv.px[y][x] = (r, g, b)


def draw_stars(cv, rng):
    for _ in range(26):
        x, y = int(rng.uniform(4, BG_W - 4)), int(rng.uniform(4, 130))
        if 14 <= y <= 84:
            continue
        k = rng.uniform(0.15, 0.45)
        cv.add(x, y, (200, 180, 170), k)


def draw_land(cv):
    for x in range(BG_W):
        fx = x + 0.5
        far = far_ridge(fx)
        near = near_ridge(fx)
        for y in range(int(far) - 1, BG_H):
            py = y + 0.5
            # The far moor: hazy, warm from the sun behind it.
            a = clamp(py - far + 0.5)
            if a > 0:
                haze = gradient([(0, (62, 26, 18)), (30, (36, 16, 14))], py - far)
                cv.blend(x, y, haze, a)
            # The near moor, darker, fading to charcoal at the bottom of the window.
            a = clamp(py - near + 0.5)
            if a > 0:
                ground = gradient([(0, (26, 14, 12)), (40, (17, 10, 10)), (120, (11, 8, 8)),
                                   (141, (9, 7, 7))], py - near)
                if y < CALM_Y0 - 6:
                    # Heather texture, only on the upper slopes, away from the buttons.
                    n = fbm(fx / 9.0, py / 3.0, 29, 3) - 0.5
                    k = 1.0 + 0.35 * n * (1.0 - smoothstep(270, CALM_Y0 - 6, py))
                    ground = (ground[0] * k, ground[1] * k, ground[2] * k)
                cv.blend(x, y, ground, a)
                # Ember light catching the crest of the near ridge.
                rim = math.exp(-(py - near) / 1.6) * a
                cv.add(x, y, (120, 46, 12), 0.45 * rim * smoothstep(80, 300, fx))


def draw_tree(cv, x, y, angle, length, width, depth, rng, colour):
    x2 = x + math.cos(angle) * length
    y2 = y - math.sin(angle) * length
    cv.thick_line(x, y, x2, y2, width, colour)
    if depth == 0:
        return
    for spread in (-0.5, 0.42):
        draw_tree(cv, x2, y2, angle + spread + rng.uniform(-0.18, 0.18),
                  length * rng.uniform(0.62, 0.76), max(width * 0.66, 0.8), depth - 1, rng,
                  colour)


def draw_stones(cv):
    # A broken ring of standing stones on the far ridge.
    colour = (30, 15, 14)
    for cx, w, h, lean in ((150, 5, 15, 0.5), (161, 4, 11, -0.4), (175, 6, 17, 0.2),
                           (189, 4, 9, 0.6), (196, 7, 4, 0.0)):
        base = far_ridge(cx) + 3
        for y in range(int(base - h) - 1, int(base) + 1):
            for x in range(cx - w - 2, cx + w + 3):
                t = clamp((base - (y + 0.5)) / h)
                half = w / 2.0 * (1.0 - 0.25 * t)
                centre = cx + lean * t * 2.0
                top = base - h + 1.5 * math.sin(cx + (x - cx) * 0.6)
                a = clamp(half + 0.5 - abs(x + 0.5 - centre)) * clamp(y + 0.5 - top + 0.5)
                cv.blend(x, y, colour, a)


def draw_embers(cv, rng):
    placed = 0
    while placed < 46:
        x, y = rng.uniform(6, BG_W - 6), rng.uniform(95, 288)
        r = rng.uniform(0.5, 1.5)
        heat = rng.uniform(0.55, 1.0)
        # Keep the title, the bar frame and everything below it clear.
        if y > FRAME_Y0 - 12 or 14 < y < 88:
            continue
        # Fewer of them high in the sky: they rise from the moor and die out.
        if rng.uniform(0, 1) > smoothstep(80, 250, y) + 0.15:
            continue
        placed += 1
        reach = int(r * 6 + 3)
        for yy in range(int(y) - reach, int(y) + reach + 1):
            for xx in range(int(x) - reach, int(x) + reach + 1):
                d = math.hypot(xx + 0.5 - x, yy + 0.5 - y)
                core = clamp(r + 0.5 - d)
                halo = math.exp(-d / (r * 1.8)) * 0.5
                cv.add(xx, yy, (255, 120, 30), halo * heat)
                cv.blend(xx, yy, mix((255, 150, 50), (255, 230, 170), heat - 0.5), core * heat)


def draw_title_band(cv):
    top, bottom = 18, 80
    for y in range(top, bottom + 1):
        for x in range(BG_W):
            edge = smoothstep(0, 70, x) * smoothstep(0, 70, BG_W - 1 - x)
            cv.blend(x, y, (6, 4, 6), 0.62 * edge)
    for y, strength in ((top, 1.0), (top + 3, 0.45), (bottom, 1.0), (bottom - 3, 0.45)):
        for x in range(BG_W):
            edge = smoothstep(8, 90, x) * smoothstep(8, 90, BG_W - 1 - x)
            cv.blend(x, y, GOLD, strength * edge)
    # Lozenges at the middle of both rules.
    for y in (top, bottom):
        diamond(cv, 175, y, 3, GOLD, (60, 30, 0))
        diamond(cv, 176, y, 3, GOLD, (60, 30, 0))
    draw_title(cv, "CINDERMOOR", 176.0, 32.0, 4.4, 3.3)


def draw_vignette(cv):
    for y in range(BG_H):
        for x in range(BG_W):
            dx = (x + 0.5 - BG_W / 2) / (BG_W / 2)
            dy = (y + 0.5 - BG_H * 0.45) / (BG_H * 0.6)
            k = 1.0 - 0.38 * smoothstep(0.55, 1.45, math.sqrt(dx * dx + dy * dy))
            r, g, b = cv.px[y][x]
            cv.px[y][x] = (r * k, g * k, b * k)


def draw_bar_frame(cv):
    # A soft shadow so the frame sits on the moor.
    for y in range(FRAME_Y0 - 6, FRAME_Y1 + 7):
        for x in range(FRAME_X0 - 6, FRAME_X1 + 7):
            dx = max(FRAME_X0 - x, x - FRAME_X1, 0)
            dy = max(FRAME_Y0 - y, y - FRAME_Y1, 0)
            cv.blend(x, y, (0, 0, 0), 0.55 * (1.0 - smoothstep(0, 6, math.hypot(dx, dy))))
    # The gap between the two rules, and the well where the bar goes.
    for y in range(FRAME_Y0, FRAME_Y1 + 1):
        for x in range(FRAME_X0, FRAME_X1 + 1):
            cv.set(x, y, (24, 14, 6))
    for y in range(FRAME_Y0 + 3, FRAME_Y1 - 2):
        for x in range(FRAME_X0 + 3, FRAME_X1 - 2):
            cv.set(x, y, (8, 5, 4))
    # Outer and inner gold rules.
    for inset in (0, 2):
        x0, x1, y0, y1 = FRAME_X0 + inset, FRAME_X1 - inset, FRAME_Y0 + inset, FRAME_Y1 - inset
        for x in range(x0, x1 + 1):
            cv.set(x, y0, GOLD)
            cv.set(x, y1, GOLD)
        for y in range(y0, y1 + 1):
            cv.set(x0, y, GOLD)
            cv.set(x1, y, GOLD)
    # Corner ornaments: a lozenge on each corner with a dark heart, and short spurs outwards.
    light = (246, 196, 92)
    for cx, sx in ((FRAME_X0, -1), (FRAME_X1, 1)):
        for cy, sy in ((FRAME_Y0, -1), (FRAME_Y1, 1)):
            diamond(cv, cx, cy, 3, GOLD, (40, 20, 0))
            for k in (4, 5):
                cv.set(cx + sx * k, cy, GOLD)
                cv.set(cx, cy + sy * k, GOLD)
    # A lozenge on the middle of each long rule.
    for cy in (FRAME_Y0, FRAME_Y1):
        for cx in (175, 176):
            diamond(cv, cx, cy, 2, GOLD)
        cv.set(175, cy, light)
        cv.set(176, cy, light)


def background():
    cv = Canvas(BG_W, BG_H)
    rng = Rng(0x43494E444552)
    draw_sky(cv)
    draw_stars(cv, rng)
    draw_land(cv)
    draw_stones(cv)
    tree_colour = (14, 9, 9)
    draw_tree(cv, 58.0, near_ridge(58.0) + 2, math.pi / 2 + 0.08, 21.0, 3.4, 5, rng, tree_colour)
    draw_tree(cv, 318.0, near_ridge(318.0) + 2, math.pi / 2 - 0.12, 12.0, 2.2, 4, rng,
              tree_colour)
    draw_embers(cv, rng)
    draw_title_band(cv)
    draw_vignette(cv)
    draw_bar_frame(cv)
    return cv


# ---------------------------------------------------------------------------------------------
# 212 .. 216: the progress bar pieces

def bar_column_border(y):
    if y in (0, 15):
        return GOLD
    if y in (1, 14):
        return NEAR_BLACK
    return None


def left_cap():
    cv = Canvas(8, 16)
    for y in range(16):
        for x in range(8):
            cv.set(x, y, bar_column_border(y) or BAR_BODY)
        cv.set(1, y, bar_column_border(y) or NEAR_BLACK)
        cv.set(0, y, GOLD)
    for x, y in ((4, 6), (3, 7), (4, 7), (5, 7), (3, 8), (4, 8), (5, 8), (4, 9)):
        cv.set(x, y, GOLD)
    return cv


def mirrored(cv):
    out = Canvas(cv.w, cv.h)
    for y in range(cv.h):
        out.px[y] = list(reversed(cv.px[y]))
    return out


def empty_body():
    cv = Canvas(2, 16)
    for y in range(16):
        for x in range(2):
            cv.set(x, y, bar_column_border(y) or BAR_BODY)
    return cv


def filled_body():
    cv = Canvas(1, 16)
    for y in range(16):
        cv.set(0, y, bar_column_border(y) or
               gradient([(2, (150, 232, 104)), (13, (24, 112, 22))], y))
    return cv


# ---------------------------------------------------------------------------------------------
# cmpatch.ico: an ember flame on a dark disc with a gold rim

def _flame_inside(x, y, top, bottom, half_width, lean):
    if y < top or y > bottom:
        return False
    s = (y - top) / (bottom - top)
    width = half_width * (s ** 0.85) * math.sqrt(max(0.0, 1.0 - s ** 5))
    centre = 0.5 + lean * (1.0 - s) ** 2
    return abs(x - centre) < width


def emblem(x, y):
    """Colour and alpha of the emblem at (x, y), both in 0..1 across the image."""
    dx, dy = x - 0.5, y - 0.5
    r = math.sqrt(dx * dx + dy * dy)
    if r > 0.46:
        return (0.0, 0.0, 0.0, 0.0)
    if r > 0.395:
        # Gold rim, lit from the upper left.
        t = clamp(0.5 - (dx + dy) * 1.1)
        return mix((150, 88, 0), (250, 196, 80), t) + (1.0,)
    if r > 0.38:
        return (30, 14, 4, 1.0)
    base = mix((58, 24, 16), (20, 10, 12), clamp(r / 0.38))
    glow = math.exp(-((dx * dx + (y - 0.66) ** 2) / 0.03))
    colour = mix(base, (150, 52, 12), 0.55 * glow)
    # The outer flame with a tongue on either side, then the hotter layers inside it.
    if (_flame_inside(x, y, 0.16, 0.82, 0.24, 0.07) or
            _flame_inside(x + 0.12, y, 0.36, 0.76, 0.13, -0.07) or
            _flame_inside(x - 0.12, y, 0.44, 0.78, 0.11, 0.06)):
        colour = mix((205, 60, 10), (240, 110, 20), clamp((y - 0.16) / 0.6))
    if _flame_inside(x, y, 0.33, 0.79, 0.155, -0.05):
        colour = (255, 168, 40)
    if _flame_inside(x, y, 0.52, 0.76, 0.085, 0.02):
        colour = (255, 236, 150)
    return tuple(colour) + (1.0,)


def render_emblem(size):
    """RGBA bytes, rows top to bottom; each pixel is the mean of a grid of samples."""
    n = 4 if size < 128 else 2
    out = bytearray()
    for py in range(size):
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = emblem((px + (sx + 0.5) / n) / size,
                                        (py + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / (n * n)
            if a > 0:
                rgb = [int(clamp(c / acc[3], 0, 255) + 0.5) for c in acc[:3]]
            else:
                rgb = [0, 0, 0]
            out += bytes(rgb + [int(a * 255 + 0.5)])
    return bytes(out)


def median_cut(colours, count):
    """A palette of at most `count` colours from a list of (r, g, b), deterministic."""

    def box(members):
        spread, axis = -1.0, 0
        for i in range(3):
            values = [c[i] for c in members]
            s = (max(values) - min(values)) * math.sqrt(len(members))
            if s > spread:
                spread, axis = s, i
        return (spread, axis, members)

    boxes = [box(sorted(colours))]
    while len(boxes) < count:
        best = max(range(len(boxes)), key=lambda i: (boxes[i][0], -i))
        spread, axis, members = boxes[best]
        if spread <= 0 or len(members) < 2:
            break
        members = sorted(members, key=lambda c: (c[axis], c))
        half = len(members) // 2
        boxes[best:best + 1] = [box(members[:half]), box(members[half:])]
    palette = []
    for _, _, members in boxes:
        palette.append(tuple(int(sum(c[i] for c in members) / len(members) + 0.5)
                             for i in range(3)))
    return palette


def nearest(palette, c):
    best, best_d = 0, None
    for i, p in enumerate(palette):
        d = (p[0] - c[0]) ** 2 * 3 + (p[1] - c[1]) ** 2 * 4 + (p[2] - c[2]) ** 2 * 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def dib_entry(size, rgba, bpp, palette):
    """A BITMAPINFOHEADER image with its colour table, colour rows and AND mask, bottom up."""
    colour_rows = []
    mask_rows = []
    cache = {}
    for y in range(size):
        row_bits = []
        mask_bits = []
        for x in range(size):
            r, g, b, a = rgba[(y * size + x) * 4:(y * size + x) * 4 + 4]
            transparent = a < 128
            mask_bits.append(1 if (transparent if bpp != 32 else a == 0) else 0)
            if bpp == 32:
                row_bits.append(bytes((b, g, r, a)))
            else:
                key = (r, g, b)
                if transparent:
                    index = 0
                else:
                    if key not in cache:
                        cache[key] = nearest(palette, key)
                    index = cache[key]
                row_bits.append(index)
        if bpp == 32:
            row = b"".join(row_bits)
        elif bpp == 8:
            row = bytes(row_bits)
        else:
            row = bytes((row_bits[i] << 4) | (row_bits[i + 1] if i + 1 < size else 0)
                        for i in range(0, size, 2))
        colour_rows.append(row + bytes(-len(row) % 4))
        mask = bytearray((size + 7) // 8)
        for x, bit in enumerate(mask_bits):
            if bit:
                mask[x // 8] |= 0x80 >> (x % 8)
        mask_rows.append(bytes(mask) + bytes(-len(mask) % 4))
    table = b""
    if bpp != 32:
        entries = list(palette) + [(0, 0, 0)] * ((1 << bpp) - len(palette))
        table = b"".join(bytes((b, g, r, 0)) for r, g, b in entries)
    body = b"".join(reversed(colour_rows)) + b"".join(reversed(mask_rows))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, len(body), 0, 0, 0, 0)
    return header + table + body


def icon():
    large = render_emblem(256)
    opaque = [tuple(large[i:i + 3]) for i in range(0, len(large), 4) if large[i + 3] >= 128]
    # Index 0 stays black: it is what the transparent pixels carry under the AND mask.
    palettes = {4: [(0, 0, 0)] + median_cut(opaque, 15), 8: [(0, 0, 0)] + median_cut(opaque, 255)}
    images = []
    for bpp in (4, 8, 32):
        for size in (16, 32, 48):
            images.append((size, bpp, dib_entry(size, render_emblem(size), bpp,
                                                palettes.get(bpp))))
    images.append((256, 32, png_bytes(256, 256, large)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, bpp, blob in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bpp == 4 else 0, 0,
                                 1, bpp, len(blob), offset + len(data))
        data += blob
    return directory + data


# ---------------------------------------------------------------------------------------------

def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_artwork.py OUTDIR\n")
        return 2
    folder = argv[1]
    os.makedirs(folder, exist_ok=True)

    def png(cv):
        return png_bytes(cv.w, cv.h, cv.rgba())

    write(folder, "211.png", png(background()))
    cap = left_cap()
    write(folder, "212.png", png(cap))
    write(folder, "213.png", png(empty_body()))
    write(folder, "214.png", png(mirrored(cap)))
    fill = png(filled_body())
    write(folder, "215.png", fill)
    write(folder, "216.png", fill)
    write(folder, "cmpatch.ico", icon())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
