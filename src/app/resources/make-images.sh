#!/bin/sh
# Draws the banner (an animated GIF, 493 x 40) and the program's icon with ImageMagick.
# The pictures are committed; run this again only to change them.
set -eu
cd "$(dirname "$0")"
FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

# One frame per position of a light band that sweeps over the caption.
i=0
while [ $i -lt 12 ]; do
    x=$((i * 50 - 60))
    convert -size 493x40 gradient:'#1f3f7a-#3d6fb6' -rotate 0 \
        -fill 'rgba(255,255,255,0.30)' -draw "polygon $x,0 $((x + 40)),0 $((x + 20)),40 $((x - 20)),40" \
        -font "$FONT" -pointsize 20 -fill white -annotate +14+28 'Quillmark' \
        -pointsize 13 -fill '#dfe8ff' -annotate +130+26 'Word 文档一键生成 CHM 帮助文件' \
        -fill '#ffd76a' -draw 'circle 470,20 474,20' \
        "$TMP/f$(printf %02d $i).png"
    i=$((i + 1))
done
convert -delay 12 -loop 0 "$TMP"/f*.png +dither -colors 48 -layers Optimize banner.gif

# The icon: a quill over a page.
convert -size 128x128 xc:none \
    -fill '#f4f1e8' -stroke '#5a6b85' -strokewidth 3 -draw 'roundrectangle 22,12 100,116 8,8' \
    -stroke '#9aa8bd' -strokewidth 3 -draw 'line 36,44 86,44' -draw 'line 36,60 86,60' -draw 'line 36,76 70,76' \
    -stroke '#1f3f7a' -fill '#3d6fb6' -strokewidth 2 -draw 'polygon 112,8 70,70 62,96 80,78 116,16' \
    -stroke '#1f3f7a' -strokewidth 3 -draw 'line 62,96 54,108' \
    quillmark.png
