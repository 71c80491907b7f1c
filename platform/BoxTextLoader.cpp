#include "platform/BoxTextLoader.h"

#include "core/base/OperationProgress.h"
#include "core/encoding/TextCodecs.h"
#include "core/lines/BoxBufferLines.h"
#include "core/lines/BoxTextCodec.h"
#include "core/lines/LineBytes.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

namespace {

// Handed to the editor a megabyte at a time: small enough to stay in the cache, large enough
// that the editor's own work per call does not count.
constexpr std::size_t kChunkBytes = 1 << 20;

// Whether the box takes the lines as their source's text (LineBytes::Text), the few of another
// form apart: all of them, each followed by the line end the source puts after each.
bool TakesSourceText(const LineList& lines, std::size_t count, std::u16string_view lineEnd) {
    return lines.HoldsAllBytes() && count >= lines.size() && lineEnd == u"\r\n";
}

// The units of a line kept as bytes, alone: asking the list would decode all of them.
std::u16string DecodedLine(std::string_view bytes) {
    std::u16string units(bytes.size(), u'\0');
    units.resize(static_cast<std::size_t>(DecodeUtf8(bytes, units.data()) - units.data()));
    return units;
}

} // namespace

// The editor's interface for filling a document that no window shows yet, from any thread
// (Scintilla's ILoader; its header is not installed with the editor).
class ILoader {
public:
    virtual int Release() = 0;
    // Returns 0 on success, 2 when memory ran out.
    virtual int AddData(const char* data, std::ptrdiff_t length) = 0;
    virtual void* ConvertToDocument() = 0;
};

BoxTextLoader::BoxTextLoader(BoxTextLoader&& other) noexcept
    : loader_(std::exchange(other.loader_, nullptr)), chunk_(std::move(other.chunk_)),
      used_(std::exchange(other.used_, 0)) {}

BoxTextLoader& BoxTextLoader::operator=(BoxTextLoader&& other) noexcept {
    std::swap(loader_, other.loader_);
    std::swap(chunk_, other.chunk_);
    std::swap(used_, other.used_);
    return *this;
}

BoxTextLoader::~BoxTextLoader() {
    if (loader_)
        loader_->Release();
}

std::size_t BoxTextLoader::SizeOfLines(const LineList& lines, std::size_t count,
                                       std::u16string_view lineEnd) {
    if (TakesSourceText(lines, count, lineEnd)) {
        const LineBytes& source = lines.ByteSource();
        return SizeOfPiece(source.PieceOf(0, source.Lines()));
    }
    count = std::min(count, lines.size());
    std::size_t bytes = count * BoxTextSizeBound(lineEnd);
    for (std::size_t i = 0; i < count; ++i)
        bytes += BoxTextSizeBound(lines[i]);
    return bytes;
}

std::size_t BoxTextLoader::SizeOfPiece(const LineBytes::Piece& piece) {
    // A line of another form takes no more than its bytes would as units.
    std::size_t bytes = piece.to - piece.from;
    for (const auto& [start, end] : piece.unboxed)
        bytes += MaxBoxTextSize(end - start);
    return bytes;
}

void BoxTextLoader::AppendLines(const LineList& lines, std::size_t count,
                                std::u16string_view lineEnd, OperationProgress* progress) {
    if (TakesSourceText(lines, count, lineEnd)) {
        const LineBytes& source = lines.ByteSource();
        AppendPiece(source.Data(), source.PieceOf(0, source.Lines()), lineEnd, progress,
                    source.Text().size());
    } else {
        Append(lines, std::min(count, lines.size()), lineEnd, progress);
    }
}

