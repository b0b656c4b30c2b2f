"""The synthetic voices behind the bundled sound models, limits, corridors
and marks, and the one way every script makes them speak.

Four groups: espeak-ng, festival and flite (adult English voices) and
festival's Czech child "czech_krb" (kept apart: a child's shorter vocal tract
and a Czech reading of the words). TUNE speaks the recordings the models,
limits, corridors and mark mappings are fitted on; HELD_OUT is never used for
any of them, only to report how the marks hold for voices the fit never
heard. Where a synthesiser has several voices whole voices are held out
(festival's slt HTS voice, flite's rms), so a held-out say never shares a
speaker with a tuning one; krb has one speaker, so two of its prosody
variants are held out.

A voice is (synthesiser, voice name, rate, pitch):
- espeak: rate in words per minute, pitch 0-99;
- flite: rate is duration_stretch, pitch int_f0_target_mean (Hz);
- festival: rate is Duration_Stretch, pitch the intonation model's f0 mean
  (Hz); the HTS voice has both from its own model: its engine's speed rate
  and half-tone shift stand in.
A plain 3-tuple (name, speed, pitch) is an espeak-ng voice.
"""
import hashlib
import math
import os
import shutil
import subprocess
import tempfile

RATE = 22050

TUNE_ESPEAK = [
    ("espeak", "en", 115, 65),
    ("espeak", "en+m1", 120, 40),
    ("espeak", "en+m2", 160, 55),
    ("espeak", "en+m3", 140, 30),
    ("espeak", "en+m4", 175, 60),
    ("espeak", "en+f1", 130, 60),
    ("espeak", "en+f2", 150, 70),
    ("espeak", "en+f3", 165, 45),
    ("espeak", "en-us", 135, 50),
    ("espeak", "en+m6", 150, 35),
]
HELD_OUT_ESPEAK = [
    ("espeak", "en+m5", 145, 45),
    ("espeak", "en+m7", 125, 60),
    ("espeak", "en+f4", 155, 65),
    ("espeak", "en+f5", 170, 40),
    ("espeak", "en-gb-x-rp", 140, 50),
    ("espeak", "en-gb-scotland", 130, 55),
]
TUNE_FESTIVAL = [
    ("festival", "kal_diphone", 1.0, 105),
    ("festival", "kal_diphone", 1.3, 125),
    ("festival", "kal_diphone", 0.85, 95),
]
HELD_OUT_FESTIVAL = [
    ("festival", "cmu_us_slt_arctic_hts", 1.0, 165),
    ("festival", "cmu_us_slt_arctic_hts", 1.3, 185),
]
HTS_F0 = 165  # the slt HTS voice's own mean f0
TUNE_FLITE = [
    ("flite", "kal16", 1.0, 100),
    ("flite", "kal16", 1.3, 120),
    ("flite", "awb", 1.0, 110),
    ("flite", "awb", 1.25, 95),
    ("flite", "slt", 1.0, 180),
    ("flite", "slt", 1.3, 200),
]
HELD_OUT_FLITE = [
    ("flite", "rms", 1.0, 100),
    ("flite", "rms", 1.3, 120),
]
TUNE_KRB = [
    ("festival", "czech_krb", 1.0, 258),
    ("festival", "czech_krb", 1.35, 240),
    ("festival", "czech_krb", 0.85, 280),
]
# krb crashes (festival SIGSEGV) at an f0 mean of 300 Hz.
HELD_OUT_KRB = [
    ("festival", "czech_krb", 1.15, 275),
    ("festival", "czech_krb", 1.5, 225),
]

# (group, tuning voices, held-out voices)
GROUPS = [
    ("espeak-ng", TUNE_ESPEAK, HELD_OUT_ESPEAK),
    ("festival", TUNE_FESTIVAL, HELD_OUT_FESTIVAL),
    ("flite", TUNE_FLITE, HELD_OUT_FLITE),
    ("krb (child, Czech)", TUNE_KRB, HELD_OUT_KRB),
]
TUNE = [v for _, tune, _ in GROUPS for v in tune]
HELD_OUT = [v for _, _, held in GROUPS for v in held]

