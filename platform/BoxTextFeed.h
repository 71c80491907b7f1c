// A box's new text, loaded on a thread of its own while its lines are still being made (read
// from a file, say), so that the reading and the editor's work on the text share the machine's
// two cores instead of taking turns. The thread gets the lines in batches as the maker offers
// them; the result is the loader that CEdit::LoadLines would have made of all the lines.
//
// The editor wants its buffer's size before the first line, so the feed sizes it from the first
// batch and the share of the input that batch took, with a margin; a text that turns out
// larger makes the editor grow the buffer, which costs a copy but changes nothing in the text.
//
// Lines kept as bytes go to the box as pieces of their buffer, copied while the maker adds more
// behind them (LineBytes::Hold); lines of units, as views of them.
#pragma once

#include "core/files/EncodedTextFiles.h"
#include "core/lines/LineBytes.h"
#include "platform/BoxTextLoader.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class CEdit;
class LineList;
class OperationProgress;
class QThread;

class BoxTextFeed final : public LinesSoFar {
public:
    // The text will go to box, each line followed by lineEnd. progress is asked whether to
    // stop; the feed reports nothing to it (the maker does).
    BoxTextFeed(const CEdit& box, std::u16string_view lineEnd, OperationProgress* progress);
    BoxTextFeed(const BoxTextFeed&) = delete;
    BoxTextFeed& operator=(const BoxTextFeed&) = delete;
    // Stops the thread; what it loaded is dropped.
    ~BoxTextFeed();

    // On the making thread: lines holds every line so far, which took the share shareRead of
    // the input (0: not known, and the loading then waits for Finish). The lines must stay
    // where they are until Finish; the list may grow behind them. Waits while the thread is
    // more than a few batches behind. Lines of units after lines as bytes start again.
    void Offer(const LineList& lines, double shareRead) override;
    // The same for lines kept as bytes (EncodedTextFiles.h); null drops those offered so far.
    void Offer(std::shared_ptr<const LineBytes> lines, double shareRead) override;
    // On the making thread, once lines holds every line: the loader holding them all. Throws
    // what the loading met (std::bad_alloc, OperationCancelled).
    BoxTextLoader Finish(const LineList& lines);

private:
    struct Batch {
        std::vector<std::u16string_view> lines;
        LineBytes::Piece piece; // of source_, when it is set
    };
    // Starts the thread with room for the text, bytes so far of the share shareRead of the
    // input and the share margin more; does nothing while shareRead is not known.
    bool Start(std::size_t bytes, double shareRead, double margin);
    // Ends the thread, dropping what it loaded, so that the feed is as new.
    void Stop();
    Batch SpareBatch();
    // Hands the thread the lines not yet offered: of lines, or of source_.
    void Push(const LineList& lines);
    void PushBytes();
    void Push(Batch&& batch);
    void Load(); // the thread's work

    const CEdit& box_;
    std::u16string lineEnd_;
    OperationProgress* progress_;
    std::size_t offered_ = 0;                 // lines handed to the thread so far
    std::shared_ptr<const LineBytes> source_; // of the lines offered, when they are bytes
    std::unique_ptr<QThread> thread_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> batches_;
    std::vector<Batch> spares_; // batches loaded, for the maker to fill again
    bool closed_ = false;
    // Set by the thread only.
    BoxTextLoader loader_;
    std::size_t bytes_ = 0;
    std::exception_ptr failure_;
};
