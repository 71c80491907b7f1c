// File names between the window's UTF-16 text and the file system's bytes. The file system
// takes any bytes but NUL and slash, while a name read as UTF-8 loses the bytes that are not
// UTF-8 (a Shift_JIS name unpacked from an archive). So each such byte travels through the
// UTF-16 text as a lone low surrogate, U+DC80 to U+DCFF, and turns back into the very byte on
// its way to the file system: a name from the command line opens the file it names.
#pragma once

#include <string>
#include <string_view>

// The bytes the file system knows path by. Raises CException: kBadPath for an empty path, a NUL
// or any other unpaired surrogate; kChangedName for a name that another layer already decoded
// lossily (it holds U+FFFD and no such file exists), which would name a different file.
std::string FileSystemPath(std::u16string_view path);

// The name a file system path's bytes stand for, each byte that is not part of valid UTF-8 as
// U+DC80 + (byte - 0x80); FileSystemPath gives the bytes back.
std::u16string NameOfFileSystemPath(std::string_view bytes);
