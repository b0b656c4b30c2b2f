#!/usr/bin/python3
"""Prints the marks the bundled English course gives synthetic voices, as
Markdown tables, for the tuning and the held-out voices of scripts/voices.py
apart and per synthesiser group (the child voice krb its own):

- teacher -> pupil: one voice's word is the etalon (no markers), another
  speaker of the same set (tuning or held-out) says it; the whole-word mark;
- course -> pupil: the bundled etalon; the mark the exercise shows (its
  trained sound's mark when "ResDisplay/NewCalculation" asks for per-sound
  marks, else the word's);
- sustained sounds: every sound exercise at level 2 hears every held sound.

Right says are the word itself (the held sound itself); wrong says are the
word with its trained sound replaced (REPLACED, e.g. "tea" for "sea") and
one other word without the trained sound. Figures: area under the ROC curve
of the continuous score (the distance: the trained sound's with per-sound
marks, the word's otherwise; a held sound's mean distance to the corridor), the mean mark,
the share of right says marked 4-5 and of wrong says marked 4-5 ("false
praise"), with 95 % bootstrap intervals over voices and words (seeded).

    scripts/mark_tables.py [--data DIR] [--save FILE.json] [--before FILE.json]
                           [--acoustic ROWS.json [--fit-weight]]

--acoustic adds the acoustic judge alone and fused with the warp (teacher
and course), from every say's row of scripts/gop_tables.py --save, marked
with the language's AcousticMinResult/MaxResult and fused with its
FusionWeight, or with the weight --fit-weight fits on the tuning voices
(teacher and course says together).

--before adds the figures saved by an earlier run (e.g. on the data before a
refit) as "before -> after". Synthesised says are kept in
$LORVANO_VOICE_CACHE (default /tmp/lorvano-voice-cache). Needs espeak-ng,
festival (+ its voices), flite, sox and a built lorvano-analyze (build/bin,
or the one named in LORVANO_ANALYZE).
"""
import argparse
import configparser
import json
import math
import os
import re
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

import numpy as np

import voices
from make_word_etalons import WORDS

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ANALYZE = os.environ.get("LORVANO_ANALYZE", os.path.join(ROOT, "build", "bin", "lorvano-analyze"))
# Sound exercises: file, espeak-ng mnemonic of the sound held.
SOUNDS = [("S_s", "s"), ("S_sh", "S"), ("S_z", "z"), ("S_f", "f"), ("V_a", "a"), ("V_i", "i"), ("V_u", "u")]
SUSTAINED_LEVEL = 2
JOBS = 3
BOOTSTRAP = 300
# Each word with its trained sound replaced: (word, SAMPA codes).
REPLACED = {
    "fish": ("fesh", ["f", "e", "S"]), "sun": ("sin", ["s", "I", "n"]), "cat": ("cut", ["k", "V", "t"]),
    "moon": ("mean", ["m", "i:", "n"]), "sea": ("tea", ["t", "i:"]), "soap": ("hope", ["h", "@U", "p"]),
    "sock": ("shock", ["S", "Q", "k"]), "spoon": ("boon", ["b", "u:", "n"]), "bus": ("buzz", ["b", "V", "z"]),
    "house": ("how", ["h", "aU"]), "ship": ("chip", ["tS", "I", "p"]), "shoe": ("chew", ["tS", "u:"]),
    "sheep": ("cheap", ["tS", "i:", "p"]), "shell": ("sell", ["s", "e", "l"]),
    "brush": ("brunch", ["b", "r", "V", "n", "tS"]), "zebra": ("debra", ["d", "e", "b", "r", "@"]),
    "nose": ("note", ["n", "@U", "t"]), "rose": ("rope", ["r", "@U", "p"]), "eyes": ("ice", ["aI", "s"]),
    "fox": ("box", ["b", "Q", "k", "s"]), "foot": ("put", ["p", "U", "t"]), "leaf": ("leave", ["l", "i:", "v"]),
    "phone": ("bone", ["b", "@U", "n"]), "fork": ("pork", ["p", "O:", "k"]), "chair": ("share", ["S", "e@"]),
    "cheese": ("keys", ["k", "i:", "z"]), "chick": ("sick", ["s", "I", "k"]),
    "cherry": ("sherry", ["S", "e", "r", "i"]), "watch": ("wash", ["w", "Q", "S"]), "key": ("Kay", ["k", "eI"]),
    "bee": ("boo", ["b", "u:"]), "pig": ("peg", ["p", "e", "g"]), "bat": ("but", ["b", "V", "t"]),
    "duck": ("dock", ["d", "Q", "k"]), "book": ("back", ["b", "{", "k"]), "boat": ("beat", ["b", "i:", "t"]),
}


