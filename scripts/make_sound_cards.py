#!/usr/bin/env python3
"""Draws the card pictures of the sustained-sound exercises
(data/english/Sounds/<exercise>.bmp): an emoji for the key word, the sound in
large letters and "as in <word>" below, so that a child picks the card by its
picture and the teacher reads which sound it trains. The same emoji font and
caption font as the word cards (see make_word_etalons.py and CREDITS.md).
The output is committed; run this again only to change the cards."""

import os

from PIL import Image, ImageDraw, ImageFont

from make_word_etalons import LABEL_FONT, emoji_glyph

# exercise, sound as written for the teacher, key word, its emoji; the
# captions of the exercises' own level pictures (make_sound_pictures.sh) agree.
SOUNDS = [
    ("S_s", "s", "sun", 0x1F31E),
    ("S_sh", "sh", "ship", 0x1F6A2),
    ("S_z", "z", "zoo", 0x1F993),
    ("S_f", "f", "fish", 0x1F41F),
    ("V_a", "a", "father", 0x1F468),
    ("V_i", "ee", "see", 0x1F440),
    ("V_u", "oo", "moon", 0x1F319),
]


def centred(draw, y, text, font, fill):
    width = draw.textlength(text, font=font)
    draw.text(((104 - width) / 2, y), text, font=font, fill=fill)


def sound_card(path, sound, word, codepoint):
    """A 104 x 104 card picture as a 24-bit BMP, like the word cards."""
    im = Image.new("RGB", (104, 104), "white")
    glyph = emoji_glyph(codepoint, 54)
    im.paste(glyph, ((104 - glyph.width) // 2, 3 + (54 - glyph.height) // 2), glyph)
    draw = ImageDraw.Draw(im)
    centred(draw, 57, sound, ImageFont.truetype(LABEL_FONT, 24), "#6a4fa0")
    centred(draw, 86, "as in " + word, ImageFont.truetype(LABEL_FONT, 12), "black")
    im.save(path, "BMP")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = os.path.join(root, "data", "english", "Sounds")
    for name, sound, word, codepoint in SOUNDS:
        sound_card(os.path.join(folder, name + ".bmp"), sound, word, codepoint)


if __name__ == "__main__":
    main()
