#include "import/CsvRecords.h"

#include <QIODevice>

namespace {

constexpr qint64 kChunkBytes = 256 * 1024;

} // namespace

CCsvRecords::CCsvRecords(QIODevice &in, char separator)
    : m_in(in)
    , m_separator(separator)
    , m_chunk(new char[kChunkBytes])
    , m_record(new char[kMaxRecordBytes])
{ }

CCsvRecords::~CCsvRecords() = default;

bool CCsvRecords::Fill()
{
    if (m_atEnd || m_readError)
        return false;
    const qint64 n = m_in.read(m_chunk.get(), kChunkBytes);
    if (n < 0) {
        m_readError = true;
        return false;
    }
    m_pos = 0;
    m_size = n;
    if (n == 0) {
        m_atEnd = true;
        return false;
    }
    if (!m_started) {
        m_started = true;
        if (n >= 3 && m_chunk[0] == '\xEF' && m_chunk[1] == '\xBB' && m_chunk[2] == '\xBF') {
            m_bom = true;
            m_pos = 3;
            return n > 3 || Fill();
        }
    }
    return true;
}

void CCsvRecords::EndField()
{
    m_ends.push_back(m_recordSize);
}

CCsvRecords::Status CCsvRecords::Next()
{
    enum class State { FieldStart, Unquoted, Quoted, AfterQuote };
    for (;;) {
        m_recordSize = 0;
        m_ends.clear();
        m_fields.clear();
        m_unclosed = false;
        m_line = m_nextLine;
        State state = State::FieldStart;
        bool content = false; // a quote or a separator counts, so "" and "," are no blank lines
        bool ended = false;
        while (!ended) {
            if (m_pos == m_size && !Fill()) {
                if (m_readError)
                    return Status::ReadError;
                if (!content && m_recordSize == 0)
                    return Status::End;
                m_unclosed = state == State::Quoted;
                EndField();
                break;
            }
            const char c = m_chunk[m_pos++];
            switch (state) {
            case State::AfterQuote:
                if (c == '"') {
                    m_record[m_recordSize++] = '"';
                    state = State::Quoted;
                    break;
                }
                state = State::Unquoted;
                --m_pos; // read again as part of the unquoted rest
                continue;
            case State::FieldStart:
                if (c == '"') {
                    state = State::Quoted;
                    content = true;
                    break;
                }
                [[fallthrough]];
            case State::Unquoted:
                if (c == m_separator) {
                    EndField();
                    state = State::FieldStart;
                    content = true;
                } else if (c == '\n' || c == '\r') {
                    ++m_nextLine;
                    if (c == '\r' && (m_pos < m_size || Fill()) && m_chunk[m_pos] == '\n')
                        ++m_pos;
                    EndField();
                    ended = true;
                } else {
                    m_record[m_recordSize++] = c;
                    state = State::Unquoted;
                    content = true;
                }
                break;
            case State::Quoted:
                if (c == '"') {
                    state = State::AfterQuote;
                    break;
                }
                // CR LF is one line; a lone CR is one too.
                if (c == '\n'
                    || (c == '\r' && !((m_pos < m_size || Fill()) && m_chunk[m_pos] == '\n')))
                    ++m_nextLine;
                m_record[m_recordSize++] = c;
                break;
            }
            // Separators count too: a line of nothing but commas is no shorter.
            if (m_recordSize + qsizetype(m_ends.size()) >= kMaxRecordBytes)
                return Status::TooLong;
        }
        if (!content && m_recordSize == 0)
            continue; // a blank line
        qsizetype start = 0;
        for (const qsizetype end : m_ends) {
            m_fields.emplace_back(m_record.get() + start, end - start);
            start = end;
        }
        return Status::Record;
    }
}
