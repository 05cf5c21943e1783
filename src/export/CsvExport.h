#pragma once

#include "data/YearReader.h"

#include <QByteArray>
#include <QString>

#include <memory>

class CDurableFile;
class CResultBook;

// Results as a CSV file for spreadsheets: UTF-8 with a byte order mark, CR LF line ends and
// RFC 4180 quoting; a header, then one row per day with a result, oldest first. The file is
// written through CDurableFile: replaced only once it is complete and on disk; a failure leaves
// no file behind.
class CCsvExport
{
public:
    virtual ~CCsvExport() = default;

    // The loaded period. An empty string when the file was written, else the warning to show.
    QString WritePeriod(const CResultBook &book, const QString &path);
    // Every year of the data file, read once. Given the book, the loaded period's days are taken
    // from it instead of the file, so that changes not saved yet are exported as well.
    QString WriteAllYears(const QString &dataFilePath, const QString &path,
                          const CResultBook *book = nullptr);
    QString WriteAllYears(CYearReader &reader, const QString &dataFilePath, const QString &path,
                          const CResultBook *book = nullptr);

    // The header line and one day's line, each with its CR LF.
    static QByteArray Header();
    static QByteArray Row(int32_t date, const DayRecord &day);
    // A field as RFC 4180 wants it: in double quotes, inner ones doubled, when it holds a
    // comma, a double quote or a line break.
    static QByteArray Quote(const QByteArray &field);
    // 0 is collected and invested; any other method of a day with a result is the balance
    // alone, as the daily list shows it (no amounts' rate).
    static QString MethodText(int32_t method);
    // The first line of the box about a CSV file that could not be written.
    static QString FailedText();

protected:
    // The file every byte goes into; tests hand out one whose steps fail.
    virtual std::unique_ptr<CDurableFile> MakeFile(const QString &path);

private:
    static void AppendRow(QByteArray &out, int32_t date, const DayRecord &day);

    class Output;
    class YearRows;
};
