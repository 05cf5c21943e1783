#include "data/ResultBook.h"
#include "session/RowText.h"

#include <QTest>

class TestRowText : public QObject
{
    Q_OBJECT
private slots:
    void dailyRow_data();
    void dailyRow();
    void monthlyRowWithoutResults();
    void monthlyRate_data();
    void monthlyRate();
    void icon_data();
    void icon();
    void summary_data();
    void summary();
};

void TestRowText::dailyRow_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("collected");
    QTest::addColumn<int>("invested");
    QTest::addColumn<int>("balance");
    QTest::addColumn<QString>("amounts");
    QTest::addColumn<QString>("rate");

    QTest::newRow("no result") << -1 << 0 << 0 << 0 << "-"
                               << "-";
    QTest::newRow("5/8 rounds half up") << 0 << 5 << 8 << -3 << "5/8"
                                        << "63%";
    QTest::newRow("1/300 rounds to nothing") << 0 << 1 << 300 << -299 << "1/300"
                                             << "0%";
    QTest::newRow("300/0 entered as amounts") << 0 << 300 << 0 << 300 << "300/0"
                                              << "-%";
    QTest::newRow("0/0 entered as amounts") << 0 << 0 << 0 << 0 << "-"
                                            << "-";
    QTest::newRow("balance only, positive") << 1 << 0 << 0 << 45 << "-"
                                            << "-";
    QTest::newRow("balance only, negative") << 1 << 0 << 0 << -12 << "-"
                                            << "-";
    QTest::newRow("exact half 1/200") << 0 << 1 << 200 << -199 << "1/200"
                                      << "1%";
    QTest::newRow("large rate") << 0 << 9999 << 1 << 9998 << "9999/1"
                                << "999900%";
    QTest::newRow("even rate") << 0 << 50 << 30 << 20 << "50/30"
                               << "167%";
}

void TestRowText::dailyRow()
{
    QFETCH(int, method);
    QFETCH(int, collected);
    QFETCH(int, invested);
    QFETCH(int, balance);
    QFETCH(QString, amounts);
    QFETCH(QString, rate);

    DayResult day;
    day.dateText = QStringLiteral("2003/05/12 (月)");
    day.date = 20030512;
    day.entryMethod = static_cast<EntryMethod>(method);
    day.collected = collected;
    day.invested = invested;
    day.balance = balance;
    day.monthBalance = balance - 7;
    day.periodBalance = balance + 1000;
    const QStringList cells = rowtext::DailyRow(day);
    QCOMPARE(cells.size(), 6);
    QCOMPARE(cells.at(0), day.dateText);
    QCOMPARE(cells.at(1), amounts);
    QCOMPARE(cells.at(2), rate);
    QCOMPARE(cells.at(3), QString::number(balance));
    QCOMPARE(cells.at(4), QString::number(balance - 7));
    QCOMPARE(cells.at(5), QString::number(balance + 1000));
}

void TestRowText::monthlyRowWithoutResults()
{
    CResultBook book(QStringLiteral("/nonexistent/never-written.dat"));
    book.BuildCalendar(200305, 1, 0); // January to May 2003
    QVERIFY(book.EnterDay(20030111, EntryMethod::Amounts, 10, 50, -40));

    // February has no result: 0/0, "-", 0, 0 and the period's running total.
    const QStringList feb = rowtext::MonthlyRow(book, 1);
    QCOMPARE(feb, QStringList({"2003/02", "0/0", "-", "0", "0", "-40"}));
    const QStringList jan = rowtext::MonthlyRow(book, 0);
    QCOMPARE(jan, QStringList({"2003/01", "10/50", "20%", "-40", "-40", "-40"}));
}

void TestRowText::monthlyRate_data()
{
    QTest::addColumn<int>("collected");
    QTest::addColumn<int>("invested");
    QTest::addColumn<QString>("rate");
    QTest::newRow("collected without investment") << 300 << 0 << "-%";
    QTest::newRow("nothing at all") << 0 << 0 << "-";
    QTest::newRow("62.5 up") << 5 << 8 << "63%";
    QTest::newRow("below half") << 1 << 300 << "0%";
}

