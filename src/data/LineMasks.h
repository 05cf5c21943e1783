#pragma once

// Walking the lines of a buffer with the commas, digits and minus signs of each line's first bytes
// classified at once, so that a plain line's fields and its end follow from bit operations on
// the masks, without a search per line or a loop per character.
#include <QtGlobal>

#include <cstdint>
#include <cstring>

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

// The bytes a walk needs ahead of a line's start: 64 classified, and the line end after them.
constexpr qsizetype kReach = 64 + 16;

// Hands out the whole lines of [p, end) to a reader:
// - reader.TakePlain(line, masks) with the masks of the line's first 32 bytes and, when it asks
//   again, of its first 64; it returns the line's length with its line end when it took the
//   line, 0 when not, and -1 to stop the walk;
// - reader.TakeLine(line, lineEnd) gets each line that TakePlain did not take, without its LF,
//   and returns false to stop the walk.
// Returns nullptr when the walk was stopped, otherwise the start of the first line it left: it
// stops when fewer than kReach bytes are left, or at a line whose LF is not in the buffer.
template<class Reader> const char *WalkLines(const char *p, const char *end, Reader &reader)
{
    while (end - p >= kReach) {
        // Nearly every line is plain and fits in 32 bytes.
        Masks m;
        Classify<0>(p, m);
        Classify<16>(p + 16, m);
        qsizetype taken = reader.TakePlain(p, m);
        if (taken == 0) {
            Classify<32>(p + 32, m);
            Classify<48>(p + 48, m);
            taken = reader.TakePlain(p, m);
        }
        if (taken < 0)
            return nullptr;
        if (taken > 0) {
            p += taken;
            continue;
        }
        const auto *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        if (!nl)
            return p;
        if (!reader.TakeLine(p, nl))
            return nullptr;
        p = nl + 1;
    }
    return p;
}

} // namespace linemasks
