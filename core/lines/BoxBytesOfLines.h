// The buffer bytes of a text box (BoxTextCodec.h) for lines, each followed by the same line end,
// gathered by the lines' reader as it reads them. A line read from UTF-8 is its own buffer form
// unless it holds a carriage return (lone, in the box's form) or is long enough for rows, so its
// bytes from the file are copied as they are: a fraction of what encoding its units again would
// cost. The other lines are left to that encoding, marked where their bytes belong.
#pragma once

#include "core/lines/BoxTextCodec.h"

#include <cstddef>
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
