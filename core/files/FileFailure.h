// Why reading or writing a text file failed. The readers and writers on the document state only
// note that something failed (g_nError); Open's and Save's steps (ReadFileLines and
// WriteFileLines in EncodedTextFiles.h) return why, which the window and the command line put
// into words (FailureText.h).
#pragma once

#include <cstdint>

enum class FileFailure {
    kNone,
    kBadPath,             // empty, or holding a NUL or an unpaired surrogate
    kChangedName,         // holding U+FFFD where the file system's name has other bytes
    kNotFound,            // the file, or a folder on its path, does not exist
    kNotRegularFile,      // a folder, a FIFO or a device
    kPermission,          // refused by permission bits or a read-only file system
    kInvalidBytes,        // reading: bytes that are not valid in the encoding
    kUnmappableCharacter, // writing: a character the encoding cannot hold
    kDiskFull,            // no space left, or the quota used up
    kOutOfMemory,
    kOther, // any other system error
};

struct FileResult {
    FileFailure failure = FileFailure::kNone;
    // kInvalidBytes: the byte offset in the file of the first of them.
    // kUnmappableCharacter: the index in the text (in code units) of the character.
    std::uint64_t position = 0;
    // kInvalidBytes and kUnmappableCharacter: the line that holds them, counted from 1.
    std::uint64_t line = 0;
    // kUnmappableCharacter: where the character stands in its line, counted in characters
    // from 1 (a surrogate pair is one), and the character itself (a lone surrogate as itself).
    std::uint64_t column = 0;
    char32_t character = 0;

    bool Succeeded() const { return failure == FileFailure::kNone; }
};

// The failure a system call's errno stands for.
FileFailure FailureOfErrno(int error);
