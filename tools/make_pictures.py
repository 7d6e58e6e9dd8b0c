#!/usr/bin/python3
"""Generates the editor's twenty pictures as 24-bit BMPs into resources/<id>.bmp.

Reproducible: the same script gives the same bytes (fixed random seeds, no timestamps).
Needs Python 3 with PIL (Debian: python3-pil) and the DejaVu fonts (fonts-dejavu-core);
the build itself only uses the checked-in BMPs.

    tools/make_pictures.py [--out resources] [--png preview-dir]

Every scale is computed from the meter's own arithmetic, so a label stands exactly where
the bar, pointer or pin stops for the level it names:

- Level bars: 200 px wide, left edge at frame x 81, lit columns 81 .. x0 - 1 with
  x0 = 81 + floor(position * 200 + 0.5). The position is the level table entry at index
  trunc(magnitude * 32767), the table being the five logarithmic segments of the meter.
  A label for L dB therefore stands above (or below) column x0 - 1, the last lit column.
- AES scale: the read-out is plain dBFS, magnitude = 10^(L / 20).
- DIN scale: the quasi-peak read-out is 20 log10(magnitude * 1.77827941), i.e. 5 dB more
  than the stored magnitude (which already carries the 4 dB quasi-peak input gain). The
  label L on the DIN scale marks where the bar ends when the maximum display shows L:
  magnitude = 10^(L / 20) / 1.77827941 = 10^((L - 5) / 20). +5 sits at full scale, 0 at
  -5 dBFS of the stored magnitude, and the over threshold (-4 dBFS stored) reads +1.
- Analyser: bars 56 px tall from frame y 36; the band scale is linear in dB from -56 dB
  (position 0) to 0 dB (position 1), and a vertical bar's lit part starts at row
  36 + floor(56 * (1 - position) + 0.5), so L dB lies on row -L of the strip.
  Band k covers frame columns 98 + 8k .. 103 + 8k.
- Phase pointer: the pin stands at x = 113 + floor(181 * v) and is 9 px wide; labels are
  centred on the pin for correlation 0 (180 deg, -1), 0.5 (90 deg, 0) and 1 (0 deg, +1).
- Correlation pointer: 2 px at x = 305 + floor(29 * v + 0.5).
The strip picture is drawn at frame (80, 36), so strip column = frame x - 80 and strip
row = frame y - 36.
"""

import argparse
import math
import os
import random
import struct

from PIL import Image, ImageDraw, ImageFont

BLUE = (20, 145, 210)
DARK = (20, 20, 30)
RED = (225, 20, 20)
DIM_BLUE = (38, 74, 104)
SCALE_GREY = (150, 160, 175)
ENGRAVE = (70, 72, 78)

FONT_DIR = "/usr/share/fonts/truetype/dejavu"

STRIP_X, STRIP_Y = 80, 36
LEVEL_BAR_LEFT, LEVEL_BAR_WIDTH = 81, 200


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


# --- the meter's arithmetic -------------------------------------------------------------------

LEVEL_SEGMENTS = [  # last index, b, c, d
    (103, 103, 19, 14),
    (328, 328, 38, 38),
    (1036, 1036, 64, 52),
    (3277, 3277, 100, 72),
    (32767, 32767, 200, 100),
]


def level_table_entry(i):
    if i < 3:
        return 0.0
    for last, b, c, d in LEVEL_SEGMENTS:
        if i <= last:
            return f32((c + d * math.log10(i / b)) * 0.005)
    raise ValueError(i)


def table_index(magnitude):
    index = int(f32(magnitude) * 32767.0)
    return 32737 if index > 32767 else index


def level_position(magnitude):
    return level_table_entry(table_index(magnitude))


def bar_end(position, left, width):
    """First unlit column of a horizontal bar."""
    return left + int(math.floor(position * width + 0.5))


def level_label_column(level_db, din):
    offset_db = 20.0 * math.log10(1.77827941) if din else 0.0
    magnitude = 10.0 ** ((level_db - offset_db) / 20.0)
    x0 = bar_end(level_position(magnitude), LEVEL_BAR_LEFT, LEVEL_BAR_WIDTH)
    return x0 - 1 - STRIP_X  # last lit column, in strip columns


