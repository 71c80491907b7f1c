#!/usr/bin/env bash
# Fails when a library includes a header of a layer above it. The layers point down only:
#   core      nothing of the others (standard C++, the C library, glibc iconv and ICU); inside
#             it, each folder only those before it in core_order below
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

# The core's folders, each on those before it: progress and memory; the encodings; line lists
# and the split; Run's filter and its keys; text files; the document state and its commands;
# Run for a file larger than memory.
core_order=(base encoding lines compare files document partition)
# Includes against that order that are still there, each with the reason it has to wait.
core_exceptions=(
    # The document's readers and writers (ReadEncodedLines, CommitFileLines, ...) fill
    # g_vFileLines and set g_nError beside the file functions they wrap; they are to move to
    # document/.
    "core/files/EncodedTextFiles.cpp core/document/DocumentState.h"
)
for k in "${!core_order[@]}"; do
    permitted=""
    for below in "${core_order[@]:0:k+1}"; do
        permitted+=" core/$below"
    done
    allowed[core/${core_order[k]}]=$permitted
done
unset 'allowed[core]'

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
        for exception in "${core_exceptions[@]}"; do
            [ "$exception" = "$file $target" ] && ok=yes
        done
        if [ $ok = no ]; then
            echo "$file includes $target, which $layer/ may not use"
            status=1
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$layer" || true)
done
exit $status
