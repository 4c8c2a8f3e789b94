#!/usr/bin/python3
# Draws every picture and font of the game into data/ (tiles, figure, icons, explosion, the
# title background and the three bitmap fonts), then the contact sheet under docs/.
# Deterministic: no clock, no unseeded randomness, so two runs write identical bytes.
# Needs Pillow and the DejaVu fonts (Debian: python3-pil, fonts-dejavu-core).
import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(REPO, "data")
FONT_DIR = "/usr/share/fonts/truetype/dejavu"

KEY = (255, 0, 128)  # the sprite colour key: transparent, and used for nothing else
TILE = 32            # tiles, figure frames and icons are drawn at the screen cell size

# ---- Palette ---------------------------------------------------------------------------
# Ramps run dark to light. One set of ramps for everything keeps the pictures coherent.
OUTLINE = (22, 16, 22)
EARTH = [(40, 24, 16), (62, 39, 23), (84, 54, 31), (106, 70, 41), (130, 89, 53),
         (156, 112, 70)]
PEBBLE = [(70, 60, 56), (104, 92, 84), (140, 128, 116), (176, 166, 150)]
ROCK = [(22, 22, 32), (38, 40, 54), (56, 60, 78), (78, 83, 104), (102, 108, 132),
        (132, 138, 162), (166, 172, 194)]
STONE = [(30, 28, 34), (54, 52, 60), (82, 80, 88), (112, 110, 118), (144, 142, 150),
         (180, 178, 184), (214, 212, 218), (244, 244, 248)]
GEM = [(6, 40, 48), (10, 74, 82), (16, 116, 120), (30, 162, 156), (64, 206, 186),
       (140, 240, 218), (214, 255, 244), (255, 255, 255)]
GOLD = [(84, 52, 10), (136, 92, 18), (196, 146, 34), (240, 196, 64), (255, 230, 130),
        (255, 248, 208)]
WOOD = [(48, 26, 14), (78, 44, 22), (110, 66, 32), (142, 90, 46), (176, 120, 66)]
FIRE = [(84, 20, 22), (150, 36, 26), (212, 72, 28), (246, 132, 36), (255, 190, 60),
        (255, 236, 140), (255, 255, 232)]
SMOKE = [(40, 36, 38), (64, 58, 60), (92, 86, 86), (124, 118, 114)]
SKIN = [(170, 108, 76), (212, 150, 110), (244, 198, 156)]
SHIRT = [(120, 32, 36), (168, 46, 44), (214, 74, 58)]
DENIM = [(32, 50, 104), (50, 80, 156), (78, 118, 202)]
BOOT = [(56, 34, 20), (92, 58, 32), (126, 84, 48)]
GREEN = [(20, 80, 40), (40, 150, 70), (110, 220, 120), (200, 255, 200)]
RED = [(110, 20, 24), (190, 40, 40), (236, 84, 72)]
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)

BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


