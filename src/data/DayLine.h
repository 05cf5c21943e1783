#pragma once

// Reading the fields of a short data file line quickly. A line as the program writes it is an
// eight-digit date and four numbers of at most eight digits, each before a comma, under 64 bytes.
// Given one bit per comma and one per digit of such a line, its numbers are read by word
// arithmetic without a loop per character; anything else goes the general way (ReadNumber up to
// each comma), with the same result.
#include "data/LineMasks.h"
#include "data/LineReader.h"
#include "data/YearReader.h"

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace dayline {

Q_ALWAYS_INLINE uint64_t Load8(const char *p)
{
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Year, month and day of a word of eight digits yyyymmdd.
inline void DateParts(uint64_t word, int &year, int &month, int &day)
{
    // Pairs of digits: century, year of the century, month, day.
    uint64_t pairs = word & 0x0F0F0F0F0F0F0F0FULL;
    pairs = (pairs * 10 + (pairs >> 8)) & 0x00FF00FF00FF00FFULL;
    year = int(pairs & 0xFF) * 100 + int((pairs >> 16) & 0xFF);
    month = int((pairs >> 32) & 0xFF);
    day = int((pairs >> 48) & 0xFF);
}

// Month and day of a word of eight digits yyyymmdd as month * 32 + day; 0, which is no day, for
// a month past 12 or a day past 31.
Q_ALWAYS_INLINE unsigned MonthDayKey(uint64_t word)
{
    uint32_t pairs = uint32_t(word >> 32) & 0x0F0F0F0FU;
    pairs = (pairs * 10 + (pairs >> 8)) & 0x00FF00FFU;
    const uint32_t month = pairs & 0xFF;
    const uint32_t day = pairs >> 16;
    return month <= 12 && day <= 31 ? month * 32 + day : 0;
}

// The last n bytes of a word.
constexpr uint64_t kLast[9] = {0,
                               0xFF00000000000000ULL,
                               0xFFFF000000000000ULL,
                               0xFFFFFF0000000000ULL,
                               0xFFFFFFFF00000000ULL,
                               0xFFFFFFFFFF000000ULL,
                               0xFFFFFFFFFFFF0000ULL,
                               0xFFFFFFFFFFFFFF00ULL,
                               0xFFFFFFFFFFFFFFFFULL};

// An amount is read in hundreds, truncated toward zero like a division: its last two digits are
// left out. Of a field of n bytes (a minus and up to eight digits), the word that ends two bytes
// before its comma keeps the last n - 2 bytes.
constexpr uint64_t kHundreds[10]
        = {0, 0, 0, kLast[1], kLast[2], kLast[3], kLast[4], kLast[5], kLast[6], kLast[7]};

#if defined(__SSE2__)
// Two fields at once, each given as a word that holds its bytes (an optional minus, then up to
// eight digits) at the top and zeros in front: its value in the low 32 bits of each 64-bit lane.
Q_ALWAYS_INLINE __m128i TwoFields(uint64_t first, uint64_t second)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i bytes = _mm_set_epi64x(qint64(second), qint64(first));
    const __m128i minus = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('-'));
    const __m128i digits = _mm_andnot_si128(minus, _mm_and_si128(bytes, _mm_set1_epi8(0x0F)));
    // Pairs of digits in 16 bits, then four digits in 32, then all eight; the first byte is the
    // most significant.
    const __m128i pairs = _mm_and_si128(
            _mm_add_epi16(_mm_mullo_epi16(digits, _mm_set1_epi16(10)), _mm_srli_epi16(digits, 8)),
            _mm_set1_epi16(0x00FF));
    const __m128i fours = _mm_madd_epi16(pairs, _mm_set_epi16(1, 100, 1, 100, 1, 100, 1, 100));
    const __m128i eights
            = _mm_add_epi64(_mm_mul_epu32(fours, _mm_set1_epi32(10000)), _mm_srli_epi64(fours, 32));
    // All ones in the low 32 bits of a lane that holds a minus.
    const __m128i negative = _mm_cmpgt_epi32(_mm_sad_epu8(minus, zero), zero);
    return _mm_sub_epi32(_mm_xor_si128(eights, negative), negative);
}
#endif

// The commas that end the date and the four fields of a plain line, as byte offsets.
struct PlainCommas
{
    unsigned method, balance, collected, invested;
};

// The length of a line with its line end when it is plain, given the masks of its first bytes:
// eight digits and a comma, then four fields each of an optional minus and up to eight digits
// before its own comma, then CR LF or LF. 0 for any other line.
Q_ALWAYS_INLINE unsigned PlainLength(const char *p, const linemasks::Masks &m, PlainCommas &c)
{
    const uint64_t r0 = m.commas & (m.commas - 1);
    const uint64_t r1 = r0 & (r0 - 1);
    const uint64_t r2 = r1 & (r1 - 1);
    const uint64_t r3 = r2 & (r2 - 1);
    if (r3 == 0 || (m.commas & 0x1FF) != 0x100)
        return 0;
    c = {unsigned(__builtin_ctzll(r0)), unsigned(__builtin_ctzll(r1)),
         unsigned(__builtin_ctzll(r2)), unsigned(__builtin_ctzll(r3))};
    // Up to the last field's comma, every byte that is neither digit nor comma is a minus right
    // after a comma (so none is in the date), and no nine digits stand in a row; the entry method
    // fits a word.
    const uint64_t upToLast = r3 ^ (r3 - 1);
    const uint64_t others = ~(m.digits | m.commas) & upToLast;
    uint64_t nine = m.digits & (m.digits >> 1);
    nine &= nine >> 2;
    nine &= nine >> 4;
    nine &= m.digits >> 8;
    if (((others & ~(m.minus & (m.commas << 1))) | (nine & upToLast)) != 0 || c.method > 9 + 8)
        return 0;
    const char *const after = p + c.invested + 1;
    if (after[0] == '\r' && after[1] == '\n')
        return c.invested + 3;
    return after[0] == '\n' ? c.invested + 2 : 0;
}

// The four fields of a plain line into a day's record, the amounts in hundreds.
Q_ALWAYS_INLINE void PlainRecord(const char *p, const PlainCommas &c, DayRecord &record)
{
#if defined(__SSE2__)
    const __m128i methodCollected
            = TwoFields(Load8(p + c.method - 8) & kLast[c.method - 9],
                        Load8(p + c.collected - 10) & kHundreds[c.collected - c.balance - 1]);
    const __m128i investedBalance
            = TwoFields(Load8(p + c.invested - 10) & kHundreds[c.invested - c.collected - 1],
                        Load8(p + c.balance - 10) & kHundreds[c.balance - c.method - 1]);
    // The record's order: method, collected, invested, balance.
    static_assert(sizeof(DayRecord) == 16 && offsetof(DayRecord, method) == 0
                  && offsetof(DayRecord, collected) == 4 && offsetof(DayRecord, invested) == 8
                  && offsetof(DayRecord, balance) == 12);
    _mm_storeu_ps(reinterpret_cast<float *>(&record),
                  _mm_shuffle_ps(_mm_castsi128_ps(methodCollected),
                                 _mm_castsi128_ps(investedBalance), _MM_SHUFFLE(2, 0, 2, 0)));
#else
    record.method = ReadNumber(p + 9, p + c.method);
    record.balance = ReadNumber(p + c.method + 1, p + c.balance) / 100;
    record.collected = ReadNumber(p + c.balance + 1, p + c.collected) / 100;
    record.invested = ReadNumber(p + c.collected + 1, p + c.invested) / 100;
#endif
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
