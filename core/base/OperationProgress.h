// What a long operation on a worker thread shares with the thread that waits for it: how far it
// got, and whether it should stop. Plain atomics, so either side may look at any time.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

// Thrown inside a long operation once a stop was asked for; whoever started the operation
// catches it, and everything the operation built on the way is simply dropped.
struct OperationCancelled {};

class OperationProgress {
public:
    static constexpr int kWhole = 1000; // the bar's full length

    // The share of the bar that the next step of the operation fills: [from, to) of kWhole.
    // Called by the working thread only.
    void BeginStep(int from, int to) {
        from_ = from;
        to_ = to;
        Publish(from);
    }
    // Within the current step: done of total units (bytes or lines). A total of 0 reports
    // nothing.
    void Report(std::uint64_t done, std::uint64_t total) {
        if (total > 0)
            Publish(from_ + static_cast<int>(static_cast<double>(std::min(done, total)) /
                                             static_cast<double>(total) * (to_ - from_)));
    }
    // How much of the bar is filled, 0 to kWhole.
    int Filled() const { return filled_.load(std::memory_order_relaxed); }

    void RequestCancel() { cancel_.store(true, std::memory_order_relaxed); }
    bool CancelRequested() const { return cancel_.load(std::memory_order_relaxed); }
    void ThrowIfCancelled() const {
        if (CancelRequested())
            throw OperationCancelled{};
    }

private:
    void Publish(int filled) { filled_.store(filled, std::memory_order_relaxed); }

    std::atomic<int> filled_{0};
    std::atomic<bool> cancel_{false};
    int from_ = 0;
    int to_ = kWhole;
};

// Reports and checks for cancellation every kEvery units, so that the check costs nothing
// beside the work; a null progress does nothing.
class ProgressTicker {
public:
    static constexpr std::uint64_t kEvery = 1 << 16;

    ProgressTicker(OperationProgress* progress, std::uint64_t total)
        : progress_(progress), total_(total) {}
    void Tick(std::uint64_t done) const {
        if (progress_ && done % kEvery == 0) {
            progress_->ThrowIfCancelled();
            progress_->Report(done, total_);
        }
    }

private:
    OperationProgress* progress_;
    std::uint64_t total_;
};
