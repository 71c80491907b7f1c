// Scratch data on the disk for a job larger than its memory: a file without a name, written
// through a buffer and then read back from its start. Nobody else can open it, and it is gone
// however the process ends, even when it is killed.
#pragma once

#include "core/files/FileFailure.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Why scratch data could not be kept: raised by SpillFile, so that a job tells a temporary
// file's failure (a full disk, most often) from its input's and its output's.
struct SpillFailure {
    FileResult result;
    std::string folder;
};

class SpillFile {
public:
    // An empty file in folder, opened unnamed where the file system allows it and otherwise
    // made with mode 0600 and unlinked at once; writes and reads bufferBytes at a time.
    SpillFile(const std::string& folder, std::size_t bufferBytes);
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;
    SpillFile(SpillFile&& other) noexcept;
    SpillFile& operator=(SpillFile&& other) noexcept;
    ~SpillFile();

    void Append(const void* data, std::size_t size) {
        if (size > buffer_.size() - used_)
            AppendSlow(data, size);
        else
            Copy(data, size);
    }
    // The bytes appended so far.
    std::uint64_t Size() const { return size_; }

    // Ends appending; reading starts at the first byte.
    void Rewind();
    // Reads up to size bytes; fewer only at the end.
    std::size_t Read(void* data, std::size_t size);
    // The next byte, or -1 at the end.
    int Get() {
        if (read_ == used_) {
            Fill();
            if (used_ == 0)
                return -1;
        }
        return static_cast<unsigned char>(buffer_[read_++]);
    }
    // Empties the file, returning its room to the disk, and frees the buffer: the file is done
    // with.
    void Clear();

private:
    void Copy(const void* data, std::size_t size);
    void AppendSlow(const void* data, std::size_t size);
    void Flush();
    void Fill();
    [[noreturn]] void Fail() const;

    std::string folder_;
    int fd_ = -1;
    std::vector<char> buffer_;
    std::size_t used_ = 0; // appending: bytes in buffer_; reading: bytes of buffer_ filled
    std::size_t read_ = 0; // reading: bytes of buffer_ handed out
    std::uint64_t size_ = 0;
    bool reading_ = false;
};
