#include "core/files/FailureText.h"

#include "core/encoding/UnicodeScalars.h"

#include <cstdio>

namespace {

std::u16string Number(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    return {digits.begin(), digits.end()};
}

} // namespace

// At least four hexadecimal digits.
std::u16string CodePointText(char32_t character) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(character));
    return {text, text + std::char_traits<char>::length(text)};
}

bool IsPrintableCharacter(char32_t character) {
    return character >= 0x20 && !(character >= 0x7F && character < 0xA0) && character != 0x2028 &&
           character != 0x2029 && !IsSurrogate(character);
}

std::u16string CharacterText(char32_t character) {
    if (character < 0x10000)
        return std::u16string(1, static_cast<char16_t>(character));
    return {HighSurrogateOf(character), LowSurrogateOf(character)};
}

// A byte of the name that is not UTF-8 is carried as U+DC80 to U+DCFF (FileSystemNames.h).
std::u16string ReadablePath(std::u16string_view path) {
    std::u16string readable;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i];
        const bool paired =
            IsHighSurrogate(unit) && i + 1 < path.size() && IsLowSurrogate(path[i + 1]);
        if (paired) {
            readable.append(path.substr(i, 2));
            ++i;
        } else if (IsSurrogate(unit)) {
            char text[8];
            if (unit >= 0xDC80 && unit <= 0xDCFF)
                std::snprintf(text, sizeof text, "\\x%02X", static_cast<unsigned>(unit - 0xDC00));
            else
                std::snprintf(text, sizeof text, "\\u%04X", static_cast<unsigned>(unit));
            readable.append(text, text + std::char_traits<char>::length(text));
        } else {
            readable += unit;
        }
    }
    return readable;
}

bool FailureIsAboutAFile(std::u16string_view path, const FileResult& result) {
    return !result.Succeeded() && result.failure != FileFailure::kOutOfMemory && !path.empty();
}

namespace {

// A reason in three parts: what went wrong, an aside that says more (where exactly, or what
// may be meant), and the rest of the sentence. The short reason leaves the aside out.
struct ReasonParts {
    std::u16string head, aside, tail;
};

ReasonParts Reason(std::u16string_view path, const FileResult& result, std::u16string_view lines) {
    if (path.empty() && !result.Succeeded() && result.failure != FileFailure::kOutOfMemory)
        return {u"ファイルが選ばれていません", u"（保存のダイアログがキャンセルされました）",
                u"。"};
    switch (result.failure) {
    case FileFailure::kNone:
        return {};
    case FileFailure::kBadPath:
        return {u"このファイル名は使えません",
                u"（NUL 文字か、対になっていないサロゲートを含んでいます）", u"。"};
    case FileFailure::kChangedName:
        return {u"このファイル名は使えません。",
                u"名前の中の読めない文字が「\uFFFD」（U+FFFD）に置き換えられているため、選んだ"
                u"ファイルとは別のファイルを指しています。",
                {}};
    case FileFailure::kNotFound:
        return {u"ファイルが見つかりません", u"（ファイルか、途中のフォルダーがありません）",
                u"。"};
    case FileFailure::kNotRegularFile:
        return {u"通常のファイルではありません", u"（フォルダー、デバイス、FIFO など）", u"。"};
    case FileFailure::kPermission:
        return {u"アクセス権がありません", u"（権限がないか、読み取り専用の場所です）", u"。"};
    case FileFailure::kInvalidBytes:
        return {std::u16string(lines) + Number(result.line) + u" 行目",
                u"（ファイルの先頭から " + Number(result.position) + u" バイトの位置）",
                u"に、指定された文字コードでは読めないバイトがあります。"};
    case FileFailure::kUnmappableCharacter: {
        const std::u16string shown = IsPrintableCharacter(result.character)
                                         ? u"「" + CharacterText(result.character) + u"」（" +
                                               CodePointText(result.character) + u"）"
                                         : u"文字 " + CodePointText(result.character) + u" ";
        return {std::u16string(lines) + Number(result.line) + u" 行目 " + Number(result.column) +
                    u" 文字目の" + shown + u"は、指定された文字コードでは書けない文字です。",
                {},
                {}};
    }
    case FileFailure::kDiskFull:
        return {u"ディスクの空きが足りないか、ファイルが大きすぎます。", {}, {}};
    case FileFailure::kOutOfMemory:
        return {u"メモリが足りません。", {}, {}};
    case FileFailure::kOther:
        break;
    }
    return {u"システムのエラーで読み書きできませんでした。", {}, {}};
}

} // namespace

std::u16string FailureDetail(std::u16string_view path, const FileResult& result,
                             std::u16string_view lines) {
    const ReasonParts reason = Reason(path, result, lines);
    const std::u16string whole = reason.head + reason.aside + reason.tail;
    return FailureIsAboutAFile(path, result) ? u"ファイル: " + ReadablePath(path) + u"\n" + whole
                                             : whole;
}

std::u16string FailureReason(std::u16string_view path, const FileResult& result,
                             std::u16string_view lines) {
    const ReasonParts reason = Reason(path, result, lines);
    return reason.head + reason.tail;
}
