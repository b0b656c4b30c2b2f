#!/usr/bin/env bash
# Draws the pictures of the bundled voice exercises (loudness, pitch, the
# giraffe whose neck grows with the tone, the mouth picture), the control
# buttons and the result pictures, with ImageMagick. The output is committed;
# run this again only to change them. Drawn for the 800 x 600 design size:
# backgrounds and display pictures as JPEG, sprites and buttons as 24-bit
# BMP whose transparent key colour is pure magenta (#ff00ff).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pic=$root/data/english/.Pic/Exercises
mkdir -p "$pic/Voice" "$pic/Buttons" "$pic/Result"
font=DejaVu-Sans-Bold
key="#ff00ff"

# bmp convert-arguments... output-file
bmp() { convert "${@:1:$#-1}" -type truecolor "BMP3:${@: -1}"; }

# Backgrounds: a title over a soft gradient, the display area left free.
background() {  # file title top bottom
    convert -size 800x600 "gradient:$3-$4" -fill white -font $font -pointsize 26 \
        -gravity north -annotate +0+8 "$2" -quality 88 "$pic/Voice/$1"
}
background AmpBg.jpg "Loud and quiet" "#3a6ea5" "#a9cbe8"
background PitchBg.jpg "High and low" "#5a3a8a" "#c9b6e4"
background GiraffeBg.jpg "Make the giraffe grow" "#c8842a" "#f3d9a4"
background MouthBg.jpg "Open your mouth wide: aaa" "#2a7a5a" "#bfe6d2"

# Loudness display, 600 x 400: sky over grass, faint level lines every 100 pixels.
convert -size 600x400 gradient:"#0b1d3a"-"#1f4f7a" \
    -fill "#1f6b2a" -draw "rectangle 0,360 599,399" \
    -stroke "#ffffff30" -draw "line 0,100 599,100" -draw "line 0,200 599,200" -draw "line 0,300 599,300" \
    -quality 88 "$pic/Voice/AmpEx.jpg"
# The bird that rides on the loudness line, hot spot in its middle.
bmp -size 24x24 "xc:$key" -fill "#ffd23a" -stroke "#7a4a00" -draw "ellipse 12,13 9,7 0,360" \
    -fill "#ff8a00" -stroke none -draw "polygon 20,12 24,14 20,16" \
    -fill black -draw "circle 16,11 17,11" -fill "#f0b020" -draw "ellipse 9,13 5,3 0,360" \
    "$pic/Voice/Bird.bmp"

# Pitch display, 600 x 400: a music staff whose lines mark octaves.
convert -size 600x400 xc:"#101018" -stroke "#5a5a80" -strokewidth 1 \
    -draw "line 0,67 599,67" -draw "line 0,133 599,133" -draw "line 0,200 599,200" \
    -draw "line 0,267 599,267" -draw "line 0,333 599,333" \
    -quality 88 "$pic/Voice/PitchEx.jpg"
bmp -size 20x20 "xc:$key" -fill "#f4f4ff" -stroke "#303060" -draw "ellipse 8,14 7,5 0,360" \
    -stroke "#f4f4ff" -strokewidth 2 -draw "line 14,13 14,1" "$pic/Voice/Note.bmp"

# The giraffe: a savanna scene, a head and a long spotted neck.
convert -size 600x450 gradient:"#8fd0f0"-"#f6e6b0" -fill "#d9b45a" -draw "rectangle 0,380 599,449" \
    -fill "#3f7a2a" -draw "ellipse 80,360 60,40 0,360" -draw "ellipse 520,350 70,45 0,360" \
    -fill "#6a4a2a" -draw "rectangle 75,360 85,400" -draw "rectangle 515,350 525,400" \
    -quality 88 "$pic/Voice/GiraffeEx.jpg"
bmp -size 90x64 "xc:$key" -fill "#e8b64a" -stroke "#7a5220" -strokewidth 2 \
    -draw "ellipse 40,36 34,22 0,360" -draw "roundrectangle 56,26 88,50 8,8" \
    -fill "#7a5220" -draw "line 26,14 22,2" -draw "line 40,14 42,2" -draw "circle 22,2 24,2" -draw "circle 42,2 44,2" \
    -fill black -stroke none -draw "circle 48,30 51,30" -draw "circle 82,42 84,42" \
    -fill "#a0602a" -draw "circle 22,36 27,36" -draw "circle 34,46 38,46" \
    "$pic/Voice/GiraffeHead.bmp"
