#!/usr/bin/env python3
"""Makes the animation frames of the reward pictures for good marks.

For a picture "Mark5.bmp" it writes "Mark5-1.bmp", "Mark5-2.bmp", ... of the
same size, which the result view shows one after another when the mark is
newly given, before the picture itself. Mark 5 pops up and sparkles with
golden stars; mark 4 hops once. Lower marks get no frames: only a good say is
celebrated. Usage: make_reward_frames.py MARK4.bmp MARK5.bmp ...
(the mark is the last digit of the file's name). ImageMagick draws everything.
"""
import math
import os
import re
import subprocess
import sys


def size_and_corner(path):
    out = subprocess.run(["convert", path, "-format", "%w %h %[pixel:p{0,0}]", "info:"],
                         capture_output=True, text=True, check=True).stdout.split(" ", 2)
    return int(out[0]), int(out[1]), out[2]


def star(cx, cy, radius, turn):
    """A five-pointed star as an ImageMagick polygon."""
    points = []
    for i in range(10):
        r = radius if i % 2 == 0 else radius * 0.42
        a = turn + i * math.pi / 5 - math.pi / 2
        points.append("%.1f,%.1f" % (cx + r * math.cos(a), cy + r * math.sin(a)))
    return ["-draw", "polygon " + " ".join(points)]


def stars(width, height, frame, count):
    """Gold stars round the picture's edge, turning and twinkling from frame to frame."""
    draw = ["-fill", "#ffd633", "-stroke", "#b07800", "-strokewidth", "1"]
    for s in range(count):
        a = 2 * math.pi * s / count + frame * 0.35
        cx = width / 2 + 0.40 * width * math.cos(a)
        cy = height / 2 + 0.40 * height * math.sin(a)
        radius = width * (0.10 if (s + frame) % 2 else 0.07)
        draw += star(cx, cy, radius, frame * 0.4)
    return draw


def frame(source, out, width, height, background, scale=1.0, lift=0, extra=()):
    scaled = ["(", source, "-resize", "%dx%d!" % (max(1, round(width * scale)), max(1, round(height * scale))), ")"]
    offset = "+0%+d" % -lift if lift else "+0+0"
    subprocess.run(["convert", "-size", "%dx%d" % (width, height), "xc:" + background] + scaled +
                   ["-gravity", "center", "-geometry", offset, "-composite", "-gravity", "northwest"] + list(extra) +
                   ["-type", "truecolor", "BMP3:" + out], check=True)


def main():
    for source in sys.argv[1:]:
        mark = int(re.search(r"(\d)\.bmp$", source, re.IGNORECASE).group(1))
        stem = source[:-4]
        width, height, background = size_and_corner(source)
        for old in range(1, 13):
            if os.path.exists("%s-%d.bmp" % (stem, old)):
                os.remove("%s-%d.bmp" % (stem, old))
        frames = []
        if mark == 5:
            # Pops up, overshoots, settles, then sparkles.
            frames = [dict(scale=s) for s in (0.45, 0.75, 1.08, 0.97)]
            frames += [dict(extra=stars(width, height, f, 5)) for f in range(5)]
        elif mark == 4:
            # One hop with a little sparkle at the top.
            lifts = (4, 9, 11, 9, 4)
            frames = [dict(lift=round(height * l / 120), extra=stars(width, height, f, 2) if f in (2, 3) else ())
                      for f, l in enumerate(lifts)]
        for n, options in enumerate(frames, 1):
            frame(source, "%s-%d.bmp" % (stem, n), width, height, background, **options)


if __name__ == "__main__":
    main()
