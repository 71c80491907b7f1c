// What Run did to every line of a text: which lines it kept, which kept line each other line
// repeats, and how many lines each kept line stands for.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

struct RunLineMap {
    static constexpr std::uint32_t kDropped = std::numeric_limits<std::uint32_t>::max();

    std::vector<std::uint32_t> kept;   // the indices of the lines kept, in result order
    std::vector<std::uint32_t> keptAs; // per line: the result line it is or repeats; kDropped
                                       // for an empty line left out
    std::vector<std::uint32_t> counts; // per result line: how many lines it stands for

    // Whether Run left line out as a repeat of the result line keptAs[line].
    bool IsRepeat(std::size_t line) const {
        return keptAs[line] != kDropped && kept[keptAs[line]] != line;
    }
};
