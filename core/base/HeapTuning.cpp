#include "core/base/HeapTuning.h"

#include <climits>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

void KeepLargeBuffersInHeap() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_MAX, 0);             // large blocks come from the heap like small ones
    mallopt(M_TRIM_THRESHOLD, INT_MAX); // and freed memory stays there for the next command
    // A command's worker thread would otherwise get a heap of its own, in which large blocks
    // are mapped and unmapped whatever the settings above say, and memory freed there is
    // of no use to the window's thread. One worker at a time hardly contends for the lock.
    mallopt(M_ARENA_MAX, 1);
#endif
}
