#!/usr/bin/python3
"""Measures the acoustic judge (`lorvano-analyze gop`, no etalon) on the
course's words spoken by the voices of scripts/voices.py, tuning and
held-out apart, and fits its two mark limits on the tuning voices only.

Every voice says every course word (right), the word with its trained sound
replaced (mark_tables.REPLACED, e.g. "tea" for "sea") and one other word
without the trained sound (wrong). A score is the judge's distance, -1000 x
the goodness of pronunciation (thousandths of a nat per frame; lower is
better): the shown one (the mean of the trained sound's and the word's, the
mark the judge gives), the trained sound's and the word's. Figures: area
under the ROC curve (shown and sound: right vs all wrong; sound vs the
replaced words only; word vs other words only), the mean mark and the shares
at 4-5, with 95 % bootstrap intervals over voices and words
(mark_tables.py's).

--fit fits MinResult/MaxResult of vAcousticScoreSettings_c on the tuning
voices' shown distances (fit_marks.word_mapping: the Youden cut, at
most 12 % of wrong says at 4-5), prints them and marks with them; without it
the marks are the judge's defaults.

    scripts/gop_tables.py [--fit] [--jobs N] [--save ROWS.json]

--save writes every say's row (voice, word, kind, distances, mark, phones).

Needs a lorvano-analyze built with LORVANO_POCKETSPHINX (build/bin, or the one
named in LORVANO_ANALYZE), and what mark_tables.py needs.
"""
import argparse
import json
import os
import re
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

import numpy as np

import fit_marks
import mark_tables
import voices
from make_word_etalons import WORDS

NO_MARK = 3  # lorvano-analyze's exit code for a say the judge cannot mark
WORST = 1 << 30


def gop(path, word, target):
    """(shown, trained sound's and word's distances, mark shown, error,
    phones) of one say, phones as [phone, frames, goodness]; the worst
    distances, mark 1 and no phones when the judge cannot mark it."""
    args = [mark_tables.ANALYZE, "gop", path, "--word", word, "--target", target]
    run = subprocess.run(args, capture_output=True, text=True)
    if run.returncode == NO_MARK:
        return WORST, WORST, WORST, 1, run.stderr.strip(), [], ("-", 0.0)
    if run.returncode != 0:
        raise SystemExit("%s: %s" % (" ".join(args), run.stderr.strip()))
    sound = re.search(r"^target=\S+ score=(-?[\d.]+) mark=\d+ shown=(\d+) shown_score=(-?[\d.]+)", run.stdout, re.M)
    word_score = float(re.search(r"^word=\S+ score=(-?[\d.]+)", run.stdout, re.M).group(1))
    rival = re.search(r"^target=.* rival=(\S+) contrast=(-?[\d.]+)", run.stdout, re.M)
    phones = [[p, int(n), float(g)] for p, n, g in
              re.findall(r"^phone=(\S+) sampa=\S+ frames=(\d+) gop=(-?[\d.]+)", run.stdout, re.M)]
    return (-1000 * float(sound.group(3)), -1000 * float(sound.group(1)), -1000 * word_score, int(sound.group(2)),
            "", phones, (rival.group(1), float(rival.group(2))) if rival else ("-", 0.0))


def measure(jobs_n):
    all_voices = [(s, g, v) for g, tune, held in voices.GROUPS for s, vs in (("tuning", tune), ("held-out", held))
                  for v in vs]
    cache = voices.cache_folder()
    with ThreadPoolExecutor(jobs_n) as pool:
        said = list(pool.map(lambda x: mark_tables.words_of(x[2], cache), all_voices))
    jobs = []
    for n, (s, g, voice) in enumerate(all_voices):
        for i, w in enumerate(WORDS):
            other = WORDS[mark_tables.other_word(i, n)][2]
            for path, kind in ((said[n][w[2]], "right"), (said[n][mark_tables.REPLACED[w[2]][0]], "replaced"),
                               (said[n][other], "other")):
                jobs.append((dict(set=s, group=g, voice=n, item=w[1], right=kind == "right", kind=kind), path, w))

    def run(job):
        base, path, w = job
        shown, sound, word, mark, error, phones, rival = gop(path, w[2], w[5])
        return dict(base, score=shown, sound=sound, word=word, mark=mark, error=error, phones=phones,
                    rival=rival[0], contrast=rival[1])

    with ThreadPoolExecutor(jobs_n) as pool:
        return list(pool.map(run, jobs))


