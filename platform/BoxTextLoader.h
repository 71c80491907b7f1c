// A text box's whole new text, built away from the box (on a worker thread, say, by
// CEdit::LoadLines) and handed to it in one step by CEdit::TakeText. Lines go into the editor's
// buffer form as they come, so no joined copy of a large text is ever made, and the box keeps
// its old text until the new one is complete: dropping the loader instead leaves the box as it
// was.
#pragma once

#include "core/lines/LineBytes.h"
#include "core/lines/LineList.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class ILoader;
class OperationProgress;

class BoxTextLoader {
public:
    BoxTextLoader() = default;
    BoxTextLoader(BoxTextLoader&& other) noexcept;
    BoxTextLoader& operator=(BoxTextLoader&& other) noexcept;
    ~BoxTextLoader();

    // At least the buffer bytes the first count lines take, each followed by lineEnd
    // (BoxTextSizeBound).
    static std::size_t SizeOfLines(const LineList& lines, std::size_t count,
                                   std::u16string_view lineEnd);
    // The same for a piece of lines kept as bytes, each followed by CR LF.
    static std::size_t SizeOfPiece(const LineBytes::Piece& piece);

    // Appends the first count lines, each followed by lineEnd. Reports the lines done to
    // progress and stops (OperationCancelled) when it asks. Throws std::bad_alloc when the
    // editor runs out of memory. All the lines of a list kept as bytes, each followed by CR LF,
    // are copied from their bytes, and the bytes done reported.
    void AppendLines(const LineList& lines, std::size_t count, std::u16string_view lineEnd,
                     OperationProgress* progress);
    // The same for lines given one by one, as views.
    void AppendLines(std::span<const std::u16string_view> lines, std::u16string_view lineEnd,
                     OperationProgress* progress);
    // The same for the lines at indices (increasing) of the lines that buffer, a box's bytes,
    // holds each followed by CR LF: appends each with CR LF, copied from there (PickBoxLines;
    // PickBoxLinesOf for a buffer known to hold the lines of source). Reports and stops as
    // above, the lines passed counting from done of total.
    void AppendLines(std::string_view buffer, std::span<const std::uint32_t> indices,
                     OperationProgress* progress, std::uint64_t done, std::uint64_t total,
                     const LineBytes* source = nullptr);
    // The same for a piece of lines kept as bytes, whose text is at text (LineBytes::Data): the
    // lines of another form are decoded and encoded, each followed by lineEnd; the rest are
    // copied with their CR LF. Stops as above, and reports the bytes of text done of total
    // unless that is 0.
    void AppendPiece(const char* text, const LineBytes::Piece& piece, std::u16string_view lineEnd,
                     OperationProgress* progress, std::size_t total);

private:
    friend class CEdit;
    explicit BoxTextLoader(ILoader* loader) : loader_(loader) {}
    template <class Lines>
    void Append(const Lines& lines, std::size_t count, std::u16string_view lineEnd,
                OperationProgress* progress);
    // Encodes text, or copies bytes of whole lines, behind the used_ bytes of chunk_, handing
    // the chunk to the editor first when it is full.
    void Put(std::u16string_view text);
    void PutBytes(std::string_view bytes);
    // Hands the used bytes of chunk_ to the editor.
    void Flush();
    void Add(std::string_view bytes);
    // The finished document, handed over with its one reference; the loader is spent.
    void* TakeDocument();

    ILoader* loader_ = nullptr;
    std::string chunk_; // the bytes on their way to the editor: the first used_, during a call
    std::size_t used_ = 0;
};
