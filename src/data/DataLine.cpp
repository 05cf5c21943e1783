#include "data/DataLine.h"

#include <algorithm>
#include <charconv>
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

char *AppendField(char *out, long long value)
{
    out = std::to_chars(out, out + 21, value).ptr;
    *out++ = ',';
    return out;
}

} // namespace

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
        if (c >= '0' && c <= '9')
            m_value = std::min(m_value * 10 + (c - '0'), kSaturation);
        else
            m_state = Stopped;
        return;
    case Stopped:
        return;
    }
}

int32_t NumberScanner::Value() const
{
    return Finish(m_negative, m_value);
}

namespace dataline {

int Format(int32_t date, const DayRecord &record, char (&out)[kMaxLine])
{
    char *p = out;
    p = AppendField(p, date);
    p = AppendField(p, record.method);
    p = AppendField(p, record.balance * 100LL);
    p = AppendField(p, record.collected * 100LL);
    p = AppendField(p, record.invested * 100LL);
    *p++ = '\r';
    *p++ = '\n';
    return int(p - out);
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

void LineFields::Finish()
{
    if (m_complete < kFields)
        m_values[m_complete++] = m_scanner.Value();
    m_scanner.Reset();
}

} // namespace dataline
