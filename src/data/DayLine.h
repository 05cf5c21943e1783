#pragma once

// Reading every field of a whole data file line quickly. A line as the program writes it is 16
// to 64 bytes: an eight-digit date and four numbers of at most eight digits, each before a
// comma. Such lines are read without a loop per character; anything else goes the general way
// (ReadNumber up to each comma), with the same result.
#include "data/LineReader.h"

#include <QtGlobal>

#include <cstdint>
#include <cstring>

namespace dayline {

constexpr uint64_t kZeros = 0x3030303030303030ULL;

// The value of eight ASCII digits held in a word (the first digit in its lowest byte); false
// when a byte is no digit.
inline bool DigitsValue(uint64_t chunk, uint32_t &value)
{
    const uint64_t digits = chunk - kZeros;
    if (((chunk & 0xF0F0F0F0F0F0F0F0ULL) != kZeros)
        || ((digits + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) != 0)
        return false;
    uint64_t v = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FFULL;
    v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFULL;
    v = (v * 10000 + (v >> 32)) & 0xFFFFFFFFULL;
    value = uint32_t(v);
    return true;
}

// Year, month and day of eight digits yyyymmdd at p; false when a byte is no digit.
inline bool DateDigits(const char *p, int &year, int &month, int &day)
{
    uint64_t chunk;
    std::memcpy(&chunk, p, sizeof chunk);
    const uint64_t digits = chunk - kZeros;
    if (((chunk & 0xF0F0F0F0F0F0F0F0ULL) != kZeros)
        || ((digits + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) != 0)
        return false;
    // Pairs of digits: century, year of the century, month, day.
    const uint64_t pairs = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FFULL;
    year = int(pairs & 0xFF) * 100 + int((pairs >> 16) & 0xFF);
    month = int((pairs >> 32) & 0xFF);
    day = int((pairs >> 48) & 0xFF);
    return true;
}

// The number from start up to the comma at comma. At least eight bytes of the line lie before
// comma, so that the word ending there can be loaded whole.
Q_ALWAYS_INLINE int32_t FieldBefore(const char *start, const char *comma)
{
    const qsizetype length = comma - start;
    const bool negative = length > 0 && *start == '-';
    const qsizetype digits = length - negative;
    if (digits <= 8) {
        uint64_t chunk;
        std::memcpy(&chunk, comma - 8, sizeof chunk);
        // Keep the field's digits at the top of the word and put zeros in front of them.
        const uint64_t keep = digits == 0 ? 0 : ~0ULL << (8 * (8 - digits));
        uint32_t value;
        if (DigitsValue((chunk & keep) | (kZeros & ~keep), value))
            return negative ? -int32_t(value) : int32_t(value);
    }
    return ReadNumber(start, comma);
}

#if defined(__SSE2__)
constexpr bool kFast = true;

// One bit per comma of a line of 16 to 64 bytes.
inline uint64_t CommaMask(const char *p, qsizetype size)
{
    const __m128i comma = _mm_set1_epi8(',');
    uint64_t mask = 0;
    qsizetype offset = 0;
    for (; offset + 16 <= size; offset += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + offset));
        mask |= uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, comma)))) << offset;
    }
    if (offset < size) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + size - 16));
        mask |= uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, comma)))) << (size - 16);
    }
    return mask;
}
#else
constexpr bool kFast = false;
inline uint64_t CommaMask(const char *, qsizetype)
{
    return 0;
}
#endif

// The field from start up to comma as eight digits, zeros in front: the word ending at comma with
// the bytes before the digits replaced. fits is false for more than eight digits.
Q_ALWAYS_INLINE uint64_t PaddedField(const char *start, const char *comma, bool &negative,
                                     bool &fits)
{
    // The bytes of a word ending at the comma that hold the last n bytes before it.
    static constexpr uint64_t kKeep[9] = {0,
                                          0xFF00000000000000ULL,
                                          0xFFFF000000000000ULL,
                                          0xFFFFFF0000000000ULL,
                                          0xFFFFFFFF00000000ULL,
                                          0xFFFFFFFFFF000000ULL,
                                          0xFFFFFFFFFFFF0000ULL,
                                          0xFFFFFFFFFFFFFF00ULL,
                                          0xFFFFFFFFFFFFFFFFULL};
    // An empty field starts at its own comma, which is no minus.
    negative = *start == '-';
    const qsizetype digits = (comma - start) - negative;
    fits = digits <= 8;
    uint64_t chunk;
    std::memcpy(&chunk, comma - 8, sizeof chunk);
    const uint64_t keep = kKeep[fits ? digits : 8];
    return (chunk & keep) | (kZeros & ~keep);
}

