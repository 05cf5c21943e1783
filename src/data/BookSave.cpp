// A save of the result book: the days to change applied to the data file as it is now, every
// other line kept, and the period read back from what was written.
#include "data/DataLine.h"
#include "data/FileProblem.h"
#include "data/LineReader.h"
#include "data/ResultBook.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace {

const QString kSaveFailed = CResultBook::SaveFailedText();

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

} // namespace

bool CResultBook::SaveDays(std::span<const DayChange> given)
{
    lastError.clear();
    m_lastErrorCode = 0;
    m_changedElsewhere = false;
    m_firstChanged = -1;
    if (m_viewOnly)
        return Fail(kSaveFailed, 0,
                    QStringLiteral("表示専用で開いているため、ファイルを書き換えません。"));
    // The days of a period that was not read whole are no ground for a save.
    if (m_loadFailed)
        return Fail(kSaveFailed, 0,
                    QStringLiteral("読み込めなかった期間のため、ファイルを書き換えません。"));

    // The days given (the last of one date winning), and those entered that they do not name.
    Changes changes;
    changes.days.assign(given.begin(), given.end());
    std::stable_sort(changes.days.begin(), changes.days.end(),
                     [](const DayChange &a, const DayChange &b) { return a.date < b.date; });
    for (size_t k = 0; k + 1 < changes.days.size();)
        changes.days[k].date == changes.days[k + 1].date
                ? void(changes.days.erase(changes.days.begin() + qsizetype(k)))
                : void(++k);
    const size_t named = changes.days.size();
    for (int i = 0; i < dayCount; ++i) {
        const DayResult &day = days[i];
        const auto end = changes.days.begin() + qsizetype(named);
        if (m_entered[i]
            && !std::binary_search(
                    changes.days.begin(), end, DayChange{day.date, {}},
                    [](const DayChange &a, const DayChange &b) { return a.date < b.date; }))
            changes.days.push_back({day.date,
                                    DayRecord{static_cast<int32_t>(day.entryMethod), day.collected,
                                              day.invested, day.balance}});
    }
    if (changes.days.empty())
        return true;
    std::sort(changes.days.begin(), changes.days.end(),
              [](const DayChange &a, const DayChange &b) { return a.date < b.date; });
    changes.lastLine.assign(changes.days.size(), -1);

    // The file as it is now. One that disappeared meanwhile reads as an empty one.
    QFile in(m_path);
    const bool haveInput = in.exists();
    errno = 0;
    if (haveInput && !in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const int seen = errno;
        const int probe = FileProblem::ReadProbe(m_path);
        return Fail(kSaveFailed, probe ? probe : seen, FileProblem::DeviceText(in));
    }
    const FileStamp stamp = haveInput ? FileStamp::OfHandle(in.handle()) : FileStamp();
    bool elsewhere = m_stamp.valid && !(stamp == m_stamp);

    const PeriodDates period{days, dayCount};
    // Where the lines of the days stand is known from the last read or write when the file is
    // the same and every day is of the period.
    bool known = haveInput && !elsewhere && m_linesKnown;
    for (size_t k = 0; known && k < changes.days.size(); ++k) {
        const int index = period.IndexOf(changes.days[k].date);
        known = index >= 0;
        if (known)
            changes.lastLine[k] = m_lastLine[index];
    }

    QString readText;
    int readCode = 0;
    auto read = [&](char *buffer, qint64 size) -> qint64 {
        if (!haveInput)
            return 0;
        errno = 0;
        const qint64 n = ReadIn(in, buffer, size);
        if (n < 0 && readText.isEmpty() && readCode == 0) {
            readCode = errno;
            readText = FileProblem::DeviceText(in);
        }
        return n;
    };
    LineReader::SeekFunction seek = [&](qint64 offset) { return !haveInput || in.seek(offset); };
    LineReader reader(read);
    auto rewind = [&] {
        if (!seek(0))
            return false;
        reader.Restart(0);
        return true;
    };

    std::unique_ptr<CDurableFile> file = MakeWriter(m_path);
    auto writeFailed = [&] { return Fail(kSaveFailed, file->ErrorCode(), file->ErrorText()); };
    if (!known && !FindLastLines(reader, changes))
        return Fail(kSaveFailed, readCode, readText);
    if (!file->Open())
        return writeFailed();
    Output out(*file);
    std::vector<DayRecord> readBack;
    std::vector<qint64> readBackLines;
    for (int attempt = 0;; ++attempt) {
        if ((attempt > 0 || !known) && !rewind())
            return Fail(kSaveFailed, errno, FileProblem::DeviceText(in));
        readBack.assign(size_t(std::max(dayCount, 0)), DayRecord());
        readBackLines.assign(size_t(std::max(dayCount, 0)), -1);
        Writer writer(reader, seek, out, changes, period, readBack.data(), readBackLines.data());
        if (writer.Run())
            break;
        if (!writer.Misplaced() || !out.Ok())
            return out.Ok() ? Fail(kSaveFailed, readCode, readText) : writeFailed();
        // The lines were not where the last read left them: the file changed unseen. Look again.
        if (attempt > 0)
            return Fail(kSaveFailed, 0,
                        QStringLiteral("保存中にほかのプログラムがファイルを変更しました。"));
        elsewhere = true;
        if (!rewind() || !FindLastLines(reader, changes))
            return Fail(kSaveFailed, readCode ? readCode : errno, readText);
        out.Reset();
        if (!file->Restart())
            return writeFailed();
    }
    out.Flush();
    in.close();
    if (!out.Ok() || !file->Commit())
        return writeFailed();

    m_stamp = file->Stamp();
    m_changedElsewhere = elsewhere;
    ClearEntered();
    if (dayCount > 0) {
        // The days written, and when another program had written the file every day, are taken
        // as read back.
        std::vector<bool> take(size_t(dayCount), elsewhere);
        for (const DayChange &change : changes.days)
            if (const int index = period.IndexOf(change.date); index >= 0)
                take[size_t(index)] = true;
        TakeReadBack(readBack.data(), readBackLines.data(), take);
    } else {
        m_linesKnown = false;
    }
    return true;
}

void CResultBook::TakeReadBack(const DayRecord *records, const qint64 *lastLines,
                               const std::vector<bool> &take)
{
    m_firstChanged = -1;
    for (int i = 0; i < dayCount; ++i)
        m_lastLine[i] = lastLines[i];
    m_linesKnown = true;
    for (int i = 0; i < dayCount; ++i) {
        if (!take[size_t(i)])
            continue;
        DayResult &day = days[i];
        const DayRecord &record = records[i];
        const DayRecord held{static_cast<int32_t>(day.entryMethod), day.collected, day.invested,
                             day.balance};
        if (held != record && m_firstChanged < 0)
            m_firstChanged = i;
        day.entryMethod = static_cast<EntryMethod>(record.method);
        day.collected = record.collected;
        day.invested = record.invested;
        day.balance = record.balance;
    }
    if (m_firstChanged >= 0)
        Recalculate(m_firstChanged);
}
