// The data file's reader and writer: one comma-terminated line per day.
#include "data/DataFileFormat.h"
#include "data/ResultBook.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

// Collects the output into one fixed buffer and hands it on in large writes.
class OutputBuffer
{
public:
    using WriteFunction = std::function<qint64(const char *, qint64)>;

    explicit OutputBuffer(WriteFunction write)
        : m_write(std::move(write))
        , m_buffer(new char[kCapacity])
    { }

    void Append(const char *data, qsizetype size)
    {
        m_appended += size;
        while (size > 0 && m_ok) {
            if (m_size == kCapacity)
                Flush();
            const qsizetype n = std::min(size, kCapacity - m_size);
            std::memcpy(m_buffer.get() + m_size, data, size_t(n));
            m_size += n;
            data += n;
            size -= n;
        }
    }

    qint64 Appended() const { return m_appended; }

    void Flush()
    {
        qsizetype done = 0;
        while (m_ok && done < m_size) {
            const qint64 n = m_write(m_buffer.get() + done, m_size - done);
            if (n <= 0)
                m_ok = false;
            else
                done += n;
        }
        m_size = 0;
    }

    bool Ok() const { return m_ok; }

private:
    static constexpr qsizetype kCapacity = 64 * 1024;
    WriteFunction m_write;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_size = 0;
    qint64 m_appended = 0;
    bool m_ok = true;
};

void AppendNumber(OutputBuffer &out, long long value)
{
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.Append(text, result.ptr - text);
    out.Append(",", 1);
}

// The days of the period and a quick answer to whether a date is one of them.
struct PeriodDays
{
    PeriodDays(const DayResult *d, int n)
        : days(d)
        , count(n)
        , first(n > 0 ? d[0].date : 0)
        , last(n > 0 ? d[n - 1].date : -1)
    { }

    // Index of the day with this date, or -1; the days are in ascending order.
    int IndexOf(int32_t date) const
    {
        if (date < first || date > last)
            return -1;
        const DayResult *it = std::lower_bound(
                days, days + count, date,
                [](const DayResult &day, int32_t value) { return day.date < value; });
        return it != days + count && it->date == date ? int(it - days) : -1;
    }

    const DayResult *days;
    int count;
    int32_t first;
    int32_t last;
};

// The first comma of a line or of its first piece, and the date before it; null when there is none.
const char *FirstComma(const char *p, qsizetype size, int32_t &date)
{
    if (size > 8 && p[8] == ',' && ReadEightDigits(p, date))
        return p + 8; // the common line: eight digits and a comma
    const auto *comma = static_cast<const char *>(std::memchr(p, ',', size_t(size)));
    if (comma)
        date = ReadNumber(p, comma);
    return comma;
}

// The date of a line whose first piece, at hand, holds no comma: reads on to the line's first
// comma (0 when there is none). The reader is left inside the line.
int32_t DateOfLongLine(LineReader &reader, LineReader::Piece piece)
{
    NumberScanner scanner;
    for (;;) {
        const auto *comma
                = static_cast<const char *>(std::memchr(piece.data, ',', size_t(piece.size)));
        const char *const end = comma ? comma : piece.data + piece.size;
        for (const char *p = piece.data; p < end; ++p)
            scanner.Feed(*p);
        if (comma)
            return scanner.Value();
        if (piece.lastOfLine || !reader.Next(piece))
            return 0;
    }
}

} // namespace