def band_row(level_db):
    position = f32((level_db + 56.0) / 56.0)
    return int(math.floor(56 * (1.0 - position) + 0.5))


def band_centre_column(band):
    return 98 + 8 * band + 2.5 - STRIP_X


def pin_centre_column(value):
    return 113 + int(math.floor(181 * value)) + 4 - STRIP_X


def tick_centre_column(value):
    return 305 + int(math.floor(29 * value + 0.5)) + 0.5 - STRIP_X


# --- a crisp 5-row pixel font for scales and button faces ------------------------------------

GLYPHS = {
    "0": ["###", "#.#", "#.#", "#.#", "###"],
    "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["##.", "..#", ".#.", "#..", "###"],
    "3": ["##.", "..#", ".#.", "..#", "##."],
    "4": ["#.#", "#.#", "###", "..#", "..#"],
    "5": ["###", "#..", "##.", "..#", "##."],
    "6": [".##", "#..", "###", "#.#", "###"],
    "7": ["###", "..#", ".#.", ".#.", ".#."],
    "8": ["###", "#.#", "###", "#.#", "###"],
    "9": ["###", "#.#", "###", "..#", "##."],
    "-": ["..", "..", "##", "..", ".."],
    "+": ["...", ".#.", "###", ".#.", "..."],
    "°": ["###", "#.#", "###", "...", "..."],
    " ": [".", ".", ".", ".", "."],
    "A": [".#.", "#.#", "###", "#.#", "#.#"],
    "B": ["##.", "#.#", "##.", "#.#", "##."],
    "C": [".##", "#..", "#..", "#..", ".##"],
    "D": ["##.", "#.#", "#.#", "#.#", "##."],
    "E": ["###", "#..", "##.", "#..", "###"],
    "F": ["###", "#..", "##.", "#..", "#.."],
    "G": [".##", "#..", "#.#", "#.#", ".##"],
    "H": ["#.#", "#.#", "###", "#.#", "#.#"],
    "I": ["###", ".#.", ".#.", ".#.", "###"],
    "K": ["#.#", "#.#", "##.", "#.#", "#.#"],
    "L": ["#..", "#..", "#..", "#..", "###"],
    "M": ["#...#", "##.##", "#.#.#", "#...#", "#...#"],
    "N": ["#..#", "##.#", "#.##", "#..#", "#..#"],
    "O": [".##.", "#..#", "#..#", "#..#", ".##."],
    "P": ["##.", "#.#", "##.", "#..", "#.."],
    "Q": [".##.", "#..#", "#..#", "#.#.", ".#.#"],
    "R": ["##.", "#.#", "##.", "#.#", "#.#"],
    "S": [".##", "#..", ".#.", "..#", "##."],
    "T": ["###", ".#.", ".#.", ".#.", ".#."],
    "U": ["#.#", "#.#", "#.#", "#.#", "###"],
    "V": ["#.#", "#.#", "#.#", "#.#", ".#."],
    "W": ["#...#", "#...#", "#.#.#", "##.##", "#...#"],
    "Y": ["#.#", "#.#", ".#.", ".#.", ".#."],
    "k": ["#..", "#.#", "##.", "#.#", "#.#"],
    "l": ["#", "#", "#", "#", "#"],
    "r": ["..", "..", "##", "#.", "#."],
    "i": ["#", ".", "#", "#", "#"],
    "d": ["..#", "..#", ".##", "#.#", ".##"],
    "n": ["...", "...", "##.", "#.#", "#.#"],
    "o": ["...", "...", "###", "#.#", "###"],
}


def text_width(text):
    return sum(len(GLYPHS[c][0]) for c in text) + max(0, len(text) - 1)


def draw_pixel_text(img, x, y, text, color):
    """Draws text with its top-left corner at (x, y); pixels outside the picture are cut."""
    w, h = img.size
    for c in text:
        glyph = GLYPHS[c]
        for row, bits in enumerate(glyph):
            for col, bit in enumerate(bits):
                px, py = x + col, y + row
                if bit == "#" and 0 <= px < w and 0 <= py < h:
                    img.putpixel((px, py), color)
        x += len(glyph[0]) + 1


