#!/usr/bin/env bash
# Draws the card pictures of the bundled English card menus with ImageMagick:
# the frames of the default cards (folder, exercise file, back) and the
# pictures of the top-level folders. The output is committed; run this again
# only to change them. Pictures are 24-bit uncompressed BMP drawn for
# 800 x 600.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
lang=$root/data/english
cards=$lang/.Pic/Cards
mkdir -p "$cards"
font=DejaVu-Sans-Bold

# Four states of a 120 x 120 card frame: normal, hover, pressed, disabled.
# The middle (8 pixels in) is white; the picture or the name goes there.
frame() {  # name colour
    local name=$1 colour=$2
    local -a fills=("$colour" "#f0c020" "$colour" "#a0a0a0")
    local -a mods=(100 100 70 100)
    for i in 0 1 2 3; do
        convert -size 120x120 "xc:${fills[$i]}" -modulate "${mods[$i]}" \
            -fill white -stroke "#404040" -strokewidth 1 -draw "roundrectangle 7,7 112,112 6,6" \
            -type truecolor "BMP3:$cards/$name$i.bmp"
    done
}
frame File "#3f7fc0"
frame Folder "#3f9b4b"

# The back card: an arrow to the left and "Back".
for i in 0 1 2 3; do
    fills=("#c07a20" "#f0c020" "#8a5a18" "#a0a0a0")
    convert -size 120x120 "xc:${fills[$i]}" \
        -fill white -stroke "#404040" -strokewidth 1 -draw "roundrectangle 7,7 112,112 6,6" \
        -fill "#c07a20" -stroke none -draw "polygon 22,50 52,22 52,38 96,38 96,62 52,62 52,78" \
        -fill black -font $font -pointsize 18 -gravity south -annotate +0+14 "Back" \
        -type truecolor "BMP3:$cards/Back$i.bmp"
done

# A top-level folder's picture: 104 x 104, drawn in the middle of the
# default folder card; the folder's name at the bottom.
folder_picture() {  # name label draw-commands...
    local name=$1 label=$2; shift 2
    convert -size 104x104 xc:white "$@" \
        -fill black -stroke none -font $font -pointsize 15 -gravity south -annotate +0+4 "$label" \
        -type truecolor "BMP3:$lang/$name.bmp"
}
folder_picture Voice "Voice" -fill "#3f7fc0" -stroke none \
    -draw "rectangle 14,46 20,58" -draw "rectangle 26,34 32,70" -draw "rectangle 38,22 44,82" \
    -draw "rectangle 50,30 56,74" -draw "rectangle 62,40 68,64" -draw "rectangle 74,28 80,76" \
    -draw "rectangle 86,44 92,60"
folder_picture Sounds "Sounds" -fill "#6a4fa0" -stroke none \
    -draw "polygon 20,36 36,36 56,18 56,82 36,64 20,64" \
    -fill none -stroke "#6a4fa0" -strokewidth 4 -draw "arc 50,30 74,70 -60,60" -draw "arc 52,18 90,82 -60,60"
folder_picture Words "Words" -fill "#c07a20" -stroke none -font $font -pointsize 44 \
    -gravity center -annotate +0-10 "Aa"
folder_picture Teacher "Teacher" -fill "#3f9b4b" -stroke "#404040" -draw "rectangle 14,14 90,64" \
    -fill white -stroke none -font $font -pointsize 14 -gravity north -annotate +0+24 "a b c" \
    -stroke "#8a5a18" -strokewidth 4 -draw "line 40,66 30,82" -draw "line 64,66 74,82"

# The card menus' background: a sky with the sun and clouds over green
# hills, 800 x 600. The cards stand on the sky, the drawer and the folder's
# own card on the hills.
convert -size 800x600 gradient:"#a8dcff"-"#eef9ff" \
    -fill "#fff3b0" -draw "circle 724,84 724,24" -fill "#ffd84a" -draw "circle 724,84 724,40" \
    -fill white -draw "ellipse 560,70 46,18 0,360" -draw "ellipse 600,58 36,20 0,360" \
    -draw "ellipse 530,78 30,12 0,360" -draw "ellipse 250,40 40,14 0,360" -draw "ellipse 284,32 30,16 0,360" \
    -fill "#9fd98f" -draw "ellipse 180,640 420,150 0,360" \
    -fill "#7cc873" -draw "ellipse 640,660 380,170 0,360" \
    -quality 90 "$cards/MenuBg.jpg"

# The language's own cards on the home screen are larger (180 x 180): the
# folder's picture, half as large again, in a green frame. Each has a card
# file beside its folder (Name.crd) that names its four pictures.
home=$cards/Home
mkdir -p "$home"
for name in Mouth Sounds Teacher Voice Words; do
    fills=("#3f9b4b" "#f0c020" "#3f9b4b" "#a0a0a0")
    mods=(100 100 70 100)
    for i in 0 1 2 3; do
        convert -size 180x180 "xc:${fills[$i]}" -modulate "${mods[$i]}" \
            -fill white -stroke "#404040" -strokewidth 1 -draw "roundrectangle 9,9 170,170 8,8" \
            \( "$lang/$name.bmp" -filter Lanczos -resize 156x156 \) -gravity center -compose over -composite \
            -type truecolor "BMP3:$home/$name$i.bmp"
    done
    {
        echo "// The home screen's card of the $name folder (scripts/make_cards.sh)."
        echo "<vTrExLoadBtn_c> Obj = {"
        for i in 0 1 2 3; do echo "    _Images[$i] = { FileName = \".Pic/Cards/Home/$name$i.bmp\"; }"; done
        echo "}"
    } > "$lang/$name.crd"
done
