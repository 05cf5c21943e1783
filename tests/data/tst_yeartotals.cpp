#include "data/ResultBook.h"
#include "data/YearTotals.h"

#include "common/RandomDataFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <set>

namespace {

struct DayEntry
{
    int index; // day of the year
    int method;
    int collected;
    int invested;
    int balance;
};

// "year:collected/invested:balance:running:days:wins".
QByteArray Text(const YearFigures &f)
{
    return QByteArray::number(f.year) + ':' + QByteArray::number(f.collected) + '/'
            + QByteArray::number(f.invested) + ':' + QByteArray::number(f.balance) + ':'
            + QByteArray::number(f.running) + ':' + QByteArray::number(f.resultDays) + ':'
            + QByteArray::number(f.winDays);
}

QByteArray Text(const std::vector<YearFigures> &rows)
{
    QByteArrayList parts;
    for (const YearFigures &f : rows)
        parts << Text(f);
    return parts.join(' ');
}

// The year as the monthly list of its January-based period shows it: the sums of the months'
// month-to-date fields at their last days, and the days that have a result.
YearFigures FromMonthlyList(CResultBook &book, int year)
{
    YearFigures f;
    f.year = year;
    if (!book.LoadPeriod(year * 100 + 12, 1, 0)) {
        f.year = -1;
        return f;
    }
    for (int m = 0; m < book.MonthCount(); ++m) {
        const DayResult &last = book.Day(book.Month(m).lastDay);
        f.collected += last.monthCollected;
        f.invested += last.monthInvested;
        f.balance += last.monthBalance;
    }
    for (int d = 0; d < book.DayCount(); ++d) {
        if (book.Day(d).entryMethod != EntryMethod::None) {
            ++f.resultDays;
            f.winDays += book.Day(d).balance > 0;
        }
    }
    return f;
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Reads fail once a number of bytes went through.
class FaultyReader : public CYearReader
{
public:
    using CYearReader::CYearReader;
    qint64 readLimit = 0;

protected:
    qint64 ReadIn(QIODevice &in, char *buffer, qint64 size) override
    {
        if (readLimit <= 0)
            return -1;
        const qint64 n = CYearReader::ReadIn(in, buffer, qMin(size, readLimit));
        readLimit -= qMax<qint64>(n, 0);
        return n;
    }
};

} // namespace

Q_DECLARE_METATYPE(FileShape)

class TestYearTotals : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void figures_data();
    void figures();
    void rows_data();
    void rows();
    void rowsEqualTheMonthlyList_data();
    void rowsEqualTheMonthlyList();
    void failedReadLeavesNoRows();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestYearTotals::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Murel1.Dat"));
}

void TestYearTotals::figures_data()
{
    QTest::addColumn<QList<DayEntry>>("days");
    QTest::addColumn<QByteArray>("figures");

    QTest::newRow("no day") << QList<DayEntry>{} << QByteArray("2003:0/0:0:0:0:0");
    QTest::newRow("amounts and balance alone")
            << QList<DayEntry>{{0, 0, 50, 30, 20}, {40, 1, 0, 0, -7}, {364, 0, 10, 20, -10}}
            << QByteArray("2003:60/50:3:0:3:1");
    QTest::newRow("a balance of 0 is no win")
            << QList<DayEntry>{{1, 0, 5, 5, 0}, {2, 1, 0, 0, 1}} << QByteArray("2003:5/5:1:0:2:1");
    QTest::newRow("odd entry methods are results")
            << QList<DayEntry>{{1, 7, 1, 1, 4}, {2, -4, 0, 0, -1}}
            << QByteArray("2003:1/1:3:0:2:1");
    // The list's running sums add a day read with method -1 too; it is no result.
    QTest::newRow("method -1 adds its amounts, not a day")
            << QList<DayEntry>{{3, -1, 9, 4, 5}, {4, 0, 1, 2, -1}}
            << QByteArray("2003:10/6:4:0:1:0");
    QList<DayEntry> largest;
    for (int d = 0; d < 365; ++d)
        largest.append({d, 0, 21474836, 21474836, d % 2 ? -21474836 : 21474836});
    QTest::newRow("every day the largest amounts: past 32 bits")
            << largest << QByteArray("2003:7838315140/7838315140:21474836:0:365:183");
}

void TestYearTotals::figures()
{
    QFETCH(QList<DayEntry>, days);
    QFETCH(QByteArray, figures);
    std::vector<DayRecord> records(365);
    for (const DayEntry &d : days)
        records[size_t(d.index)] = DayRecord{d.method, d.collected, d.invested, d.balance};
    QCOMPARE(Text(CYearTotals::Figures(2003, records)), figures);
}

void TestYearTotals::rows_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QByteArray>("total");

    QTest::newRow("empty file") << QByteArray() << QByteArray() << QByteArray("0:0/0:0:0:0:0");
    QTest::newRow("running balance over the years")
            << QByteArray("20021231,0,-5000,10000,15000,\r\n20030101,1,3000,0,0,\r\n"
                          "20030102,0,7000,9000,2000,\r\n20050505,1,-100,0,0,\r\n")
            << QByteArray("2002:100/150:-50:-50:1:0 2003:90/20:100:50:2:2 "
                          "2005:0/0:-1:49:1:0")
            << QByteArray("0:190/170:49:49:4:2");
    QTest::newRow("a year of method -1 lines alone has no row")
            << QByteArray("20020101,0,100,100,0,\r\n20030101,-1,900,900,0,\r\n"
                          "20040101,1,200,0,0,\r\n")
            << QByteArray("2002:1/0:1:1:1:1 2004:0/0:2:3:1:1") << QByteArray("0:1/0:3:3:2:2");
    QTest::newRow("out of order, duplicates, invalid dates")
            << QByteArray("20040301,1,500,0,0,\r\n20030231,1,100,0,0,\r\n"
                          "20030301,1,-300,0,0,\r\n20040301,1,700,0,0,\r\njunk\r\n")
            << QByteArray("2003:0/0:-3:-3:1:0 2004:0/0:7:4:1:1") << QByteArray("0:0/0:4:4:2:1");
}