def draw_centred_text(img, centre_x, y, text, color, left_limit=0, right_limit=None):
    """Centres text on a column (a half column for even widths), kept inside the limits."""
    if right_limit is None:
        right_limit = img.size[0]
    width = text_width(text)
    x = int(math.floor(centre_x - (width - 1) / 2.0 + 0.5))
    x = max(left_limit, min(x, right_limit - width))
    draw_pixel_text(img, x, y, text, color)


def fill(img, box, color):
    ImageDraw.Draw(img).rectangle(box, fill=color)


def vline(img, x, y0, y1, color):
    for y in range(y0, y1 + 1):
        img.putpixel((x, y), color)


def hline(img, x0, x1, y, color):
    for x in range(x0, x1 + 1):
        img.putpixel((x, y), color)


# --- button faces ------------------------------------------------------------------------------

def button_face(text, color=BLUE):
    """One 26 x 9 face: dark, a thin bevelled rim, the lettering centred on five rows."""
    img = Image.new("RGB", (26, 9), DARK)
    hline(img, 0, 25, 0, (84, 88, 98))
    vline(img, 0, 0, 8, (84, 88, 98))
    hline(img, 0, 25, 8, (8, 8, 12))
    vline(img, 25, 0, 8, (8, 8, 12))
    draw_centred_text(img, 12.5, 2, text, color, 1, 25)
    return img


def stacked(upper, lower):
    img = Image.new("RGB", (upper.size[0], upper.size[1] + lower.size[1]))
    img.paste(upper, (0, 0))
    img.paste(lower, (0, upper.size[1]))
    return img


def true_peak_faces():
    samples = button_face("0101")
    sine = button_face("")
    # One period of a sine across the face: the interpolated signal between samples.
    last = None
    for x in range(3, 23):
        y = int(round(4 - 2.4 * math.sin(2 * math.pi * (x - 3) / 20.0)))
        if last is not None:
            for yy in range(min(last, y), max(last, y) + 1):
                sine.putpixel((x, yy), BLUE)
        sine.putpixel((x, y), BLUE)
        last = y
    return stacked(samples, sine)


def over_lamp():
    img = Image.new("RGB", (8, 16), DARK)
    fill(img, (3, 9, 4, 12), RED)
    fill(img, (3, 14, 4, 14), RED)
    return img


# --- scale strip -------------------------------------------------------------------------------

AES_LABELS = [-60, -40, -30, -20, -15, -10, -6, -3, 0]
AES_TICKS = AES_LABELS + [-50]
DIN_LABELS = [-60, -40, -30, -20, -10, -5, 0, 5]
DIN_TICKS = DIN_LABELS + [-50]


def label_text(level_db):
    return "+%d" % level_db if level_db > 0 else "%d" % level_db


def level_scales(din):
    img = Image.new("RGB", (256, 64), DARK)
    labels, ticks = (DIN_LABELS, DIN_TICKS) if din else (AES_LABELS, AES_TICKS)
    upper_bar_top, lower_bar_bottom = 46 - STRIP_Y, 79 - STRIP_Y  # rows 10 and 43
    for level in ticks:
        col = level_label_column(level, din)
        colour = RED if level > 0 else SCALE_GREY
        vline(img, col, upper_bar_top - 2, upper_bar_top - 1, colour)
        vline(img, col, lower_bar_bottom + 1, lower_bar_bottom + 2, colour)
    for level in labels:
        col = level_label_column(level, din)
        colour = RED if level > 0 else SCALE_GREY
        draw_centred_text(img, col, 1, label_text(level), colour, 0, 206)
        draw_centred_text(img, col, lower_bar_bottom + 4, label_text(level), colour, 0, 206)
    # Between the bars: the channels and the scale's name.
    draw_pixel_text(img, 1, 20, "L", SCALE_GREY)
    draw_pixel_text(img, 1, 29, "R", SCALE_GREY)
    name = "DIN" if din else "AES dB"
    draw_centred_text(img, 100, 24, name, DIM_BLUE)
    # The correlation pointer's scale, top right, under the pointer at frame y 31..34.
    for value, text in ((0.0, "-1"), (0.5, "0"), (1.0, "+1")):
        centre = tick_centre_column(value)
        draw_centred_text(img, centre, 1, text, SCALE_GREY, 216, 256)
    return img


