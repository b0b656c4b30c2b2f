#!/usr/bin/env python3
"""Makes the teacher's reference words (etalons) of the bundled word exercises
with espeak-ng: for each word a 22050 Hz mono 16-bit WAV file, an etalon
definition file (a vRecording_c naming the WAV, with one segment marker per
speech sound) and the word exercise that uses it, plus the display
backgrounds of the four display modes. The output is committed; run this
again only to change the words.

Sound boundaries come from espeak-ng itself: the word's phonemes (-x) are
spoken again as growing prefixes ([[...]] phoneme input), and the end of each
prefix's sound, less its trailing silence, is where the next sound starts.

usage: scripts/make_word_etalons.py [output folder]   (default data/english/Words)
"""
import os
import struct
import subprocess
import sys
import tempfile
import wave

RATE = 22050
FRAME = 224          # samples per analysis frame
ONSET = 600          # |sample| from which the word has begun
VOICE = "en"

# (exercise name, word, SAMPA code of each espeak-ng phoneme, label of each)
WORDS = [
    ("Fish", "fish", ["f", "I", "S"], ["f", "i", "sh"]),
    ("Sun", "sun", ["s", "V", "n"], ["s", "u", "n"]),
    ("Cat", "cat", ["k", "{", "t"], ["c", "a", "t"]),
    ("Moon", "moon", ["m", "u:", "n"], ["m", "oo", "n"]),
]


def speak(text, out, phonemes=False, speed=140, pitch=50):
    raw = out + ".raw.wav"
    arg = "[[" + text + "]]" if phonemes else text
    subprocess.run(["espeak-ng", "-v", VOICE, "-s", str(speed), "-p", str(pitch), "-w", raw, arg], check=True)
    subprocess.run(["sox", raw, "-r", str(RATE), "-c", "1", "-b", "16", "-e", "signed-integer", out], check=True)
    os.remove(raw)


def samples(path):
    with wave.open(path, "rb") as w:
        data = w.readframes(w.getnframes())
    return struct.unpack("<%dh" % (len(data) // 2), data)


def sound_end(s):
    """Index after the last sample of the sound (trailing silence cut)."""
    for i in range(len(s) - 1, -1, -1):
        if abs(s[i]) >= ONSET:
            return i + 1
    return 0


def onset(s):
    for i, v in enumerate(s):
        if abs(v) >= ONSET:
            return i
    return 0


def phonemes(word):
    out = subprocess.run(["espeak-ng", "-q", "-x", "-v", VOICE, word], check=True, capture_output=True, text=True)
    return out.stdout.strip()


def split_phonemes(mnemonics, count):
    """espeak-ng's phoneme string cut into count sounds; stress marks stay
    with the sound they precede."""
    units, pending = [], ""
    i = 0
    while i < len(mnemonics):
        c = mnemonics[i]
        if c in "',":
            pending += c
            i += 1
            continue
        unit = c
        # Two-letter phonemes and length marks of espeak-ng's English.
        while i + 1 < len(mnemonics) and mnemonics[i + 1] in ":@#":
            i += 1
            unit += mnemonics[i]
        units.append(pending + unit)
        pending = ""
        i += 1
    if len(units) != count:
        raise SystemExit("espeak-ng gave %r for %d sounds" % (units, count))
    return units


def boundaries(word, count, tmp):
    units = split_phonemes(phonemes(word), count)
    ends = []
    for n in range(1, count):
        path = os.path.join(tmp, "prefix%d.wav" % n)
        speak("".join(units[:n]), path, phonemes=True)
        ends.append(sound_end(samples(path)))
    return [0] + ends


def bmp(path, *draw):
    subprocess.run(["convert", "-size", "600x150"] + list(draw) + ["-type", "truecolor", "BMP3:" + path], check=True)


def backgrounds(out):
    pic = os.path.join(out, ".Pic")
    os.makedirs(pic, exist_ok=True)
    grid = []
    for x in range(0, 600, 60):
        grid += ["-draw", "line %d,0 %d,149" % (x, x)]
    bmp(os.path.join(pic, "Bands.bmp"), "gradient:#101838-#000008", "-stroke", "#283050", *grid)
    lines = []
    for y in range(29, 150, 30):
        lines += ["-draw", "line 0,%d 599,%d" % (y, y)]
    bmp(os.path.join(pic, "Volume.bmp"), "xc:#081808", "-stroke", "#204020", *lines)
    bmp(os.path.join(pic, "Pitch.bmp"), "xc:#180818", "-stroke", "#402040", "-draw", "line 0,74 599,74", *grid)


ETALON = """// Etalon of "{word}" made by scripts/make_word_etalons.py with espeak-ng.
<vRecording_c> Obj = {{
  WavFileName = "Words/{name}.wav";
  MarkerFontName = "DejaVu Sans";
  Markers = {{
{markers}  }}
}}
"""

MARKER = """    <vSegmentMarker_c> = {{
        Label = "{label}";
        SegmentCode = "{code}";
        Pos = {pos};
    }}
"""

EXERCISE = """// Word exercise "{word}": the pupil imitates the teacher's word.
<vTrWordExercise_c> Obj = {{
  ExerciseType = 3;
  VISound = "{visound}";
  EtalonFile = "Words/{name}.dat";
  WavFileName = "Words/{name}.wav";
  EtalonPos = {{ x = 100; y = 40; }}
  SayPos = {{ x = 100; y = 230; }}
  <vDxFileImage_c> ExImage = {{ FileName = "Words/.Pic/Bands.bmp"; }}
  <vDxFileImage_c> VolExImage = {{ FileName = "Words/.Pic/Volume.bmp"; }}
  <vDxFileImage_c> PitchExImage = {{ FileName = "Words/.Pic/Pitch.bmp"; }}
}}
"""


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "data", "english", "Words")
    os.makedirs(out, exist_ok=True)
    backgrounds(out)
    with tempfile.TemporaryDirectory() as tmp:
        for name, word, codes, labels in WORDS:
            wav = os.path.join(out, name + ".wav")
            speak(word, wav)
            s = samples(wav)
            start = onset(s)
            # Word-relative frames: the analysis finds the word where its
            # level rises, about where the samples leave the silence.
            ends = boundaries(word, len(codes), tmp)
            markers = ""
            for b, code, label in zip(ends, codes, labels):
                pos = max(0, (b - start) // FRAME) if b else 0
                markers += MARKER.format(label=label, code=code, pos=pos)
            with open(os.path.join(out, name + ".dat"), "w") as f:
                f.write(ETALON.format(word=word, name=name, markers=markers))
            with open(os.path.join(out, name + ".exc"), "w") as f:
                f.write(EXERCISE.format(word=word, name=name, visound=codes[1]))
            print("%s: %d samples, sounds at frames %s" % (name, len(s), [max(0, (b - start) // FRAME) for b in ends]))


if __name__ == "__main__":
    main()
