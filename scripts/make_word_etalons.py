#!/usr/bin/python3
"""Makes the teacher's reference words (etalons) of the bundled word exercises
with espeak-ng: for each word a 22050 Hz mono 16-bit WAV file, an etalon
definition file (a vRecording_c naming the WAV, with one segment marker per
speech sound) and the word exercise that uses it, plus the pictures the
exercises share: display backgrounds of the four display modes, the five
result pictures (marks 1 to 5) and the buttons. The output is committed; run
this again only to change the words.

Sound boundaries come from espeak-ng itself: the word's phonemes (-x) are
spoken again as growing prefixes ([[...]] phoneme input), and the end of each
prefix's sound, less its trailing silence, is where the next sound starts.
The markers count from the word's first frame as the trainer's analysis
finds it, so the script runs the built lorvano-analyze on each etalon.

The words train the sibilants (s, sh, z, ch), f and the vowels; beside the
first four words they stand in one folder per sound so that a card menu
holds few cards. Each word and each folder gets a card picture: an emoji of
Noto Color Emoji (fonts-noto-color-emoji, SIL Open Font Licence) drawn with
Pillow (python3-pil) over the word, see data/english/CREDITS.md.

usage: scripts/make_word_etalons.py [output folder]   (default data/english/Words)
       scripts/make_word_etalons.py --recordings FOLDER [--voice V] [--speed N] [--pitch N]

With --recordings only the WAV and definition files of the words are made,
spoken by the voice given, into FOLDER (WAV names absolute): the labelled
recordings from which scripts/make_sound_models.sh builds the sound models.
"""
import argparse
import csv
import io
import os
import struct
import subprocess
import sys
import tempfile
import wave

from PIL import Image, ImageDraw, ImageFont

from voices import RATE, czech, label, say, speak, synth

FRAME = 224          # samples per analysis frame
ONSET = 600          # |sample| from which a sound is heard
MIN_FRAMES = 2       # the shortest sound, in frames
DONT_CARE = 2000     # "TimeWarp/DontCareLevel" of trainer.ini
STOPS = {"p", "t", "k", "b", "d", "g"}
CLOSURE = 1000       # level fall (1/100 dB) in one frame that starts a stop's closure
HISSING = {"s", "S", "z", "f", "tS"}
SPIRANT_LIMIT = 8    # "ResDisplay/SpirantLimit" of trainer.ini
# The voice of the bundled etalons: espeak-ng voice, speed (words per
# minute) and pitch (0-99).
ETALON_VOICE = ("en", 140, 50)

EMOJI_FONT = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"
LABEL_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

