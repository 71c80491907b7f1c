#include "core/files/InputBytes.h"

#include <sys/mman.h>
#include <unistd.h>
#include <utility>

InputBytes::InputBytes(std::string_view bytes) : memory_(bytes.begin(), bytes.end()) {
    data_ = memory_.data();
    size_ = memory_.size();
}

InputBytes::InputBytes(InputBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr)), memory_(std::move(other.memory_)),
      released_(std::exchange(other.released_, 0)) {}

InputBytes& InputBytes::operator=(InputBytes&& other) noexcept {
    if (this != &other) {
        Unmap();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapping_ = std::exchange(other.mapping_, nullptr);
        memory_ = std::move(other.memory_);
        released_ = std::exchange(other.released_, 0);
    }
    return *this;
}

InputBytes::~InputBytes() {
    Unmap();
}

void InputBytes::Unmap() noexcept {
    if (mapping_)
        munmap(mapping_, size_);
    mapping_ = nullptr;
}

void InputBytes::Release(std::size_t upTo) {
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(data_);
    const std::uintptr_t from = (start + released_ + page - 1) / page * page;
    const std::uintptr_t to = (start + std::min(upTo, size_)) / page * page;
    if (to <= from)
        return;
    madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
    released_ = to - start;
}
