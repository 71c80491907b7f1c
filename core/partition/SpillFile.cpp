#include "core/partition/SpillFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

int OpenUnnamed(const std::string& folder) {
    const int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    // A file system without unnamed files: a name nobody else may open, gone at once.
    std::string name = folder + "/tandrel-spill-XXXXXX";
    const int named = mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        unlink(name.c_str());
    return named;
}

} // namespace

SpillFile::SpillFile(const std::string& folder, std::size_t bufferBytes)
    : folder_(folder), fd_(OpenUnnamed(folder)), buffer_(std::max<std::size_t>(bufferBytes, 64)) {
    if (fd_ < 0)
        Fail();
}

SpillFile::SpillFile(SpillFile&& other) noexcept
    : folder_(std::move(other.folder_)), fd_(std::exchange(other.fd_, -1)),
      buffer_(std::move(other.buffer_)), used_(other.used_), read_(other.read_), size_(other.size_),
      reading_(other.reading_) {}

SpillFile& SpillFile::operator=(SpillFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            close(fd_);
        folder_ = std::move(other.folder_);
        fd_ = std::exchange(other.fd_, -1);
        buffer_ = std::move(other.buffer_);
        used_ = other.used_;
        read_ = other.read_;
        size_ = other.size_;
        reading_ = other.reading_;
    }
    return *this;
}

SpillFile::~SpillFile() {
    if (fd_ >= 0)
        close(fd_);
}

void SpillFile::Copy(const void* data, std::size_t size) {
    std::memcpy(buffer_.data() + used_, data, size);
    used_ += size;
    size_ += size;
}

void SpillFile::AppendSlow(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        if (used_ == buffer_.size())
            Flush();
        const std::size_t part = std::min(size, buffer_.size() - used_);
        Copy(bytes, part);
        bytes += part;
        size -= part;
    }
}

void SpillFile::Flush() {
    for (std::size_t done = 0; done < used_;) {
        const ssize_t written = write(fd_, buffer_.data() + done, used_ - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            Fail();
        }
        done += static_cast<std::size_t>(written);
    }
    used_ = 0;
}

void SpillFile::Rewind() {
    if (!reading_)
        Flush();
    reading_ = true;
    used_ = read_ = 0;
    if (lseek(fd_, 0, SEEK_SET) != 0)
        Fail();
}

std::size_t SpillFile::Read(void* data, std::size_t size) {
    char* bytes = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        if (read_ == used_) {
            Fill();
            if (used_ == 0)
                break;
        }
        const std::size_t part = std::min(size - done, used_ - read_);
        std::memcpy(bytes + done, buffer_.data() + read_, part);
        read_ += part;
        done += part;
    }
    return done;
}

void SpillFile::Fill() {
    read_ = used_ = 0;
    for (;;) {
        const ssize_t count = read(fd_, buffer_.data(), buffer_.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            Fail();
        used_ = static_cast<std::size_t>(count);
        return;
    }
}

void SpillFile::Clear() {
    if (ftruncate(fd_, 0) != 0)
        Fail();
    std::vector<char>().swap(buffer_);
    used_ = read_ = 0;
    size_ = 0;
}

void SpillFile::Fail() const {
    throw SpillFailure{{FailureOfErrno(errno)}, folder_};
}
