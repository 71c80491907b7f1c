#!/usr/bin/env bash
# Checks where the program's files go: `check-install.sh install BUILD_DIR` installs the build
# into a scratch folder under /usr; `check-install.sh package BUILD_DIR` makes the Debian
# package and checks its control fields and contents.
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

# Every file the program needs in place, relative to the installation root. The window's links
# find the documents at ../share/doc/tandrel beside the program.
expected=(
    usr/bin/tandrel
    usr/share/applications/tandrel.desktop
    usr/share/metainfo/tandrel.metainfo.xml
    usr/share/icons/hicolor/16x16/apps/tandrel.png
    usr/share/icons/hicolor/24x24/apps/tandrel.png
    usr/share/icons/hicolor/32x32/apps/tandrel.png
    usr/share/icons/hicolor/48x48/apps/tandrel.png
    usr/share/icons/hicolor/256x256/apps/tandrel.png
    usr/share/icons/hicolor/scalable/apps/tandrel.svg
    usr/share/doc/tandrel/README.md
    usr/share/doc/tandrel/LICENSE
    usr/share/doc/tandrel/copyright
    usr/share/doc/tandrel/changelog.gz
)

case $mode in
install)
    DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null
    root="$scratch/root"
    ;;
package)
    (cd "$scratch" && cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null)
    deb=$(ls "$scratch"/out/tandrel_*_amd64.deb)
    [ "$(dpkg-deb -f "$deb" Package)" = tandrel ] || fail "package name"
    [ "$(dpkg-deb -f "$deb" Version)" = 2.0.1.2 ] || fail "package version"
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
    echo "usage: $0 install|package BUILD_DIR" >&2
    exit 2
    ;;
esac

for file in "${expected[@]}"; do
    [ -f "$root/$file" ] || fail "$file not installed"
done
[ -x "$root/usr/bin/tandrel" ] || fail "usr/bin/tandrel not executable"
for size in 16 24 32 48 256; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/tandrel.png"
    [ -f "$png" ] || continue
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    dims=$(od -An -tx1 -j16 -N8 "$png" | tr -d ' \n')
    [ "$dims" = "$(printf '%08x%08x' "$size" "$size")" ] || fail "$png is not ${size}x${size}"
done
cmp -s "$root/usr/share/doc/tandrel/LICENSE" "$(dirname "$0")/../../LICENSE" ||
    fail "the installed LICENSE differs from the project's"
exit $failed