# (folder, exercise name, word, SAMPA code of each espeak-ng phoneme, label of
# each, the trained sound (the exercise's VISound), the card's emoji)
WORDS = [
    ("", "Fish", "fish", ["f", "I", "S"], ["f", "i", "sh"], "I", 0x1F41F),
    ("", "Sun", "sun", ["s", "V", "n"], ["s", "u", "n"], "V", 0x2600),
    ("", "Cat", "cat", ["k", "{", "t"], ["c", "a", "t"], "{", 0x1F408),
    ("", "Moon", "moon", ["m", "u:", "n"], ["m", "oo", "n"], "u:", 0x1F319),
    ("S", "Sea", "sea", ["s", "i:"], ["s", "ea"], "s", 0x1F30A),
    ("S", "Soap", "soap", ["s", "@U", "p"], ["s", "oa", "p"], "s", 0x1F9FC),
    ("S", "Sock", "sock", ["s", "Q", "k"], ["s", "o", "ck"], "s", 0x1F9E6),
    ("S", "Spoon", "spoon", ["s", "p", "u:", "n"], ["s", "p", "oo", "n"], "s", 0x1F944),
    ("S", "Bus", "bus", ["b", "V", "s"], ["b", "u", "s"], "s", 0x1F68C),
    ("S", "House", "house", ["h", "aU", "s"], ["h", "ou", "se"], "s", 0x1F3E0),
    ("Sh", "Ship", "ship", ["S", "I", "p"], ["sh", "i", "p"], "S", 0x1F6A2),
    ("Sh", "Shoe", "shoe", ["S", "u:"], ["sh", "oe"], "S", 0x1F45F),
    ("Sh", "Sheep", "sheep", ["S", "i:", "p"], ["sh", "ee", "p"], "S", 0x1F411),
    ("Sh", "Shell", "shell", ["S", "e", "l"], ["sh", "e", "ll"], "S", 0x1F41A),
    ("Sh", "Brush", "brush", ["b", "r", "V", "S"], ["b", "r", "u", "sh"], "S", 0x1FAA5),
    ("Z", "Zebra", "zebra", ["z", "e", "b", "r", "@"], ["z", "e", "b", "r", "a"], "z", 0x1F993),
    ("Z", "Nose", "nose", ["n", "@U", "z"], ["n", "o", "se"], "z", 0x1F443),
    ("Z", "Rose", "rose", ["r", "@U", "z"], ["r", "o", "se"], "z", 0x1F339),
    ("Z", "Eyes", "eyes", ["aI", "z"], ["eye", "s"], "z", 0x1F440),
    ("F", "Fox", "fox", ["f", "Q", "k", "s"], ["f", "o", "k", "s"], "f", 0x1F98A),
    ("F", "Foot", "foot", ["f", "U", "t"], ["f", "oo", "t"], "f", 0x1F9B6),
    ("F", "Leaf", "leaf", ["l", "i:", "f"], ["l", "ea", "f"], "f", 0x1F341),
    ("F", "Phone", "phone", ["f", "@U", "n"], ["ph", "o", "ne"], "f", 0x1F4F1),
    ("F", "Fork", "fork", ["f", "O:", "k"], ["f", "or", "k"], "f", 0x1F374),
    ("Ch", "Chair", "chair", ["tS", "e@"], ["ch", "air"], "tS", 0x1FA91),
    ("Ch", "Cheese", "cheese", ["tS", "i:", "z"], ["ch", "ee", "se"], "tS", 0x1F9C0),
    ("Ch", "Chick", "chick", ["tS", "I", "k"], ["ch", "i", "ck"], "tS", 0x1F424),
    ("Ch", "Cherry", "cherry", ["tS", "e", "r", "i"], ["ch", "e", "rr", "y"], "tS", 0x1F352),
    ("Ch", "Watch", "watch", ["w", "Q", "tS"], ["w", "a", "tch"], "tS", 0x231A),
    ("Vowels", "Key", "key", ["k", "i:"], ["k", "ey"], "i:", 0x1F511),
    ("Vowels", "Bee", "bee", ["b", "i:"], ["b", "ee"], "i:", 0x1F41D),
    ("Vowels", "Pig", "pig", ["p", "I", "g"], ["p", "i", "g"], "I", 0x1F416),
    ("Vowels", "Bat", "bat", ["b", "{", "t"], ["b", "a", "t"], "{", 0x1F987),
    ("Vowels", "Duck", "duck", ["d", "V", "k"], ["d", "u", "ck"], "V", 0x1F986),
    ("Vowels", "Book", "book", ["b", "U", "k"], ["b", "oo", "k"], "U", 0x1F4D6),
    ("Vowels", "Boat", "boat", ["b", "@U", "t"], ["b", "oa", "t"], "@U", 0x26F5),
]

# The folder cards: the letters of the sound and a caption.
FOLDERS = [
    ("S", "s", "S words", "#c03030"),
    ("Sh", "sh", "Sh words", "#2f6db5"),
    ("Z", "z", "Z words", "#3f9b4b"),
    ("F", "f", "F words", "#c07a20"),
    ("Ch", "ch", "Ch words", "#6a4fa0"),
    ("Vowels", "a e i\no u", "Vowels", "#2a8f8f"),
]

# espeak-ng's English phonemes written with more than one letter; the others
# are one letter, followed by a length mark where there is one.
MULTI = ["tS", "dZ", "oU", "aU", "aI", "eI", "OI", "e@", "i@", "U@", "O@", "@L"]


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


