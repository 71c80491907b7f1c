#!/usr/bin/env bash
# Checks the desktop entry and the AppStream metadata: the desktop's validators where they are
# installed (scripts/install-deps.sh installs both), and the keys the desktop finds us by.
# Usage: check-desktop-files.sh DESKTOP_FILE METAINFO_FILE VERSION
set -uo pipefail
desktop=$1
metainfo=$2
version=$3
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
else
    echo "note: desktop-file-validate not installed, skipped"
fi

if command -v appstreamcli >/dev/null; then
    # The component id is the desktop entry's name rather than a reverse domain name, which
    # the validator warns about; any other warning or error fails.
    report=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1)
    echo "$report"
    if echo "$report" | grep -E '^[EW]:' | grep -v 'cid-desktopapp-is-not-rdns' | grep -q .; then
        fail "appstreamcli validate"
    fi
else
    echo "note: appstreamcli not installed, skipped"
fi

for line in 'Type=Application' 'Name=Tandrel' 'Name\[ja\]=タンドレル' 'Comment=.+' \
    'Comment\[ja\]=.+' 'Icon=tandrel' 'Exec=tandrel %f' 'MimeType=text/plain;' 'Terminal=false' \
    'Categories=Utility;TextTools;'; do
    grep -Eqx "$line" "$desktop" || fail "$desktop lacks a line matching $line"
done
for text in '<id>tandrel</id>' '<launchable type="desktop-id">tandrel.desktop</launchable>' \
    '<binary>tandrel</binary>' '<project_license>GPL-3.0-or-later</project_license>' \
    "<release version=\"$version\""; do
    grep -Fq "$text" "$metainfo" || fail "$metainfo lacks $text"
done
exit $failed
