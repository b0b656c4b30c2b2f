#!/usr/bin/python3
"""Measures how much what surrounds a word moves the acoustic judge
(`lorvano-analyze gop`): the adult voices of scripts/voices.py say every
fourth course word (right), the word with its trained sound replaced and
one other word (wrong), each heard four ways:

- as synthesised ("bare");
- with 0.3 s of digital silence before and after ("silence");
- that, over pink noise at -60 dBFS peak, a quiet room ("quiet room");
- that, over pink noise at -46 dBFS peak, a livelier one ("room").

Per set of voices and way: the area under the ROC curve (right vs wrong),
the median distance of right and of wrong says, and the shares of right
and wrong says the language's AcousticMinResult/MaxResult mark 4-5. A judge
that hears the word rather than its surroundings gives the same figures in
every row of a set.

    scripts/gop_surroundings.py [--data DIR] [--jobs N]

Needs what scripts/gop_tables.py needs; the altered says are kept beside
the synthesised ones in $LORVANO_VOICE_CACHE.
"""
import argparse
import os
import subprocess
import threading

import numpy as np

import gop_tables
import mark_tables
import voices
from make_word_etalons import WORDS
from concurrent.futures import ThreadPoolExecutor

# Way: its name, and the peak amplitude of the noise under the padded say
# (None: the bare say, unpadded; 0: padded, no noise).
WAYS = [("bare", None), ("silence", 0.0), ("quiet room", 0.001), ("room", 0.005)]


def altered(path, noise):
    """The say padded with 0.3 s of silence, over pink noise of the given
    peak amplitude when it is not 0 (the same noise on every run). Two
    workers may ask for the same say: each writes its own temporary file
    and renames it into place."""
    stem = os.path.splitext(path)[0]
    out = "%s-surround-%g.wav" % (stem, noise)
    if os.path.exists(out):
        return out
    tmp = "%s.%d.%d.tmp.wav" % (out, os.getpid(), threading.get_ident())
    if noise == 0:
        subprocess.run(["sox", path, tmp, "pad", "0.3", "0.3"], check=True)
    else:
        padded = altered(path, 0)
        length = subprocess.run(["soxi", "-D", padded], capture_output=True, text=True, check=True).stdout.strip()
        hiss = tmp + ".noise.wav"
        subprocess.run(["sox", "-R", "-n", "-r", "22050", "-c", "1", "-b", "16", hiss, "synth", length, "pinknoise",
                        "vol", str(noise)], check=True)
        subprocess.run(["sox", "-m", padded, hiss, tmp], check=True, stderr=subprocess.DEVNULL)
        os.remove(hiss)
    os.replace(tmp, out)
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--data", default=os.path.join(mark_tables.ROOT, "data", "english"))
    parser.add_argument("--jobs", type=int, default=mark_tables.JOBS)
    args = parser.parse_args()
    lo = int(mark_tables.ini_value(args.data, "AcousticMinResult", 9000))
    hi = int(mark_tables.ini_value(args.data, "AcousticMaxResult", 3000))
    adults = [(s, g, v) for g, tune, held in voices.GROUPS if not g.startswith("krb")
              for s, vs in (("tuning", tune), ("held-out", held)) for v in vs]
    cache = voices.cache_folder()
    said = [mark_tables.words_of(v, cache) for _, _, v in adults]
    jobs = []
    for n, (s, _, _) in enumerate(adults):
        for i, w in enumerate(WORDS[::4]):
            other = WORDS[mark_tables.other_word(4 * i, n)][2]
            for path, right in ((said[n][w[2]], True), (said[n][mark_tables.REPLACED[w[2]][0]], False),
                                (said[n][other], False)):
                jobs.append((s, right, path, w))

    def run(job):
        s, right, path, w = job
        return s, right, [gop_tables.gop(path if noise is None else altered(path, noise), w[2], w[5])[0]
                          for _, noise in WAYS]

    with ThreadPoolExecutor(args.jobs) as pool:
        rows = list(pool.map(run, jobs))
    print("Acoustic limits MinResult %d, MaxResult %d; %d says per way.\n" % (lo, hi, len(rows)))
    print("| Voices | Way | AUC | right: median distance | wrong: median distance | right: 4-5 | wrong: 4-5 |")
    print("|---|---|---|---|---|---|---|")
    for s in ("tuning", "held-out"):
        for k, (way, _) in enumerate(WAYS):
            right = np.array([r[2][k] for r in rows if r[0] == s and r[1]], float)
            wrong = np.array([r[2][k] for r in rows if r[0] == s and not r[1]], float)
            praised = lambda d: np.mean([mark_tables.mark_from_distance(x, lo, hi) >= 4 for x in d])
            print("| %s | %s | %.2f | %.0f | %.0f | %.0f %% | %.0f %% |" % (
                s, way, mark_tables.auc(right, wrong), np.median(right), np.median(wrong), 100 * praised(right),
                100 * praised(wrong)))


if __name__ == "__main__":
    main()
