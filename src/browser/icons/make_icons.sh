#!/usr/bin/env bash
# Renders the object tree's own drawings (svg/) to the PNG files of browser.qrc. Run after
# changing a drawing; the PNG files are kept so that the build needs no SVG support.
set -euo pipefail
cd "$(dirname "$0")"
for n in col_v desc; do
    convert -background none -density 384 "svg/$n.svg" -resize 16x16 "PNG32:$n.png"
done
