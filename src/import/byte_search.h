// byte_search.h: finding bytes in the short texts of a record line, eight bytes at a time.
//
// The line's pieces (a column value, a line of a few hundred bytes) are too short for the C
// library's vector search to pay for its call; they are searched inline, sixteen bytes at a time
// where the processor has SSE2, else eight. Words are read with memcpy, so any alignment is
// fine; the lowest marked byte of a little-endian word is the first match.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace importer::bytes {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

// Marks the zero bytes of `v` in their top bit. Bytes above a zero byte may be marked falsely
// (a borrow), so only the lowest mark is certain, and that is the only one used.
constexpr std::uint64_t zeroBytes(std::uint64_t v) { return (v - kOnes) & ~v & kHighs; }

constexpr std::uint64_t equalBytes(std::uint64_t w, char c) {
    return zeroBytes(w ^ (kOnes * static_cast<unsigned char>(c)));
}

inline std::uint64_t load(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

inline size_t firstMarked(std::uint64_t marks) {
    return static_cast<size_t>(__builtin_ctzll(marks)) / 8;
}

// The index of the first byte of `text` equal to `a`, `b` or `c`, or text.size() when none is.
inline size_t findAny(std::string_view text, char a, char b, char c) {
    const char* p = text.data();
    const size_t n = text.size();
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen at a time where the processor can: most column values fit in one step.
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c);
    for (; i + 16 <= n; i += 16) {
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i m = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(w, va), _mm_cmpeq_epi8(w, vb)),
                                       _mm_cmpeq_epi8(w, vc));
        if (const int bits = _mm_movemask_epi8(m))
            return i + static_cast<size_t>(__builtin_ctz(bits));
    }
#endif
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w = load(p + i);
        if (std::uint64_t m = equalBytes(w, a) | equalBytes(w, b) | equalBytes(w, c))
            return i + firstMarked(m);
    }
    for (; i < n; ++i) {
        if (p[i] == a || p[i] == b || p[i] == c) return i;
    }
    return n;
}

inline size_t findEither(std::string_view text, char a, char b) { return findAny(text, a, b, b); }
inline size_t find(std::string_view text, char c) { return findAny(text, c, c, c); }

}  // namespace importer::bytes
