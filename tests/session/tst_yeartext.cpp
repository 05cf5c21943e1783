#include "data/ResultBook.h"
#include "session/RowText.h"
#include "session/YearText.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

YearFigures Figures(int year, qint64 collected, qint64 invested, qint64 balance, qint64 running,
                    int days, int wins)
{
    YearFigures f;
    f.year = year;
    f.collected = collected;
    f.invested = invested;
    f.balance = balance;
    f.running = running;
    f.resultDays = days;
    f.winDays = wins;
    return f;
}

} // namespace

Q_DECLARE_METATYPE(YearFigures)

class TestYearText : public QObject
{
    Q_OBJECT

private slots:
    void yearRow_data();
    void yearRow();
    void totalRow();
    void sharedCellsMatchTheMonthlyList();
    void chart_data();
    void chart();
};

void TestYearText::yearRow_data()
{
    QTest::addColumn<YearFigures>("figures");
    QTest::addColumn<QStringList>("cells");

    QTest::newRow("a year of results")
            << Figures(2003, 90, 20, 100, 50, 2, 2)
            << QStringList{"2003", "90/20", "450%", "100", "50", "2", "100%"};
    QTest::newRow("rates round half up")
            << Figures(2004, 5, 8, -3, -3, 8, 1)
            << QStringList{"2004", "5/8", "63%", "-3", "-3", "8", "13%"};
    QTest::newRow("win rate 2 of 3 rounds up, 1 of 3 down")
            << Figures(2005, 2, 3, -1, 7, 3, 2)
            << QStringList{"2005", "2/3", "67%", "-1", "7", "3", "67%"};
    QTest::newRow("no win, a rate below one half")
            << Figures(2006, 1, 300, -299, -1000, 3, 0)
            << QStringList{"2006", "1/300", "0%", "-299", "-1000", "3", "0%"};
    QTest::newRow("balance alone: collected without investment")
            << Figures(2007, 300, 0, 40, 40, 1, 1)
            << QStringList{"2007", "300/0", "-%", "40", "40", "1", "100%"};
    QTest::newRow("balance alone: nothing collected or invested")
            << Figures(2008, 0, 0, -5, -5, 1, 0)
            << QStringList{"2008", "0/0", "-", "-5", "-5", "1", "0%"};
    QTest::newRow("sums past 32 bits")
            << Figures(2009, 7838315140LL, 3919157570LL, 3919157570LL, 5000000000LL, 365, 365)
            << QStringList{
                       "2009", "7838315140/3919157570", "200%", "3919157570", "5000000000", "365",
                       "100%"};
    QTest::newRow("past 32 bits over an investment of 3: rounded half up")
            << Figures(2010, 2147483648LL, 3, 0, 0, 1, 0)
            << QStringList{"2010", "2147483648/3", "71582788267%", "0", "0", "1", "0%"};
    QTest::newRow("past 32 bits without investment")
            << Figures(2011, -2147483649LL, 0, 0, 0, 1, 0)
            << QStringList{"2011", "-2147483649/0", "-%", "0", "0", "1", "0%"};
}

void TestYearText::yearRow()
{
    QFETCH(YearFigures, figures);
    QFETCH(QStringList, cells);
    QCOMPARE(rowtext::YearRow(figures), cells);
}

void TestYearText::totalRow()
{
    const QStringList cells = rowtext::TotalRow(Figures(0, 190, 170, 49, 49, 4, 1));
    QCOMPARE(cells, (QStringList{"合計", "190/170", "112%", "49", "49", "4", "25%"}));
    // A file without results: no day to rate.
    QCOMPARE(rowtext::TotalRow(YearFigures()).last(), QStringLiteral("-"));
}

// A year's 回収/投資, 回収率 and 収支 read as the monthly list writes a month with the same sums.
void TestYearText::sharedCellsMatchTheMonthlyList()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Murel1.Dat"));
    QRandomGenerator rng(20030101);
    for (int round = 0; round < 200; ++round) {
        QByteArray file;
        for (int day = 1; day <= 31; ++day) {
            if (rng.bounded(3) == 0)
                continue;
            const int collected = round % 4 == 0 ? 0 : int(rng.bounded(round * 50 + 1));
            const int invested = round % 5 == 0 ? 0 : int(rng.bounded(round * 40 + 1));
            file += QByteArray::number(20030100 + day) + ",0,"
                    + QByteArray::number((collected - invested) * 100) + ','
                    + QByteArray::number(collected * 100) + ',' + QByteArray::number(invested * 100)
                    + ",\r\n";
        }
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(file);
        out.close();

        CResultBook book(path);
        QVERIFY(book.LoadPeriod(200301, 1, 0)); // January 2003 alone
        CYearTotals totals;
        QVERIFY(totals.Load(path));
        const YearFigures year = totals.Rows().empty() ? YearFigures() : totals.Rows().front();
        const QStringList month = rowtext::MonthlyRow(book, 0);
        const QStringList cells = rowtext::YearRow(year);
        QCOMPARE(cells.mid(1, 3), month.mid(1, 3));
    }
}

void TestYearText::chart_data()
{
    QTest::addColumn<QList<int>>("years");
    QTest::addColumn<QString>("title");

    QTest::newRow("three years") << QList<int>{2002, 2003, 2004} << "年別推移:2002 ～ 2004";
    QTest::newRow("years apart") << QList<int>{1999, 2010} << "年別推移:1999 ～ 2010";
    QTest::newRow("one year") << QList<int>{2003} << "年別推移:2003 ～ 2003";
    QTest::newRow("no year") << QList<int>{} << "年別推移:";
}

void TestYearText::chart()
{
    QFETCH(QList<int>, years);
    QFETCH(QString, title);
    std::vector<YearFigures> rows;
    QStringList labels;
    QList<qint64> balances;
    QList<qint64> running;
    qint64 sum = 0;
    for (const int year : years) {
        const qint64 balance = (year % 7) * 1000 - 2500;
        sum += balance;
        rows.push_back(Figures(year, 0, 0, balance, sum, 1, 0));
        labels << QString::number(year);
        balances << balance;
        running << sum;
    }
    const rowtext::YearChart chart = rowtext::BuildYearChart(rows);
    QCOMPARE(chart.title, title);
    QCOMPARE(chart.unit, QStringLiteral("百円"));
    QCOMPARE(chart.labels, labels);
    QCOMPARE(chart.balances, balances);
    QCOMPARE(chart.running, running);
}

QTEST_GUILESS_MAIN(TestYearText)
#include "tst_yeartext.moc"
