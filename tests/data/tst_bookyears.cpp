#include "data/BookYears.h"
#include "data/ResultBook.h"
#include "data/YearTotals.h"

#include "common/RandomDataFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

namespace {

// "year:collected/invested:balance:running:days:wins" per row.
QByteArray Text(const std::vector<YearFigures> &rows)
{
    QByteArrayList parts;
    for (const YearFigures &f : rows) {
        parts << QByteArray::number(f.year) + ':' + QByteArray::number(f.collected) + '/'
                        + QByteArray::number(f.invested) + ':' + QByteArray::number(f.balance) + ':'
                        + QByteArray::number(f.running) + ':' + QByteArray::number(f.resultDays)
                        + ':' + QByteArray::number(f.winDays);
    }
    return parts.join(' ');
}

// The rows a model gives: every day read adds its amounts, a day with a method other than -1
// counts, and a year without such a day has no row.
QByteArray ModelRows(const std::map<int, ModelDay> &days)
{
    std::vector<YearFigures> rows;
    std::map<int, YearFigures> years;
    for (const auto &[date, day] : days) {
        YearFigures &f = years[date / 10000];
        f.year = date / 10000;
        f.collected += day.collected;
        f.invested += day.invested;
        f.balance += day.balance;
        if (day.method != -1) {
            ++f.resultDays;
            f.winDays += day.balance > 0;
        }
    }
    for (auto &[year, f] : years) {
        if (f.resultDays == 0)
            continue;
        f.running = f.balance + (rows.empty() ? 0 : rows.back().running);
        rows.push_back(f);
    }
    return Text(rows);
}

// The year rows read through the book's days.
QByteArray ReadThrough(const QString &path, const CResultBook &book, bool *ok = nullptr)
{
    CYearTotals totals;
    CBookYears years(totals, book);
    CYearReader reader(path);
    const bool read = reader.Read(years);
    if (read)
        years.Finish();
    if (ok)
        *ok = read;
    return Text(totals.Rows());
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

struct Entry
{
    int date;
    int method; // -1 clears the day
    int collected;
    int invested;
    int balance;
};

} // namespace

Q_DECLARE_METATYPE(FileShape)

class TestBookYears : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void unsavedDays_data();
    void unsavedDays();
    void randomFilesAndEntries_data();
    void randomFilesAndEntries();
    void unmodifiedBookReplacesNothing();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestBookYears::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Murel1.Dat"));
}

void TestBookYears::unsavedDays_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("endMonth"); // the loaded period, from January
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<QByteArray>("rows");

    const QByteArray file = "20010105,0,1000,3000,2000,\r\n"
                            "20030105,0,-500,500,1000,\r\n"
                            "20050105,1,700,0,0,\r\n";
    const QByteArray saved = "2001:30/20:10:10:1:1 2003:5/10:-5:5:1:0 2005:0/0:7:12:1:1";
    QTest::newRow("nothing entered") << file << 200312 << QList<Entry>{} << saved;
    QTest::newRow("a day changed")
            << file << 200312 << QList<Entry>{{20030105, 0, 40, 10, 30}}
            << QByteArray("2001:30/20:10:10:1:1 2003:40/10:30:40:1:1 2005:0/0:7:47:1:1");
    QTest::newRow("a day added to a year of the file")
            << file << 200312 << QList<Entry>{{20031231, 1, 0, 0, -2}}
            << QByteArray("2001:30/20:10:10:1:1 2003:5/10:-7:3:2:0 2005:0/0:7:10:1:1");
    QTest::newRow("a year the file does not have, between two")
            << file << 200212 << QList<Entry>{{20020301, 0, 3, 1, 2}}
            << QByteArray("2001:30/20:10:10:1:1 2002:3/1:2:12:1:1 2003:5/10:-5:7:1:0 "
                          "2005:0/0:7:14:1:1");
    QTest::newRow("a year the file does not have, after the last")
            << file << 200612 << QList<Entry>{{20061111, 1, 0, 0, 4}}
            << QByteArray("2001:30/20:10:10:1:1 2003:5/10:-5:5:1:0 2005:0/0:7:12:1:1 "
                          "2006:0/0:4:16:1:1");
    QTest::newRow("a year the file does not have, before the first")
            << file << 200012 << QList<Entry>{{20000229, 1, 0, 0, -1}}
            << QByteArray("2000:0/0:-1:-1:1:0 2001:30/20:10:9:1:1 2003:5/10:-5:4:1:0 "
                          "2005:0/0:7:11:1:1");
    QTest::newRow("the only result of a year cleared")
            << file << 200312 << QList<Entry>{{20030105, -1, 0, 0, 0}}
            << QByteArray("2001:30/20:10:10:1:1 2005:0/0:7:17:1:1");
    QTest::newRow("a day cleared and set again: unchanged")
            << file << 200312 << QList<Entry>{{20030105, -1, 0, 0, 0}, {20030105, 0, 5, 10, -5}}
            << saved;
}

