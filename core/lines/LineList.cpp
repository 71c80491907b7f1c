#include "core/lines/LineList.h"

#include "core/base/OperationProgress.h"
#include "core/base/PopulateMemory.h"
#include "core/encoding/TextCodecs.h"
#include "core/lines/LineBytes.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace {

// The length of every empty line, which then takes no room in any block.
constexpr char16_t kEmptyLine[2] = {0, 0};
const char16_t* const kEmptyUnits = kEmptyLine + 2;

// How far a list that follows another looks for the next line it may share.
constexpr std::size_t kLinesLookedAhead = 4;

// Blocks start small, so that the many small lists of a session cost little, and double up to
// eight megabytes: large enough that a file of gigabytes takes a few hundred of them.
constexpr std::size_t kFirstBlockUnits = 2 * 1024;
constexpr std::size_t kLargestBlockUnits = 4 * 1024 * 1024;
// From this size on a block's pages are faulted in by one call before the lines are written
// (PopulateMemory.h). Faulted in one at a time, every page cost its first write dearly on a
// virtual machine whose host maps the guest's pages as they are first written.
constexpr std::size_t kPopulatedBlockBytes = 2 * 1024 * 1024;

std::shared_ptr<char16_t[]> NewBlock(std::size_t units) {
    const std::size_t bytes = units * sizeof(char16_t);
    // The units are written before they are read; zeroing them first would touch every page
    // twice.
    std::shared_ptr<char16_t[]> block = std::make_shared_for_overwrite<char16_t[]>(units);
    if (bytes >= kPopulatedBlockBytes)
        tandrel::PopulateForWriting(block.get(), bytes);
    return block;
}

} // namespace

LineList::LineList(std::initializer_list<std::u16string_view> lines) {
    reserve(lines.size());
    for (const std::u16string_view line : lines)
        push_back(line);
}

LineList::LineList(const std::vector<std::u16string>& lines) {
    reserve(lines.size());
    for (const std::u16string& line : lines)
        push_back(line);
}

LineList::LineList(const LineList& other)
    : index_(other.index_), blocks_(other.blocks_), bytes_(other.bytes_), picked_(other.picked_),
      decoded_(other.decoded_) {}

LineList::LineList(std::shared_ptr<const LineBytes> bytes) : bytes_(std::move(bytes)) {}

LineList& LineList::operator=(const LineList& other) {
    if (this != &other)
        *this = LineList(other);
    return *this;
}

LineList::LineList(LineList&& other) noexcept
    : index_(std::exchange(other.index_, EmptyIndex())), blocks_(std::move(other.blocks_)),
      bytes_(std::move(other.bytes_)), picked_(std::move(other.picked_)),
      decoded_(std::exchange(other.decoded_, false)), tail_(std::exchange(other.tail_, nullptr)),
      room_(std::exchange(other.room_, 0)),
      nextBlockUnits_(std::exchange(other.nextBlockUnits_, 0)) {
    other.blocks_.clear();
    other.earlier_ = nullptr;
}

LineList& LineList::operator=(LineList&& other) noexcept {
    if (this != &other) {
        index_ = std::exchange(other.index_, EmptyIndex());
        blocks_ = std::move(other.blocks_);
        tail_ = std::exchange(other.tail_, nullptr);
        room_ = std::exchange(other.room_, 0);
        nextBlockUnits_ = std::exchange(other.nextBlockUnits_, 0);
        bytes_ = std::move(other.bytes_);
        picked_ = std::move(other.picked_);
        decoded_ = std::exchange(other.decoded_, false);
        earlier_ = nullptr;
        other.blocks_.clear();
        other.earlier_ = nullptr;
    }
    return *this;
}

LineList::~LineList() = default;

std::shared_ptr<LineList::Index> LineList::EmptyIndex() noexcept {
    static const std::shared_ptr<Index> empty = std::make_shared<Index>();
    return empty;
}

std::size_t LineList::ByteLineCount() const {
    return bytes_->Lines();
}

std::string_view LineList::Bytes(std::size_t i) const {
    return bytes_->Line(picked_ ? (*picked_)[i] : i);
}

void LineList::DecodeUnits(const OperationProgress* progress) const {
    if (bytes_ && !decoded_)
        Decode(progress);
}

void LineList::Decode(const OperationProgress* progress) const {
    // Into a list of units of its own, whose index and blocks this one then takes over: its
    // lines decode straight into the blocks, as a file's lines do (never more units than bytes).
    LineList units;
    const std::size_t count = size();
    units.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (progress && i % ProgressTicker::kEvery == 0)
            progress->ThrowIfCancelled();
        const std::string_view line = Bytes(i);
        char16_t* const out = units.LineSpace(line.size());
        units.FinishLine(static_cast<std::size_t>(DecodeUtf8(line, out) - out));
    }
    index_ = std::move(units.index_);
    blocks_ = std::move(units.blocks_);
    decoded_ = true;
}

