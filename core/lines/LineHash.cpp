#include "core/lines/LineHash.h"

#include <cerrno>
#include <ctime>
#include <mutex>
#include <optional>
#include <sys/random.h>

namespace tandrel {

namespace {

LineHashKey RandomKey() {
    LineHashKey key;
    auto* bytes = reinterpret_cast<unsigned char*>(&key);
    std::size_t filled = 0;
    while (filled < sizeof key) {
        const ssize_t count = getrandom(bytes + filled, sizeof key - filled, 0);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Only a kernel without getrandom gets here. The clock and where this process's
            // stack and code landed are poorer secrets, but they are not published ones; the
            // filter's probe budget bounds the cost of any key anyway.
            timespec now{};
            clock_gettime(CLOCK_REALTIME, &now);
            const auto stack = reinterpret_cast<std::uintptr_t>(&key);
            const auto code = reinterpret_cast<std::uintptr_t>(&RandomKey);
            return LineHashKey{{static_cast<std::uint64_t>(now.tv_nsec) * 0x9E3779B97F4A7C15ULL ^
                                    static_cast<std::uint64_t>(now.tv_sec),
                                stack * 0xC2B2AE3D27D4EB4FULL, code * 0x165667B19E3779F9ULL}};
        }
        filled += static_cast<std::size_t>(count);
    }
    return key;
}

std::mutex keyMutex;
LineHashKeySource keySource = RandomKey;
std::optional<LineHashKey> processKey;

} // namespace

LineHashKey ProcessLineHashKey() {
    const std::lock_guard lock(keyMutex);
    if (!processKey) {
        processKey = keySource();
    }
    return *processKey;
}

LineHashKey RenewProcessLineHashKey() {
    const std::lock_guard lock(keyMutex);
    processKey = keySource();
    return *processKey;
}

LineHashKeySource SetLineHashKeySource(LineHashKeySource source) {
    const std::lock_guard lock(keyMutex);
    processKey.reset();
    const LineHashKeySource previous = keySource;
    keySource = source;
    return previous;
}

} // namespace tandrel
