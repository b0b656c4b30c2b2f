#!/usr/bin/env bash
# Draws the bundled English pictures (drawer buttons and pointer shapes) with
# ImageMagick. The output is committed; run this again only to change them.
# Pictures are 24-bit uncompressed BMP drawn for the 800 x 600 design size.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pic=$root/data/english/.Pic
mkdir -p "$pic/Cursors" "$pic/Drawer"
font=DejaVu-Sans-Bold

bmp() { convert "$@" -type truecolor "BMP3:${@: -1}" 2>/dev/null || true; }

# Four states of a drawer button: normal, hover, pressed, disabled. 96 x 52,
# so that eleven buttons stand in the 600 points of the screen's height.
# An icon (chart: a line over two axes) goes left of the label.
button() {  # name label colour [icon]
    local name=$1 label=$2 colour=$3 icon=${4:-}
    local -a states=(normal hover pressed disabled)
    local -a fills=("$colour" "$colour" "$colour" "#9a9a9a")
    local -a mods=(100 125 75 100)
    for i in 0 1 2 3; do
        local out="$pic/Drawer/$name$i.bmp"
        local bevel1=white bevel2="#404040" ink
        [ $i -eq 2 ] && { bevel1="#404040"; bevel2=white; }
        ink=$([ $i -eq 3 ] && echo '#d0d0d0' || echo white)
        local -a drawing=() at=+0+0
        if [ "$icon" = chart ]; then
            drawing=(-fill none -stroke "$ink" -strokewidth 1 -draw "polyline 10,14 10,38 32,38"
                     -strokewidth 2 -draw "polyline 13,33 19,27 24,30 31,18")
            at=+14+0
        fi
        convert -size 96x52 "xc:${fills[$i]}" -modulate "${mods[$i]}" \
            -fill none -stroke "$bevel1" -strokewidth 2 -draw "line 1,1 94,1" -draw "line 1,1 1,50" \
            -stroke "$bevel2" -draw "line 1,50 94,50" -draw "line 94,1 94,50" \
            "${drawing[@]}" \
            -stroke none -fill "$ink" -font $font -pointsize 15 \
            -gravity center -annotate "$at" "$label" \
            -type truecolor "BMP3:$out"
    done
}

button Menu "Menu" "#2f6db5"
button Close "Close" "#4a5a6a"
button Quit "Quit" "#7a2a2a"
button Start "Start" "#3f9b4b"
button Back "Back" "#c07a20"
button Print "Print" "#6a4fa0"
button Settings "Settings" "#a03c3c"
button Guide "Guide" "#2a8f8f"
button Pupil "Pupil" "#4a6a8a"
button Chart "Chart" "#2a7a5a" chart
button Words "Words" "#b0902a"
button Sounds "Sounds" "#8a5a2a"
button Tone "Tone" "#5a7a2a"
button Word "Cat" "#b05a7a"

# Pointer shapes, 32 x 32, on the transparent key colour pure blue.
cursor() {  # file draw-commands...
    local out="$pic/Cursors/$1"; shift
    convert +antialias -size 32x32 xc:"#0000ff" -strokewidth 1 "$@" -type truecolor "BMP3:$out"
}
arrow=(-fill black -stroke white -draw "polygon 0,0 0,22 6,17 10,26 14,24 10,15 17,15")
cursor Arrow.bmp "${arrow[@]}"
cursor ArrowGlass.bmp "${arrow[@]}" -fill white -stroke black -draw "polygon 18,14 30,14 24,22" -draw "polygon 18,30 30,30 24,22"
cursor Cross.bmp -stroke black -strokewidth 3 -draw "line 16,2 16,30" -draw "line 2,16 30,16" -stroke white -strokewidth 1 -draw "line 16,2 16,30" -draw "line 2,16 30,16"
cursor Edit.bmp -stroke black -strokewidth 3 -draw "line 16,4 16,28" -draw "line 11,4 21,4" -draw "line 11,28 21,28" -stroke white -strokewidth 1 -draw "line 16,4 16,28"
cursor No.bmp -fill none -stroke red -strokewidth 4 -draw "circle 16,16 16,4" -draw "line 8,8 24,24"
cursor SizeAll.bmp -fill black -stroke white -draw "polygon 16,1 21,7 11,7" -draw "polygon 16,31 21,25 11,25" -draw "polygon 1,16 7,11 7,21" -draw "polygon 31,16 25,11 25,21" -stroke black -strokewidth 2 -draw "line 16,6 16,26" -draw "line 6,16 26,16"
cursor SizeNESW.bmp -fill black -stroke white -draw "polygon 28,4 28,13 19,4" -draw "polygon 4,28 4,19 13,28" -stroke black -strokewidth 2 -draw "line 24,8 8,24"
cursor SizeNS.bmp -fill black -stroke white -draw "polygon 16,2 23,10 9,10" -draw "polygon 16,30 23,22 9,22" -stroke black -strokewidth 2 -draw "line 16,8 16,24"
cursor SizeNWSE.bmp -fill black -stroke white -draw "polygon 4,4 13,4 4,13" -draw "polygon 28,28 19,28 28,19" -stroke black -strokewidth 2 -draw "line 8,8 24,24"
cursor SizeWE.bmp -fill black -stroke white -draw "polygon 2,16 10,9 10,23" -draw "polygon 30,16 22,9 22,23" -stroke black -strokewidth 2 -draw "line 8,16 24,16"
cursor UpArrow.bmp -fill black -stroke white -draw "polygon 16,1 27,12 20,12 20,30 12,30 12,12 5,12"
cursor HourGlass.bmp -fill white -stroke black -draw "polygon 6,2 26,2 16,16" -draw "polygon 6,30 26,30 16,16" -fill black -draw "polygon 12,26 20,26 16,21"
