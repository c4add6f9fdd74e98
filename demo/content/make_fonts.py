#!/usr/bin/python3
"""Makes the demo's ten fonts from fonts that Debian packages install.

    make_fonts.py TRANSLATION_FOLDER OUTDIR

writes OUTDIR/game/NAME.ttf (the English game's Latin fonts) and OUTDIR/patch/NAME.ttf (the
patch's Chinese ones), one for each Font object of the demo game. A game carries only the glyphs
its text needs, so each font is cut down with the fonttools subsetter: the patch's to the
characters of the translation's .txt and .xml files, counted as cmkit counts them, the game's to
printable ASCII, which holds all of the English game's text. Both keep printable ASCII, which
numbers, names and key labels use in either language. Each font keeps its own family name.
"""

import os
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

DEJAVU = "/usr/share/fonts/truetype/dejavu/"

# Font object: (English game's font, patch's font), each a file and its number in a collection.
# The patch's faces stand where the English ones do: sans for sans, a Ming face for the serif, a
# monospaced face for the tallies, the brush-written Kai face for the decorative one. (Droid Sans
# Fallback is no choice: it has no Latin letters, and the translation has some.)
FONTS = {
    "EmberSans": ((DEJAVU + "DejaVuSans.ttf", 0),
                  ("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", 0)),
    "EmberSans-Bold": ((DEJAVU + "DejaVuSans-Bold.ttf", 0),
                       ("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", 0)),
    "MoorSerif": ((DEJAVU + "DejaVuSerif.ttf", 0),
                  ("/usr/share/fonts/truetype/arphic/uming.ttc", 0)),
    "TallyMono": ((DEJAVU + "DejaVuSansMono.ttf", 0),
                  ("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", 1)),
    "RuneGlyphs": ((DEJAVU + "DejaVuSerif-Italic.ttf", 0),
                   ("/usr/share/fonts/truetype/arphic/ukai.ttc", 0)),
}

PRINTABLE_ASCII = set(range(0x20, 0x7F))


def decode(data):
    """UTF-8 with or without a byte-order mark, or UTF-16 with one; None for anything else."""
    if data.startswith(b"\xff\xfe") or data.startswith(b"\xfe\xff"):
        codec = "utf-16"
    else:
        codec = "utf-8-sig"
    try:
        return data.decode(codec)
    except UnicodeDecodeError:
        return None


def shown(c):
    control = c < 0x20 or 0x7F <= c <= 0x9F
    noncharacter = 0xFDD0 <= c <= 0xFDEF or (c & 0xFFFE) == 0xFFFE
    return not control and not noncharacter and c != 0xFEFF


def translation_characters(folder):
    characters = set()
    for parent, folders, files in os.walk(folder):
        folders.sort()
        for name in sorted(files):
            if os.path.splitext(name)[1].lower() not in (".txt", ".xml"):
                continue
            with open(os.path.join(parent, name), "rb") as f:
                text = decode(f.read())
            if text is None:
                raise SystemExit("make_fonts.py: not UTF-8 or UTF-16 text: " + name)
            characters.update(c for c in map(ord, text) if shown(c))
    return characters


def write_subset(source, number, characters, path):
    options = subset.Options()
    options.font_number = number
    # FontForge's own tables, which the subsetter cannot cut down and no game reads.
    options.drop_tables += ["FFTM", "BDF"]
    font = subset.load_font(source, options)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=sorted(characters))
    subsetter.subset(font)
    missing = characters - set(font.getBestCmap())
    if missing:
        raise SystemExit("make_fonts.py: %s has no glyph for %s" %
                         (source, "".join(sorted(map(chr, missing)))))
    subset.save_font(font, path, options)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: make_fonts.py TRANSLATION_FOLDER OUTDIR\n")
        return 2
    wanted = {"game": PRINTABLE_ASCII,
              "patch": translation_characters(argv[1]) | PRINTABLE_ASCII}
    for which, characters in wanted.items():
        folder = os.path.join(argv[2], which)
        os.makedirs(folder, exist_ok=True)
        for name, sources in FONTS.items():
            source, number = sources[0] if which == "game" else sources[1]
            write_subset(source, number, characters, os.path.join(folder, name + ".ttf"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
