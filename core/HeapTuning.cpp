#include "core/HeapTuning.h"

#include <climits>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

void KeepLargeBuffersInHeap() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_MAX, 0);             // large blocks come from the heap like small ones
    mallopt(M_TRIM_THRESHOLD, INT_MAX); // and freed memory stays there for the next command
#endif
}
