#include "core/files/ReplacementFile.h"

#include "core/files/CException.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Written bytes are sent on to the disk this many at a time while the writing goes on, so that
// Commit's flush waits for the last of them only instead of all: the disk works while the rest
// is encoded and written.
constexpr off_t kWriteBackBytes = 8 << 20;

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

// The process's file-creation mask, for the mode a new file would have been given at its
// creation. Read from /proc where possible: setting the mask to read it is not thread-safe.
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Umask:")) {
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8)) & 0777;
        }
    }
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

// SIGXFSZ, held back in the writing thread for as long as it writes. Its default action ends
// the process when a write passes the file-size limit (ulimit -f); held back, the write
// fails with EFBIG like any other failed write, and the target stays as it was. Other
// threads, and the thread once it is done, keep their own handling of the signal.
class FileSizeSignalHeld {
public:
    FileSizeSignalHeld() {
        sigemptyset(&signal_);
        sigaddset(&signal_, SIGXFSZ);
        pthread_sigmask(SIG_BLOCK, &signal_, &previous_);
    }
    FileSizeSignalHeld(const FileSizeSignalHeld&) = delete;
    FileSizeSignalHeld& operator=(const FileSizeSignalHeld&) = delete;
    ~FileSizeSignalHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

    // Takes the signal that a refused write left pending, so that it is not delivered the
    // moment the thread lets it through again. A caller that held it back itself keeps it.
    void Swallow() const {
        if (sigismember(&previous_, SIGXFSZ) == 1) {
            return;
        }
        const timespec now{};
        while (sigtimedwait(&signal_, nullptr, &now) == SIGXFSZ) {
        }
    }

private:
    sigset_t signal_;
    sigset_t previous_;
};

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

    // Open to nobody but this process from the first instant: the new contents of a private
    // file must not be readable through its replacement while that is being written.
    const std::string folder = FolderOf(target_);
    fd_ = open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        // A file system without unnamed files: a named one, which a crash leaves behind.
        CreateNamed();
    }
    mode_ = exists ? existing.st_mode & 07777 : 0666 & ~CurrentUmask();
    if (exists) {
        owner_ = existing.st_uid;
        group_ = existing.st_gid;
    }
}

void ReplacementFile::CreateNamed() {
    for (unsigned attempt = 0; fd_ < 0; ++attempt) {
        temporary_ = TemporaryName(target_, attempt);
        fd_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ < 0 && (errno != EEXIST || attempt == 100)) {
            temporary_.clear();
            ThrowSystemError("cannot create a file beside", target_);
        }
    }
}

ReplacementFile::~ReplacementFile() {
    Discard();
}

void ReplacementFile::Write(std::string_view bytes) {
    const FileSizeSignalHeld held;
    while (!bytes.empty()) {
        const ssize_t written = write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EFBIG) {
                held.Swallow();
                errno = EFBIG;
            }
            ThrowSystemError("cannot write", temporary_.empty() ? target_ : temporary_);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        written_ += written;
    }
    if (written_ - writtenBack_ >= kWriteBackBytes) {
        // Only a start: a file system that cannot refuses, and Commit's fsync does it all.
        (void)sync_file_range(fd_, writtenBack_, written_ - writtenBack_, SYNC_FILE_RANGE_WRITE);
        writtenBack_ = written_;
    }
}

void ReplacementFile::Commit() {
    KeepPermissions();
    if (fsync(fd_) != 0) {
        ThrowSystemError("cannot flush", target_);
    }
    if (temporary_.empty()) {
        LinkUnnamed();
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

// After the last write: a write by a process without CAP_FSETID clears the set-user-ID and
// set-group-ID bits, and until now the file was to be open to its writer alone.
void ReplacementFile::KeepPermissions() {
    if (owner_) {
        // Owner first: changing it clears set-user-ID bits, which fchmod then restores.
        // Only a privileged process may give the file away, so failing to is no failure.
        struct stat created;
        if (fstat(fd_, &created) == 0 && (created.st_uid != *owner_ || created.st_gid != group_)) {
            [[maybe_unused]] const int ignored = fchown(fd_, *owner_, group_);
        }
    }
    if (fchmod(fd_, mode_) != 0) {
        ThrowSystemError("cannot keep the permissions of", target_);
    }
}

// Gives the unnamed file a fresh name beside the target; rename cannot take an unnamed file,
// and linkat cannot replace an existing one.
void ReplacementFile::LinkUnnamed() {
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd_);
    for (unsigned attempt = 0;; ++attempt) {
        temporary_ = TemporaryName(target_, attempt);
        // Through /proc: linking by the descriptor itself needs CAP_DAC_READ_SEARCH.
        if (linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, temporary_.c_str(), AT_SYMLINK_FOLLOW) ==
                0 ||
            (errno == ENOENT &&
             linkat(fd_, "", AT_FDCWD, temporary_.c_str(), AT_EMPTY_PATH) == 0)) {
            return;
        }
        if (errno != EEXIST || attempt == 100) {
            temporary_.clear();
            ThrowSystemError("cannot name the new file beside", target_);
        }
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
