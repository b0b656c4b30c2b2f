#!/usr/bin/env bash
# Draws the pictures of the bundled editor exercise (data/english/Teacher):
# its background with the three take panels and its buttons, with
# ImageMagick. The output is committed; run this again only to change them.
# Buttons are 24-bit BMP, 72 x 28: normal, hover, pressed, disabled, then for
# a checkbox normal and hover of each further value.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pic=$root/data/english/Teacher/.Pic
mkdir -p "$pic/Buttons"
font=DejaVu-Sans-Bold

bmp() { convert "${@:1:$#-1}" -type truecolor "BMP3:${@: -1}"; }

# button file text fill
button() { bmp -size 72x28 "xc:$3" -fill white -font $font -pointsize 11 -gravity center -annotate +0+0 "$2" "$1"; }
# state-set base text colour: the four pictures of one button.
states() {
    button "$pic/Buttons/${1}0.bmp" "$2" "$3"
    button "$pic/Buttons/${1}1.bmp" "$2" "#e07a1a"
    button "$pic/Buttons/${1}2.bmp" "$2" "#803d00"
    button "$pic/Buttons/${1}3.bmp" "$2" "#8a8a8a"
}
states Save "Save" "#2a6a3a"
states Load "Open" "#2a4a7a"
states Edit "Marker" "#5a3a7a"
states Auto "Segment" "#5a3a7a"

# checkbox base colour text0 text1 text2
checkbox() {
    states "$1" "$3" "$2"
    button "$pic/Buttons/${1}4.bmp" "$4" "$2"
    button "$pic/Buttons/${1}5.bmp" "$4" "#e07a1a"
    button "$pic/Buttons/${1}6.bmp" "$5" "$2"
    button "$pic/Buttons/${1}7.bmp" "$5" "#e07a1a"
}
checkbox Take "#7a2a2a" "Take 1" "Take 2" "Take 3"
checkbox View "#2a5a6a" "Bands" "Volume" "Pitch"

# Background: title, the three take panels' labels and the results column.
convert -size 800x600 gradient:"#2a3a4a"-"#6a7a8a" -fill white -font $font -pointsize 20 \
    -annotate +45+22 "Record a word three times" -pointsize 13 \
    -annotate +10+80 "1" -annotate +10+200 "2" -annotate +10+320 "3" \
    -annotate +655+120 "1 - 2" -annotate +655+240 "2 - 3" -annotate +680+190 "3 - 1" \
    -type truecolor "BMP3:$pic/Background.bmp"

# The recorder in colour: its background, and the ruled panel drawn under
# each of the three takes (600 x 100, a faint line every 25 rows).
convert -size 800x600 gradient:"#3a2a4a"-"#8a7a9a" -fill white -font $font -pointsize 20 \
    -annotate +45+22 "Record a word: voice and hiss in colour" -pointsize 13 \
    -annotate +10+80 "1" -annotate +10+200 "2" -annotate +10+320 "3" \
    -annotate +655+120 "1 - 2" -annotate +655+240 "2 - 3" -annotate +680+190 "3 - 1" \
    -type truecolor "BMP3:$pic/Background2.bmp"
convert -size 600x100 xc:"#f4f2f8" -stroke "#d4d0e0" -draw "line 0,25 599,25" -draw "line 0,50 599,50" \
    -draw "line 0,75 599,75" -type truecolor "BMP3:$pic/Take.bmp"

# Card pictures of the two recorders (104 x 104): three takes, and their names.
recorder_card() {  # name label colour-of-the-bars
    local -a bars=()
    for row in 0 1 2; do
        local y=$((12 + row * 22))
        bars+=(-fill "#e8e8f0" -stroke "#606070" -draw "rectangle 10,$y 94,$((y + 16))" -stroke none
               -fill "$3" -draw "rectangle $((20 + row * 4)),$((y + 4)) $((60 + row * 4)),$((y + 12))")
    done
    convert -size 104x104 xc:white "${bars[@]}" -fill black -font $font -pointsize 14 -gravity south \
        -annotate +0+4 "$2" -type truecolor "BMP3:$root/data/english/Teacher/$1.bmp"
}
recorder_card Recorder "Recorder" "#606070"
recorder_card Colours "In colour" "#d04a8a"
