#!/usr/bin/env python3
"""Draws the report preview window's tool button pictures and writes PreviewButtons.bmp beside
this script (resource "PREVIEWBUTTONS").

The strip is 25 images of 16 x 16 side by side on the mask colour magenta; each cell's
bottom-left pixel is left magenta, since the strip is cut cell by cell with that pixel as the
cell's transparent colour. The images, by index:

     0 open            1 save            2 print           3 export          4 find
     5 outline         6 (none)          7 page settings   8 first page      9 prior page
    10 next page      11 last page      12 whole page     13 page width     14 zoom 100 %
    15 two pages      16 hand tool      17 zoom tool      18 (none)         19 new page
    20 delete page    21 edit page      22 full screen    23 send by e-mail 24 export to PDF

Run it again after changing a drawing; the bitmap is kept in the tree and compiled in as a
resource, so building does not need this script.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# The canvas, the bitmap writer and the colours are the program pictures' own.
sys.path.insert(0, os.path.join(HERE, "..", "..", "app", "res"))
import gen_pictures  # noqa: E402
from gen_pictures import (  # noqa: E402,F401
    MASK, bmp24, BLACK, WHITE, DARK, GREY, LIGHT, PAPER, NAVY, BLUE, SKY, YELLOW, BROWN, GREEN, RED)


class Canvas(gen_pictures.Canvas):
    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0))
        for i in range(n + 1):
            self.set(round(x0 + (x1 - x0) * i / max(n, 1)), round(y0 + (y1 - y0) * i / max(n, 1)), c)

    def art(self, x0, y0, rows, palette):
        """Draws a small picture given as text, one character a pixel; '.' leaves the pixel."""
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch != ".":
                    self.set(x0 + dx, y0 + dy, palette[ch])


GLASS = (200, 225, 250)
PALE_YELLOW = (250, 225, 120)
SKIN = (250, 215, 170)

# A 3 x 5 pixel font for the few letters the pictures need.
FONT = {
    "0": ["###", "#.#", "#.#", "#.#", "###"],
    "1": [".#.", "##.", ".#.", ".#.", "###"],
    ":": [".", "#", ".", "#", "."],
    "P": ["##.", "#.#", "##.", "#..", "#.."],
    "D": ["##.", "#.#", "#.#", "#.#", "##."],
    "F": ["###", "#..", "##.", "#..", "#.."],
}


def text(c, x, y, s, colour):
    for ch in s:
        glyph = FONT[ch]
        c.art(x, y, glyph, {"#": colour})
        x += len(glyph[0]) + 1


def cell():
    return Canvas(16, 16, MASK)


def page(c, x0, y0, x1, y1, fold=3):
    """A sheet of paper with a folded top-right corner."""
    c.rect(x0, y0, x1, y1, PAPER)
    c.frame(x0, y0, x1, y1, DARK)
    if fold:
        for i in range(fold + 1):
            c.hline(x1 - fold + i, x1, y0 + i, MASK)
        c.vline(x1 - fold, y0, y0 + fold, DARK)
        c.hline(x1 - fold, x1, y0 + fold, DARK)
        for i in range(fold + 1):
            c.set(x1 - fold + i, y0 + i, DARK)


def text_lines(c, x0, x1, ys):
    for y in ys:
        c.hline(x0, x1, y, GREY)


def magnifier(c, cx, cy, r):
    """A magnifying glass: the lens centred at (cx, cy), the handle down to the right."""
    c.disc(cx, cy, r, GLASS)
    c.ring(cx, cy, r, DARK)
    hx = int(cx + r * 0.7)
    hy = int(cy + r * 0.7)
    for i in range(4):
        c.rect(hx + i, hy + i, hx + i + 1, hy + i + 1, BROWN)


# ---- The pictures ------------------------------------------------------------------------------

def open_file():
    c = cell()
    c.rect(1, 4, 6, 5, BROWN)
    c.rect(1, 5, 13, 13, YELLOW)
    c.frame(1, 5, 13, 13, BROWN)
    # The front flap, tilted open.
    for y in range(8, 14):
        c.hline(3 + (13 - y) // 2, 15 - (13 - y) // 2, y, PALE_YELLOW)
    c.hline(4, 14, 8, BROWN)
    c.hline(1, 13, 13, BROWN)
    return c


def save():
    c = cell()
    c.rect(1, 1, 14, 14, NAVY)
    c.rect(4, 1, 11, 6, LIGHT)
    c.rect(9, 2, 10, 5, NAVY)
    c.rect(3, 9, 12, 14, WHITE)
    c.hline(4, 11, 11, GREY)
    c.hline(4, 11, 13, GREY)
    return c


def print_report():
    c = cell()
    c.rect(4, 1, 11, 5, PAPER)
    c.frame(4, 1, 11, 5, DARK)
    c.rect(1, 5, 14, 11, LIGHT)
    c.frame(1, 5, 14, 11, DARK)
    c.set(12, 7, GREEN)
    c.rect(4, 10, 11, 14, PAPER)
    c.frame(4, 10, 11, 14, DARK)
    c.hline(5, 10, 12, GREY)
    return c


def arrow_right(c, x0, y, length, colour):
    """A thick arrow pointing right, its shaft from x0, centred on row y."""
    c.rect(x0, y - 1, x0 + length - 4, y + 1, colour)
    for i in range(4):
        c.vline(x0 + length - 4 + i, y - 3 + i, y + 3 - i, colour)


def export():
    c = cell()
    page(c, 1, 1, 10, 14)
    text_lines(c, 3, 8, (6, 8, 10))
    arrow_right(c, 7, 10, 9, GREEN)
    return c


def find():
    c = cell()
    page(c, 1, 1, 10, 14)
    text_lines(c, 3, 8, (4, 6))
    magnifier(c, 8, 8, 4.5)
    return c


def outline():
    c = cell()
    # A tree of headings: a root with branches and an indented leaf.
    c.vline(3, 3, 12, GREY)
    c.hline(4, 5, 7, GREY)
    c.hline(4, 5, 12, GREY)
    c.vline(8, 8, 10, GREY)
    c.hline(9, 9, 10, GREY)
    for (x, y, w, colour) in ((1, 1, 12, BLUE), (6, 6, 9, NAVY), (10, 9, 5, NAVY), (6, 11, 9, NAVY)):
        c.rect(x, y, x + 2, y + 2, colour if colour == BLUE else SKY)
        c.frame(x, y, x + 2, y + 2, colour)
        c.hline(x + 4, min(15, x + w), y + 1, DARK)
    return c


def unused():
    return cell()


def page_settings():
    c = cell()
    page(c, 1, 1, 11, 14)
    # The margins, dashed.
    for x in range(3, 9, 2):
        c.set(x, 3, BLUE)
        c.set(x, 12, BLUE)
    for y in range(5, 12, 2):
        c.set(3, y, BLUE)
        c.set(9, y, BLUE)
    # A set square laid over the corner.
    for i in range(7):
        c.hline(8, 8 + i, 8 + i, YELLOW)
    c.line(8, 8, 15, 15, BROWN)
    c.vline(8, 8, 15, BROWN)
    c.hline(8, 15, 15, BROWN)
    c.set(8, 15, BROWN)
    return c


def triangle_left(c, x, cy, size, colour):
    for i in range(size):
        c.vline(x + i, cy - i, cy + i, colour)


def triangle_right(c, x, cy, size, colour):
    for i in range(size):
        c.vline(x + i, cy - (size - 1 - i), cy + (size - 1 - i), colour)


def first_page():
    c = cell()
    c.rect(3, 3, 4, 12, NAVY)
    triangle_left(c, 6, 7, 5, BLUE)
    triangle_left(c, 6, 8, 5, BLUE)
    return c


def prior_page():
    c = cell()
    triangle_left(c, 5, 7, 5, BLUE)
    triangle_left(c, 5, 8, 5, BLUE)
    return c


def next_page():
    c = cell()
    triangle_right(c, 6, 7, 5, BLUE)
    triangle_right(c, 6, 8, 5, BLUE)
    return c


def last_page():
    c = cell()
    triangle_right(c, 5, 7, 5, BLUE)
    triangle_right(c, 5, 8, 5, BLUE)
    c.rect(11, 3, 12, 12, NAVY)
    return c


def whole_page():
    c = cell()
    # The whole sheet fits inside the view.
    c.frame(0, 0, 15, 14, GREY)
    page(c, 4, 2, 11, 12, fold=2)
    text_lines(c, 6, 9, (6, 8, 10))
    return c


def page_width():
    c = cell()
    page(c, 2, 1, 13, 14)
    text_lines(c, 4, 11, (5, 11, 13))
    # A double arrow from edge to edge.
    c.hline(1, 14, 8, BLUE)
    for i in range(1, 4):
        c.vline(1 + i, 8 - i, 8 + i, BLUE)
        c.vline(14 - i, 8 - i, 8 + i, BLUE)
    return c


def zoom_100():
    c = cell()
    page(c, 1, 1, 14, 14)
    text(c, 3, 6, "1:1", BLUE)
    c.hline(3, 11, 12, GREY)
    return c


def two_pages():
    c = cell()
    page(c, 0, 2, 7, 13, fold=2)
    page(c, 8, 2, 15, 13, fold=2)
    text_lines(c, 2, 4, (5, 7, 9, 11))
    text_lines(c, 10, 12, (5, 7, 9, 11))
    return c


def hand_tool():
    c = cell()
    c.art(1, 0, [
        "......kk......",
        "...kk.kSk.kk..",
        "..kSSkkSkkSSk.",
        "..kSSkkSkkSSk.",
        "...kSSkSkSSk.k",
        "...kSSkSkSSkkS",
        ".kkkSSSSSSSkSk",
        "kSSkSSSSSSSSSk",
        "kSSSkSSSSSSSSk",
        ".kSSSSSSSSSSk.",
        "..kSSSSSSSSSk.",
        "..kSSSSSSSSk..",
        "...kSSSSSSSk..",
        "....kSSSSSk...",
        "....kSSSSSk...",
        "....kkkkkkk...",
    ], {"k": DARK, "S": SKIN})
    return c


def zoom_tool():
    c = cell()
    magnifier(c, 6.5, 6.5, 5.5)
    c.hline(4, 8, 6, NAVY)
    c.vline(6, 4, 8, NAVY)
    return c


def new_page():
    c = cell()
    page(c, 1, 1, 11, 14)
    text_lines(c, 3, 8, (6, 8))
    # A green plus at the lower right.
    c.rect(9, 9, 15, 11, GREEN)
    c.rect(11, 7, 13, 13, GREEN)
    return c


def delete_page():
    c = cell()
    page(c, 1, 1, 11, 14)
    text_lines(c, 3, 8, (6, 8))
    # A red cross at the lower right.
    for i in range(6):
        c.rect(9 + i, 8 + i, 10 + i, 8 + i, RED)
        c.rect(14 - i, 8 + i, 15 - i, 8 + i, RED)
    return c


def edit_page():
    c = cell()
    page(c, 1, 1, 11, 14)
    text_lines(c, 3, 8, (6, 8, 10))
    # A pencil across the sheet, its point down to the left.
    for i in range(7):
        c.set(7 + i, 14 - i - 1, YELLOW)
        c.set(8 + i, 14 - i - 1, BROWN)
        c.set(8 + i, 14 - i, DARK)
    c.set(14, 6, RED)
    c.set(15, 6, RED)
    c.set(15, 7, RED)
    c.set(6, 14, DARK)
    c.set(7, 13, DARK)
    return c


def full_screen():
    c = cell()
    # A screen with its picture filling it, and arrows out to the four corners.
    c.rect(1, 1, 14, 14, SKY)
    c.frame(1, 1, 14, 14, DARK)
    for (x, y, dx, dy) in ((3, 3, 1, 1), (12, 3, -1, 1), (3, 12, 1, -1), (12, 12, -1, -1)):
        c.set(x, y, NAVY)
        c.set(x + dx, y, NAVY)
        c.set(x + 2 * dx, y, NAVY)
        c.set(x, y + dy, NAVY)
        c.set(x, y + 2 * dy, NAVY)
        c.set(x + dx, y + dy, NAVY)
        c.set(x + 2 * dx, y + 2 * dy, NAVY)
        c.set(x + 3 * dx, y + 3 * dy, NAVY)
    return c


def send_mail():
    c = cell()
    c.rect(0, 3, 15, 13, PAPER)
    c.frame(0, 3, 15, 13, DARK)
    # The flap.
    for i in range(7):
        c.set(1 + i, 4 + i, GREY)
        c.set(14 - i, 4 + i, GREY)
    # The lower seams.
    c.line(1, 12, 5, 8, LIGHT)
    c.line(14, 12, 10, 8, LIGHT)
    c.rect(12, 5, 13, 6, RED)
    return c


def export_pdf():
    c = cell()
    page(c, 2, 0, 13, 15 - 1)
    c.rect(0, 7, 14, 13, RED)
    text(c, 2, 8, "PDF", WHITE)
    c.hline(4, 11, 3, GREY)
    c.hline(4, 9, 5, GREY)
    return c


IMAGES = [
    open_file, save, print_report, export, find,
    outline, unused, page_settings, first_page, prior_page,
    next_page, last_page, whole_page, page_width, zoom_100,
    two_pages, hand_tool, zoom_tool, unused, new_page,
    delete_page, edit_page, full_screen, send_mail, export_pdf,
]


def strip():
    out = Canvas(16 * len(IMAGES), 16, MASK)
    for i, draw in enumerate(IMAGES):
        image = draw()
        # Each cell is made transparent by its bottom-left pixel.
        assert image.px[15][0] == MASK, "image %d covers its bottom-left pixel" % i
        out.blit(image, 16 * i, 0)
    return out


def main():
    with open(os.path.join(HERE, "PreviewButtons.bmp"), "wb") as f:
        f.write(bmp24(strip()))


if __name__ == "__main__":
    main()