bool ReadPeriod(DayResult *days, int dayCount, const LineReader::ReadFunction &read,
                qsizetype capacity)
{
    if (dayCount <= 0)
        return true;
    const PeriodDays period(days, dayCount);
    LineReader reader(read, capacity);
    LineFields fields;
    LineReader::Piece piece;
    // Every line is looked at: a file that was edited, merged or restored by hand can hold a day
    // of the period anywhere. The last line of a day wins.
    while (reader.Next(piece)) {
        int32_t values[LineFields::kFields] = {};
        int complete = 0;
        int index;
        if (piece.firstOfLine && piece.lastOfLine) {
            // The whole line is at hand: read the date, and the other fields only for a match.
            const char *p = piece.data;
            const char *const end = p + piece.size;
            const char *comma = FirstComma(p, piece.size, values[0]);
            index = period.IndexOf(comma ? values[0] : 0);
            if (index < 0)
                continue;
            complete = comma ? 1 : 0;
            for (; comma && complete < LineFields::kFields; ++complete) {
                p = comma + 1;
                comma = static_cast<const char *>(std::memchr(p, ',', size_t(end - p)));
                if (!comma)
                    break;
                values[complete] = ReadNumber(p, comma);
            }
        } else {
            fields.Feed(piece.data, piece.size);
            if (!piece.lastOfLine)
                continue;
            complete = fields.Complete();
            for (int k = 0; k < complete; ++k)
                values[k] = fields.Value(k);
            fields.Reset();
            index = period.IndexOf(complete > 0 ? values[0] : 0);
            if (index < 0)
                continue;
        }
        // A field without its comma reads as 0, and so does every field after it.
        DayResult &day = days[index];
        day.entryMethod = static_cast<EntryMethod>(complete > 1 ? values[1] : 0);
        day.balance = (complete > 2 ? values[2] : 0) / 100;
        day.collected = (complete > 3 ? values[3] : 0) / 100;
        day.invested = (complete > 4 ? values[4] : 0) / 100;
    }
    return !reader.Failed();
}

bool WritePeriod(const DayResult *days, int dayCount, const LineReader::ReadFunction &read,
                 const LineReader::SeekFunction &seek, const WriteFunction &write,
                 qsizetype capacity, qint64 *written)
{
    OutputBuffer buffer(write);
    const PeriodDays period(days, dayCount);
    bool bodyWritten = false;
    auto writeBody = [&] {
        for (int i = 0; i < dayCount; ++i) {
            const DayResult &day = days[i];
            if (day.entryMethod == EntryMethod::None)
                continue;
            AppendNumber(buffer, day.date);
            AppendNumber(buffer, static_cast<int32_t>(day.entryMethod));
            AppendNumber(buffer, day.balance * 100LL);
            AppendNumber(buffer, day.collected * 100LL);
            AppendNumber(buffer, day.invested * 100LL);
            buffer.Append("\r\n", 2);
        }
        bodyWritten = true;
    };

    bool readFailed = false;
    if (read) {
        LineReader reader(read, capacity);
        LineReader::Piece piece;
        bool copying = false;
        while (buffer.Ok() && reader.Next(piece)) {
            if (piece.firstOfLine) {
                int32_t date;
                if (!FirstComma(piece.data, piece.size, date)) {
                    date = 0;
                    if (!piece.lastOfLine) {
                        // The comma that ends the date may lie beyond this piece: find it, then
                        // read the line again from its start, knowing where it goes.
                        const qint64 start = reader.OffsetOf(piece.data);
                        date = DateOfLongLine(reader, piece);
                        if (reader.Failed() || !seek || !seek(start)) {
                            readFailed = true;
                            break;
                        }
                        reader.Restart(start);
                        if (!reader.Next(piece)) {
                            readFailed = true;
                            break;
                        }
                    }
                }
                // The period's days go where the first line at or after its first day stands;
                // only lines of the period's days make way for them.
                if (!bodyWritten && date >= period.first)
                    writeBody();
                copying = period.IndexOf(date) < 0;
            }
            if (copying) {
                buffer.Append(piece.data, piece.size);
                if (piece.lastOfLine)
                    buffer.Append("\r\n", 2);
            }
        }
        readFailed = readFailed || reader.Failed();
    }
    if (!bodyWritten)
        writeBody();
    buffer.Flush();
    if (written)
        *written = buffer.Appended();
    return !readFailed && buffer.Ok();
}
