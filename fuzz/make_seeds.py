#!/usr/bin/env python3
# Writes the seed corpora in fuzz/corpus/<target>/: a few files of the game's own data and of
# the BMP and PNG test suites, and small hand-made files, valid and hostile, for every reader.
# Crash inputs kept as regressions sit beside them under names starting with "crash-"; this
# script leaves those alone. Run it from anywhere; it rewrites only the files it names.
import os
import shutil
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
SUITES = os.path.join(ROOT, "tests", "data")


def put(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


def copy(target, source, name=None):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    shutil.copyfile(source, os.path.join(folder, name or os.path.basename(source)))


# --- BMP ------------------------------------------------------------------------------------

def bmp(width, height, bits, palette=b"", pixels=None, offset=None, info_size=40):
    row = (width * bits // 8 + 3) // 4 * 4 if width > 0 else 0
    if pixels is None:
        pixels = bytes((i * 37) & 0xFF for i in range(row * abs(height)))
    pixel_offset = 14 + 40 + len(palette) if offset is None else offset
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, 0, len(pixels),
                       2835, 2835, len(palette) // 4, 0)
    head = b"BM" + struct.pack("<IHHI", 14 + 40 + len(palette) + len(pixels), 0, 0, pixel_offset)
    return head + info + palette + pixels


def bmp_seeds():
    palette = b"".join(bytes([b, g, r, 0]) for r, g, b in [(0, 0, 0), (255, 0, 128), (10, 200, 30)])
    good8 = bmp(3, 2, 8, palette, bytes([0, 1, 2, 0, 2, 1, 0, 0]))
    put("bmp", "rgb8.bmp", good8)
    put("bmp", "rgb24.bmp", bmp(3, 2, 24))
    put("bmp", "rgb32.bmp", bmp(2, 2, 32))
    put("bmp", "topdown24.bmp", bmp(2, -3, 24))
    put("bmp", "truncated-file-header.bmp", good8[:10])
    put("bmp", "truncated-info-header.bmp", good8[:30])
    put("bmp", "truncated-rows.bmp", good8[:-3])
    put("bmp", "offset-past-end.bmp", bmp(3, 2, 24, offset=5000))
    put("bmp", "offset-inside-header.bmp", bmp(3, 2, 24, offset=20))
    put("bmp", "width-0.bmp", bmp(0, 2, 24, pixels=b"\0" * 8))
    put("bmp", "width-negative.bmp", bmp(-3, 2, 24, pixels=b"\0" * 24))
    put("bmp", "width-huge.bmp", bmp(0x7FFFFFFF, 1, 24, pixels=b"\0" * 24))
    put("bmp", "height-0.bmp", bmp(3, 0, 24, pixels=b"\0" * 24))
    put("bmp", "height-int-min.bmp", bmp(3, -0x80000000, 24, pixels=b"\0" * 24))
    put("bmp", "bits-16.bmp", bmp(3, 2, 16))
    put("bmp", "short-palette.bmp", bmp(3, 2, 8, palette[:4], bytes([0, 1, 2, 0, 2, 1, 0, 0])))
    put("bmp", "bytes-overflow-32-bits.bmp", bmp(0x10000, 0x10000, 32, pixels=b"\0" * 64))
    put("bmp", "info-header-v5.bmp", bmp(2, 2, 24, info_size=124,
                                          offset=14 + 124, pixels=b"\0" * 84 + b"\x11" * 16))
    for name in ["g/pal8w124.bmp", "g/pal8nonsquare.bmp", "g/pal8os2.bmp", "b/pal8badindex.bmp",
                 "b/shortfile.bmp", "b/badwidth.bmp", "b/badbitcount.bmp", "q/rgb24png.bmp"]:
        copy("bmp", os.path.join(SUITES, "bmpsuite", name), "suite-" + os.path.basename(name))
    copy("bmp", os.path.join(SUITES, "pngsuite", "bmp", "basn6a08.bmp"), "suite-basn6a08-v5.bmp")
    for name in ["brillox.bmp", "player01.bmp"]:
        copy("bmp", os.path.join(ROOT, "data", "show", name), "game-" + name)


# --- PNG ------------------------------------------------------------------------------------

def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def png(width, height, depth, colour, rows, extra=b""):
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0)
    raw = b"".join(b"\0" + r for r in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def png_seeds():
    rgb = png(3, 2, 8, 2, [bytes(range(9)), bytes([255, 0, 128] * 3)])
    put("png", "rgb8.png", rgb)
    put("png", "truncated.png", rgb[:len(rgb) // 2])
    bad_crc = bytearray(rgb)
    bad_crc[29] ^= 1  # the checksum of IHDR
    put("png", "bad-crc.png", bytes(bad_crc))
    huge = png(0x7FFFFFFF, 0x7FFFFFFF, 8, 2, [b"\0" * 9])
    put("png", "huge-dimensions.png", huge)
    put("png", "limit-dimensions.png", png(16384, 16384, 1, 0, [b"\0" * 2048]))
    put("png", "grey-alpha.png", png(2, 2, 8, 4, [b"\x10\xff\x20\x80", b"\x30\x00\x40\xff"]))
    put("png", "palette-trns.png", png(2, 1, 8, 3, [b"\x00\x01"],
                                       chunk(b"PLTE", b"\xff\x00\x80\x00\x00\xff") +
                                       chunk(b"tRNS", b"\x00")))
    put("png", "rgb16.png", png(1, 1, 16, 2, [b"\x12\x34\x56\x78\x9a\xbc"]))
    for name in ["basn2c08", "basi0g01", "basn3p08", "tbrn2c08", "basn4a08", "basn0g16",
                 "basi6a16", "s01i3p01", "tp1n3p08", "xcrn0g04", "xd0n2c08", "z09n2c08"]:
        copy("png", os.path.join(SUITES, "pngsuite", "png", name + ".png"), "suite-" + name + ".png")


# --- WAV ------------------------------------------------------------------------------------

def fmt(channels=1, rate=22050, bits=16, align=None, size=16, extra=b""):
    align = channels * bits // 8 if align is None else align
    body = struct.pack("<HHIIHH", 1, channels, rate, rate * align, align, bits) + extra
    return b"fmt " + struct.pack("<I", size) + body


def wav_chunk(kind, body, size=None):
    return kind + struct.pack("<I", len(body) if size is None else size) + body


def wav(*chunks, riff_size=None):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body) if riff_size is None else riff_size) + body


def wav_seeds():
    samples = struct.pack("<8h", 0, 1000, -1000, 32767, -32768, 5, -5, 0)
    data = wav_chunk(b"data", samples)
    put("wav", "mono16.wav", wav(fmt(), data))
    put("wav", "stereo8.wav", wav(fmt(channels=2, rate=11025, bits=8), wav_chunk(b"data", b"\x80\x7f" * 8)))
    put("wav", "riff-size-short.wav", wav(fmt(), data, riff_size=4))
    put("wav", "riff-size-long.wav", wav(fmt(), data, riff_size=0xFFFFFFF0))
    put("wav", "fmt-size-0.wav", wav(fmt(size=0), data))
    put("wav", "fmt-size-18.wav", wav(fmt(size=18, extra=b"\0\0"), data))
    put("wav", "fmt-size-40.wav", wav(fmt(size=40, extra=b"\x16\0" + b"\0" * 22), data))
    put("wav", "fmt-extended-30.wav", wav(fmt(size=30, extra=b"\0" * 14), data))
    put("wav", "channels-0.wav", wav(fmt(channels=0, align=0), data))
    put("wav", "channels-huge.wav", wav(fmt(channels=65535, align=65535), data))
    put("wav", "rate-0.wav", wav(fmt(rate=0), data))
    put("wav", "rate-huge.wav", wav(fmt(rate=0xFFFFFFFF // 2), data))
    put("wav", "bits-0.wav", wav(fmt(bits=0, align=2), data))
    put("wav", "bits-huge.wav", wav(fmt(bits=65535, align=2), data))
    put("wav", "block-align-0.wav", wav(fmt(align=0), data))
    put("wav", "block-align-huge.wav", wav(fmt(align=65535), data))
    put("wav", "data-past-end.wav", wav(fmt(), wav_chunk(b"data", samples, size=100000)))
    put("wav", "data-size-unknown.wav", wav(fmt(), wav_chunk(b"data", samples, size=0xFFFFFFFF)))
    put("wav", "data-size-0.wav", wav(fmt(), wav_chunk(b"data", b"")))
    put("wav", "no-data-chunk.wav", wav(fmt(), wav_chunk(b"LIST", samples)))
    put("wav", "fact.wav", wav(fmt(), wav_chunk(b"fact", b"\x08\0\0\0"), data))
    put("wav", "fact-huge.wav", wav(fmt(), wav_chunk(b"fact", b"\0" * 4, size=0xFFFFFFF0), data))
    put("wav", "truncated-header.wav", wav(fmt(), data)[:30])
    with open(os.path.join(ROOT, "data", "sound", "stein.wav"), "rb") as f:
        put("wav", "game-stein.wav", f.read())


# --- INI and Level.ini ----------------------------------------------------------------------

def ini_seeds():
    put("ini", "plain.ini", "[S]\nKey=value\n  Spaced  =  some value  \n")
    put("ini", "crlf.ini", "[daten]\r\n1=ABC,1234,3,5\r\n2=,0\r\n")
    put("ini", "lone-cr.ini", "[S]\rk=1\r[T]\nk=a\rb\n")
    put("ini", "bom.ini", "\xef\xbb\xbf[S]\nk=1\n")
    put("ini", "nul-bytes.ini", "[S]\nk=ab\0cd\nj\0=1\n[\0T]\nm=2\n")
    put("ini", "no-final-newline.ini", "[S]\nk=1")
    put("ini", "unterminated-header.ini", "[S\nk=1\n[\nj=2\n[ ]\nm=3\n[T]]\nn=4\n")
    put("ini", "long-line.ini", "[S]\nk=" + "v" * 3000 + "\n" + "x" * 2000 + "=1\n")
    put("ini", "repeated.ini", "".join("[S]\nk=%d\nK=%d\n" % (i, i) for i in range(60)))
    put("ini", "comments-and-junk.ini",
        "; comment\n[S]\nKey value\nKe y=1\nAlone\nEmpty=\n;c=1\nk;x=1;2\n\t v \t=\t w \t\n")
    put("ini", "latin1.ini", "[\xc4r]\nk=\xe4\xf6 \xfc\x1f\n")
    put("ini", "before-first-header.ini", "a=0\n[]\nb=1\n[S]\nc=2\n")
    shutil.copyfile(os.path.join(ROOT, "data", "highscore.ini"),
                    os.path.join(CORPUS, "ini", "game-highscore.ini"))
    shutil.copyfile(os.path.join(ROOT, "data", "savegame.ini"),
                    os.path.join(CORPUS, "ini", "game-savegame.ini"))


def level(x, y, rows, zeit="0", brillox="0", extra=""):
    lines = ["[level_1]", "x=%s" % x, "y=%s" % y, "zeit=%s" % zeit, "brillox=%s" % brillox]
    lines += ["%d=|%s" % (i + 1, row) for i, row in enumerate(rows)]
    return "\n".join(lines) + "\n" + extra


def level_seeds():
    rows = ["*" * 20] + ["*" + "." * 18 + "*"] * 12 + ["*" * 20]
    rows[1] = "*P....D.....S......*"
    rows[12] = "*..d.........s....Z*"
    put("level", "valid.ini", level(20, 14, rows, "120", "2"))
    put("level", "small.ini", level(3, 2, ["PDZ", "sdz"]))
    put("level", "missing-rows.ini", level(20, 14, rows[:5]))
    put("level", "missing-section.ini", "[level_2]\nx=3\ny=1\n1=|PDZ\n")
    put("level", "missing-size.ini", level("", "", rows))
    put("level", "huge-size.ini", level(1000000000, 1000000000, rows))
    put("level", "huge-width.ini", level(99999999, 1, ["PDZ"]))
    put("level", "infinite-size.ini", level("1e999", "1e999", rows))
    put("level", "negative-size.ini", level(-5, 14, rows, "-5", "-2"))
    put("level", "fractional-size.ini", level("3.5", "1.5", ["PDZ"], "2.5", "0.5"))
    put("level", "no-player.ini", level(3, 1, ["DDZ"]))
    put("level", "no-exit.ini", level(3, 1, ["DPP"]))
    put("level", "no-brillox.ini", level(3, 1, ["PZZ"]))
    put("level", "binary-garbage.ini", bytes((i * 151 + 7) & 0xFF for i in range(600)))
    shutil.copyfile(os.path.join(ROOT, "data", "Level.ini"),
                    os.path.join(CORPUS, "level", "game-Level.ini"))


# --- Number text ----------------------------------------------------------------------------

def number_seeds():
    texts = ["42", " 42", "\t-4e2", "abc", "12abc", "-0", "1e400", "-1e-400", "0x10", "inf",
             ".5", "5.", "1e", "1e+", "+.e5", "123456789012345678901234567890",
             "0." + "0" * 330 + "1e330", "4.9e-324", "2.4e-324", "1.7976931348623157e308",
             "1.7976931348623159e308", "2.2250738585072011e-308"]
    for i, text in enumerate(texts):
        put("number_text", "text-%02d" % i, text)
    values = [0.05, 1e10, 1 / 3, 9999999999.5, 0.1 + 0.2, 1.7976931348623157e308, 5e-324,
              -0.0, float("nan"), float("inf"), 123.456, -0.25, 2.25, 0.09999999999999,
              9999999999.0, 12345678901.0]
    for i, value in enumerate(values):
        put("number_text", "double-%02d" % i, struct.pack("<d", value))


# --- Translation catalogues ------------------------------------------------------------------

def po_seeds():
    for name in ("de.po", "en.po", "brillox.pot"):
        copy("po", os.path.join(ROOT, "data", "po", name), "game-" + name)
    put("po", "escapes.po", 'msgid "a\\tb\\"\\\\\\n\\101\\x42\\?"\nmsgstr "x"\n')
    put("po", "context-plural-fuzzy.po",
        'msgctxt "menu"\nmsgid "Name"\nmsgstr "Name"\n\n#, fuzzy, c-format\n'
        'msgid "%s Leben"\nmsgid_plural "%s Leben"\nmsgstr[0] "%s life"\nmsgstr[1] "%s lives"\n'
        '#~ msgid "old"\n#~ msgstr "alt"\n')
    put("po", "continued.po", 'msgid ""\n"Level "\n"%s"\nmsgstr ""\n"Level %s"\n')
    put("po", "crlf-bom.po", '\xef\xbb\xbfmsgid "Pause"\r\nmsgstr "Pause"\r\n')
    put("po", "latin1.po", 'msgid "a"\nmsgstr "Gr\xfc\xdfe"\n')
    put("po", "nul-escape.po", 'msgid "a"\nmsgstr "b\\0"\n')
    put("po", "repeated.po", 'msgid "a"\nmsgstr "b"\nmsgid "a"\nmsgstr "c"\n')
    put("po", "unterminated.po", 'msgid "a\nmsgstr "b"\n')


if __name__ == "__main__":
    bmp_seeds()
    png_seeds()
    wav_seeds()
    ini_seeds()
    level_seeds()
    number_seeds()
    po_seeds()
