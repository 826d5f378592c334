#!/usr/bin/env python3
"""Draw the setup program's icons and the drive bitmap, and write them to res/.

Run from the repository root:   python3 tools/make_pictures.py

Standard library only; the output is byte-for-byte the same on every run.

  res/setup.ico     32x32 and 16x16, 16 colours: a computer beside a software box
  res/finished.ico  32x32, 16 colours: the same picture
  res/replace.ico   32x32, 16 colours: two pages with a curved arrow between them
  res/drives.bmp    80x15, 4-bit: hard disk, floppy, CD-ROM, closed folder,
                    open folder (16 pixels each); background is pure magenta,
                    which the program uses as the image list's transparent colour
"""
import math
import os
import struct

# The standard Windows 16-colour (VGA) palette, in 4-bit DIB index order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# One letter per palette index, used by the drawings below.  '.' is transparent
# and, in art(), a space leaves the pixel underneath unchanged.
#   K black  r maroon  g green  o olive  n navy  p purple  t teal  s silver
#   d grey   R red     G lime   Y yellow B blue  M magenta C cyan  W white
CODES = "KrgonptsdRGYBMCW"
MAGENTA = CODES.index("M")


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[None] * w for _ in range(h)]   # None = transparent

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = None if c == "." else CODES.index(c)

    def rect(self, x0, y0, x1, y1, c, edge=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                on_edge = x in (x0, x1) or y in (y0, y1)
                self.put(x, y, edge if edge and on_edge else c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x1 > x0 else -1), (1 if y1 > y0 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, c)
            if (x0, y0) == (x1, y1):
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def fill(self, test, c):
        """Paint every pixel (x, y) for which test(x, y) holds."""
        for y in range(self.h):
            for x in range(self.w):
                if test(x, y):
                    self.put(x, y, c)

    def fill_outlined(self, test, c, edge="K"):
        """Like fill(), and also paint the pixels bordering the shape with `edge`."""
        inside = lambda x, y: 0 <= x < self.w and 0 <= y < self.h and test(x, y)
        self.fill(lambda x, y: not inside(x, y) and any(
            inside(x + i, y + j) for i in (-1, 0, 1) for j in (-1, 0, 1)), edge)
        self.fill(inside, c)

    def art(self, x0, y0, rows):
        for y, row in enumerate(rows):
            for x, c in enumerate(row):
                if c != " ":
                    self.put(x0 + x, y0 + y, c)

    def box(self, x, y, w, h, d, front, top, side):
        """A box seen from the front-right-top: front face w x h whose top
        and right faces are d pixels deep, bounding box (x, y)-(x+w+d-1, y+h+d-1)."""
        self.rect(x, y + d, x + w - 1, y + d + h - 1, front, "K")
        for k in range(1, d + 1):
            yy = y + d - k
            for xx in range(x + k, x + w + k):
                self.put(xx, yy, "K" if k == d or xx in (x + k, x + w - 1 + k) else top)
            xx = x + w - 1 + k
            for yy in range(y + d - k, y + d + h - k):
                self.put(xx, yy, "K" if k == d or yy in (y + d - k, y + d + h - 1 - k) else side)


# ---------------------------------------------------------------- pictures

def computer_and_box_32():
    c = Canvas(32, 32)
    # monitor with a raised bezel and a teal screen showing a small dialog
    c.rect(1, 0, 21, 17, "s", "K")
    c.line(2, 1, 19, 1, "W")
    c.line(2, 1, 2, 15, "W")
    c.line(2, 16, 20, 16, "d")
    c.line(20, 1, 20, 16, "d")
    c.rect(4, 3, 18, 13, "t", "K")
    c.rect(6, 5, 15, 11, "s", "K")
    c.line(7, 6, 14, 6, "n")
    c.rect(8, 9, 13, 9, "n")
    c.put(20, 14, "G")                                  # power light
    # stand and base
    c.art(9, 18, ["KsddK", "KsddK"])
    c.rect(4, 20, 18, 22, "s", "K")
    c.line(5, 21, 17, 21, "W")
    # keyboard
    c.art(0, 24, [
        "..KKKKKKKKKKKKKKKKKK",
        ".KWWWWWWWWWWWWWWWWsK",
        ".KsdsdsdsdsdsdsdsdsK",
        "KsdsdsdsdsdsdsdsdsK.",
        "KssdddddddddddssssK.",
        "KKKKKKKKKKKKKKKKKKK.",
    ])
    # shrink-wrapped software box
    c.box(19, 11, 9, 17, 4, "B", "s", "n")
    c.art(20, 16, [
        "YYYYYYY",
        "RRRRRRR",
        "BBBBBBB",
        "BBWWWBB",
        "BWsBsWB",
        "BWBKBWB",
        "BWsBsWB",
        "BBWWWBB",
        "BBBBBBB",
        "YYYYYYY",
        "nnnnnnn",
        "nCnnnnn",
        "nnnnnnn",
        "nnnnnnn",
        "nnnnnnn",
    ])
    for x, y in [(21, 19), (22, 18), (25, 27), (26, 26), (24, 14), (25, 13)]:
        c.put(x, y, "W")                                # shrink-wrap glints
    c.line(29, 13, 29, 16, "B")
    c.line(29, 18, 29, 22, "B")
    c.line(30, 12, 30, 14, "t")
    return c


def computer_and_box_16():
    c = Canvas(16, 16)
    c.art(0, 0, [
        "KKKKKKKKKKK",
        "KWsssssssdK",
        "KsKKKKKKKdK",
        "KsKtttttKdK",
        "KsKtWWWtKdK",
        "KsKtnnntKdK",
        "KsKtttttKdK",
        "KsKKKKKKKdK",
        "KsddddddddK",
        "KKKKKKKKKKK",
        "...KsddK",
        ".KKKKKKKKK",
        ".KsWWWWWsK",
        ".KKKKKKKKK",
    ])
    c.box(8, 4, 6, 10, 2, "B", "s", "n")
    c.art(9, 7, [
        "WYYY",
        "RRRR",
        "BBBB",
        "BWWB",
        "BWWB",
        "BBBB",
        "YYYY",
        "BBBW",
    ])
    return c


def page(c, x, y, w, h, f=4):
    """A white page with lines of text and its top-right corner folded over."""
    rx = x + w - 1
    c.rect(x, y, rx, y + h - 1, "W", "K")
    for ty in range(y + 3, y + h - 2, 2):
        c.line(x + 2, ty, (rx - f - 2) if ty <= y + f else rx - 2, ty, "d")
    in_corner = lambda px, py: rx - f <= px <= rx and y <= py <= y + f
    c.fill(lambda px, py: in_corner(px, py) and px - (rx - f) > py - y, ".")
    c.fill(lambda px, py: in_corner(px, py) and px - (rx - f) <= py - y, "s")
    c.line(rx - f, y, rx, y + f, "K")
    c.line(rx - f, y, rx - f, y + f, "K")
    c.line(rx - f, y + f, rx, y + f, "K")


def replace_32():
    c = Canvas(32, 32)
    page(c, 1, 1, 14, 18)
    page(c, 16, 12, 15, 19)
    # a thick arrow curving over from the first page down onto the second
    cx, cy = 18.5, 11.5
    arc = lambda x, y: y + 0.5 <= cy and 3.6 <= math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= 6.4
    head = lambda x, y: y + 0.5 >= cy and abs(x + 0.5 - 23.5) <= (16.5 - y - 0.5) * 0.9
    c.fill_outlined(lambda x, y: arc(x, y) or head(x, y), "G")
    return c


def drives():
    c = Canvas(80, 15)
    c.art(0, 0, [  # hard disk
        "................",
        "................",
        "................",
        "....KKKKKKKKKKK.",
        "...KWWWWWWWWWKK.",
        "..KWssssssssKdK.",
        ".KKKKKKKKKKKddK.",
        ".KsssssssssKddK.",
        ".KsssssssssKddK.",
        ".KsGssddddsKdK..",
        ".KsssssssssKK...",
        ".KKKKKKKKKKK....",
        "................",
        "................",
        "................",
    ])
    c.art(16, 0, [  # 3.5" floppy disk
        "................",
        ".KKKKKKKKKKKKK..",
        ".KnnnsssssssnnK.",
        ".KnnnssKKsssnnK.",
        ".KnnnssKKsssnnK.",
        ".KnnnsssssssnnK.",
        ".KnnnnnnnnnnnnK.",
        ".KnnWWWWWWWWnnK.",
        ".KnnWWWWWWWWnnK.",
        ".KnnWddddddWnnK.",
        ".KnnWWWWWWWWnnK.",
        ".KnnWddddddWnnK.",
        ".KnnWWWWWWWWnnK.",
        ".KKnWWWWWWWWnnK.",
        ".KKKKKKKKKKKKKK.",
    ])
    # CD-ROM: silver disc with rainbow glints and a hole in the middle
    cx, cy = 40.5, 7.5

    def disc(lo, hi, angles=(0, 360)):
        def test(x, y):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            a = math.degrees(math.atan2(dy, dx)) % 360
            return 32 <= x < 48 and lo <= math.hypot(dx, dy) < hi and angles[0] <= a < angles[1]
        return test

    c.fill(disc(0, 7.6), "K")
    c.fill(disc(2.4, 6.7), "s")
    for lo, hi, col in [(200, 232, "W"), (232, 248, "C"), (20, 52, "W"), (52, 68, "Y")]:
        c.fill(disc(2.4, 6.2, (lo, hi)), col)
    c.fill(disc(1.2, 2.4), "d")
    c.fill(disc(0, 1.2), ".")
    c.art(48, 0, [  # closed folder
        "................",
        "................",
        "..KKKKK.........",
        ".KWYYYYK........",
        "KWYYYYYYKKKKKKK.",
        "KWWWWWWWWWWWWWoK",
        "KWYYYYYYYYYYYYoK",
        "KWYYYYYYYYYYYYoK",
        "KWYYYYYYYYYYYYoK",
        "KWYYYYYYYYYYYYoK",
        "KWYYYYYYYYYYYYoK",
        "KWYYYYYYYYYYYYoK",
        "KooooooooooooooK",
        "KKKKKKKKKKKKKKKK",
        "................",
    ])
    c.art(64, 0, [  # open folder
        "................",
        "................",
        "..KKKKK.........",
        ".KWYYYYK........",
        "KWYYYYYYKKKKKK..",
        "KWYYYYYYYYYYYoK.",
        "KWYYKKKKKKKKKKKK",
        "KWYKWWWWWWWWWWK.",
        "KWYKWYYYYYYYYoK.",
        "KWKWYYYYYYYYYK..",
        "KWKWYYYYYYYYoK..",
        "KKWYYYYYYYYYK...",
        "KKWYYYYYYYYoK...",
        "KKKKKKKKKKKK....",
        "................",
    ])
    return c


# ---------------------------------------------------------------- file formats

def pack_rows(canvas, bits, index_of):
    """Bottom-up DIB rows of `bits` bits per pixel, each padded to 4 bytes."""
    stride = (canvas.w * bits + 31) // 32 * 4
    out = bytearray()
    for row in reversed(canvas.px):
        line = bytearray(stride)
        for x, p in enumerate(row):
            v = index_of(p)
            bit = x * bits
            line[bit // 8] |= v << (8 - bits - bit % 8)
        out += line
    return bytes(out)


def info_header(w, h, bits, image_size):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, image_size, 0, 0, 16, 0)


PALETTE_BYTES = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)


def ico_image(canvas):
    xor = pack_rows(canvas, 4, lambda p: 0 if p is None else p)
    mask = pack_rows(canvas, 1, lambda p: 1 if p is None else 0)
    return info_header(canvas.w, 2 * canvas.h, 4, len(xor) + len(mask)) + PALETTE_BYTES + xor + mask


def write_ico(path, canvases):
    images = [ico_image(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for c, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, "wb") as f:
        f.write(out)


def write_bmp(path, canvas):
    for row in canvas.px:
        assert MAGENTA not in row, "magenta is reserved for the transparent background"
    pixels = pack_rows(canvas, 4, lambda p: MAGENTA if p is None else p)
    header = info_header(canvas.w, canvas.h, 4, len(pixels)) + PALETTE_BYTES
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0, 14 + len(header)))
        f.write(header + pixels)


def main():
    os.makedirs("res", exist_ok=True)
    write_ico("res/setup.ico", [computer_and_box_32(), computer_and_box_16()])
    write_ico("res/finished.ico", [computer_and_box_32()])
    write_ico("res/replace.ico", [replace_32()])
    write_bmp("res/drives.bmp", drives())


if __name__ == "__main__":
    main()
