// An input read whole, once, so that its encoding can be judged from the same bytes that are
// then split into lines: a regular file is mapped, its pages coming from the system's cache as
// they are first touched, with no copy; a stream (a pipe, a terminal), or a file that does not
// tell its size, is read to its end into memory. The bytes stay where they are when the object
// moves, so views of them stay valid for as long as it lives.
#pragma once

#include "core/files/FileFailure.h"

#include <cstddef>
#include <string_view>
#include <vector>

class OperationProgress;
struct FileBytes;

class InputBytes {
public:
    InputBytes() = default;
    // Bytes already in memory, as a stream's would be: for tests and fuzzers.
    explicit InputBytes(std::string_view bytes);
    InputBytes(InputBytes&& other) noexcept;
    InputBytes& operator=(InputBytes&& other) noexcept;
    ~InputBytes();

    std::string_view View() const { return {data_, size_}; }
    bool Mapped() const { return mapping_ != nullptr; }

    // Gives the whole pages before offset upTo back to the system: their bytes will not be
    // looked at again (should they be, a mapped file's read as before, a stream's as zeros).
    void Release(std::size_t upTo);

private:
    friend FileBytes ReadFileBytes(std::u16string_view path, OperationProgress* progress);
    void Unmap() noexcept;

    const char* data_ = nullptr;
    std::size_t size_ = 0;
    void* mapping_ = nullptr;
    std::vector<char> memory_; // a stream's bytes (a vector's moves keep them in place)
    std::size_t released_ = 0;
};

struct FileBytes {
    InputBytes bytes; // all bytes read, or those before a failure
    FileResult result;
};
// Reads the input at path whole (see InputBytes), reporting the bytes read to progress and
// stopping (OperationCancelled) when it asks.
FileBytes ReadFileBytes(std::u16string_view path, OperationProgress* progress);
