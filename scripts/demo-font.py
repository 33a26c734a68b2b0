#!/usr/bin/python3
"""Builds the font that the demonstration's Korean menus are drawn in: NanumGothic's Latin and
Hangul, Loma's Thai and Symbola's symbols and emoji in one face, "Lumorex Demo Sans".

Wine draws a string that it shapes (Thai) with the glyphs of the one font selected, never with the
fonts linked to it, so a Thai name came out as boxes beside Korean captions. One face that holds
every script the sample names use draws them all. Its line metrics are NanumGothic's, so the menus
keep the height they have with NanumGothic alone.

    demo-font.py <output .ttf>
"""
import os
import sys
import tempfile

from fontTools import subset
from fontTools.merge import Merger
from fontTools.ttLib import TTFont
from fontTools.ttLib.scaleUpem import scale_upem

FAMILY = "Lumorex Demo Sans"
UNITS_PER_EM = 1000
# (file, code point ranges taken from it; None takes all). The first gives the line metrics.
SOURCES = [
    ("/usr/share/fonts/truetype/nanum/NanumGothic.ttf", None),
    ("/usr/share/fonts/truetype/tlwg/Loma.ttf", [(0x0E00, 0x0E7F)]),
    ("/usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf", [(0x2600, 0x27BF), (0x1F000, 0x1FAFF)]),
]
LINE_METRICS = {
    "hhea": ["ascent", "descent", "lineGap"],
    "OS/2": ["sTypoAscender", "sTypoDescender", "sTypoLineGap", "usWinAscent", "usWinDescent"],
}


def part(path, ranges, out):
    """Writes the chosen letters of a font, unhinted, scaled to the common em, to out."""
    font = TTFont(path)
    wanted = [c for c in font.getBestCmap() if ranges is None or any(lo <= c <= hi for lo, hi in ranges)]
    options = subset.Options()
    options.hinting = False
    options.layout_features = ["*"]
    options.notdef_outline = True
    # Tables of font tools and the old kerning table: the merge knows none of them.
    options.drop_tables += ["TSI0", "TSI1", "TSI2", "TSI3", "TSI5", "FFTM", "kern"]
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=wanted)
    subsetter.subset(font)
    if font["head"].unitsPerEm != UNITS_PER_EM:
        scale_upem(font, UNITS_PER_EM)
    font.save(out)
    return font


def main(output):
    with tempfile.TemporaryDirectory() as folder:
        parts = [os.path.join(folder, "%d.ttf" % i) for i in range(len(SOURCES))]
        first = [part(path, ranges, out) for (path, ranges), out in zip(SOURCES, parts)][0]
        merged = Merger().merge(parts)
    for table, fields in LINE_METRICS.items():
        for field in fields:
            setattr(merged[table], field, getattr(first[table], field))
    names = merged["name"]
    names.names = [n for n in names.names if n.nameID not in (1, 3, 4, 6, 16, 17)]
    for name_id, text in ((1, FAMILY), (3, FAMILY), (4, FAMILY), (6, FAMILY.replace(" ", ""))):
        names.setName(text, name_id, 3, 1, 0x409)
    merged.save(output)


if __name__ == "__main__":
    main(sys.argv[1])
