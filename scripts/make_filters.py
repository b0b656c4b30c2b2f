#!/usr/bin/python3
"""Generates the default filter-bank design: data/english/coef.dat and
data/english/calib.txt. Run with Debian's python3 (it has python3-scipy):

    /usr/bin/python3 scripts/make_filters.py [output-directory]

Design choices
- 20 bands equally spaced on the ERB-rate scale (Glasberg and Moore), band
  centres 150 Hz .. 9 kHz. Each band's -3 dB edges span 0.9 of the spacing
  on that scale, so neighbours cross a little below -3 dB (about -4 dB once
  the envelope's ripple is counted).
- Each band is a Butterworth band-pass of order 3 (sixth order, three
  second-order sections), designed at the rate of its group: bands 0-6 at
  2756.25 Hz (Filt2.5k), 7-10 at 5512.5 Hz (Filt5k), 11-14 at 11025 Hz
  (Filt10k), 15-19 at 22050 Hz (Filt20k). Butterworth edges are the -3 dB
  points, so neighbouring bands cross at about -3 dB.
- Full band (output 20): Butterworth band-pass of order 3, 60 Hz .. 10.5 kHz
  at 22050 Hz. Low band (output 21): 80 .. 400 Hz at 2756.25 Hz.
- The three decimators share one design in normalised frequency: a sixth-order
  elliptic low-pass, 0.1 dB ripple up to 0.2177 of the input rate (4.8 kHz
  at 22050 Hz, the top of the next group), at least 50 dB down from 0.2823
  of the input rate (6.225 kHz), the lowest frequency that folds back into
  the next group's range. Outputs are kept at odd positions, as the bank does.
- Envelopes: one-pole smoothing of |y| with a 6 ms time constant at the
  group's rate (EB = 1 - EA, EA = exp(-1 / (0.006 * rate))).
- Levels: the Eq gains make a full-scale sine (32767 * 256 at the input) at a
  band's centre read 2^26 after the gain (log energy 6800: three doublings,
  1800 units, above the 5000 of a bare 2^23 envelope), measured on a
  floating-point model of the bank (median of the frame peaks). calib.txt is
  neutral (all 100); it is the place for per-microphone trims.
  Why 6800: the live displays and the word detector are scaled for 5000 to be
  loud. Speech is peaky: its loudest frames read about 14 dB below its own
  sample peak, so with a sine at 5000 normal speech recorded at a good level
  (peaks near -12 dBFS) read about 3400, barely reaching the detector's
  default trigger (3000) and filling half of the loudness display. At 6800
  such speech reads near the top of the displays and speech peaking at
  -18 dBFS still starts a word, while room noise at -50 dBFS stays about
  1000 units below the trigger. The full scale stays far from the 32-bit
  limits: at PreAmp 2 the largest gained envelope is about 2^28, and the
  filter states do not depend on the gains at all.
- Sections: SciPy's pairing of poles and zeros (zpk2sos), or one zero at DC
  and one at the Nyquist rate in every section (see one_dc_zero_each), in the
  pairing and order whose output settles lowest in silence in the bank's own
  arithmetic, which rounds toward minus infinity and so leaves small offsets
  in each section (see silent_output); after the gain it must read below the
  log scale's floor. The gain is spread so that the output of
  every section peaks no higher than the whole filter's (peak scaling).
  All coefficients are below 2 in magnitude, so they fit Q30.
"""

import itertools
import math
import os
import sys

import numpy as np
from scipy import signal

FS = 22050.0
RATES = {"Filt20k": FS, "Filt10k": FS / 2, "Filt5k": FS / 4, "Filt2.5k": FS / 8}
GROUP_BANDS = {"Filt2.5k": range(0, 7), "Filt5k": range(7, 11), "Filt10k": range(11, 15),
               "Filt20k": range(15, 20)}
ENVELOPE_TAU = 0.006
BAND_WIDTH = 0.9  # of the spacing between centres, on the ERB-rate scale
FRAME = 224
TARGET = 2.0 ** 26 * 1.001


def erb(f):
    return 21.4 * math.log10(1 + 0.00437 * f)


def erb_inv(e):
    return (10 ** (e / 21.4) - 1) / 0.00437


def band_edges():
    lo, hi = erb(150.0), erb(9000.0)
    step = (hi - lo) / 19
    half = 0.5 * step * BAND_WIDTH
    return [(erb_inv(lo + i * step - half), erb_inv(lo + i * step + half)) for i in range(20)]


def bandpass(lo, hi, rate):
    return signal.butter(3, [lo, hi], btype="bandpass", fs=rate, output="sos")


