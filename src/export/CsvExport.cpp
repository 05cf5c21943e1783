#include "export/CsvExport.h"

#include "data/BookYears.h"
#include "data/DurableFile.h"
#include "data/FileProblem.h"
#include "data/ResultBook.h"
#include "session/RowText.h"

#include <QDate>
#include <QStringList>

#include <charconv>
#include <cstring>

namespace {

// The columns of a row, in order; the header names them.
const char16_t *const kColumns[]
        = {u"日付", u"曜日", u"入力方法", u"回収額(円)", u"投資額(円)", u"収支(円)", u"回収率(%)"};

} // namespace

// The CSV file being written: a fixed buffer in front of the durable file, which takes the
// target's name only once everything is written, synced and checked.
class CCsvExport::Output
{
public:
    Output(CCsvExport &owner, const QString &path)
        : m_file(owner.MakeFile(path))
    { }

    bool Open()
    {
        if (!m_file->Open())
            return Fail();
        return Start();
    }

    // Starts the content over: the byte order mark and the header.
    bool Start()
    {
        m_buffer.clear();
        if (m_file->Written() != 0 && !m_file->Restart())
            return Fail();
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
        if (Ok() && !m_file->Commit())
            Fail();
        if (!Ok())
            m_file->Cancel();
        return m_reason;
    }

    QString Reason() const { return m_reason; }

private:
    static constexpr qsizetype kChunk = 64 * 1024;

    void Flush()
    {
        if (Ok() && !m_buffer.isEmpty() && !m_file->Write(m_buffer))
            Fail();
        m_buffer.clear();
    }

    bool Fail()
    {
        if (m_reason.isEmpty())
            m_reason = FileProblem::Reason(m_file->ErrorCode(), m_file->ErrorText());
        return false;
    }

    std::unique_ptr<CDurableFile> m_file;
    QByteArray m_buffer;
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
    return reason.isEmpty() ? QString() : FileProblem::Message(FailedText(), path, reason);
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
        return FileProblem::Message(FailedText(), path, out.Reason());
    YearRows rows(out);
    auto readFailed = [&] {
        const int code = FileProblem::ReadProbe(dataFilePath);
        return FileProblem::Message(reader.lastError, dataFilePath,
                                    FileProblem::Reason(code, reader.lastReason));
    };
    if (book) {
        // Days typed but not saved yet are exported as the lists show them.
        CBookYears overlay(rows, *book);
        if (!reader.Read(overlay))
            return readFailed();
        overlay.Finish();
    } else if (!reader.Read(rows)) {
        return readFailed();
    }
    const QString reason = out.Ok() ? out.Commit() : out.Reason();
    return reason.isEmpty() ? QString() : FileProblem::Message(FailedText(), path, reason);
}

QString CCsvExport::FailedText()
{
    return QStringLiteral("CSVファイルの保存に失敗しました。");
}

QByteArray CCsvExport::Header()
{
    QStringList names;
    for (const char16_t *name : kColumns)
        names << QString::fromUtf16(name);
    return (names.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8();
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

std::unique_ptr<CDurableFile> CCsvExport::MakeFile(const QString &path)
{
    return std::make_unique<CDurableFile>(path);
}