def remark(rows, lo, hi):
    """The marks with limits lo (MinResult) and hi (MaxResult), as the judge
    maps a distance (MarkFromDistance)."""
    for r in rows:
        d = r["score"]
        r["mark"] = 1 if d > lo else 5 if d < hi else 3 if lo == hi else 4 - int((d - hi) * 3 // (lo - hi))


COLUMNS = ["AUC shown", "AUC sound", "AUC sound vs replaced", "AUC word vs other word"] + mark_tables.FIGURES[1:]


def columns(rows):
    f = mark_tables.figures(rows)
    pick = lambda kind, key: np.array([r[key] for r in rows if r["kind"] == kind], float)
    right, wrong = [np.array([r["sound"] for r in rows if r["right"] == ok], float) for ok in (True, False)]
    replaced = mark_tables.auc(pick("right", "sound"), pick("replaced", "sound"))
    other = mark_tables.auc(pick("right", "word"), pick("other", "word"))
    return [f[0], mark_tables.auc(right, wrong), replaced, other] + f[1:]


def table(rows):
    lines = ["| Voices | Group | " + " | ".join(COLUMNS) + " |", "|---|---|" + "---|" * len(COLUMNS)]
    for s in ("tuning", "held-out"):
        for g in ["adults"] + [g for g, _, _ in voices.GROUPS]:
            sel = [r for r in rows if r["set"] == s and (r["group"] == g if g != "adults"
                                                         else not r["group"].startswith("krb"))]
            if not sel:
                continue
            now = columns(sel)
            lo, hi = mark_tables.bootstrap(sel)
            cells = ["%.2f [%.2f-%.2f]" % (now[0], lo[0], hi[0])] + ["%.2f" % v for v in now[1:4]]
            for k, value in enumerate(now[4:]):
                share = "4-5" in COLUMNS[4 + k]
                cells.append("%s [%s-%s]" % (mark_tables.fmt(value, share), mark_tables.fmt(lo[k + 1], share),
                                             mark_tables.fmt(hi[k + 1], share)))
            lines.append("| %s | %s | %s |" % (s, "**%s**" % g if g == "adults" else g, " | ".join(cells)))
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--fit", action="store_true", help="fit the two mark limits on the tuning voices")
    parser.add_argument("--jobs", type=int, default=mark_tables.JOBS)
    parser.add_argument("--save", help="write every say's row to this JSON file")
    args = parser.parse_args()
    if not os.access(mark_tables.ANALYZE, os.X_OK):
        raise SystemExit("%s is missing: build the project first" % mark_tables.ANALYZE)
    rows = measure(args.jobs)
    if args.fit:
        tune = [r for r in rows if r["set"] == "tuning"]
        lo, hi = fit_marks.word_mapping([r["score"] for r in tune if r["right"]],
                                        [r["score"] for r in tune if not r["right"]])
        remark(rows, lo, hi)
        print("Fitted on the tuning voices: MinResult=%d MaxResult=%d\n" % (lo, hi))
    if args.save:
        with open(args.save, "w") as f:
            json.dump(rows, f)
    failed = [r for r in rows if r["error"]]
    print("# The acoustic judge on synthetic voices\n")
    print("Made by `scripts/gop_tables.py%s`; %d says, %d not marked (%s).\n" % (
        " --fit" if args.fit else "", len(rows), len(failed),
        ", ".join(sorted({r["error"] for r in failed})) or "none"))
    print("\n".join(table(rows)))
    sys.stdout.flush()


if __name__ == "__main__":
    main()
