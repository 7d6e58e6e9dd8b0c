#!/usr/bin/env python3
"""Writes the small BMP files the platform tests load by id (run from this folder)."""
import struct


def bmp(path, rows, top_down=False, bits=24):
    """rows: list of rows from the top, each a list of (r, g, b)."""
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    ordered = rows if top_down else list(reversed(rows))
    data = b"".join(
        b"".join(bytes((b, g, r)) for (r, g, b) in row) + b"\0" * (stride - width * 3)
        for row in ordered)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits, 0,
                       len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + data)


GREY = (128, 128, 128)
WHITE = (255, 255, 255)
# 10: a 16 x 16 grey canvas to draw on.
bmp("10.bmp", [[GREY] * 16 for _ in range(16)])
# 11: 3 x 2 source picture: white (the transparent colour), almost white, and colours.
bmp("11.bmp", [[WHITE, (255, 255, 254), (255, 0, 0)],
               [(0, 255, 0), (0, 0, 255), WHITE]])
# 12: the same kind of picture stored top-down.
bmp("12.bmp", [[(1, 2, 3), (4, 5, 6)], [(7, 8, 9), (10, 11, 12)]], top_down=True)
# 13: not 24 bits per pixel: refused.
bmp("13.bmp", [[GREY]], bits=32)