void TestBookYears::unsavedDays()
{
    QFETCH(QByteArray, file);
    QFETCH(int, endMonth);
    QFETCH(QList<Entry>, entries);
    QFETCH(QByteArray, rows);

    WriteBytes(m_path, file);
    CResultBook book(m_path);
    const int yearsBack = 2003 - endMonth / 100;
    QVERIFY(book.LoadPeriod(endMonth, 1, yearsBack < 0 ? 0 : yearsBack));
    for (const Entry &e : entries) {
        QVERIFY(book.EnterDay(e.date, EntryMethod(e.method), e.collected, e.invested, e.balance));
    }
    bool ok = false;
    QCOMPARE(ReadThrough(m_path, book, &ok), rows);
    QVERIFY(ok);

    // The file is left as it was; once saved, it reads the same without the book.
    QFile check(m_path);
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll(), file);
    check.close();
    QVERIFY(book.Save());
    CYearTotals totals;
    QVERIFY(totals.Load(m_path));
    QCOMPARE(Text(totals.Rows()), rows);
}

void TestBookYears::randomFilesAndEntries_data()
{
    QTest::addColumn<FileShape>("shape");

    FileShape tidy;
    tidy.firstYear = 2001;
    tidy.years = 3;
    tidy.yearStep = 2; // 2001, 2003, 2005: periods also fall on years without lines
    tidy.lines = 80;
    QTest::newRow("ascending") << tidy;
    FileShape ragged = tidy;
    ragged.duplicatePercent = 20;
    ragged.invalidPercent = 10;
    ragged.junkPercent = 10;
    ragged.mixedLineEnds = true;
    ragged.cutLastLine = true;
    QTest::newRow("ascending with duplicates, invalid dates and junk") << ragged;
    FileShape shuffled = ragged;
    shuffled.shuffled = true;
    QTest::newRow("shuffled with duplicates, invalid dates and junk") << shuffled;
    FileShape wide = shuffled;
    wide.firstYear = 1850;
    wide.years = 150; // more years than the reader keeps open at once
    wide.yearStep = 1;
    wide.lines = 400;
    QTest::newRow("shuffled over 150 years") << wide;
}

// Whatever the file and whatever was entered, the rows are those of the file's days with the
// loaded period's days as the book holds them.
void TestBookYears::randomFilesAndEntries()
{
    QFETCH(FileShape, shape);

    QRandomGenerator rng(quint32(shape.firstYear + shape.lines + shape.junkPercent));
    const int lastYear = shape.firstYear + (shape.years - 1) * shape.yearStep;
    for (int f = 0; f < 30; ++f) {
        const QByteArray file = RandomDataFile(rng, shape);
        WriteBytes(m_path, file);

        const int basis = int(rng.bounded(2));
        const int endYear = shape.firstYear - 1 + int(rng.bounded(lastYear - shape.firstYear + 3));
        const int endMonth = endYear * 100 + 1 + int(rng.bounded(12));
        CResultBook book(m_path);
        QVERIFY(book.LoadPeriod(endMonth, basis, int(rng.bounded(2))));

        std::map<int, ModelDay> days = ModelDays(file);
        const int changes = f % 5 == 0 ? 0 : 1 + int(rng.bounded(6));
        for (int c = 0; c < changes; ++c) {
            const DayResult &day = book.Day(int(rng.bounded(book.DayCount())));
            const int roll = int(rng.bounded(10));
            const EntryMethod method = roll < 2 ? EntryMethod::None
                    : roll < 6                  ? EntryMethod::Amounts
                                                : EntryMethod::Balance;
            const int collected = int(rng.bounded(500));
            const int invested = int(rng.bounded(500));
            const int balance
                    = method == EntryMethod::Amounts ? collected - invested : int(rng.bounded(99));
            QVERIFY(book.EnterDay(day.date, method, collected, invested, balance));
        }
        QCOMPARE(book.IsModified(), changes > 0);
        for (const DayResult &day : book.Days()) {
            days[day.date]
                    = ModelDay{int(day.entryMethod), day.collected, day.invested, day.balance};
        }
        // An unmodified book may hold days that the file lacks only as days without a result,
        // which the model counts as read: those add nothing and count no day.
        const QByteArray expected = ModelRows(days);
        bool ok = false;
        const QByteArray seen = ReadThrough(m_path, book, &ok);
        QVERIFY(ok);
        QVERIFY2(seen == expected,
                 (seen + "\n" + expected + "\nperiod " + QByteArray::number(endMonth) + " basis "
                  + QByteArray::number(basis))
                         .constData());
    }
}

// A book that holds nothing unsaved is not asked: its period may not even have been read, as
// after a failed load.
void TestBookYears::unmodifiedBookReplacesNothing()
{
    WriteBytes(m_path, "20030105,0,-500,500,1000,\r\n20030610,1,700,0,0,\r\n");
    CResultBook book(m_path);
    book.BuildCalendar(200312, 1, 0);
    QVERIFY(!book.IsModified());
    bool ok = false;
    QCOMPARE(ReadThrough(m_path, book, &ok), QByteArray("2003:5/10:2:2:2:1"));
    QVERIFY(ok);
}

QTEST_GUILESS_MAIN(TestBookYears)
#include "tst_bookyears.moc"
