// The one failure of the text-file stream layer. Whatever goes wrong while a file is opened,
// read, decoded, encoded, written or closed arrives as this exception, carrying the reason;
// the readers and writers catch it. The message is for diagnostics.
#pragma once

#include "core/files/FileFailure.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

class CException : public std::runtime_error {
public:
    explicit CException(const std::string& message, FileFailure failure = FileFailure::kOther,
                        std::uint64_t position = 0)
        : std::runtime_error(message), result_{failure, position} {}
    CException(const std::string& message, const FileResult& result)
        : std::runtime_error(message), result_(result) {}

    const FileResult& Result() const { return result_; }

private:
    FileResult result_;
};

// Throws a CException that names the action, the path and the current errno, with the reason
// errno stands for, or with `failure` where the caller knows better.
[[noreturn]] void ThrowSystemError(std::string_view action, const std::string& path);
[[noreturn]] void ThrowSystemError(std::string_view action, const std::string& path,
                                   FileFailure failure);
