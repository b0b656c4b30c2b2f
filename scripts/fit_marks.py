#!/usr/bin/python3
"""Fits the marks of the bundled English course on the TUNING voices of
scripts/voices.py (every synthesiser, the child krb included; never the
held-out ones), in this order, each step measuring with what the steps
before wrote:

1. the sound models, Models.ini (scripts/make_sound_models.py, which also
   writes a provisional Limits.ini), and the sustained-sound corridors
   (scripts/make_sound_corridors.py);
2. HM1_Processor/ResDisplay/MinResult, MaxResult: the spectrum mark of a held
   sound, from its mean distance to the corridor (level 2), letting at most
   5 % of the wrong held sounds through;
3. Limits.ini: per sound, mark 5 up to the 90th percentile of the sound's
   distances in right says of the course's words (every sound of every
   word, bundled etalon); marks 4, 3 and 2 up to 120, 150 and 200 % of
   it;
4. ResDisplay/MinResult, MaxResult: the whole-word mark of a teacher's own
   etalon (another voice's word, teacher -> pupil) from the distance, and
   CohortMinResult, CohortMaxResult from the relative score where the
   language has a cohort;
5. ResDisplay/WordGate: the cohort score above 95 % of the course's right
   says, from which a say shows its word's mark rather than its trained
   sound's;
6. Editor/Recorder/MinResult, MaxResult: two takes of one voice (its prosody
   variants), the recorder's comparison.

A word mapping (steps 2, 4, 5) puts mark 5 below the better half of the
right says that get mark 4 or 5, and the edge between marks 3 and 4 at the distance that best
parts right from wrong says (largest share of right says above it less
share of wrong says), but no further than lets 12 % of the wrong says
through; MinResult follows, as the marks are linear between the two
limits.

Every distance comes from lorvano-analyze with the language folder's current
settings (warp, normalisation, cohort), so after a change of the word
distance run it again, then the tables:

    scripts/fit_marks.py
    scripts/mark_tables.py --before docs/marks-main.json > docs/marks.md

(the models and corridor scripts write data/english, so the fit does too).
"""
import argparse
import os
import re
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

import numpy as np

import mark_tables
import voices

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "data", "english")
SOUND_PERCENTILE = 90
# The share of wrong says a mapping may mark 4 or 5 on the tuning voices.
PRAISE_PERCENT = 12
# The same for a held sound, whose corridors lie closer together (a held
# [s] in the [S] exercise is the wrong say that matters most).
SUSTAINED_PRAISE_PERCENT = 5
# The share of right says of the course a word gate may take for another word.
GATE_PERCENT = 95
# Marks 4, 3, 2 reach this far beyond a sound's limit (percent).
OTHER_MARKS = {"Mark4": 120, "Mark3": 150, "Mark2": 200}


def write_whole(path, text):
    part = path + ".part"
    with open(part, "w") as f:
        f.write(text)
    os.replace(part, path)


def set_keys(path, section, values, exact=False):
    """Replaces the values of keys of one section of an ini file in place,
    comments and order kept; a key the section lacks is added at its end.
    Keys match without regard to case, as the program reads trainer.ini,
    or exactly (exact, the limits file's sound codes: "s" is not "S")."""
    same = (lambda a, b: a == b) if exact else (lambda a, b: a.lower() == b.lower())
    lines = open(path).read().split("\n")
    inside, done, end = False, set(), None
    for n, line in enumerate(lines):
        head = re.match(r"\s*\[(.*)\]", line)
        if head:
            if inside:
                end = n
            inside = head.group(1).strip().lower() == section.lower()
            continue
        key = re.match(r"\s*([^;=\s][^=]*?)\s*=", line)
        if inside and key:
            for k, v in values.items():
                if same(key.group(1), str(k)):
                    lines[n] = "%s=%s" % (key.group(1), v)
                    done.add(k)
    missing = ["%s=%s" % (k, v) for k, v in values.items() if k not in done]
    if missing:
        end = len(lines) if end is None else end
        # Before the blank lines and the next section's comment.
        while end > 0 and (lines[end - 1].strip() == "" or lines[end - 1].lstrip().startswith(";")):
            end -= 1
        lines[end:end] = missing
    write_whole(path, "\n".join(lines))


def word_mapping(right, wrong, praise=None):
    """(MinResult, MaxResult) from distances of right and wrong says; at
    most praise percent (PRAISE_PERCENT) of the wrong ones marked 4 or 5."""
    right, wrong = np.sort(np.asarray(right, float)), np.asarray(wrong, float)
    cuts = np.unique(np.concatenate([right, wrong]))
    best = max(cuts, key=lambda c: (right < c).mean() - (wrong < c).mean())
    # Praise for a wrong say teaches the wrong sound: the edge of mark 4
    # never lets more than PRAISE_PERCENT of the wrong says through.
    best = min(best, float(np.percentile(wrong, PRAISE_PERCENT if praise is None else praise)))
    # Mark 5 for the better half of the right says at 4 or 5.
    high = float(np.percentile(right, 50 * max((right < best).mean(), 0.02)))
    high = min(high, best - 1)
    # Mark 4 and up below high + (min - high) / 3.
    return int(round(high + 3 * (best - high))), int(round(high))


def tune_groups():
    return [(g, tune, []) for g, tune, _ in voices.GROUPS]


