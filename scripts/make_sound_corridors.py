#!/usr/bin/python3
"""Derives the corridors of the sustained-sound exercises in data/english/Sounds.

For every sound, each tuning voice of scripts/voices.py (espeak-ng,
festival, flite and the child krb) holds it for about two seconds; sox makes 22050 Hz mono 16-bit of it. The live spectrum exercise
analyses one window of 224 samples out of every three and feeds only those
windows through the filter bank, so the windows it analyses are cut out and
joined, and lorvano-analyze gives their band levels (the same bank,
calibration and gain). Of each recording the held part is kept (windows
whose full-band level is within HOLD of the recording's loudest). Per band
the 10th and 90th percentiles over all voices, widened by each level's
tolerance, give MinValues and MaxValues; weights grow with the level.

Writes <Name>.exc per sound (the exercise definition) and corridors.txt
(the figures behind them). Run again after a change of the filter bank's
calibration:

    scripts/make_sound_corridors.py [--analyze build/bin/lorvano-analyze]

Needs espeak-ng, festival, flite, sox and a built lorvano-analyze.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import wave

from voices import TUNE, cache_folder, cached, hold

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "data", "english")
OUT = os.path.join(DATA, "Sounds")

# SAMPA code, file name, espeak-ng phoneme mnemonic, caption.
SOUNDS = [
    ("s", "S_s", "s", "s as in sun"),
    ("S", "S_sh", "S", "sh as in ship"),
    ("a", "V_a", "a", "a as in father"),
    ("i", "V_i", "i", "ee as in see"),
    ("z", "S_z", "z", "z as in zoo"),
    ("f", "S_f", "f", "f as in fish"),
    ("u", "V_u", "u", "oo as in moon"),
]
WINDOW = 224
INTERLEAVE = 3
HOLD = 1200
# Level 1 is the widest corridor.
TOLERANCE = {1: 550, 2: 400, 3: 250}
WEIGHT = {1: 60, 2: 80, 3: 100}
MAX_LEVEL = 5500


def record(voice, mnemonic):
    """The sound held for about two seconds (voices.hold), kept in the
    voice cache that scripts/mark_tables.py shares."""
    return cached("hold", mnemonic, voice, lambda path: hold(mnemonic, path, voice), cache_folder())


def analysed_windows(pcm, folder):
    with wave.open(pcm) as w:
        frames = w.readframes(w.getnframes())
    step = WINDOW * 2
    kept = b"".join(frames[i:i + step] for i in range(0, len(frames) - step + 1, step * INTERLEAVE))
    out = os.path.join(folder, "windows.wav")
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(22050)
        w.writeframes(kept)
    return out


def levels(analyze, wav):
    text = subprocess.run([analyze, "frames", wav, "--data", DATA], check=True, capture_output=True,
                          text=True).stdout.splitlines()
    header = text[0].split(",")
    full = header.index("FullBand")
    rows = [[int(v) for v in line.split(",")] for line in text[1:] if line]
    loudest = max(r[full] for r in rows)
    return [r[1:21] for r in rows if r[full] >= loudest - HOLD]


def percentile(values, p):
    v = sorted(values)
    return v[min(len(v) - 1, int(p / 100 * len(v)))]


def array(values):
    return "(" + ",".join(str(v) for v in values) + ")"


def definition(code, name, caption, lo, hi):
    lines = [
        "// Sustained \"%s\" (%s): hold the sound and keep the curve inside the" % (code, caption),
        "// corridor. Corridors derived by scripts/make_sound_corridors.py from",
        "// espeak-ng, festival and flite recordings; level 1 is the widest.",
        "<vTrRtHmExercise_c> Obj = {",
        "  VISound = \"%s\";" % code,
        "  GuidePage = \".Guide/Sounds.htm\";",
        "  DispPos = { x = 40; y = 70; }",
        "  // The caption's band at the display's top stays free of curves.",
        "  OfsTop = 40;",
        "  OverloadPos = { x = 760; y = 410; }",
        "  CardPos = (660, 460);",
        "  <vDxFileImage_c> BgImage = { FileName = \".Pic/Exercises/ExerciseBg.jpg\"; }",
        "  // Listen and Stop: the pupil's hold is heard from the start; Stop pauses",
        "  // listening (nothing is marked meanwhile), Listen resumes it.",
    ]
    for button, picture, x in (("StartBtn", "Listen", 40), ("StopBtn", "Stop", 120)):
        lines.append("  %s = { PosX = %d; PosY = 486;" % (button, x))
        images = ["      _Images[%d] = { FileName = \"Words/.Pic/Buttons/%s%d.bmp\"; }" % (i, picture, i) for i in range(4)]
        lines += images[:-1] + [images[-1] + " }"]
    lines += [
        "  ResDisplay = {",
    ]
    for m in range(5):
        lines.append("    _Images[%d] = { FileName = \".Pic/Sounds/Mark%d.bmp\"; }" % (m, m + 1))
    lines += ["    PosX = 670; PosY = 70;", "  }"]
    for level in (1, 2, 3):
        t = TOLERANCE[level]
        mins = [max(0, v - t) for v in lo]
        maxs = [min(MAX_LEVEL, max(0, v + t)) for v in hi]
        lines += [
            "  <vDxFileImage_c> Level%dPic = { FileName = \".Pic/Sounds/%s%d.bmp\"; }" % (level, name, level),
            "  Level%dBtn = {" % level,
        ]
        lines += ["    _Images[%d] = { FileName = \".Pic/Sounds/Level%d_%d.bmp\"; }" % (i, level, i) for i in range(4)]
        lines += [
            "    PosX = %d; PosY = 26;" % (200 + 40 * level),
            "  }",
            "  MinValues%d = %s;" % (level, array(mins)),
            "  MaxValues%d = %s;" % (level, array(maxs)),
            "  MinWeight%d = %s;" % (level, array([WEIGHT[level]] * 20)),
            "  MaxWeight%d = %s;" % (level, array([WEIGHT[level]] * 20)),
        ]
    lines.append("}")
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--analyze", default=os.path.join(ROOT, "build", "bin", "lorvano-analyze"))
    args = parser.parse_args()
    os.makedirs(OUT, exist_ok=True)
    report = ["# sound band p10 p90 (all voices, held part)"]
    for code, name, mnemonic, caption in SOUNDS:
        frames = []
        with tempfile.TemporaryDirectory() as folder:
            for voice in TUNE:
                frames += levels(args.analyze, analysed_windows(record(voice, mnemonic), folder))
        lo = [percentile([f[k] for f in frames], 10) for k in range(20)]
        hi = [percentile([f[k] for f in frames], 90) for k in range(20)]
        for k in range(20):
            report.append("%s %d %d %d" % (code, k, lo[k], hi[k]))
        with open(os.path.join(OUT, name + ".exc"), "w") as f:
            f.write(definition(code, name, caption, lo, hi))
        print("%s: %d windows" % (code, len(frames)), file=sys.stderr)
    with open(os.path.join(OUT, "corridors.txt"), "w") as f:
        f.write("\n".join(report) + "\n")


if __name__ == "__main__":
    main()
