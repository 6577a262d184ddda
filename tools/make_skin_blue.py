#!/usr/bin/env python3
"""Draws the pictures of the skin "Blue" and the main window's menu-bar picture as GIF files.

    tools/make_skin_blue.py [repo folder]

Writes Skinz/Blue/<control>.gif for every skinned image control of the shell's windows and
shell/resources/Image2.gif (the menu-bar background, built into the program). Python 3 with
only the standard library; the output is the same on every run.

Sizes follow the chrome layout: the title bar is 22 pixels high with its left end 13 and its
right end 10 pixels wide; title buttons are 16 x 22 (17 pixels apart); the side edges are
3 pixels wide; the bottom pieces are 22 pixels high with 13-pixel corners.
"""
import os
import struct
import sys

# --- colours -------------------------------------------------------------------------------

OUTLINE = (10, 36, 106)
TITLE_TOP = (120, 170, 240)
TITLE_MID = (40, 100, 210)
TITLE_LOW = (22, 74, 180)
TITLE_RULE = (12, 52, 140)
EDGE_LIGHT = (52, 110, 210)
EDGE_MID = (30, 85, 184)
BAND_TOP = (64, 124, 220)
BAND_LOW = (26, 79, 176)
WHITE = (255, 255, 255)
GLYPH_SHADOW = (16, 48, 120)
FACE_TOP = (96, 150, 236)
FACE_LOW = (34, 88, 196)
FACE_EDGE = (220, 232, 252)
CLOSE_TOP = (236, 126, 96)
CLOSE_LOW = (196, 58, 28)
STRIP_TOP = (236, 243, 253)
STRIP_LOW = (198, 218, 246)
STRIP_RULE = (132, 168, 226)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def ramp(stops, n):
    """n colours along the colour stops [(position 0..1, colour), ...]."""
    out = []
    for i in range(n):
        t = i / (n - 1) if n > 1 else 0
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if p0 <= t <= p1:
                out.append(mix(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 0))
                break
    return out


TITLE_ROWS = [OUTLINE] + ramp([(0, TITLE_TOP), (0.45, TITLE_MID), (1, TITLE_LOW)], 20) + [TITLE_RULE]
BAND_ROWS = [TITLE_RULE] + ramp([(0, BAND_TOP), (1, BAND_LOW)], 20) + [OUTLINE]


# --- pictures ------------------------------------------------------------------------------

class Picture:
    def __init__(self, width, height, fill=(0, 0, 0)):
        self.width, self.height = width, height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def rows(self, colours):
        for y, c in enumerate(colours):
            for x in range(self.width):
                self.px[y][x] = c
        return self

    def columns(self, colours):
        for x, c in enumerate(colours):
            for y in range(self.height):
                self.px[y][x] = c
        return self


def title_piece(width):
    return Picture(width, 22).rows(TITLE_ROWS)


def button(kind):
    """A 16 x 22 title button: a rounded 16 x 16 face on the title bar, with a white glyph."""
    pic = title_piece(16)
    top, low = (CLOSE_TOP, CLOSE_LOW) if kind == "close" else (FACE_TOP, FACE_LOW)
    face = ramp([(0, top), (1, low)], 14)
    for y in range(3, 19):
        for x in range(0, 16):
            corner = (x in (0, 15)) and (y in (3, 18))
            if corner:
                continue
            if x in (0, 15) or y in (3, 18):
                pic.set(x, y, FACE_EDGE)
            else:
                pic.set(x, y, face[y - 4])
    glyph = GLYPHS[kind]
    for gy, line in enumerate(glyph):
        for gx, ch in enumerate(line):
            if ch == "#":
                pic.set(3 + gx + 1, 5 + gy + 1, GLYPH_SHADOW)
    for gy, line in enumerate(glyph):
        for gx, ch in enumerate(line):
            if ch == "#":
                pic.set(3 + gx, 5 + gy, WHITE)
    return pic


# 10 x 11 glyphs drawn at (3, 5) of the button.
GLYPHS = {
    "close": [
        "..........",
        ".##....##.",
        "..##..##..",
        "...####...",
        "....##....",
        "...####...",
        "..##..##..",
        ".##....##.",
        "..........",
        "..........",
        "..........",
    ],
    "minimize": [
        "..........",
        "..........",
        "..........",
        "..........",
        "..........",
        "..........",
        "..........",
        ".#######..",
        ".#######..",
        "..........",
        "..........",
    ],
    "maximize": [
        "..........",
        ".#######..",
        ".#######..",
        ".#.....#..",
        ".#.....#..",
        ".#.....#..",
        ".#.....#..",
        ".#######..",
        "..........",
        "..........",
        "..........",
    ],
    "restore": [
        "...#####..",
        "...#####..",
        "...#...#..",
        ".#####.#..",
        ".#####.#..",
        ".#...###..",
        ".#...#....",
        ".#####....",
        "..........",
        "..........",
        "..........",
    ],
    "help": [
        "...####...",
        "..##..##..",
        "......##..",
        ".....##...",
        "....##....",
        "....##....",
        "..........",
        "....##....",
        "....##....",
        "..........",
        "..........",
    ],
}