# Held sounds (espeak-ng mnemonic of the sustained-sound exercises) as the
# other synthesisers name them, and the word each says them in: the word is
# spoken slowly and the sound cut out of it by the synthesiser's own segment
# times (see hold()).
HELD = {
    #     radio phone, Czech phone, English carrier, Czech carrier
    "s": ("s", "s", "sea", "sí"),
    "S": ("sh", "s~", "she", "ší"),
    "z": ("z", "z", "zoo", "zú"),
    "f": ("f", "f", "fee", "fí"),
    "a": ("aa", "a:", "spa", "pá"),
    "i": ("iy", "i:", "see", "sí"),
    "u": ("uw", "u:", "too", "tú"),
}
HOLD_STRETCH = 10

# Czech letters for the course's SAMPA codes: krb reads an English word as a
# Czech child would from its sounds.
CZECH = {
    "f": "f", "I": "i", "S": "š", "s": "s", "V": "a", "n": "n", "k": "k", "{": "e", "t": "t", "m": "m",
    "u:": "ú", "i:": "í", "@U": "ou", "p": "p", "Q": "o", "b": "b", "aU": "au", "h": "h", "e": "e", "l": "l",
    "r": "r", "z": "z", "@": "e", "U": "u", "O:": "ó", "tS": "č", "e@": "é", "i": "i", "w": "v", "aI": "aj",
    "g": "g", "d": "d", "eI": "ej", "v": "v",
}


def synth(voice):
    return voice[0] if len(voice) == 4 else "espeak"


def czech(codes):
    return "".join(CZECH[c] for c in codes)


def label(voice):
    if len(voice) == 3:
        return "%s %d/%d" % voice
    s, name, rate, pitch = voice
    if s == "espeak":
        return "%s %d/%d" % (name, rate, pitch)
    return "%s %s x%.2g%s" % (s, name, rate, "" if pitch is None else " %dHz" % pitch)


def _resample(raw, out):
    subprocess.run(["sox", raw, "-r", str(RATE), "-c", "1", "-b", "16", "-e", "signed-integer", out], check=True)


def _segments(text):
    return [(p.rsplit(":", 1)[0], float(p.rsplit(":", 1)[1])) for p in text.split() if ":" in p]


def _festival_say(items, voice, stretch, tmp):
    """Speaks every (text, raw WAV) of items in one festival run (its start
    takes seconds); returns each one's segments."""
    _, name, rate, pitch = voice
    lines = ["(voice_%s)" % name, "(Parameter.set 'Duration_Stretch %g)" % (rate * stretch)]
    if name.endswith("_hts"):
        # The HTS engine takes its own durations and f0: its speed rate and
        # a shift in half-tones from the voice's mean f0.
        lines.append('(set! hts_engine_params (append hts_engine_params (list (list "-r" %g) (list "-fm" %g))))'
                     % (1 / (rate * stretch), 12 * math.log2(pitch / HTS_F0)))
    elif pitch is not None and name == "czech_krb":
        lines.append("(set! int_general_params (list (list 'targ_func czech-int-targets) '(f0_mean %d) "
                     "'(f0_std 16)))" % pitch)
    elif pitch is not None:
        lines.append("(set! int_lr_params '((target_f0_mean %d) (target_f0_std 14) (model_f0_mean 170) "
                     "(model_f0_std 34)))" % pitch)
    for text, raw in items:
        text = text.replace("\\", "").replace('"', "")
        lines += ['(set! utt (utt.synth (Utterance Text "%s")))' % text,
                  '(utt.save.wave utt "%s" \'riff)' % raw,
                  '(mapcar (lambda (s) (format t "%s:%f " (item.name s) (item.feat s "end")))'
                  " (utt.relation.items utt 'Segment))",
                  '(format t "|\\n")']
    path = os.path.join(tmp, "run.scm")
    with open(path, "w", encoding="iso-8859-2") as f:
        f.write("\n".join(lines) + "\n")
    out = subprocess.run(["festival", "-b", path], check=True, capture_output=True, text=True,
                         encoding="iso-8859-2", errors="replace").stdout
    return [_segments(part) for part in out.split("|")[:len(items)]]


def _flite_say(text, raw, voice, stretch):
    _, name, rate, pitch = voice
    args = ["flite", "-voice", name, "--setf", "duration_stretch=%g" % (rate * stretch)]
    if pitch is not None:
        args += ["--setf", "int_f0_target_mean=%d" % pitch]
    out = subprocess.run(args + ["-psdur", "-t", text, "-o", raw], check=True, capture_output=True,
                         text=True).stdout
    return _segments(out)


