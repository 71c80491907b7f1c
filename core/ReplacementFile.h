// A file that takes the place of its target only once it is complete. It is written under a
// fresh name in the target's folder and renamed over the target by Commit, so that a write
// that fails halfway (a character that cannot be encoded, a full disk) leaves the old file as
// it was and no stray file behind.
#pragma once

#include <string>
#include <string_view>

class ReplacementFile {
public:
    // Creates the new file for `target` (a file system path). A symbolic link is followed to
    // the file it names. An existing target must be a writable regular file; its permission
    // bits (and, where allowed, its owner) pass to the new file, which otherwise gets the
    // usual 0666 less the umask. Raises CException on failure.
    explicit ReplacementFile(const std::string& target);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    // Removes the new file unless it was committed.
    ~ReplacementFile();

    void Write(std::string_view bytes);
    // Flushes the new file to the disk and renames it over the target.
    void Commit();

private:
    void Discard() noexcept;

    std::string target_;
    std::string temporary_;
    int fd_ = -1;
};
