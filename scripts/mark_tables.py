#!/usr/bin/python3
"""Prints the marks the bundled English course gives, as tables (Markdown):

- Words: every word exercise hears the same word and three different words
  (words without the exercise's trained sound) from each voice; the mark is
  the one the exercise shows, its trained sound's mark when the settings
  ask for per-sound marks ("ResDisplay/NewCalculation"), the word's mark
  otherwise.
- Sustained sounds: every sound exercise, at each of its levels, hears every
  sound held by each voice; the mark is the mean of what it shows while the
  sound is held.

Both for the tuning voices and, apart, for the held-out voices of
scripts/voices.py.

    scripts/mark_tables.py [--words-only | --sounds-only]

Needs espeak-ng, sox and a built lorvano-analyze (build/bin, or the one
named in LORVANO_ANALYZE).
"""
import argparse
import configparser
import os
import re
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

from make_word_etalons import WORDS, speak
from voices import HELD_OUT, TUNE

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LANG = os.path.join(ROOT, "data", "english")
ANALYZE = os.environ.get("LORVANO_ANALYZE", os.path.join(ROOT, "build", "bin", "lorvano-analyze"))
# Sound exercises: file, espeak-ng mnemonic of the sound held.
SOUNDS = [("S_s", "s"), ("S_sh", "S"), ("S_z", "z"), ("S_f", "f"), ("V_a", "a"), ("V_i", "i"), ("V_u", "u")]
DIFFERENT = 3


def run(args):
    return subprocess.run([ANALYZE] + args + ["--data", LANG], check=True, capture_output=True, text=True).stdout


def per_sound_marks():
    ini = configparser.ConfigParser(strict=False, inline_comment_prefixes=None, comment_prefixes=(";", "//"))
    ini.optionxform = str.lower
    ini.read(os.path.join(LANG, "trainer.ini"))
    return ini.get("ResDisplay", "newcalculation", fallback="FALSE").upper() == "TRUE"


def word_mark(word, say, per_sound):
    folder, name, target = word[0], word[1], word[5]
    base = os.path.join(LANG, "Words", folder, name)
    args = ["score", base + ".wav", say]
    if per_sound:
        args += ["--sounds", base + ".dat", "--target", target]
    out = run(args)
    key = r"target=\S+ mark=(\d+)" if per_sound else r"^distance=-?\d+ mark=(\d+)"
    return int(re.search(key, out, re.M).group(1))


def bare(code):
    return code.replace(":", "")


def different_words(index):
    """Words without the trained sound of word index, in a fixed order."""
    target = bare(WORDS[index][5])
    others = [j for j, w in enumerate(WORDS) if target not in (bare(c) for c in w[3])]
    return others[index % len(others):] + others[:index % len(others)]


def words_table(voices, tmp, per_sound):
    says = {}
    jobs = []
    for v, voice in enumerate(voices):
        for j, w in enumerate(WORDS):
            path = os.path.join(tmp, "w%d_%d.wav" % (v, j))
            jobs.append((voice, w[2], path))
            says[v, j] = path
    with ThreadPoolExecutor(os.cpu_count()) as pool:
        list(pool.map(lambda job: speak(job[1], job[2], job[0]), jobs))

    def marks(i):
        others = different_words(i)
        same = [word_mark(WORDS[i], says[v, i], per_sound) for v in range(len(voices))]
        diff = [word_mark(WORDS[i], says[v, others[(v * DIFFERENT + d) % len(others)]], per_sound)
                for v in range(len(voices)) for d in range(DIFFERENT)]
        return same, diff

    with ThreadPoolExecutor(os.cpu_count()) as pool:
        results = list(pool.map(marks, range(len(WORDS))))
    rows = ["| Word | Trained sound | Same word | Different words |", "|---|---|---|---|"]
    all_same, all_diff = [], []
    for w, (same, diff) in zip(WORDS, results):
        rows.append("| %s | %s | %.2f | %.2f |" % (w[2], w[5], mean(same), mean(diff)))
        all_same += same
        all_diff += diff
    rows.append("| **all %d words** | | **%.2f** | **%.2f** |" % (len(WORDS), mean(all_same), mean(all_diff)))
    return rows


def sounds_table(voices, tmp):
    held = {}
    jobs = []
    for v, (voice, _, pitch) in enumerate(voices):
        for _, mnemonic in SOUNDS:
            path = os.path.join(tmp, "s%d_%s.wav" % (v, mnemonic))
            jobs.append(((voice, 80, pitch), mnemonic * 8, path))
            held[v, mnemonic] = path
    with ThreadPoolExecutor(os.cpu_count()) as pool:
        list(pool.map(lambda job: speak(job[1], job[2], job[0], phonemes=True), jobs))

    def mark(job):
        exercise, level, path = job
        out = run(["sustained", path, "--exercise", "Sounds/%s.exc" % exercise, "--level", str(level)])
        return float(re.search(r"mean_mark=([\d.]+)", out).group(1))

    rows = ["| Exercise | Level | Right sound | Wrong sounds |", "|---|---|---|---|"]
    totals = {}
    for exercise, right in SOUNDS:
        for level in (1, 2, 3):
            jobs = [(exercise, level, held[v, m]) for v in range(len(voices)) for _, m in SOUNDS]
            with ThreadPoolExecutor(os.cpu_count()) as pool:
                got = list(pool.map(mark, jobs))
            same = [g for (e, l, p), g in zip(jobs, got) if p.endswith("_%s.wav" % right)]
            wrong = [g for (e, l, p), g in zip(jobs, got) if not p.endswith("_%s.wav" % right)]
            rows.append("| %s | %d | %.2f | %.2f |" % (exercise, level, mean(same), mean(wrong)))
            totals.setdefault(level, ([], []))
            totals[level][0].extend(same)
            totals[level][1].extend(wrong)
    for level, (same, wrong) in sorted(totals.items()):
        rows.append("| **all sounds** | %d | **%.2f** | **%.2f** |" % (level, mean(same), mean(wrong)))
    return rows


def mean(values):
    return sum(values) / len(values) if values else float("nan")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--words-only", action="store_true")
    parser.add_argument("--sounds-only", action="store_true")
    args = parser.parse_args()
    if not os.access(ANALYZE, os.X_OK):
        raise SystemExit("%s is missing: build the project first (README), or name it in LORVANO_ANALYZE" % ANALYZE)
    per_sound = per_sound_marks()
    with tempfile.TemporaryDirectory() as tmp:
        for title, voices in (("tuning voices", TUNE), ("held-out voices", HELD_OUT)):
            names = ", ".join("%s %d/%d" % v for v in voices)
            if not args.sounds_only:
                print("\n### Words, %s (%s)\n" % (title, names))
                print("Mark: %s.\n" % ("the trained sound's" if per_sound else "the word's"))
                print("\n".join(words_table(voices, tmp, per_sound)))
            if not args.words_only:
                print("\n### Sustained sounds, %s (%s)\n" % (title, names))
                print("\n".join(sounds_table(voices, tmp)))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
