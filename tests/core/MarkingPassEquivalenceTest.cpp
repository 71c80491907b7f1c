// The filter must leave exactly the state that the plain marking pass leaves: the pass below
// compares every line with every line, blanks later repeats, then compacts. It is quadratic,
// so the inputs are short; short alphabets make repeats, empty lines and near-repeats common.
#include "core/DocumentState.h"
#include "core/DuplicateLines.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::u16string>;

struct MarkingPassState {
    int kept = 0;
    Lines working; // the working list on return
    Lines scratch; // the scratch list on return
};

MarkingPassState MarkingPass(Lines working, int n) {
    // A frozen copy of the working list.
    Lines scratch(working.begin(), working.begin() + n);
    for (int i = 0; i < n; ++i) {
        int seen = 0;
        for (int k = 0; k < n; ++k) {
            if (scratch[i].compare(working[k]) == 0) {
                if (seen == 0) {
                    seen = 1;
                } else {
                    working[k].clear();
                    ++seen;
                }
            }
        }
    }
    scratch.clear();
    int kept = 0;
    for (const auto& line : working) {
        if (line.length() != 0) {
            scratch.push_back(line);
            ++kept;
        }
    }
    working.assign(scratch.begin(), scratch.begin() + kept);
    return {kept, working, scratch};
}

std::u16string RandomText(std::mt19937& random, const std::u16string& alphabet, int maxLength) {
    std::u16string text(random() % (maxLength + 1), u' ');
    for (char16_t& c : text)
        c = alphabet[random() % alphabet.size()];
    return text;
}

void ExpectSameStateAsMarkingPass(const Lines& working, int round) {
    const int n = static_cast<int>(working.size());
    const MarkingPassState expected = MarkingPass(working, n);
    g_nLineCount = n;
    g_vResultLines = working;
    g_vWorkLines = {u"from an earlier run"};
    ASSERT_EQ(RemoveDuplicateLines(), expected.kept) << "round " << round;
    ASSERT_EQ(g_vResultLines, expected.working) << "round " << round;
    ASSERT_EQ(g_vWorkLines, expected.scratch) << "round " << round;
    ASSERT_EQ(g_nLineCount, n) << "round " << round;
}

TEST(MarkingPassEquivalence, RandomSplitTexts) {
    // Line feeds in the alphabet make the texts split into many short lines.
    const std::u16string alphabet = u"abA\r \u3042\n\n";
    std::mt19937 random(1);
    for (int round = 0; round < 4000; ++round) {
        SplitContentLines(RandomText(random, alphabet, 60));
        ExpectSameStateAsMarkingPass(g_vTextLines, round);
    }
}

TEST(MarkingPassEquivalence, RandomLineLists) {
    // Lines drawn directly, so that carriage returns may also end a line.
    const std::u16string alphabet = u"abA\r \u3042";
    std::mt19937 random(2);
    for (int round = 0; round < 4000; ++round) {
        Lines working(random() % 50);
        for (auto& line : working)
            line = RandomText(random, alphabet, 4);
        ExpectSameStateAsMarkingPass(working, round);
    }
}

TEST(MarkingPassEquivalence, LongerListsOfLongerLines) {
    // Lines past the hash's 16-byte blocks that differ only near their ends.
    const std::u16string alphabet = u"aA";
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        Lines working(random() % 400);
        for (auto& line : working)
            line = std::u16string(random() % 20, u'\u3042') + RandomText(random, alphabet, 3);
        ExpectSameStateAsMarkingPass(working, round);
    }
}

} // namespace
