#!/usr/bin/env bash
# Draws the pictures of the sustained-sound exercises in data/english/Sounds
# with ImageMagick: one picture per sound and level (the display area of the
# live spectrum: a dark field with level lines and the sound's caption),
# the level buttons (four states each) and the five mark pictures of the
# result view. The output is committed; run this again only to change them.
# Pictures are 24-bit uncompressed BMP drawn for the 800 x 600 design size.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pic=$root/data/english/.Pic/Sounds
mkdir -p "$pic"
font=DejaVu-Sans-Bold

# name caption: <name>1..3.bmp, 600 x 400. The caption stands in a band of
# its own, the top `caption_band` rows, which the exercises keep free of
# curves ("OfsTop"); below it a line every 1000 level units, where the
# exercise draws those levels (the display's 5000 ceiling is the band's edge).
caption_band=40
level_pictures() {
    local name=$1 caption=$2
    local -a fields=("#10202c" "#1c1c30" "#2c1620")
    local -a bands=("#1a3040" "#282844" "#402030")
    for level in 1 2 3; do
        local -a lines=()
        for v in 1000 2000 3000 4000; do
            local y=$((399 - v * (398 - caption_band) / 5000))
            lines+=(-draw "line 0,$y 599,$y")
        done
        convert -size 600x400 "xc:${fields[$((level - 1))]}" -fill "${bands[$((level - 1))]}" \
            -draw "rectangle 0,0 599,$((caption_band - 1))" -stroke "#3a4a58" -strokewidth 1 "${lines[@]}" \
            -stroke none -fill "#c8d0d8" -font $font -pointsize 22 -gravity northwest \
            -annotate +12+8 "$caption" -pointsize 16 -gravity northeast -annotate +12+12 "level $level" \
            -type truecolor "BMP3:$pic/$name$level.bmp"
    done
}

level_pictures S_s "s as in sun"
level_pictures S_sh "sh as in ship"
level_pictures V_a "a as in father"
level_pictures V_i "ee as in see"
level_pictures S_z "z as in zoo"
level_pictures S_f "f as in fish"
level_pictures V_u "oo as in moon"

# Level buttons: normal, hover, pressed, disabled.
for level in 1 2 3; do
    fills=("#2f6db5" "#3f82cf" "#24548b" "#9a9a9a")
    for i in 0 1 2 3; do
        convert -size 36x20 "xc:${fills[$i]}" -fill white -font $font -pointsize 13 -gravity center \
            -annotate +0+0 "L$level" -type truecolor "BMP3:$pic/Level${level}_$i.bmp"
    done
done

# Marks 1 (worst) to 5 (best).
colours=("#b03030" "#c06a28" "#c0a828" "#7aa830" "#30a040")
for m in 1 2 3 4 5; do
    convert -size 100x100 "xc:${colours[$((m - 1))]}" -fill white -font $font -pointsize 64 -gravity center \
        -annotate +0+0 "$m" -type truecolor "BMP3:$pic/Mark$m.bmp"
done
"$root/scripts/make_reward_frames.py" "$pic/Mark4.bmp" "$pic/Mark5.bmp"
