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

} // namespace

BoxTextFeed::BoxTextFeed(const CEdit& box, std::u16string_view lineEnd, OperationProgress* progress)
    : box_(box), lineEnd_(lineEnd), progress_(progress) {}

BoxTextFeed::~BoxTextFeed() {
    if (!thread_)
        return;
    {
        const std::lock_guard lock(mutex_);
        batches_.clear(); // nobody wants them loaded any more
        closed_ = true;
    }
    changed_.notify_all();
    thread_->wait();
}

void BoxTextFeed::Offer(const LineList& lines, double shareRead) {
    if (!thread_) {
        if (shareRead <= 0 || lines.empty())
            return; // all the lines load at Finish
        // The size the first lines take, scaled to the whole input, and a thirty-second more:
        // text of one kind throughout then never outgrows it.
        const auto sofar =
            static_cast<double>(BoxTextLoader::SizeOfLines(lines, lines.size(), lineEnd_));
        const double whole = sofar / std::min(shareRead, 1.0);
        // Past any memory there is, and still a size: the editor then fails to allocate it.
        Start(static_cast<std::size_t>(std::min(whole + whole / 32, 0x1p62)));
    }
    Push(lines);
}

BoxTextLoader BoxTextFeed::Finish(const LineList& lines) {
    if (!thread_)
        return box_.LoadLines(lines, lines.size(), lineEnd_, progress_);
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

void BoxTextFeed::Start(std::size_t bytes) {
    bytes_ = bytes;
    thread_.reset(QThread::create([this] { Load(); }));
    // The loading needs little stack; the default's megabytes would count against a limited
    // address space before anything is loaded.
    thread_->setStackSize(256 * 1024);
    thread_->start();
}

void BoxTextFeed::Push(const LineList& lines) {
    if (offered_ == lines.size())
        return;
    Batch batch;
    {
        const std::lock_guard lock(mutex_);
        if (!spares_.empty()) {
            batch = std::move(spares_.back());
            spares_.pop_back();
        }
    }
    batch.lines.assign(lines.begin() + static_cast<std::ptrdiff_t>(offered_), lines.end());
    offered_ = lines.size();
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
                loader_.AppendLines(batch.lines, lineEnd_, nullptr);
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
