#include "export/CsvExport.h"

#include "data/BookYears.h"
#include "data/ResultBook.h"
#include "session/RowText.h"

#include <QDate>
#include <QDir>
#include <QSaveFile>

#include <cerrno>
#include <charconv>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

const QString kExportFailed = QStringLiteral("CSVファイルの保存に失敗しました。");

QString Problem(const QString &first, const QString &path, const QString &reason)
{
    return first + QLatin1Char('\n') + QDir::toNativeSeparators(path) + QStringLiteral(": ")
            + reason;
}

} // namespace

// The CSV file being written: a fixed buffer in front of a QSaveFile that is committed only
// after a checked flush, a sync and a size check.
class CCsvExport::Output
{
public:
    Output(CCsvExport &owner, const QString &path)
        : m_owner(owner)
        , m_file(path)
    { }

    bool Open()
    {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return Fail(m_file.errorString());
        return Start();
    }

    // Starts the content over: the byte order mark and the header.
    bool Start()
    {
        m_buffer.clear();
        m_written = 0;
        if (m_file.pos() != 0 && (!m_file.seek(0) || !m_file.resize(0)))
            return Fail(m_file.errorString());
        Append(QByteArray("\xEF\xBB\xBF") + Header());
        return Ok();
    }

    void Append(const QByteArray &bytes)
    {
        m_buffer += bytes;
        Drain();
    }

    // Rows go straight into the buffer; Drain writes it out once it is full.
    QByteArray &Buffer() { return m_buffer; }

    void Drain()
    {
        if (m_buffer.size() >= kChunk)
            Flush();
    }

    bool Ok() const { return m_reason.isEmpty(); }

    // Empty when the file is in place, else the reason.
    QString Commit()
    {
        Flush();
        if (Ok() && !m_file.flush())
            Fail(m_file.errorString());
        if (Ok() && !m_owner.Sync(m_file))
            Fail(QString::fromLocal8Bit(std::strerror(errno)));
        if (Ok() && m_file.size() != m_written)
            Fail(QStringLiteral("書き込んだ大きさが合いません。"));
        if (Ok() && !m_file.commit())
            Fail(m_file.errorString());
        if (!Ok())
            m_file.cancelWriting(); // the destructor then removes the unfinished file
        return m_reason;
    }

    QString Reason() const { return m_reason; }

private:
    static constexpr qsizetype kChunk = 64 * 1024;

    void Flush()
    {
        qsizetype done = 0;
        while (Ok() && done < m_buffer.size()) {
            const qint64 n
                    = m_owner.WriteOut(m_file, m_buffer.constData() + done, m_buffer.size() - done);
            if (n <= 0)
                Fail(m_file.errorString());
            else
                done += n;
        }
        m_written += done;
        m_buffer.clear();
    }

    bool Fail(const QString &reason)
    {
        if (m_reason.isEmpty())
            m_reason = reason.isEmpty() ? QStringLiteral("不明なエラー") : reason;
        return false;
    }

    CCsvExport &m_owner;
    QSaveFile m_file;
    QByteArray m_buffer;
    qint64 m_written = 0;
    QString m_reason;
};

// Writes every year handed out; a fresh start of the reading starts the file over.
class CCsvExport::YearRows : public CYearSink
{
public:
    explicit YearRows(Output &out)
        : m_out(out)
    { }

    void Begin() override
    {
        if (m_started)
            m_out.Start();
        m_started = true;
    }

    void TakeYear(int year, std::span<const DayRecord> days) override
    {
        int32_t date = year * 10000 + 101;
        for (const DayRecord &day : days) {
            if (day.method != -1 && m_out.Ok()) {
                CCsvExport::AppendRow(m_out.Buffer(), date, day);
                m_out.Drain();
            }
            date = NextDate(date);
        }
    }

private:
    static int32_t NextDate(int32_t date)
    {
        const int day = date % 100;
        const int month = date / 100 % 100;
        if (day < CResultBook::DaysInMonth(date / 100))
            return date + 1;
        return month < 12 ? (date / 100 + 1) * 100 + 1 : (date / 10000 + 1) * 10000 + 101;
    }

    Output &m_out;
    bool m_started = false;
};

