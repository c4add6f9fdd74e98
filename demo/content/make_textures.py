#!/usr/bin/python3
"""Draws the demo game's four textures, as the English game has them and as the patch has them.

    make_textures.py OUTDIR

writes, for each texture NAME, OUTDIR/game/NAME.png and OUTDIR/patch/NAME.png: the picture as
drawn, as a translator edits it. The texture's image data in its own format, with its mip levels,
is made of the picture by the kit's encoder (cmkit encode and pack, and the demo game's maker).

    LoadingScreen_Ashfall     1920 x 1080  DXT1    full mip chain  dusk over the burning moor
    LoadingScreen_Moorlight   1920 x 1080  DXT5    full mip chain  moonlit moor, a campfire
    UIAtlas                   2048 x 2048  ARGB32  one level       logo, windows, buttons, icons
    LoadingScreen_Hearth      1920 x 1080  RGB24   full mip chain  a peat-cutter's cottage

The English and the patch's versions differ in their lettering only. The Hearth carries a heavier
film grain than the others: it is what brings the install archive to about 8 MB, as a real patch's
photographic textures would. Drawing uses Pillow; every random number comes from seeded
generators, so the same script always writes the same bytes.
"""

import math
import os
import random
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

# The installer's skin generator holds the drawing helpers and the gold both share.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "installer", "skin"))
from make_artwork import GOLD, gradient, mix, smoothstep  # noqa: E402

BOX = Image.Resampling.BOX
BICUBIC = Image.Resampling.BICUBIC

DEJAVU = "/usr/share/fonts/truetype/dejavu/"
FACES = {
    "title": (DEJAVU + "DejaVuSerif-Bold.ttf", 0),
    "latin": (DEJAVU + "DejaVuSerif.ttf", 0),
    "sans": (DEJAVU + "DejaVuSans-Bold.ttf", 0),
    "kai": ("/usr/share/fonts/truetype/arphic/ukai.ttc", 0),
    "hei": ("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", 0),
}

# What each version writes: the game's name, each scene's subtitle, the caption under the bar, the
# atlas' captions.
WORDS = {
    "game": {
        "title": "CINDERMOOR", "Ashfall": "ASHFALL", "Moorlight": "MOORLIGHT",
        "Hearth": "THE HEARTH", "loading": "Loading...",
        "buttons": ["New Game", "Continue", "Options", "Quit"],
        "windows": ["Satchel", "Moor Map", "Forge"], "craft": "Forge it",
        "labels": ["Weight", "Embers", "Legend"], "hud": ["Health", "Warmth", "Embers"],
    },
    "patch": {
        "title": "烬沼", "Ashfall": "灰烬飘落", "Moorlight": "沼上月光",
        "Hearth": "炉火人家", "loading": "载入中……",
        "buttons": ["新游戏", "继续", "选项", "退出"],
        "windows": ["背包", "荒原地图", "锻炉"], "craft": "锻造",
        "labels": ["负重", "余烬", "图例"], "hud": ["生命", "体温", "余烬"],
    },
}

# The pictures and their sizes; the formats and mip levels are the demo game's (demo/DemoGame.h).
TEXTURES = [
    ("LoadingScreen_Ashfall", 1920, 1080),
    ("LoadingScreen_Moorlight", 1920, 1080),
    ("UIAtlas", 2048, 2048),
    ("LoadingScreen_Hearth", 1920, 1080),
]


# ---------------------------------------------------------------------------------------------
# Drawing kit: RGBA canvases, masks in L images, layers put on with alpha compositing.

def face(kind, size):
    path, index = FACES[kind]
    return ImageFont.truetype(path, size, index=index)


def latin(text):
    return all(ord(c) < 0x80 for c in text)


def rgb(c):
    return tuple(int(max(0.0, min(255.0, v)) + 0.5) for v in c)


def vertical(w, h, stops):
    """stops: [(position 0..1, colour)]."""
    column = Image.new("RGB", (1, h))
    column.putdata([rgb(gradient(stops, (y + 0.5) / h)) for y in range(h)])
    return column.resize((w, h), Image.Resampling.NEAREST).convert("RGBA")


def scaled(mask, k):
    return mask.point(lambda v: int(v * k + 0.5))


def over(img, colour, mask, k=1.0):
    layer = Image.new("RGBA", img.size, rgb(colour) + (255,))
    layer.putalpha(mask if k == 1.0 else scaled(mask, k))
    img.alpha_composite(layer)


def over_image(img, picture, mask):
    layer = picture.convert("RGBA")
    layer.putalpha(mask)
    img.alpha_composite(layer)


def add_light(img, colour, mask, k=1.0):
    """Light added onto the picture (glows, embers): brightens, never darkens."""
    light = ImageChops.multiply(Image.new("RGB", img.size, rgb(colour)),
                                scaled(mask, k).convert("RGB"))
    lit = ImageChops.add(img.convert("RGB"), light).convert("RGBA")
    lit.putalpha(img.getchannel("A"))
    img.paste(lit)