def analyze(args, data):
    return subprocess.run([ANALYZE] + args + ["--data", data], check=True, capture_output=True, text=True).stdout


def per_sound_marks(data):
    ini = configparser.ConfigParser(strict=False, inline_comment_prefixes=None, comment_prefixes=(";", "//"))
    ini.optionxform = str.lower
    ini.read(os.path.join(data, "trainer.ini"))
    return ini.get("ResDisplay", "newcalculation", fallback="FALSE").upper() == "TRUE"


def bare(code):
    return code.replace(":", "")


def other_word(index, v):
    """A word without the trained sound of word index, another per voice."""
    target = bare(WORDS[index][5])
    others = [j for j, w in enumerate(WORDS) if target not in (bare(c) for c in w[3])]
    return others[(index + v) % len(others)]


def words_of(voice, cache):
    """{text: WAV} of every course word and replaced word in the voice,
    synthesised once (festival in one run per voice)."""
    items = [(w[2], w[3]) for w in WORDS] + [REPLACED[w[2]] for w in WORDS]
    paths, todo = {}, []
    for text, codes in items:
        spoken = voices.czech(codes) if voice[1] == "czech_krb" else text
        path = os.path.join(cache, voices.cache_name("word", spoken, voice))
        paths[text] = path
        if not os.path.exists(path):
            todo.append((spoken, path))
    if todo:
        if voices.synth(voice) == "espeak":
            for spoken, path in todo:
                voices.speak(spoken, path, voice)
        else:
            voices.say_all(todo, voice)
    return paths


def held_of(voice, cache):
    paths = {}
    for _, mnemonic in SOUNDS:
        paths[mnemonic] = voices.cached("hold", mnemonic, voice, lambda p, m=mnemonic: voices.hold(m, p, voice),
                                        cache)
    return paths


def measure(groups, data, cache, settings=("teacher", "course", "sustained")):
    """Every say's score and mark: a list of dicts (setting, set, group,
    voice, item, right, score, mark); score is lower for a better say."""
    per_sound = per_sound_marks(data)
    lang = os.path.abspath(data)
    all_voices = [(s, g, v) for g, tune, held in groups for s, vs in (("tuning", tune), ("held-out", held))
                  for v in vs]
    with ThreadPoolExecutor(JOBS) as pool:
        said = list(pool.map(lambda x: words_of(x[2], cache), all_voices))
        held = list(pool.map(lambda x: held_of(x[2], cache), all_voices))
    jobs = []
    for n, (s, g, voice) in enumerate(all_voices):
        # The teacher: the next voice of the same set that is another
        # speaker (the child krb's is an adult's).
        peers = [m for m, (s2, _, v) in enumerate(all_voices) if s2 == s and v[:2] != voice[:2]]
        teacher = next((m for m in peers if m > n), peers[0])
        for i, w in enumerate(WORDS):
            says = [(said[n][w[2]], "right"), (said[n][REPLACED[w[2]][0]], "replaced"),
                    (said[n][WORDS[other_word(i, n)][2]], "other")]
            for path, kind in says:
                base = dict(set=s, group=g, voice=n, item=w[1], right=kind == "right", kind=kind)
                jobs.append(("course", base, (w, path)))
                jobs.append(("teacher", base, (said[teacher][w[2]], path)))
        for exercise, right in SOUNDS:
            for _, m in SOUNDS:
                base = dict(set=s, group=g, voice=n, item=exercise, right=m == right)
                jobs.append(("sustained", base, (exercise, held[n][m])))

    def word_score(out):
        """The word's score and mark: the cohort score where the language
        judges by a cohort (the mark comes from it), else the distance."""
        word = re.search(r"^distance=(-?\d+) mark=(\d+)", out, re.M)
        cohort = re.search(r"cohort_score=(-?\d+)", out)
        return int((cohort or word).group(1)), int(word.group(2))

    def run(job):
        setting, base, what = job
        if setting == "course":
            w, path = what
            etalon = os.path.join(lang, "Words", w[0], w[1])
            out = analyze(["score", etalon + ".wav", path, "--sounds", etalon + ".dat", "--target", w[5]], lang)
            word = word_score(out)
            sound = re.search(r"^sound=%s frames=\d+ mark=(\d+) distance=(-?\d+)" % re.escape(w[5]), out, re.M)
            target = re.search(r"target=\S+ mark=\d+ shown=(\d+)", out)
            if per_sound:
                score, mark = (int(sound.group(2)) if sound else 1 << 30), int(target.group(1))
            else:
                score, mark = word
        elif setting == "teacher":
            out = analyze(["score", what[0], what[1]], lang)
            score, mark = word_score(out)
        else:
            try:
                out = analyze(["sustained", what[1], "--exercise", "Sounds/%s.exc" % what[0], "--level",
                               str(SUSTAINED_LEVEL)], lang)
            except subprocess.CalledProcessError as e:
                # A held sound too short to mark: said, and left out.
                print("%s: %s" % (what[1], e.stderr.strip()), file=sys.stderr)
                return None
            mark = float(re.search(r"mean_mark=([\d.]+)", out).group(1))
            score = float(re.search(r"mean_distance=([-\d.]+)", out).group(1))
        return dict(base, setting=setting, score=score, mark=mark, raw=out)

    jobs = [job for job in jobs if job[0] in settings]
    with ThreadPoolExecutor(JOBS) as pool:
        return [r for r in pool.map(run, jobs) if r is not None]


