#!/usr/bin/python3
"""Finds a picture, or a part of it, pixel for pixel in a screenshot.

Usage: find_picture.py SCREEN PICTURE [X Y W H]
Prints "LEFT TOP" of each place in SCREEN where PICTURE's box X, Y, W, H (all of it when not
given) appears exactly, as the screenshot's coordinates of that box; exits 1 when it appears
nowhere. Pictures are read with ImageMagick, as 8-bit RGB.
"""
import subprocess
import sys


def rgb(path):
    size = subprocess.run(["identify", "-format", "%w %h", path + "[0]"], check=True,
                          capture_output=True, text=True).stdout.split()
    data = subprocess.run(["convert", path + "[0]", "-depth", "8", "rgb:-"], check=True,
                          capture_output=True).stdout
    return int(size[0]), int(size[1]), data


def main(argv):
    if len(argv) not in (3, 7):
        print(__doc__, file=sys.stderr)
        return 2
    sw, sh, screen = rgb(argv[1])
    pw, ph, pic = rgb(argv[2])
    x, y, w, h = (int(v) for v in argv[3:7]) if len(argv) == 7 else (0, 0, pw, ph)
    if w <= 0 or h <= 0 or x < 0 or y < 0 or x + w > pw or y + h > ph:
        print("box outside the picture", file=sys.stderr)
        return 2
    rows = [pic[((y + r) * pw + x) * 3:((y + r) * pw + x + w) * 3] for r in range(h)]
    found = 0
    for top in range(sh - h + 1):
        line = screen[top * sw * 3:(top + 1) * sw * 3]
        at = line.find(rows[0])
        while at >= 0:
            if at % 3 == 0:
                left = at // 3
                if left + w <= sw and all(
                        screen[((top + r) * sw + left) * 3:((top + r) * sw + left + w) * 3] == rows[r]
                        for r in range(1, h)):
                    print(left, top)
                    found += 1
            at = line.find(rows[0], at + 1)
    return 0 if found else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
