// Runs of ASCII, which stand for themselves in every encoding the decoders read, taken sixteen
// bytes at a time: most lines are mostly ASCII, and a byte-by-byte decoder spends its time there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// How many of the sixteen bytes at p, from the first, are ASCII.
inline std::size_t AsciiPrefix(const unsigned char* p) {
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto high = static_cast<unsigned>(_mm_movemask_epi8(bytes)) | 0x10000u;
    return static_cast<std::size_t>(__builtin_ctz(high));
#else
    std::size_t ascii = 0;
    while (ascii < 16 && p[ascii] < 0x80)
        ++ascii;
    return ascii;
#endif
}

// Writes the sixteen bytes at p to out as code units (out has room for sixteen) and returns how
// many of them, from the first, are ASCII: the units to keep.
inline std::size_t WidenAsciiPrefix(const unsigned char* p, char16_t* out) {
#if defined(__SSE2__) // every x86-64 processor
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(bytes, zero));
#else
    for (int i = 0; i < 16; ++i)
        out[i] = p[i];
#endif
    return AsciiPrefix(p);
}

// A decoder's step through ASCII: when sixteen bytes or more are left in [p, end) and out has
// room for them, moves p and out past the ASCII bytes at p (up to sixteen) and returns whether
// there were any.
inline bool StepOverAscii(const unsigned char*& p, const unsigned char* end, char16_t*& out) {
    if (end - p < 16)
        return false;
    const std::size_t ascii = WidenAsciiPrefix(p, out);
    p += ascii;
    out += ascii;
    return ascii != 0;
}
