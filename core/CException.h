// The one failure of the text-file stream layer. Whatever goes wrong while a file is opened,
// read, decoded, encoded, written or closed arrives as this exception; the readers and writers
// catch it and only note that the operation failed. The message is for diagnostics.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

class CException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws a CException that names the action, the path and the current errno.
[[noreturn]] void ThrowSystemError(std::string_view action, const std::string& path);
