#!/usr/bin/env python3
"""Draws the register's three tray icons (32 x 32, 32-bit with alpha): a token with a key hole,
idle in blue and, for blinking while the token works, in amber and in green."""
import struct
import sys

SIZE = 32


def token_pixels(body, light):
    pixels = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            colour = (0, 0, 0, 0)
            # rounded token body
            inside = 6 <= x <= 25 and 3 <= y <= 28
            corner = ((x < 9 or x > 22) and (y < 6 or y > 25)
                      and min((x - 9) ** 2, (x - 22) ** 2) + min((y - 6) ** 2, (y - 25) ** 2) > 9)
            if inside and not corner:
                colour = body + (255,)
                if x in (6, 25) or y in (3, 28):
                    colour = tuple(max(0, c - 60) for c in body) + (255,)
            # connector at the top
            if 11 <= x <= 20 and 0 <= y <= 3:
                colour = (200, 200, 200, 255)
            # status light and key hole
            if (x - 15.5) ** 2 + (y - 11) ** 2 <= 9:
                colour = light + (255,)
            if 14 <= x <= 17 and 16 <= y <= 23:
                colour = (255, 255, 255, 255)
            if (x - 15.5) ** 2 + (y - 16) ** 2 <= 5:
                colour = (255, 255, 255, 255)
            row.append(colour)
        pixels.append(row)
    return pixels


def ico(pixels):
    xor = b"".join(struct.pack("BBBB", b, g, r, a) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_row = (SIZE + 31) // 32 * 4
    and_mask = b"".join(
        bytes(
            sum((0x80 >> bit) for bit in range(8) if x + bit < SIZE and row[x + bit][3] == 0)
            for x in range(0, mask_row * 8, 8))
        for row in reversed(pixels))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22) + image


def main(folder):
    icons = {
        "token_idle.ico": ((40, 90, 170), (120, 220, 255)),
        "token_blink1.ico": ((200, 130, 20), (255, 240, 120)),
        "token_blink2.ico": ((30, 140, 60), (170, 255, 170)),
    }
    for name, (body, light) in icons.items():
        with open(f"{folder}/{name}", "wb") as out:
            out.write(ico(token_pixels(body, light)))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
