// The lines of a well-formed UTF-8 text kept as their bytes, for a document that would otherwise
// hold them twice: as UTF-16 units, and as the text box's buffer, which for nearly every line is
// the line's UTF-8 followed by CR LF. Here each line's bytes are followed by CR LF, one line
// after another in one buffer, so that the lines are that buffer for all but the few lines whose
// box form differs (Unboxed), and copying them into a box costs a copy of memory.
//
// A LineList made of them (LineList.h) hands out their units only when asked, decoding them
// then; Run's filter, the boxes and Save take the bytes themselves.
#pragma once

#include "core/lines/LineEnd.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

class LineBytes {
public:
    // startBits: how many low bits of each line's start are kept a line, 32 but for tests of
    // texts past the size they span.
    explicit LineBytes(unsigned startBits = 32);
    LineBytes(const LineBytes&) = delete;
    LineBytes& operator=(const LineBytes&) = delete;
    ~LineBytes();

    // Room for a text of about bytes bytes in about lines lines, so that the lines are seldom
    // moved while they are added. Memory is faulted in ahead of the lines up to that size, and
    // past it only as lines take it.
    void Reserve(std::size_t bytes, std::size_t lines);
    // Adds one line: well-formed UTF-8 holding no line feed.
    void Add(std::string_view line);
    // Adds every line of block, well-formed UTF-8 in which each line ends with a line feed, the
    // carriage return before it (if any) being part of the line end, as the file reader cuts
    // lines. Returns the line ends met.
    LineEndCounts AddLines(std::string_view block);
    // Gives back the room reserved and not used.
    void Finish();

    std::size_t Lines() const { return starts_.size() - 1; }
    std::string_view Line(std::size_t i) const {
        const std::size_t start = Start(i);
        return {data_.get() + start, Start(i + 1) - start - kLineEnd.size()};
    }
    // Every line followed by CR LF.
    std::string_view Text() const { return {data_.get(), used_}; }
    // Where line i starts in Text(); Start(Lines()) is its end.
    std::size_t Start(std::size_t i) const {
        return wraps_.empty() ? starts_[i] : starts_[i] + HighBits(i);
    }
    // The lines, in order, whose text box form is not their bytes (BoxTextCodec.h): those that
    // hold a carriage return, or are long enough to be cut into rows.
    const std::vector<std::uint32_t>& Unboxed() const { return unboxed_; }

    static constexpr std::string_view kLineEnd = "\r\n";

    // The lines from first up to end as a place in Text(), for a thread that copies them
    // without asking the object (Hold): bytes [from, to) of it, and the lines among them in
    // Unboxed(), as [start, end) of their bytes (each then followed by CR LF).
    struct Piece {
        std::size_t from = 0;
        std::size_t to = 0;
        std::vector<std::pair<std::size_t, std::size_t>> unboxed;
    };
    Piece PieceOf(std::size_t first, std::size_t end) const;

    // For a thread that reads lines already added while another thread adds more: the lines
    // stay at Data() while the lock is held, as only growing the buffer or Finish moves them,
    // and they wait for it. Nothing else of the object is for that thread to read.
    std::unique_lock<std::mutex> Hold() const { return std::unique_lock(moving_); }
    const char* Data() const { return data_.get(); }

private:
    struct Free {
        void operator()(char* data) const;
    };
    void Grow(std::size_t bytes);
    char* Room(std::size_t bytes);
    std::size_t HighBits(std::size_t i) const;
    void AddStart(std::size_t start);

    std::unique_ptr<char, Free> data_;
    std::size_t capacity_ = 0;
    std::size_t populated_ = 0; // the bytes before this are faulted in
    std::size_t expected_ = 0;  // the size Reserve was told of
    std::size_t used_ = 0;      // the size of Text()
    // Where each line starts, and the last ends, as their low bits: half the memory of whole
    // offsets, which a text of ten million lines would spend forty megabytes on. The high bits
    // are the number of wraps_ at or before the line's index, shifted.
    unsigned startBits_;
    std::vector<std::uint32_t> starts_{0};
    std::vector<std::size_t> wraps_; // indices into starts_ at which the high bits go up by one
    std::vector<std::uint32_t> unboxed_;
    mutable std::mutex moving_; // held while data_ changes
};