def sustained_step(data, rows):
    sel = [r for r in rows if r["setting"] == "sustained"]
    right = [r["score"] for r in sel if r["right"]]
    wrong = [r["score"] for r in sel if not r["right"]]
    lo, hi = word_mapping(right, wrong, SUSTAINED_PRAISE_PERCENT)
    set_keys(os.path.join(data, "trainer.ini"), "HM1_Processor",
             {"ResDisplay/MinResult": lo, "ResDisplay/MaxResult": hi})
    return "spectrum: MinResult=%d MaxResult=%d (right median %.0f, wrong median %.0f)" % (
        lo, hi, np.median(right), np.median(wrong))


def limits_step(data, rows):
    sel = [r for r in rows if r["setting"] == "course"]
    per_code = {}
    for r in sel:
        if r["right"]:
            for code, d in re.findall(r"^sound=(\S+) frames=\d+ mark=\d+ distance=(-?\d+)", r["raw"], re.M):
                per_code.setdefault(code, []).append(int(d))
    limits = {code: max(50, int(np.percentile(d, SOUND_PERCENTILE))) for code, d in per_code.items()}
    # Lowering a limit until few wrong says pass (as the word mappings do)
    # left right says of unheard voices at mark 1: a sound's distance parts
    # right from wrong too little. Another word is told by the cohort
    # instead (ResDisplay/WordGate).
    path = os.path.join(data, "Limits.ini")
    set_keys(path, "Sounds", limits, exact=True)
    set_keys(path, "OtherMarks", OTHER_MARKS)
    return "limits: %d sounds, Mark4/3/2 = %d/%d/%d %%" % ((len(limits),) + tuple(OTHER_MARKS.values()))


def gate_step(data, rows):
    """ResDisplay/WordGate: the relative score from which a say counts as
    another word, above GATE_PERCENT of the right says of the course."""
    scores = [int(m.group(1)) for r in rows if r["setting"] == "course" and r["right"]
              for m in [re.search(r"cohort_score=(-?\d+)", r["raw"])] if m]
    if not scores:
        return "gate: no cohort"
    gate = int(np.percentile(scores, GATE_PERCENT))
    set_keys(os.path.join(data, "trainer.ini"), "ResDisplay", {"WordGate": gate})
    return "gate: WordGate=%d" % gate


def teacher_step(data, rows):
    """The plain distance's mapping (a language without its cohort) and,
    where the language judges by a cohort, the relative score's."""
    sel = [r for r in rows if r["setting"] == "teacher"]
    distance = [int(re.search(r"^distance=(-?\d+)", r["raw"], re.M).group(1)) for r in sel]
    right = [r["right"] for r in sel]
    lo, hi = word_mapping([d for d, ok in zip(distance, right) if ok], [d for d, ok in zip(distance, right) if not ok])
    values = {"MinResult": lo, "MaxResult": hi}
    if any("cohort_score=" in r["raw"] for r in sel):
        clo, chi = word_mapping([r["score"] for r in sel if r["right"]], [r["score"] for r in sel if not r["right"]])
        values.update(CohortMinResult=clo, CohortMaxResult=chi)
    set_keys(os.path.join(data, "trainer.ini"), "ResDisplay", values)
    return "word: " + " ".join("%s=%d" % kv for kv in values.items())


def recorder_step(data, cache):
    """Two takes of one voice: each prosody variant against the voice's next
    one, the same word (right) and another word (wrong)."""
    variants = {}
    for v in voices.TUNE:
        variants.setdefault((v[0], v[1]), []).append(v)
    jobs = []
    for vs in variants.values():
        for a, b in zip(vs, vs[1:] + vs[:1]):
            if a == b:
                continue
            wa, wb = mark_tables.words_of(a, cache), mark_tables.words_of(b, cache)
            for i, w in enumerate(mark_tables.WORDS):
                other = mark_tables.WORDS[mark_tables.other_word(i, 0)][2]
                jobs += [(wa[w[2]], wb[w[2]], True), (wa[w[2]], wb[other], False)]
    lang = os.path.abspath(data)

    def distance(job):
        out = mark_tables.analyze(["score", job[0], job[1]], lang)
        return int(re.search(r"^distance=(-?\d+)", out, re.M).group(1)), job[2]

    with ThreadPoolExecutor(mark_tables.JOBS) as pool:
        got = list(pool.map(distance, jobs))
    lo, hi = word_mapping([d for d, r in got if r], [d for d, r in got if not r])
    set_keys(os.path.join(data, "trainer.ini"), "Editor", {"Recorder/MinResult": lo, "Recorder/MaxResult": hi})
    return "recorder: MinResult=%d MaxResult=%d" % (lo, hi)


def main():
    argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter).parse_args()
    cache = voices.cache_folder()
    scripts = os.path.join(ROOT, "scripts")
    subprocess.run([sys.executable, os.path.join(scripts, "make_sound_models.py")], check=True)
    subprocess.run([sys.executable, os.path.join(scripts, "make_sound_corridors.py"), "--analyze",
                    mark_tables.ANALYZE], check=True)
    rows = mark_tables.measure(tune_groups(), DATA, cache)
    print(sustained_step(DATA, rows))
    print(limits_step(DATA, rows))
    # The word mapping is the same after the limits (the word distance does
    # not use them); the sustained marks are measured again in the tables.
    print(teacher_step(DATA, rows))
    print(gate_step(DATA, rows))
    print(recorder_step(DATA, cache))


if __name__ == "__main__":
    main()