def auc(right, wrong):
    """P(a right say scores lower than a wrong one), ties half."""
    if len(right) == 0 or len(wrong) == 0:
        return float("nan")
    both = np.concatenate([right, wrong])
    order = both.argsort(kind="mergesort")
    ranks = np.empty(len(both))
    ranks[order] = np.arange(1, len(both) + 1)
    # Average ranks of ties.
    _, inverse, counts = np.unique(both, return_inverse=True, return_counts=True)
    sums = np.bincount(inverse, weights=ranks)
    ranks = (sums / counts)[inverse]
    r = ranks[len(right):].sum() - len(wrong) * (len(wrong) + 1) / 2
    return r / (len(right) * len(wrong))


FIGURES = ["AUC", "right: mean mark", "right: 4-5", "wrong: mean mark", "wrong: 4-5 (false praise)"]


def figures(rows):
    score = np.array([r["score"] for r in rows], float)
    mark = np.array([r["mark"] for r in rows], float)
    right = np.array([r["right"] for r in rows], bool)
    return [auc(score[right], score[~right]), mark[right].mean() if right.any() else np.nan,
            (mark[right] >= 3.5).mean() if right.any() else np.nan,
            mark[~right].mean() if (~right).any() else np.nan, (mark[~right] >= 3.5).mean() if (~right).any() else np.nan]


def bootstrap(rows, seed=26):
    """95 % intervals of figures(), voices and items resampled together."""
    rng = np.random.default_rng(seed)
    vs = sorted({r["voice"] for r in rows})
    items = sorted({r["item"] for r in rows})
    by = {}
    for r in rows:
        by.setdefault((r["voice"], r["item"]), []).append(r)
    got = []
    for _ in range(BOOTSTRAP):
        sample = []
        for v in rng.choice(len(vs), len(vs)):
            for i in rng.choice(len(items), len(items)):
                sample += by.get((vs[v], items[i]), [])
        got.append(figures(sample))
    got = np.array(got)
    return np.nanpercentile(got, 2.5, axis=0), np.nanpercentile(got, 97.5, axis=0)


def fmt(value, share):
    return ("%.0f %%" % (100 * value)) if share else ("%.2f" % value)


SETTINGS = [("teacher", "Teacher -> pupil (etalon by another voice, whole-word mark)"),
            ("course", "Course -> pupil (bundled etalon, the mark the exercise shows)"),
            ("sustained", "Sustained sounds (level %d, every held sound)" % SUSTAINED_LEVEL)]
# With --acoustic: the acoustic judge alone and fused with the warp's mark.
ACOUSTIC_SETTINGS = [("teacher-acoustic", "Teacher -> pupil, acoustic judge alone (the word's phones)"),
                     ("teacher-fused", "Teacher -> pupil, fused"),
                     ("course-acoustic", "Course -> pupil, acoustic judge alone (the trained sound's phones)"),
                     ("course-fused", "Course -> pupil, fused")]


def ini_value(data, key, default):
    """A [ResDisplay] value of the language's trainer.ini (first occurrence)."""
    section = None
    for line in open(os.path.join(data, "trainer.ini"), errors="replace"):
        line = line.strip()
        if line.startswith("["):
            section = line[1:-1]
        elif section == "ResDisplay" and line.split("=", 1)[0] == key:
            return line.split("=", 1)[1]
    return default


