#!/usr/bin/env bash
# Renders the icons drawn as SVG in assets/icons into the PNG files the program and the
# installation use. Run after changing an SVG (needs rsvg-convert from librsvg2-bin); the
# PNG files are kept in the repository so that building needs no SVG renderer.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../assets/icons"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" app/talvoro.svg -o "app/talvoro-$size.png"
done
for svg in menu/*.svg; do
  rsvg-convert -w 24 -h 24 "$svg" -o "${svg%.svg}.png"
  rsvg-convert -w 48 -h 48 "$svg" -o "${svg%.svg}@2x.png"
done