def decimator():
    return signal.ellip(6, 0.1, 55, 2 * 0.2177, output="sos")


def envelope(rate):
    ea = math.exp(-1.0 / (ENVELOPE_TAU * rate))
    return 1.0 - ea, ea


def q30(v):
    """The value as the bank will hold it: trunc(v * 2^30) / 2^30."""
    k = math.trunc(v * 1073741824.0)
    assert -2 ** 31 <= k < 2 ** 31, v
    return k / 1073741824.0


def peak_scaled(sos):
    """Scales each section's numerator so that the response up to and
    including it peaks at the final response's peak: no stage output is
    larger than the filter's own largest output for a sine, which keeps the
    32-bit states from overflowing, with every numerator below 2."""
    sos = np.array(sos, dtype=float)
    target = np.abs(signal.sosfreqz(sos, worN=8192)[1]).max()
    for s in range(len(sos) - 1):
        peak = np.abs(signal.sosfreqz(sos[: s + 1], worN=8192)[1]).max()
        g = target / peak
        # Keep the next numerator within Q30's range; the cascade then peaks
        # higher inside, which the 32-bit states have room for.
        g = max(g, np.abs(sos[s + 1, :3]).max() / 1.9)
        sos[s, :3] *= g
        sos[s + 1, :3] /= g
    return sos


def fixed_point_section_coefficients(sos):
    """The bank's 15 stage coefficients (Q30 integers) of a section list, as
    the bank holds them after reading coef.dat: the file gives A = -a and
    B = -b, the bank keeps A and -B, so each stage sums b.x - a.y."""
    c = []
    for b0, b1, b2, _, a1, a2 in sos:
        c += [math.trunc(v * 1073741824.0) for v in (b2, b1, b0)]
        c += [math.trunc(-v * 1073741824.0) for v in (a2, a1)]
    return c


def silent_output(sos, eb, ea):
    """The envelope a filter settles on in silence, in the bank's own integer
    arithmetic (rounding toward minus infinity): after loud noise, the input
    falls to a constant (0, and a small DC that a decimator may leave)."""
    c = fixed_point_section_coefficients(sos) + [math.trunc(eb * 1073741824.0),
                                                 math.trunc(ea * 1073741824.0)]

    def wrap(v):
        v &= 0xFFFFFFFF
        return v - (1 << 32) if v & 0x80000000 else v

    def hw4(total):
        return wrap((total >> 32) * 4)

    worst = 0
    rng = np.random.default_rng(1)
    for level in (0, -300):
        st = [0] * 9
        for n in range(9000):
            x = int(rng.integers(-2 ** 23, 2 ** 23)) if n < 2000 else level
            y1 = hw4(c[0] * st[0] + c[1] * st[1] + c[2] * x + c[3] * st[2] + c[4] * st[3])
            y2 = hw4(c[5] * st[2] + c[6] * st[3] + c[7] * y1 + c[8] * st[4] + c[9] * st[5])
            y3 = hw4(c[10] * st[4] + c[11] * st[5] + c[12] * y2 + c[13] * st[6] + c[14] * st[7])
            st[:8] = [st[1], x, st[3], y1, st[5], y2, st[7], y3]
            st[8] = hw4(c[15] * abs(y3) + c[16] * st[8])
            if n >= 8000:
                worst = max(worst, st[8])
    return worst


def one_dc_zero_each(sos):
    """The same poles, with the zeros paired so that every section has one
    zero at DC and one at the Nyquist rate (numerator 1, 0, -1). A band-pass
    then blocks DC in every section, so the offset that rounding leaves in a
    section never reaches the output through a later one; only the last
    section's own offset does."""
    z, p, k = signal.sos2zpk(sos)
    if np.sum(np.isclose(z, 1.0)) != len(sos) or np.sum(np.isclose(z, -1.0)) != len(sos):
        return None
    out = np.array(sos, dtype=float)
    out[:, :3] = [1.0, 0.0, -1.0]
    out[0, :3] *= k
    return out


def dc_safe_order(sos, rate):
    """Of the orders of the sections, and of the two pairings of zeros with
    poles (SciPy's, and one_dc_zero_each), the one that settles lowest in
    silence (see silent_output), so that silence reads as the floor. Returns
    the sections and the envelope they settle on."""
    eb, ea = (q30(v) for v in envelope(rate))
    pairings = [np.array(sos)]
    alternative = one_dc_zero_each(sos)
    if alternative is not None:
        pairings.append(alternative)
    orders = [peak_scaled(s[list(p)]) for s in pairings
              for p in itertools.permutations(range(len(sos)))]
    orders = [o for o in orders if np.abs(o).max() < 1.99]
    scored = [(silent_output(quantised(o), eb, ea), n, o) for n, o in enumerate(orders)]
    best = min(scored, key=lambda t: (t[0], t[1]))
    return best[2], best[0]


