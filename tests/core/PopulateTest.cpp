// Fresh memory faulted in ahead of a command's writes: all of it, unless the command is being
// cancelled, which must not wait for memory it will not use.
#include "core/base/OperationProgress.h"
#include "core/base/PopulateMemory.h"
#include "core/lines/LineBytes.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

// How many of the pages of [data, data + bytes) are in memory.
std::size_t ResidentPages(void* data, std::size_t bytes) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident((bytes + page - 1) / page);
    EXPECT_EQ(mincore(data, bytes, resident.data()), 0);
    std::size_t count = 0;
    for (const unsigned char flags : resident)
        count += flags & 1;
    return count;
}

TEST(PopulateForWritingTest, FaultsInEveryPageUnlessCancelled) {
    constexpr std::size_t kBytes = 32 << 20; // four of its pieces
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    for (const bool cancelled : {true, false}) {
        void* data =
            mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(data, MAP_FAILED);
        OperationProgress progress;
        if (cancelled)
            progress.RequestCancel();
        tandrel::PopulateForWriting(data, kBytes, &progress);
        const std::size_t resident = ResidentPages(data, kBytes);
        munmap(data, kBytes);
        if (cancelled)
            EXPECT_EQ(resident, 0u);
        else if (resident == 0)
            GTEST_SKIP() << "this system faults in no pages ahead";
        else
            EXPECT_EQ(resident, kBytes / page);
    }
}

// Lines kept as bytes fault their memory in ahead of them, but not past the size they were
// told to expect: what is faulted in and never written stays with the lines, however little
// the room left over is used.
TEST(PopulateForWritingTest, LineBytesFaultInNoFurtherThanTheSizeExpected) {
    constexpr std::size_t kExpected = 48 << 20;
    constexpr std::uintptr_t kMargin = 2 << 20; // kept from both ends of what is looked at
    LineBytes lines;
    lines.Reserve(kExpected, 1);
    const std::string line(1000, 'a');
    while (lines.Text().size() + 2 * line.size() < kExpected - kMargin)
        lines.Add(line);
    const auto start = reinterpret_cast<std::uintptr_t>(lines.Data());
    if (ResidentPages(reinterpret_cast<void*>((start + kMargin - 1) & ~(kMargin - 1)), kMargin) ==
        0)
        GTEST_SKIP() << "this system faults in no pages ahead";
    // The room reserved past the size expected: a sixteenth more.
    const std::uintptr_t expectedEnd = start + kExpected;
    const std::uintptr_t past = (expectedEnd + kMargin - 1) & ~(kMargin - 1);
    EXPECT_EQ(ResidentPages(reinterpret_cast<void*>(past), kExpected / 16 - kMargin), 0u);
}

// The lines of a file of short lines ending in LF alone, each then taking a CR more, stay in
// the room reserved for the file's size and lines: a move would copy them.
TEST(PopulateForWritingTest, LineBytesOfShortLinesWithLoneLineFeedsDoNotMove) {
    constexpr std::size_t kLines = 200'000;
    const std::string line = "\xE3\x81\x82\n"; // a character and LF: a CR is a quarter more
    LineBytes lines;
    lines.Reserve(kLines * line.size(), kLines);
    const char* const data = lines.Data();
    for (std::size_t i = 0; i < kLines; ++i)
        lines.AddLines(line);
    EXPECT_EQ(lines.Text().size(), kLines * (line.size() + 1));
    EXPECT_EQ(lines.Data(), data);
}

} // namespace
