// The document's kind of line list: an ordered list of lines, each handed out as a
// std::u16string_view. A std::vector<std::u16string> of ten million lines is ten million heap
// blocks and 32 bytes of string beside each line's text; here the code units of many lines
// share one large block, and the list itself is an index of one pointer per line.
//
// Lines are never changed once in a block, so lists can share them: a copy of a list, or a list
// that takes lines from another (Pick, FollowLinesOf), points at the same units and
// keeps their blocks alive for as long as it refers to them, whatever becomes of the list they
// came from. Only the list that made a block ever writes to it, and only behind its last line.
// A copy shares the index too, until either list changes: the document holds several lists of
// the same lines (the file's and the box's, the result and its scratch copy), and an index of
// ten million lines is 80 MB.
//
// A list may instead hold the lines of a UTF-8 text as their bytes (LineBytes.h), or some of
// them: a file read that way is held in little more than its own size. Such a list hands out
// its lines' bytes (HoldsBytes, Bytes) to the work that takes them, and decodes its units the
// first time they are asked for, keeping them from then on; so the units are there for every
// use, and cost nothing where no one asks for them. That first use changes the list as any
// other change does: it must not race with another use of the same list object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class LineBytes;
class OperationProgress;

class LineList {
public:
    using value_type = std::u16string_view;
    using size_type = std::size_t;

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::u16string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::u16string_view;

        const_iterator() = default;
        std::u16string_view operator*() const { return View(*at_); }
        std::u16string_view operator[](difference_type n) const { return View(at_[n]); }
        const_iterator& operator++() { return ++at_, *this; }
        const_iterator operator++(int) { return const_iterator(at_++); }
        const_iterator& operator--() { return --at_, *this; }
        const_iterator operator--(int) { return const_iterator(at_--); }
        const_iterator& operator+=(difference_type n) { return at_ += n, *this; }
        const_iterator& operator-=(difference_type n) { return at_ -= n, *this; }
        friend const_iterator operator+(const_iterator i, difference_type n) { return i += n; }
        friend const_iterator operator+(difference_type n, const_iterator i) { return i += n; }
        friend const_iterator operator-(const_iterator i, difference_type n) { return i -= n; }
        friend difference_type operator-(const_iterator a, const_iterator b) {
            return a.at_ - b.at_;
        }
        friend auto operator<=>(const const_iterator&, const const_iterator&) = default;

