// Times Run (split, copy, filter) on lines crafted to collide under the line hash's former
// fixed constants, against random lines of the same shape, and prints the ratio (medians of
// three alternating rounds).
//
//   tandrel_collision_bench [LINES...]      (default: 20000 80000 1000000)
//
// Every crafted line is 8 code units: U+28DB U+A0B4 U+7ED1 U+E703, whose bytes cancel the
// former first constant, then 4 units that number the line. Under those constants every such
// line hashed to 0, so an open-addressing table compared each new line with all earlier ones.
// A hash keyed at random cannot be attacked by a fixed file, which is what this shows: the
// crafted text should cost about what the random one does.
#include "core/document/DocumentRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr char16_t kCollidingPrefix[] = u"\u28DB\uA0B4\u7ED1\uE703";

// Four units from the CJK block that spell the 48 low bits of number: never a CR or LF.
std::u16string Numbered(std::uint64_t number) {
    std::u16string units;
    for (int i = 0; i < 4; ++i)
        units += static_cast<char16_t>(0x4E00 + (number >> (12 * i) & 0xFFF));
    return units;
}

// Runs the window's Run recipe on text and returns its seconds and the lines kept.
double TimeRun(const std::u16string& text, int& kept) {
    const auto start = std::chrono::steady_clock::now();
    kept = RemoveDuplicateContentLines(text);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atol(argv[i]));
    if (sizes.empty())
        sizes = {20'000, 80'000, 1'000'000};

    std::printf("%9s %10s %10s %7s %9s\n", "lines", "crafted s", "random s", "ratio", "kept");
    std::mt19937_64 random(8);
    for (const long lines : sizes) {
        std::u16string crafted;
        std::u16string shaped;
        for (long i = 0; i < lines; ++i) {
            crafted += kCollidingPrefix + Numbered(static_cast<std::uint64_t>(i)) + u"\r\n";
            shaped += Numbered(random()) + Numbered(static_cast<std::uint64_t>(i)) + u"\r\n";
        }
        // Three alternating rounds, medians: the first run of a process also pays for
        // warming the heap, which would favour whichever text ran second.
        int keptCrafted = 0;
        int keptRandom = 0;
        std::vector<double> craftedRuns;
        std::vector<double> randomRuns;
        for (int round = 0; round < 3; ++round) {
            randomRuns.push_back(TimeRun(shaped, keptRandom));
            craftedRuns.push_back(TimeRun(crafted, keptCrafted));
        }
        std::sort(craftedRuns.begin(), craftedRuns.end());
        std::sort(randomRuns.begin(), randomRuns.end());
        const double craftedSeconds = craftedRuns[1];
        const double randomSeconds = randomRuns[1];
        std::printf("%9ld %10.3f %10.3f %7.2f %9d\n", lines, craftedSeconds, randomSeconds,
                    craftedSeconds / randomSeconds, keptCrafted);
        std::fflush(stdout);
        if (keptCrafted != lines || keptRandom != lines)
            return 1;
    }
    return 0;
}
