#pragma once

// The passes of a save over the data file (CResultBook::SaveDays): finding where the lines of the
// days to change stand, and writing the new file.
#include "data/DataLine.h"
#include "data/DurableFile.h"
#include "data/LineReader.h"
#include "data/ResultBook.h"

#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

namespace savepass {

// The new file's content on its way to the writer: small pieces gathered, large runs of kept
// lines handed on as they stand.
class Output
{
public:
    explicit Output(CDurableFile &file)
        : m_file(file)
        , m_buffer(new char[kCapacity])
    { }

    void Append(const char *data, qsizetype size)
    {
        m_total += size;
        if (size >= kDirect) {
            Flush();
            m_ok = m_ok && m_file.Write(data, size);
            return;
        }
        if (m_size + size > kCapacity)
            Flush();
        std::memcpy(m_buffer.get() + m_size, data, size_t(size));
        m_size += size;
    }
    void Flush()
    {
        if (m_size > 0)
            m_ok = m_ok && m_file.Write(m_buffer.get(), m_size);
        m_size = 0;
    }
    void Reset()
    {
        m_size = 0;
        m_total = 0;
    }
    qint64 Total() const { return m_total; }
    bool Ok() const { return m_ok; }

private:
    static constexpr qsizetype kCapacity = 64 * 1024;
    static constexpr qsizetype kDirect = 16 * 1024;
    CDurableFile &m_file;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_size = 0;
    qint64 m_total = 0;
    bool m_ok = true;
};

// The days to change, by date.
struct Changes
{
    std::vector<DayChange> days; // ascending dates
    std::vector<qint64> lastLine; // input offset of each day's last line; -1 for none

    int IndexOf(int32_t date) const
    {
        if (days.empty() || date < days.front().date || date > days.back().date)
            return -1;
        const auto it = std::lower_bound(
                days.begin(), days.end(), date,
                [](const DayChange &change, int32_t value) { return change.date < value; });
        return it != days.end() && it->date == date ? int(it - days.begin()) : -1;
    }
};

// The period's days by date, for the reading back.
struct PeriodDates
{
    const DayResult *days = nullptr;
    int count = 0;

    int IndexOf(int32_t date) const
    {
        if (count <= 0 || date < days[0].date || date > days[count - 1].date)
            return -1;
        const DayResult *it = std::lower_bound(
                days, days + count, date,
                [](const DayResult &day, int32_t value) { return day.date < value; });
        return it != days + count && it->date == date ? int(it - days) : -1;
    }
};

// Looks at every line's date and notes where the last line of each day to change stands.
bool FindLastLines(LineReader &reader, Changes &changes);

// One pass that writes the new file: every line copied but those of the days to change, each of
// those days written where its last line stood (or, new, before the first later line), and the
// period's days read from the lines as they go out.
class Writer
{
public:
    Writer(LineReader &reader, const LineReader::SeekFunction &seek, Output &out,
           const Changes &changes, const PeriodDates &period, DayRecord *readBack,
           qint64 *readBackLines)
        : m_reader(reader)
        , m_seek(seek)
        , m_out(out)
        , m_changes(changes)
        , m_period(period)
        , m_readBack(readBack)
        , m_readBackLines(readBackLines)
        , m_seen(changes.days.size(), false)
    {
        for (size_t k = 0; k < changes.days.size(); ++k)
            if (changes.lastLine[k] < 0 && changes.days[k].record.HasResult())
                m_new.push_back(int(k));
        int32_t low = changes.days.front().date;
        int32_t high = changes.days.back().date;
        if (period.count > 0) {
            low = std::min(low, period.days[0].date);
            high = std::max(high, period.days[period.count - 1].date);
        }
        m_plain = low >= 10000000 && high <= 99999999;
        if (m_plain) {
            m_low = dataline::DateWord(low);
            m_span = dataline::DateWord(high) - m_low;
        }
        NextNew();
    }

