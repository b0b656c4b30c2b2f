#!/usr/bin/python3
"""Draws the mouth-position pictures of the bundled English course with
Pillow: for each trained sound a 600 x 400 picture with the mouth seen from
the front and from the side (lips, teeth, tongue, the way the air goes, and
whether the voice is on), the sound's name and a short note for the teacher;
a 104 x 104 card picture per sound, the folder's card picture, the
exercises' background, and the picture exercise of each sound
(data/english/Mouth/<Name>.exc). No outside material: every shape is drawn
here.

The output is committed; run this again only to change the pictures.
Everything is drawn at twice the size and scaled down, for smooth edges.
"""

import os
import textwrap

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "english")
PIC = os.path.join(ROOT, ".Pic", "Exercises", "Mouth")
FOLDER = os.path.join(ROOT, "Mouth")
BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
PLAIN = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
K = 2  # drawing scale

SKIN = (242, 200, 166)
SKIN_LINE = (150, 100, 70)
CAVITY = (255, 238, 230)
LIP = (214, 88, 102)
LIP_LINE = (140, 40, 55)
TONGUE = (236, 120, 140)
TONGUE_LINE = (150, 50, 70)
TOOTH = (255, 255, 250)
TOOTH_LINE = (120, 120, 120)
MOUTH_DARK = (90, 20, 36)
AIR = (40, 120, 220)
INK = (40, 40, 50)
VOICE = (230, 120, 0)

# Each sound: the file name, the big label, the example, the note for the
# teacher, whether the voice is on, and the mouth's shape.
#   side: jaw (how far the lower jaw drops), prot (lips pushed forward,
#         negative: spread), ul/ll (y of the upper lip's lower edge and the
#         lower lip's upper edge), lldx (lower lip drawn back, for f),
#         tongue (its upper surface from the tip back to the throat),
#         air (the air's paths from the lungs; the last one has the head).
#   front: lw, lh (lips' half width and height), ow, oh (the opening),
#          ut, lt (how much of the upper and lower teeth shows),
#          tongue (how much of the tongue shows at the bottom).
S_SIDE = dict(jaw=2, prot=0, ul=140, ll=151, lldx=0,
              tongue=[(88, 121), (100, 124), (128, 132), (168, 136), (206, 140), (228, 154)],
              air=[[(246, 276), (246, 150), (222, 118), (170, 112), (120, 114), (96, 114), (80, 136), (70, 148),
                    (-4, 150)]])
S_FRONT = dict(lw=80, lh=34, ow=58, oh=12, ut=12, lt=11, tongue=0)
SH_SIDE = dict(jaw=3, prot=10, ul=138, ll=153, lldx=0,
               tongue=[(100, 134), (112, 116), (140, 114), (180, 124), (214, 136), (228, 154)],
               air=[[(246, 276), (246, 150), (224, 112), (180, 100), (140, 98), (106, 108), (88, 132), (70, 148),
                     (-4, 148)]])
