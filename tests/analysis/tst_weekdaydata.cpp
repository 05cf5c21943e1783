#include "analysis/WeekdayData.h"
#include "data/ResultBook.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// "balance collected/invested days wins | the four texts" of one weekday.
QString Line(const CWeekdayData &data, int w)
{
    const CWeekdayData::Weekday &d = data.Day(w);
    return QStringLiteral("%1 %2/%3 %4 %5 | %6 %7 %8 %9")
            .arg(d.balance)
            .arg(d.collected)
            .arg(d.invested)
            .arg(d.resultDays)
            .arg(d.winDays)
            .arg(data.BalanceText(w), data.RateText(w), data.WinText(w), data.DaysText(w));
}

const QString kNoDays = QStringLiteral("0 0/0 0 0 | 収支 0 回収率 - 勝率 - 0日");

} // namespace

class TestWeekdayData : public QObject
{
    Q_OBJECT

private slots:
    void figures_data();
    void figures();
    void title_data();
    void title();
    void weekdayOf_data();
    void weekdayOf();

private:
    QTemporaryDir m_dir;
};

void TestWeekdayData::figures_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("weekdays"); // Sunday first

    // The period is 2003/01 to 2003/05. 2003/05/11 is a Sunday.
    QTest::newRow("no results") << QByteArray() << QStringList(7, kNoDays);
    QStringList mondays(7, kNoDays);
    mondays[1] = QStringLiteral("13 50/30 2 1 | 収支 13 回収率 167% 勝率 50% 2日");
    QTest::newRow("two Mondays: amounts and a balance alone")
            << QByteArray("20030512,0,2000,5000,3000,\r\n20030519,1,-700,0,0,\r\n") << mondays;
    QStringList week(7, kNoDays);
    week[0] = QStringLiteral("-3 5/8 1 0 | 収支 -3 回収率 63% 勝率 0% 1日");
    week[3] = QStringLiteral("0 0/0 1 0 | 収支 0 回収率 - 勝率 0% 1日");
    week[5] = QStringLiteral("100 100/0 1 1 | 収支 100 回収率 -% 勝率 100% 1日");
    week[6] = QStringLiteral("5 9/4 0 0 | 収支 5 回収率 225% 勝率 - 0日");
    QTest::newRow("one day each; method -1 adds amounts, not a day")
            << QByteArray("20030511,0,-300,500,800,\r\n20030514,1,0,0,0,\r\n"
                          "20030516,0,10000,10000,0,\r\n20030517,-1,500,900,400,\r\n")
            << week;
    QStringList sundays(7, kNoDays);
    sundays[0] = QStringLiteral("-296 1/299 3 2 | 収支 -296 回収率 0% 勝率 67% 3日");
    QTest::newRow("three Sundays across months")
            << QByteArray("20030105,0,100,100,0,\r\n20030302,0,-29900,0,29900,\r\n"
                          "20030525,7,200,0,1,\r\n")
            << sundays;
    QStringList outside(7, kNoDays);
    outside[2] = QStringLiteral("4 0/0 1 1 | 収支 4 回収率 - 勝率 100% 1日");
    QTest::newRow("days outside the period do not count")
            << QByteArray("20021231,1,900,0,0,\r\n20030128,1,400,0,0,\r\n20030603,1,1,0,0,\r\n")
            << outside;
}

void TestWeekdayData::figures()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, weekdays);
    const QString path = m_dir.filePath(QStringLiteral("Murel1.Dat"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(file);
    out.close();
    CResultBook book(path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));

    CWeekdayData data;
    data.SetData(&book);
    QStringList lines;
    for (int w = 0; w < CWeekdayData::kWeekdays; ++w)
        lines << Line(data, w);
    QCOMPARE(lines, weekdays);
}

void TestWeekdayData::title_data()
{
    QTest::addColumn<int>("endMonth");
    QTest::addColumn<int>("january");
    QTest::addColumn<QString>("title");
    QTest::newRow("January basis")
            << 200305 << 1 << "曜日別収支:2003/01/01 (水) ～ 2003/05/31 (土)";
    QTest::newRow("rolling year") << 200305 << 0 << "曜日別収支:2002/06/01 (土) ～ 2003/05/31 (土)";
    QTest::newRow("no book") << 0 << 0 << "曜日別収支:";
}

void TestWeekdayData::title()
{
    QFETCH(int, endMonth);
    QFETCH(int, january);
    QFETCH(QString, title);
    CResultBook book(m_dir.filePath(QStringLiteral("Murel1.Dat")));
    CWeekdayData data;
    if (endMonth != 0) {
        QVERIFY(book.LoadPeriod(endMonth, january, 0));
        data.SetData(&book);
    } else {
        data.SetData(nullptr);
    }
    QCOMPARE(data.Title(), title);
    // Another book replaces everything.
    data.SetData(&book);
    QCOMPARE(data.Day(0).resultDays, 0);
}

void TestWeekdayData::weekdayOf_data()
{
    QTest::addColumn<int>("date");
    QTest::addColumn<int>("weekday");
    QTest::addColumn<QString>("name");
    QTest::newRow("Sunday") << 20030511 << 0 << "日";
    QTest::newRow("Monday") << 20030512 << 1 << "月";
    QTest::newRow("Saturday") << 20030517 << 6 << "土";
    QTest::newRow("29 February 2000, Tuesday") << 20000229 << 2 << "火";
    QTest::newRow("1 January 1000, Wednesday") << 10000101 << 3 << "水";
    QTest::newRow("no such day") << 20030231 << -1 << "";
}

void TestWeekdayData::weekdayOf()
{
    QFETCH(int, date);
    QFETCH(int, weekday);
    QFETCH(QString, name);
    QCOMPARE(CWeekdayData::WeekdayOf(date), weekday);
    QCOMPARE(CWeekdayData::Name(weekday), name);
}

QTEST_GUILESS_MAIN(TestWeekdayData)
#include "tst_weekdaydata.moc"
