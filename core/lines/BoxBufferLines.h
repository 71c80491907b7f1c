// The lines of a text box's buffer (BoxTextCodec.h), for a box that takes some of another's
// lines (Run's result): it copies their bytes rather than encoding the lines again.
#pragma once

#include "core/lines/BoxTextCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

// In a buffer that holds lines each followed by CR LF (what a box loaded with them holds), the
// end of the line that starts at buffer[start], past its CR LF: the first line feed there that
// no row mark stands before (the text's own follow the CR).
inline std::size_t BoxLineEnd(std::string_view buffer, std::size_t start) {
    for (;;) {
        const void* found = std::memchr(buffer.data() + start, '\n', buffer.size() - start);
        if (found == nullptr)
            return buffer.size();
        const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - buffer.data());
        if (at == 0 || buffer[at - 1] != kBoxRowMark)
            return at + 1;
        start = at + 1;
    }
}

// The bytes of the lines at indices (increasing) of such a buffer, each with its CR LF: calls
// piece(bytes) for each run of them that follow each other there, and tick(line) for every line
// passed on the way.
template <class Piece, class Tick>
void PickBoxLines(std::string_view buffer, std::span<const std::uint32_t> indices, Piece&& piece,
                  Tick&& tick) {
    std::size_t line = 0;
    std::size_t at = 0; // where line starts
    std::size_t runStart = 0;
    std::size_t runEnd = 0;
    for (const std::uint32_t index : indices) {
        for (; line < index; ++line) {
            tick(line);
            at = BoxLineEnd(buffer, at);
        }
        if (at != runEnd) {
            if (runEnd != runStart)
                piece(buffer.substr(runStart, runEnd - runStart));
            runStart = at;
        }
        tick(line++);
        at = runEnd = BoxLineEnd(buffer, at);
    }
    if (runEnd != runStart)
        piece(buffer.substr(runStart, runEnd - runStart));
}
