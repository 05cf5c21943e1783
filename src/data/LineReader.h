#pragma once

#include <QtGlobal>

#include <cstdint>
#include <functional>
#include <memory>

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

    struct Piece
    {
        const char *data = nullptr;
        qsizetype size = 0;
        bool firstOfLine = false;
        bool lastOfLine = false; // the line end (if any) was removed
    };

    explicit LineReader(ReadFunction read, qsizetype capacity = kDefaultCapacity);

    // The next piece of input; false at the end of input or when a read failed.
    bool Next(Piece &piece);
    bool Failed() const { return m_failed; }

private:
    bool Fill();

    ReadFunction m_read;
    qsizetype m_capacity;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
    bool m_eof = false;
    bool m_failed = false;
    bool m_inLine = false;
};

// Reads a number as the C library's strtol does (leading white space, an optional sign, the digits
// up to the first other character; no digits read as 0), saturating at the 32-bit limits.
int32_t ReadNumber(const char *begin, const char *end);

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
