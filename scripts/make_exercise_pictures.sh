#!/usr/bin/env bash
# Draws the pictures of the bundled voice exercises (loudness, pitch, the
# giraffe whose neck grows with the tone, and their second versions: the
# fish, the kite and the flower), their card pictures, the control buttons
# and the result pictures, with ImageMagick. The output is committed;
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

# Backgrounds: a title over a soft gradient, the display area left free. A
# small plate right of the display holds the overload lamp, which every
# voice exercise places at (720, 80) and makes 20 x 20, and names it.
background() {  # file title top bottom
    convert -size 800x600 "gradient:$3-$4" -fill white -font $font -pointsize 26 \
        -gravity north -annotate +0+8 "$2" -gravity northwest \
        -fill "#ffffff" -stroke "#9ab4c4" -draw "roundrectangle 706,74 754,118 6,6" \
        -stroke none -fill "#3c5a6c" -font DejaVu-Sans -pointsize 9 -annotate +710+103 "too loud" \
        -quality 88 "$pic/Voice/$1"
}
background AmpBg.jpg "Loud and quiet" "#3a6ea5" "#a9cbe8"
background PitchBg.jpg "High and low" "#5a3a8a" "#c9b6e4"
background GiraffeBg.jpg "Make the giraffe grow" "#c8842a" "#f3d9a4"

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

# Second loudness exercise: a fish swims up in the sea when the voice is loud.
background FishBg.jpg "Loud and quiet: swim the fish up" "#0a4a7a" "#8fd8ec"
weeds=()
for x in 40 70 300 520 560; do weeds+=(-draw "bezier $x,399 $((x - 12)),360 $((x + 12)),330 $x,290"); done
convert -size 600x400 gradient:"#3fa8d8"-"#0a3a6a" \
    -fill "#d8c080" -draw "ellipse 300,420 420,50 0,360" \
    -fill none -stroke "#2a8a4a" -strokewidth 6 "${weeds[@]}" \
    -stroke "#ffffff40" -strokewidth 1 -draw "line 0,100 599,100" -draw "line 0,200 599,200" -draw "line 0,300 599,300" \
    -fill none -stroke "#ffffff90" -strokewidth 2 -draw "circle 120,60 126,60" -draw "circle 420,40 424,40" \
    -draw "circle 470,140 475,140" -quality 88 "$pic/Voice/FishEx.jpg"
bmp -size 32x22 "xc:$key" +antialias -fill "#ff8a2a" -stroke "#8a3a00" -strokewidth 1 \
    -draw "polygon 1,3 11,11 1,19" -draw "ellipse 19,11 11,8 0,360" \
    -fill white -stroke none -draw "circle 24,8 27,8" -fill black -draw "circle 25,8 26,8" \
    -fill "#ffd0a0" -draw "ellipse 17,14 5,2 0,360" "$pic/Voice/Fish.bmp"

# Second pitch exercise: a kite flies on the line of the tone. Faint
# lines an octave apart, as on the music staff of the first one.
background KiteBg.jpg "High and low: fly the kite" "#2a7ab0" "#d4ecf8"
convert -size 600x400 gradient:"#7ec4f0"-"#e4f4fc" \
    -fill white -draw "ellipse 110,70 50,18 0,360" -draw "ellipse 150,60 40,22 0,360" \
    -draw "ellipse 460,110 60,20 0,360" -draw "ellipse 500,98 36,18 0,360" \
    -fill "#6ab04a" -draw "ellipse 150,420 260,60 0,360" -fill "#4a9a3a" -draw "ellipse 480,430 240,60 0,360" \
    -stroke "#5a7aa060" -strokewidth 1 -draw "line 0,67 599,67" -draw "line 0,200 599,200" -draw "line 0,333 599,333" \
    -quality 88 "$pic/Voice/KiteEx.jpg"
bmp -size 24x30 "xc:$key" +antialias -fill "#e03a3a" -stroke "#6a1010" -strokewidth 1 -draw "polygon 12,0 23,10 12,21 1,10" \
    -fill "#ffd83a" -draw "polygon 12,0 23,10 12,10" -draw "polygon 12,10 1,10 12,21" \
    -stroke "#6a1010" -draw "line 12,21 10,25" -draw "line 10,25 14,28" -fill "#3a7ae0" -stroke none \
    -draw "polygon 9,24 12,23 11,26" "$pic/Voice/Kite.bmp"

