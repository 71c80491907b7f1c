// The records of a partition on the disk: a line's number and its comparison key. A number is
// written as the distance from the record before it, and a key of Latin-1 code units as one
// byte per unit, so that most records of most files take hardly more than the line itself.
#pragma once

#include "core/partition/SpillFile.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

// Seven bits a byte, the last byte without its top bit.
inline void PutNumber(SpillFile& file, std::uint64_t value) {
    unsigned char bytes[10];
    std::size_t count = 0;
    for (; value >= 0x80; value >>= 7)
        bytes[count++] = static_cast<unsigned char>(value | 0x80);
    bytes[count++] = static_cast<unsigned char>(value);
    file.Append(bytes, count);
}

// False at the end of the file.
inline bool GetNumber(SpillFile& file, std::uint64_t& value) {
    value = 0;
    for (int shift = 0;; shift += 7) {
        const int byte = file.Get();
        if (byte < 0)
            return false;
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if (byte < 0x80)
            return true;
    }
}

class KeyRecordWriter {
public:
    void Put(SpillFile& file, std::uint64_t line, std::u16string_view key) {
        const bool narrow =
            std::all_of(key.begin(), key.end(), [](char16_t unit) { return unit < 0x100; });
        PutNumber(file, line - last_);
        last_ = line;
        PutNumber(file, key.size() * 2 + narrow);
        if (!narrow) {
            file.Append(key.data(), key.size() * sizeof(char16_t));
            return;
        }
        bytes_.assign(key.begin(), key.end()); // each unit's low byte: all there is
        file.Append(bytes_.data(), bytes_.size());
    }

private:
    std::uint64_t last_ = 0;
    std::string bytes_;
};

class KeyRecordReader {
public:
    // The next record; false at the end of the file.
    bool Get(SpillFile& file, std::uint64_t& line, std::u16string& key) {
        std::uint64_t distance = 0;
        std::uint64_t head = 0;
        if (!GetNumber(file, distance) || !GetNumber(file, head))
            return false;
        line = last_ += distance;
        const auto units = static_cast<std::size_t>(head / 2);
        key.resize(units);
        if (head % 2 == 0)
            return file.Read(key.data(), units * sizeof(char16_t)) == units * sizeof(char16_t);
        bytes_.resize(units);
        if (file.Read(bytes_.data(), units) != units)
            return false;
        std::transform(bytes_.begin(), bytes_.end(), key.begin(), [](char byte) {
            return static_cast<char16_t>(static_cast<unsigned char>(byte));
        });
        return true;
    }

private:
    std::uint64_t last_ = 0;
    std::string bytes_;
};
