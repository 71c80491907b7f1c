#!/usr/bin/env bash
# Builds and runs every test: `scripts/test.sh`.
#   1. the whole project with its tests (GUI tests run headless, offscreen);
#   2. the core again under AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. the fuzz targets, briefly, under clang's libFuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== build and test"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs"

echo "== core under ASan and UBSan"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTANDREL_SANITIZE=ON \
    -DTANDREL_GUI=OFF -DTANDREL_BENCH=OFF
cmake --build build/sanitize -j "$jobs"
ctest --test-dir build/sanitize --output-on-failure -j "$jobs"

if [ -f fuzz/run.sh ]; then
    echo "== fuzz (brief)"
    fuzz/run.sh build/fuzz
fi