ANALYSER_FREQUENCIES = [(0, "25"), (3, "50"), (6, "100"), (9, "200"), (13, "500"),
                        (16, "1k"), (19, "2k"), (23, "5k"), (26, "10k"), (28, "16k")]


def analyser_scale(grid):
    img = Image.new("RGB", (256, 64), DARK)
    first_bar = int(band_centre_column(0) - 2.5)
    for level in range(0, -60, -10):
        row = band_row(level)
        if grid:
            for x in range(first_bar - 1, 256, 2):
                img.putpixel((x, row), DIM_BLUE)
        else:
            hline(img, first_bar - 2, first_bar - 1, row, SCALE_GREY)
        text = "%d" % level
        top = max(0, min(row - 2, 63 - 5))
        draw_pixel_text(img, first_bar - 3 - text_width(text), top, text, SCALE_GREY)
    for band, text in ANALYSER_FREQUENCIES:
        draw_centred_text(img, band_centre_column(band), 58, text, SCALE_GREY, 0, 256)
    return img


def phase_scale():
    img = Image.new("RGB", (256, 64), DARK)
    draw_centred_text(img, pin_centre_column(0.5), 0, "PHASE CORRELATION", DIM_BLUE)
    pin_top, pin_bottom = 51 - STRIP_Y, 66 - STRIP_Y  # rows 15 .. 30
    for value in (0.0, 0.25, 0.5, 0.75, 1.0):
        col = pin_centre_column(value)
        length = 2 if value in (0.0, 0.5, 1.0) else 1
        vline(img, col, pin_top - length, pin_top - 1, SCALE_GREY)
        vline(img, col, pin_bottom + 1, pin_bottom + length, SCALE_GREY)
    for value, degrees, correlation in ((0.0, "180°", "-1"), (0.5, "90°", "0"),
                                        (1.0, "0°", "+1")):
        col = pin_centre_column(value)
        draw_centred_text(img, col, pin_top - 8, degrees, SCALE_GREY)
        draw_centred_text(img, col, pin_bottom + 4, correlation, SCALE_GREY)
    return img


