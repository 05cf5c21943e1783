#include "data/SavePass.h"

namespace savepass {

bool FindLastLines(LineReader &reader, Changes &changes)
{
    std::fill(changes.lastLine.begin(), changes.lastLine.end(), -1);
    auto whole = [&](const char *begin, const char *nl) {
        const int32_t date = dataline::Date(begin, LineReader::LineEnd(begin, nl));
        if (const int k = changes.IndexOf(date); k >= 0)
            changes.lastLine[size_t(k)] = reader.OffsetOf(begin);
        return true;
    };
    dataline::LineFields fields;
    qint64 start = 0;
    LineReader::Piece piece;
    for (;;) {
        reader.TakeWholeLines(whole);
        if (!reader.Next(piece))
            break;
        if (piece.firstOfLine && piece.lastOfLine) {
            const int32_t date = dataline::Date(piece.data, piece.data + piece.size);
            if (const int k = changes.IndexOf(date); k >= 0)
                changes.lastLine[size_t(k)] = reader.OffsetOf(piece.data);
            continue;
        }
        if (piece.firstOfLine) {
            fields.Reset();
            start = reader.OffsetOf(piece.data);
        }
        fields.Feed(piece.data, piece.size);
        if (piece.lastOfLine) {
            fields.Finish();
            if (const int k = changes.IndexOf(fields.Date()); k >= 0)
                changes.lastLine[size_t(k)] = start;
        }
    }
    return !reader.Failed();
}

bool Writer::Run()
{
    auto whole = [&](const char *begin, const char *nl) {
        if (KeptPlainly(begin, nl))
            return true;
        const char *const end = LineReader::LineEnd(begin, nl);
        const int32_t date = dataline::Date(begin, end);
        if (!ChangedLine(date, m_reader.OffsetOf(begin)))
            KeepLine(date, begin, end, end != nl);
        return !m_misplaced;
    };
    LineReader::Piece piece;
    while (!m_misplaced && m_out.Ok()) {
        m_reader.TakeWholeLines(whole);
        FlushRun();
        if (m_misplaced || !m_reader.Next(piece))
            break;
        if (piece.firstOfLine && piece.lastOfLine) {
            const int32_t date = dataline::Date(piece.data, piece.data + piece.size);
            if (!ChangedLine(date, m_reader.OffsetOf(piece.data)))
                KeepLine(date, piece.data, piece.data + piece.size, piece.crlf);
        } else if (!LongLine(piece)) {
            return false;
        }
    }
    if (m_reader.Failed() || m_misplaced)
        return false;
    FlushRun();
    while (m_nextNew < m_new.size())
        WriteDay(m_new[m_nextNew++]);
    for (size_t k = 0; k < m_seen.size(); ++k)
        m_misplaced = m_misplaced || (m_changes.lastLine[k] >= 0 && !m_seen[k]);
    return !m_misplaced;
}

// A line longer than the buffer, from its first piece on. Its date decides what becomes of it;
// when the first piece does not settle the date, the line is read on to find it and then read
// again from its start.
bool Writer::LongLine(LineReader::Piece piece)
{
    const qint64 start = m_reader.OffsetOf(piece.data);
    dataline::LineFields fields;
    fields.Feed(piece.data, piece.size);
    if (!fields.DateSettled()) {
        while (!fields.DateSettled() && !piece.lastOfLine && m_reader.Next(piece))
            fields.Feed(piece.data, piece.size);
        if (m_reader.Failed() || !m_seek || !m_seek(start))
            return false;
        m_reader.Restart(start);
        if (!m_reader.Next(piece))
            return false;
    }
    const int32_t date = fields.Date();
    const bool changed = ChangedLine(date, start);
    const bool inPeriod = !changed && m_period.IndexOf(date) >= 0;
    const qint64 outStart = m_out.Total();
    fields.Reset();
    for (;;) {
        if (!changed)
            m_out.Append(piece.data, piece.size);
        if (inPeriod)
            fields.Feed(piece.data, piece.size);
        if (piece.lastOfLine)
            break;
        if (!m_reader.Next(piece))
            return false;
    }
    if (!changed)
        m_out.Append("\r\n", 2);
    if (inPeriod) {
        fields.Finish();
        const int index = m_period.IndexOf(date);
        m_readBack[index] = fields.Record();
        m_readBackLines[index] = outStart;
    }
    return true;
}

} // namespace savepass
