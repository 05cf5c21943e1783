#pragma once

// The line parser's fast path for the all-years reader (DataLine.h): a line as the program
// writes it, an eight-digit date and four numbers, each before a comma, then the line end. Given
// the masks of its commas, digits and minus signs, such a plain line is recognised by bit
// operations and its numbers are read by word and vector arithmetic, without a loop per
// character. Any other line goes the general way (dataline::Read), with the same result.
#include "data/DataLine.h"
#include "data/LineMasks.h"

#include <QtGlobal>

#include <array>
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

// The last n bytes of a word; all of them for n over 8.
constexpr uint64_t LastBytes(unsigned n)
{
    return n == 0 ? 0 : n >= 8 ? ~uint64_t(0) : ~uint64_t(0) << (8 * (8 - n));
}

// Of the word that ends at a field's comma, the bytes of a field of n bytes (an optional minus
// and digits); more than eight fill the word.
constexpr std::array<uint64_t, 64> kField = [] {
    std::array<uint64_t, 64> keep{};
    for (unsigned n = 0; n < keep.size(); ++n)
        keep[n] = LastBytes(n);
    return keep;
}();

// An amount is read in hundreds, truncated toward zero like a division: its last two digits are
// left out. Of the word that ends two bytes before the comma of a field of n bytes, the n - 2
// bytes of the field; more than eight fill the word.
constexpr std::array<uint64_t, 64> kHundreds = [] {
    std::array<uint64_t, 64> keep{};
    for (unsigned n = 0; n < keep.size(); ++n)
        keep[n] = n <= 2 ? 0 : LastBytes(n - 2);
    return keep;
}();

#if defined(__SSE2__)
// A digit's value in each byte; the zeros in front and a minus, both below '0', give 0.
Q_ALWAYS_INLINE __m128i DigitValues(__m128i bytes)
{
    return _mm_subs_epu8(bytes, _mm_set1_epi8('0'));
}

// Pairs of digits as numbers in 16 bits, then four digits in 32; the first byte is the most
// significant.
Q_ALWAYS_INLINE __m128i FourDigits(__m128i digits)
{
    const __m128i pairs = _mm_and_si128(
            _mm_add_epi16(_mm_mullo_epi16(digits, _mm_set1_epi16(10)), _mm_srli_epi16(digits, 8)),
            _mm_set1_epi16(0x00FF));
    return _mm_madd_epi16(pairs, _mm_set_epi16(1, 100, 1, 100, 1, 100, 1, 100));
}

// The 32-bit lanes a, c of one vector and a, c of another, in this order.
template<int a, int c> Q_ALWAYS_INLINE __m128i Lanes(__m128i first, __m128i second)
{
    return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(first), _mm_castsi128_ps(second),
                                           _MM_SHUFFLE(c, a, c, a)));
}

// Each 32-bit lane negated where negative is all ones.
Q_ALWAYS_INLINE __m128i Signed(__m128i values, __m128i negative)
{
    return _mm_sub_epi32(_mm_xor_si128(values, negative), negative);
}

// The four fields given as words that hold their bytes at the top, zeros in front (the method's
// whole field, the amounts' bytes but their last two), two words a vector: the numbers in the
// record's order (method, collected, invested, balance).
Q_ALWAYS_INLINE __m128i FourFields(__m128i methodCollected, __m128i investedBalance,
                                   bool inFourBytes)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i minus = _mm_set1_epi8('-');
    if (inFourBytes) {
        // Nearly always every word fits in its upper four bytes: one vector of four numbers.
        const __m128i bytes = Lanes<1, 3>(methodCollected, investedBalance);
        const __m128i values = FourDigits(DigitValues(bytes));
        // All ones where there is no minus: then -1 - ~value is the value, 0 - value otherwise.
        const __m128i positive = _mm_cmpeq_epi32(_mm_cmpeq_epi8(bytes, minus), zero);
        return _mm_sub_epi32(positive, _mm_xor_si128(values, positive));
    }
    // Two vectors of two numbers of eight digits.
    const auto eight = [&](__m128i bytes) {
        const __m128i fours = FourDigits(DigitValues(bytes));
        return _mm_add_epi64(_mm_mul_epu32(fours, _mm_set1_epi32(10000)),
                             _mm_srli_epi64(fours, 32));
    };
    const __m128i values = Lanes<0, 2>(eight(methodCollected), eight(investedBalance));
    // A 64-bit lane with a minus sums to 255.
    const __m128i negative = _mm_cmpgt_epi32(
            Lanes<0, 2>(_mm_sad_epu8(_mm_cmpeq_epi8(methodCollected, minus), zero),
                        _mm_sad_epu8(_mm_cmpeq_epi8(investedBalance, minus), zero)),
            zero);
    return Signed(values, negative);
}
#endif