    private:
        friend class LineList;
        explicit const_iterator(const char16_t* const* at) : at_(at) {}
        const char16_t* const* at_ = nullptr;
    };
    using iterator = const_iterator;

    LineList() = default;
    // Copies of the given lines: for building small lists, as tests do.
    LineList(std::initializer_list<std::u16string_view> lines);
    LineList(const std::vector<std::u16string>& lines); // NOLINT: a list of lines either way
    // A copy shares the other list's lines and index; the first change to either list gives it
    // an index of its own. Neither copying nor moving carries FollowLinesOf over.
    LineList(const LineList& other);
    LineList& operator=(const LineList& other);
    LineList(LineList&& other) noexcept;
    LineList& operator=(LineList&& other) noexcept;
    ~LineList();
    // Every line of bytes, which no one changes any more.
    explicit LineList(std::shared_ptr<const LineBytes> bytes);

    std::size_t size() const {
        return bytes_ ? (picked_ ? picked_->size() : ByteLineCount()) : index_->size();
    }
    bool empty() const { return size() == 0; }
    std::u16string_view operator[](std::size_t i) const { return View(Units()[i]); }
    std::u16string_view back() const { return View(Units().back()); }
    const_iterator begin() const { return const_iterator(Units().data()); }
    const_iterator end() const { return const_iterator(Units().data() + Units().size()); }

    // Decodes the units of a list of bytes now, rather than at their first use, which cannot be
    // stopped: stops (OperationCancelled, the list as it was) when progress asks.
    void DecodeUnits(const OperationProgress* progress) const;
    // Whether the lines are kept as UTF-8 bytes (above); their bytes, and where they lie.
    bool HoldsBytes() const { return bytes_ != nullptr; }
    std::string_view Bytes(std::size_t i) const;
    const LineBytes& ByteSource() const { return *bytes_; }
    // Whether the list holds every line of ByteSource(), in order.
    bool HoldsAllBytes() const { return bytes_ && !picked_; }

    // Room in the index for lines entries, so that filling it never copies the index.
    void reserve(std::size_t lines);
    std::size_t capacity() const { return index_->capacity(); }
    // Drops every line (blocks no other list refers to are freed), keeping the index's room
    // unless another list shares the index.
    void clear();

    // Appends a copy of line.
    void push_back(std::u16string_view line);
    // Appending in two steps, for a caller that decodes straight into the list: room for at
    // most units code units, valid until the list next changes; then the line of the first
    // units of them, which goes to the end of the list as push_back would put it.
    char16_t* LineSpace(std::size_t units);
    void FinishLine(std::size_t units);

    // The lines at the given indices, in that order, sharing their units (or bytes) with this
    // list.
    LineList Pick(const std::vector<std::uint32_t>& indices) const;
    // From now on, a line appended that equals the next line of earlier is taken from earlier
    // (shared, not copied): Run's split of a text just loaded from a file then holds no second
    // copy of it. After lines inserted, a line replaced or up to three deleted, the following
    // lines are found again. earlier must outlast the appending.
    void FollowLinesOf(const LineList& earlier);

    friend bool operator==(const LineList& a, const LineList& b);
    friend bool operator==(const LineList& a, const std::vector<std::u16string>& b);

private:
    // A line's units follow its length, which takes two units (32 bits) in the block; the index
    // points at the units. Empty lines all point behind one static length of 0.
    static constexpr std::size_t kLengthUnits = 2;

    static std::u16string_view View(const char16_t* units) {
        std::uint32_t length;
        std::memcpy(&length, units - kLengthUnits, sizeof length);
        return {units, length};
    }
    using Index = std::vector<const char16_t*>;
    // The index, once the units of a list of bytes are decoded.
    const Index& Units() const {
        if (bytes_ && !decoded_) [[unlikely]]
            Decode();
        return *index_;
    }
    void Decode(const OperationProgress* progress = nullptr) const;
    // Makes a list of bytes one of units, to be changed.
    void LeaveBytes();
    std::size_t ByteLineCount() const;
    // The one empty index that lists share until they hold a line.
    static std::shared_ptr<Index> EmptyIndex() noexcept;
    // The index, made this list's own (with room for at least room entries) when it is shared.
    Index& Own(std::size_t room = 0);
    void Adopt(const LineList& from);
    void StartBlock(std::size_t units);
    bool TakeFromEarlier(std::u16string_view line);

    // Both filled by Decode for a list of bytes, which is what lets it be const.
    mutable std::shared_ptr<Index> index_ = EmptyIndex();
    // Every block that a line of the index may point into.
    mutable std::vector<std::shared_ptr<char16_t[]>> blocks_;
    // A list of bytes: its source, which of the source's lines it holds (all, when none), and
    // whether its units are decoded into index_ and blocks_.
    std::shared_ptr<const LineBytes> bytes_;
    std::shared_ptr<const std::vector<std::uint32_t>> picked_;
    mutable bool decoded_ = false;
    // The block this list writes to (the last one it made) and the room left in it; none when
    // the list has made no block since it was last copied or cleared.
    char16_t* tail_ = nullptr;
    std::size_t room_ = 0;
    std::size_t nextBlockUnits_ = 0;
    // FollowLinesOf: the earlier list, the next of its lines expected, and whether its blocks
    // are among ours yet.
    const LineList* earlier_ = nullptr;
    std::size_t earlierNext_ = 0;
    bool earlierAdopted_ = false;
};
