#!/usr/bin/env python3
"""Writes the small BMP files the toolkit tests load by id (run from this folder)."""
import struct


def bmp(path, rows):
    """rows: list of rows from the top, each a list of (r, g, b); stored bottom-up."""
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = b"".join(
        b"".join(bytes((b, g, r)) for (r, g, b) in row) + b"\0" * (stride - width * 3)
        for row in reversed(rows))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + data)


WHITE = (255, 255, 255)
RED = (255, 0, 0)
GREEN = (0, 255, 0)
BLUE = (0, 0, 255)
YELLOW = (255, 255, 0)

# 20: 4 x 2 picture for the transparent copy: white (the key), almost white, colours.
bmp("20.bmp", [[WHITE, (255, 255, 254), RED, GREEN],
               [BLUE, WHITE, (10, 20, 30), WHITE]])
# 21: on/off button, 6 x 8: off image (rows 0-3) red, on image (rows 4-7) green.
bmp("21.bmp", [[RED] * 6] * 4 + [[GREEN] * 6] * 4)
# 22: strip of 6 frames, 4 x 3 each: frame i is (40 i, 10, 200 - 30 i).
bmp("22.bmp", [[(40 * i, 10, 200 - 30 * i)] * 4 for i in range(6) for _ in range(3)])
# 23: momentary button, 5 x 10: released image (rows 0-4) blue, pressed (rows 5-9) yellow.
bmp("23.bmp", [[BLUE] * 5] * 5 + [[YELLOW] * 5] * 5)
# 24: a 40 x 30 background: a different grey level per 10-pixel column band.
bmp("24.bmp", [[(60 + 40 * (x // 10),) * 3 for x in range(40)] for _ in range(30)])
# 25: all white, 3 x 3: entirely the transparent colour.
bmp("25.bmp", [[WHITE] * 3] * 3)
