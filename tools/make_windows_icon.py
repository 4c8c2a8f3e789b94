#!/usr/bin/python3
# Packs the application icons that make_icons.py draws (dist/icons/hicolor/<N>x<N>/apps/) into
# the Windows icon dist/windows/brillox.ico, which the Windows program carries as its resource:
# the one Explorer, the taskbar and the desktop shortcut show. Every size is stored as the PNG it
# is (icons with PNG images are read by Windows Vista and later), so each keeps its own drawing
# instead of being scaled from another. Needs only Python's standard library; deterministic.
import os
import struct
import sys

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ICON_DIR = os.path.join(REPO, "dist", "icons", "hicolor")
APP_ID = "io.github.brillox.Brillox"
SIZES = (16, 24, 32, 48, 64, 128, 256)
OUTPUT = os.path.join(REPO, "dist", "windows", "brillox.ico")
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_size(data, path):
    """The width and height in a PNG's IHDR chunk."""
    if data[:8] != PNG_SIGNATURE or data[12:16] != b"IHDR":
        sys.exit(f"{path}: not a PNG file")
    return struct.unpack(">II", data[16:24])


def icon_file(images):
    """An .ico file of (size, PNG bytes) pairs: the header, one directory entry per image
    (a size of 256 is written as 0), then the images in the same order."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, payload = b"", b""
    for size, data in images:
        side = 0 if size == 256 else size
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        payload += data
    return header + entries + payload


def main():
    images = []
    for size in SIZES:
        path = os.path.join(ICON_DIR, f"{size}x{size}", "apps", f"{APP_ID}.png")
        with open(path, "rb") as file:
            data = file.read()
        if png_size(data, path) != (size, size):
            sys.exit(f"{path}: not {size} x {size} pixels")
        images.append((size, data))
    with open(OUTPUT, "wb") as file:
        file.write(icon_file(images))


if __name__ == "__main__":
    main()