spots=()
for y in 20 70 120 170 220 270 320 370 420 470; do spots+=(-draw "ellipse 12,$y 6,9 0,360" -draw "ellipse 26,$((y + 25)) 5,8 0,360"); done
bmp -size 36x500 "xc:$key" -fill "#e8b64a" -stroke "#7a5220" -strokewidth 2 -draw "rectangle 2,0 33,499" \
    -stroke none -fill "#a0602a" "${spots[@]}" "$pic/Voice/GiraffeNeck.bmp"

# The picture of the mouth exercise, 500 x 340.
convert -size 500x340 xc:"#fff6e8" -fill "#e07a7a" -stroke "#8a2a2a" -strokewidth 4 \
    -draw "ellipse 250,160 150,110 0,360" -fill "#5a1010" -draw "ellipse 250,170 110,70 0,360" \
    -fill white -stroke none -draw "rectangle 170,108 330,126" -fill "#d04a5a" -draw "ellipse 250,220 60,22 0,360" \
    -fill "#303030" -font $font -pointsize 28 -gravity south -annotate +0+10 "aaa" \
    -quality 88 "$pic/Voice/Mouth.jpg"

# Control buttons, 16 x 16: normal, hover, pressed, disabled (the tone
# switch also on: normal and hover).
button() {  # name draw-commands...
    local name=$1; shift
    local -a fills=("#d8d8d8" "#ffffff" "#a8a8a8" "#d8d8d8")
    for i in 0 1 2 3; do
        local ink=black; [ $i -eq 3 ] && ink="#9a9a9a"
        bmp -size 16x16 "xc:${fills[$i]}" -fill none -stroke "#505050" -draw "rectangle 0,0 15,15" \
            -fill "$ink" -stroke "$ink" "$@" "$pic/Buttons/$name$i.bmp"
    done
}
button Start -stroke none -draw "polygon 5,3 5,12 12,8"
button Stop -stroke none -draw "rectangle 4,4 11,11"
button FreqUp -draw "line 3,12 8,4" -draw "line 8,4 13,12"
button FreqDown -draw "line 3,4 8,12" -draw "line 8,12 13,4"
button AmpUp -stroke none -draw "rectangle 3,10 5,12" -draw "rectangle 7,7 9,12" -draw "rectangle 11,3 13,12"
button AmpDown -stroke none -draw "rectangle 3,3 5,12" -draw "rectangle 7,7 9,12" -draw "rectangle 11,10 13,12"
wave=(-fill none -draw "bezier 2,8 5,1 6,1 8,8" -draw "bezier 8,8 10,15 11,15 14,8")
button Tone "${wave[@]}"
for i in 4 5; do
    bmp -size 16x16 "xc:$([ $i -eq 4 ] && echo '#7ad07a' || echo '#a8f0a8')" -fill none -stroke "#205020" \
        -draw "rectangle 0,0 15,15" "${wave[@]}" "$pic/Buttons/Tone$i.bmp"
done

# Result pictures, 120 x 120, one per mark 1 (worst) .. 5 (best): a face
# from sad to beaming. The "Stars" set: one to five stars.
face() {  # mark mouth colour
    bmp -size 120x120 "xc:#f4f4f4" -fill "$3" -stroke "#404040" -strokewidth 3 -draw "circle 60,60 60,8" \
        -fill "#303030" -stroke none -draw "circle 42,48 42,40" -draw "circle 78,48 78,40" \
        -fill none -stroke "#303030" -strokewidth 5 -draw "$2" "$pic/Result/Mark$1.bmp"
}
face 1 "bezier 36,92 60,70 84,92" "#e06060"
face 2 "bezier 38,88 60,80 82,88" "#e8a060"
face 3 "line 38,84 82,84" "#e8d860"
face 4 "bezier 38,78 60,92 82,78" "#a8d860"
face 5 "bezier 32,72 60,104 88,72" "#60d060"
star() {  # x y
    echo "polygon $1,$(($2-14)) $(($1+4)),$(($2-4)) $(($1+14)),$(($2-4)) $(($1+6)),$(($2+3)) $(($1+9)),$(($2+14)) $1,$(($2+7)) $(($1-9)),$(($2+14)) $(($1-6)),$(($2+3)) $(($1-14)),$(($2-4)) $(($1-4)),$(($2-4))"
}
positions=("60,60" "36,60 84,60" "30,40 90,40 60,84" "36,36 84,36 36,84 84,84" "30,30 90,30 60,60 30,90 90,90")
for mark in 1 2 3 4 5; do
    draws=()
    for p in ${positions[$((mark - 1))]}; do draws+=(-draw "$(star "${p%,*}" "${p#*,}")"); done
    bmp -size 120x120 "xc:#202050" -fill "#ffd83a" -stroke "#a07a00" -strokewidth 2 "${draws[@]}" \
        "$pic/Result/StarsMark$mark.bmp"
done
