// The lines of a text box's buffer (BoxTextCodec.h), for a box that takes some of another's
// lines (Run's result): it copies their bytes rather than encoding the lines again.
#pragma once

#include "core/lines/BoxTextCodec.h"
#include "core/lines/LineBytes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

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

// The same for a buffer that holds the lines of source as a box loaded with them holds them
// (BoxTextLoader): each line's bytes with CR LF, but for the lines of source.Unboxed() in a
// form of the box's own. Where a line lies there follows from where it starts in source, moved
// by what the unboxed lines before it changed, so that only those are looked for in the buffer
// and the rest of it is never read. False, having called nothing, when the buffer cannot be
// such a one, being of another size.
template <class Piece, class Tick>
bool PickBoxLinesOf(const LineBytes& source, std::string_view buffer,
                    std::span<const std::uint32_t> indices, Piece&& piece, Tick&& tick) {
    struct Moved {
        std::uint32_t line;
        std::size_t start; // in the buffer
        std::size_t end;
    };
    std::vector<Moved> moved;
    moved.reserve(source.Unboxed().size());
    std::ptrdiff_t shift = 0; // of the lines after those in moved, from source to the buffer
    for (const std::uint32_t line : source.Unboxed()) {
        const std::size_t start = source.Start(line) + shift;
        if (start > buffer.size())
            return false;
        const std::size_t end = BoxLineEnd(buffer, start);
        moved.push_back({line, start, end});
        shift = static_cast<std::ptrdiff_t>(end) -
                static_cast<std::ptrdiff_t>(source.Start(line + std::size_t{1}));
    }
    if (source.Text().size() + shift != buffer.size())
        return false;

    shift = 0;
    auto next = moved.begin(); // the first unboxed line not passed
    std::size_t line = 0;
    std::size_t runStart = 0;
    std::size_t runEnd = 0;
    for (const std::uint32_t index : indices) {
        for (; line < index; ++line)
            tick(line);
        for (; next != moved.end() && next->line < index; ++next)
            shift = static_cast<std::ptrdiff_t>(next->end) -
                    static_cast<std::ptrdiff_t>(source.Start(next->line + std::size_t{1}));
        const bool isMoved = next != moved.end() && next->line == index;
        const std::size_t start = isMoved ? next->start : source.Start(index) + shift;
        if (start != runEnd) {
            if (runEnd != runStart)
                piece(buffer.substr(runStart, runEnd - runStart));
            runStart = start;
        }
        tick(line++);
        runEnd = isMoved ? next->end : source.Start(index + std::size_t{1}) + shift;
    }
    if (runEnd != runStart)
        piece(buffer.substr(runStart, runEnd - runStart));
    return true;
}