def say_all(items, voice, stretch=1.0):
    """Speaks every (text, out) of items into out (RATE Hz mono 16-bit) with
    a festival or flite voice; returns each one's segments [(phone, end in
    seconds)], pauses included, in the times of out."""
    with tempfile.TemporaryDirectory() as tmp:
        raws = [(text, os.path.join(tmp, "raw%d.wav" % i)) for i, (text, _) in enumerate(items)]
        if synth(voice) == "flite":
            segments = [_flite_say(text, raw, voice, stretch) for text, raw in raws]
        else:
            segments = _festival_say(raws, voice, stretch, tmp)
        for (_, raw), (_, out) in zip(raws, items):
            _resample(raw, out)
    return segments


def say(text, out, voice, stretch=1.0):
    return say_all([(text, out)], voice, stretch)[0]


def speak(text, out, voice, phonemes=False):
    """Speaks text (espeak-ng phoneme mnemonics with phonemes=True, which
    only espeak-ng voices take) into out at RATE Hz, mono, 16-bit."""
    if synth(voice) != "espeak":
        if phonemes:
            raise ValueError("phoneme input is for espeak-ng voices only")
        say(text, out, voice)
        return
    name, speed, pitch = voice[-3:]
    raw = out + ".raw.wav"
    arg = "[[" + text + "]]" if phonemes else text
    subprocess.run(["espeak-ng", "-v", name, "-s", str(speed), "-p", str(pitch), "-w", raw, arg], check=True)
    _resample(raw, out)
    os.remove(raw)


def speak_word(word, codes, out, voice):
    """Speaks a word of the course: krb reads its sounds in Czech letters."""
    speak(czech(codes) if voice[1] == "czech_krb" else word, out, voice)


def hold(mnemonic, out, voice):
    """A held sound of about two seconds. espeak-ng repeats the phoneme at a
    slow speed. festival and flite speak a carrier word at HOLD_STRETCH times
    its duration and the sound is cut out between its segment times: each
    synthesiser's own way of lengthening a sound (a diphone voice repeats
    pitch periods, an HTS or clustergen voice lengthens its states); their
    phone-level input is no help (festival gives every phone a fixed 0.1 s,
    the HTS voice takes none, krb lacks the vowel-vowel diphones)."""
    if synth(voice) == "espeak":
        speak(mnemonic * 8, out, (voice[-3], 80, voice[-1]), phonemes=True)
        return
    radio, czech_phone, english, czech_word = HELD[mnemonic]
    krb = voice[1] == "czech_krb"
    phone = czech_phone if krb else radio
    with tempfile.TemporaryDirectory() as tmp:
        whole = os.path.join(tmp, "whole.wav")
        # The whole stretch, whatever the voice's own rate (festival's diphone
        # voice crashes much beyond it).
        segments = say(czech_word if krb else english, whole, voice, HOLD_STRETCH / voice[2])
        start, span = 0.0, None
        for name, end in segments:
            if name == phone and (span is None or end - start > span[1] - span[0]):
                span = (start, end)
            start = end
        if span is None:
            raise ValueError("%s: no [%s] in %s" % (label(voice), phone, segments))
        subprocess.run(["sox", whole, out, "trim", "%.3f" % span[0], "=%.3f" % span[1]], check=True)


def cache_name(kind, key, voice):
    return hashlib.sha1(repr((kind, key, tuple(voice))).encode()).hexdigest()[:16] + ".wav"


def cached(kind, key, voice, make, folder):
    """The WAV of make(path) kept in folder under a name from its inputs, so
    that a second table run hears the same says without synthesising them."""
    path = os.path.join(folder, cache_name(kind, key, voice))
    if not os.path.exists(path):
        part = path + ".part%d.wav" % os.getpid()
        make(part)
        os.replace(part, path)
    return path


def cache_folder():
    folder = os.environ.get("LORVANO_VOICE_CACHE", os.path.join(tempfile.gettempdir(), "lorvano-voice-cache"))
    os.makedirs(folder, exist_ok=True)
    return folder


def missing_synthesisers():
    return [p for p in ("espeak-ng", "festival", "flite", "sox") if shutil.which(p) is None]
