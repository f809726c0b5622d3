#!/bin/sh
# Renders the PNG sizes of the icon from quillarc.svg (needs rsvg-convert,
# from librsvg2-bin). The PNGs are kept in the repository, so building does
# not need it.
set -e
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" quillarc.svg -o "quillarc-$size.png"
done