void TestRowText::monthlyRate()
{
    QFETCH(int, collected);
    QFETCH(int, invested);
    QFETCH(QString, rate);
    CResultBook book(QStringLiteral("/nonexistent/never-written.dat"));
    book.BuildCalendar(200305, 1, 0);
    // Two balance-only and amount days in April: the month totals count every day's amounts.
    QVERIFY(book.EnterDay(20030427, EntryMethod::Amounts, collected, invested,
                          collected - invested));
    QCOMPARE(rowtext::MonthlyRow(book, 3).at(2), rate);
}

void TestRowText::icon_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("marked");
    QTest::addColumn<int>("icon");
    QTest::newRow("zero") << 0 << false << 0;
    QTest::newRow("up") << 5 << false << 1;
    QTest::newRow("down") << -1 << false << 2;
    QTest::newRow("today zero") << 0 << true << 3;
    QTest::newRow("today up") << 1 << true << 4;
    QTest::newRow("today down") << -300 << true << 5;
}

void TestRowText::icon()
{
    QFETCH(int, value);
    QFETCH(bool, marked);
    QFETCH(int, icon);
    QCOMPARE(rowtext::IconOf(value, marked), icon);
}

namespace {

struct Entry
{
    int index;
    int method;
    int collected;
    int invested;
    int balance;
};

} // namespace

Q_DECLARE_METATYPE(QList<Entry>)

void TestRowText::summary_data()
{
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<QString>("line");

    // May 2003 is index 120 onwards in a January-to-May 2003 book; 2003/04/12 is index 101.
    QTest::newRow("example")
            << QList<Entry>{{131, 0, 223, 100, 123}, {101, 0, 200, 80, 120}}
            << QString("対象データ 最高収支額: 12300円 2003/05/12 (月) 最高回収率: "
                       "250% 2003/04/12 (土)");
    QTest::newRow("best balance and best rate on the same day")
            << QList<Entry>{{131, 0, 246, 123, 123}, {101, 0, 250, 100, 150}}
            << QString("対象データ 最高収支額: 15000円 2003/04/12 (土) 最高回収率: 250% 2003/04/12 "
                       "(土)");
    QTest::newRow("empty period") << QList<Entry>{}
                                  << QString("対象データ 最高収支額: -円  最高回収率: -% ");
    QTest::newRow("only losses and balance-only days")
            << QList<Entry>{{5, 0, 0, 40, -40}, {6, 1, 0, 0, -10}}
            << QString("対象データ 最高収支額: -円  最高回収率: -% ");
    // A rate that shows as "-%" names no day either.
    QTest::newRow("rate of 0.4% is no rate")
            << QList<Entry>{{0, 0, 4, 1000, -996}}
            << QString("対象データ 最高収支額: -円  最高回収率: -% ");
    QTest::newRow("rate of 0.4% beside a best balance")
            << QList<Entry>{{0, 0, 4, 1000, -996}, {2, 1, 0, 0, 5}}
            << QString("対象データ 最高収支額: 500円 2003/01/03 (金) 最高回収率: -% ");
    QTest::newRow("rate of 0.5% rounds up and names its day")
            << QList<Entry>{{0, 0, 1, 200, -199}}
            << QString("対象データ 最高収支額: -円  最高回収率: 1% 2003/01/01 (水)");
    QTest::newRow("ties keep the earlier day")
            << QList<Entry>{{1, 0, 20, 10, 10}, {2, 0, 20, 10, 10}}
            << QString("対象データ 最高収支額: 1000円 2003/01/02 (木) 最高回収率: 200% 2003/01/02 "
                       "(木)");
    QTest::newRow("balance only counts for the balance")
            << QList<Entry>{{3, 1, 0, 0, 77}, {4, 0, 3, 2, 1}}
            << QString("対象データ 最高収支額: 7700円 2003/01/04 (土) 最高回収率: 150% 2003/01/05 "
                       "(日)");
}

void TestRowText::summary()
{
    QFETCH(QList<Entry>, entries);
    QFETCH(QString, line);
    CResultBook book(QStringLiteral("/nonexistent/never-written.dat"));
    book.BuildCalendar(200305, 1, 0);
    for (const Entry &e : entries) {
        QVERIFY(book.EnterDay(book.Day(e.index).date, static_cast<EntryMethod>(e.method),
                              e.collected, e.invested, e.balance));
    }
    QCOMPARE(rowtext::Summary(book), line);
}

QTEST_APPLESS_MAIN(TestRowText)
#include "tst_rowtext.moc"
