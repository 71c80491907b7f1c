#include "app/cli/FailureWords.h"

#include "app/cli/Messages.h"
#include "core/files/FailureText.h"

namespace {

std::string Reason(std::u16string_view path, const FileResult& result) {
    if (path.empty() && !result.Succeeded() && result.failure != FileFailure::kOutOfMemory)
        return Tr("No file was chosen (the save dialog was cancelled).");
    const std::string line = std::to_string(result.line);
    switch (result.failure) {
    case FileFailure::kNone:
        return {};
    case FileFailure::kBadPath:
        return Tr("This file name cannot be used (it holds a NUL character or an unpaired "
                  "surrogate).");
    case FileFailure::kChangedName:
        // The replacement character goes in as a value: gettext's tools take it for a
        // character they failed to read.
        return Fill(Tr("This file name cannot be used. Characters of the name that could not be "
                       "read were replaced by \"%s\" (U+FFFD), so it names another file than the "
                       "one chosen."),
                    {"\uFFFD"});
    case FileFailure::kNotFound:
        return Tr("The file was not found (the file, or a folder on its path, does not exist).");
    case FileFailure::kNotRegularFile:
        return Tr("This is not a regular file (a folder, a device, a FIFO or the like).");
    case FileFailure::kPermission:
        return Tr("Access was denied (no permission, or a read-only place).");
    case FileFailure::kInvalidBytes:
        return Fill(Tr("Line %s (byte %s from the start of the file) holds bytes that the chosen "
                       "encoding cannot read."),
                    {line, std::to_string(result.position)});
    case FileFailure::kUnmappableCharacter: {
        const std::string column = std::to_string(result.column);
        const std::string codePoint = Utf8(CodePointText(result.character));
        if (!IsPrintableCharacter(result.character))
            return Fill(Tr("Line %s, character %s: the character %s is one that the chosen "
                           "encoding cannot write."),
                        {line, column, codePoint});
        return Fill(Tr("Line %s, character %s: \"%s\" (%s) is a character that the chosen "
                       "encoding cannot write."),
                    {line, column, Utf8(CharacterText(result.character)), codePoint});
    }
    case FileFailure::kDiskFull:
        return Tr("The disk is full, or the file is too large.");
    case FileFailure::kOutOfMemory:
        return Tr("There is not enough memory.");
    case FileFailure::kOther:
        break;
    }
    return Tr("A system error kept the file from being read or written.");
}

} // namespace

std::string FailureWords(std::u16string_view path, const FileResult& result) {
    const std::string reason = Reason(path, result);
    if (!FailureIsAboutAFile(path, result))
        return reason;
    return Fill(Tr("File: %s"), {Utf8(ReadablePath(path))}) + "\n" + reason;
}

std::string RefusedMarkWords(std::string_view mark) {
    return Fill(Tr("The file starts with a byte-order mark of %s; %s is not supported."),
                {mark, mark});
}