def phonemes(word, voice):
    out = subprocess.run(["espeak-ng", "-q", "-x", "-v", voice[-3], word], check=True, capture_output=True, text=True)
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
        unit = next((m for m in MULTI if mnemonics.startswith(m, i)), c)
        i += len(unit)
        while i < len(mnemonics) and mnemonics[i] in ":#":
            unit += mnemonics[i]
            i += 1
        units.append(pending + unit)
        pending = ""
    if len(units) != count:
        raise ValueError("espeak-ng gave %r for %d sounds" % (units, count))
    return units


def boundaries(word, count, tmp, voice):
    units = split_phonemes(phonemes(word, voice), count)
    ends = []
    for n in range(1, count):
        path = os.path.join(tmp, "prefix%d.wav" % n)
        speak("".join(units[:n]), path, voice, phonemes=True)
        ends.append(sound_end(samples(path)))
    return [0] + ends


def segment_ends(word, codes, wav, voice):
    """festival and flite: the word spoken, and where each sound after the
    first starts by the synthesiser's own segment times (krb reads the
    word's sounds in Czech letters)."""
    krb = voice[1] == "czech_krb"
    segments = say(czech(codes) if krb else word, wav, voice)
    phones = [(p, e) for p, e in segments if p not in ("pau", "#", "h#")]
    if len(phones) != len(codes):
        raise ValueError("%s gave %r for %d sounds" % (label(voice), [p for p, _ in phones], len(codes)))
    return [0] + [int(e * RATE) for _, e in phones[:-1]]


def labelled_recordings(out, voice, analyze, lang):
    """The course's words spoken by voice into out, each with its definition
    file (WAV names absolute): labelled recordings for the sound models."""
    out = os.path.abspath(out)
    with tempfile.TemporaryDirectory() as tmp:
        for folder, name, word, codes, labels, _, _ in WORDS:
            os.makedirs(os.path.join(out, folder), exist_ok=True)
            try:
                labelled_word(folder, name, word, codes, labels, voice,
                              os.path.join(out, folder, name + ".wav"), out, analyze, lang, tmp)
            except ValueError as e:
                # Another accent may speak the word with other sounds.
                print("%s skipped: %s" % (word, e), file=sys.stderr)


def word_section(wav, analyze, lang):
    """First and end frame of the word as the trainer's analysis finds it
    (Calculate: the frames with a band above "TimeWarp/DontCareLevel"), by
    the trainer's own analysis tool."""
    out = subprocess.run([analyze, "frames", wav, "--calculate", "--data", lang], check=True, capture_output=True,
                         text=True).stdout
    rows = list(csv.DictReader(io.StringIO(out)))
    loud = [i for i, row in enumerate(rows) if any(int(row["Channel%d" % k]) > DONT_CARE for k in range(20))]
    if not loud:
        raise SystemExit("%s: the analysis finds no word" % wav)
    word = rows[loud[0]:loud[-1] + 1]
    return loud[0], loud[-1], [int(row["FullBand"]) for row in word], [centroid(row) for row in word]


def centroid(row):
    """The level-weighted mean band of a frame, as the trainer tells hissing frames."""
    levels = [max(int(row["Channel%d" % k]), 0) for k in range(20)]
    return sum(k * v for k, v in enumerate(levels)) / sum(levels) if sum(levels) else 0


def hiss_ends(positions, codes, centroids):
    """Moves the start of a sound that follows a hissing one back to where
    the hiss ends: like a stop, a vowel after "s" starts late, since an "s"
    spoken alone is longer than inside the word."""
    for i in range(1, len(codes)):
        if codes[i - 1] not in HISSING or codes[i] in HISSING or codes[i] in STOPS:
            continue
        first = positions[i - 1]
        for f in range(first + MIN_FRAMES, positions[i]):
            if centroids[f] <= SPIRANT_LIMIT:
                positions[i] = f
                break
    return positions


def closures(positions, codes, levels):
    """Moves the start of each stop consonant back to its closure. Spoken
    alone, the prefix before a stop (the "s" of "spoon", the vowel of "cat")
    lasts longer than inside the word, so the stop would start late and the
    sound before it would take in the silence of the closure: the closure
    starts where the level falls by CLOSURE from one frame to the next (a
    sound fading out falls more slowly)."""
    for i in range(1, len(codes)):
        if codes[i] not in STOPS:
            continue
        first = positions[i - 1]
        for f in range(first + MIN_FRAMES, positions[i]):
            if levels[f] < levels[f - 1] - CLOSURE:
                positions[i] = f
                break
    return positions


