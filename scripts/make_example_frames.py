#!/usr/bin/env python3
"""Writes the built-in example: five 160x120 frames of a textured room that a
bright object crosses (enters in frame 1, moves in frame 2, leaves in frame 3)."""
import os
import random
import sys

WIDTH, HEIGHT = 160, 120
OBJECT_X = [None, 20, 70, None, None]  # left edge of the object in each frame


def frame(object_x):
    rnd = random.Random(7)  # the same room texture in every frame
    pixels = bytearray()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            shade = 60 + (x // 8 + y // 8) % 2 * 40 + rnd.randrange(12)
            if object_x is not None and object_x <= x < object_x + 40 and 30 <= y < 90:
                pixels += bytes((230, 200 - (x + y) % 30, 40))
            else:
                pixels += bytes((shade, shade, shade + 10))
    return b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT) + bytes(pixels)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for index, object_x in enumerate(OBJECT_X):
        with open(os.path.join(folder, "frame%d.ppm" % index), "wb") as out:
            out.write(frame(object_x))


if __name__ == "__main__":
    main()