def title_left():
    pic = title_piece(13)
    for y in range(1, 21):
        pic.set(0, y, OUTLINE)
        pic.set(1, y, mix(TITLE_ROWS[y], WHITE, 0.35))
    # A small emblem: a white diamond with a blue centre.
    for dy in range(-3, 4):
        for dx in range(-3, 4):
            d = abs(dx) + abs(dy)
            if d <= 3:
                pic.set(7 + dx, 11 + dy, WHITE if d >= 2 else TITLE_MID)
    return pic


def title_right():
    pic = title_piece(10)
    for y in range(1, 21):
        pic.set(9, y, OUTLINE)
        pic.set(8, y, mix(TITLE_ROWS[y], OUTLINE, 0.4))
    return pic


def band_piece(width):
    return Picture(width, 22).rows(BAND_ROWS)


def bottom_right():
    pic = band_piece(13)
    # A size grip of light dots.
    for i, (x, y) in enumerate([(8, 9), (8, 13), (4, 13), (8, 17), (4, 17), (0, 17)]):
        pic.set(x, y, mix(WHITE, BAND_TOP, 0.2))
        pic.set(x + 1, y + 1, GLYPH_SHADOW)
    return pic


def menu_strip():
    return Picture(8, 18).rows(ramp([(0, STRIP_TOP), (1, STRIP_LOW)], 17) + [STRIP_RULE])


SKIN = {
    "imgTitleLeft": title_left,
    "imgTitleMain": lambda: title_piece(8),
    "imgTitleRight": title_right,
    "imgTitleClose": lambda: button("close"),
    "imgTitleMinimize": lambda: button("minimize"),
    "imgTitleMaximize": lambda: button("maximize"),
    "imgTitleMaxRestore": lambda: button("maximize"),
    "imgTitleRestore": lambda: button("restore"),
    "imgTitleHelp": lambda: button("help"),
    "imgWindowLeft": lambda: Picture(3, 8).columns([OUTLINE, EDGE_LIGHT, EDGE_MID]),
    "imgWindowRight": lambda: Picture(3, 8).columns([EDGE_MID, EDGE_LIGHT, OUTLINE]),
    "imgWindowBottom": lambda: band_piece(8),
    "imgWindowBottomLeft": lambda: band_piece(13),
    "imgWindowBottomRight": bottom_right,
}


# --- GIF writer ----------------------------------------------------------------------------

def lzw(indices, min_size):
    clear, end = 1 << min_size, (1 << min_size) + 1
    out, acc, nbits = bytearray(), 0, 0

    def emit(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    def fresh():
        return {(i,): i for i in range(clear)}, end + 1, min_size + 1

    table, next_code, size = fresh()
    emit(clear, size)
    run = ()
    for k in indices:
        longer = run + (k,)
        if longer in table:
            run = longer
            continue
        emit(table[run], size)
        if next_code < 4096:
            table[longer] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table, next_code, size = fresh()
        run = (k,)
    if run:
        emit(table[run], size)
    emit(end, size)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif_bytes(pic):
    palette = []
    index = {}
    pixels = []
    for row in pic.px:
        for c in row:
            if c not in index:
                index[c] = len(palette)
                palette.append(c)
            pixels.append(index[c])
    assert len(palette) <= 256, "too many colours"
    bits = 1
    while (1 << bits) < len(palette):
        bits += 1
    palette += [(0, 0, 0)] * ((1 << bits) - len(palette))
    min_size = max(2, bits)
    data = lzw(pixels, min_size)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                      for i in range(0, len(data), 255))
    return (b"GIF89a"
            + struct.pack("<HHBBB", pic.width, pic.height, 0x80 | 0x70 | (bits - 1), 0, 0)
            + b"".join(bytes(c) for c in palette)
            + struct.pack("<BHHHHB", 0x2C, 0, 0, pic.width, pic.height, 0)
            + bytes([min_size]) + blocks + b"\x00"
            + b"\x3B")


def write(path, pic):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(gif_bytes(pic))


def main():
    repo = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    for name, draw in SKIN.items():
        write(os.path.join(repo, "Skinz", "Blue", name + ".gif"), draw())
    write(os.path.join(repo, "shell", "resources", "Image2.gif"), menu_strip())
    print("wrote %d skin pictures and the menu-bar picture" % len(SKIN))


if __name__ == "__main__":
    main()
