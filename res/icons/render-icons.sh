#!/usr/bin/env bash
# Renders the icon's source drawing to the PNG sizes the window and the desktop use. The PNGs
# are committed, so only whoever changes tandrel.svg needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
# The sizes are written down once, in the top CMakeLists.txt.
sizes=$(sed -nE 's/^set\(TANDREL_ICON_SIZES (.*)\)$/\1/p' ../../CMakeLists.txt)
for size in $sizes; do
    rsvg-convert --width "$size" --height "$size" tandrel.svg --output "tandrel-$size.png"
done
