// The buffer bytes of a text box (BoxTextCodec.h) for lines, each followed by the same line end,
// gathered by the lines' reader as it reads them. A line read from UTF-8 is its own buffer form
// unless it holds a carriage return (lone, in the box's form) or is long enough for rows, so its
// bytes from the file are copied as they are: a fraction of what encoding its units again would
// cost. The other lines are left to that encoding, marked where their bytes belong.
//
// Likewise a box's buffer holds the bytes of each of its lines: a box that takes some of them
// (Run's result) copies those rather than encoding the lines again (PickBoxLines).
#pragma once

#include "core/lines/BoxTextCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class BoxBytesOfLines {
public:
    explicit BoxBytesOfLines(std::u16string_view lineEnd = {}) : lineEnd_(EncodeBoxText(lineEnd)) {}

    // Adds the next line: its units, which must stay where they are until the bytes are used,
    // and bytes that are exactly their UTF-8 form.
    void Add(std::u16string_view line, std::string_view utf8) {
        ++lines_;
        if (line.size() <= kBoxRowUnits && utf8.find('\r') == std::string_view::npos) {
            bytes_ += utf8;
            bytes_ += lineEnd_;
        } else {
            missing_.push_back({bytes_.size(), line});
        }
    }
    // The lines added since the last Clear.
    std::size_t Lines() const { return lines_; }

    // Hands over the buffer bytes of those lines, in order: bytes(piece) for what was gathered,
    // and line(units) for each line whose bytes were not, for the caller to encode with its line
    // end. Every piece ends with a line end.
    template <class Bytes, class Line> void Replay(Bytes&& bytes, Line&& line) const {
        std::size_t done = 0;
        for (const Missing& missing : missing_) {
            if (missing.at != done)
                bytes(std::string_view(bytes_).substr(done, missing.at - done));
            line(missing.line);
            done = missing.at;
        }
        if (done != bytes_.size())
            bytes(std::string_view(bytes_).substr(done));
    }

    // Forgets the lines, keeping the memory for the next ones.
    void Clear() {
        bytes_.clear();
        missing_.clear();
        lines_ = 0;
    }

private:
    struct Missing {
        std::size_t at; // where in bytes_ the line's bytes belong
        std::u16string_view line;
    };
    std::string lineEnd_;
    std::string bytes_;
    std::vector<Missing> missing_;
    std::size_t lines_ = 0;
};

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
