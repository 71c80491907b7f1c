#include "core/partition/MemoryBudget.h"

#include <algorithm>
#include <charconv>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

std::optional<std::uint64_t> ReadNumber(const std::string& path) {
    std::ifstream file(path);
    std::string text;
    if (!(file >> text))
        return std::nullopt; // "max" in cgroup v2 as well: no limit
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// What the control group's limit leaves of it, when it has one: cgroup v2's memory.max, or the
// v1 memory controller's limit (a huge number when there is none).
std::uint64_t ControlGroupRoom() {
    std::uint64_t room = std::numeric_limits<std::uint64_t>::max();
    std::ifstream groups("/proc/self/cgroup");
    for (std::string entry; std::getline(groups, entry);) {
        std::string folder;
        std::string limit, usage;
        if (entry.starts_with("0::")) {
            folder = "/sys/fs/cgroup" + entry.substr(3);
            limit = folder + "/memory.max";
            usage = folder + "/memory.current";
        } else if (const auto at = entry.find(":memory:"); at != std::string::npos) {
            folder = "/sys/fs/cgroup/memory" + entry.substr(at + 8);
            limit = folder + "/memory.limit_in_bytes";
            usage = folder + "/memory.usage_in_bytes";
        } else {
            continue;
        }
        const std::optional<std::uint64_t> max = ReadNumber(limit);
        if (max)
            room = std::min(room, *max - std::min(*max, ReadNumber(usage).value_or(0)));
    }
    return room;
}

std::uint64_t AvailableMemory() {
    std::ifstream info("/proc/meminfo");
    for (std::string name; info >> name;) {
        std::uint64_t kib = 0;
        info >> kib;
        if (name == "MemAvailable:")
            return kib * 1024;
        info.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return 1024 * kMiB; // a kernel too old to say: assume a modest machine
}

} // namespace

std::optional<std::uint64_t> ParseMemorySize(std::string_view text) {
    if (text.size() < 2)
        return std::nullopt;
    const std::string_view units = "KMGT";
    const char last = text.back();
    const std::size_t unit = units.find(last >= 'a' ? static_cast<char>(last - 'a' + 'A') : last);
    if (unit == std::string_view::npos)
        return std::nullopt;
    std::uint64_t value = 0;
    const char* end = text.data() + text.size() - 1;
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value == 0)
        return std::nullopt;
    const int shift = 10 * static_cast<int>(unit + 1);
    if (value > (std::numeric_limits<std::uint64_t>::max() >> shift))
        return std::nullopt;
    return value << shift;
}

std::uint64_t UsableMemory() {
    const std::uint64_t room = std::min(ControlGroupRoom(), AvailableMemory());
    // An eighth, and at least 64 MiB, stay for the page cache and everything else running.
    const std::uint64_t margin = std::max(room / 8, 64 * kMiB);
    return room > margin ? room - margin : 0;
}

std::uint64_t InMemoryRunBytes(const std::string& path, bool keysCopied, bool linesCopied) {
    // The file is not read for this: the job reads its input once. Lines are taken to be of 16
    // bytes, shorter than most files', so that their lists are rather overestimated.
    struct stat status;
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    const auto bytes = static_cast<std::uint64_t>(status.st_size);
    const std::uint64_t lines = bytes / 16 + 1;
    // At most a unit a byte, two bytes a unit; per line, the list's entry and length, the
    // filter's table and maps, and the result's lists.
    return 2 * bytes * (1 + keysCopied + linesCopied) + 64 * lines;
}