void BoxTextLoader::AppendPiece(const char* text, const LineBytes::Piece& piece,
                                std::u16string_view lineEnd, OperationProgress* progress,
                                std::size_t total) {
    // In pieces of whole lines, so that a stop asked for is seen while a large text is copied.
    constexpr std::size_t kPieceBytes = 8 << 20;
    const auto copy = [&](std::size_t from, std::size_t to) {
        while (from < to) {
            std::size_t end = to;
            if (to - from > kPieceBytes) {
                const void* lineFeed = memrchr(text + from, '\n', kPieceBytes);
                end = lineFeed
                          ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - text) + 1
                          : to;
            }
            PutBytes({text + from, end - from});
            from = end;
            if (progress) {
                progress->ThrowIfCancelled();
                if (total != 0)
                    progress->Report(from, total);
            }
        }
    };
    std::size_t done = piece.from;
    for (const auto& [start, end] : piece.unboxed) {
        copy(done, start);
        Put(DecodedLine({text + start, end - start}));
        Put(lineEnd);
        done = end + LineBytes::kLineEnd.size();
    }
    copy(done, piece.to);
    Flush();
}

void BoxTextLoader::AppendLines(std::span<const std::u16string_view> lines,
                                std::u16string_view lineEnd, OperationProgress* progress) {
    Append(lines, lines.size(), lineEnd, progress);
}

void BoxTextLoader::AppendLines(std::string_view buffer, std::span<const std::uint32_t> indices,
                                OperationProgress* progress, std::uint64_t done,
                                std::uint64_t total, const LineBytes* source) {
    const ProgressTicker ticker(progress, total);
    const auto put = [this](std::string_view bytes) { PutBytes(bytes); };
    const auto tick = [&](std::size_t line) { ticker.Tick(done + line); };
    if (!source || !PickBoxLinesOf(*source, buffer, indices, put, tick))
        PickBoxLines(buffer, indices, put, tick);
    Flush();
}

template <class Lines>
void BoxTextLoader::Append(const Lines& lines, std::size_t count, std::u16string_view lineEnd,
                           OperationProgress* progress) {
    const ProgressTicker ticker(progress, count);
    for (std::size_t i = 0; i < count; ++i) {
        Put(lines[i]);
        Put(lineEnd);
        ticker.Tick(i);
    }
    Flush();
}

void BoxTextLoader::Put(std::u16string_view text) {
    // Kept from one call to the next: a feed appends a batch at a time, and a fresh megabyte
    // for each would be placed among the list blocks being read meanwhile.
    if (chunk_.size() < kChunkBytes)
        chunk_.resize(kChunkBytes);
    const std::size_t room = MaxBoxTextSize(text.size());
    if (used_ + room > chunk_.size()) {
        Flush();
        if (room > chunk_.size())
            chunk_.resize(room); // one very long line
    }
    used_ = static_cast<std::size_t>(EncodeBoxTextTo(text, chunk_.data() + used_) - chunk_.data());
}

void BoxTextLoader::PutBytes(std::string_view bytes) {
    if (chunk_.size() < kChunkBytes)
        chunk_.resize(kChunkBytes);
    if (used_ + bytes.size() <= chunk_.size()) {
        std::memcpy(chunk_.data() + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
        return;
    }
    // Too many to copy once more: straight to the editor, in chunks as large, each cut after a
    // line feed as the chunks of lines are.
    Flush();
    while (bytes.size() > kChunkBytes) {
        const void* lineFeed = memrchr(bytes.data(), '\n', kChunkBytes);
        const std::size_t cut =
            lineFeed
                ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - bytes.data()) + 1
                : bytes.size();
        Add(bytes.substr(0, cut));
        bytes.remove_prefix(cut);
    }
    Add(bytes);
}

void BoxTextLoader::Flush() {
    const std::size_t used = std::exchange(used_, 0);
    Add(std::string_view(chunk_.data(), used));
}

void BoxTextLoader::Add(std::string_view bytes) {
    if (!bytes.empty() &&
        loader_->AddData(bytes.data(), static_cast<std::ptrdiff_t>(bytes.size())) != 0)
        throw std::bad_alloc();
}

void* BoxTextLoader::TakeDocument() {
    void* document = loader_->ConvertToDocument();
    loader_ = nullptr;
    chunk_ = std::string();
    return document;
}