// The commas that end the date and the four fields of a plain line, as byte offsets.
struct PlainCommas
{
    unsigned method, balance, collected, invested;
};

// The length of a line with its line end when it is plain, given the masks of its first bytes:
// eight digits and a comma, then four fields each of an optional minus and digits before its own
// comma, then CR LF or LF. 0 for any other line.
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
    // after a comma (so none is in the date).
    const uint64_t others = ~(m.digits | m.commas) & (r3 ^ (r3 - 1));
    if ((others & ~(m.minus & (m.commas << 1))) != 0)
        return 0;
    uint16_t end;
    std::memcpy(&end, p + c.invested + 1, sizeof end);
    if (end == ('\r' | '\n' << 8))
        return c.invested + 3;
    return (end & 0xFF) == '\n' ? c.invested + 2 : 0;
}

// The four fields of a plain line into a day's record the general way.
inline void GeneralRecord(const char *p, const PlainCommas &c, DayRecord &record)
{
    record.method = ReadNumber(p + 9, p + c.method);
    record.balance = ReadNumber(p + c.method + 1, p + c.balance) / 100;
    record.collected = ReadNumber(p + c.balance + 1, p + c.collected) / 100;
    record.invested = ReadNumber(p + c.collected + 1, p + c.invested) / 100;
}

// The four fields of a plain line given its masks into a day's record, the amounts in hundreds.
Q_ALWAYS_INLINE void PlainRecord(const char *p, const linemasks::Masks &m, const PlainCommas &c,
                                 DayRecord &record)
{
#if defined(__SSE2__)
    const uint64_t method = Load8(p + c.method - 8) & kField[c.method - 9];
    const uint64_t balance = Load8(p + c.balance - 10) & kHundreds[c.balance - c.method - 1];
    const uint64_t collected = Load8(p + c.collected - 10) & kHundreds[c.collected - c.balance - 1];
    const uint64_t invested = Load8(p + c.invested - 10) & kHundreds[c.invested - c.collected - 1];
    const bool inFourBytes = uint32_t(method | balance | collected | invested) == 0;
    if (!inFourBytes) {
        // Only the words of fields of up to eight digits hold all that is read of them.
        uint64_t nine = m.digits & (m.digits >> 1);
        nine &= nine >> 2;
        nine &= nine >> 4;
        nine &= m.digits >> 8;
        if ((nine & ((uint64_t(2) << c.invested) - 1)) != 0 || c.method > 9 + 8) {
            GeneralRecord(p, c, record);
            return;
        }
    }
    // The record's order: method, collected, invested, balance.
    static_assert(sizeof(DayRecord) == 16 && offsetof(DayRecord, method) == 0
                  && offsetof(DayRecord, collected) == 4 && offsetof(DayRecord, invested) == 8
                  && offsetof(DayRecord, balance) == 12);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(&record),
                     FourFields(_mm_set_epi64x(qint64(collected), qint64(method)),
                                _mm_set_epi64x(qint64(balance), qint64(invested)), inFourBytes));
#else
    Q_UNUSED(m);
    GeneralRecord(p, c, record);
#endif
}

} // namespace dayline