SH_FRONT = dict(lw=58, lh=42, ow=30, oh=20, ut=14, lt=12, tongue=0)
SOUNDS = [
    dict(name="S", label="s", example="as in sun", voice=False,
         note="Teeth together, lips a little apart. The tongue tip sits just behind the top teeth. "
              "Blow a thin stream of air over the middle of the tongue, out between the teeth.",
         side=S_SIDE, front=S_FRONT),
    dict(name="Sh", label="sh", example="as in ship", voice=False,
         note="Lips round and pushed forward, teeth close together. The tongue tip is a little further back "
              "than for s and the tongue is lifted. A wide, soft stream of air.",
         side=SH_SIDE, front=SH_FRONT),
    dict(name="Z", label="z", example="as in zoo", voice=True,
         note="The mouth as for s: teeth together, the tongue tip just behind the top teeth. "
              "Now turn the voice on: the sound buzzes (feel it on the throat).",
         side=S_SIDE, front=S_FRONT),
    dict(name="F", label="f", example="as in fish", voice=False,
         note="The top teeth rest gently on the lower lip. Blow the air out between the teeth and "
              "the lip; the tongue stays low and relaxed.",
         side=dict(jaw=2, prot=0, ul=130, ll=146, lldx=9,
                   tongue=[(84, 158), (110, 150), (150, 146), (190, 144), (220, 150), (230, 162)],
                   air=[[(246, 276), (246, 160), (222, 124), (170, 114), (120, 120), (92, 134), (76, 144),
                         (66, 150), (-4, 158)]]),
         front=dict(S_FRONT, ut=24, lt=0, lip_under=True)),
    dict(name="Ch", label="ch", example="as in chair", voice=False,
         note="Lips round and forward as for sh. The tongue tip presses behind the top teeth, "
              "then lets go with a short puff of air: t and sh together.",
         side=dict(SH_SIDE, tongue=[(85, 112), (100, 107), (140, 118), (180, 128), (214, 138), (228, 154)],
                   air=[[(246, 276), (246, 150), (224, 110), (180, 96), (120, 96), (104, 100)],
                        [(80, 132), (70, 146), (-4, 148)]]),
         front=SH_FRONT),
    dict(name="A", label="a", example="as in father", voice=True,
         note="Mouth open wide, the jaw drops down. The tongue lies low and flat in the mouth. "
              "Voice on: say a long \"aaa\".",
         side=dict(jaw=30, prot=0, ul=132, ll=184, lldx=0,
                   tongue=[(90, 196), (120, 188), (160, 180), (200, 176), (222, 180), (230, 196)],
                   air=[[(246, 276), (246, 176), (220, 150), (160, 148), (100, 156), (60, 158), (-4, 160)]]),
         front=dict(lw=66, lh=64, ow=48, oh=48, ut=10, lt=8, tongue=22)),
    dict(name="Ee", label="ee", example="as in see", voice=True,
         note="Lips spread in a wide smile, teeth nearly together. The front of the tongue is high, "
              "close to the roof of the mouth; the tip rests behind the lower teeth. Voice on.",
         side=dict(jaw=5, prot=-5, ul=139, ll=152, lldx=0,
                   tongue=[(84, 166), (98, 130), (118, 106), (146, 99), (184, 112), (216, 136), (228, 154)],
                   air=[[(246, 276), (246, 160), (230, 128), (206, 108), (160, 92), (122, 92), (100, 106),
                         (84, 130), (72, 146), (-4, 148)]]),
         front=dict(lw=94, lh=28, ow=78, oh=9, ut=9, lt=7, tongue=0)),
    dict(name="Oo", label="oo", example="as in moon", voice=True,
         note="Lips small, round and pushed far forward, as for a kiss. The back of the tongue is "
              "high, the tip low. Voice on: a long \"ooo\".",
         side=dict(jaw=8, prot=14, ul=140, ll=156, lldx=0,
                   tongue=[(92, 172), (120, 154), (160, 124), (196, 104), (222, 112), (232, 140)],
                   air=[[(246, 276), (246, 150), (238, 112), (212, 96), (160, 108), (110, 130), (80, 144),
                         (60, 148), (-4, 148)]]),
         front=dict(lw=44, lh=40, ow=14, oh=15, ut=0, lt=0, tongue=0)),
]


def font(path, size):
    return ImageFont.truetype(path, size * K)


