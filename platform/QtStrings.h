// The program's texts reach Qt as UTF-16 (what the window code keeps) or UTF-8 (what the
// templates and resources keep); this is the one conversion of each.
#pragma once

#include <QString>
#include <string_view>

// Unit for unit: QString::fromUtf16 would take a leading U+FEFF or U+FFFE for a byte-order
// mark, dropping the one and byte-swapping the text after the other.
inline QString ToQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

inline QString ToQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