def shape(size, draw, ss=2):
    """A mask drawn at ss times the size and boxed down: smooth edges."""
    big = Image.new("L", (size[0] * ss, size[1] * ss), 0)
    draw(ImageDraw.Draw(big), ss)
    return big.resize(size, BOX)


def noise(size, cells, seed, octaves=4):
    """Fractal value noise in an L image: smooth random bumps, about `cells` across."""
    r = random.Random(seed)
    w, h = size
    acc, total = None, 0.0
    for o in range(octaves):
        cx = cells * 2 ** o
        cy = max(1, round(cx * h / w))
        small = Image.frombytes("L", (cx + 3, cy + 3), r.randbytes((cx + 3) * (cy + 3)))
        layer = small.resize(size, BICUBIC, box=(1, 1, cx + 1, cy + 1))
        amp = 0.5 ** o
        total += amp
        acc = layer if acc is None else Image.blend(acc, layer, amp / total)
    lo, hi = acc.getextrema()
    return acc.point(lambda v: int(255 * (v - lo) / max(hi - lo, 1)))


def ramp(mask, lo, hi):
    """Values below lo become 0, above hi 255, smoothly between."""
    return mask.point(lambda v: int(255 * smoothstep(lo, hi, v) + 0.5))


def grain(img, amount, seed):
    w, h = img.size
    r = random.Random(seed)
    speckle = Image.frombytes("L", (w, h), r.randbytes(w * h))
    bright = speckle.point(lambda v: max(0, v - 128) * amount // 128)
    dark = speckle.point(lambda v: max(0, 127 - v) * amount // 128)
    body = ImageChops.subtract(ImageChops.add(img.convert("RGB"), bright.convert("RGB")),
                               dark.convert("RGB")).convert("RGBA")
    body.putalpha(img.getchannel("A"))
    img.paste(body)


def vignette(img, strength):
    w, h = img.size
    radial = Image.radial_gradient("L").resize((w, h), BICUBIC)
    over(img, (0, 0, 0), ramp(radial, 130, 255), strength)


def tracked(draw, xy, text, font, tracking, fill=255):
    """Text centred on xy, its letters spread by `tracking` pixels."""
    widths = [font.getlength(c) for c in text]
    total = sum(widths) + tracking * (len(text) - 1)
    x = xy[0] - total / 2.0
    for c, width in zip(text, widths):
        draw.text((x, xy[1]), c, font=font, fill=fill, anchor="lm")
        x += width + tracking
    return total


def lettering(img, text, kind, size, centre, tracking=0, glow=(150, 52, 12), shadow=True,
              fill=((0.0, (255, 236, 170)), (0.45, (240, 180, 60)), (1.0, (170, 96, 10)))):
    """Gilded letters with a warm haze and a shadow, centred on `centre`."""
    mask = Image.new("L", img.size, 0)
    width = tracked(ImageDraw.Draw(mask), centre, text, face(kind, size), tracking)
    if glow is not None:
        over(img, glow, mask.filter(ImageFilter.GaussianBlur(size / 6.0)), 0.8)
    if shadow:
        over(img, (4, 2, 2), ImageChops.offset(mask, max(2, size // 40), max(2, size // 30))
             .filter(ImageFilter.GaussianBlur(size / 40.0)), 0.85)
    top, bottom = centre[1] - size * 0.55, centre[1] + size * 0.55
    ink = Image.new("RGBA", img.size, (0, 0, 0, 0))
    band = vertical(img.size[0], int(bottom - top) + 1, list(fill))
    ink.paste(band, (0, int(top)))
    over_image(img, ink, mask)
    return width


def lozenge(draw, cx, cy, r, fill):
    draw.polygon([(cx - r, cy), (cx, cy - r), (cx + r, cy), (cx, cy + r)], fill=fill)


def rule(img, y0, x0, x1, thickness, colour, k=1.0):
    """A gold rule that fades out towards both ends."""
    w, h = img.size
    across = Image.new("L", (w, 1))
    across.putdata([int(255 * smoothstep(x0, x0 + (x1 - x0) * 0.25, x) *
                        smoothstep(x1, x1 - (x1 - x0) * 0.25, x)) for x in range(w)])
    mask = Image.new("L", (w, h), 0)
    mask.paste(across.resize((w, thickness)), (0, int(y0)))
    over(img, colour, mask, k)


# ---------------------------------------------------------------------------------------------
# Loading screens

SCENES = {
    "Ashfall": {
        "sky": [(0.0, (14, 10, 16)), (0.25, (34, 16, 18)), (0.5, (98, 38, 18)),
                (0.62, (172, 70, 22)), (0.7, (206, 104, 40))],
        "sun": (0.64, 0.6, 0.05, (255, 196, 110), (235, 110, 30)),
        "glow": (200, 80, 20),
        "smoke": ((20, 12, 14), (90, 36, 20)),
        "far": (70, 30, 22), "mid": (40, 18, 16), "near": (18, 11, 11),
        "embers": 260, "ember": (255, 130, 40), "ash": 1600, "stars": 0,
        "grain": 10, "seed": 1,
    },
    "Moorlight": {
        "sky": [(0.0, (6, 8, 22)), (0.3, (14, 20, 48)), (0.55, (36, 44, 82)),
                (0.66, (70, 72, 104)), (0.72, (96, 88, 110))],
        "sun": (0.8, 0.4, 0.04, (246, 244, 226), (200, 204, 214)),
        "glow": (90, 100, 150),
        "smoke": ((10, 12, 26), (60, 64, 96)),
        "far": (44, 48, 74), "mid": (24, 28, 46), "near": (10, 12, 20),
        "embers": 140, "ember": (255, 150, 60), "ash": 0, "stars": 700,
        "grain": 10, "seed": 2,
    },
    "Hearth": {
        "sky": [(0.0, (16, 12, 26)), (0.3, (40, 26, 44)), (0.55, (112, 58, 54)),
                (0.66, (180, 96, 60)), (0.72, (214, 136, 78))],
        "sun": (0.8, 0.66, 0.035, (255, 214, 150), (240, 140, 60)),
        "glow": (190, 96, 40),
        "smoke": ((26, 18, 28), (110, 60, 44)),
        "far": (84, 44, 42), "mid": (46, 26, 28), "near": (20, 13, 14),
        "embers": 180, "ember": (255, 160, 60), "ash": 0, "stars": 120,
        "grain": 22, "seed": 3,
    },
}


def ridge(w, base, waves, seed):
    """Heights of a ridge line, one a column: a few long waves and some rough noise."""
    r = random.Random(seed)
    phases = [r.uniform(0, 2 * math.pi) for _ in waves]
    rough = [r.uniform(-1, 1) for _ in range(w // 8 + 3)]
    heights = []
    for x in range(w):
        y = base + sum(a * math.sin(x * f + p) for (a, f), p in zip(waves, phases))
        i, t = divmod(x / 8.0, 1.0)
        i = int(i)
        y += 3.0 * (rough[i] + (rough[i + 1] - rough[i]) * t)
        heights.append(y)
    return heights


def land_mask(size, heights):
    w, h = size

    def draw(d, ss):
        points = [(x * ss, y * ss) for x, y in enumerate(heights)]
        d.polygon(points + [(w * ss, h * ss), (0, h * ss)], fill=255)
    return shape(size, draw)


def branch(d, ss, x, y, angle, length, width, depth, r):
    x2, y2 = x + math.cos(angle) * length, y - math.sin(angle) * length
    d.line([(x * ss, y * ss), (x2 * ss, y2 * ss)], fill=255, width=max(1, int(width * ss)))
    if depth > 0:
        for spread in (-0.5, 0.42):
            branch(d, ss, x2, y2, angle + spread + r.uniform(-0.2, 0.2),
                   length * r.uniform(0.62, 0.78), max(width * 0.66, 0.7), depth - 1, r)


def scene_details(size, name, near, far, s, r):
    """The silhouettes in front of the far ridge: stones, trees, the cottage; then the cottage's
    lit panes and the top of its chimney, if it has one."""
    w, h = size
    windows, chimney = [], None

    def draw(d, ss):
        nonlocal chimney
        if name in ("Ashfall", "Moorlight"):
            # A broken ring of standing stones on the far ridge.
            x0 = w * (0.34 if name == "Ashfall" else 0.58)
            for i, (dx, sw, sh, lean) in enumerate(((0, 16, 58, 3), (40, 12, 42, -2),
                                                      (86, 20, 66, 1), (130, 13, 34, 4),
                                                      (160, 24, 14, 0))):
                cx = x0 + dx * s
                base = far[int(cx)] + 8 * s
                top = base - sh * s
                d.polygon([((cx - sw * s / 2) * ss, base * ss), ((cx + sw * s / 2) * ss, base * ss),
                           ((cx + sw * s * 0.38 + lean * s) * ss, top * ss),
                           ((cx - sw * s * 0.38 + lean * s) * ss, (top + 4 * s) * ss)], fill=255)
        for tx, height, depth in ((0.08, 150, 6), (0.93, 90, 5)) if name != "Hearth" else \
                ((0.9, 120, 6),):
            x = w * tx
            branch(d, ss, x, near[int(x)] + 6 * s, math.pi / 2 + r.uniform(-0.1, 0.1),
                   height * s * 0.42, 14 * s, depth, r)
        if name == "Hearth":
            # The cottage: walls, a roof of turf, the chimney, peat stacked by the door.
            cx, base = w * 0.36, near[int(w * 0.36)] + 30 * s
            hw, wall, roof = 150 * s, 120 * s, 110 * s
            d.polygon([((cx - hw) * ss, base * ss), ((cx + hw) * ss, base * ss),
                       ((cx + hw) * ss, (base - wall) * ss), ((cx + hw + 22 * s) * ss,
                                                              (base - wall) * ss),
                       (cx * ss, (base - wall - roof) * ss),
                       ((cx - hw - 22 * s) * ss, (base - wall) * ss),
                       ((cx - hw) * ss, (base - wall) * ss)], fill=255)
            d.rectangle([(cx + 60 * s) * ss, (base - wall - roof * 1.05) * ss,
                         (cx + 90 * s) * ss, (base - wall - roof * 0.4) * ss], fill=255)
            for i in range(5):
                d.rectangle([(cx + hw + 20 * s + i * 18 * s) * ss, (base - (5 - i) * 14 * s) * ss,
                             (cx + hw + 36 * s + i * 18 * s) * ss, base * ss], fill=255)
            windows.extend([(cx - 100 * s, base - 84 * s, cx - 50 * s, base - 40 * s),
                            (cx + 50 * s, base - 84 * s, cx + 100 * s, base - 40 * s),
                            (cx - 18 * s, base - 90 * s, cx + 18 * s, base)])
            chimney = (cx + 75 * s, base - wall - roof * 1.05)
    return shape(size, draw), windows, chimney


def embers(img, count, colour, r, top, bottom, s):
    w, h = img.size
    cores = Image.new("L", img.size, 0)
    d = ImageDraw.Draw(cores)
    for _ in range(count):
        x, y = r.uniform(0, w), r.uniform(top, bottom)
        # They rise from the moor and die out higher up.
        if r.random() > smoothstep(top, bottom, y) + 0.12:
            continue
        radius = r.uniform(0.8, 2.6) * s
        heat = r.randint(140, 255)
        if r.random() < 0.3:
            d.line([(x, y), (x + r.uniform(-6, 6) * s, y + r.uniform(8, 22) * s)], fill=heat // 2,
                   width=max(1, int(radius)))
        d.ellipse([x - radius, y - radius, x + radius, y + radius], fill=heat)
    add_light(img, colour, cores.filter(ImageFilter.GaussianBlur(6 * s)), 2.2)
    add_light(img, colour, cores.filter(ImageFilter.GaussianBlur(2 * s)), 1.2)
    add_light(img, (255, 236, 180), cores)


def loading_screen(name, size, words):
    sc = SCENES[name]
    w, h = size
    s = h / 1080.0
    r = random.Random(sc["seed"])
    img = vertical(w, h, sc["sky"])

    # The low sun (or moon), its glow, and smoke or cloud drifting across it.
    sx, sy, sr, inner, outer = sc["sun"]
    sx, sy, sr = sx * w, sy * h, sr * w
    halo = Image.new("L", size, 0)
    ImageDraw.Draw(halo).ellipse([sx - sr * 2, sy - sr * 2, sx + sr * 2, sy + sr * 2], fill=255)
    add_light(img, sc["glow"], halo.filter(ImageFilter.GaussianBlur(sr * 3)), 0.9)
    disc = shape(size, lambda d, ss: d.ellipse([(sx - sr) * ss, (sy - sr) * ss, (sx + sr) * ss,
                                                (sy + sr) * ss], fill=255), 4)
    over_image(img, vertical(w, h, [(sy / h - sr / h, inner), (sy / h + sr / h, outer)]), disc)
    if sc["stars"]:
        stars = Image.new("L", size, 0)
        d = ImageDraw.Draw(stars)
        for _ in range(sc["stars"]):
            x, y = r.uniform(0, w), r.uniform(0, h * 0.5)
            k = int(255 * r.uniform(0.2, 1.0) * (1 - smoothstep(h * 0.25, h * 0.5, y)))
            d.point((x, y), fill=k)
            if r.random() < 0.08:
                d.ellipse([x - 1.2 * s, y - 1.2 * s, x + 1.2 * s, y + 1.2 * s], fill=k)
        add_light(img, (230, 230, 255), stars)
    clouds = ramp(noise(size, 6, sc["seed"] * 11), 120, 210)
    horizon = vertical(w, h, [(0.0, (0, 0, 0)), (0.12, (110, 110, 110)), (0.55, (255, 255, 255)),
                              (0.66, (60, 60, 60)), (0.7, (0, 0, 0))]).convert("L")
    clouds = ImageChops.multiply(clouds, horizon)
    lit = vertical(w, h, [(0.1, sc["smoke"][0]), (0.62, sc["smoke"][1])])
    over_image(img, lit, scaled(clouds, 0.75))

    # Three ridges of moor, hazier the further they are, and what stands on them.
    far = ridge(w, h * 0.6, [(22 * s, 0.0031 / s), (12 * s, 0.009 / s), (5 * s, 0.027 / s)],
                sc["seed"] * 3)
    mid = ridge(w, h * 0.68, [(30 * s, 0.0022 / s), (10 * s, 0.007 / s)], sc["seed"] * 5)
    near = ridge(w, h * 0.76, [(40 * s, 0.0017 / s), (14 * s, 0.0052 / s)], sc["seed"] * 7)
    details, windows, chimney = scene_details(size, name, near, far, s, r)
    over(img, sc["far"], land_mask(size, far))
    mist = ramp(noise(size, 10, sc["seed"] * 13), 90, 200)
    band = vertical(w, h, [(0.56, (0, 0, 0)), (0.64, (255, 255, 255)), (0.72, (0, 0, 0))])
    over(img, mix(sc["far"], sc["sky"][-1][1], 0.5), ImageChops.multiply(mist, band.convert("L")),
         0.55)
    over(img, sc["mid"], land_mask(size, mid))
    ground = vertical(w, h, [(0.7, sc["near"]), (1.0, (8, 6, 7))])
    heather = noise(size, 90, sc["seed"] * 17, 3)
    ground = Image.composite(ground, ImageChops.multiply(ground, Image.merge(
        "RGBA", [ramp(heather, 40, 255)] * 3 + [Image.new("L", size, 255)])),
        ramp(heather, 0, 200))
    nearland = land_mask(size, near)
    over_image(img, ground, ImageChops.lighter(nearland, details))
    # Light catching the crest of the near ridge.
    crest = ImageChops.subtract(nearland, ImageChops.offset(nearland, 0, int(5 * s)))
    add_light(img, sc["glow"], crest.filter(ImageFilter.GaussianBlur(2 * s)), 0.6)

    if chimney is not None:
        x, y = chimney
        plume = Image.new("L", size, 0)
        d = ImageDraw.Draw(plume)
        for i in range(40):
            t = i / 39.0
            rr = (10 + 60 * t) * s
            px, py = x + 160 * s * t * t + 20 * s * math.sin(t * 7), y - 420 * s * t
            d.ellipse([px - rr, py - rr, px + rr, py + rr], fill=int(170 * (1 - t)))
        over(img, (120, 100, 104), plume.filter(ImageFilter.GaussianBlur(14 * s)))
    for x0, y0, x1, y1 in windows:
        pane = Image.new("L", size, 0)
        ImageDraw.Draw(pane).rectangle([x0, y0, x1, y1], fill=255)
        add_light(img, (255, 150, 50), pane.filter(ImageFilter.GaussianBlur(30 * s)), 0.9)
        over(img, (255, 196, 96), pane)
        ImageDraw.Draw(img).line([((x0 + x1) / 2, y0), ((x0 + x1) / 2, y1)],
                                 fill=(60, 30, 14), width=max(1, int(4 * s)))

    if sc["ash"]:
        flecks = Image.new("L", size, 0)
        d = ImageDraw.Draw(flecks)
        for _ in range(sc["ash"]):
            x, y = r.uniform(0, w), r.uniform(0, h * 0.8)
            rr = r.uniform(0.6, 2.4) * s
            d.ellipse([x - rr, y - rr * 0.7, x + rr, y + rr * 0.7], fill=r.randint(60, 200))
        over(img, (170, 160, 156), flecks.filter(ImageFilter.GaussianBlur(0.6 * s)))
    if name == "Moorlight":
        # The campfire the embers rise from.
        fx, fy = w * 0.2, near[int(w * 0.2)] + 40 * s
        fire = Image.new("L", size, 0)
        ImageDraw.Draw(fire).ellipse([fx - 30 * s, fy - 14 * s, fx + 30 * s, fy + 10 * s],
                                     fill=255)
        add_light(img, (255, 110, 30), fire.filter(ImageFilter.GaussianBlur(90 * s)), 1.0)
        add_light(img, (255, 160, 60), fire.filter(ImageFilter.GaussianBlur(8 * s)), 1.5)
        for colour, height, half in (((230, 90, 20), 70, 26), ((255, 170, 50), 48, 16),
                                     ((255, 236, 160), 26, 8)):
            tongue = shape(size, lambda d, ss: d.polygon(
                [((fx - half * s) * ss, fy * ss), ((fx - half * s * 0.4) * ss,
                                                   (fy - height * s * 0.6) * ss),
                 (fx * ss, (fy - height * s) * ss), ((fx + half * s * 0.5) * ss,
                                                     (fy - height * s * 0.5) * ss),
                 ((fx + half * s) * ss, fy * ss)], fill=255), 4)
            over(img, colour, tongue)
        embers(img, sc["embers"], sc["ember"], r, fy - 500 * s, fy, s)
    else:
        embers(img, sc["embers"], sc["ember"], r, h * 0.25, h * 0.8, s)

    vignette(img, 0.6)
    title_band(img, name, words, s)
    loading_bar(img, words, s)
    grain(img, sc["grain"], sc["seed"] * 19)
    return img.convert("RGB")


def title_band(img, name, words, s):
    w, h = img.size
    top, bottom = h * 0.06, h * 0.27
    dark = Image.new("L", (w, 1))
    dark.putdata([int(160 * smoothstep(0, w * 0.3, x) * smoothstep(w, w * 0.7, x))
                  for x in range(w)])
    band = Image.new("L", img.size, 0)
    band.paste(dark.resize((w, int(bottom - top))), (0, int(top)))
    over(img, (6, 4, 6), band)
    for y, k in ((top, 1.0), (top + 8 * s, 0.45), (bottom, 1.0), (bottom - 8 * s, 0.45)):
        rule(img, y, w * 0.05, w * 0.95, max(2, int(3 * s)), GOLD, k)
    d = ImageDraw.Draw(img)
    for y in (top + 1, bottom + 1):
        lozenge(d, w / 2, y, 9 * s, GOLD)
        lozenge(d, w / 2, y, 4 * s, (60, 30, 0))
    title, subtitle = words["title"], words[name]
    if latin(title):
        lettering(img, title, "title", int(112 * s), (w / 2, h * 0.145), int(18 * s))
        lettering(img, subtitle, "latin", int(40 * s), (w / 2, h * 0.225), int(14 * s),
                  glow=None)
    else:
        lettering(img, title, "kai", int(128 * s), (w / 2, h * 0.14), int(30 * s))
        lettering(img, subtitle + "  ·  " + WORDS["game"]["title"], "kai", int(38 * s),
                  (w / 2, h * 0.228), int(6 * s), glow=None)


def loading_bar(img, words, s):
    """The empty frame of the bar that the game fills, its caption, and the calm strip below
    where the game writes its tips."""
    w, h = img.size
    strip = vertical(w, h, [(0.84, (0, 0, 0)), (0.92, (255, 255, 255))]).convert("L")
    over(img, (6, 4, 5), strip, 0.7)
    x0, x1, y0, y1 = w * 0.25, w * 0.75, h * 0.86, h * 0.86 + 22 * s
    d = ImageDraw.Draw(img)
    d.rectangle([x0 - 6 * s, y0 - 6 * s, x1 + 6 * s, y1 + 6 * s], fill=(24, 14, 6))
    d.rectangle([x0, y0, x1, y1], fill=(8, 5, 4))
    for inset in (0, 4 * s):
        d.rectangle([x0 - 6 * s + inset, y0 - 6 * s + inset, x1 + 6 * s - inset,
                     y1 + 6 * s - inset], outline=GOLD, width=max(1, int(2 * s)))
    for cx in (x0 - 6 * s, x1 + 6 * s):
        for cy in (y0 - 6 * s, y1 + 6 * s):
            lozenge(d, cx, cy, 7 * s, GOLD)
    caption = words["loading"]
    lettering(img, caption, "latin" if latin(caption) else "hei", int(30 * s),
              (w / 2, y0 - 40 * s), int(3 * s), glow=None, shadow=False,
              fill=((0.0, (236, 210, 160)), (1.0, (200, 150, 80))))


# ---------------------------------------------------------------------------------------------
# The UI atlas: on a transparent sheet, the logo, three windows, the menu buttons in their three
# states, the HUD bars and the item icons.

def panel(img, box, title):
    x0, y0, x1, y1 = box
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([x0 + 8, y0 + 12, x1 + 8, y1 + 12], 18, fill=(0, 0, 0, 110))
    body = vertical(x1 - x0, y1 - y0, [(0.0, (46, 30, 24)), (1.0, (20, 14, 14))])
    texture = noise((x1 - x0, y1 - y0), 24, x0 * 7 + y0, 3)
    body = ImageChops.multiply(body, Image.merge("RGBA", [ramp(texture, 0, 400)] * 3 +
                                                 [Image.new("L", body.size, 255)]))
    rounded = Image.new("L", body.size, 0)
    ImageDraw.Draw(rounded).rounded_rectangle([0, 0, x1 - x0 - 1, y1 - y0 - 1], 16, fill=240)
    img.paste(body, (x0, y0), rounded)
    d.rounded_rectangle([x0, y0, x1, y1], 16, outline=GOLD + (255,), width=4)
    d.rounded_rectangle([x0 + 9, y0 + 9, x1 - 9, y1 - 9], 10, outline=(120, 80, 20, 255), width=2)
    d.rectangle([x0 + 9, y0 + 9, x1 - 9, y0 + 78], fill=(12, 8, 8, 255))
    d.line([x0 + 9, y0 + 78, x1 - 9, y0 + 78], fill=GOLD + (255,), width=3)
    for cx in (x0 + 4, x1 - 4):
        for cy in (y0 + 4, y1 - 4):
            lozenge(d, cx, cy, 12, GOLD + (255,))
    caption(img, title, ((x0 + x1) / 2, y0 + 44), 44, "title", "hei", tracking=4)


def caption(img, text, centre, size, latin_kind, chinese_kind, tracking=0, glow=(150, 52, 12),
            fill=None):
    kind = latin_kind if latin(text) else chinese_kind
    lettering(img, text, kind, size, centre, tracking, glow=glow,
              **({} if fill is None else {"fill": fill}))


def button(img, box, text, state):
    x0, y0, x1, y1 = box
    d = ImageDraw.Draw(img)
    faces = {"normal": ((70, 40, 24), (30, 18, 14), GOLD),
             "hover": ((120, 64, 26), (52, 26, 14), (250, 190, 80)),
             "pressed": ((24, 14, 12), (50, 30, 20), (150, 96, 20))}
    top, bottom, edge = faces[state]
    body = vertical(x1 - x0, y1 - y0, [(0.0, top), (1.0, bottom)])
    rounded = Image.new("L", body.size, 0)
    ImageDraw.Draw(rounded).rounded_rectangle([0, 0, x1 - x0 - 1, y1 - y0 - 1], 22, fill=255)
    img.paste(body, (x0, y0), rounded)
    d.rounded_rectangle([x0, y0, x1 - 1, y1 - 1], 22, outline=edge + (255,), width=4)
    d.rounded_rectangle([x0 + 8, y0 + 8, x1 - 9, y1 - 9], 15, outline=(0, 0, 0, 120), width=2)
    dy = 3 if state == "pressed" else 0
    caption(img, text, ((x0 + x1) / 2, (y0 + y1) / 2 + dy), 40, "sans", "hei",
            glow=(200, 90, 20) if state == "hover" else None,
            fill=((0.0, (255, 240, 200)), (1.0, (230, 180, 100))))


def bar(img, box, label, fill, part):
    x0, y0, x1, y1 = box
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([x0, y0, x1, y1], 12, fill=(10, 6, 6, 230), outline=GOLD + (255,), width=3)
    fx1 = x0 + 8 + (x1 - x0 - 16) * part
    body = vertical(int(fx1 - x0 - 8), y1 - y0 - 16, [(0.0, mix(fill, (255, 255, 255), 0.35)),
                                                      (1.0, mix(fill, (0, 0, 0), 0.45))])
    img.paste(body, (x0 + 8, y0 + 8))
    caption(img, label, (x0 + 110, (y0 + y1) / 2), 30, "sans", "hei", glow=None,
            fill=((0.0, (255, 255, 255)), (1.0, (220, 220, 220))))


def icon(img, kind, box):
    x0, y0, x1, y1 = box
    cx, cy, r = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2
    d = ImageDraw.Draw(img)
    d.ellipse([x0 + 4, y0 + 4, x1 - 4, y1 - 4], fill=(26, 16, 14, 235), outline=GOLD + (255,),
              width=5)
    k = r * 0.55
    if kind == "health":
        d.ellipse([cx - k, cy - k * 0.8, cx, cy + k * 0.1], fill=(200, 30, 40, 255))
        d.ellipse([cx, cy - k * 0.8, cx + k, cy + k * 0.1], fill=(200, 30, 40, 255))
        d.polygon([(cx - k * 0.97, cy - k * 0.2), (cx + k * 0.97, cy - k * 0.2), (cx, cy + k)],
                  fill=(200, 30, 40, 255))
    elif kind in ("warmth", "embers"):
        glow = Image.new("L", img.size, 0)
        g = ImageDraw.Draw(glow)
        if kind == "warmth":
            g.polygon([(cx, cy - k * 1.1), (cx + k * 0.7, cy + k * 0.2), (cx + k * 0.45, cy + k),
                       (cx - k * 0.45, cy + k), (cx - k * 0.7, cy + k * 0.2)], fill=255)
        else:
            for dx, dy, rr in ((-0.35, 0.2, 0.45), (0.3, 0.25, 0.42), (0.0, -0.25, 0.4)):
                g.ellipse([cx + (dx - rr) * k, cy + (dy - rr) * k, cx + (dx + rr) * k,
                           cy + (dy + rr) * k], fill=255)
        over(img, (255, 110, 20), glow.filter(ImageFilter.GaussianBlur(10)), 0.8)
        over(img, (250, 150, 40), glow)
        over(img, (255, 236, 150), glow.filter(ImageFilter.GaussianBlur(3)).point(
            lambda v: max(0, v - 150) * 2))
    elif kind == "peat":
        for i, dy in enumerate((0.45, 0.0, -0.45)):
            shade = (92 - i * 10, 58 - i * 6, 36 - i * 4, 255)
            d.rectangle([cx - k, cy + (dy - 0.2) * k, cx + k, cy + (dy + 0.2) * k], fill=shade,
                        outline=(40, 24, 16, 255), width=3)
    elif kind == "key":
        d.ellipse([cx - k, cy - k * 0.5, cx - k * 0.2, cy + k * 0.3], outline=GOLD + (255,),
                  width=int(k * 0.22))
        d.line([cx - k * 0.25, cy - k * 0.1, cx + k, cy - k * 0.1], fill=GOLD + (255,),
               width=int(k * 0.22))
        for tx in (0.55, 0.85):
            d.line([cx + k * tx, cy - k * 0.1, cx + k * tx, cy + k * 0.35], fill=GOLD + (255,),
                   width=int(k * 0.18))
    else:
        d.rounded_rectangle([cx - k, cy - k * 0.4, cx + k, cy + k * 0.4], int(k * 0.3),
                            fill=(210, 200, 170, 255), outline=(120, 110, 90, 255), width=3)
        d.rectangle([cx - k * 0.3, cy - k * 0.4, cx + k * 0.3, cy + k * 0.4],
                    fill=(90, 140, 60, 255))


def ui_atlas(words):
    img = Image.new("RGBA", (2048, 2048), (0, 0, 0, 0))
    # The logo.
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([40, 40, 1000, 280], 30, fill=(8, 5, 6, 200))
    rule(img, 60, 40, 1000, 4, GOLD)
    rule(img, 258, 40, 1000, 4, GOLD)
    if latin(words["title"]):
        lettering(img, words["title"], "title", 104, (520, 160), 16)
    else:
        lettering(img, words["title"], "kai", 150, (520, 150), 30)
    # The windows: the satchel with its slots, the map, the forge.
    satchel, moor_map, forge = words["windows"]
    panel(img, (40, 330, 1000, 1000), satchel)
    for row in range(4):
        for col in range(6):
            x, y = 80 + col * 150, 430 + row * 120
            d.rounded_rectangle([x, y, x + 120, y + 100], 10, fill=(8, 6, 6, 255),
                                outline=(110, 74, 24, 255), width=3)
    weight, ember_label, legend = words["labels"]
    caption(img, weight, (200, 940), 34, "latin", "hei", glow=None)
    caption(img, ember_label, (600, 940), 34, "latin", "hei", glow=None)
    panel(img, (1048, 40, 2008, 860), moor_map)
    # The map sheet with the contour lines of its hills.
    sheet = vertical(880, 640, [(0.0, (196, 170, 120)), (1.0, (150, 120, 80))])
    contours = ImageDraw.Draw(sheet)
    r = random.Random(5)
    for hill in range(9):
        cx, cy = r.uniform(150, 730), r.uniform(120, 520)
        for k in range(5):
            rr = 30 + k * 26
            contours.ellipse([cx - rr * 1.4, cy - rr, cx + rr * 1.4, cy + rr],
                             outline=(110, 80, 50, 255), width=2)
    img.paste(sheet, (1088, 150))
    caption(img, legend, (1160, 820), 30, "latin", "hei", glow=None)
    panel(img, (1048, 900, 2008, 1400), forge)
    button(img, (1328, 1250, 1728, 1350), words["craft"], "normal")
    # The menu buttons, each in its three states.
    for row, text in enumerate(words["buttons"]):
        for col, state in enumerate(("normal", "hover", "pressed")):
            x, y = 40 + col * 330, 1060 + row * 130
            button(img, (x, y, x + 300, y + 104), text, state)
    # The HUD bars and the item icons.
    for i, (label, colour, part) in enumerate(zip(words["hud"], ((200, 40, 40), (230, 130, 30),
                                                                 (250, 190, 60)),
                                                  (0.8, 0.55, 0.35))):
        bar(img, (40, 1600 + i * 90, 1000, 1670 + i * 90), label, colour, part)
    for i, kind in enumerate(("health", "warmth", "embers", "peat", "key", "bandage")):
        x, y = 1060 + (i % 3) * 320, 1440 + (i // 3) * 300
        icon(img, kind, (x, y, x + 256, y + 256))
    return img


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_textures.py OUTDIR\n")
        return 2
    for version, words in WORDS.items():
        folder = os.path.join(argv[1], version)
        os.makedirs(folder, exist_ok=True)
        for name, w, h in TEXTURES:
            img = ui_atlas(words) if name == "UIAtlas" else loading_screen(name.split("_")[1], (w, h), words)
            img.save(os.path.join(folder, name + ".png"), optimize=False, compress_level=6)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
