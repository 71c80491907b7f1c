#!/usr/bin/env bash
# Renders the icon's source drawing to the PNG sizes the window and the desktop use. The PNGs
# are committed, so only whoever changes tandrel.svg needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 256; do
    rsvg-convert --width "$size" --height "$size" tandrel.svg --output "tandrel-$size.png"
done