def mark_from_distance(d, lo, hi):
    """MarkFromDistance of the program."""
    return 1 if d > lo else 5 if d < hi else 3 if lo == hi else 4 - int((d - hi) * 3 // (lo - hi))


def acoustic_position(d, lo, hi):
    """vMarkSourceSettings_c::AcousticPosition: the acoustic distance on the
    scale of marks, unrounded (hi at 4.5, lo at 1.5), kept to 0.5..5.5."""
    if lo == hi:
        return 1.0 if d > lo else 5.0 if d < hi else 3.0
    return min(max(4.5 - 3.0 * (d - hi) / (lo - hi), 0.5), 5.5)


def fused_rows(rows, acoustic, lo, hi, weight):
    """Rows of the acoustic judge alone and fused with the warp's mark, for
    every teacher and course row that gop_tables.py measured (same voice,
    word and kind of say): fused = (weight x acoustic position + (100 -
    weight) x warp mark) / 100, rounded half down, as the word exercise does."""
    by = {(a["voice"], a["item"], a["kind"]): a for a in acoustic}
    out = []
    for r in rows:
        a = by.get((r["voice"], r["item"], r.get("kind")))
        if r["setting"] not in ("teacher", "course") or a is None:
            continue
        distance = a["score"] if r["setting"] == "course" else a["word"]
        am = mark_from_distance(distance, lo, hi)
        fused = (weight * acoustic_position(distance, lo, hi) + (100 - weight) * r["mark"]) / 100
        base = {k: v for k, v in r.items() if k not in ("setting", "score", "mark", "raw")}
        out.append(dict(base, setting=r["setting"] + "-acoustic", score=distance, mark=am))
        out.append(dict(base, setting=r["setting"] + "-fused", score=-fused,
                        mark=min(max(math.ceil(fused - 0.5 - 1e-9), 1), 5)))
    return out


def fit_weight(rows, acoustic, lo, hi):
    """The acoustic share (0..100, steps of 10) of the fused mark that best
    parts right from wrong says of the tuning voices at the 4-5 line (right
    at 4-5 less wrong at 4-5), summed over the course's exercises and a
    teacher's own: one weight serves both. The larger summed AUC among equals."""
    tune = [r for r in rows if r["set"] == "tuning"]
    best = None
    for weight in range(0, 101, 10):
        fused = fused_rows(tune, acoustic, lo, hi, weight)
        figs = [figures([r for r in fused if r["setting"] == s]) for s in ("course-fused", "teacher-fused")]
        key = (round(sum(f[2] - f[4] for f in figs), 3), sum(f[0] for f in figs))
        if best is None or key > best[0]:
            best = (key, weight)
    return best[1]


def summary(rows, groups, settings=SETTINGS):
    """{setting|set|group: [figures, low, high]}, group "adults" = all but krb."""
    out = {}
    for setting, _ in settings:
        for s in ("tuning", "held-out"):
            pick = [r for r in rows if r["setting"] == setting and r["set"] == s]
            for g in [g for g, _, _ in groups] + ["adults"]:
                sel = [r for r in pick if (r["group"] == g if g != "adults" else not r["group"].startswith("krb"))]
                if sel:
                    lo, hi = bootstrap(sel)
                    out["%s|%s|%s" % (setting, s, g)] = [figures(sel), list(lo), list(hi)]
    return out


def tables(rows, groups, stats, before, settings=SETTINGS):
    lines = []
    for setting, title in settings:
        lines += ["", "### %s" % title, ""]
        lines += ["| Voices | Group | " + " | ".join(FIGURES) + " |", "|---|---|" + "---|" * len(FIGURES)]
        for s in ("tuning", "held-out"):
            for g in ["adults"] + [g for g, _, _ in groups]:
                key = "%s|%s|%s" % (setting, s, g)
                if key not in stats:
                    continue
                now, lo, hi = stats[key]
                cells = []
                for k in range(len(FIGURES)):
                    share = FIGURES[k].endswith("4-5") or "praise" in FIGURES[k]
                    cell = "%s [%s-%s]" % (fmt(now[k], share), fmt(lo[k], share), fmt(hi[k], share))
                    if before and key in before:
                        cell = "%s -> %s" % (fmt(before[key][0][k], share), cell)
                    cells.append(cell)
                name = "**%s**" % g if g == "adults" else g
                lines.append("| %s | %s | %s |" % (s, name, " | ".join(cells)))
        # Per exercise: adults and krb, tuning and held-out.
        lines += ["", "Per exercise (AUC / right mean / wrong mean / false praise):", ""]
        cols = [(s, a) for s in ("tuning", "held-out") for a in (True, False)]
        lines += ["| Exercise | " + " | ".join("%s %s" % (s, "adults" if a else "krb") for s, a in cols) + " |",
                  "|---|" + "---|" * len(cols)]
        items = []
        for r in rows:
            if r["setting"] == setting and r["item"] not in items:
                items.append(r["item"])
        for item in items:
            cells = []
            for s, adult in cols:
                sel = [r for r in rows if r["setting"] == setting and r["item"] == item and r["set"] == s
                       and r["group"].startswith("krb") != adult]
                f = figures(sel) if sel else [np.nan] * 5
                cells.append("%.2f / %.2f / %.2f / %.0f %%" % (f[0], f[1], f[3], 100 * f[4]))
            lines.append("| %s | %s |" % (item, " | ".join(cells)))
    return lines + kinds_table(rows, settings)


def kinds_table(rows, settings):
    """The word settings' wrong says apart by kind (adults): another word,
    or the word with its trained sound replaced (a minimal pair)."""
    lines = ["", "### Wrong says by kind (adults)", "",
             "Right says against other words, and against the same word with the trained sound replaced "
             "(AUC / wrong: mean mark / wrong: 4-5).", "",
             "| Setting | Voices | other words | trained sound replaced |", "|---|---|---|---|"]
    for setting, title in settings:
        for s in ("tuning", "held-out"):
            sel = [r for r in rows if r["setting"] == setting and r["set"] == s and not r["group"].startswith("krb")]
            if not any(r.get("kind") == "replaced" for r in sel):
                continue
            cells = []
            for kind in ("other", "replaced"):
                f = figures([r for r in sel if r["kind"] in ("right", kind)])
                cells.append("%.2f / %.2f / %s" % (f[0], f[3], fmt(f[4], True)))
            lines.append("| %s | %s | %s |" % (title, s, " | ".join(cells)))
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--data", default=os.path.join(ROOT, "data", "english"))
    parser.add_argument("--save", help="write the summary figures to this JSON file")
    parser.add_argument("--before", help="a summary saved by an earlier run, shown as before -> after")
    parser.add_argument("--acoustic", help="every say's row of scripts/gop_tables.py --save: adds the acoustic "
                        "judge alone and fused, with the language's AcousticMinResult/MaxResult and FusionWeight")
    parser.add_argument("--fit-weight", action="store_true", help="with --acoustic: fit FusionWeight on the tuning voices")
    args = parser.parse_args()
    if not os.access(ANALYZE, os.X_OK):
        raise SystemExit("%s is missing: build the project first (README), or name it in LORVANO_ANALYZE" % ANALYZE)
    if voices.missing_synthesisers():
        raise SystemExit("missing: %s (scripts/setup.sh installs them)" % ", ".join(voices.missing_synthesisers()))
    rows = measure(voices.GROUPS, args.data, voices.cache_folder())
    settings = SETTINGS
    weight_note = ""
    if args.acoustic:
        acoustic = json.load(open(args.acoustic))
        lo = int(ini_value(args.data, "AcousticMinResult", 9000))
        hi = int(ini_value(args.data, "AcousticMaxResult", 3000))
        weight = fit_weight(rows, acoustic, lo, hi) if args.fit_weight else int(ini_value(args.data, "FusionWeight", 50))
        weight_note = " Acoustic marks: MinResult %d, MaxResult %d; fused with weight %d%s." % (
            lo, hi, weight, " (fitted on the tuning voices)" if args.fit_weight else "")
        rows += fused_rows(rows, acoustic, lo, hi, weight)
        settings = SETTINGS + ACOUSTIC_SETTINGS
    stats = summary(rows, voices.GROUPS, settings)
    if args.save:
        with open(args.save, "w") as f:
            json.dump(stats, f)
    before = json.load(open(args.before)) if args.before else None
    print("# Marks of the bundled English course on synthetic voices\n")
    print("Made by `scripts/mark_tables.py%s%s` (figures [95 %% bootstrap interval]%s).\n" % (
        " --before " + os.path.relpath(args.before, ROOT) if args.before else "",
        " --acoustic ROWS.json%s` with the rows of `scripts/gop_tables.py --fit --save ROWS.json" % (
            " --fit-weight" if args.fit_weight else "") if args.acoustic else "",
        "; before -> after" if before else ""))
    print("Voices: " + "; ".join("%s tuning %s, held out %s" % (g, ", ".join(map(voices.label, t)),
                                                               ", ".join(map(voices.label, h)))
                                 for g, t, h in voices.GROUPS) + "." + weight_note)
    print("\n".join(tables(rows, voices.GROUPS, stats, before, settings)))
    sys.stdout.flush()


if __name__ == "__main__":
    main()
