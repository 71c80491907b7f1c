#include "core/CException.h"

#include <cerrno>
#include <cstring>

void ThrowSystemError(std::string_view action, const std::string& path) {
    const int error = errno;
    std::string message(action);
    message += " '";
    message += path;
    message += "': ";
    message += std::strerror(error);
    throw CException(message);
}