def logo(size):
    img = Image.new("RGB", size, DARK)
    font = ImageFont.truetype(os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf"), 30)
    d = ImageDraw.Draw(img)
    box = d.textbbox((0, 0), "MELP", font=font)
    x = (size[0] - (box[2] - box[0])) // 2 - box[0]
    y = (size[1] - (box[3] - box[1])) // 2 - box[1]
    d.text((x, y), "MELP", font=font, fill=BLUE)
    return img


def scale_strip():
    img = Image.new("RGB", (256, 384), DARK)
    pictures = [phase_scale(), analyser_scale(True), analyser_scale(False),
                level_scales(False), level_scales(True), logo((256, 64))]
    for index, picture in enumerate(pictures):
        img.paste(picture, (0, 64 * index))
    return img


# --- the panel ---------------------------------------------------------------------------------

def brushed_metal(width, height, seed):
    rng = random.Random(seed)
    img = Image.new("RGB", (width, height))
    pixels = img.load()
    row_shade = [rng.uniform(-5.0, 5.0) for _ in range(height)]
    for y in range(height):
        # Long horizontal streaks: noise smoothed along the row only.
        raw = [rng.uniform(-1.0, 1.0) for _ in range(width + 24)]
        run = sum(raw[:24])
        shade = row_shade[y] + (row_shade[y - 1] if y else 0.0) * 0.5
        for x in range(width):
            streak = run / 24.0 * 26.0
            run += raw[x + 24] - raw[x]
            grain = rng.uniform(-2.5, 2.5)
            sheen = 10.0 * math.cos((x - width * 0.35) / width * math.pi)
            v = 158.0 + shade + streak + grain + sheen - 0.08 * y
            v = max(0, min(255, int(round(v))))
            pixels[x, y] = (v, v + 1 if v < 255 else v, v + 4 if v < 251 else 255)
    return img


def sunken_box(img, box, color):
    x0, y0, x1, y1 = box
    fill(img, box, color)
    hline(img, x0 - 1, x1 + 1, y0 - 1, (96, 98, 104))
    vline(img, x0 - 1, y0 - 1, y1 + 1, (96, 98, 104))
    hline(img, x0 - 1, x1 + 1, y1 + 1, (224, 226, 230))
    vline(img, x1 + 1, y0 - 1, y1 + 1, (224, 226, 230))


def screw(img, cx, cy):
    d = ImageDraw.Draw(img)
    d.ellipse((cx - 3, cy - 3, cx + 3, cy + 3), fill=(128, 130, 136), outline=(90, 92, 98))
    d.line((cx - 2, cy + 2, cx + 2, cy - 2), fill=(70, 72, 78))


def panel():
    img = brushed_metal(427, 133, 128)
    # The meter window behind the strip (80..335, 36..99) and the correlation pointer
    # (305..336, 31..34): everything the strip does not cover must match its dark.
    sunken_box(img, (76, 27, 338, 103), DARK)
    # Sample-rate read-out (345..364, 89..100) and its unit.
    sunken_box(img, (344, 88, 375, 102), DARK)
    draw_pixel_text(img, 367, 92, "k", BLUE)
    # Product logo, top left, and the engraved group labels.
    font = ImageFont.truetype(os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf"), 19)
    d = ImageDraw.Draw(img)
    d.text((13, 4), "MELP", font=font, fill=(235, 237, 240))
    d.text((12, 3), "MELP", font=font, fill=BLUE)
    draw_pixel_text(img, 80, 12, "STEREO LEVEL METER", ENGRAVE)
    draw_pixel_text(img, 355, 12, "QUILLON", ENGRAVE)
    draw_pixel_text(img, 355, 19, "MARDET", ENGRAVE)
    draw_centred_text(img, 52.5, 37, "VIEW", ENGRAVE)
    draw_centred_text(img, 367.5, 37, "METER", ENGRAVE)
    for cx, cy in ((6, 6), (420, 6), (6, 126), (420, 126)):
        screw(img, cx, cy)
    return img


def solid(size, color):
    return Image.new("RGB", size, color)


def pin_picture():
    img = solid((181, 16), DARK)
    fill(img, (0, 0, 8, 15), BLUE)
    return img


def pictures():
    strip = scale_strip()
    return {
        128: panel(),
        129: strip,
        130: strip.crop((0, 128, 256, 192)),
        131: button_face("Pk Clr"),
        132: stacked(button_face("Pk + VU"), button_face("PEAK")),
        133: stacked(button_face("Grid On"), button_face("No Grid")),
        134: stacked(button_face("AES"), button_face("DIN")),
        135: true_peak_faces(),
        140: button_face("LEVEL"),
        141: button_face("RTA"),
        142: button_face("PHASE"),
        143: stacked(button_face("SLOW"), button_face("FAST")),
        144: over_lamp(),
        200: solid((200, 8), BLUE),
        201: solid((200, 8), DARK),
        202: solid((29, 4), BLUE),
        203: solid((29, 4), DARK),
        204: solid((6, 56), BLUE),
        205: solid((6, 56), DARK),
        206: pin_picture(),
        207: solid((181, 16), DARK),
    }


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(root, "resources"))
    parser.add_argument("--png", help="also write PNG previews (4x) into this directory")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    for resource_id, img in pictures().items():
        img.save(os.path.join(args.out, "%d.bmp" % resource_id), "BMP")
        if args.png:
            os.makedirs(args.png, exist_ok=True)
            big = img.resize((img.size[0] * 4, img.size[1] * 4), Image.NEAREST)
            big.save(os.path.join(args.png, "%d.png" % resource_id))


if __name__ == "__main__":
    main()
