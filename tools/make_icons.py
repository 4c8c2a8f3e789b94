#!/usr/bin/python3
# Draws the application icon, a Brillox (the game's gem), at every size of the desktop's icon
# theme into dist/icons/hicolor/<N>x<N>/apps/. Each size is drawn on its own, with the corners
# of the facets put on whole pixels of that size, so that small icons stay sharp instead of
# being a blurred copy of a large one. The 32-pixel one also goes into data/ as "icon.png", the
# picture the game gives its window. Deterministic: two runs write identical bytes.
# Needs Pillow (Debian: python3-pil).
import os
import sys

from PIL import Image, ImageDraw

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_pictures import GEM, WHITE, ramp  # noqa: E402  (the game's own gem colours)

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ICON_DIR = os.path.join(REPO, "dist", "icons", "hicolor")
APP_ID = "io.github.brillox.Brillox"
SIZES = (16, 24, 32, 48, 64, 128, 256)
SUPERSAMPLE = 8  # edge coverage is measured on 8 x 8 samples per pixel

# The gem in a unit square, lit from the top left like the tile: the crown's table and bevels
# above the girdle, four long facets below it meeting in the point. Shades index the ramp.
CX = 0.5
TOP, GIRDLE, POINT = 0.19, 0.40, 0.94
CROWN_HALF, TABLE_HALF, GIRDLE_HALF, INNER = 0.26, 0.13, 0.46, 0.22
CROWN = [  # (corners, shade)
    ([(CX - CROWN_HALF, TOP), (CX - TABLE_HALF, TOP), (CX - INNER, GIRDLE),
      (CX - GIRDLE_HALF, GIRDLE)], 0.93),
    ([(CX - TABLE_HALF, TOP), (CX, TOP), (CX, GIRDLE), (CX - INNER, GIRDLE)], 0.80),
    ([(CX, TOP), (CX + TABLE_HALF, TOP), (CX + INNER, GIRDLE), (CX, GIRDLE)], 0.68),
    ([(CX + TABLE_HALF, TOP), (CX + CROWN_HALF, TOP), (CX + GIRDLE_HALF, GIRDLE),
      (CX + INNER, GIRDLE)], 0.44),
]
PAVILION_XS = [CX - GIRDLE_HALF, CX - INNER, CX, CX + INNER, CX + GIRDLE_HALF]
PAVILION_SHADES = [0.66, 0.50, 0.34, 0.20]
SILHOUETTE = [(CX - CROWN_HALF, TOP), (CX + CROWN_HALF, TOP), (CX + GIRDLE_HALF, GIRDLE),
              (CX, POINT), (CX - GIRDLE_HALF, GIRDLE)]
SPARKLE = (0.19, 0.15)  # the star of light at the crown's upper left corner


def snap(point, n):
    """The corner on the nearest whole pixel of an n-pixel icon, in supersampled units."""
    return tuple(round(v * n) * SUPERSAMPLE for v in point)


def star(cx, cy, long_r, waist):
    """A four-pointed star around (cx, cy), in supersampled units."""
    points = []
    for dx, dy in [(0, -1), (1, 0), (0, 1), (-1, 0)]:
        points.append((cx + dx * long_r, cy + dy * long_r))
        # The waist between this point and the next, a quarter turn on.
        ndx, ndy = -dy, dx
        points.append((cx + (dx + ndx) * waist, cy + (dy + ndy) * waist))
    return points


def draw_icon(n):
    s = n * SUPERSAMPLE
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    draw = ImageDraw.Draw(img)
    # The dark outline: the silhouette stroked with a line that the facets then half cover, so
    # that one pixel in 32 (at least one) shows around the gem.
    outline = [snap(p, n) for p in SILHOUETTE]
    width = max(1, n // 32) * SUPERSAMPLE * 2
    draw.polygon(outline, fill=GEM[0] + (255,))
    draw.line(outline + [outline[0]], fill=GEM[0] + (255,), width=width, joint="curve")
    for corners, shade in CROWN:
        draw.polygon([snap(p, n) for p in corners], fill=ramp(GEM[1:7], shade, dither=False))
    point = snap((CX, POINT), n)
    for i, shade in enumerate(PAVILION_SHADES):
        left, right = snap((PAVILION_XS[i], GIRDLE), n), snap((PAVILION_XS[i + 1], GIRDLE), n)
        draw.polygon([left, right, point], fill=ramp(GEM[1:7], shade, dither=False))
    # The girdle catches the light: a bright band one pixel high (from 32 pixels on).
    if n >= 32:
        band = max(1, n // 64) * SUPERSAMPLE
        y = round(GIRDLE * n) * SUPERSAMPLE
        draw.rectangle([snap((CX - GIRDLE_HALF, GIRDLE), n)[0] + width // 2, y,
                        snap((CX + GIRDLE_HALF, GIRDLE), n)[0] - width // 2, y + band - 1],
                       fill=GEM[5])
    # The star sits on a pixel's centre, so that its arms are whole pixels however small.
    sx, sy = (v + SUPERSAMPLE // 2 for v in snap(SPARKLE, n))
    long_r = (max(2, round(n * 0.13)) + 0.5) * SUPERSAMPLE
    draw.polygon(star(sx, sy, long_r, max(SUPERSAMPLE / 2, long_r * 0.2)), fill=WHITE)
    # Box filtering turns the samples into each pixel's coverage; Pillow weights the colours
    # by their alpha, so the transparent background does not darken the edges.
    return img.resize((n, n), Image.BOX)


def main():
    for n in SIZES:
        folder = os.path.join(ICON_DIR, "%dx%d" % (n, n), "apps")
        os.makedirs(folder, exist_ok=True)
        draw_icon(n).save(os.path.join(folder, APP_ID + ".png"), optimize=False)
    draw_icon(32).save(os.path.join(REPO, "data", "icon.png"), optimize=False)
    print("wrote %d icons into %s and the window icon data/icon.png" % (len(SIZES), ICON_DIR))


if __name__ == "__main__":
    main()
