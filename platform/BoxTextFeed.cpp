#include "platform/BoxTextFeed.h"

#include "core/base/OperationProgress.h"
#include "core/lines/LineList.h"
#include "platform/Edit.h"

#include <QThread>
#include <algorithm>
#include <utility>

namespace {

// Batches waiting for the thread before the maker waits: enough to ride out the moments when
// either side is held up, few enough that the views waiting cost nothing to speak of.
constexpr std::size_t kBatchesAhead = 4;

// How much more than the first lines' share of it the whole text is taken to be. Text of one
// kind throughout then never outgrows it: the bound on lines of units (BoxTextSizeBound) varies
// with the characters, while lines kept as bytes take their file's bytes, with a CR before a
// lone LF and a few encoded, so the file's mix of line ends alone makes them vary, and every
// byte of margin is a byte more of the box held for good.
constexpr double kUnitsMargin = 1.0 / 32;
constexpr double kBytesMargin = 1.0 / 256;

} // namespace

BoxTextFeed::BoxTextFeed(const CEdit& box, std::u16string_view lineEnd, OperationProgress* progress)
    : box_(box), lineEnd_(lineEnd), progress_(progress) {}

BoxTextFeed::~BoxTextFeed() {
    Stop();
}

void BoxTextFeed::Stop() {
    if (thread_) {
        {
            const std::lock_guard lock(mutex_);
            batches_.clear(); // nobody wants them loaded any more
            closed_ = true;
        }
        changed_.notify_all();
        thread_->wait();
        thread_.reset();
    }
    closed_ = false;
    loader_ = BoxTextLoader();
    failure_ = nullptr;
    offered_ = 0;
    source_.reset();
}

bool BoxTextFeed::Start(std::size_t bytes, double shareRead, double margin) {
    if (shareRead <= 0)
        return false; // all the lines load at Finish
    // The size the first lines take, scaled to the whole input, and the margin more.
    const double whole = static_cast<double>(bytes) / std::min(shareRead, 1.0) * (1 + margin);
    // Past any memory there is, and still a size: the editor then fails to allocate it.
    bytes_ = static_cast<std::size_t>(std::min(whole, 0x1p62));
    thread_.reset(QThread::create([this] { Load(); }));
    // The loading needs little stack; the default's megabytes would count against a limited
    // address space before anything is loaded.
    thread_->setStackSize(256 * 1024);
    thread_->start();
    return true;
}

void BoxTextFeed::Offer(const LineList& lines, double shareRead) {
    if (source_)
        Stop(); // the bytes were dropped, and these lines start the text again
    if (!thread_ &&
        (lines.empty() || !Start(BoxTextLoader::SizeOfLines(lines, lines.size(), lineEnd_),
                                 shareRead, kUnitsMargin)))
        return;
    Push(lines);
}

void BoxTextFeed::Offer(std::shared_ptr<const LineBytes> lines, double shareRead) {
    if (!lines) {
        Stop();
        return;
    }
    // Only as the box's own buffer: with other line ends the lines load at Finish.
    if (lineEnd_ != u"\r\n" || lines->Lines() == 0)
        return;
    if (!thread_) {
        const std::size_t bytes = BoxTextLoader::SizeOfPiece(lines->PieceOf(0, lines->Lines()));
        source_ = std::move(lines); // before the thread reads it
        if (!Start(bytes, shareRead, kBytesMargin)) {
            source_.reset();
            return;
        }
    }
    PushBytes();
}

BoxTextLoader BoxTextFeed::Finish(const LineList& lines) {
    if (source_ && !(lines.HoldsAllBytes() && &lines.ByteSource() == source_.get()))
        Stop(); // not the lines offered: all load now
    if (!thread_)
        return box_.LoadLines(lines, lines.size(), lineEnd_, progress_);
    if (source_)
        PushBytes();
    else
        Push(lines);
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
    thread_->wait();
    if (failure_)
        std::rethrow_exception(failure_);
    return std::move(loader_);
}

BoxTextFeed::Batch BoxTextFeed::SpareBatch() {
    const std::lock_guard lock(mutex_);
    if (spares_.empty())
        return {};
    Batch batch = std::move(spares_.back());
    spares_.pop_back();
    return batch;
}

void BoxTextFeed::Push(const LineList& lines) {
    if (offered_ == lines.size())
        return;
    Batch batch = SpareBatch();
    batch.lines.assign(lines.begin() + static_cast<std::ptrdiff_t>(offered_), lines.end());
    offered_ = lines.size();
    Push(std::move(batch));
}

void BoxTextFeed::PushBytes() {
    if (offered_ == source_->Lines())
        return;
    Batch batch = SpareBatch();
    batch.piece = source_->PieceOf(offered_, source_->Lines());
    offered_ = source_->Lines();
    Push(std::move(batch));
}

void BoxTextFeed::Push(Batch&& batch) {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return batches_.size() < kBatchesAhead; });
        batches_.push_back(std::move(batch));
    }
    changed_.notify_all();
}

void BoxTextFeed::Load() {
    try {
        // The editor clears it all before the first line.
        loader_ = box_.CreateLoader(bytes_, progress_);
    } catch (...) {
        failure_ = std::current_exception();
    }
    for (;;) {
        Batch batch;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !batches_.empty() || closed_; });
            if (batches_.empty())
                return;
            batch = std::move(batches_.front());
            batches_.pop_front();
        }
        changed_.notify_all();
        // After a failure the batches are only taken, so that the maker never waits for good.
        if (!failure_) {
            try {
                if (progress_)
                    progress_->ThrowIfCancelled();
                if (source_) {
                    const auto hold = source_->Hold(); // the maker adds lines meanwhile
                    loader_.AppendPiece(source_->Data(), batch.piece, lineEnd_, progress_, 0);
                } else {
                    loader_.AppendLines(batch.lines, lineEnd_, nullptr);
                }
            } catch (...) {
                failure_ = std::current_exception();
            }
        }
        // Used again for a later batch: fresh memory for each would be placed among the list
        // blocks being read meanwhile.
        const std::lock_guard lock(mutex_);
        spares_.push_back(std::move(batch));
    }
}
