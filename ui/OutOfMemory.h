// What the window says when a command ran out of memory: the command's own failure message,
// with this as its detail. A command that runs out of memory has changed nothing.
#pragma once

#include <string_view>

inline constexpr std::u16string_view kOutOfMemoryDetail = u"メモリが足りません。";
// Run has no failure message of its own for anything else.
inline constexpr std::u16string_view kRunOutOfMemoryMessage =
    u"メモリが足りないため、処理できませんでした。";
