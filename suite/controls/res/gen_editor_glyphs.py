#!/usr/bin/env python3
"""Draws the editor controls' glyphs and writes them as bitmaps beside this script.

Image editor menu glyphs, 16 x 16 on the mask colour magenta (the bottom-left pixel, the
transparent colour of the image list): MenuCut, MenuCopy, MenuPaste, MenuDelete, MenuLoad,
MenuSave (resources "QZMENUIMAGE_CUT" ... "QZMENUIMAGE_SAVE").

Blob editor glyphs, 18 x 16 on olive (128, 128, 0), the transparent colour the blob editor's
image list is given, in 16 colours: BlobBlobNull, BlobBlob, BlobMemoNull, BlobMemo,
BlobPictNull, BlobPict, BlobOleNull, BlobOle (resources "QZBMBLOB_BLOB_NULL" ...
"QZBMBLOB_OLE"). A "null" glyph is the grey outline of its kind's glyph.

Run it again after changing a drawing; the bitmaps are kept in the tree and compiled in as
resources, so building does not need this script.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "app", "res"))
from gen_pictures import Canvas, MASK, bmp24  # noqa: E402

OLIVE = (128, 128, 0)
PAL = {
    "k": (0, 0, 0), "w": (255, 255, 255), "g": (128, 128, 128), "s": (192, 192, 192),
    "n": (0, 0, 128), "b": (0, 0, 255), "r": (128, 0, 0), "R": (255, 0, 0),
    "y": (255, 255, 0), "G": (0, 128, 0), "l": (0, 255, 0), "c": (0, 128, 128),
    "C": (0, 255, 255), "m": (128, 0, 128),
}


def art(c, rows, ox=0, oy=0, palette=PAL):
    for dy, row in enumerate(rows):
        for dx, ch in enumerate(row):
            if ch != ".":
                c.set(ox + dx, oy + dy, palette[ch])


MENU = {
    "MenuCut": [
        "................",
        "......k...k.....",
        "......k...k.....",
        "......k...k.....",
        "......kk.kk.....",
        ".......k.k......",
        ".......kkk......",
        "........k.......",
        ".......nkn......",
        ".....nnn.nnn....",
        "....n..n.n..n...",
        "....n..n.n..n...",
        "....n..n.n..n...",
        ".....nn...nn....",
        "................",
        "................"],
    "MenuCopy": [
        "................",
        ".kkkkkk.........",
        ".kwwwwkk........",
        ".kwkkwkwk.......",
        ".kwwwwkkkkkkk...",
        ".kwkkkkwwwwwkk..",
        ".kwwwwkwkkkwkwk.",
        ".kwkkkkwwwwwkkkk",
        ".kwwwwkwkkkkkwwk",
        ".kkkkkkwwwwwwwwk",
        "......kwkkkkkkwk",
        "......kwwwwwwwwk",
        "......kwkkkkkkwk",
        "......kwwwwwwwwk",
        "......kkkkkkkkkk",
        "................"],
    "MenuPaste": [
        "................",
        "......kkkk......",
        ".rrrrkwwwwkrrr..",
        "rkkkkkkkkkkkkr..",
        "rkkkkkkkkkkkkr..",
        "rkkkkkkkkkkkkr..",
        "rkkkkkknnnnnnnn.",
        "rkkkkkknwwwwwwnn",
        "rkkkkkknwkkkkwnn",
        "rkkkkkknwwwwwwwn",
        "rkkkkkknwkkkkkwn",
        "rkkkkkknwwwwwwwn",
        ".rrrrrrnwkkkkkwn",
        ".......nwwwwwwwn",
        ".......nnnnnnnnn",
        "................"],
    "MenuDelete": [
        "................",
        "................",
        "..RR.......RR...",
        "..RRR.....RRR...",
        "...RRR...RRR....",
        "....RRR.RRR.....",
        ".....RRRRR......",
        "......RRR.......",
        ".....RRRRR......",
        "....RRR.RRR.....",
        "...RRR...RRR....",
        "..RRR.....RRR...",
        "..RR.......RR...",
        "................",
        "................",
        "................"],
    "MenuLoad": [
        "................",
        "................",
        "..........kkk...",
        ".........k...k.k",
        "..............kk",
        ".kkk.........kkk",
        "kyCykkkkkkk.....",
        "kCyCyCyCyCk.....",
        "kyCyCyCyCyk.....",
        "kCyCykkkkkkkkkk.",
        "kyCykyyyyyyyyyk.",
        "kCykyyyyyyyyyk..",
        "kykyyyyyyyyyk...",
        "kkyyyyyyyyyk....",
        "kkkkkkkkkkk.....",
        "................"],
    "MenuSave": [
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kckwwwwwwwwkck.",
        ".kckwwwwwwwwkck.",
        ".kckwwwwwwwwkck.",
        ".kckwwwwwwwwkck.",
        ".kckwwwwwwwwkck.",
        ".kcckkkkkkkkcck.",
        ".kccccccccccccck.",
        ".kcckkkkkkkkkcck",
        ".kcckkkkkkswkcck",
        ".kcckkkkkkswkcck",
        ".kcckkkkkkswkcck",
        "..kkkkkkkkkkkkkk",
        "................",
        "................"],
}

# Blob glyphs, 18 x 16: each kind a picture; the null glyph is its outline in grey.
BLOB = {
    "Blob": [
        "..................",
        "..kkkkkkkkkkkkkk..",
        "..kwwwwwwwwwwwwk..",
        "..kwnn.nn.n.nnwk..",
        "..kw............k.",
        "..kwn.nnn.nn.nwk..",
        "..kwwwwwwwwwwwwk..",
        "..kwnnn.n.nnn.wk..",
        "..kwwwwwwwwwwwwk..",
        "..kwn.nn.nnn.nwk..",
        "..kwwwwwwwwwwwwk..",
        "..kwnn.nnn.n.nwk..",
        "..kwwwwwwwwwwwwk..",
        "..kkkkkkkkkkkkkk..",
        "..................",
        ".................."],
    "Memo": [
        "..................",
        "...kkkkkkkkkk.....",
        "...kwwwwwwwwkk....",
        "...kwkkkkkkwkwk...",
        "...kwwwwwwwwkkkk..",
        "...kwkkkkkkkkwwk..",
        "...kwwwwwwwwwwwk..",
        "...kwkkkkkkkkkwk..",
        "...kwwwwwwwwwwwk..",
        "...kwkkkkkkkkwwk..",
        "...kwwwwwwwwwwwk..",
        "...kwkkkkkkkkkwk..",
        "...kwwwwwwwwwwwk..",
        "...kkkkkkkkkkkkk..",
        "..................",
        ".................."],
    "Pict": [
        "..................",
        ".kkkkkkkkkkkkkkkk.",
        ".kCCCCCCCCCCCCCCk.",
        ".kCCCCCCCCCyyCCCk.",
        ".kCCCCCCCCyyyyCCk.",
        ".kCCCCCCCCCyyCCCk.",
        ".kCCCCGCCCCCCCCCk.",
        ".kCCCGGGCCCCCCCCk.",
        ".kCCGGGGGCCCGCCCk.",
        ".kCGGGGGGGCGGGCCk.",
        ".kGGGGGGGGGGGGGGk.",
        ".kGGGGGGGGGGGGGGk.",
        ".kGGGGGGGGGGGGGGk.",
        ".kkkkkkkkkkkkkkkk.",
        "..................",
        ".................."],
    "Ole": [
        "..................",
        "..................",
        "..kkkkkkkkkkkkkk..",
        "..knnnnnnnnnnnnk..",
        "..kssssssssssssk..",
        "..ks.bb..R..G.sk..",
        "..ksb..b.R..G.sk..",
        "..ksb..b.R..GGsk..",
        "..ksb..b.R..G.sk..",
        "..ksb..b.R..G.sk..",
        "..ks.bb..RR.GGsk..",
        "..kssssssssssssk..",
        "..kkkkkkkkkkkkkk..",
        "..................",
        "..................",
        ".................."],
}


def blob(rows, null):
    c = Canvas(18, 16, OLIVE)
    if null:
        rows = [row.replace("w", ".").replace("C", ".").replace("G", ".").replace("y", ".")
                .replace("s", ".").replace("n", ".").replace("b", ".").replace("R", ".")
                .replace("k", "g") for row in rows]
    art(c, rows)
    return c


def main():
    for name, rows in MENU.items():
        c = Canvas(16, 16, MASK)
        art(c, [row[:16] for row in rows])
        c.set(0, 15, MASK)
        with open(os.path.join(HERE, name + ".bmp"), "wb") as f:
            f.write(bmp24(c))
    for name, rows in BLOB.items():
        rows = [row[:18].ljust(18, ".") for row in rows]
        for null in (True, False):
            c = blob(rows, null)
            c.set(0, 15, OLIVE)
            with open(os.path.join(HERE, "Blob" + name + ("Null" if null else "") + ".bmp"), "wb") as f:
                f.write(bmp24(c))


if __name__ == "__main__":
    main()
