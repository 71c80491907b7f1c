#!/usr/bin/env bash
# Fails when a library includes a header of a layer above it. The layers point down only:
#   core      nothing of the others (standard C++, the C library, iconv and ICU)
#   app/cli   core, and the build's facts (the command line: no Qt, no window)
#   platform  core
#   res       platform
#   ui        core, platform, res; and app/AboutDlg.h, the one exception, commented where it is
#             included
#   app       anything
#   check-include-direction.sh SOURCE_ROOT
set -euo pipefail
cd "$1"

declare -A allowed=(
    [core]="core"
    [app/cli]="core app/cli res/VersionInfo.h res/BuildFacts.h"
    [platform]="core platform"
    [res]="platform res"
    [ui]="core platform res ui app/AboutDlg.h"
)

status=0
for layer in "${!allowed[@]}"; do
    while IFS=: read -r file _ included; do
        target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$included")
        [[ $target == */* ]] || continue # a header beside the file, or a system header
        ok=no
        for permitted in ${allowed[$layer]}; do
            if [[ $target == "$permitted" || $target == "$permitted"/* ]]; then
                ok=yes
            fi
        done
        if [ $ok = no ]; then
            echo "$file includes $target, which $layer/ may not use"
            status=1
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$layer" || true)
done
exit $status