def chaikin(points, rounds=3, closed=True):
    """Rounds the corners of a polygon by corner cutting."""
    for _ in range(rounds):
        out = []
        n = len(points)
        for i in range(n if closed else n - 1):
            (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
            out.append((0.75 * x0 + 0.25 * x1, 0.75 * y0 + 0.25 * y1))
            out.append((0.25 * x0 + 0.75 * x1, 0.25 * y0 + 0.75 * y1))
        if not closed:
            out = [points[0]] + out + [points[-1]]
        points = out
    return points


class Panel:
    """Maps a drawing's own units onto the picture: origin and scale."""

    def __init__(self, draw, x, y, scale):
        self.draw, self.x, self.y, self.s = draw, x, y, scale

    def p(self, x, y):
        return (self.x + x * self.s * K, self.y + y * self.s * K)

    def poly(self, points, fill, outline=None, width=2, smooth=3):
        pts = [self.p(x, y) for x, y in (chaikin(points, smooth) if smooth else points)]
        self.draw.polygon(pts, fill=fill)
        if outline:
            self.draw.line(pts + [pts[0]], fill=outline, width=int(width * K * self.s + 0.5), joint="curve")

    def ellipse(self, cx, cy, rx, ry, fill, outline=None, width=2):
        self.draw.ellipse([self.p(cx - rx, cy - ry), self.p(cx + rx, cy + ry)], fill=fill, outline=outline,
                          width=max(1, int(width * K * self.s + 0.5)))

    def text(self, text, at, fill):
        self.draw.text(self.p(*at), text, font=font(BOLD, max(9, int(13 * self.s + 0.5))), fill=fill, anchor="mm")

    def line(self, points, fill, width, smooth=2):
        pts = [self.p(x, y) for x, y in (chaikin(points, smooth, closed=False) if smooth else points)]
        self.draw.line(pts, fill=fill, width=int(width * K * self.s + 0.5), joint="curve")


def arrow(panel, points, colour, width=4, head=True):
    """The air's path: a dashed line with a head at its end."""
    pts = chaikin(points, 3, closed=False)
    run, on = 0.0, True
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        if on:
            panel.line([(x0, y0), (x1, y1)], colour, width, smooth=0)
        run += ((x1 - x0) ** 2 + (y1 - y0) ** 2) ** 0.5
        if run > 7:
            run, on = 0.0, not on
    if not head:
        return
    (x0, y0), (x1, y1) = pts[-6], pts[-1]
    length = ((x1 - x0) ** 2 + (y1 - y0) ** 2) ** 0.5 or 1.0
    ux, uy = (x1 - x0) / length, (y1 - y0) / length
    head = [(x1 + ux * 6, y1 + uy * 6), (x1 - ux * 10 - uy * 8, y1 - uy * 10 + ux * 8),
            (x1 - ux * 10 + uy * 8, y1 - uy * 10 - ux * 8)]
    panel.poly(head, colour, smooth=0)


SIDE_BOX = (-14, 50, 276, 270)  # the part of the side view that is shown


def side_view(panel, side, voice):
    """The head cut in half, looking at its left side: the face points left.
    Units: SIDE_BOX."""
    jaw, prot, ul, ll, lldx = side["jaw"], side["prot"], side["ul"], side["ll"], side["lldx"]
    front = 40 - prot
    # Head and neck, the nose on top.
    panel.poly([(76, -10), (66, 16), (46, 42), (30, 58), (28, 64), (34, 70), (46, 74), (58, 80), (52, 92),
                (front, 118), (front + 4, ul), (front + 4 + lldx, ll), (front - 2 + lldx, ll + 16),
                (54 + lldx // 2, ll + 30), (60, 198 + jaw), (46, 222 + jaw), (64, 252 + jaw), (140, 264 + jaw),
                (178, 300), (300, 300), (300, -10)], SKIN, SKIN_LINE, smooth=2)
    # The air space of the mouth and throat.
    panel.poly([(front + 6, ul + 1), (64, ul - 8), (74, 110), (86, 110), (102, 104), (132, 90), (170, 84),
                (206, 90), (230, 114), (236, 132), (244, 130), (254, 140), (256, 300), (236, 300),
                (200, 250), (150, 220 + jaw), (94, 204 + jaw), (70 + lldx, ll + 12), (front + 6 + lldx, ll)],
               CAVITY, smooth=2)
    # The roof of the mouth, drawn firmly: the tongue works against it.
    panel.line([(72, 110), (86, 110), (102, 104), (132, 90), (170, 84), (206, 90), (230, 114), (238, 134)],
               SKIN_LINE, 3)
    # Tongue: its upper surface as given, then the root and the floor of the mouth.
    top = side["tongue"]
    (tx, ty), (bx, by) = top[0], top[-1]
    panel.poly(top + [(bx + 4, by + 40), (238, 300), (200, 300), (150, 224 + jaw), (118, 204 + jaw),
                      (tx + 16, ty + 30), (tx + 4, ty + 8)], TONGUE, TONGUE_LINE, smooth=2)
    panel.text("tongue", (top[2][0] + 20, top[2][1] + 34), (255, 255, 255))
    # Teeth: the top front tooth, and the bottom one on the jaw.
    panel.poly([(72, 104), (88, 106), (80, 146), (66, 146)], TOOTH, TOOTH_LINE, smooth=1)
    d = jaw
    panel.poly([(67 + d * 0.2, 150 + d), (80 + d * 0.2, 148 + d), (90 + d * 0.2, 188 + d),
                (74 + d * 0.2, 190 + d)], TOOTH, TOOTH_LINE, smooth=1)
    # Lips over the teeth.
    panel.poly([(58, 82), (50, 98), (front, 118), (front + 4, ul), (front + 16, ul + 2), (70, ul - 6),
                (68, 104)], LIP, LIP_LINE, smooth=2)
    panel.poly([(front + 4 + lldx, ll), (front + 16 + lldx, ll - 2), (72 + lldx, ll + 4), (70 + lldx, ll + 22),
                (56 + lldx // 2, ll + 30), (front - 2 + lldx, ll + 16)], LIP, LIP_LINE, smooth=2)
    paths = side["air"]
    for path in paths[:-1]:
        arrow(panel, path, AIR, head=False)
    arrow(panel, paths[-1], AIR)
    panel.text("air", (paths[-1][-1][0] + 14, paths[-1][-1][1] - 12), AIR)
    if voice:
        # The voice buzzes in the throat.
        zig = [(263 + (5 if i % 2 else -5), 206 + i * 7) for i in range(9)]
        panel.line(zig, VOICE, 4, smooth=0)


def front_view(panel, front):
    """The mouth seen from the front, in a 240 x 200 box."""
    cx, cy = 120, 104
    panel.ellipse(cx, cy - 10, 118, 100, SKIN, SKIN_LINE, 2)
    panel.ellipse(cx - 14, 26, 7, 4, (150, 90, 70))
    panel.ellipse(cx + 14, 26, 7, 4, (150, 90, 70))
    panel.ellipse(cx, cy, front["lw"], front["lh"], LIP, LIP_LINE, 3)
    ow, oh = front["ow"], front["oh"]
    # The opening, with what shows inside it, clipped to its outline.
    box = [panel.p(cx - ow, cy - oh), panel.p(cx + ow, cy + oh)]
    w, h = int(box[1][0] - box[0][0]) + 1, int(box[1][1] - box[0][1]) + 1
    inside = Image.new("RGB", (w, h), MOUTH_DARK)
    d = ImageDraw.Draw(inside)
    unit = panel.s * K
    if front["tongue"]:
        d.ellipse([w * 0.12, h - front["tongue"] * unit, w * 0.88, h + front["tongue"] * unit], fill=TONGUE,
                  outline=TONGUE_LINE, width=int(2 * unit))
    for rows, top in ((front["ut"], True), (front["lt"], False)):
        if not rows:
            continue
        band = rows * unit
        y0, y1 = (0, band) if top else (h - band, h)
        d.rectangle([0, y0, w, y1], fill=TOOTH)
        for k in range(1, 8):
            x = w / 2 + (k // 2) * (w / 7) * (1 if k % 2 else -1)
            d.line([(x, y0), (x, y1)], fill=TOOTH_LINE, width=max(1, int(unit)))
        d.line([(0, y1 if top else y0), (w, y1 if top else y0)], fill=TOOTH_LINE, width=max(1, int(unit)))
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).ellipse([0, 0, w - 1, h - 1], fill=255)
    panel.draw._image.paste(inside, (int(box[0][0]), int(box[0][1])), mask)
    if front.get("lip_under"):
        # The lower lip comes up under the top teeth.
        panel.ellipse(cx, cy + oh + 4, ow + 4, oh * 0.9, LIP, LIP_LINE, 2)


def picture(sound):
    image = Image.new("RGB", (600 * K, 400 * K), (255, 250, 240))
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle([4 * K, 4 * K, 596 * K - 1, 396 * K - 1], radius=14 * K, outline=(200, 170, 130),
                           width=3 * K)
    draw.text((22 * K, 10 * K), sound["label"], font=font(BOLD, 48), fill=(200, 60, 40))
    label_width = draw.textlength(sound["label"], font=font(BOLD, 48))
    draw.text((22 * K + label_width + 14 * K, 30 * K), sound["example"], font=font(BOLD, 22), fill=INK)
    # Voice on or off, top right.
    on = sound["voice"]
    badge = [432 * K, 18 * K, 580 * K, 52 * K]
    draw.rounded_rectangle(badge, radius=12 * K, fill=(255, 226, 170) if on else (225, 232, 240),
                           outline=VOICE if on else (120, 130, 150), width=2 * K)
    draw.text(((badge[0] + badge[2]) / 2, (badge[1] + badge[3]) / 2), "voice on" if on else "no voice, only air",
              font=font(BOLD, 14 if not on else 16), fill=INK, anchor="mm")
    small = font(PLAIN, 13)
    draw.text((30 * K, 76 * K), "front", font=small, fill=(130, 120, 110))
    front_view(Panel(draw, 30 * K, 96 * K, 1.05), sound["front"])
    # The side view in a frame of its own.
    scale = 0.94
    x0, y0, x1, y1 = SIDE_BOX
    size = (int((x1 - x0) * scale * K), int((y1 - y0) * scale * K))
    side = Image.new("RGB", size, (255, 250, 240))
    side_view(Panel(ImageDraw.Draw(side), -x0 * scale * K, -y0 * scale * K, scale), sound["side"], on)
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, size[0] - 1, size[1] - 1], radius=12 * K, fill=255)
    at = (308 * K, 64 * K)
    image.paste(side, at, mask)
    draw.rounded_rectangle([at[0], at[1], at[0] + size[0] - 1, at[1] + size[1] - 1], radius=12 * K,
                           outline=(200, 170, 130), width=2 * K)
    draw.text((316 * K, 70 * K), "side", font=small, fill=(130, 120, 110))
    # The teacher's note, under a thin rule.
    draw.line([(22 * K, 312 * K), (578 * K, 312 * K)], fill=(220, 200, 170), width=2 * K)
    note = font(PLAIN, 15)
    lines = textwrap.wrap(sound["label"] + ": " + sound["note"], 70)
    while max(draw.textlength(t, font=note) for t in lines) > 556 * K:
        lines = textwrap.wrap(sound["label"] + ": " + sound["note"], len(lines[0]) - 3)
    for i, text in enumerate(lines):
        draw.text((22 * K, (320 + i * 20) * K), text, font=note, fill=INK)
    return image.resize((600, 400), Image.LANCZOS)


def card(front, label):
    """A 104 x 104 card picture: the mouth from the front and its name."""
    image = Image.new("RGB", (104 * K, 104 * K), (255, 255, 255))
    draw = ImageDraw.Draw(image)
    front_view(Panel(draw, 4 * K, 2 * K, 0.4), front)
    draw.text((52 * K, 92 * K), label, font=font(BOLD, 17), fill=INK, anchor="mm")
    return image.resize((104, 104), Image.LANCZOS)


def background():
    image = Image.new("RGB", (800, 600))
    draw = ImageDraw.Draw(image)
    for y in range(600):
        t = y / 599
        draw.line([(0, y), (799, y)], fill=(int(42 + t * 149), int(122 + t * 108), int(90 + t * 120)))
    draw.text((400, 26), "Look at the mouth, then make the sound", font=ImageFont.truetype(BOLD, 26),
              fill=(255, 255, 255), anchor="mm")
    return image


EXERCISE = """// Mouth picture: how lips, teeth and tongue make "{label}" ({example}).
// Made by scripts/make_mouth_pictures.py.
<vTrImgExercise_c> Obj = {{
    GuidePage = ".Guide/Pictures.htm";
    <vDxFileImage_c> BgImage = {{ FileName = ".Pic/Exercises/Mouth/MouthBg.jpg"; }}
    <vDxFileImage_c> ExImage = {{ FileName = ".Pic/Exercises/Mouth/{name}.jpg"; }}
    DispPos = (60, 60);
    CardPos = (660, 460);
}}
"""


def bmp(image, path):
    image.convert("RGB").save(path, "BMP")


def main():
    os.makedirs(PIC, exist_ok=True)
    os.makedirs(FOLDER, exist_ok=True)
    background().save(os.path.join(PIC, "MouthBg.jpg"), quality=90)
    for sound in SOUNDS:
        picture(sound).save(os.path.join(PIC, sound["name"] + ".jpg"), quality=92)
        bmp(card(sound["front"], sound["label"]), os.path.join(FOLDER, sound["name"] + ".bmp"))
        with open(os.path.join(FOLDER, sound["name"] + ".exc"), "w") as exercise:
            exercise.write(EXERCISE.format(**sound))
    smile = next(s for s in SOUNDS if s["name"] == "Ee")["front"]
    bmp(card(smile, "Mouth"), os.path.join(ROOT, "Mouth.bmp"))


if __name__ == "__main__":
    main()