# ---- Deterministic noise ---------------------------------------------------------------
def hash01(x, y, seed):
    """A repeatable pseudo-random value in [0, 1) for integer x, y and seed."""
    h = (x * 374761393 + y * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    h = ((h ^ (h >> 16)) * 2654435761) & 0xFFFFFFFF
    return ((h ^ (h >> 15)) & 0xFFFFFF) / float(1 << 24)


def value_noise(x, y, cell, seed, period=None):
    """Smooth noise with lattice spacing `cell`; tiles with `period` pixels when given."""
    gx, gy = x / cell, y / cell
    x0, y0 = math.floor(gx), math.floor(gy)
    fx, fy = gx - x0, gy - y0
    fx, fy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
    n = None if period is None else max(1, round(period / cell))

    def corner(cx, cy):
        if n is not None:
            cx, cy = cx % n, cy % n
        return hash01(cx, cy, seed)

    a = corner(x0, y0) + (corner(x0 + 1, y0) - corner(x0, y0)) * fx
    b = corner(x0, y0 + 1) + (corner(x0 + 1, y0 + 1) - corner(x0, y0 + 1)) * fx
    return a + (b - a) * fy


def fractal(x, y, cell, seed, octaves=3, period=None):
    total, amp, norm = 0.0, 1.0, 0.0
    for o in range(octaves):
        total += amp * value_noise(x, y, cell, seed + 17 * o, period)
        norm += amp
        amp *= 0.5
        cell = max(1.0, cell / 2)
    return total / norm


def noise_field(w, h, cell, seed, octaves=1):
    """Smooth noise over a whole picture at once (values in [0, 1], rows of lists): a grid
    of repeatable random values enlarged with bicubic filtering, octaves summed."""
    total = [[0.0] * w for _ in range(h)]
    amp, norm = 1.0, 0.0
    for o in range(octaves):
        gw, gh = w // cell + 3, h // cell + 3
        small = Image.new("L", (gw, gh))
        small.putdata([int(hash01(x, y, seed + 17 * o) * 255) for y in range(gh)
                       for x in range(gw)])
        big = small.resize((gw * cell, gh * cell), Image.BICUBIC)
        data = big.load()
        for y in range(h):
            row = total[y]
            for x in range(w):
                row[x] += amp * data[x + cell, y + cell] / 255.0
        norm += amp
        amp *= 0.5
        cell = max(1, cell // 2)
    return [[v / norm for v in row] for row in total]


def ramp(colours, v, x=0, y=0, dither=True):
    """Picks a ramp colour for a shade v in [0, 1], with ordered dithering between steps."""
    v = min(1.0, max(0.0, v)) * (len(colours) - 1)
    if dither:
        v += (BAYER4[y % 4][x % 4] + 0.5) / 16.0 - 0.5
    i = int(round(v))
    return colours[min(len(colours) - 1, max(0, i))]


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


# ---- Pixel canvas ----------------------------------------------------------------------
class Canvas:
    """A small RGB picture with None for transparent pixels (written as the key colour)."""

    def __init__(self, w, h, fill=None):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def get(self, x, y):
        if 0 <= x < self.w and 0 <= y < self.h:
            return self.px[y][x]
        return None

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def copy(self):
        c = Canvas(self.w, self.h)
        c.px = [row[:] for row in self.px]
        return c

    def mirrored(self):
        c = Canvas(self.w, self.h)
        c.px = [row[::-1] for row in self.px]
        return c

    def opaque(self, x, y):
        return self.get(x, y) is not None

    def outline(self, colour=OUTLINE):
        """Adds a one-pixel outline around the opaque pixels (four-neighbour)."""
        add = []
        near = [(1, 0), (-1, 0), (0, 1), (0, -1)]
        for y in range(self.h):
            for x in range(self.w):
                if self.px[y][x] is not None:
                    continue
                if any(self.opaque(x + dx, y + dy) for dx, dy in near):
                    add.append((x, y))
        for x, y in add:
            self.px[y][x] = colour

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                c = other.px[y][x]
                if c is not None:
                    self.set(ox + x, oy + y, c)

    def to_image(self, key=KEY):
        img = Image.new("RGB", (self.w, self.h))
        img.putdata([key if c is None else c for row in self.px for c in row])
        return img


def from_art(rows, colours):
    """Builds a canvas from rows of characters; '.' is transparent."""
    c = Canvas(len(rows[0]), len(rows))
    for y, row in enumerate(rows):
        assert len(row) == c.w, (y, row)
        for x, ch in enumerate(row):
            if ch != ".":
                c.px[y][x] = colours[ch]
    return c


# ---- BMP writer ------------------------------------------------------------------------
def write_bmp(path, img):
    """24-bit uncompressed BMP, bottom-up rows, 40-byte info header."""
    img = img.convert("RGB")
    w, h = img.size
    row_size = (w * 3 + 3) // 4 * 4
    pad = b"\0" * (row_size - w * 3)
    data = img.tobytes()
    rows = []
    for y in range(h - 1, -1, -1):
        line = data[y * w * 3:(y + 1) * w * 3]
        bgr = bytearray(len(line))
        bgr[0::3], bgr[1::3], bgr[2::3] = line[2::3], line[1::3], line[0::3]
        rows.append(bytes(bgr) + pad)
    pixels = b"".join(rows)
    offset = 14 + 40
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def check_no_false_key(img, allow_key):
    """No pixel may be caught by the transparency tests unless it is meant to be."""
    for i, (r, g, b) in enumerate(img.getdata()):
        if (r, g, b) == KEY and allow_key:
            continue
        if r == 255 and g == 0 and 127 <= b <= 132:
            raise ValueError("pixel %d looks like the colour key" % i)


# ---- Tiles -----------------------------------------------------------------------------
def draw_wall():
    """Blue-grey stone bricks, four courses of 8 pixels, half-brick offset; tiles seamlessly."""
    c = Canvas(TILE, TILE)
    for y in range(TILE):
        course = y // 8
        ly = y % 8
        for x in range(TILE):
            sx = (x + (8 if course % 2 else 0)) % TILE
            brick = sx // 16
            lx = sx % 16
            if ly == 7 or lx == 15:
                c.px[y][x] = ROCK[0]
                continue
            corner = (lx in (0, 14)) and (ly in (0, 6))
            if corner:
                c.px[y][x] = ROCK[1]
                continue
            base = 0.42 + 0.16 * hash01(brick, course, 11)
            n = fractal(x, y, 4, 12, 2, period=TILE) - 0.5
            v = base + 0.22 * n
            if ly == 0 or lx == 0:
                v += 0.2
            if ly == 6 or lx == 14:
                v -= 0.2
            if hash01(x, y, 13) > 0.93:
                v -= 0.18
            c.px[y][x] = ramp(ROCK[1:], v, x, y)
    return c


def draw_earth():
    """Brown earth: clumps of lighter soil, dark crevices and a few pebbles; tiles seamlessly."""
    c = Canvas(TILE, TILE)
    for y in range(TILE):
        for x in range(TILE):
            n = fractal(x, y, 8, 21, 3, period=TILE)
            clump = value_noise(x, y, 4, 23, period=TILE)
            v = 0.18 + 0.5 * (n - 0.25) + 0.3 * max(0.0, clump - 0.55)
            g = hash01(x, y, 22)
            if g > 0.92:
                v += 0.16
            elif g < 0.08:
                v -= 0.2
            c.px[y][x] = ramp(EARTH[:5], v, x, y)
    # Crevices: short dark strokes with a lit lip above.
    for px, py, n in [(2, 12, 4), (18, 7, 3), (12, 29, 5), (24, 22, 4)]:
        for i in range(n):
            x, y = (px + i) % TILE, (py + (i // 2)) % TILE
            c.px[y][x] = EARTH[0]
            c.px[(y - 1) % TILE][x] = EARTH[4]
    # Pebbles of a few shapes: a light top, a dark underside, a shadow below.
    pebbles = [(5, 5, ["12", "21"]), (22, 2, ["122", "211"]), (27, 16, ["1", "2"]),
               (10, 20, ["122", "221", ".2."]), (16, 12, ["12"]), (3, 26, ["12", "22"]),
               (21, 26, ["1"]), (29, 28, ["12"])]
    for px, py, rows in pebbles:
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch == ".":
                    continue
                x, y = (px + dx) % TILE, (py + dy) % TILE
                c.px[y][x] = PEBBLE[3] if ch == "1" else PEBBLE[1]
        for dx in range(len(rows[-1])):
            c.px[(py + len(rows)) % TILE][(px + dx) % TILE] = EARTH[0]
    return c


def shade_sphere(x, y, cx, cy, r, light=(-0.55, -0.65, 0.52)):
    """Lambert shade of a sphere pixel, or None outside it."""
    dx, dy = (x + 0.5 - cx) / r, (y + 0.5 - cy) / r
    d2 = dx * dx + dy * dy
    if d2 > 1.0:
        return None
    dz = math.sqrt(1.0 - d2)
    ln = math.sqrt(sum(v * v for v in light))
    lam = (dx * light[0] + dy * light[1] + dz * light[2]) / ln
    return max(0.0, lam), d2


def draw_stone():
    """A round grey boulder lit from the top left: clear shading bands, a rim of reflected
    light at the bottom right, a highlight, a crack and two chips."""
    c = Canvas(TILE, TILE)
    cx, cy = 16.0, 16.0
    for y in range(TILE):
        for x in range(TILE):
            ang = math.atan2(y + 0.5 - cy, x + 0.5 - cx)
            r = 14.7 + 0.35 * math.sin(3 * ang + 0.6) + 0.25 * math.sin(5 * ang + 2.0)
            s = shade_sphere(x, y, cx, cy, r)
            if s is None:
                continue
            lam, d2 = s
            v = 0.1 + 0.85 * lam ** 1.2
            v += 0.14 * (fractal(x, y, 6, 31, 2) - 0.5)
            # Light bounced from the ground along the lower right rim.
            dxn, dyn = (x + 0.5 - cx) / r, (y + 0.5 - cy) / r
            if d2 > 0.72 and dxn + dyn > 0.9:
                v += 0.16
            if hash01(x, y, 32) > 0.97:
                v -= 0.14
            c.px[y][x] = ramp(STONE[1:7], v, x, y)
    for x, y in [(19, 18), (20, 19), (20, 20), (21, 21), (22, 21), (19, 20)]:
        c.set(x, y, STONE[1])
    for x, y in [(20, 18), (21, 19), (21, 20), (22, 20)]:
        c.set(x, y, STONE[4])
    for x, y in [(8, 21), (9, 21), (24, 11)]:
        c.set(x, y, STONE[2])
    for x, y, col in [(9, 8, 7), (10, 8, 7), (9, 9, 7), (11, 8, 6), (8, 9, 6),
                      (10, 9, 6), (9, 10, 6), (12, 7, 6)]:
        c.set(x, y, STONE[col])
    c.outline(OUTLINE)
    return c


def draw_gem(size=1.0, sparkles=((6, 6, 3),)):
    """The Brillox: a cut green-cyan gem seen from the side, with a sparkle."""
    c = Canvas(TILE, TILE)
    cx = 16.0
    top, girdle, bottom = 16 - 9 * size, 16 - 2 * size, 16 + 12 * size
    half_top, half_mid = 7 * size, 13 * size
    for y in range(TILE):
        yc = y + 0.5
        for x in range(TILE):
            xc = x + 0.5 - cx
            if top <= yc < girdle:  # crown
                t = (yc - top) / (girdle - top)
                hw = half_top + (half_mid - half_top) * t
                if abs(xc) > hw:
                    continue
                # Crown facets: the table in the middle, bevels left and right.
                table = abs(xc) < half_top * 0.55 + 1.0 * t * size
                if table:
                    v = 0.82 if xc < 0 else 0.72
                elif xc < 0:
                    v = 0.92 if xc < -hw * 0.7 else 0.64
                else:
                    v = 0.42 if xc > hw * 0.7 else 0.56
                if yc - top < 1.2:
                    v += 0.12
            elif girdle <= yc < bottom:  # pavilion
                t = (yc - girdle) / (bottom - girdle)
                hw = half_mid * (1 - t)
                if abs(xc) > hw:
                    continue
                # Long facets converging on the point: split by the ratio across the width.
                u = xc / max(hw, 0.5)
                if u < -0.55:
                    v = 0.66
                elif u < 0:
                    v = 0.5
                elif u < 0.55:
                    v = 0.36
                else:
                    v = 0.22
                if yc - girdle < 1.1:
                    v = 0.9 if xc < 0 else 0.7
            else:
                continue
            c.px[y][x] = ramp(GEM[1:7], v, x, y, dither=False)
    c.outline(GEM[0])
    for sx, sy, r in sparkles:
        sparkle(c, sx, sy, r)
    return c


def sparkle(c, x, y, r):
    """A four-pointed star of light."""
    c.set(x, y, WHITE)
    for d in range(1, r + 1):
        col = WHITE if d < r else GEM[5]
        for dx, dy in [(d, 0), (-d, 0), (0, d), (0, -d)]:
            c.set(x + dx, y + dy, col)
    if r >= 2:
        for dx, dy in [(1, 1), (-1, 1), (1, -1), (-1, -1)]:
            c.set(x + dx, y + dy, GEM[6])


def draw_black():
    return Canvas(TILE, TILE, BLACK)


def draw_exit():
    """The exit: a planked wooden door under a stone arch set into the brick wall, with warm
    light in its window and spilling out under it."""
    c = draw_wall()
    cx, spring = 16.0, 12.0  # the arch's centre line and the row where it starts to curve

    def reach(y):
        """Distance from the centre line to the arch's outer edge and the door's edge."""
        dy = max(0.0, spring - (y + 0.5))
        outer, inner = 12.0, 8.6
        return (math.sqrt(max(0.0, outer * outer - dy * dy)) if dy < outer else -1,
                math.sqrt(max(0.0, inner * inner - dy * dy)) if dy < inner else -1)

    for y in range(1, TILE):
        outer, inner = reach(y)
        for x in range(TILE):
            xc = x + 0.5 - cx
            if abs(xc) > outer:
                continue
            if abs(xc) > inner:
                # Frame stones, lit from the left, with joints between them.
                v = 0.62 - 0.25 * xc / 12.0 + 0.12 * (hash01(x, y, 41) - 0.5)
                if y < spring:
                    ang = math.atan2(spring - y - 0.5, xc)
                    if abs(ang * 5 / math.pi * 2 % 2 - 1) > 0.86:
                        v -= 0.35
                elif y % 6 == 5:
                    v -= 0.35
                c.px[y][x] = ramp(STONE[2:7], v, x, y)
                continue
            # The door: vertical planks with dark seams, two iron bands.
            plank = int((xc + inner) // 4.3)
            seam = (xc + 8.6) % 4.3 < 0.9
            v = 0.5 + 0.14 * (hash01(plank, 0, 42) - 0.5)
            v += 0.18 * (fractal(x * 3, y, 6, 43, 2) - 0.5)
            col = WOOD[0] if seam else ramp(WOOD, v, x, y)
            if y in (14, 26):
                col = STONE[3]
            elif y in (15, 27):
                col = STONE[1]
            c.px[y][x] = col
    # A diamond-shaped window with warm light.
    for y in range(6, 13):
        for x in range(12, 20):
            d = abs(x + 0.5 - 16) + abs(y + 0.5 - 9.5)
            if d < 2.2:
                c.px[y][x] = GOLD[5]
            elif d < 3.6:
                c.px[y][x] = GOLD[4]
            elif d < 4.5:
                c.px[y][x] = WOOD[0]
    # Ring handle.
    for x, y, col in [(20, 19, GOLD[4]), (21, 19, GOLD[3]), (20, 20, GOLD[3]),
                      (21, 20, GOLD[1]), (19, 20, GOLD[2]), (20, 21, GOLD[1])]:
        c.set(x, y, col)
    # Light spilling from under the door onto the threshold.
    for x in range(8, 24):
        c.set(x, 31, GOLD[4] if 10 <= x <= 21 else GOLD[3])
        c.set(x, 30, mix(c.get(x, 30), GOLD[3], 0.45))
    return c


# ---- The figure ------------------------------------------------------------------------
# The miner: yellow helmet with a lamp, moustache, red shirt, blue overalls, brown boots.
# Drawn as character grids (fill only; the outline is added around the silhouette).
FIGURE_COLOURS = {
    "Y": GOLD[4], "y": GOLD[3], "o": GOLD[2], "O": GOLD[1],
    "W": (255, 255, 236), "L": GOLD[5], "g": STONE[5], "G": STONE[3],
    "S": SKIN[2], "s": SKIN[1], "z": SKIN[0], "p": (236, 150, 128),
    "E": (28, 20, 28), "h": (96, 58, 34), "M": (124, 76, 44), "m": (84, 50, 30),
    "R": SHIRT[2], "r": SHIRT[1], "q": SHIRT[0],
    "B": DENIM[2], "b": DENIM[1], "n": DENIM[0], "C": GOLD[4],
    "D": BOOT[2], "d": BOOT[1], "e": BOOT[0], "K": OUTLINE,
}

FRONT = [
    "................................",
    "................................",
    "............oyYYyyyo............",
    "...........oyYYYyyyyo...........",
    "..........yYYYggggyyyo..........",
    ".........yYYYgWWWLgyyoo.........",
    ".........yYYygWLLLgyyoo.........",
    ".........yYyyyggggyyooO.........",
    ".........yyyyyyyyyyoooO.........",
    ".......yyyyyyyyyyyyyyyyoo.......",
    "..........sssssssssssz..........",
    "..........SSSSSSSSSSSs..........",
    ".........sSSSESSSSESSsz.........",
    ".........sSSSESSSSESSsz.........",
    "..........SpSSSssSSSps..........",
    "..........SmMMMMMMMMms..........",
    "..........SmSSSzzSSSms..........",
    "...........ssssssssss...........",
    "........RRRRCRRRRRRCRrrr........",
    ".......RRrRRCBBBBBBCrrrrq.......",
    ".......RRrRRBBBBBBBbrrrrq.......",
    ".......RRrRRBBBBBBBbrrrrq.......",
    ".......RRrRRBBBBBBBbrrrrq.......",
    ".......SSsBBBBBBBBBBBbbSsz......",
    ".......sszBBBBBBBBBBBbbssz......",
    "..........BBBBBBBBBBbb..........",
    "..........BBBBb..BBBbb..........",
    "..........BBBBb..BBBbb..........",
    ".........DDDDDd..DDDDdd.........",
    ".........eeeeee..eeeeee.........",
    "................................",
    "................................",
]

SIDE = [
    "................................",
    "................................",
    "............oyYYyyyo............",
    "...........oyYYYyyyyo...........",
    "..........yYYYyyyyyyyoGg........",
    ".........yYYYyyyyyyyyoGWWL......",
    ".........yYYyyyyyyyyyoGWLL......",
    ".........yYyyyyyyyyyooGgg.......",
    ".........yyyyyyyyyyyoooO........",
    ".........yyyyyyyyyyyyyyyyyoo....",
    "..........hhhhsssssssss.........",
    "..........hhhhSSSSSSSSs.........",
    "..........hhhzSSSSSSESS.........",
    "..........hhzzSSSSSSESSS........",
    "..........hhhzSSSSSpSSSSs.......",
    "...........hhSSSSSSmMMMMm.......",
    "............sSSSSSSSzmm.........",
    ".............sssssssss..........",
    "..........rRRRRCRRRRr...........",
    "..........rRqRRRrCBBb...........",
    "..........rRqRRRrBBBb...........",
    "..........rRqRRRrBBBb...........",
    "..........bBqRRRrBBBb...........",
    "..........bBKSSSsBBBb...........",
    "..........bBBsszBBBBb...........",
    "..........bBBBBBBBBBb...........",
    ".........bBBBb..BBBBb...........",
    "........bBBb.....BBBBb..........",
    "......dDDDd......DDDDDDd........",
    "......eeeee......eeeeeee........",
    "................................",
    "................................",
]


def figure_front():
    return from_art(FRONT, FIGURE_COLOURS)


def figure_side_right():
    return from_art(SIDE, FIGURE_COLOURS)


def with_eyes(c, left_x, right_x):
    """Moves the two one-pixel-wide eyes (rows 12 and 13) to other columns."""
    c = c.copy()
    for y in (12, 13):
        for x in range(10, 22):
            if c.px[y][x] == FIGURE_COLOURS["E"]:
                c.px[y][x] = FIGURE_COLOURS["S"]
        c.px[y][left_x] = FIGURE_COLOURS["E"]
        c.px[y][right_x] = FIGURE_COLOURS["E"]
    return c


def figure_wave():
    """Idle frame: eyes shut in a grin, the right arm raised in a wave."""
    c = figure_front()
    skin, eye = FIGURE_COLOURS["S"], FIGURE_COLOURS["E"]
    for y in (12, 13):
        for x in range(10, 22):
            if c.px[y][x] == eye:
                c.px[y][x] = skin
    for x in (12, 13, 18, 19):
        c.px[13][x] = eye
    c.px[16][15], c.px[16][16] = FIGURE_COLOURS["q"], FIGURE_COLOURS["q"]
    # Take the hanging right arm away and raise it beside the head.
    for y in range(18, 25):
        for x in range(22, 26):
            c.px[y][x] = None
    c.px[18][21] = FIGURE_COLOURS["r"]
    arm = [
        "......Ss..",
        ".....SSSs.",
        ".....SSSs.",
        ".....SSs..",
        "....RRr...",
        "....RRr...",
        "...RRr....",
        "..RRr.....",
        ".RRr......",
    ]
    for dy, row in enumerate(arm):
        for dx, ch in enumerate(row):
            if ch != ".":
                c.px[10 + dy][20 + dx] = FIGURE_COLOURS[ch]
    return c


def finish_figures():
    """Outlines every frame and makes each frame cover the standing frame: wherever the
    standing figure has a pixel that another frame leaves transparent, that frame paints
    black (the colour of the empty cell the player always stands in), because the play
    field draws the standing frame first and the current frame over it."""
    frames = {
        "player01": figure_front(),
        "player02": with_eyes(figure_front(), 12, 17),
        "player03": with_eyes(figure_front(), 14, 19),
        "player04": figure_wave(),
        "player_r": figure_side_right(),
    }
    for c in frames.values():
        c.outline(OUTLINE)
    frames["player_l"] = frames["player_r"].mirrored()
    base = frames["player01"]
    for name, c in frames.items():
        if name == "player01":
            continue
        for y in range(TILE):
            for x in range(TILE):
                if c.px[y][x] is None and base.px[y][x] is not None:
                    c.px[y][x] = BLACK
    return frames


# ---- HUD icons and the name-entry pointer ----------------------------------------------
def draw_hud_gem():
    """The HUD's Brillox counter icon: the gem a little smaller, with two sparkles."""
    return draw_gem(0.85, sparkles=((7, 8, 3), (26, 21, 1)))


def draw_clock():
    """A stopwatch: gold case with a crown, cream face, hands at ten past ten."""
    c = Canvas(TILE, TILE)
    cx, cy, r = 16.0, 18.0, 12.5
    for y in range(TILE):
        for x in range(TILE):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            d = math.hypot(dx, dy)
            if d > r:
                continue
            if d > r - 2.6:  # the case: lit from the top left
                v = 0.55 - 0.45 * (dx + dy) / (r * 1.41)
                c.px[y][x] = ramp(GOLD[1:6], v, x, y, dither=False)
            else:
                v = 0.85 - 0.35 * max(0.0, (dx + dy) / (r * 1.41))
                c.px[y][x] = mix((196, 184, 160), (252, 246, 228), v)
    # Crown and side button.
    for x, y, col in [(15, 3, 4), (16, 3, 3), (14, 4, 3), (15, 4, 4), (16, 4, 3), (17, 4, 2),
                      (15, 5, 2), (16, 5, 2), (24, 7, 3), (25, 8, 2), (25, 7, 2)]:
        c.set(x, y, GOLD[col])
    # Ticks at twelve, three, six and nine.
    ink = (40, 32, 36)
    for x, y in [(16, 8), (15, 8), (26, 18), (26, 17), (16, 28), (15, 28), (6, 18), (6, 17)]:
        c.set(x, y, ink)
    # Hands at ten past ten, two pixels wide near the hub.
    for t in range(0, 8):
        c.set(int(cx + 0.3 + t * 0.85), int(cy - 0.3 - t * 0.5), ink)
    for t in range(0, 6):
        c.set(int(cx - 0.7 - t * 0.85), int(cy - 0.3 - t * 0.5), ink)
    for x, y in [(17, 17), (14, 17), (15, 18), (16, 18)]:
        c.set(x, y, ink)
    c.set(15, 17, RED[1]), c.set(16, 17, RED[1])
    c.outline(OUTLINE)
    return c


def draw_speaker(on):
    """A loudspeaker; with sound waves when on, with a red cross when off."""
    c = Canvas(TILE, TILE)
    body = [
        "........gW",
        ".......gWW",
        "......gWWW",
        "GggggWWWWW",
        "GgWWWWWWWW",
        "GgWWWWWWWW",
        "GgWWWWWWWW",
        "GgWWWWWWWW",
        "GggggWWWWW",
        "......gWWW",
        ".......gWW",
        "........gW",
    ]
    cols = {"W": STONE[6], "g": STONE[4], "G": STONE[3]}
    for dy, row in enumerate(body):
        for dx, ch in enumerate(row):
            if ch != ".":
                col = cols[ch]
                if ch == "W" and dy >= 7:
                    col = STONE[5]
                c.set(3 + dx, 10 + dy, col)
    if on:
        for radius, col in [(5.0, GREEN[2]), (9.0, GREEN[2]), (13.0, GREEN[1])]:
            for y in range(TILE):
                for x in range(15, TILE):
                    dx, dy = x + 0.5 - 12.0, y + 0.5 - 16.0
                    d = math.hypot(dx, dy)
                    if abs(d - radius) < 0.85 and abs(dy) < d * 0.72 and dx > 0:
                        c.set(x, y, col)
    else:
        for i in range(10):
            for w in (0, 1, 2):
                col = RED[2] if w < 2 else RED[1]
                c.set(17 + i + w, 11 + i, col)
                c.set(27 - i + w, 11 + i, col)
    c.outline(OUTLINE)
    return c


POINTER_CORNER = [  # the top-left bracket; the other three are its mirror images
    "KKKKKKKKKK",
    "KYYYYYYYYK",
    "KYyyyyyyoK",
    "KYyKKKKKKK",
    "KYyK......",
    "KYyK......",
    "KYyK......",
    "KYyK......",
    "KYoK......",
    "KKKK......",
]


def draw_pointer():
    """The name-entry pointer: gold corner brackets around the cell; the middle stays
    transparent so the chosen letter shows through."""
    corner = from_art(POINTER_CORNER, {"K": OUTLINE, "Y": GOLD[5], "y": GOLD[3],
                                       "o": GOLD[2]})
    c = Canvas(TILE, TILE)
    c.blit(corner, 0, 0)
    right = corner.mirrored()
    c.blit(right, TILE - right.w, 0)
    flipped = Canvas(corner.w, corner.h)
    flipped.px = corner.px[::-1]
    c.blit(flipped, 0, TILE - flipped.h)
    c.blit(flipped.mirrored(), TILE - flipped.w, TILE - flipped.h)
    return c


# ---- Explosion -------------------------------------------------------------------------
def draw_explosion(stage):
    """Four stages: a white-hot flash, a fireball, the fire breaking up into embers and
    smoke, the last smoke. The noise tiles across cell edges and the later stages fill the
    cell, so the 3 x 3 block around the player reads as one blast."""
    c = Canvas(TILE, TILE)
    seed = 50 + stage * 7
    for y in range(TILE):
        for x in range(TILE):
            dx, dy = x + 0.5 - 16, y + 0.5 - 16
            d = math.hypot(dx, dy) / 16.0
            n = fractal(x, y, 8, seed, 3, period=TILE)
            m = fractal(x, y, 4, seed + 3, 2, period=TILE)
            if stage == 1:
                heat = 1.35 - 0.95 * d + 0.6 * (n - 0.5)
                if heat < 0.3:
                    continue
                c.px[y][x] = ramp(FIRE[2:], heat, x, y)
            elif stage == 2:
                heat = 0.95 - 0.25 * d + 0.8 * (n - 0.5) + 0.3 * (m - 0.5)
                c.px[y][x] = ramp(FIRE[1:], heat, x, y)
            elif stage == 3:
                heat = 0.62 - 0.1 * d + 1.0 * (n - 0.5) + 0.3 * (m - 0.5)
                if heat > 0.3:
                    c.px[y][x] = ramp(FIRE[:5], (heat - 0.3) / 0.6, x, y)
                elif heat > 0.16:
                    c.px[y][x] = FIRE[0] if heat > 0.22 else SMOKE[0]
            else:
                smoke = n + 0.3 * (m - 0.5)
                if smoke > 0.5:
                    c.px[y][x] = ramp(SMOKE[:3], (smoke - 0.5) * 3.5, x, y)
                elif hash01(x, y, seed) > 0.975:
                    c.px[y][x] = FIRE[3] if hash01(x, y, seed + 1) > 0.5 else FIRE[2]
    if stage == 1:
        for x, y, r in [(16, 16, 6), (8, 9, 2), (24, 23, 2)]:
            c.set(x, y, WHITE)
            for i in range(1, r + 1):
                for ddx, ddy in [(i, 0), (-i, 0), (0, i), (0, -i)]:
                    c.set(x + ddx, y + ddy, FIRE[6] if i < r else FIRE[5])
    return c


# ---- Bitmap fonts ----------------------------------------------------------------------
# 16 columns x 16 rows of cells, one per byte of Windows-1252 (the code page the game turns
# its texts into); the cell of code k is column k % 16, row k // 16. Rows 0 to 7 hold ASCII,
# laid out exactly as the fonts always had them. Pure black is transparent, so the outline and
# shadow are near-black and every glyph pixel is lighter.
FONT_OUTLINE = (10, 8, 12)
FONT_SHADOW = (16, 12, 14)
PRINTABLE = [chr(k) for k in range(32, 127)]
# The characters of Windows-1252 beyond ASCII, by code; the five codes it leaves unused and the
# no-break space stay empty cells. The soft hyphen is drawn as the hyphen it shows at a break.
EXTENDED = {k: bytes([k]).decode("cp1252") for k in range(0x80, 0x100)
            if k not in (0x81, 0x8D, 0x8F, 0x90, 0x9D, 0xA0)}
EXTENDED[0xAD] = "-"


def glyph_mask(font, size, ch, aliased):
    """The coverage mask (0..255) of one character with its bounding box, the pen position on
    the baseline inside the mask, and the advance."""
    pad = size * 2
    img = Image.new("L", (pad * 2, pad * 2), 0)
    d = ImageDraw.Draw(img)
    d.fontmode = "L" if aliased else "1"
    d.text((pad // 2, pad), ch, font=font, fill=255, anchor="ls")
    return (img, img.getbbox(), pad // 2, pad, font.getlength(ch))


def glyph_masks(font_file, size, aliased):
    """Coverage masks (0..255) of every printable character with its bounding box relative
    to the pen position on the baseline, and the advance."""
    font = ImageFont.truetype(os.path.join(FONT_DIR, font_file), size)
    return {ch: glyph_mask(font, size, ch, aliased) for ch in PRINTABLE}


def extended_masks(font_file, size, aliased, fits):
    """The masks of the characters beyond ASCII, by code, each at the font's size when it fits
    the cell there, else at the largest smaller size that does (accented capitals reach above
    every ASCII character: like the classic PC fonts, they get a slightly smaller letter rather
    than a cut accent). Each size is rendered whole by FreeType, so every glyph stays crisp."""
    fonts = {}
    out = {}
    for code, ch in EXTENDED.items():
        for smaller in range(size, 5, -1):
            if smaller not in fonts:
                fonts[smaller] = ImageFont.truetype(os.path.join(FONT_DIR, font_file), smaller)
            mask = glyph_mask(fonts[smaller], smaller, ch, aliased)
            if mask[1] is None or fits(mask):
                break
        else:
            raise SystemExit("%s: U+%04X fits no size" % (font_file, ord(ch)))
        out[code] = mask
    return out


def ink_extent(masks):
    """The union of all glyphs' ink boxes relative to the pen on the baseline."""
    boxes = [(b[0] - px, b[1] - py, b[2] - px, b[3] - py)
             for _, b, px, py, _ in masks.values() if b]
    return (min(b[0] for b in boxes), min(b[1] for b in boxes),
            max(b[2] for b in boxes), max(b[3] for b in boxes))


def fit_font(font_file, cell_w, cell_h, aliased, extra):
    """The largest size at which every glyph, plus outline and shadow (`extra` pixels),
    fits the cell with one pen position and one baseline for all cells."""
    best = None
    for size in range(6, 60):
        masks = glyph_masks(font_file, size, aliased)
        left, top, right, bottom = ink_extent(masks)
        if bottom - top + extra <= cell_h and right - left + extra <= cell_w:
            best = (size, masks)
        else:
            break
    return best


def render_font(font_file, cell_w, cell_h, aliased=True, top_colour=(255, 252, 236),
                bottom_colour=(246, 196, 92), shadow=True):
    """A 16 x 16 font sheet: a light-gold gradient fill inside a one-pixel near-black outline,
    with a one-pixel shadow to the bottom right when `shadow` is set."""
    extra = 3 if shadow else 2
    size, masks = fit_font(font_file, cell_w, cell_h, aliased, extra)
    left, top, right, bottom = ink_extent(masks)
    # One pen position and one baseline for every cell, the whole ink block centred.
    pen_x = (cell_w - (right - left + extra)) // 2 + 1 - left
    base_y = (cell_h - (bottom - top + extra)) // 2 + 1 - top
    cap_box = masks["H"][1]
    cap_top = base_y + cap_box[1] - masks["H"][3]

    # A character beyond ASCII fits when its ink, with outline and shadow, stays inside the
    # room the ASCII characters take together.
    def fits(mask):
        _, box, px0, py0, _ = mask
        return (box[0] - px0 >= left and box[1] - py0 >= top and box[2] - px0 <= right and
                box[3] - py0 <= bottom)

    glyphs = {ord(ch): mask for ch, mask in masks.items()}
    glyphs.update(extended_masks(font_file, size, aliased, fits))
    sheet = Image.new("RGB", (16 * cell_w, 16 * cell_h), BLACK)
    for code, (img, box, px0, py0, _) in sorted(glyphs.items()):
        if not box:
            continue
        ox, oy = (code % 16) * cell_w, (code // 16) * cell_h
        cov = [[0] * cell_w for _ in range(cell_h)]
        src = img.load()
        for y in range(box[1], box[3]):
            for x in range(box[0], box[2]):
                cx, cy = pen_x + x - px0, base_y + y - py0
                assert 0 <= cx < cell_w and 0 <= cy < cell_h, (code, cx, cy)
                cov[cy][cx] = src[x, y]

        def solid(x, y):
            return 0 <= x < cell_w and 0 <= y < cell_h and cov[y][x] >= 96

        for y in range(cell_h):
            t = min(1.0, max(0.0, (y - cap_top) / max(1.0, base_y - cap_top)))
            fill = mix(top_colour, bottom_colour, t)
            for x in range(cell_w):
                a = cov[y][x] / 255.0
                if a >= 0.38:
                    colour = mix(FONT_OUTLINE, fill, min(1.0, a * 1.15))
                elif any(solid(x + dx, y + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                    colour = FONT_OUTLINE
                elif shadow and (solid(x - 2, y - 2) or solid(x - 1, y - 2) or
                                 solid(x - 2, y - 1)):
                    colour = FONT_SHADOW
                else:
                    continue
                sheet.putpixel((ox + x, oy + y), colour)
    return sheet, size


# ---- The title and menu background -----------------------------------------------------
# 640 x 480, shown 1:1. Screen cells are 32 pixels (20 x 15). The top strip (row 0) and the
# bottom strip (row 14) are black: the title's credit line slides in up there on its own
# black strip and the version text sits bottom left. Rows 8 to 13 from column 3 on, where the
# menu, the prompt and the walking figure appear, lie in the dark mouth of a mine gallery
# framed by timber; the logo and the cave fill the upper half.
SCREEN_W, SCREEN_H = 640, 480
GALLERY = (84, 244, 620, 448)  # left, top, right, bottom of the dark gallery
BEAM_TOP, BEAM_BOTTOM = 222, 244
POST_L = (62, 84)
POST_R = (620, 640)


def rock_field(w, h, cell, seed):
    """Voronoi rock: for every pixel the shade of its rock chunk with bevelled, cracked
    edges lit from the top left. Returns rows of values in [0, 1]."""
    gw, gh = w // cell + 2, int(h / (cell * 0.8)) + 2
    seeds = {}
    for gy in range(-1, gh + 1):
        for gx in range(-1, gw + 1):
            jx = hash01(gx, gy, seed) * 0.8 + 0.1
            jy = hash01(gx, gy, seed + 1) * 0.8 + 0.1
            seeds[(gx, gy)] = ((gx + jx) * cell, (gy + jy) * cell * 0.8,
                               0.34 + 0.3 * hash01(gx, gy, seed + 2))
    jitter = noise_field(w, h, 5, seed + 4)
    broad = noise_field(w, h, 24, seed + 5, 3)
    layers = noise_field(w, h, 40, seed + 6)
    rows = []
    for y in range(h):
        row = []
        gy0 = int(y / (cell * 0.8))
        for x in range(w):
            gx0 = x // cell
            best = [(1e9, None), (1e9, None)]
            for gy in (gy0 - 1, gy0, gy0 + 1):
                for gx in (gx0 - 1, gx0, gx0 + 1):
                    sx, sy, base = seeds[(gx, gy)]
                    d = (x + 0.5 - sx) ** 2 + (y + 0.5 - sy) ** 2
                    if d < best[0][0]:
                        best = [(d, (sx, sy, base)), best[0]]
                    elif d < best[1][0]:
                        best[1] = (d, (sx, sy, base))
            d1, (sx, sy, base) = math.sqrt(best[0][0]), best[0][1]
            d2 = math.sqrt(best[1][0])
            edge = d2 - d1 + 2.5 * (jitter[y][x] - 0.5)
            v = base + 0.25 * (broad[y][x] - 0.5)
            if edge < 1.1:
                v = 0.0
            elif edge < 4.0:
                vx, vy = x + 0.5 - sx, y + 0.5 - sy
                n = math.hypot(vx, vy) or 1.0
                lit = -(vx * 0.6 + vy * 0.8) / n
                v += 0.32 * lit * (1.0 - (edge - 1.1) / 2.9)
            # Strata: faint diagonal layering across the chunks.
            if (x * 0.35 + y + 6 * layers[y][x]) % 23 < 1.2:
                v -= 0.1
            v += 0.1 * (hash01(x, y, seed + 3) - 0.5)
            row.append(v)
        rows.append(row)
    return rows


def mask_from_text(text, font_file, size, w, h, xy, anchor="ms"):
    font = ImageFont.truetype(os.path.join(FONT_DIR, font_file), size)
    m = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(m)
    d.fontmode = "1"
    d.text(xy, text, font=font, fill=255, anchor=anchor)
    return m


def draw_background():
    w, h = SCREEN_W, SCREEN_H
    rock = rock_field(w, h, 44, 70)
    # The logo's mask, its outline rings and its glow.
    logo = mask_from_text("BRILLOX", "DejaVuSans-Bold.ttf", 108, w, h, (322, 168))
    ring1 = logo.filter(ImageFilter.MaxFilter(5))
    ring2 = logo.filter(ImageFilter.MaxFilter(9))
    shadow = Image.new("L", (w, h), 0)
    shadow.paste(ring2, (5, 6))
    glow = ring2.filter(ImageFilter.GaussianBlur(22))
    lm, r1, r2, sh, gl = logo.load(), ring1.load(), ring2.load(), shadow.load(), glow.load()
    box = logo.getbbox()
    lantern = (34, 318)

    img = Image.new("RGB", (w, h), BLACK)
    px = img.load()
    gl_left, gl_top, gl_right, _ = GALLERY
    wobble = noise_field(w, h, 9, 80)
    ceilings = [32 + 10 * fractal(x, 0, 14, 81, 2) ** 2 for x in range(w)]
    floors = [448 - 8 * fractal(x, 0, 14, 82, 2) ** 2 for x in range(w)]
    for y in range(h):
        for x in range(w):
            # Black strips above and below, with a ragged rock edge that never enters them.
            ceiling, floor = ceilings[x], floors[x]
            if y < ceiling or y >= floor:
                continue
            v = rock[y][x]
            g = gl[x, y] / 255.0
            lx, ly = x - lantern[0], y - lantern[1]
            warm = max(0.0, 1.0 - math.hypot(lx, ly * 1.1) / 110.0)
            edge = min((y - ceiling) / 50.0, (floor - y) / 50.0, 1.0)
            # The gallery: rock walls receding into the dark, black where the texts go.
            wob = 5 * (wobble[y][x] - 0.5)
            depth = 0.0
            if gl_left + wob < x < gl_right + wob and y > gl_top + wob:
                depth = min(x - gl_left - wob, gl_right + wob - x, y - gl_top - wob)
                if depth > 14:
                    continue
            # Light: ambient, the logo's cyan glow, the lantern; dimmer towards the strips.
            lum = (0.38 + 0.5 * g + 0.7 * warm) * (0.3 + 0.7 * edge)
            if depth > 0:
                lum *= 0.32 * (1.0 - depth / 14.0)
            shade = v * lum
            col = ramp(ROCK[:6], shade, x, y)
            if g > 0.05 and depth == 0:
                col = mix(col, GEM[2], min(0.4, g * 0.5))
            if warm > 0.0 and depth == 0:
                col = mix(col, GOLD[2], min(0.45, warm * warm * 0.6))
            if col != ROCK[0] or shade > 0.02:
                px[x, y] = col
    # Drop shadow and outline of the logo, then the faceted crystal letters.
    top, bottom = box[1], box[3]
    girdle = top + (bottom - top) * 0.42
    for y in range(box[1] - 6, box[3] + 12):
        for x in range(box[0] - 6, box[2] + 12):
            if lm[x, y]:
                t = (y - top) / float(bottom - top)
                if y < girdle:
                    v = 0.9 - 0.35 * t
                else:
                    v = 0.55 - 0.4 * (y - girdle) / (bottom - girdle)
                # Bevel: light where the edge is to the top left, dark to the bottom right.
                if not lm[x - 2, y - 2] or not lm[x - 1, y - 3]:
                    v += 0.35
                elif not lm[x + 2, y + 2] or not lm[x + 1, y + 3]:
                    v -= 0.25
                if abs(y - girdle) < 1.0:
                    v = 0.95
                # Diagonal glints across the letters.
                band = (x + y * 0.6) % 46
                if 3 < band < 7 and y < girdle:
                    v += 0.25
                px[x, y] = ramp(GEM[1:7], v, x, y)
            elif r1[x, y]:
                px[x, y] = GEM[0] if y < girdle else (4, 26, 32)
            elif r2[x, y]:
                px[x, y] = (6, 10, 14)
            elif sh[x, y]:
                px[x, y] = (4, 6, 8)
    for sx, sy, r in [(box[0] + 8, top + 4, 6), (box[2] - 30, top + 10, 5),
                      (box[0] + 236, bottom - 8, 4), (box[0] + 150, top - 2, 3)]:
        big_sparkle(px, sx, sy, r)
    draw_timber(px)
    draw_lantern(px, lantern)
    # Things resting on the beam: a stone, a Brillox, two stones, a Brillox.
    stone, gem = draw_stone().to_image(), draw_gem().to_image()
    for x, sprite in [(150, stone), (182, gem), (428, stone), (460, stone), (530, gem)]:
        paste_keyed(img, sprite, x, BEAM_TOP - 31)
    # Brilloxen in the rock of the left wall.
    small = draw_gem(0.7, sparkles=((9, 9, 2),)).to_image()
    for x, y in [(14, 200), (24, 380), (2, 92), (596, 60)]:
        paste_keyed(img, small, x, y)
    return img


def big_sparkle(px, x, y, r):
    for i in range(-r, r + 1):
        a = 1.0 - abs(i) / float(r + 1)
        col = mix(GEM[5], WHITE, a)
        for xx, yy in [(x + i, y), (x, y + i)]:
            px[xx, yy] = col
    for d in (1, 2):
        for dx, dy in [(d, d), (-d, d), (d, -d), (-d, -d)]:
            if d < r // 2:
                px[x + dx, y + dy] = GEM[6]
    px[x, y] = WHITE


def paste_keyed(img, sprite, x, y):
    sp = sprite.load()
    px = img.load()
    for yy in range(sprite.height):
        for xx in range(sprite.width):
            c = sp[xx, yy]
            if c != KEY and 0 <= x + xx < img.width and 0 <= y + yy < img.height:
                px[x + xx, y + yy] = c


def draw_timber(px):
    """Mine timber around the gallery mouth: a beam of two planks across and a post on each
    side, with grain, knots, joints and iron bolts."""
    def wood(x, y, along, across, joint):
        grain = value_noise(along, across * 40, 26, 90) * 0.6 + \
            value_noise(along, across * 40, 7, 91) * 0.4
        v = 0.6 + 0.35 * (grain - 0.5)
        v -= 0.45 * (across - 0.45) ** 2 * 4 * 0.5
        if across * 40 % 10 < 0.9 and hash01(int(along) // 12, int(across * 4), 92) > 0.4:
            v -= 0.18  # grain line
        if across < 0.09:
            v += 0.22
        elif across > 0.9:
            v -= 0.28
        if joint is not None:
            if joint == 0:
                return WOOD[0]
            if joint == 1:
                v += 0.2
        return ramp(WOOD, v, x, y)

    beam_h = BEAM_BOTTOM - BEAM_TOP
    for y in range(BEAM_TOP, BEAM_BOTTOM):
        for x in range(POST_L[0] - 8, 640):
            along = x - POST_L[0] + 8
            joint = along % 180
            px[x, y] = wood(x, y, along, (y - BEAM_TOP) / beam_h,
                            joint if joint < 2 else None)
    for lo, hi in (POST_L, POST_R):
        for x in range(lo, hi):
            for y in range(BEAM_BOTTOM, 448):
                px[x, y] = wood(x, y, y + 500 + lo, (x - lo) / float(hi - lo), None)
    # Knots.
    for kx, ky in [(140, BEAM_TOP + 11), (395, BEAM_TOP + 8), (72, 330), (628, 390)]:
        for dy in range(-3, 4):
            for dx in range(-4, 5):
                d = (dx / 4.0) ** 2 + (dy / 2.6) ** 2
                if d <= 1.0:
                    px[kx + dx, ky + dy] = WOOD[1] if d > 0.45 else WOOD[0]
                    if 0.1 < d < 0.3:
                        px[kx + dx, ky + dy] = WOOD[2]
    # Dark edges.
    for x in range(POST_L[0] - 8, 640):
        px[x, BEAM_TOP - 1] = OUTLINE
        px[x, BEAM_BOTTOM] = OUTLINE
    for y in range(BEAM_TOP - 1, BEAM_BOTTOM + 1):
        px[POST_L[0] - 9, y] = OUTLINE
    for lo, hi in (POST_L, POST_R):
        for y in range(BEAM_BOTTOM, 448):
            px[lo - 1, y] = OUTLINE
            if hi < 640:
                px[hi, y] = OUTLINE
    # Iron bolts where the beam sits on the posts.
    for bx in (POST_L[0] + 5, POST_L[0] + 15, POST_R[0] + 5, POST_R[0] + 13):
        by = BEAM_TOP + 9
        for dx, dy, col in [(0, 0, STONE[6]), (1, 0, STONE[4]), (0, 1, STONE[4]),
                            (1, 1, STONE[2]), (2, 1, OUTLINE), (1, 2, OUTLINE),
                            (2, 2, OUTLINE)]:
            px[bx + dx, by + dy] = col


def draw_lantern(px, pos):
    """A small miner's lantern on the left wall: iron hood, glowing glass, a hook."""
    x0, y0 = pos
    art = [
        "...KKK...",
        "...K.K...",
        "..KGGGK..",
        ".KGggGGK.",
        "KGGGGGGGK",
        ".KYWWWYK.",
        ".KYWLWYK.",
        ".KYLLLYK.",
        ".KYYLYYK.",
        ".KoYYYoK.",
        "KGGGGGGGK",
        ".KKKKKKK.",
    ]
    cols = {"K": OUTLINE, "G": STONE[2], "g": STONE[4], "Y": GOLD[4], "W": WHITE,
            "L": GOLD[5], "o": GOLD[3]}
    for dy, row in enumerate(art):
        for dx, ch in enumerate(row):
            if ch != ".":
                for sy in (0, 1):
                    for sx in (0, 1):
                        px[x0 - 9 + 2 * dx + sx, y0 - 12 + 2 * dy + sy] = cols[ch]


# ---- Writing everything ----------------------------------------------------------------
def build_pictures():
    """Every picture of the game, by file name relative to data/, as Pillow images."""
    out = {}
    tiles = {
        "mauer": draw_wall(), "frei": draw_earth(), "stein": draw_stone(),
        "brillox": draw_gem(), "black": draw_black(), "ziel": draw_exit(),
        "brillox_a": draw_hud_gem(), "uhr": draw_clock(),
        "sound_off": draw_speaker(False), "sound_on": draw_speaker(True),
        "zeiger": draw_pointer(),
    }
    tiles.update(finish_figures())
    for stage in range(1, 5):
        tiles["exp%02d" % stage] = draw_explosion(stage)
    for name, canvas in tiles.items():
        out["show/%s.bmp" % name] = canvas.to_image()
    out["show/hg01.bmp"] = draw_background()
    out["show/font20x31.bmp"] = render_font("DejaVuSansMono-Bold.ttf", 20, 31)[0]
    out["show/font10x15.bmp"] = render_font("DejaVuSansMono-Bold.ttf", 10, 15,
                                            shadow=False)[0]
    out["smalfont.bmp"] = render_font("DejaVuSansMono-Bold.ttf", 16, 24)[0]
    return out


def main():
    pictures = build_pictures()
    for name, img in sorted(pictures.items()):
        is_font = "font" in name
        check_no_false_key(img, allow_key=not is_font)
        write_bmp(os.path.join(DATA, name), img)
    # The fonts are rendered from DejaVu: its licence travels with them.
    with open(os.path.join("/usr/share/doc/fonts-dejavu-core/copyright"), "rb") as f:
        licence = f.read()
    with open(os.path.join(DATA, "FONT-LICENSE"), "wb") as f:
        f.write(licence)
    print("wrote %d pictures into %s" % (len(pictures), DATA))
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import make_contact_sheet
    make_contact_sheet.main()


if __name__ == "__main__":
    main()
