#include "core/lines/LineBytes.h"

#include "core/base/PopulateMemory.h"
#include "core/lines/BoxTextCodec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Fresh memory is faulted in ahead of the lines this much at a time (PopulateMemory.h).
constexpr std::size_t kPopulateBytes = 32 << 20;

// The UTF-16 code units of well-formed UTF-8: one a character, two for a four-byte one.
std::size_t Utf16Units(std::string_view utf8) {
    std::size_t units = 0;
    for (const char byte : utf8) {
        const auto b = static_cast<unsigned char>(byte);
        units += (b & 0xC0) != 0x80;
        units += b >= 0xF0;
    }
    return units;
}

// Whether the box's buffer holds line as its bytes: no carriage return, which the box keeps in
// a form of its own, and no more units than one row takes. A line of no more bytes than that
// has no more units.
bool IsOwnBoxForm(std::string_view line) {
    return std::memchr(line.data(), '\r', line.size()) == nullptr &&
           (line.size() <= kBoxRowUnits || Utf16Units(line) <= kBoxRowUnits);
}

} // namespace

void LineBytes::Free::operator()(char* data) const {
    std::free(data);
}

LineBytes::LineBytes(unsigned startBits) : startBits_(startBits) {}
LineBytes::~LineBytes() = default;

void LineBytes::Reserve(std::size_t bytes, std::size_t lines) {
    starts_.reserve(starts_.size() + lines);
    expected_ = used_ + bytes;
    // Room for a CR a line, which lines of a file that end in LF alone take more here, and a
    // sixteenth more for lines that turn out more or shorter: only address space until lines
    // take it, and a move costs a copy of the lines (below).
    Grow(bytes + lines + bytes / 16);
}

// The memory grows by realloc. A block of its own mapping moves its pages rather than copy
// them, but the window keeps large blocks in the heap (HeapTuning.h), where the lines are
// copied, and held twice meanwhile, unless the block can grow where it is.
void LineBytes::Grow(std::size_t bytes) {
    const std::size_t used = used_;
    if (capacity_ - used >= bytes)
        return;
    const std::size_t capacity = std::max(used + bytes, capacity_ + capacity_ / 2);
    const std::lock_guard hold(moving_);
    char* const data = static_cast<char*>(std::realloc(data_.get(), capacity));
    if (data == nullptr)
        throw std::bad_alloc();
    (void)data_.release();
    data_.reset(data);
    capacity_ = capacity;
    populated_ = std::min(populated_, used);
}

// Room for bytes more, faulted in a little ahead of the lines rather than all at once: the
// whole room of a large file would take most of a second, which a stop must not wait for. Not
// ahead past the size expected, though: a page faulted in and never written is held all the
// same, in the heap once Finish gives the room back.
char* LineBytes::Room(std::size_t bytes) {
    Grow(bytes);
    const std::size_t used = used_;
    if (used + bytes > populated_) {
        const std::size_t ahead = std::min(used + bytes + kPopulateBytes, expected_);
        const std::size_t end = std::min(capacity_, std::max(used + bytes, ahead));
        tandrel::PopulateForWriting(data_.get() + populated_, end - populated_);
        populated_ = end;
    }
    return data_.get() + used;
}

void LineBytes::Add(std::string_view line) {
    char* const out = Room(line.size() + kLineEnd.size());
    if (!IsOwnBoxForm(line))
        unboxed_.push_back(static_cast<std::uint32_t>(Lines()));
    std::memcpy(out, line.data(), line.size());
    std::memcpy(out + line.size(), kLineEnd.data(), kLineEnd.size());
    AddStart(used_ + line.size() + kLineEnd.size());
}

void LineBytes::AddStart(std::size_t start) {
    // A line longer than the span of the low bits passes more than one boundary.
    for (std::size_t high = used_ >> startBits_; high < start >> startBits_; ++high)
        wraps_.push_back(starts_.size());
    starts_.push_back(static_cast<std::uint32_t>(start & ((std::size_t{1} << startBits_) - 1)));
    used_ = start;
}

std::size_t LineBytes::HighBits(std::size_t i) const {
    const auto passed = std::upper_bound(wraps_.begin(), wraps_.end(), i) - wraps_.begin();
    return static_cast<std::size_t>(passed) << startBits_;
}

LineEndCounts LineBytes::AddLines(std::string_view block) {
    LineEndCounts ends;
    // Room for the worst case, every line ending in LF alone, is at most twice the block.
    Room(2 * block.size());
    const char* at = block.data();
    const char* const end = block.data() + block.size();
    while (at != end) {
        const auto* const lineFeed =
            static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        std::size_t length = static_cast<std::size_t>(lineFeed - at);
        if (length > 0 && at[length - 1] == '\r') {
            --length;
            ++ends.crLf;
        } else {
            ++ends.lf;
        }
        Add({at, length});
        at = lineFeed + 1;
    }
    return ends;
}

LineBytes::Piece LineBytes::PieceOf(std::size_t first, std::size_t end) const {
    Piece piece{Start(first), Start(end), {}};
    const auto from = std::lower_bound(unboxed_.begin(), unboxed_.end(), first);
    for (auto line = from; line != unboxed_.end() && *line < end; ++line)
        piece.unboxed.emplace_back(Start(*line), Start(*line + 1) - kLineEnd.size());
    return piece;
}

void LineBytes::Finish() {
    const std::size_t used = used_;
    if (used == capacity_)
        return;
    const std::lock_guard hold(moving_);
    if (char* const data =
            static_cast<char*>(std::realloc(data_.get(), std::max<std::size_t>(used, 1)))) {
        (void)data_.release();
        data_.reset(data);
        capacity_ = std::max<std::size_t>(used, 1);
        populated_ = std::min(populated_, capacity_);
    }
}
