#include "core/encoding/Utf8Blocks.h"

#include "core/encoding/Utf8BlockLevels.h"

#include <algorithm>
#include <atomic>

namespace {

using namespace utf8_blocks;

struct Converters {
    Utf8BlocksDecoded (*decode)(const unsigned char*, const unsigned char*, char16_t*, char16_t*,
                                bool);
    Utf8BlocksEncoded (*encode)(const char16_t*, const char16_t*, char*, bool);
    std::optional<bool> (*check)(const unsigned char*, const unsigned char*);
};

Utf8BlocksDecoded DecodeNone(const unsigned char* in, const unsigned char*, char16_t* out,
                             char16_t*, bool) {
    return {in, out};
}
Utf8BlocksEncoded EncodeNone(const char16_t* in, const char16_t*, char* out, bool) {
    return {in, out};
}
std::optional<bool> CheckNone(const unsigned char*, const unsigned char*) {
    return std::nullopt;
}

// By level.
#if defined(__x86_64__) || defined(__i386__)
constexpr Converters kConverters[] = {
    {DecodeNone, EncodeNone, CheckNone},
    {DecodeSse41, EncodeSse41, CheckSse41},
    {DecodeAvx2, EncodeAvx2, CheckAvx2},
    {DecodeAvx512, EncodeAvx512, CheckAvx2},
};
#else // no block code for this processor: the callers' own loops do all
constexpr Converters kConverters[] = {{DecodeNone, EncodeNone, CheckNone}};
#endif

Utf8BlocksLevel BestLevel() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init(); // this may run before the constructor that readies the answers
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi") &&
        __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("popcnt"))
        return Utf8BlocksLevel::kAvx512;
    if (__builtin_cpu_supports("avx2"))
        return Utf8BlocksLevel::kAvx2;
    if (__builtin_cpu_supports("sse4.1"))
        return Utf8BlocksLevel::kSse41;
#endif
    return Utf8BlocksLevel::kNone;
}

const Utf8BlocksLevel g_best = BestLevel();
std::atomic<Utf8BlocksLevel> g_level{g_best};

const Converters& InUse() {
    return kConverters[static_cast<int>(g_level.load(std::memory_order_relaxed))];
}

} // namespace

Utf8BlocksDecoded DecodeUtf8Blocks(const unsigned char* in, const unsigned char* end, char16_t* out,
                                   char16_t* outEnd, bool keepSurrogates) {
    return InUse().decode(in, end, out, outEnd, keepSurrogates);
}

Utf8BlocksEncoded EncodeUtf8Blocks(const char16_t* in, const char16_t* end, char* out,
                                   bool stopAtLineEnds) {
    return InUse().encode(in, end, out, stopAtLineEnds);
}

std::optional<bool> CheckUtf8Blocks(const unsigned char* in, const unsigned char* end) {
    return InUse().check(in, end);
}

Utf8BlocksLevel Utf8BlocksBestLevel() {
    return g_best;
}

Utf8BlocksLevel Utf8BlocksLevelInUse() {
    return g_level.load(std::memory_order_relaxed);
}

void UseUtf8BlocksLevel(Utf8BlocksLevel level) {
    g_level.store(std::min(level, g_best), std::memory_order_relaxed);
}

bool Utf8BlocksEnabled() {
    return Utf8BlocksLevelInUse() != Utf8BlocksLevel::kNone;
}