void TestYearTotals::rows()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, rows);
    QFETCH(QByteArray, total);
    WriteBytes(m_path, file);
    CYearTotals totals;
    QVERIFY(totals.Load(m_path));
    QVERIFY(totals.lastError.isEmpty());
    QCOMPARE(Text(totals.Rows()), rows);
    QCOMPARE(Text(totals.Total()), total);
}

void TestYearTotals::rowsEqualTheMonthlyList_data()
{
    QTest::addColumn<FileShape>("shape");
    QTest::addColumn<bool>("inOrder");

    FileShape tidy;
    tidy.firstYear = 2003;
    tidy.years = 2;
    tidy.lines = 120;
    QTest::newRow("ascending") << tidy << true;
    FileShape leap = tidy;
    leap.firstYear = 1996;
    leap.years = 3;
    leap.yearStep = 4; // 1996, 2000, 2004
    QTest::newRow("ascending over leap years") << leap << true;
    FileShape ragged = tidy;
    ragged.duplicatePercent = 20;
    ragged.invalidPercent = 10;
    ragged.junkPercent = 10;
    ragged.noCommaPercent = 5;
    ragged.handPercent = 15;
    ragged.mixedLineEnds = true;
    ragged.cutLastLine = true;
    QTest::newRow("ascending with duplicates, invalid dates, junk, LF and a cut line")
            << ragged << true;
    FileShape shuffled = tidy;
    shuffled.shuffled = true;
    QTest::newRow("shuffled") << shuffled << false;
    FileShape shuffledRagged = ragged;
    shuffledRagged.shuffled = true;
    QTest::newRow("shuffled with duplicates, invalid dates, junk, LF and a cut line")
            << shuffledRagged << false;
    FileShape wide = shuffledRagged;
    wide.firstYear = 1980;
    wide.years = 30;
    wide.lines = 300;
    QTest::newRow("shuffled over 30 years") << wide << false;
    // Larger than the reader's buffer: lines meet its refills.
    FileShape large = ragged;
    large.years = 12;
    large.lines = 4000;
    QTest::newRow("ascending, 4000 lines over 12 years with duplicates, invalid dates, junk")
            << large << true;
}

void TestYearTotals::rowsEqualTheMonthlyList()
{
    QFETCH(FileShape, shape);
    QFETCH(bool, inOrder);

    QRandomGenerator rng(quint32(shape.firstYear * 31 + shape.years + shape.junkPercent));
    for (int f = 0; f < 25; ++f) {
        const QByteArray file = RandomDataFile(rng, shape);
        if (inOrder)
            QVERIFY(ModelInOrder(file));
        WriteBytes(m_path, file);

        CYearTotals totals;
        QVERIFY(totals.Load(m_path));
        std::set<int> years;
        for (const auto &entry : ModelDays(file))
            years.insert(entry.first / 10000);

        CResultBook book(m_path);
        std::vector<YearFigures> expected;
        for (const int year : years) {
            YearFigures list = FromMonthlyList(book, year);
            QCOMPARE(list.year, year);
            if (list.resultDays == 0)
                continue;
            list.running = list.balance + (expected.empty() ? 0 : expected.back().running);
            expected.push_back(list);
        }
        QVERIFY2(Text(totals.Rows()) == Text(expected),
                 (Text(totals.Rows()) + "\n" + Text(expected) + "\n" + file.left(300)).constData());

        YearFigures sum;
        for (const YearFigures &row : expected) {
            sum.collected += row.collected;
            sum.invested += row.invested;
            sum.balance += row.balance;
            sum.resultDays += row.resultDays;
            sum.winDays += row.winDays;
        }
        sum.running = sum.balance;
        QCOMPARE(Text(totals.Total()), Text(sum));

        QFile check(m_path);
        QVERIFY(check.open(QIODevice::ReadOnly));
        QCOMPARE(check.readAll(), file); // neither reading writes the file
    }
}

void TestYearTotals::failedReadLeavesNoRows()
{
    QByteArray file;
    for (int year = 2000; year < 2030; ++year)
        file += QByteArray::number(year * 10000 + 101) + ",1,100,0,0,\r\n";
    WriteBytes(m_path, file);
    CYearTotals totals;
    QVERIFY(totals.Load(m_path));
    QCOMPARE(int(totals.Rows().size()), 30);

    FaultyReader reader(m_path);
    reader.readLimit = file.size() / 2;
    QVERIFY(!totals.Load(reader));
    QCOMPARE(totals.lastError, QStringLiteral("ファイルの読み込みに失敗しました。"));
    QVERIFY(totals.Rows().empty());
    QCOMPARE(Text(totals.Total()), QByteArray("0:0/0:0:0:0:0"));
}

QTEST_GUILESS_MAIN(TestYearTotals)
#include "tst_yeartotals.moc"
