// Times the UTF-8 and box converters in memory on the benchmark text, at each level of the block
// converters (Utf8Blocks.h) the processor runs and without them, the way the program uses them:
// the reader decodes the file's bytes in one piece, Save encodes line by line, Open encodes each
// line and its line end into the content box's buffer, and Run splits that buffer into lines.
// Prints MB/s of UTF-8 for each, the best of a few rounds.
//
//   tandrel_utf8_blocks_bench [--lines N] [--rounds N] [--level none|SSE4.1|AVX2|AVX-512] [FOLDER]
//
// --level times that level only (for a profile of it).
//
// FOLDER receives the UTF-8 input file (default: a temporary folder, removed afterwards).
#include "bench/BenchInputs.h"
#include "core/encoding/TextCodecs.h"
#include "core/encoding/Utf8Blocks.h"
#include "core/lines/BoxTextCodec.h"
#include "core/lines/LineList.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// The best time of work over the rounds, in seconds.
double BestSeconds(int rounds, const std::function<void()>& work) {
    double best = 1e300;
    for (int round = 0; round < rounds; ++round) {
        const Clock::time_point start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv) {
    int lineCount = tandrel::bench::kBenchLineCount;
    int rounds = 5;
    fs::path folder;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--lines" && i + 1 < argc)
            lineCount = std::atoi(argv[++i]);
        else if (arg == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--level" && i + 1 < argc)
            only = argv[++i];
        else
            folder = arg;
    }
    const bool temporary = folder.empty();
    if (temporary)
        folder = fs::temp_directory_path() / ("tandrel-utf8-blocks-" + std::to_string(getpid()));
    const fs::path input = tandrel::bench::WriteBenchInputs(folder, lineCount, true).utf8;
    std::string bytes = ReadFile(input);
    if (temporary)
        fs::remove_all(folder);
    bytes.erase(0, 3); // the byte-order mark

    // The text's lines, without their line ends, as the line list holds them.
    std::u16string text(bytes.size(), u'\0');
    text.resize(static_cast<std::size_t>(DecodeUtf8(bytes, text.data()) - text.data()));
    std::vector<std::u16string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t lineFeed = std::min(text.find(u'\n', start), text.size());
        lines.push_back(std::u16string_view(text).substr(start, lineFeed - start - 1)); // CR LF
        start = lineFeed + 1;
    }
    std::u16string decoded(bytes.size(), u'\0');
    std::string encoded(text.size() * kMaxEncodedBytesPerUnit, '\0');
    std::string box(BoxTextSizeBound(text), '\0');
    std::size_t boxBytes = 0;

    std::printf("%zu lines, %.1f MB of UTF-8; MB/s of UTF-8, best of %d\n", lines.size(),
                static_cast<double>(bytes.size()) / 1e6, rounds);
    std::printf("%-8s %12s %12s %12s %12s %12s\n", "level", "decode", "check", "encode",
                "box encode", "box split");
    constexpr const char* kNames[] = {"none", "SSE4.1", "AVX2", "AVX-512"};
    for (const Utf8BlocksLevel level : kUtf8BlocksLevels) {
        if (level > Utf8BlocksBestLevel())
            break;
        if (!only.empty() && only != kNames[static_cast<int>(level)])
            continue;
        UseUtf8BlocksLevel(level);
        const double decode = BestSeconds(rounds, [&] { DecodeUtf8(bytes, decoded.data()); });
        bool valid = false;
        const double check = BestSeconds(rounds, [&] { valid = IsUtf8(bytes); });
        const double encode = BestSeconds(rounds, [&] {
            char* out = encoded.data();
            for (const std::u16string_view line : lines) {
                out = EncodeUtf8(line, out);
                *out++ = '\r';
                *out++ = '\n';
            }
        });
        const double boxEncode = BestSeconds(rounds, [&] {
            char* out = box.data();
            for (const std::u16string_view line : lines)
                out = EncodeBoxTextTo(u"\r\n", EncodeBoxTextTo(line, out));
            boxBytes = static_cast<std::size_t>(out - box.data());
        });
        const double split = BestSeconds(rounds, [&] {
            LineList split;
            SplitBoxText(std::string_view(box.data(), boxBytes), split, nullptr);
        });
        const auto rate = [&](double seconds) {
            return static_cast<double>(bytes.size()) / 1e6 / seconds;
        };
        // A figure for the wrong result would mean nothing.
        const bool same = valid && std::u16string_view(decoded).substr(0, text.size()) == text &&
                          std::string_view(encoded).substr(0, bytes.size()) == bytes;
        std::printf("%-8s %12.0f %12.0f %12.0f %12.0f %12.0f%s\n", kNames[static_cast<int>(level)],
                    rate(decode), rate(check), rate(encode), rate(boxEncode), rate(split),
                    same ? "" : "  WRONG RESULT");
    }
    return 0;
}
