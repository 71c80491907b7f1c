#!/usr/bin/env bash
# Checks where the program's files go: `check-install.sh install BUILD_DIR VERSION DOC_FOLDER
# ICON_SIZES` installs the build into a scratch folder under /usr; `check-install.sh package ...`
# makes the Debian package and checks its control fields and contents. The last three come from
# the top CMakeLists.txt, which is where they are written down.
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
version=$3
docs=usr/$4
IFS=, read -r -a icon_sizes <<<"$5"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

# Every file the program needs in place, relative to the installation root. The window's links
# find the documents in the documents' folder beside the program.
expected=(
    usr/bin/tandrel
    usr/share/applications/tandrel.desktop
    usr/share/metainfo/tandrel.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/tandrel.svg
    "$docs/README.md"
    "$docs/LICENSE"
    "$docs/copyright"
    "$docs/changelog.gz"
    usr/share/man/man1/tandrel.1.gz
    usr/share/bash-completion/completions/tandrel
    usr/share/locale/ja/LC_MESSAGES/tandrel.mo
)
for size in "${icon_sizes[@]}"; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/tandrel.png")
done

case $mode in
install)
    DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null
    root="$scratch/root"
    ;;
package)
    (cd "$scratch" && cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null)
    deb=$(ls "$scratch"/out/tandrel_*_amd64.deb)
    [ "$(dpkg-deb -f "$deb" Package)" = tandrel ] || fail "package name"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    # The package names alone, one a line, without their versions.
    names=$(echo "$depends" | tr ',' '\n' | sed -E 's/^ *([^ ]+).*/\1/')
    for dep in libqt6widgets6 libqt6gui6 libqt6core6 libqscintilla2-qt6-15 libc6 libstdc++6 \
        qt6-qpa-plugins fonts-ipafont-gothic; do
        grep -Fxq "$dep" <<<"$names" || fail "Depends lacks $dep"
    done
    # Debian's own checks of the package: any error fails, warnings are shown.
    command -v lintian >/dev/null || fail "lintian is not installed (scripts/install-deps.sh)"
    lintian --tag-display-limit 0 "$deb" >"$scratch/lintian.txt" 2>&1 || true
    cat "$scratch/lintian.txt"
    grep -q '^E: ' "$scratch/lintian.txt" && fail "lintian reports errors"
    dpkg-deb -x "$deb" "$scratch/root"
    root="$scratch/root"
    ;;
*)
    echo "usage: $0 install|package BUILD_DIR VERSION DOC_FOLDER ICON_SIZES" >&2
    exit 2
    ;;
esac

for file in "${expected[@]}"; do
    [ -f "$root/$file" ] || fail "$file not installed"
done
[ -x "$root/usr/bin/tandrel" ] || fail "usr/bin/tandrel not executable"
for size in "${icon_sizes[@]}"; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/tandrel.png"
    [ -f "$png" ] || continue
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    dims=$(od -An -tx1 -j16 -N8 "$png" | tr -d ' \n')
    [ "$dims" = "$(printf '%08x%08x' "$size" "$size")" ] || fail "$png is not ${size}x${size}"
done
cmp -s "$root/$docs/LICENSE" "$(dirname "$0")/../../LICENSE" ||
    fail "the installed LICENSE differs from the project's"
exit $failed
