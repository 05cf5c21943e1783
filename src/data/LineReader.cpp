#include "data/LineReader.h"

#include <algorithm>
#include <cstring>

LineReader::LineReader(ReadFunction read, qsizetype capacity)
    : m_read(std::move(read))
    , m_capacity(std::max(capacity, kMinCapacity))
    , m_buffer(new char[size_t(m_capacity + kPadding)]())
{ }

bool LineReader::Fill()
{
    if (m_pos > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_pos, size_t(m_end - m_pos));
        m_end -= m_pos;
        m_base += m_pos;
        m_pos = 0;
    }
    const qint64 n = m_read(m_buffer.get() + m_end, m_capacity - m_end);
    if (n < 0) {
        m_failed = true;
        return false;
    }
    if (n == 0)
        m_eof = true;
    m_end += n;
    return true;
}

void LineReader::Restart(qint64 offset)
{
    m_base = offset;
    m_pos = m_end = 0;
    m_eof = m_failed = false;
    m_inLine = false;
}

bool LineReader::Next(Piece &piece)
{
    for (;;) {
        if (m_failed)
            return false;
        char *const start = m_buffer.get() + m_pos;
        const qsizetype avail = m_end - m_pos;
        if (avail > 0) {
            if (const auto *nl
                = static_cast<const char *>(std::memchr(start, '\n', size_t(avail)))) {
                const bool crlf = nl > start && nl[-1] == '\r';
                piece = {start, (nl - start) - (crlf ? 1 : 0), !m_inLine, true, true, crlf};
                m_pos += (nl - start) + 1;
                m_inLine = false;
                return true;
            }
            if (m_eof) {
                // The last line has no line end.
                piece = {start, avail, !m_inLine, true, false, false};
                m_pos = m_end;
                m_inLine = false;
                return true;
            }
            if (m_pos == 0 && m_end == m_capacity) {
                // The line is longer than the buffer: hand out what we have, but keep a trailing
                // CR back in case the LF that makes it a line end comes next.
                qsizetype size = avail;
                if (start[size - 1] == '\r')
                    --size;
                piece = {start, size, !m_inLine, false, false, false};
                m_pos += size;
                m_inLine = true;
                return true;
            }
        } else if (m_eof) {
            if (m_inLine) {
                piece = {start, 0, false, true, false, false};
                m_inLine = false;
                return true;
            }
            return false;
        }
        if (!Fill())
            return false;
    }
}
