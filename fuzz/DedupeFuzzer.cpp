// Splits arbitrary text and removes its duplicate lines, checking the result against what it
// must be: the distinct non-empty split lines, each once, in order of first occurrence.
#include "core/document/DocumentState.h"
#include "core/document/DocumentRun.h"
#include "fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// The first byte chooses how the rest becomes text: either each byte picks a unit from a tiny
// alphabet (so that repeats, empty lines and near-repeats are common) or byte pairs are taken
// as raw UTF-16 code units (so that every unit value occurs).
std::u16string TextFrom(const std::uint8_t* data, std::size_t size) {
    static constexpr char16_t kAlphabet[] = {u'a',  u'b',      u'A',      u'\r',
                                             u'\n', u'\u3042', u'\xD800', u' '};
    std::u16string text;
    if (size == 0)
        return text;
    if (data[0] % 2 == 0) {
        for (std::size_t i = 1; i < size; ++i)
            text.push_back(kAlphabet[data[i] % 8]);
    } else {
        for (std::size_t i = 1; i + 1 < size; i += 2)
            text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = TextFrom(data, size);

    g_vFileLines.clear();
    SplitContentLines(text);
    FUZZ_CHECK(g_nLineCount == static_cast<int>(g_vTextLines.size()));
    std::size_t lineFeeds = 0;
    for (char16_t c : text)
        lineFeeds += c == u'\n';
    const bool finalSegment = !text.empty() && text.back() != u'\n';
    FUZZ_CHECK(g_vTextLines.size() == lineFeeds + (finalSegment ? 1 : 0));
    for (const auto& line : g_vTextLines) {
        FUZZ_CHECK(line.find(u'\n') == std::u16string::npos);
        FUZZ_CHECK(line.empty() || line.back() != u'\r');
    }

    const std::vector<std::u16string> split(g_vTextLines.begin(), g_vTextLines.end());
    // Split again beside file lines that the text's lines share units with: its own lines with
    // one of them left out, as the text of a file loaded and then edited would have.
    std::vector<std::u16string> file = split;
    if (!file.empty())
        file.erase(file.begin() + static_cast<std::ptrdiff_t>(size % file.size()));
    g_vFileLines = file;
    SplitContentLines(text);
    FUZZ_CHECK(g_vTextLines == split);
    g_vFileLines.clear(); // the text lines keep alive what they share

    g_vResultLines = g_vTextLines;
    g_vWorkLines = {u"left from an earlier run"};
    const int kept = RemoveDuplicateLines();

    FUZZ_CHECK(kept == static_cast<int>(g_vResultLines.size()));
    FUZZ_CHECK(g_vWorkLines == g_vResultLines);
    FUZZ_CHECK(g_nLineCount == static_cast<int>(split.size()));
    FUZZ_CHECK(g_vTextLines == split);
    // Walking the split lines, every first occurrence of a non-empty line must be the next
    // result line, and there must be no result line left over.
    std::unordered_set<std::u16string> seen;
    std::size_t next = 0;
    for (const auto& line : split) {
        if (line.empty() || !seen.insert(line).second)
            continue;
        FUZZ_CHECK(next < g_vResultLines.size());
        FUZZ_CHECK(g_vResultLines[next] == line);
        ++next;
    }
    FUZZ_CHECK(next == g_vResultLines.size());
    return 0;
}
