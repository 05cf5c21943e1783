// Writes what the CSV round trip compares, into the folder given: a generated data file, its
// exports all.csv (every year) and period.csv (one loaded period), and the days of the book
// that have a result, one "date method collected invested balance" line each, as all.txt and
// period.txt.
#include "data/ResultBook.h"
#include "export/CsvExport.h"

#include "common/RandomDataFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <set>

namespace {

QByteArray BookDays(const CResultBook &book)
{
    QByteArray text;
    for (int i = 0; i < book.DayCount(); ++i) {
        const DayResult &d = book.Day(i);
        if (d.entryMethod == EntryMethod::None)
            continue;
        text += QByteArray::number(d.date) + ' '
                + QByteArray::number(static_cast<int>(d.entryMethod)) + ' '
                + QByteArray::number(d.collected) + ' ' + QByteArray::number(d.invested) + ' '
                + QByteArray::number(d.balance) + '\n';
    }
    return text;
}

bool Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size();
}

int Fail(const QString &message)
{
    std::fprintf(stderr, "%s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2)
        return Fail(QStringLiteral("usage: csv_roundtrip_writer <folder>"));
    const QDir dir(app.arguments().at(1));
    const QString data = dir.filePath(QStringLiteral("Murel1.Dat"));

    // In date order, so that the periods the book loads read every line the export reads.
    FileShape shape;
    shape.firstYear = 2001;
    shape.years = 4;
    shape.lines = 900;
    shape.duplicatePercent = 10;
    shape.junkPercent = 5;
    shape.invalidPercent = 5;
    shape.mixedLineEnds = true;
    QRandomGenerator rng(20010101);
    const QByteArray file = RandomDataFile(rng, shape);
    if (!Write(data, file))
        return Fail(QStringLiteral("cannot write the data file"));

    CCsvExport csv;
    QString problem = csv.WriteAllYears(data, dir.filePath(QStringLiteral("all.csv")));
    if (!problem.isEmpty())
        return Fail(problem);
    std::set<int> years;
    for (const auto &entry : ModelDays(file))
        years.insert(entry.first / 10000);
    CResultBook book(data);
    QByteArray all;
    for (const int year : years) {
        if (!book.LoadPeriod(year * 100 + 12, 1, 0))
            return Fail(book.LastError());
        all += BookDays(book);
    }

    if (!book.LoadPeriod(200306, 0, 0)) // 2002/07 to 2003/06
        return Fail(book.LastError());
    problem = csv.WritePeriod(book, dir.filePath(QStringLiteral("period.csv")));
    if (!problem.isEmpty())
        return Fail(problem);
    if (!Write(dir.filePath(QStringLiteral("all.txt")), all)
        || !Write(dir.filePath(QStringLiteral("period.txt")), BookDays(book)))
        return Fail(QStringLiteral("cannot write the book's days"));
    return 0;
}
