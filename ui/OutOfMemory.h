// What the window says when a command ran out of memory: the command's own failure message,
// with the reason as its detail. A command that runs out of memory has changed nothing.
#pragma once

#include "core/files/FailureText.h"

#include <string>
#include <string_view>

inline std::u16string OutOfMemoryDetail() {
    return FailureDetail({}, {.failure = FileFailure::kOutOfMemory});
}
// Run has no failure message of its own for anything else.
inline constexpr std::u16string_view kRunOutOfMemoryMessage =
    u"メモリが足りないため、処理できませんでした。";
