#!/usr/bin/python3
"""Writes the PipeWire test camera's picture: a grey card with one dark square in the centre
and one near each corner, each turned 5 degrees, so that every region the program measures
holds exactly one slanted edge (the square's left side crosses the region's middle).

    chart.py OUT.png [WIDTHxHEIGHT, default 640x480]"""

import math
import sys

from PIL import Image, ImageDraw, ImageFilter

PAPER, INK = 200, 50
TURN_DEG = 5.0


def main():
    path = sys.argv[1]
    width, height = (int(v) for v in (sys.argv[2] if len(sys.argv) > 2 else "640x480").split("x"))
    side = (width + 4) // 8  # a region's side, as the program sizes it
    image = Image.new("L", (width, height), PAPER)
    draw = ImageDraw.Draw(image)
    turn = math.radians(TURN_DEG)
    for cx, cy in ((50, 50), (15, 15), (85, 15), (15, 85), (85, 85)):
        x0, y0 = width * cx / 100, height * cy / 100
        # From the region's middle rightwards and well past its top and bottom.
        corners = [(0, -0.9 * side), (0.75 * side, -0.9 * side), (0.75 * side, 0.9 * side),
                   (0, 0.9 * side)]
        draw.polygon([(x0 + x * math.cos(turn) - y * math.sin(turn),
                       y0 + x * math.sin(turn) + y * math.cos(turn)) for x, y in corners],
                     fill=INK)
    # A lens is never perfect: a little blur, as a camera would give.
    image.filter(ImageFilter.GaussianBlur(1.0)).convert("RGB").save(path)


if __name__ == "__main__":
    main()
