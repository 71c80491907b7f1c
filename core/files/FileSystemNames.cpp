#include "core/files/FileSystemNames.h"

#include "core/files/CException.h"
#include "core/encoding/TextCodecs.h"
#include "core/encoding/UnicodeScalars.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace {

constexpr char16_t kReplacementCharacter = u'\uFFFD';
constexpr char16_t kFirstEscapedByte = u'\xDC80'; // stands for the byte 0x80
constexpr char16_t kLastEscapedByte = u'\xDCFF';  // stands for the byte 0xFF

bool IsEscapedByte(char16_t unit) {
    return unit >= kFirstEscapedByte && unit <= kLastEscapedByte;
}

// Only a path that failed as plain UTF-8 comes this way, unit by unit.
std::string EncodeWithEscapedBytes(std::u16string_view path) {
    std::string bytes;
    char encoded[2 * kMaxEncodedBytesPerUnit];
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (IsEscapedByte(path[i])) {
            bytes += static_cast<char>(path[i] - kFirstEscapedByte + 0x80);
            continue;
        }
        const bool pair =
            IsHighSurrogate(path[i]) && i + 1 < path.size() && IsLowSurrogate(path[i + 1]);
        const char* end = EncodeUtf8(path.substr(i, pair ? 2 : 1), encoded);
        if (end == nullptr)
            throw CException("the path holds an unpaired surrogate", FileFailure::kBadPath);
        bytes.append(encoded, static_cast<std::size_t>(end - encoded));
        i += pair ? 1 : 0;
    }
    return bytes;
}

} // namespace

std::string FileSystemPath(std::u16string_view path) {
    if (path.empty())
        throw CException("the path is empty", FileFailure::kBadPath);
    if (path.find(u'\0') != std::u16string_view::npos)
        throw CException("the path holds a NUL character", FileFailure::kBadPath);
    std::string bytes(path.size() * kMaxEncodedBytesPerUnit, '\0');
    if (const char* end = EncodeUtf8(path, bytes.data()))
        bytes.resize(static_cast<std::size_t>(end - bytes.data()));
    else
        bytes = EncodeWithEscapedBytes(path);
    // Whoever decoded the name before us (Qt's file dialog does) put U+FFFD for bytes it could
    // not read; the name then spells a file other than the one the user picked, and opening or
    // creating that one would read or save the wrong file.
    struct stat status;
    if (path.find(kReplacementCharacter) != std::u16string_view::npos &&
        lstat(bytes.c_str(), &status) != 0 && errno == ENOENT)
        throw CException("the path holds U+FFFD in place of bytes it lost",
                         FileFailure::kChangedName);
    return bytes;
}

std::u16string NameOfFileSystemPath(std::string_view bytes) {
    std::u16string name(bytes.size(), u'\0');
    if (const char16_t* end = DecodeUtf8(bytes, name.data())) {
        name.resize(static_cast<std::size_t>(end - name.data()));
        return name;
    }
    name.clear();
    char16_t decoded[2];
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length =
            std::min<std::size_t>(Utf8SequenceLength(lead), bytes.size() - i);
        const char16_t* end = DecodeUtf8(bytes.substr(i, length), decoded);
        if (end != nullptr && lead >= 0x80) {
            name.append(decoded, static_cast<std::size_t>(end - decoded));
            i += length;
        } else if (lead >= 0x80) {
            name += static_cast<char16_t>(kFirstEscapedByte + (lead - 0x80));
            ++i;
        } else {
            name += static_cast<char16_t>(lead);
            ++i;
        }
    }
    return name;
}
