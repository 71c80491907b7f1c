// Feeds arbitrary bytes to the encoding guess. Whatever the bytes, the guess must not crash or
// read past them; it must be the same, margin included, for the bytes in memory and read from a
// file (which cost the readings only when more than one is left) and fed in pieces (which cost
// every reading as it goes); and every encoding it names, chosen or left open, must read the
// file without error.
#include "core/encoding/EncodingChoices.h"
#include "core/encoding/EncodingGuess.h"
#include "core/files/EncodedTextFiles.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool SameGuess(const EncodingGuess& a, const EncodingGuess& b) {
    return a.encoding == b.encoding && a.others == b.others && a.asciiOnly == b.asciiOnly &&
           a.refusedMark == b.refusedMark && a.marginBits == b.marginBits;
}

// One file per fuzzing process, in a folder removed when it ends.
const fs::path& InputFile() {
    static const fs::path file = [] {
        std::string name = (fs::temp_directory_path() / "tandrel-fuzz-XXXXXX").string();
        FUZZ_CHECK(mkdtemp(name.data()) != nullptr);
        return fs::path(name) / "input.txt";
    }();
    // Registered once the path is made, so that it runs before the path is destroyed.
    static const int removal = std::atexit([] { fs::remove_all(InputFile().parent_path()); });
    (void)removal;
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const EncodingGuess guess = GuessEncoding(bytes);

    // Pieces of a size the first byte picks, so that characters are cut everywhere.
    const std::size_t piece = size == 0 ? 1 : 1 + data[0] % 7;
    EncodingGuesser guesser;
    for (std::size_t i = 0; i < size && !guesser.MarkFound(); i += piece)
        guesser.Feed(bytes.substr(i, piece));
    FUZZ_CHECK(SameGuess(guesser.Finish(), guess));

    std::FILE* file = std::fopen(InputFile().c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);
    FUZZ_CHECK(SameGuess(GuessFileEncoding(InputFile().string(), nullptr), guess));

    FUZZ_CHECK(guess.encoding >= 0 || guess.others.empty());
    FUZZ_CHECK(guess.refusedMark.empty() || guess.encoding < 0);
    FUZZ_CHECK(!guess.asciiOnly || std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80;
    }));
    FUZZ_CHECK(EncodingGuessNote(guess).empty() == (!guess.Close() && guess.refusedMark.empty()));
    std::vector<int> named = guess.others;
    if (guess.encoding >= 0)
        named.push_back(guess.encoding);
    const std::string bytesPath = InputFile().string();
    const std::u16string path(bytesPath.begin(), bytesPath.end()); // a temporary folder's: ASCII
    for (const int encoding : named) {
        FUZZ_CHECK(encoding != guess.encoding ||
                   std::count(named.begin(), named.end(), encoding) == 1);
        const FileLines read = ReadFileLines(path, *FindEncodingChoice(encoding), nullptr);
        FUZZ_CHECK(read.result.Succeeded());
    }
    return 0;
}
