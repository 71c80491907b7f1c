// Why a file could not be read or written, in the user's language (Messages.h). The texts are
// English, and the Japanese catalogue gives them in the very words of the window's message
// boxes (FailureText.h), so that a Japanese user reads the same reason in both.
#pragma once

#include "core/files/FileFailure.h"

#include <string>
#include <string_view>

// The file's path on one line and the reason on the next; the reason alone when the failure is
// not about a file (FailureText.h). UTF-8.
std::string FailureWords(std::u16string_view path, const FileResult& result);

// That a byte-order mark names an encoding the program does not read (mark: "UTF-16BE").
std::string RefusedMarkWords(std::string_view mark);