QString CCsvExport::WritePeriod(const CResultBook &book, const QString &path)
{
    Output out(*this, path);
    if (out.Open()) {
        ForEachBookDay(book, [&](int32_t date, const DayRecord &day) {
            if (day.method != -1 && out.Ok())
                AppendRow(out.Buffer(), date, day);
        });
    }
    const QString reason = out.Ok() ? out.Commit() : out.Reason();
    return reason.isEmpty() ? QString() : Problem(kExportFailed, path, reason);
}

QString CCsvExport::WriteAllYears(const QString &dataFilePath, const QString &path,
                                  const CResultBook *book)
{
    CYearReader reader(dataFilePath);
    return WriteAllYears(reader, dataFilePath, path, book);
}

QString CCsvExport::WriteAllYears(CYearReader &reader, const QString &dataFilePath,
                                  const QString &path, const CResultBook *book)
{
    Output out(*this, path);
    if (!out.Open())
        return Problem(kExportFailed, path, out.Reason());
    YearRows rows(out);
    if (book) {
        // Days typed but not saved yet are exported as the lists show them.
        CBookYears overlay(rows, *book);
        if (!reader.Read(overlay))
            return Problem(reader.lastError, dataFilePath, reader.lastReason);
        overlay.Finish();
    } else if (!reader.Read(rows)) {
        return Problem(reader.lastError, dataFilePath, reader.lastReason);
    }
    const QString reason = out.Ok() ? out.Commit() : out.Reason();
    return reason.isEmpty() ? QString() : Problem(kExportFailed, path, reason);
}

QByteArray CCsvExport::Header()
{
    return QStringLiteral("日付,曜日,入力方法,回収額(円),投資額(円),収支(円),回収率(%)\r\n")
            .toUtf8();
}

QByteArray CCsvExport::Row(int32_t date, const DayRecord &day)
{
    QByteArray line;
    AppendRow(line, date, day);
    return line;
}

void CCsvExport::AppendRow(QByteArray &out, int32_t date, const DayRecord &day)
{
    static const char *const kWeekdays[7] = {"日", "月", "火", "水", "木", "金", "土"};
    static const QByteArray kMethods[2]
            = {Quote(MethodText(0).toUtf8()), Quote(MethodText(1).toUtf8())};
    const int year = date / 10000;
    const int month = date / 100 % 100;
    const int dayOfMonth = date % 100;
    char text[128];
    char *p = text;
    // Built in place: an export of every year writes a row for each day with a result.
    auto number = [&p](long long value, int width) {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        for (auto n = result.ptr - digits; n < width; ++n)
            *p++ = '0';
        std::memcpy(p, digits, size_t(result.ptr - digits));
        p += result.ptr - digits;
    };
    number(year, 4);
    *p++ = '/';
    number(month, 2);
    *p++ = '/';
    number(dayOfMonth, 2);
    *p++ = ',';
    const QDate calendar(year, month, dayOfMonth);
    if (calendar.isValid()) {
        const char *const name = kWeekdays[calendar.dayOfWeek() % 7];
        std::memcpy(p, name, std::strlen(name));
        p += std::strlen(name);
    }
    *p++ = ',';
    out.append(text, p - text);
    out.append(kMethods[day.method == 0 ? 0 : 1]);
    p = text;
    *p++ = ',';
    number(qint64(day.collected) * 100, 0);
    *p++ = ',';
    number(qint64(day.invested) * 100, 0);
    *p++ = ',';
    number(qint64(day.balance) * 100, 0);
    *p++ = ',';
    out.append(text, p - text);
    if (day.method == 0 && day.invested != 0)
        out.append(rowtext::Rate(day.collected, day.invested).chopped(1).toLatin1());
    out.append("\r\n", 2);
}

QByteArray CCsvExport::Quote(const QByteArray &field)
{
    if (!field.contains(',') && !field.contains('"') && !field.contains('\r')
        && !field.contains('\n'))
        return field;
    QByteArray quoted = field;
    quoted.replace("\"", "\"\"");
    return '"' + quoted + '"';
}

QString CCsvExport::MethodText(int32_t method)
{
    return method == 0 ? QStringLiteral("回収・投資") : QStringLiteral("収支のみ");
}

qint64 CCsvExport::WriteOut(QFileDevice &out, const char *data, qint64 size)
{
    return out.write(data, size);
}

bool CCsvExport::Sync(QFileDevice &out)
{
    const int fd = out.handle();
#ifdef Q_OS_WIN
    return fd >= 0 && ::_commit(fd) == 0;
#else
    return fd >= 0 && ::fsync(fd) == 0;
#endif
}
