#!/usr/bin/python3
"""Builds the sound models and limits files of the bundled English course
(data/english/Models.ini and Limits.ini) from labelled recordings: the
bundled etalons and every word of the course spoken by the tuning voices of
scripts/voices.py (its espeak-ng ones), each divided into its sounds from espeak-ng's own phoneme
output (see scripts/make_word_etalons.py). A word another accent speaks with
other sounds is left out for that voice.

    scripts/make_sound_models.py

Needs espeak-ng, sox and a built lorvano-analyze (build/bin, or the one
named in LORVANO_ANALYZE).
"""
import glob
import os
import subprocess
import sys
import tempfile

from voices import TUNE_ESPEAK

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LANG = os.path.join(ROOT, "data", "english")


def main():
    analyze = os.environ.get("LORVANO_ANALYZE", os.path.join(ROOT, "build", "bin", "lorvano-analyze"))
    etalons = os.path.join(ROOT, "scripts", "make_word_etalons.py")
    with tempfile.TemporaryDirectory() as tmp:
        for n, (_, voice, speed, pitch) in enumerate(TUNE_ESPEAK):
            subprocess.run([sys.executable, etalons, "--recordings", os.path.join(tmp, str(n)), "--voice", voice,
                            "--speed", str(speed), "--pitch", str(pitch)], check=True)
        labelled = sorted(glob.glob(os.path.join(LANG, "Words", "**", "*.dat"), recursive=True))
        labelled += sorted(glob.glob(os.path.join(tmp, "**", "*.dat"), recursive=True))
        subprocess.run([analyze, "models", *labelled, "--data", LANG, "--out", LANG], check=True)


if __name__ == "__main__":
    main()
