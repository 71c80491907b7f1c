// Why a file could not be read or written, in the words the window's message boxes show (the
// short reason at once, the detail under 「詳細を表示」) and the command line prints on standard
// error.
#pragma once

#include "core/files/FileFailure.h"

#include <string>
#include <string_view>

// The file's path on one line and the reason on the next, in Japanese; empty for a success.
// An empty path is a save dialog that was cancelled, and out of memory is the reason alone:
// neither is about a file. lines, when given, names what the line numbers count before them
// ("処理結果の" for the lines of the window's result box).
std::u16string FailureDetail(std::u16string_view path, const FileResult& result,
                             std::u16string_view lines = {});
// The reason alone, in one short line: the detail without the path and without the aside that
// says more (the byte offset, what the name may hold): 「ファイルが見つかりません。」.
std::u16string FailureReason(std::u16string_view path, const FileResult& result,
                             std::u16string_view lines = {});

// The pieces the texts are made of, for the command line's texts in other languages.
// Whether the failure is about the file at path: a save dialog that was cancelled (an empty
// path) is not, nor is running out of memory.
bool FailureIsAboutAFile(std::u16string_view path, const FileResult& result);
// The path as the user can read it: a byte of the name that is not UTF-8 shows as \xE9.
std::u16string ReadablePath(std::u16string_view path);
// A character worth showing as itself: not a control character, which would show as nothing
// or break the line, and not half of a surrogate pair.
bool IsPrintableCharacter(char32_t character);
// The character as text, and its code point as the code charts write it ("U+2764").
std::u16string CharacterText(char32_t character);
std::u16string CodePointText(char32_t character);
