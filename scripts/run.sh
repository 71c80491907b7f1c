#!/usr/bin/env bash
# Builds the program and starts it: `scripts/run.sh`.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
# Beside the test script's build/test, build/sanitize and build/fuzz.
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTANDREL_TESTS=OFF \
    -DTANDREL_BENCH=OFF
cmake --build build/release

program=build/release/app/tandrel
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: set DISPLAY (X11) or WAYLAND_DISPLAY to start $program." >&2
    echo "ディスプレイがありません。DISPLAY または WAYLAND_DISPLAY を設定してください。" >&2
    exit 1
fi
exec "$program"