    // False when the input could not be read, or when the last lines noted are not where they
    // were said to be (Misplaced).
    bool Run();
    bool Misplaced() const { return m_misplaced; }

private:
    void NextNew()
    {
        m_newDate = m_nextNew < m_new.size() ? m_changes.days[size_t(m_new[m_nextNew])].date
                                             : INT32_MAX;
        m_newWord = m_newDate == INT32_MAX ? UINT64_MAX : dataline::DateWord(m_newDate);
    }
    // A line that starts with eight bytes and a comma, those bytes (as text) outside the dates of
    // the days to change and of the period, and not after a new day's: kept as it stands, without
    // reading it. Only the eight digits of a date read as a date that such a test could miss.
    bool KeptPlainly(const char *begin, const char *nl)
    {
        uint64_t word;
        std::memcpy(&word, begin, sizeof word);
        word = qFromBigEndian(word);
        if (!m_plain || begin[8] != ',' || word - m_low <= m_span || word > m_newWord)
            return false;
        if (!m_run)
            m_run = begin;
        if (nl > begin && nl[-1] == '\r') {
            m_runEnd = nl + 1;
        } else {
            m_runEnd = nl;
            FlushRun();
            m_out.Append("\r\n", 2);
        }
        return true;
    }
    void FlushRun()
    {
        if (m_run)
            m_out.Append(m_run, m_runEnd - m_run);
        m_run = nullptr;
    }
    // The line the writer makes for a day to change, and its reading back.
    void WriteDay(int k)
    {
        const DayChange &change = m_changes.days[size_t(k)];
        if (!change.record.HasResult())
            return;
        char text[dataline::kMaxLine];
        const int length = dataline::Format(change.date, change.record, text);
        ReadBack(text, text + length - 2, m_out.Total());
        m_out.Append(text, length);
    }
    void ReadBack(const char *begin, const char *end, qint64 offset)
    {
        int32_t date = dataline::Date(begin, end);
        const int index = m_period.IndexOf(date);
        if (index < 0)
            return;
        m_readBack[index] = dataline::Read(begin, end, date);
        m_readBackLines[index] = offset;
    }
    // Before a line of this date: the new days it comes after. Then whether the line is one of a
    // day to change, which then goes out (if this is its last line) or is left out.
    bool ChangedLine(int32_t date, qint64 offset)
    {
        while (m_newDate < date) {
            FlushRun();
            WriteDay(m_new[m_nextNew++]);
            NextNew();
        }
        const int k = m_changes.IndexOf(date);
        if (k < 0)
            return false;
        FlushRun();
        const qint64 last = m_changes.lastLine[size_t(k)];
        if (offset == last) {
            m_seen[size_t(k)] = true;
            WriteDay(k);
        } else if (offset > last) {
            m_misplaced = true; // a line of the day after its last one, or where none was
        }
        return true;
    }
    // A line kept as it stands, with CR LF as its line end.
    void KeepLine(int32_t date, const char *begin, const char *end, bool crlf)
    {
        if (m_period.IndexOf(date) >= 0)
            ReadBack(begin, end, m_out.Total() + (m_run ? begin - m_run : 0));
        if (!m_run)
            m_run = begin;
        if (crlf) {
            m_runEnd = end + 2;
            return;
        }
        m_runEnd = end;
        FlushRun();
        m_out.Append("\r\n", 2);
    }
    bool LongLine(LineReader::Piece piece);

    LineReader &m_reader;
    const LineReader::SeekFunction &m_seek;
    Output &m_out;
    const Changes &m_changes;
    const PeriodDates &m_period;
    DayRecord *m_readBack;
    qint64 *m_readBackLines;
    std::vector<bool> m_seen;
    std::vector<int> m_new; // days to change without a line, ascending
    size_t m_nextNew = 0;
    int32_t m_newDate = INT32_MAX;
    uint64_t m_newWord = UINT64_MAX;
    bool m_plain = false; // every date to look for has eight digits
    uint64_t m_low = 0;
    uint64_t m_span = 0;
    const char *m_run = nullptr; // kept lines not yet handed to the output
    const char *m_runEnd = nullptr;
    bool m_misplaced = false;
};

} // namespace savepass
