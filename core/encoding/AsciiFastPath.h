// Eight bytes at a time through runs of ASCII, which stand for themselves in every encoding the
// decoders read: most lines are mostly ASCII, and a byte-by-byte decoder spends its time there.
#pragma once

#include <cstdint>
#include <cstring>

// When the eight bytes at p are all ASCII, writes them to out as eight code units and returns
// true; otherwise writes nothing.
inline bool WidenEightAsciiBytes(const unsigned char* p, char16_t* out) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if ((word & 0x8080808080808080u) != 0)
        return false;
    for (int i = 0; i < 8; ++i)
        out[i] = p[i];
    return true;
}
