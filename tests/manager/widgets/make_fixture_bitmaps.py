#!/usr/bin/env python3
"""Writes the bitmap fixtures of the widget tests (24-bit BMP, standard library only):
coordinates.bmp, 200 x 100, where the pixel at (x, y) has red = x, green = y, blue = 50, so a
test can tell from any screen pixel which source pixel was drawn there; solid.bmp, 20 x 10 of
RGB(10, 20, 200)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write_bmp(path, width, height, pixel):
    row_size = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows.append(bytes(row))
    image = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(image), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(image), 3780, 3780, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + image)


write_bmp(os.path.join(HERE, "coordinates.bmp"), 200, 100, lambda x, y: (x, y, 50))
write_bmp(os.path.join(HERE, "solid.bmp"), 20, 10, lambda x, y: (10, 20, 200))
