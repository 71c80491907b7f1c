#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer on)
# and runs each one briefly from its committed seeds; fails on the first crash or broken
# expectation, leaving the input that caused it beside the target in BUILD_DIR/fuzz/.
#   fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET]}
seconds=${2:-25}
targets=(fuzz_readers fuzz_dedupe fuzz_box_text fuzz_command_line fuzz_guess)

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTANDREL_FUZZ=ON -DTANDREL_GUI=OFF -DTANDREL_TESTS=OFF -DTANDREL_BENCH=OFF
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

# The targets' temporary files go to a scratch folder too, removed however a target ends (a crash
# or a timeout leaves the files of the input it was on).
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for target in "${targets[@]}"; do
    # New inputs go to a scratch folder: the committed seeds stay as they are.
    found=$(mktemp -d -p "$scratch")
    log="$build/fuzz/$target.log"
    echo "-- $target: ${seconds} s"
    status=0
    TMPDIR=$scratch "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz/$target-" "$found" "fuzz/corpus/$target" >"$log" 2>&1 ||
        status=$?
    rm -rf "$found"
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log" >&2
        echo "$target failed (exit $status): full log $log, input $build/fuzz/$target-*" >&2
        exit 1
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
done
