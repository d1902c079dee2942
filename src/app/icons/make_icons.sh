#!/usr/bin/env bash
# Renders the program's own icon drawings (svg/) to the PNG files the resource file lists.
# Run after changing a drawing; the PNG files are kept in the project so the build needs no
# SVG support.
set -euo pipefail
cd "$(dirname "$0")"
render() { # name size
    convert -background none -density 384 "svg/$1.svg" -resize "$2x$2" "PNG32:$1.png"
}
for n in connect discon go stop ok ng temp hist save inst sql; do render "$n" 32; done
for n in roots table view synonym column key sort_up sort_down; do render "$n" 16; done
convert -background none -density 384 svg/grip.svg -resize 8x16 PNG32:grip.png
render quorvant 64
# The program icon of the desktop's hicolor theme, installed with the package.
for s in 16 22 24 32 48; do
    convert -background none -density 384 svg/quorvant.svg -resize "${s}x${s}" "PNG32:hicolor/$s.png"
done
cp quorvant.png hicolor/64.png
# Drawn with ImageMagick's own path drawing, which needs no SVG support (svg/undo.svg is the
# same drawing).
convert -size 32x32 xc:none -fill '#e8b43a' -stroke '#8a5a10' -strokewidth 2 \
    -draw "path 'M12 6 L4 14 L12 22 L12 17 C18 17 22.4 18.6 26 24 C24.8 16.4 20 11.6 12 11 Z'" \
    PNG32:undo.png
