// A file that takes the place of its target only once it is complete. It is written as an
// unnamed file in the target's folder (a named one where the file system has no unnamed
// files) and renamed over the target by Commit, so that a write that fails halfway (a
// character that cannot be encoded, a full disk, the file-size limit) leaves the old file as
// it was, and a crash leaves no stray file behind.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

class ReplacementFile {
public:
    // Creates the new file for `target` (a file system path). A symbolic link is followed to
    // the file it names. An existing target must be a writable regular file. The new file is
    // open to this process alone until Commit, which gives it all the target's permission
    // bits (and, where allowed, its owner), or else the usual 0666 less the umask. Raises
    // CException on failure.
    explicit ReplacementFile(const std::string& target);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    // Removes the new file unless it was committed.
    ~ReplacementFile();

    // Passing the file-size limit fails with EFBIG rather than ending the process. What is
    // written starts on its way to the disk every few megabytes, for Commit to wait for less.
    void Write(std::string_view bytes);
    // Sets the permissions, flushes the new file to the disk and renames it over the target.
    void Commit();

private:
    void CreateNamed();
    void KeepPermissions();
    void LinkUnnamed();
    void Discard() noexcept;

    std::string target_;
    std::string temporary_; // empty while the new file has no name
    int fd_ = -1;
    off_t written_ = 0;     // bytes written
    off_t writtenBack_ = 0; // bytes sent on to the disk before Commit
    mode_t mode_ = 0;
    std::optional<uid_t> owner_; // an existing target's owner and group
    gid_t group_ = 0;
};
