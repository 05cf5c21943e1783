// Load and Save of the result book: the data file, one comma-terminated line per day.
#include "data/DataFileFormat.h"
#include "data/ResultBook.h"

#include <QFile>
#include <QSaveFile>

#include <charconv>
#include <cstring>

namespace {

const QString kLoadFailed = QStringLiteral("ファイルの読み込みに失敗しました。");
const QString kSaveFailed = QStringLiteral("ファイルの保存に失敗しました。");

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
    bool m_ok = true;
};

void AppendNumber(OutputBuffer &out, long long value)
{
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.Append(text, result.ptr - text);
    out.Append(",", 1);
}

} // namespace

bool ReadPeriod(DayResult *days, int dayCount, const LineReader::ReadFunction &read,
                qsizetype capacity)
{
    LineReader reader(read, capacity);
    LineFields fields;
    LineReader::Piece piece;
    int i = 0;
    bool done = dayCount <= 0;
    while (!done && reader.Next(piece)) {
        int32_t values[LineFields::kFields] = {};
        int complete = 0;
        if (piece.firstOfLine && piece.lastOfLine) {
            // The whole line is at hand: read the date, and the other fields only for a match.
            const char *p = piece.data;
            const char *const end = p + piece.size;
            const char *comma;
            if (piece.size > 8 && p[8] == ',' && ReadEightDigits(p, values[0]))
                comma = p + 8; // the common line: eight digits and a comma
            else if ((comma = static_cast<const char *>(std::memchr(p, ',', size_t(piece.size)))))
                values[0] = ReadNumber(p, comma);
            if (comma) {
                complete = 1;
                if (values[0] >= days[i].date) {
                    for (p = comma + 1; complete < LineFields::kFields; ++complete, p = comma + 1) {
                        comma = static_cast<const char *>(std::memchr(p, ',', size_t(end - p)));
                        if (!comma)
                            break;
                        values[complete] = ReadNumber(p, comma);
                    }
                }
            }
        } else {
            fields.Feed(piece.data, piece.size);
            if (!piece.lastOfLine)
                continue;
            complete = fields.Complete();
            for (int k = 0; k < complete; ++k)
                values[k] = fields.Value(k);
            fields.Reset();
        }

        const int32_t date = complete > 0 ? values[0] : 0;
        while (i < dayCount && days[i].date < date)
            ++i;
        if (i >= dayCount) {
            done = true; // this line and every later one lie after the period
            break;
        }
        if (days[i].date > date)
            continue;
        // A field without its comma reads as 0, and so does every field after it.
        days[i].entryMethod = static_cast<EntryMethod>(complete > 1 ? values[1] : 0);
        days[i].balance = (complete > 2 ? values[2] : 0) / 100;
        days[i].collected = (complete > 3 ? values[3] : 0) / 100;
        days[i].invested = (complete > 4 ? values[4] : 0) / 100;
    }
    return !reader.Failed();
}

bool WritePeriod(const DayResult *days, int dayCount, const LineReader::ReadFunction &read,
                 const WriteFunction &write, qsizetype capacity)
{
    OutputBuffer buffer(write);

    const int32_t first = days[0].date;
    const int32_t last = days[dayCount - 1].date;
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
                // Save takes a line's date from its first eight characters.
                int32_t date;
                if (piece.size < 8 || !ReadEightDigits(piece.data, date))
                    date = ReadNumber(piece.data, piece.data + std::min<qsizetype>(piece.size, 8));
                if (!bodyWritten && date >= first)
                    writeBody();
                copying = bodyWritten ? date > last : true;
            }
            if (copying) {
                buffer.Append(piece.data, piece.size);
                if (piece.lastOfLine)
                    buffer.Append("\r\n", 2);
            }
        }
        readFailed = reader.Failed();
    }
    if (!bodyWritten)
        writeBody();
    buffer.Flush();
    return !readFailed && buffer.Ok();
}

qint64 CResultBook::ReadIn(QIODevice &in, char *buffer, qint64 size)
{
    return in.read(buffer, size);
}

qint64 CResultBook::WriteOut(QIODevice &out, const char *data, qint64 size)
{
    return out.write(data, size);
}

bool CResultBook::Load()
{
    lastError.clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        // The first start leaves an empty data file behind.
        if (file.exists() || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            lastError = kLoadFailed;
            m_loadFailed = true;
            return false;
        }
        file.close();
        m_loadFailed = false;
        return true;
    }

    if (!ReadPeriod(days, dayCount,
                    [&](char *buffer, qint64 size) { return ReadIn(file, buffer, size); })) {
        lastError = kLoadFailed;
        m_loadFailed = true;
        return false;
    }
    m_loadFailed = false;
    return true;
}

bool CResultBook::Save()
{
    lastError.clear();
    // Saving a period that was not read whole would drop the lines it never read.
    if (m_loadFailed || dayCount <= 0) {
        lastError = kSaveFailed;
        return false;
    }

    // A data file that disappeared meanwhile reads as an empty one.
    QFile in(m_path);
    const bool haveInput = in.exists();
    if (haveInput && !in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        lastError = kSaveFailed;
        return false;
    }

    // The new content goes into a fresh file beside the data file, which replaces it only once
    // it is complete and synced to disk.
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly)) {
        lastError = kSaveFailed;
        return false;
    }
    const bool written
            = WritePeriod(days, dayCount,
                          haveInput ? LineReader::ReadFunction(
                                  [&](char *data, qint64 size) { return ReadIn(in, data, size); })
                                    : LineReader::ReadFunction(),
                          [&](const char *data, qint64 size) { return WriteOut(out, data, size); });
    in.close();

    if (!written || !out.commit()) {
        out.cancelWriting();
        lastError = kSaveFailed;
        return false;
    }
    return true;
}
