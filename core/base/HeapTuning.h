// The commands pass large texts through buffers of tens of megabytes, allocated and freed on
// every command. The C library gives each such buffer its own memory mapping and returns it to
// the system when it is freed, so every command pays again to fault in fresh pages, which on
// some machines costs more than the work itself. Keeping freed memory in the heap lets the next
// command reuse it; the price is that the process keeps the memory of its largest text until
// it exits.
#pragma once

// Call it before any thread but the first starts. Idempotent; does nothing where the C library
// offers no such setting.
void KeepLargeBuffersInHeap();
