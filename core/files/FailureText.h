// Why a file could not be read or written, in the words the window's message boxes show under
// 「詳細を表示」 and the command line prints on standard error.
#pragma once

#include "core/files/FileFailure.h"

#include <string>
#include <string_view>

// The file's path on one line and the reason on the next, in Japanese; empty for a success.
// An empty path is a save dialog that was cancelled, and out of memory is the reason alone:
// neither is about a file.
std::u16string FailureDetail(std::u16string_view path, const FileResult& result);