#if defined(__SSE2__)
// The values of two words of eight ASCII digits at once; false when a byte is no digit.
Q_ALWAYS_INLINE bool TwoValues(uint64_t first, uint64_t second, uint32_t &a, uint32_t &b)
{
    const __m128i d
            = _mm_sub_epi8(_mm_set_epi64x(qint64(second), qint64(first)), _mm_set1_epi8('0'));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d)) != 0xFFFF)
        return false;
    // Pairs of digits in 16-bit lanes, then four digits in 32-bit lanes, then eight in 64 bits.
    const __m128i pairs = _mm_add_epi16(
            _mm_mullo_epi16(_mm_and_si128(d, _mm_set1_epi16(0x00FF)), _mm_set1_epi16(10)),
            _mm_srli_epi16(d, 8));
    const __m128i quads = _mm_madd_epi16(pairs, _mm_set_epi16(1, 100, 1, 100, 1, 100, 1, 100));
    const __m128i eights
            = _mm_add_epi64(_mm_mul_epu32(quads, _mm_set1_epi32(10000)), _mm_srli_epi64(quads, 32));
    a = uint32_t(_mm_cvtsi128_si32(eights));
    b = uint32_t(_mm_cvtsi128_si32(_mm_unpackhi_epi64(eights, eights)));
    return true;
}

// Two fields given as padded words; the general way for one that does not fit.
Q_ALWAYS_INLINE void TwoFields(const char *start0, const char *comma0, const char *start1,
                               const char *comma1, int32_t &v0, int32_t &v1)
{
    bool negative0, fits0, negative1, fits1;
    const uint64_t w0 = PaddedField(start0, comma0, negative0, fits0);
    const uint64_t w1 = PaddedField(start1, comma1, negative1, fits1);
    uint32_t a, b;
    if (fits0 && fits1 && TwoValues(w0, w1, a, b)) {
        v0 = negative0 ? -int32_t(a) : int32_t(a);
        v1 = negative1 ? -int32_t(b) : int32_t(b);
    } else {
        v0 = FieldBefore(start0, comma0);
        v1 = FieldBefore(start1, comma1);
    }
}
#endif

// The four fields behind the date's comma at bit 8 of commas; fields without their comma stay
// as they are (0).
Q_ALWAYS_INLINE void FastFields(const char *p, uint64_t commas, int32_t (&fields)[4])
{
    const uint64_t rest = commas & (commas - 1);
#if defined(__SSE2__)
    const uint64_t r1 = rest & (rest - 1);
    const uint64_t r2 = r1 & (r1 - 1);
    const uint64_t r3 = r2 & (r2 - 1);
    if (r3 != 0) {
        // All four commas are there: two fields at a time.
        const char *const c0 = p + __builtin_ctzll(rest);
        const char *const c1 = p + __builtin_ctzll(r1);
        const char *const c2 = p + __builtin_ctzll(r2);
        const char *const c3 = p + __builtin_ctzll(r3);
        // The entry method is nearly always one digit.
        if (c0 == p + 10 && unsigned(p[9] - '0') < 10)
            fields[0] = p[9] - '0';
        else
            fields[0] = FieldBefore(p + 9, c0);
        TwoFields(c0 + 1, c1, c1 + 1, c2, fields[1], fields[2]);
        fields[3] = FieldBefore(c2 + 1, c3);
        return;
    }
#endif
    uint64_t left = rest;
    const char *start = p + 9;
    for (int k = 0; k < 4 && left != 0; ++k) {
        const char *const comma = p + __builtin_ctzll(left);
        left &= left - 1;
        fields[k] = FieldBefore(start, comma);
        start = comma + 1;
    }
}

// One comma-ended field from p on, the general way. Returns the position behind its comma, or
// nullptr when no comma follows (value is then left alone: such a field reads as 0).
inline const char *ReadField(const char *p, const char *end, int32_t &value)
{
    const auto *comma = static_cast<const char *>(std::memchr(p, ',', size_t(end - p)));
    if (!comma)
        return nullptr;
    value = ReadNumber(p, comma);
    return comma + 1;
}

} // namespace dayline