void LineList::LeaveBytes() {
    if (!bytes_)
        return;
    Units();
    bytes_.reset();
    picked_.reset();
    decoded_ = false;
}

LineList::Index& LineList::Own(std::size_t room) {
    LeaveBytes();
    if (index_.use_count() == 1) {
        if (room > index_->capacity()) {
            index_->reserve(room);
        }
        return *index_;
    }
    auto own = std::make_shared<Index>();
    own->reserve(std::max(room, index_->size()));
    own->assign(index_->begin(), index_->end());
    index_ = std::move(own);
    return *index_;
}

void LineList::reserve(std::size_t lines) {
    LeaveBytes();
    // A shared index is never filled: the room has to be the list's own.
    if (lines > index_->capacity() || index_.use_count() != 1)
        Own(lines);
}

void LineList::clear() {
    bytes_.reset();
    picked_.reset();
    decoded_ = false;
    if (index_.use_count() == 1)
        index_->clear();
    else
        index_ = EmptyIndex();
    blocks_.clear();
    tail_ = nullptr;
    room_ = 0;
    nextBlockUnits_ = 0;
    earlier_ = nullptr;
}

void LineList::push_back(std::u16string_view line) {
    if (TakeFromEarlier(line))
        return;
    if (line.empty()) {
        Own().push_back(kEmptyUnits);
        return;
    }
    std::copy(line.begin(), line.end(), LineSpace(line.size()));
    FinishLine(line.size());
}

char16_t* LineList::LineSpace(std::size_t units) {
    LeaveBytes();
    if (room_ < units + kLengthUnits)
        StartBlock(units + kLengthUnits);
    return tail_ + kLengthUnits;
}

void LineList::FinishLine(std::size_t units) {
    if (units == 0) {
        Own().push_back(kEmptyUnits);
        return;
    }
    const auto length = static_cast<std::uint32_t>(units);
    std::memcpy(tail_, &length, sizeof length);
    Own().push_back(tail_ + kLengthUnits);
    tail_ += units + kLengthUnits;
    room_ -= units + kLengthUnits;
}

void LineList::StartBlock(std::size_t units) {
    nextBlockUnits_ = std::clamp(nextBlockUnits_ * 2, kFirstBlockUnits, kLargestBlockUnits);
    const std::size_t size = std::max(units, nextBlockUnits_);
    std::shared_ptr<char16_t[]> block = NewBlock(size);
    blocks_.push_back(block);
    tail_ = block.get();
    room_ = size;
}

LineList LineList::Pick(const std::vector<std::uint32_t>& indices) const {
    if (bytes_ && !decoded_) {
        LineList picked(bytes_);
        if (picked_) {
            auto lines = std::make_shared<std::vector<std::uint32_t>>();
            lines->reserve(indices.size());
            for (const std::uint32_t i : indices)
                lines->push_back((*picked_)[i]);
            picked.picked_ = std::move(lines);
        } else {
            picked.picked_ = std::make_shared<const std::vector<std::uint32_t>>(indices);
        }
        return picked;
    }
    Units();
    LineList picked;
    Index& index = picked.Own(indices.size());
    for (const std::uint32_t i : indices)
        index.push_back((*index_)[i]);
    picked.blocks_ = blocks_;
    return picked;
}

void LineList::FollowLinesOf(const LineList& earlier) {
    LeaveBytes();
    earlier_ = &earlier;
    earlierNext_ = 0;
    earlierAdopted_ = false;
}

bool LineList::TakeFromEarlier(std::u16string_view line) {
    if (earlier_ == nullptr)
        return false;
    const LineList& earlier = *earlier_;
    // The next line, or one of the few after it (lines of the earlier list deleted, or one
    // replaced); a line that matches none of them leaves the place as it is, as an inserted
    // line would.
    const std::size_t last = std::min(earlier.size(), earlierNext_ + kLinesLookedAhead);
    for (std::size_t k = earlierNext_; k < last; ++k) {
        if (earlier[k] == line) { // which decodes a list of bytes
            if (!earlierAdopted_) {
                Adopt(earlier);
                earlierAdopted_ = true;
            }
            Own().push_back((*earlier.index_)[k]);
            earlierNext_ = k + 1;
            return true;
        }
    }
    return false;
}

void LineList::Adopt(const LineList& from) {
    blocks_.insert(blocks_.end(), from.blocks_.begin(), from.blocks_.end());
    std::sort(blocks_.begin(), blocks_.end(), std::less<>());
    blocks_.erase(std::unique(blocks_.begin(), blocks_.end()), blocks_.end());
}

bool operator==(const LineList& a, const LineList& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

bool operator==(const LineList& a, const std::vector<std::u16string>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}
