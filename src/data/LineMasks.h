#pragma once

// The commas, digits and minus signs of a line's first bytes, classified 16 bytes at a time, so
// that a plain line's fields and its end follow from bit operations on the masks, without a
// search per line or a loop per character.
#include <QtGlobal>

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace linemasks {

// One bit per byte from a line's start on, the first byte in bit 0.
struct Masks
{
    uint64_t commas = 0;
    uint64_t digits = 0;
    uint64_t minus = 0;
};

// Adds the masks of the 16 bytes at p, as bits shift to shift + 15.
template<int shift> Q_ALWAYS_INLINE void Classify(const char *p, Masks &m)
{
#if defined(__SSE2__)
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const auto bits = [](__m128i is) { return uint64_t(unsigned(_mm_movemask_epi8(is))) << shift; };
    m.commas |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8(',')));
    m.minus |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('-')));
    // '0' to '9' moved to the bottom of the signed bytes, so that one comparison finds them.
    m.digits |= bits(_mm_cmplt_epi8(_mm_add_epi8(v, _mm_set1_epi8(char(0x80 - '0'))),
                                    _mm_set1_epi8(char(0x80 + 10))));
#else
    for (int k = 0; k < 16; ++k) {
        const uint64_t bit = uint64_t(1) << (shift + k);
        m.commas |= p[k] == ',' ? bit : 0;
        m.minus |= p[k] == '-' ? bit : 0;
        m.digits |= p[k] >= '0' && p[k] <= '9' ? bit : 0;
    }
#endif
}

// The bytes a line's reading may look at from its start on: 64 classified, and a line end after
// its fields.
constexpr qsizetype kReach = 64 + 16;

} // namespace linemasks