# Second pitch-head exercise: a sunflower grows on its stem with the tone.
# The pot's rim is where the stem's bottom edge stays (NeckPos y 480 on the
# screen is row 400 of this 600 x 450 picture, drawn at y 80).
background FlowerBg.jpg "Make the flower grow" "#3a7a2a" "#e0f2c8"
convert -size 600x450 gradient:"#a8dcf4"-"#f4f8e0" -fill "#7a5a3a" -draw "rectangle 0,430 599,449" \
    -fill "#4a9a3a" -draw "ellipse 60,430 70,30 0,360" -draw "ellipse 540,430 80,34 0,360" \
    -fill "#c8603a" -stroke "#7a3a1a" -strokewidth 2 -draw "polygon 250,404 350,404 336,449 264,449" \
    -draw "rectangle 244,396 356,410" -fill "#5a3a1a" -stroke none -draw "rectangle 250,398 350,402" \
    -quality 88 "$pic/Voice/FlowerEx.jpg"
petals=()
for a in 0 30 60 90 120 150 180 210 240 270 300 330; do
    petals+=(-draw "ellipse $(awk "BEGIN{printf \"%d,%d\", 40 + 26 * cos($a * 3.14159 / 180), 40 + 26 * sin($a * 3.14159 / 180)}") 10,10 0,360")
done
bmp -size 80x80 "xc:$key" +antialias -fill "#ffd020" -stroke "#b08000" -strokewidth 1 "${petals[@]}" \
    -fill "#8a5a20" -stroke "#5a3a10" -draw "circle 40,40 40,20" \
    -fill black -stroke none -draw "circle 33,36 35,36" -draw "circle 47,36 49,36" \
    -fill none -stroke black -strokewidth 2 -draw "bezier 31,45 40,53 49,45" "$pic/Voice/FlowerHead.bmp"
leaves=()
for y in 60 150 240 330 420; do
    leaves+=(-draw "ellipse 16,$y 14,7 20,340" -draw "ellipse 44,$((y + 45)) 14,7 200,520")
done
bmp -size 60x500 "xc:$key" +antialias -fill "#3a9a2a" -stroke "#1a5a10" -strokewidth 1 -draw "rectangle 26,0 33,499" \
    -fill "#4ab03a" "${leaves[@]}" "$pic/Voice/FlowerStem.bmp"

# Card pictures of the voice exercises (Voice/<Name>.bmp, 104 x 104): the
# display picture small, with its sprite, and the exercise's name.
card() {  # name label display sprite sprite-x sprite-y sprite-size
    convert -size 104x104 xc:white \( "$pic/Voice/$3" -resize 96x68! \) -geometry +4+4 -composite \
        \( "$pic/Voice/$4" -transparent "$key" -resize "$7" \) -geometry "+$5+$6" -composite \
        -fill black -font $font -pointsize 14 -gravity south -annotate +0+4 "$2" \
        -type truecolor "BMP3:$root/data/english/Voice/$1.bmp"
}
card Loudness "Loudness" AmpEx.jpg Bird.bmp 60 20 100%
card Fish "Fish" FishEx.jpg Fish.bmp 56 22 100%
card Pitch "Pitch" PitchEx.jpg Note.bmp 60 18 100%
card Kite "Kite" KiteEx.jpg Kite.bmp 60 14 100%
card Giraffe "Giraffe" GiraffeEx.jpg GiraffeHead.bmp 44 12 50%
card Flower "Flower" FlowerEx.jpg FlowerHead.bmp 40 8 50%


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
# from sad to beaming. The "Stars" feedback set ("Feedback/Prefix0"): one
# to five stars.
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
    # The same stars for the result views of the word exercises (120 x 120)
    # and of the sustained sounds (100 x 100): the "Stars" feedback set
    # replaces every result picture the course shows.
    bmp "$pic/Result/StarsMark$mark.bmp" "$root/data/english/Words/.Pic/StarsMark$mark.bmp"
    bmp "$pic/Result/StarsMark$mark.bmp" -resize 100x100 "$root/data/english/.Pic/Sounds/StarsMark$mark.bmp"
done

# The word and sustained-sound exercises' background: the card menus' sky,
# paler and without sun or clouds, so that the dark displays stand out, over
# a strip of hills under the drawer. A small plate at (696, 403) names the
# microphone's overload lamp, which both kinds place at (760, 410).
convert -size 800x600 gradient:"#c4e6fa"-"#f2fafe" \
    -fill "#a9dc9c" -draw "ellipse 160,660 360,120 0,360" \
    -fill "#8fd184" -draw "ellipse 660,680 360,130 0,360" \
    -fill "#ffffff" -stroke "#9ab4c4" -draw "roundrectangle 696,403 776,426 6,6" \
    -stroke none -fill "#3c5a6c" -font DejaVu-Sans -pointsize 10 -annotate +701+419 "too loud" \
    -quality 90 "$pic/ExerciseBg.jpg"
