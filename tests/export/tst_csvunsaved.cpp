// Every year exported while the loaded period holds days not saved yet: the file must read as it
// will once the period is saved, with no year lost or repeated and the years in order.
#include "data/ResultBook.h"
#include "export/CsvExport.h"

#include "common/DataLines.h"
#include "common/RandomDataFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size();
}

QByteArray Lines(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLatin1() + "\r\n";
    return bytes;
}

struct Entry
{
    int date;
    EntryMethod method;
    int collected, invested, balance;
};

} // namespace

Q_DECLARE_METATYPE(QList<Entry>)

class TestCsvUnsaved : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void matchesTheSavedFile_data();
    void matchesTheSavedFile();
    void randomFiles_data();
    void randomFiles();

private:
    // The export with the book's unsaved days against the export of the file once saved.
    void Compare(const QByteArray &file, int endMonth, int basis, const QList<Entry> &entries);

    QTemporaryDir m_dir;
};

void TestCsvUnsaved::Compare(const QByteArray &file, int endMonth, int basis,
                             const QList<Entry> &entries)
{
    const QString data = m_dir.filePath(QStringLiteral("Murel1.Dat"));
    const QString unsaved = m_dir.filePath(QStringLiteral("unsaved.csv"));
    const QString saved = m_dir.filePath(QStringLiteral("saved.csv"));
    QFile::remove(data);
    if (!file.isNull())
        QVERIFY(WriteBytes(data, file));

    CResultBook book(data);
    QVERIFY(book.LoadPeriod(endMonth, basis, 0));
    for (const Entry &e : entries)
        QVERIFY(book.EnterDay(e.date, e.method, e.collected, e.invested, e.balance));
    const QByteArray before = ReadBytes(data); // a first load makes an empty file

    CCsvExport csv;
    QCOMPARE(csv.WriteAllYears(data, unsaved, &book), QString());
    // The export reads the file and never writes it.
    QCOMPARE(ReadBytes(data), before);

    QVERIFY(book.Save());
    QCOMPARE(csv.WriteAllYears(data, saved), QString());
    QCOMPARE(ReadBytes(unsaved), ReadBytes(saved));
}

void TestCsvUnsaved::matchesTheSavedFile_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no data file yet
    QTest::addColumn<int>("endMonth");
    QTest::addColumn<int>("basis");
    QTest::addColumn<QList<Entry>>("entries");

    const auto Line = DataLine;
    const QByteArray around = Lines({Line(20010704, 0, 10, 5, 5), Line(20020601, 0, 50, 30, 20),
                                     Line(20030512, 1, 0, 0, -40), Line(20050101, 0, 7, 7, 0)});
    const QList<Entry> typed = {{20020615, EntryMethod::Amounts, 80, 20, 60},
                                {20030101, EntryMethod::Balance, 0, 0, -15}};

    QTest::newRow("no file yet") << QByteArray() << 200305 << 0 << typed;
    QTest::newRow("period across two years of the file") << around << 200305 << 0 << typed;
    QTest::newRow("a day taken back to no result")
            << around << 200305 << 0 << QList<Entry>{{20030512, EntryMethod::Amounts, 0, 0, 0}};
    QTest::newRow("a changed day keeps its place")
            << around << 200305 << 0 << QList<Entry>{{20020601, EntryMethod::Balance, 0, 0, 99}};
    // 2004 lies between the file's years; 2008 after them; 1999 before them.
    QTest::newRow("a year between the file's years")
            << around << 200412 << 1 << QList<Entry>{{20040229, EntryMethod::Amounts, 5, 8, -3}};
    QTest::newRow("a year after the file's years")
            << around << 200812 << 1 << QList<Entry>{{20081231, EntryMethod::Amounts, 1, 2, -1}};
    QTest::newRow("a year before the file's years")
            << around << 199912 << 1 << QList<Entry>{{19990101, EntryMethod::Balance, 0, 0, 3}};
    QTest::newRow("out of order, the period's days last in the file")
            << Lines({Line(20050101, 0, 7, 7, 0), Line(20020601, 0, 50, 30, 20),
                      Line(20010704, 0, 10, 5, 5), Line(20030512, 1, 0, 0, -40)})
            << 200305 << 0 << typed;
}

void TestCsvUnsaved::matchesTheSavedFile()
{
    QFETCH(QByteArray, file);
    QFETCH(int, endMonth);
    QFETCH(int, basis);
    QFETCH(QList<Entry>, entries);
    Compare(file, endMonth, basis, entries);
}

void TestCsvUnsaved::randomFiles_data()
{
    QTest::addColumn<bool>("shuffled");
    QTest::addColumn<int>("seed");
    for (int seed = 1; seed <= 12; ++seed) {
        QTest::addRow("in order, seed %d", seed) << false << seed;
        QTest::addRow("shuffled, seed %d", seed) << true << seed;
    }
}

void TestCsvUnsaved::randomFiles()
{
    QFETCH(bool, shuffled);
    QFETCH(int, seed);
    QRandomGenerator rng{quint32(seed)};
    FileShape shape;
    shape.firstYear = 2000;
    shape.years = 6;
    shape.lines = 300;
    shape.shuffled = shuffled;
    shape.duplicatePercent = 10;
    shape.junkPercent = 5;
    shape.invalidPercent = 3;
    const QByteArray file = RandomDataFile(rng, shape);

    // A period somewhere in or just beside the file's years, and days typed all over it.
    const int endMonth = (1999 + int(rng.bounded(9))) * 100 + 1 + int(rng.bounded(12));
    const int basis = int(rng.bounded(2));
    CResultBook layout;
    layout.BuildCalendar(endMonth, basis, 0);
    QList<Entry> entries;
    for (int n = 0; n < 20 && layout.DayCount() > 0; ++n) {
        const int date = layout.Day(int(rng.bounded(layout.DayCount()))).date;
        const int kind = int(rng.bounded(3));
        const int collected = int(rng.bounded(500));
        const int invested = int(rng.bounded(500));
        if (kind == 0)
            entries.append({date, EntryMethod::Amounts, collected, invested, collected - invested});
        else if (kind == 1)
            entries.append({date, EntryMethod::Balance, 0, 0, collected - invested});
        else
            entries.append({date, EntryMethod::Amounts, 0, 0, 0});
    }
    Compare(file, endMonth, basis, entries);
}

QTEST_GUILESS_MAIN(TestCsvUnsaved)
#include "tst_csvunsaved.moc"
