#!/usr/bin/python3
"""Builds the sound models and limits files of the bundled English course
(data/english/Models.ini and Limits.ini) from labelled recordings: the
bundled etalons and every word of the course spoken by the tuning voices of
scripts/voices.py (espeak-ng, festival, flite, krb), each divided into its
sounds by the synthesiser's own phonemes (see scripts/make_word_etalons.py). A word another accent speaks with
other sounds is left out for that voice.

    scripts/make_sound_models.py

Needs espeak-ng, festival, flite, sox and a built lorvano-analyze (build/bin, or the one
named in LORVANO_ANALYZE).
"""
import glob
import os
import subprocess
import tempfile
from concurrent.futures import ThreadPoolExecutor

from make_word_etalons import labelled_recordings
from voices import TUNE

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LANG = os.path.join(ROOT, "data", "english")


def main():
    analyze = os.environ.get("LORVANO_ANALYZE", os.path.join(ROOT, "build", "bin", "lorvano-analyze"))
    with tempfile.TemporaryDirectory() as tmp:
        with ThreadPoolExecutor(2) as pool:
            list(pool.map(lambda n: labelled_recordings(os.path.join(tmp, str(n)), TUNE[n], analyze, LANG),
                          range(len(TUNE))))
        labelled = sorted(glob.glob(os.path.join(LANG, "Words", "**", "*.dat"), recursive=True))
        labelled += sorted(glob.glob(os.path.join(tmp, "**", "*.dat"), recursive=True))
        subprocess.run([analyze, "models", *labelled, "--data", LANG, "--out", LANG], check=True)


if __name__ == "__main__":
    main()
