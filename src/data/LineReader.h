#pragma once

#include <QtGlobal>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Streams a text file line by line through one fixed buffer, so memory stays the same whatever
// the file's size or the length of its lines. A line ends at LF; a CR right before the LF belongs
// to the line end. A line longer than the buffer comes in several pieces; the first piece of a
// line then still holds at least the buffer's capacity less one byte.
class LineReader
{
public:
    static constexpr qsizetype kDefaultCapacity = 64 * 1024;
    static constexpr qsizetype kMinCapacity = 16;

    // Reads up to size bytes into buffer; returns the count, 0 at the end, -1 on failure.
    using ReadFunction = std::function<qint64(char *buffer, qint64 size)>;
    // Moves the input to a byte offset from its start; false on failure.
    using SeekFunction = std::function<bool(qint64 offset)>;

    struct Piece
    {
        const char *data = nullptr;
        qsizetype size = 0;
        bool firstOfLine = false;
        bool lastOfLine = false; // the line end (if any) was removed
    };

    explicit LineReader(ReadFunction read, qsizetype capacity = kDefaultCapacity);

    // The next piece of input; false at the end of input or when a read failed.
    bool Next(Piece &piece)
    {
        // Nearly every call finds a whole line in the buffer; only the rest goes out of line.
        char *const start = m_buffer.get() + m_pos;
        if (const char *nl = FindNewline(start, m_buffer.get() + m_end))
            return TakeLine(start, nl, piece);
        return NextSlow(piece);
    }
    bool Failed() const { return m_failed; }

    // The input offset of a byte of the piece last handed out.
    qint64 OffsetOf(const char *p) const { return m_base + (p - m_buffer.get()); }
    // Starts over at a line that begins at offset; the caller has moved the input there.
    void Restart(qint64 offset);

    static const char *FindNewline(const char *p, const char *end)
    {
#if defined(__SSE2__)
        // 32 bytes a step: a data file line fits in one, so the loop's branch is well predicted.
        const __m128i newline = _mm_set1_epi8('\n');
        for (; end - p >= 32; p += 32) {
            const auto *v = reinterpret_cast<const __m128i *>(p);
            const unsigned low
                    = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(v), newline)));
            const unsigned high
                    = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(v + 1), newline)));
            const unsigned mask = low | (high << 16);
            if (mask != 0)
                return p + __builtin_ctz(mask);
        }
#endif
        return p < end ? static_cast<const char *>(std::memchr(p, '\n', size_t(end - p))) : nullptr;
    }

private:
    // Hands out the line from start up to the LF at nl, without its line end.
    bool TakeLine(char *start, const char *nl, Piece &piece)
    {
        qsizetype size = nl - start;
        if (size > 0 && nl[-1] == '\r')
            --size;
        piece = {start, size, !m_inLine, true};
        m_pos += (nl - start) + 1;
        m_inLine = false;
        return true;
    }
    bool NextSlow(Piece &piece);
    bool Fill();

    ReadFunction m_read;
    qsizetype m_capacity;
    std::unique_ptr<char[]> m_buffer;
    qint64 m_base = 0; // input offset of m_buffer[0]
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
    bool m_eof = false;
    bool m_failed = false;
    bool m_inLine = false;
};

// Reads a number as the C library's strtol does (leading white space, an optional sign, the digits
// up to the first other character; no digits read as 0), saturating at the 32-bit limits.
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
    // Combine pairs, then quads, then the two halves (the first byte is the most significant
    // digit).
    uint64_t v = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FFULL;
    v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFULL;
    v = (v * 10000 + (v >> 32)) & 0xFFFFFFFFULL;
    value = static_cast<int32_t>(v);
    return true;
}

// The same reading, fed piece by piece.
class NumberScanner
{
public:
    void Feed(char c);
    int32_t Value() const;
    void Reset() { *this = NumberScanner(); }

private:
    enum State : uint8_t { Leading, Digits, Stopped };
    State m_state = Leading;
    bool m_negative = false;
    bool m_signSeen = false;
    int64_t m_value = 0;
};

// The fields of one data file line as the reader takes them: up to five numbers, each one ended by
// a comma. A field that is not followed by a comma is not complete.
class LineFields
{
public:
    static constexpr int kFields = 5;

    void Feed(const char *data, qsizetype size);
    int Complete() const { return m_complete; }
    int32_t Value(int field) const { return field < m_complete ? m_values[field] : 0; }
    void Reset() { *this = LineFields(); }

private:
    NumberScanner m_scanner;
    int32_t m_values[kFields] = {};
    int m_complete = 0;
};
