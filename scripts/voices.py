"""The espeak-ng voices behind the bundled sound models, corridors and marks.

TUNE speaks the recordings the sound models (beside the bundled etalons,
"en" at 140 and 50) and the sustained-sound corridors are built from, and
the marks are tuned on; HELD_OUT is never used for either, only to report
how the marks hold for speakers the data never heard. Each voice:
(espeak-ng voice, speed in words per minute, pitch 0-99).
"""

TUNE = [
    ("en", 115, 65),
    ("en+m1", 120, 40),
    ("en+m2", 160, 55),
    ("en+m3", 140, 30),
    ("en+m4", 175, 60),
    ("en+f1", 130, 60),
    ("en+f2", 150, 70),
    ("en+f3", 165, 45),
    ("en-us", 135, 50),
    ("en+m6", 150, 35),
]

HELD_OUT = [
    ("en+m5", 145, 45),
    ("en+m7", 125, 60),
    ("en+f4", 155, 65),
    ("en+f5", 170, 40),
    ("en-gb-x-rp", 140, 50),
    ("en-gb-scotland", 130, 55),
]
