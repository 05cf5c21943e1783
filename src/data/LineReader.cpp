#include "data/LineReader.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr int64_t kSaturation = int64_t(std::numeric_limits<int32_t>::max()) + 1;

int32_t Finish(bool negative, int64_t value)
{
    if (negative)
        return static_cast<int32_t>(-std::min(value, kSaturation));
    return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

} // namespace

LineReader::LineReader(ReadFunction read, qsizetype capacity)
    : m_read(std::move(read))
    , m_capacity(std::max(capacity, kMinCapacity))
    , m_buffer(new char[size_t(m_capacity)])
{ }

bool LineReader::Fill()
{
    if (m_pos > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_pos, size_t(m_end - m_pos));
        m_end -= m_pos;
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

bool LineReader::NextSlow(Piece &piece)
{
    for (;;) {
        if (m_failed)
            return false;
        char *const start = m_buffer.get() + m_pos;
        const qsizetype avail = m_end - m_pos;
        if (avail > 0) {
            if (const auto *nl = static_cast<const char *>(std::memchr(start, '\n', size_t(avail))))
                return TakeLine(start, nl, piece);
            if (m_eof) {
                // The last line has no line end.
                piece = {start, avail, !m_inLine, true};
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
                piece = {start, size, !m_inLine, false};
                m_pos += size;
                m_inLine = true;
                return true;
            }
        } else if (m_eof) {
            if (m_inLine) {
                piece = {start, 0, false, true};
                m_inLine = false;
                return true;
            }
            return false;
        }
        if (!Fill())
            return false;
    }
}

int32_t ReadNumber(const char *begin, const char *end)
{
    const char *p = begin;
    while (p < end && IsSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    int64_t value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > kSaturation)
            value = kSaturation;
    }
    return Finish(negative, value);
}

void NumberScanner::Feed(char c)
{
    switch (m_state) {
    case Leading:
        if (!m_signSeen && IsSpace(c))
            return;
        if (!m_signSeen && (c == '+' || c == '-')) {
            m_signSeen = true;
            m_negative = c == '-';
            return;
        }
        m_state = Digits;
        [[fallthrough]];
    case Digits:
        if (c >= '0' && c <= '9') {
            m_value = std::min(m_value * 10 + (c - '0'), kSaturation);
        } else {
            m_state = Stopped;
        }
        return;
    case Stopped:
        return;
    }
}

int32_t NumberScanner::Value() const
{
    return Finish(m_negative, m_value);
}

void LineFields::Feed(const char *data, qsizetype size)
{
    for (qsizetype k = 0; k < size && m_complete < kFields; ++k) {
        const char c = data[k];
        if (c == ',') {
            m_values[m_complete++] = m_scanner.Value();
            m_scanner.Reset();
        } else {
            m_scanner.Feed(c);
        }
    }
}