def quantised(sos):
    return np.array([[q30(v) for v in row] for row in sos])


def decimate(x, sos):
    return signal.sosfilt(sos, x)[1::2]


def frame_peak(x, band_sos, rate, eb, ea):
    """Median over the settled frames of the envelope's peak per frame."""
    y = np.abs(signal.sosfilt(band_sos, x))
    env = signal.lfilter([eb], [1.0, -ea], y)
    per_frame = int(round(FRAME * rate / FS))
    frames = env[: len(env) // per_frame * per_frame].reshape(-1, per_frame).max(axis=1)
    return float(np.median(frames[len(frames) // 2:]))


def level(freq, band_sos, rate, dec_sos, eb, ea):
    n = int(FS * 0.6)
    x = 32767.0 * 256.0 * np.sin(2 * np.pi * freq * np.arange(n) / FS)
    r = FS
    while r > rate:
        x = decimate(x, dec_sos)
        r /= 2
    return frame_peak(x, band_sos, rate, eb, ea)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "data", "english")
    dec = quantised(peak_scaled(decimator()))
    edges = band_edges()

    filters = {}  # output index -> (sos, rate)
    for group, bands in GROUP_BANDS.items():
        for i in bands:
            rate = RATES[group]
            filters[i] = dc_safe_order(bandpass(*edges[i], rate), rate) + (rate,)
    filters[20] = dc_safe_order(bandpass(60.0, 10500.0, FS), FS) + (FS,)
    filters[21] = dc_safe_order(bandpass(80.0, 400.0, FS / 8), FS / 8) + (FS / 8,)
    filters = {i: (quantised(sos), silent, rate) for i, (sos, silent, rate) in filters.items()}

    gains = []
    for i in range(22):
        sos, silent, rate = filters[i]
        eb, ea = (q30(v) for v in envelope(rate))
        if i < 20:
            centre = math.sqrt(edges[i][0] * edges[i][1])
        elif i == 20:
            centre = 1000.0
        else:
            centre = math.sqrt(80.0 * 400.0)
        gains.append(TARGET / level(centre, sos, rate, dec, eb, ea))
        # Silence must read below LogEnergy's floor (256) after the gain.
        assert silent * gains[-1] < 256, (i, silent, gains[-1])

    def stages(sos, tabs):
        lines = []
        for k, (b0, b1, b2, a0, a1, a2) in enumerate(sos):
            assert a0 == 1.0
            for label, v in (("A[%d]1:", -a1), ("A[%d]2:", -a2), ("B[%d]0:", -b0),
                             ("B[%d]1:", -b1), ("B[%d]2:", -b2)):
                lines.append("%s%s %r" % (tabs, label % k, float(v)))
        return lines

    lines = ["Lorvano default filter design, made by scripts/make_filters.py.",
             "Band centres in Hz: " + " ".join("%.0f" % math.sqrt(a * b) for a, b in edges),
             "{"]
    for group, first in (("Filt20k", 15), ("Filt10k", 11), ("Filt5k", 7), ("Filt2.5k", 0),
                         ("LowEnergy", 21)):
        outputs = [21] if group == "LowEnergy" else list(GROUP_BANDS[group])
        if group == "Filt20k":
            outputs.append(20)
        lines.append("\t%s {" % group)
        lines.append("\t\tFilterNum: %d" % len(outputs))
        for i in outputs:
            sos, _, rate = filters[i]
            eb, ea = (q30(v) for v in envelope(rate))
            lines.append("\t\t{")
            lines += stages(sos, "\t\t\t")
            lines.append("\t\t\tEB: %r" % eb)
            lines.append("\t\t\tEA: %r" % ea)
            lines.append("\t\t}")
        lines.append("\t}")
    for name in ("Decimator1", "Decimator2", "Decimator3"):
        lines += ["\t%s {" % name, "\t\t{"] + stages(dec, "\t\t\t") + ["\t\t}", "\t}"]
    lines.append("\tEq {")
    lines += ["\t\t%r" % g for g in gains]
    lines += ["\t}", "}"]
    with open(os.path.join(out_dir, "coef.dat"), "w") as f:
        f.write("\n".join(lines) + "\n")
    with open(os.path.join(out_dir, "calib.txt"), "w") as f:
        f.write("HM_DSP calibration table.\n" + "\n".join(["100"] * 22) + "\n")


if __name__ == "__main__":
    main()
