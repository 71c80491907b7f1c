#include "core/files/CException.h"

#include <cerrno>
#include <cstring>

FileFailure FailureOfErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return FileFailure::kNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return FileFailure::kPermission;
    case EISDIR:
        return FileFailure::kNotRegularFile;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FileFailure::kDiskFull;
    case ENOMEM:
        return FileFailure::kOutOfMemory;
    default:
        return FileFailure::kOther;
    }
}

void ThrowSystemError(std::string_view action, const std::string& path) {
    ThrowSystemError(action, path, FailureOfErrno(errno));
}

void ThrowSystemError(std::string_view action, const std::string& path, FileFailure failure) {
    const int error = errno;
    std::string message(action);
    message += " '";
    message += path;
    message += "': ";
    message += std::strerror(error);
    throw CException(message, failure);
}
