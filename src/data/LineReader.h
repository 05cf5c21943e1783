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
//
// TakeWholeLines hands out every line that lies whole in the buffer at memory speed; Next hands
// out the rest (refilling the buffer, and the pieces of long lines). Readers call them in turn.
class LineReader
{
public:
    static constexpr qsizetype kDefaultCapacity = 128 * 1024;
    static constexpr qsizetype kMinCapacity = 16;
    // Bytes readable behind the buffer's end: a line's first nine bytes may be looked at whole.
    static constexpr qsizetype kPadding = 64;

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
        bool hadLineEnd = false; // with lastOfLine: an LF ended the line (not the end of input)
        bool crlf = false; // with hadLineEnd: the line end was CR LF
    };

    explicit LineReader(ReadFunction read, qsizetype capacity = kDefaultCapacity);

    // Calls visit(begin, nl) for each line that lies whole in the buffer from the current position
    // on: nl is its LF (LineEnd gives where its line end starts). Nothing is read from the input.
    // Lines go out in file order; a false from visit stops behind that line. The nine bytes from
    // a line's start on may be read whatever the line's length.
    template<class Visit> void TakeWholeLines(Visit &&visit)
    {
        if (m_inLine)
            return; // the rest of a long line comes through Next
        char *const base = m_buffer.get();
        const char *start = base + m_pos;
        const char *const stop = base + m_end;
        for (const char *block = start; block < stop; block += 64) {
            uint64_t mask = NewlineMask(block);
            if (stop - block < 64)
                mask &= (uint64_t(1) << (stop - block)) - 1;
            while (mask != 0) {
                const char *nl = block + __builtin_ctzll(mask);
                mask &= mask - 1;
                const bool more = visit(start, nl);
                start = nl + 1;
                if (!more) {
                    m_pos = start - base;
                    return;
                }
            }
        }
        m_pos = start - base;
    }
    // Where the line end of a line from begin to its LF at nl starts (a CR before the LF).
    static const char *LineEnd(const char *begin, const char *nl)
    {
        return nl > begin && nl[-1] == '\r' ? nl - 1 : nl;
    }

    // The next line that TakeWholeLines left, or a piece of it; false at the end of input or when
    // a read failed.
    bool Next(Piece &piece);
    bool Failed() const { return m_failed; }

    // The input offset of a byte of the buffer (of a line or piece handed out).
    qint64 OffsetOf(const char *p) const { return m_base + (p - m_buffer.get()); }
    // Starts over at a line that begins at offset; the caller has moved the input there.
    void Restart(qint64 offset);

    // One bit per byte of the 64 at p that is an LF.
    static uint64_t NewlineMask(const char *p)
    {
#if defined(__SSE2__)
        const __m128i newline = _mm_set1_epi8('\n');
        uint64_t mask = 0;
        for (int k = 0; k < 4; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
            mask |= uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, newline)))) << (16 * k);
        }
        return mask;
#else
        uint64_t mask = 0;
        for (int k = 0; k < 64; ++k)
            mask |= uint64_t(p[k] == '\n') << k;
        return mask;
#endif
    }

private:
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
