#!/usr/bin/env python3
"""Draws the program's pictures and writes them beside this script.

    Background.bmp  the main window's background pattern (resource "PIC")
    Toolbar.bmp     the tool bar images, 16 x 16 each, side by side, on the mask colour
                    magenta: New, Open, Save, Channel Edit, Print, Read, Write, Help
    KOV571.ico      the program's icon, 32 x 32 and 16 x 16

Run it again after changing a drawing; the files are kept in the tree and compiled in as
resources, so building does not need this script.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

MASK = (255, 0, 255)


class Canvas:
    def __init__(self, width, height, fill):
        self.w = width
        self.h = height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), both included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def hline(self, x0, x1, y, c):
        for x in range(x0, x1 + 1):
            self.set(x, y, c)

    def vline(self, x, y0, y1, c):
        for y in range(y0, y1 + 1):
            self.set(x, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(self.h):
            for x in range(self.w):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.set(x, y, c)

    def ring(self, cx, cy, r, c):
        for y in range(self.h):
            for x in range(self.w):
                d = ((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2) ** 0.5
                if r - 1 < d <= r:
                    self.set(x, y, c)

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                self.set(ox + x, oy + y, other.px[y][x])


def bmp24(canvas):
    """A 24-bit BMP file, rows bottom-up."""
    stride = (canvas.w * 3 + 3) // 4 * 4
    rows = b""
    for y in range(canvas.h - 1, -1, -1):
        row = b"".join(bytes((b, g, r)) for (r, g, b) in canvas.px[y])
        rows += row + b"\0" * (stride - len(row))
    header = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(rows), 0, 0, 14 + len(header))
    return file_header + header + rows


def icon_entry(canvas, transparent):
    """One icon image: 32-bit colour with alpha, then the AND mask (1 = transparent)."""
    header = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b""
    mask = b""
    mask_stride = (canvas.w + 31) // 32 * 4
    for y in range(canvas.h - 1, -1, -1):
        row_mask = bytearray(mask_stride)
        for x in range(canvas.w):
            r, g, b = canvas.px[y][x]
            clear = (r, g, b) == transparent
            colour += bytes((0, 0, 0, 0)) if clear else bytes((b, g, r, 255))
            if clear:
                row_mask[x >> 3] |= 0x80 >> (x & 7)
        mask += bytes(row_mask)
    return header + colour + mask


def ico(canvases, transparent):
    entries = [icon_entry(c, transparent) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for c, data in zip(canvases, entries):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(entries)


# ---- Colours -----------------------------------------------------------------------------------

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
DARK = (64, 64, 64)
GREY = (128, 128, 128)
LIGHT = (192, 192, 192)
PAPER = (248, 248, 240)
NAVY = (0, 40, 120)
BLUE = (30, 90, 200)
SKY = (120, 170, 235)
YELLOW = (240, 200, 60)
BROWN = (170, 120, 30)
GREEN = (20, 150, 60)
LIME = (120, 220, 120)
RED = (200, 30, 30)
BODY = (45, 50, 60)
SCREEN = (110, 200, 190)


# ---- Tool bar ----------------------------------------------------------------------------------

def tool_new():
    c = Canvas(16, 16, MASK)
    c.rect(3, 1, 12, 14, PAPER)
    c.frame(3, 1, 12, 14, DARK)
    # The folded corner.
    for i in range(4):
        c.hline(9 + i, 12, 1 + i, MASK)
    c.vline(9, 1, 4, DARK)
    c.hline(9, 12, 4, DARK)
    for i in range(4):
        c.set(9 + i, 1 + i, DARK)
    return c


def tool_open():
    c = Canvas(16, 16, MASK)
    c.rect(1, 4, 6, 5, BROWN)
    c.rect(1, 5, 13, 13, YELLOW)
    c.frame(1, 5, 13, 13, BROWN)
    # The front flap, tilted open.
    for y in range(8, 14):
        c.hline(3 + (13 - y) // 2, 15 - (13 - y) // 2, y, (250, 225, 120))
    c.hline(4, 14, 8, BROWN)
    c.hline(1, 13, 13, BROWN)
    return c


def tool_save():
    c = Canvas(16, 16, MASK)
    c.rect(1, 1, 14, 14, NAVY)
    c.rect(4, 1, 11, 6, LIGHT)
    c.rect(9, 2, 10, 5, NAVY)
    c.rect(3, 9, 12, 14, WHITE)
    c.hline(4, 11, 11, GREY)
    c.hline(4, 11, 13, GREY)
    return c


def tool_channel_edit():
    c = Canvas(16, 16, MASK)
    # A small table of channels.
    c.rect(1, 2, 12, 13, WHITE)
    c.rect(1, 2, 12, 4, SKY)
    c.frame(1, 2, 12, 13, DARK)
    for y in (5, 8, 11):
        c.hline(1, 12, y, LIGHT)
    c.vline(5, 2, 13, LIGHT)
    c.frame(1, 2, 12, 13, DARK)
    # A pencil across it.
    for i in range(8):
        c.set(7 + i, 14 - i - 1, YELLOW)
        c.set(8 + i, 14 - i - 1, BROWN)
    c.set(6, 14, DARK)
    c.set(7, 13, DARK)
    return c


def tool_print():
    c = Canvas(16, 16, MASK)
    c.rect(4, 1, 11, 5, PAPER)
    c.frame(4, 1, 11, 5, DARK)
    c.rect(1, 5, 14, 11, LIGHT)
    c.frame(1, 5, 14, 11, DARK)
    c.set(12, 7, GREEN)
    c.rect(4, 10, 11, 14, PAPER)
    c.frame(4, 10, 11, 14, DARK)
    c.hline(5, 10, 12, GREY)
    return c


def radio_small(c, x0):
    """A handheld radio standing at x0..x0+5."""
    c.vline(x0 + 1, 0, 3, DARK)
    c.rect(x0, 3, x0 + 5, 15, BODY)
    c.rect(x0 + 1, 5, x0 + 4, 7, SCREEN)
    for y in (9, 11, 13):
        c.set(x0 + 1, y, LIGHT)
        c.set(x0 + 4, y, LIGHT)


def tool_read():
    c = Canvas(16, 16, MASK)
    radio_small(c, 0)
    # An arrow from the radio into the program.
    c.rect(7, 7, 11, 9, GREEN)
    for i in range(4):
        c.vline(12 + i, 5 + i, 11 - i, GREEN)
    return c


def tool_write():
    c = Canvas(16, 16, MASK)
    radio_small(c, 10)
    # An arrow from the program into the radio.
    c.rect(0, 7, 4, 9, RED)
    for i in range(4):
        c.vline(5 + i, 5 + i, 11 - i, RED)
    return c


def tool_help():
    c = Canvas(16, 16, MASK)
    c.disc(8, 8, 7.5, BLUE)
    # The question mark.
    c.hline(6, 9, 3, WHITE)
    c.hline(5, 10, 4, WHITE)
    c.set(5, 5, WHITE)
    c.set(6, 5, WHITE)
    c.rect(9, 5, 10, 6, WHITE)
    c.rect(8, 7, 9, 7, WHITE)
    c.rect(7, 8, 8, 9, WHITE)
    c.rect(7, 11, 8, 12, WHITE)
    return c


def toolbar():
    images = [tool_new(), tool_open(), tool_save(), tool_channel_edit(), tool_print(), tool_read(),
              tool_write(), tool_help()]
    strip = Canvas(16 * len(images), 16, MASK)
    for i, image in enumerate(images):
        strip.blit(image, 16 * i, 0)
    return strip


# ---- Icon --------------------------------------------------------------------------------------

def icon32():
    c = Canvas(32, 32, MASK)
    # Antenna and knob.
    c.rect(10, 1, 12, 9, DARK)
    c.rect(17, 4, 20, 8, GREY)
    # Body with a lighter edge.
    c.rect(7, 8, 24, 30, BODY)
    c.vline(7, 8, 30, GREY)
    c.hline(7, 24, 8, GREY)
    c.frame(7, 8, 24, 30, BLACK)
    # The display with a channel number.
    c.rect(10, 11, 21, 16, SCREEN)
    c.frame(10, 11, 21, 16, BLACK)
    c.hline(13, 18, 13, NAVY)
    c.vline(16, 12, 15, NAVY)
    # The keys.
    for row in range(3):
        for col in range(3):
            c.rect(10 + col * 4, 19 + row * 3, 12 + col * 4, 20 + row * 3, LIGHT)
    # The speaker grille and a red transmit light.
    c.rect(21, 9, 22, 9, RED)
    c.hline(10, 21, 29, DARK)
    return c


def icon16():
    c = Canvas(16, 16, MASK)
    c.vline(5, 0, 4, DARK)
    c.rect(3, 4, 12, 15, BODY)
    c.frame(3, 4, 12, 15, BLACK)
    c.rect(5, 6, 10, 8, SCREEN)
    for row in range(2):
        for col in range(3):
            c.set(5 + col * 2, 10 + row * 2, LIGHT)
    c.set(11, 5, RED)
    return c


# ---- Background --------------------------------------------------------------------------------

def background():
    """A quiet tile: steel blue with a fine diagonal weave, seamless at its edges."""
    size = 64
    c = Canvas(size, size, (0, 0, 0))
    for y in range(size):
        for x in range(size):
            base = 112
            if (x + y) % 8 == 0:
                base += 10
            if (x - y) % 16 == 0:
                base += 6
            c.set(x, y, (base - 40, base - 10, base + 40))
    return c


def main():
    with open(os.path.join(HERE, "Toolbar.bmp"), "wb") as f:
        f.write(bmp24(toolbar()))
    with open(os.path.join(HERE, "Background.bmp"), "wb") as f:
        f.write(bmp24(background()))
    with open(os.path.join(HERE, "KOV571.ico"), "wb") as f:
        f.write(ico([icon32(), icon16()], MASK))


if __name__ == "__main__":
    main()
