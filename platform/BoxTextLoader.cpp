#include "platform/BoxTextLoader.h"

#include "core/lines/BoxTextCodec.h"
#include "core/base/OperationProgress.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>

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
    : loader_(std::exchange(other.loader_, nullptr)), chunk_(std::move(other.chunk_)) {}

BoxTextLoader& BoxTextLoader::operator=(BoxTextLoader&& other) noexcept {
    std::swap(loader_, other.loader_);
    std::swap(chunk_, other.chunk_);
    return *this;
}

BoxTextLoader::~BoxTextLoader() {
    if (loader_)
        loader_->Release();
}

std::size_t BoxTextLoader::SizeOfLines(const LineList& lines, std::size_t count,
                                       std::u16string_view lineEnd) {
    count = std::min(count, lines.size());
    std::size_t bytes = count * BoxTextSizeBound(lineEnd);
    for (std::size_t i = 0; i < count; ++i)
        bytes += BoxTextSizeBound(lines[i]);
    return bytes;
}

void BoxTextLoader::AppendLines(const LineList& lines, std::size_t count,
                                std::u16string_view lineEnd, OperationProgress* progress) {
    Append(lines, std::min(count, lines.size()), lineEnd, progress);
}

void BoxTextLoader::AppendLines(std::span<const std::u16string_view> lines,
                                std::u16string_view lineEnd, OperationProgress* progress) {
    Append(lines, lines.size(), lineEnd, progress);
}

template <class Lines>
void BoxTextLoader::Append(const Lines& lines, std::size_t count, std::u16string_view lineEnd,
                           OperationProgress* progress) {
    // Handed to the editor a megabyte at a time: small enough to stay in the cache, large
    // enough that the editor's own work per call does not count.
    constexpr std::size_t kChunkBytes = 1 << 20;
    // Kept from one call to the next: a feed appends a batch at a time, and a fresh megabyte
    // for each would be placed among the list blocks being read meanwhile.
    std::string& chunk = chunk_;
    if (chunk.size() < kChunkBytes)
        chunk.resize(kChunkBytes);
    std::size_t used = 0;
    const auto append = [&](std::u16string_view text) {
        const std::size_t room = MaxBoxTextSize(text.size());
        if (used + room > chunk.size()) {
            Add(std::string_view(chunk.data(), used));
            used = 0;
            if (room > chunk.size())
                chunk.resize(room); // one very long line
        }
        used = static_cast<std::size_t>(EncodeBoxTextTo(text, chunk.data() + used) - chunk.data());
    };
    const ProgressTicker ticker(progress, count);
    for (std::size_t i = 0; i < count; ++i) {
        append(lines[i]);
        append(lineEnd);
        ticker.Tick(i);
    }
    Add(std::string_view(chunk.data(), used));
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
