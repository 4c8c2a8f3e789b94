#!/usr/bin/python3
# Draws docs/contact-sheet.png from the shipped pictures in data/: every tile, frame, icon and
# font, mock-ups of the game's screens composed the way the runtime draws them (sprite key
# colour and font black transparent, text at a fixed cell advance), and a map of every level of
# Level.ini, each cell in the mean colour of its tile. Reads only data/.
import os
import struct

from PIL import Image, ImageDraw, ImageFont

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(REPO, "data")
OUT = os.path.join(REPO, "docs", "contact-sheet.png")
LABEL_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
HEAD_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

KEY = (255, 0, 128)
BACK = (44, 44, 50)
PANEL = (58, 58, 66)
INK = (214, 214, 222)
CELL = 32
MARGIN = 24


def read_bmp(path, key):
    """A 24-bit bottom-up BMP as RGBA, with `key` (a colour) made transparent."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:2] == b"BM", path
    offset = struct.unpack_from("<I", data, 10)[0]
    w, h = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    assert bits == 24 and h > 0, path
    row = (w * 3 + 3) // 4 * 4
    img = Image.new("RGBA", (w, h))
    px = img.load()
    for fy in range(h):
        base = offset + fy * row
        y = h - 1 - fy
        for x in range(w):
            b, g, r = data[base + 3 * x: base + 3 * x + 3]
            px[x, y] = (r, g, b, 0 if (r, g, b) == key else 255)
    return img


def sprite(name):
    return read_bmp(os.path.join(DATA, "show", name + ".bmp"), KEY)


def font(path):
    img = read_bmp(path, (0, 0, 0))
    rows = 16 if img.width < img.height else 8
    return img, img.width // 16, img.height // rows


class Screen:
    """A 640 x 480 back buffer drawn the way the game draws."""

    def __init__(self, fonts):
        self.img = Image.new("RGBA", (640, 480), (0, 0, 0, 255))
        self.fonts = fonts
        self.font = fonts["big"]

    def draw(self, spr, x, y, w=CELL, h=CELL):
        if spr.size != (w, h):
            spr = spr.resize((w, h), Image.BILINEAR)
        self.img.alpha_composite(spr, (int(x), int(y)))

    def text(self, s, x, y, which=None):
        img, cw, ch = self.fonts[which] if which else self.font
        x, y = int(-(-x // 1)), int(-(-y // 1))
        for i, c in enumerate(s):
            k = c.encode("cp1252")[0] % (img.height // ch * 16)
            glyph = img.crop(((k % 16) * cw, (k // 16) * ch, (k % 16 + 1) * cw,
                              (k // 16 + 1) * ch))
            self.img.alpha_composite(glyph, (x + i * cw, y))

    def at(self, s, col, row):
        self.text(s, col * CELL, row * CELL)


def framed_backdrop(scr, fill, border):
    for x in range(20):
        for y in range(15):
            scr.draw(fill, x * CELL, y * CELL)
            if y in (0, 14) or x in (0, 19):
                scr.draw(border, x * CELL, y * CELL)


LEVEL = [  # the 20 x 14 window of a level: 0 wall, 1 earth, 2 stone, 3 Brillox, 7 empty
    "00000000000000000000",
    "01112211113111111110",
    "01371721117721131110",
    "01121111121111122210",
    "07777777772111111110",
    "07111111312110000000",
    "07211111113110111110",
    "07A77777111110113110",
    "01111117111110112110",
    "01311117111111111110",
    "01121117777777311110",
    "01111111111111112180",
    "01131111111111111110",
    "00000000000000000000",
]


def play_screen(s, fonts):
    scr = Screen(fonts)
    tiles = {"0": s["mauer"], "1": s["frei"], "2": s["stein"], "3": s["brillox"],
             "7": s["black"], "8": s["ziel"]}
    for y in range(14):
        for x in range(20):
            ch = LEVEL[y][x]
            px, py = x * CELL, (y + 1) * CELL
            if ch == "A":
                scr.draw(s["player01"], px, py)
                scr.draw(s["player_r"], px, py)
            else:
                scr.draw(tiles[ch], px, py)
    scr.draw(s["brillox_a"], 0, 0)
    scr.text("7", 36, 2)
    scr.draw(s["uhr"], 128, 0)
    scr.text("95", 164, 2)
    scr.draw(s["player01"], 280, 0)
    scr.text("3", 316, 2)
    scr.text("Level:3", 440, 2)
    scr.draw(s["sound_on"], 608, 0)
    return scr.img


def title_screen(s, fonts):
    scr = Screen(fonts)
    scr.draw(s["hg01"], 0, 0, 640, 480)
    scr.text("Sammle alle Brilloxen ein!", 4, 2)
    scr.at("Weiter mit Enter!", 5, 11)
    # The version text: printed, grabbed and drawn at half size in the bottom left.
    strip = Screen(fonts)
    strip.text("Version 1.01", 4, 2)
    small = strip.img.crop((0, 0, 260, 32)).resize((130, 16), Image.BILINEAR)
    scr.img.alpha_composite(small, (4, 456))
    scr.draw(s["player01"], 7 * CELL, 9 * CELL)
    return scr.img


def menu_screen(s, fonts):
    scr = Screen(fonts)
    scr.draw(s["hg01"], 0, 0, 640, 480)
    scr.text("*** Hauptmenu ***", 5 * CELL, 0)
    for row, item in enumerate(["Start", "Leben", "Schwierigkeit", "Highscore",
                                "Load Game", "Beenden"]):
        scr.at(item, 5, 8 + row)
    scr.at("Level 1", 14, 8)
    scr.at("3", 14, 9)
    scr.at("Medium", 14, 10)
    scr.draw(s["player_r"], 3 * CELL, 10 * CELL)
    return scr.img


def summary_screen(s, fonts):
    scr = Screen(fonts)
    framed_backdrop(scr, s["frei"], s["stein"])
    scr.at("Punktestand", 6, 2)
    scr.at("Aktuell", 3, 4), scr.at("1000", 14, 4)
    scr.at("Level ", 3, 6), scr.at("3", 10, 6), scr.at("500", 14, 6)
    scr.at("Brilloxen ", 3, 7), scr.at("7", 10, 7), scr.at("70", 14, 7)
    scr.at("Zeit ", 3, 8), scr.at("40", 10, 8), scr.at("200", 14, 8)
    scr.at("Neuer Stand", 3, 10), scr.at("1770", 14, 10)
    scr.at("Weiter mit Enter!", 5, 12)
    return scr.img


def done_screen(s, fonts):
    scr = Screen(fonts)
    framed_backdrop(scr, s["frei"], s["mauer"])
    scr.at("Spitze, Supper!", 6, 4)
    scr.at("Du hast alle Level geschaft.", 1, 6)
    scr.at("Weiter mit Enter!", 5, 12)
    return scr.img


def name_screen(s, fonts):
    scr = Screen(fonts)
    framed_backdrop(scr, s["frei"], s["mauer"])
    scr.at("Eingabe Namen", 6, 2)
    scr.at("Auswahl mit >SPACE< !", 4, 11)
    for code in range(65, 79):
        scr.text(chr(code), (code - 62) * CELL + 6, 8 * CELL + 2)
    for code in range(79, 91):
        scr.text(chr(code), (code - 76) * CELL + 6, 9 * CELL + 2)
    scr.text(".", 15 * CELL + 6, 9 * CELL + 2)
    scr.text("<", 16 * CELL + 6, 9 * CELL + 2)
    scr.at("SEPP__", 8, 5)
    scr.draw(s["zeiger"], 7 * CELL, 9 * CELL)
    scr.at("Weiter mit Enter!", 5, 12)
    return scr.img


def congratulation_screen(s, fonts):
    scr = Screen(fonts)
    framed_backdrop(scr, s["frei"], s["player01"])
    scr.at("Gratulation SEPP!", 2, 5)
    scr.at("Platz 1", 6, 7)
    return scr.img


def death_frames(s):
    """The death sequence around a player in the middle of a 5 x 5 patch, frame by frame."""
    frames = []
    names = ["exp01", "exp02", "exp03", "exp04", "black"]
    base = ["01110", "12321", "17A71", "11211", "00000"]
    tiles = {"0": s["mauer"], "1": s["frei"], "2": s["stein"], "3": s["brillox"],
             "7": s["black"]}
    for i in range(6):
        img = Image.new("RGBA", (5 * CELL, 5 * CELL), (0, 0, 0, 255))
        for y in range(5):
            for x in range(5):
                ring = max(abs(x - 2), abs(y - 2)) == 1
                centre = x == 2 and y == 2
                spr = None
                if centre:
                    spr = s[names[i]] if i < 5 else s["black"]
                elif ring and i >= 1:
                    spr = s[names[i - 1]] if i < 5 else s["black"]
                if spr is None:
                    spr = tiles.get(base[y][x], s["black"])
                img.alpha_composite(spr, (x * CELL, y * CELL))
        frames.append(img)
    return frames


def read_levels():
    """The levels of Level.ini as (number, name, zeit, quota, rows); the names come from the
    comment line the level tool writes above each section."""
    levels, names, section = {}, {}, None
    with open(os.path.join(DATA, "Level.ini"), encoding="latin-1") as f:
        for line in f.read().splitlines():
            line = line.strip()
            if line.startswith(";") and ":" in line:
                number, _, name = line[1:].partition(":")
                if number.strip().isdigit():
                    names[int(number)] = name.strip()
            elif line.startswith("["):
                section = line[1:-1].lower()
                if section.startswith("level_"):
                    levels[int(section[6:])] = {"rows": {}}
            elif "=" in line and section and section.startswith("level_"):
                key, _, value = line.partition("=")
                level = levels[int(section[6:])]
                if key.isdigit():
                    level["rows"][int(key)] = value[1:]
                else:
                    level[key] = int(value)
    return [(n, names.get(n, ""), lv["zeit"], lv["brillox"],
             [lv["rows"][r] for r in sorted(lv["rows"])]) for n, lv in sorted(levels.items())]


def mean_colour(img):
    """The mean colour of a tile's opaque pixels."""
    px = [p for p in img.getdata() if p[3]]
    return tuple(sum(p[i] for p in px) // len(px) for i in range(3)) + (255,)


def level_map(rows, colours, cell):
    img = Image.new("RGBA", (len(rows[0]) * cell, len(rows) * cell))
    d = ImageDraw.Draw(img)
    for y, row in enumerate(rows):
        for x, c in enumerate(row):
            d.rectangle((x * cell, y * cell, x * cell + cell - 1, y * cell + cell - 1),
                        fill=colours.get(c, colours["."]))
    return img


class Sheet:
    def __init__(self, w, h):
        self.img = Image.new("RGBA", (w, h), BACK + (255,))
        self.d = ImageDraw.Draw(self.img)
        self.label_font = ImageFont.truetype(LABEL_FONT, 13)
        self.head_font = ImageFont.truetype(HEAD_FONT, 18)

    def head(self, text, x, y):
        self.d.text((x, y), text, font=self.head_font, fill=(240, 226, 180))

    def label(self, text, x, y, w=None):
        if w is not None:
            tw = self.d.textlength(text, font=self.label_font)
            x = x + (w - tw) / 2
        self.d.text((x, y), text, font=self.label_font, fill=INK)

    def panel(self, x, y, w, h):
        self.d.rectangle((x, y, x + w - 1, y + h - 1), fill=PANEL)

    def put(self, img, x, y, scale=1, backdrop=None):
        if scale != 1:
            img = img.resize((img.width * scale, img.height * scale), Image.NEAREST)
        if backdrop is not None:
            self.d.rectangle((x, y, x + img.width - 1, y + img.height - 1), fill=backdrop)
        self.img.alpha_composite(img, (x, y))


def sprite_row(sheet, s, names, x, y, backdrop, scale=2):
    size = CELL * scale
    for i, name in enumerate(names):
        px = x + i * (size + 24)
        sheet.put(s[name], px, y, scale, backdrop)
        sheet.label(name, px - 12, y + size + 4, size + 24)
    return x + len(names) * (size + 24)


def main():
    names = ["mauer", "frei", "stein", "brillox", "black", "ziel", "player01", "player02",
             "player03", "player04", "player_r", "player_l", "brillox_a", "uhr",
             "sound_off", "sound_on", "hg01", "exp01", "exp02", "exp03", "exp04", "zeiger"]
    s = {n: sprite(n) for n in names}
    fonts = {"big": font(os.path.join(DATA, "show", "font20x31.bmp")),
             "small": font(os.path.join(DATA, "show", "font10x15.bmp")),
             "start": font(os.path.join(DATA, "smalfont.bmp"))}

    W = 2 * 640 + 3 * MARGIN
    sheet = Sheet(W, 9000)
    y = MARGIN
    sheet.head("Brillox: pictures and fonts (tiles, frames and icons at 2x; screens at 1x)",
               MARGIN, y)
    y += 40
    sheet.label("Tiles (.bmp files in show/): wall, earth, stone, Brillox, empty cell, exit",
                MARGIN, y)
    sheet.label("Figure: standing, three idle frames, facing right and left (on the empty "
                "cell it always stands in)", MARGIN + 560, y)
    y += 22
    sprite_row(sheet, s, ["mauer", "frei", "stein", "brillox", "black", "ziel"], MARGIN, y,
               PANEL)
    sprite_row(sheet, s, ["player01", "player02", "player03", "player04", "player_r",
                          "player_l"], MARGIN + 560, y, (0, 0, 0))
    y += 64 + 34
    sheet.label("HUD icons and the name-entry pointer (on the black HUD strip)", MARGIN, y)
    sheet.label("Explosion, four stages", MARGIN + 560, y)
    y += 22
    sprite_row(sheet, s, ["brillox_a", "uhr", "sound_on", "sound_off", "zeiger"], MARGIN, y,
               (0, 0, 0))
    sprite_row(sheet, s, ["exp01", "exp02", "exp03", "exp04"], MARGIN + 560, y, (0, 0, 0))
    y += 64 + 34
    sheet.label("The death sequence, frame by frame (explosion spreads to the eight "
                "neighbours one frame later)", MARGIN, y)
    y += 22
    for i, frame in enumerate(death_frames(s)):
        sheet.put(frame, MARGIN + i * (160 + 16), y)
    y += 160 + 30

    screens = [
        ("hg01.bmp as it is", s["hg01"]),
        ("Title screen (mock-up)", title_screen(s, fonts)),
        ("Main menu (mock-up)", menu_screen(s, fonts)),
        ("Play screen with HUD (mock-up)", play_screen(s, fonts)),
        ("Score summary: earth with a stone border", summary_screen(s, fonts)),
        ("Name entry: earth with a wall border, pointer on S", name_screen(s, fonts)),
        ("All levels done", done_screen(s, fonts)),
        ("Congratulation: border of figures", congratulation_screen(s, fonts)),
    ]
    for i, (title, img) in enumerate(screens):
        x = MARGIN + (i % 2) * (640 + MARGIN)
        if i % 2 == 0 and i:
            y += 480 + 30
        sheet.label(title, x, y)
        sheet.put(img, x, y + 18)
    y += 480 + 30 + 18

    sheet.label("font20x31.bmp (320 x 496, 16 x 16 cells of 20 x 31, Windows-1252), on grey so "
                "the outline shows", MARGIN, y)
    sheet.label("font10x15.bmp (160 x 240) at 2x; smalfont.bmp (256 x 384, cells of 16 x 24)",
                MARGIN + 640 + MARGIN, y)
    y += 20
    sheet.put(fonts["big"][0], MARGIN, y, 2, PANEL)
    sheet.put(fonts["small"][0], MARGIN + 640 + MARGIN, y, 2, PANEL)
    sheet.put(fonts["start"][0], MARGIN + 640 + MARGIN + 320 + 16, y, 1, PANEL)
    y += 496 * 2 + 24
    sample = Screen(fonts)
    for r in range(15):
        for c in range(20):
            sample.draw(s["frei"] if r < 5 else (s["mauer"] if r < 10 else s["black"]),
                        c * CELL, r * CELL)
    for r, base in ((0, 0), (5, 5), (10, 10)):
        sample.at("Spitze, Supper! Level 3", 1, base + 1)
        sample.at("0123456789 !?.,:;<>()+-*/ ÄÖÜß", 1, base + 2)
        sample.font = fonts["small"]
        sample.text("Spitze, Supper! Level 3 0123456789 Weiter mit Enter!", 32,
                    (base + 3) * CELL + 8)
        sample.font = fonts["start"]
        sample.text("Loading... Spitze, Supper! 0123456789", 32, (base + 4) * CELL)
        sample.font = fonts["big"]
    sheet.label("Sample text on earth, wall and the empty cell: font20x31, font10x15 and "
                "smalfont", MARGIN, y)
    sheet.put(sample.img, MARGIN, y + 18)
    start = Screen(fonts)
    start.font = fonts["start"]
    start.text("Loading...", (640 - 10 * 16) / 2, (480 - 24) / 2)
    sheet.label("Start-up frame: \"Loading...\" in smalfont", MARGIN + 640 + MARGIN, y)
    sheet.put(start.img, MARGIN + 640 + MARGIN, y + 18)
    y += 480 + 18 + MARGIN

    levels = read_levels()
    colours = {"*": mean_colour(s["mauer"]), ".": mean_colour(s["frei"]),
               "S": mean_colour(s["stein"]), "D": (90, 230, 255, 255),
               "P": (255, 80, 80, 255), "Z": (80, 255, 80, 255)}
    sheet.label("The %d levels of Level.ini, 4 pixels a cell: wall, earth and stone in their tiles' "
                "mean colours, Brilloxen cyan, the player red, the exit green" % len(levels),
                MARGIN, y)
    y += 24
    columns, cell, col_w = 3, 4, (W - 2 * MARGIN) // 3
    for first in range(0, len(levels), columns):
        row_h = 0
        for i, (number, name, zeit, quota, rows) in enumerate(levels[first:first + columns]):
            x = MARGIN + i * col_w
            gems = sum(r.count("D") for r in rows)
            clock = ", %d s" % zeit if zeit > 0 else ""
            sheet.label("%d %s: %d x %d, %d of %d%s" % (number, name, len(rows[0]), len(rows),
                                                         quota, gems, clock), x, y)
            img = level_map(rows, colours, cell)
            sheet.put(img, x, y + 18)
            row_h = max(row_h, img.height + 18 + 14)
        y += row_h
    y += MARGIN

    out = sheet.img.crop((0, 0, W, y)).convert("RGB")
    os.makedirs(os.path.dirname(OUT), exist_ok=True)
    out.save(OUT, optimize=True)
    print("wrote %s (%d x %d)" % (OUT, out.width, out.height))


if __name__ == "__main__":
    main()
