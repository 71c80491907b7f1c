// A hint that a large block about to be filled for the first time may be backed by huge pages.
// On this program's machines the first touch of every 4 KiB page costs a fault that dominates
// the work on texts of millions of lines (about 3 s per GB); a 2 MiB page costs one fault for
// 512 of them. Where the system offers no huge pages for the block the hint does nothing.
#pragma once

#include "core/base/OperationProgress.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>

namespace tandrel {

inline void AdviseHugePages(const void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHugePage = 2 * 1024 * 1024;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    // Only whole huge pages inside the block: the advice must not reach memory it does not own.
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

// Faults in the whole pages of a block about to be filled, in one call instead of one fault per
// page: where each fault costs a trip into the kernel (and on a virtual machine out of it), that
// trip is most of the cost of touching fresh memory. Where the system cannot, nothing happens
// and the pages fault in as they are first written. So too once progress (when given) asks to
// stop: half a gigabyte takes most of a second, which a cancelled command must not wait for.
inline void PopulateForWriting(const void* data, std::size_t bytes,
                               const OperationProgress* progress = nullptr) {
#ifndef MADV_POPULATE_WRITE
    constexpr int MADV_POPULATE_WRITE = 23; // Linux 5.14; older kernels refuse it
#endif
    constexpr std::uintptr_t kPage = 4096;
    // A call keeps the process's memory map locked while it works, and every other thread
    // that grows the heap meanwhile waits for it: the window's thread stalled for most of a
    // second behind a call for half a gigabyte. Eight megabytes a call keep that wait short.
    constexpr std::uintptr_t kPiece = 8 << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kPage - 1);
    for (std::uintptr_t from = first; from < last; from += kPiece) {
        if (progress && progress->CancelRequested())
            return;
        const std::uintptr_t to = last - from > kPiece ? from + kPiece : last;
        if (madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE) != 0)
            return; // not offered here: the pages fault in as they are written
    }
}

// Faults in, as PopulateForWriting does, the memory that the next allocation of bytes will get
// from the heap, for a block that someone else's code allocates and clears. Meant for the
// heap that KeepLargeBuffersInHeap keeps: there a block freed stays where it was, so the next
// one of its size takes the same place (unless another thread takes it first, which costs
// nothing but the gain).
inline void PopulateHeapBlock(std::size_t bytes, const OperationProgress* progress = nullptr) {
    void* block = std::malloc(bytes);
    if (block == nullptr)
        return; // the allocation that follows reports it
    AdviseHugePages(block, bytes);
    PopulateForWriting(block, bytes, progress);
    std::free(block);
}

} // namespace tandrel