def sounds_at(ends, begin, length):
    """Word-relative frames of the sounds. A prefix of a lone plosive or a
    quiet nasal may not rise above the onset level, and the closure and
    release of a final stop fall after the analysed word: every sound keeps
    at least MIN_FRAMES frames inside the word."""
    count = len(ends)
    if length < count * MIN_FRAMES:
        raise SystemExit("a word of %d frames is too short for %d sounds" % (length, count))
    positions = []
    for i, b in enumerate(ends):
        pos = max(0, b // FRAME - begin) if i else 0
        pos = min(pos, length - MIN_FRAMES * (count - i))
        if positions:
            pos = max(pos, positions[-1] + MIN_FRAMES)
        positions.append(pos)
    return positions


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


def button(path, label, colour, size="72x28"):
    """The four states of a button: normal, hover, pressed, disabled."""
    fills = [colour, colour, colour, "#9a9a9a"]
    mods = ["100", "125", "75", "100"]
    for i in range(4):
        subprocess.run(["convert", "-size", size, "xc:" + fills[i], "-modulate", mods[i],
                        "-fill", "#d0d0d0" if i == 3 else "white", "-font", "DejaVu-Sans-Bold", "-pointsize", "12",
                        "-gravity", "center", "-annotate", "+0+0", label,
                        "-type", "truecolor", "BMP3:%s%d.bmp" % (path, i)], check=True)


def checkbox(path, labels, colour):
    """A checkbox of len(labels) values: pressed and disabled, then normal
    and hover of each value (pictures 0, 1 and 2v + 2, 2v + 3)."""
    button(path + "_", labels[0], colour)
    for i in range(4):
        os.replace("%s_%d.bmp" % (path, i), "%s%d.bmp" % (path, i))
    for v in range(1, len(labels)):
        button(path + "_", labels[v], colour)
        os.replace("%s_0.bmp" % path, "%s%d.bmp" % (path, 2 * v + 2))
        os.replace("%s_1.bmp" % path, "%s%d.bmp" % (path, 2 * v + 3))
        for i in (2, 3):
            os.remove("%s_%d.bmp" % (path, i))


def pictures(out):
    pic = os.path.join(out, ".Pic")
    # Result pictures: a face from sad (mark 1) to happy (mark 5).
    colours = ["#c03030", "#d07020", "#d0b020", "#80b030", "#30a040"]
    for mark in range(1, 6):
        # The mouth: a curve bent up or down, drawn as a row of overlapping
        # dots (ImageMagick's stroked curves close on themselves and fray).
        smile = (mark - 3) * 12
        end, control = 84 - smile / 2, 84 + smile
        mouth = []
        for i in range(49):
            t = i / 48
            x = (1 - t) ** 2 * 36 + 2 * t * (1 - t) * 60 + t * t * 84
            y = (1 - t) ** 2 * end + 2 * t * (1 - t) * control + t * t * end
            mouth += ["-draw", "circle %.1f,%.1f %.1f,%.1f" % (x, y, x + 3, y)]
        subprocess.run(["convert", "-size", "120x120", "xc:#202020", "-fill", colours[mark - 1],
                        "-draw", "circle 60,60 60,8", "-fill", "black", "-draw", "circle 42,48 42,40",
                        "-draw", "circle 78,48 78,40"] + mouth + [
                        "-stroke", "none", "-fill", "white", "-font", "DejaVu-Sans-Bold", "-pointsize", "16",
                        "-gravity", "southeast", "-annotate", "+4+2", str(mark),
                        "-type", "truecolor", "BMP3:" + os.path.join(pic, "Mark%d.bmp" % mark)], check=True)
    subprocess.run([os.path.join(os.path.dirname(os.path.abspath(__file__)), "make_reward_frames.py")] +
                   [os.path.join(pic, "Mark%d.bmp" % mark) for mark in (4, 5)], check=True)
    buttons = os.path.join(pic, "Buttons")
    os.makedirs(buttons, exist_ok=True)
    button(os.path.join(buttons, "Listen"), "Listen", "#3f9b4b")
    button(os.path.join(buttons, "Stop"), "Stop", "#a03c3c")
    button(os.path.join(buttons, "Play"), "Teacher", "#2f6db5")
    button(os.path.join(buttons, "PlaySay"), "Me", "#6a4fa0")
    # Shown to a logged-in teacher only: keeps the last say in a pupil's folder.
    button(os.path.join(buttons, "Save"), "Keep", "#8a6d3b")
    checkbox(os.path.join(buttons, "Mode"), ["Bands", "Errors", "Volume", "Pitch"], "#2a8f8f")
    checkbox(os.path.join(buttons, "Switch"), ["Etalon", "Say"], "#b0902a")


ETALON = """// Etalon of "{word}" made by scripts/make_word_etalons.py with espeak-ng.
<vRecording_c> Obj = {{
  WavFileName = "{wav}";
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
  GuidePage = ".Guide/Words.htm";
  VISound = "{visound}";
  EtalonFile = "Words/{path}.dat";
  WavFileName = "Words/{path}.wav";
  EtalonPos = {{ x = 40; y = 40; }}
  SayPos = {{ x = 40; y = 230; }}
  CardPos = (660, 240);
  <vDxFileImage_c> BgImage = { FileName = ".Pic/Exercises/ExerciseBg.jpg"; }
  <vDxFileImage_c> ExImage = {{ FileName = "Words/.Pic/Bands.bmp"; }}
  <vDxFileImage_c> VolExImage = {{ FileName = "Words/.Pic/Volume.bmp"; }}
  <vDxFileImage_c> PitchExImage = {{ FileName = "Words/.Pic/Pitch.bmp"; }}
  StartBtn = {{ PosX = 40; PosY = 400;{start} }}
  StopBtn = {{ PosX = 120; PosY = 400;{stop} }}
  PlaybackBtn = {{ PosX = 200; PosY = 400;{play} }}
  PlaybackBtn2 = {{ PosX = 280; PosY = 400;{playsay} }}
  SaveSayBtn = {{ PosX = 360; PosY = 400;{save} }}
  OverloadPos = {{ x = 760; y = 410; }}
  DispErrBtn = {{ PosX = 480; PosY = 400; ImageCount = 10;{mode} }}
  ChActBtn = {{ PosX = 560; PosY = 400; ImageCount = 6;{switch} }}
  ResDisplay = {{
    PosX = 660; PosY = 80;
    ImageCount = 5;{marks}
  }}
}}
"""


def images(name, count, indent="\n      "):
    return "".join('%s_Images[%d] = {{ FileName = "Words/.Pic/%s%d.bmp"; }}' % (indent, i, name, i) for i in range(count))


def exercise_text(word, path, visound):
    marks = "".join('\n    _Images[%d] = {{ FileName = "Words/.Pic/Mark%d.bmp"; }}' % (m, m + 1) for m in range(5))
    return EXERCISE.format(word=word, path=path, visound=visound, start=images("Buttons/Listen", 4),
                           stop=images("Buttons/Stop", 4), play=images("Buttons/Play", 4),
                           playsay=images("Buttons/PlaySay", 4), save=images("Buttons/Save", 4), mode=images("Buttons/Mode", 10),
                           switch=images("Buttons/Switch", 6), marks=marks).replace("{{", "{").replace("}}", "}")


def card_picture(path, draw_middle, caption):
    """A 104 x 104 card picture (drawn in the middle of the default card)
    with a caption at the bottom, as a 24-bit BMP."""
    im = Image.new("RGB", (104, 104), "white")
    draw_middle(im)
    d = ImageDraw.Draw(im)
    font = ImageFont.truetype(LABEL_FONT, 15)
    w = d.textlength(caption, font=font)
    d.text(((104 - w) / 2, 83), caption, font=font, fill="black")
    im.save(path, "BMP")


def emoji_glyph(codepoint, size):
    """The emoji as an RGBA picture that fits a size x size square."""
    # Noto Color Emoji holds its bitmaps at 109 pixels only.
    glyph = Image.new("RGBA", (160, 160), (255, 255, 255, 0))
    ImageDraw.Draw(glyph).text((8, 8), chr(codepoint), font=ImageFont.truetype(EMOJI_FONT, 109),
                               embedded_color=True)
    box = glyph.getbbox()
    if box is None:
        raise SystemExit("no emoji U+%X in %s" % (codepoint, EMOJI_FONT))
    glyph = glyph.crop(box)
    glyph.thumbnail((size, size), Image.LANCZOS)
    return glyph


def emoji_picture(path, codepoint, caption):
    def middle(im):
        glyph = emoji_glyph(codepoint, 76)
        im.paste(glyph, ((104 - glyph.width) // 2, 4 + (76 - glyph.height) // 2), glyph)
    card_picture(path, middle, caption)


def folder_picture(path, letters, caption, colour):
    def middle(im):
        lines = letters.split("\n")
        font = ImageFont.truetype(LABEL_FONT, 44 if len(lines) == 1 else 26)
        ImageDraw.Draw(im).multiline_text((52, 42), letters, font=font, fill=colour, anchor="mm", align="center")
    card_picture(path, middle, caption)


def labelled_word(folder, name, word, codes, labels, voice, wav_name, out, analyze, lang, tmp):
    """Speaks the word into out/folder/name.wav and writes the definition
    file beside it, whose markers divide it into its sounds; returns the
    markers' frames."""
    base = os.path.join(out, folder, name)
    if synth(voice) == "espeak":
        speak(word, base + ".wav", voice)
        # Sample positions in the recording: espeak-ng's silence before the
        # word is the same whether it speaks the word or a prefix.
        ends = boundaries(word, len(codes), tmp, voice)
    else:
        ends = segment_ends(word, codes, base + ".wav", voice)
    begin, end, levels, centroids = word_section(base + ".wav", analyze, lang)
    positions = hiss_ends(closures(sounds_at(ends, begin, end - begin), codes, levels), codes, centroids)
    markers = ""
    for pos, code, label in zip(positions, codes, labels):
        markers += MARKER.format(label=label, code=code, pos=pos)
    with open(base + ".dat", "w") as f:
        f.write(ETALON.format(word=word, wav=wav_name, markers=markers))
    return positions


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    lang = os.path.join(root, "data", "english")
    parser = argparse.ArgumentParser(description="Makes the etalons of the bundled word exercises.")
    parser.add_argument("out", nargs="?", default=os.path.join(lang, "Words"))
    parser.add_argument("--recordings", help="only the labelled recordings, into this folder")
    parser.add_argument("--voice", default=ETALON_VOICE[0])
    parser.add_argument("--speed", type=int, default=ETALON_VOICE[1])
    parser.add_argument("--pitch", type=int, default=ETALON_VOICE[2])
    args = parser.parse_args()
    voice = (args.voice, args.speed, args.pitch)
    analyze = os.environ.get("LORVANO_ANALYZE", os.path.join(root, "build", "bin", "lorvano-analyze"))
    if not os.access(analyze, os.X_OK):
        raise SystemExit("%s is missing: build the project first (README), or name it in LORVANO_ANALYZE" % analyze)
    if args.recordings:
        labelled_recordings(args.recordings, voice, analyze, lang)
        return
    out = args.out
    os.makedirs(out, exist_ok=True)
    backgrounds(out)
    pictures(out)
    for folder, letters, caption, colour in FOLDERS:
        os.makedirs(os.path.join(out, folder), exist_ok=True)
        folder_picture(os.path.join(out, folder + ".bmp"), letters, caption, colour)
    with tempfile.TemporaryDirectory() as tmp:
        for folder, name, word, codes, labels, target, emoji in WORDS:
            path = folder + "/" + name if folder else name
            base = os.path.join(out, folder, name)
            positions = labelled_word(folder, name, word, codes, labels, voice, "Words/%s.wav" % path, out,
                                      analyze, lang, tmp)
            with open(base + ".exc", "w") as f:
                f.write(exercise_text(word, path, target))
            emoji_picture(base + ".bmp", emoji, word)
            print("%s: sounds at frames %s" % (path, positions))


if __name__ == "__main__":
    main()
