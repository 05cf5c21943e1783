#pragma once

// The one reading and writing of a data file line. A line holds up to five fields: the date
// yyyymmdd, the entry method, the balance, collected and invested in yen. A field ends at a comma
// or at the end of the line; a field that is missing reads as 0, and anything after the fifth is
// ignored. Each number is read as the C library's strtol reads it (leading white space, an
// optional sign, the digits up to the first other character; no digits read as 0), saturating at
// the 32-bit limits; amounts become hundreds by a division that truncates toward zero. The writer
// writes every field followed by a comma, then CR LF.
#include "data/DayRecord.h"

#include <QtGlobal>

#include <cstdint>
#include <cstring>

// Reads a number as strtol does, saturating at the 32-bit limits.
int32_t ReadNumber(const char *begin, const char *end);

// True when the eight bytes at p are all decimal digits; their value goes to value. Saves a
// digit-by-digit reading of the date at the start of nearly every line.
inline bool ReadEightDigits(const char *p, int32_t &value)
{
    uint64_t chunk;
    std::memcpy(&chunk, p, sizeof chunk);
    // Every byte must lie in '0'..'9': subtracting '0' must not borrow, adding 6 must not carry
    // into the high nibble.
    const uint64_t digits = chunk - 0x3030303030303030ULL;
    if (((chunk & 0xF0F0F0F0F0F0F0F0ULL) != 0x3030303030303030ULL)
        || ((digits + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) != 0)
        return false;
    // Combine pairs, then quads, then the two halves (the first byte is the most significant).
    uint64_t v = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FFULL;
    v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFULL;
    v = (v * 10000 + (v >> 32)) & 0xFFFFFFFFULL;
    value = static_cast<int32_t>(v);
    return true;
}

// The same reading of one number, fed character by character.
class NumberScanner
{
public:
    void Feed(char c);
    int32_t Value() const;
    // The value can no longer change: a character other than a digit followed the digits (or
    // came instead of them).
    bool Settled() const { return m_state == Stopped; }
    void Reset() { *this = NumberScanner(); }

private:
    enum State : uint8_t { Leading, Digits, Stopped };
    State m_state = Leading;
    bool m_negative = false;
    bool m_signSeen = false;
    int64_t m_value = 0;
};

namespace dataline {

constexpr int kFields = 5;
// The longest line the writer makes, with its line end.
constexpr int kMaxLine = 5 * 21 + 2;

// The fields of a line whole in memory, from begin up to end (the line end removed).
inline void ReadFields(const char *p, const char *end, int32_t (&fields)[kFields])
{
    int k = 0;
    for (; k < kFields; ++k) {
        const auto *comma = static_cast<const char *>(std::memchr(p, ',', size_t(end - p)));
        fields[k] = ReadNumber(p, comma ? comma : end);
        if (!comma)
            break;
        p = comma + 1;
    }
    for (++k; k < kFields; ++k)
        fields[k] = 0;
}

inline DayRecord Record(const int32_t (&fields)[kFields])
{
    return DayRecord{fields[1], fields[3] / 100, fields[4] / 100, fields[2] / 100};
}

// The date of a line: the number of its first field.
inline int32_t Date(const char *begin, const char *end)
{
    int32_t date;
    // The common line: eight digits and a comma.
    if (end - begin > 8 && begin[8] == ',' && ReadEightDigits(begin, date))
        return date;
    const auto *comma = static_cast<const char *>(std::memchr(begin, ',', size_t(end - begin)));
    return ReadNumber(begin, comma ? comma : end);
}

// A date of eight digits as the eight bytes of its text, the first the most significant: lines
// that start with such bytes compare with it as their dates do.
inline uint64_t DateWord(int32_t date)
{
    uint64_t word = 0;
    for (int k = 0; k < 8; ++k, date /= 10)
        word |= uint64_t('0' + date % 10) << (8 * k);
    return word;
}

// The date and the record of a line whole in memory.
inline DayRecord Read(const char *begin, const char *end, int32_t &date)
{
    int32_t fields[kFields];
    ReadFields(begin, end, fields);
    date = fields[0];
    return Record(fields);
}

// The line the writer makes for a day with a result, with its CR LF; returns its length.
int Format(int32_t date, const DayRecord &record, char (&out)[kMaxLine]);

// The fields of a line that comes in pieces (longer than a reader's buffer), with the same
// result as ReadFields on the whole line.
class LineFields
{
public:
    void Feed(const char *data, qsizetype size);
    // The end of the line: it ends the field being read.
    void Finish();
    // The date can no longer change with what follows.
    bool DateSettled() const { return m_complete > 0 || m_scanner.Settled(); }
    int32_t Value(int field) const { return field < m_complete ? m_values[field] : 0; }
    int32_t Date() const { return m_complete > 0 ? m_values[0] : m_scanner.Value(); }
    DayRecord Record() const { return dataline::Record(m_values); }
    void Reset() { *this = LineFields(); }

private:
    NumberScanner m_scanner;
    int32_t m_values[kFields] = {};
    int m_complete = 0;
};

} // namespace dataline
