#include "core/ReplacementFile.h"

#include "core/CException.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder part of a path, with its final slash ("" for a bare file name).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ReadLink(const std::string& path) {
    std::string target(PATH_MAX, '\0');
    for (;;) {
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length < 0) {
            ThrowSystemError("cannot read the link", path);
        }
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

// Follows symbolic links to the path of the file that a write should replace; a link to a
// file that does not exist yet leads to the path where that file is to be created.
std::string ResolveLinks(std::string path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat status;
        if (lstat(path.c_str(), &status) != 0) {
            if (errno == ENOENT) {
                return path;
            }
            ThrowSystemError("cannot examine", path);
        }
        if (!S_ISLNK(status.st_mode)) {
            return path;
        }
        std::string target = ReadLink(path);
        path = !target.empty() && target.front() == '/' ? target : FolderOf(path) + target;
    }
    errno = ELOOP;
    ThrowSystemError("cannot follow the links of", path);
}

// A name for the new file that no other writer picks at the same moment. It starts with a
// dot so that a file manager does not show it for the instant it exists.
std::string TemporaryName(const std::string& target, unsigned attempt) {
    const std::string folder = FolderOf(target);
    const std::string base = target.substr(folder.size(), 200);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%ld.%lx.%u.tmp", static_cast<long>(getpid()),
                  static_cast<unsigned long>(now.tv_nsec), attempt);
    return folder + "." + base + suffix;
}

} // namespace

ReplacementFile::ReplacementFile(const std::string& target) : target_(ResolveLinks(target)) {
    if (target_.empty() || target_.back() == '/') {
        errno = EISDIR;
        ThrowSystemError("cannot write", target_);
    }
    struct stat existing;
    const bool exists = stat(target_.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) {
        ThrowSystemError("cannot examine", target_);
    }
    if (exists) {
        if (!S_ISREG(existing.st_mode)) {
            errno = S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
            ThrowSystemError("not a regular file:", target_, FileFailure::kNotRegularFile);
        }
        // Opening with "w" would be refused for a file the user may not write; so is this.
        if (faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
            ThrowSystemError("cannot write", target_);
        }
    }

    for (unsigned attempt = 0; fd_ < 0; ++attempt) {
        temporary_ = TemporaryName(target_, attempt);
        fd_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt == 100)) {
            temporary_.clear();
            ThrowSystemError("cannot create a file beside", target_);
        }
    }

    if (exists) {
        // Owner first: changing it clears set-user-ID bits, which fchmod then restores.
        // Only a privileged process may give the file away, so failing to is no failure.
        struct stat created;
        if (fstat(fd_, &created) == 0 &&
            (created.st_uid != existing.st_uid || created.st_gid != existing.st_gid)) {
            [[maybe_unused]] const int ignored = fchown(fd_, existing.st_uid, existing.st_gid);
        }
        if (fchmod(fd_, existing.st_mode & 07777) != 0) {
            const int error = errno;
            Discard();
            errno = error;
            ThrowSystemError("cannot keep the permissions of", target_);
        }
    }
}

ReplacementFile::~ReplacementFile() {
    Discard();
}

void ReplacementFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystemError("cannot write", temporary_);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void ReplacementFile::Commit() {
    if (fsync(fd_) != 0) {
        ThrowSystemError("cannot flush", temporary_);
    }
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) {
        ThrowSystemError("cannot close", temporary_);
    }
    if (rename(temporary_.c_str(), target_.c_str()) != 0) {
        ThrowSystemError("cannot replace", target_);
    }
    temporary_.clear();

    // Make the rename itself durable. The new file is in place by now, so a failure here is
    // not reported as a failed save.
    const std::string folder = FolderOf(target_);
    const int folderFd =
        open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
}

void ReplacementFile::Discard() noexcept {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
}
