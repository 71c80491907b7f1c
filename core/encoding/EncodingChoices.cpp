#include "core/encoding/EncodingChoices.h"

#include <algorithm>

namespace {

// ASCII letters only: the names are ASCII, and a locale's idea of case must not change what a
// command line means.
char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

MarkedStart ReadMarkedStart(const EncodingChoice& encoding, std::string_view start) {
    MarkedStart read{encoding.codec};
    if (encoding.readMark == MarkRule::kDecides) {
        for (const EncodingChoice& marked : kEncodingChoices) {
            const std::string_view mark = marked.codec->mark;
            if (marked.readMark == MarkRule::kDecides && !mark.empty() && start.starts_with(mark))
                read = {marked.codec, mark.size()};
        }
    } else if (encoding.readMark == MarkRule::kSkipped && !encoding.codec->mark.empty() &&
               start.starts_with(encoding.codec->mark)) {
        read.markBytes = encoding.codec->mark.size();
    }
    return read;
}

const EncodingChoice* FindEncodingNamed(std::string_view name) {
    const auto sameName = [name](std::string_view flagName) {
        return !flagName.empty() && std::ranges::equal(name, flagName, {}, LowerAscii, LowerAscii);
    };
    for (const EncodingChoice& choice : kEncodingChoices)
        if (std::ranges::any_of(choice.flagNames, sameName))
            return &choice;
    return nullptr;
}

std::vector<std::string_view> EncodingFlagNames() {
    std::vector<std::string_view> names;
    for (const EncodingChoice& choice : kEncodingChoices)
        for (std::string_view name : choice.flagNames)
            if (!name.empty())
                names.push_back(name);
    return names;
}
