#include "common/TestBook.h"
#include "data/ResultBook.h"

#include <QTest>

#include <memory>

class TestCalendar : public QObject
{
    Q_OBJECT

private slots:
    void periodTable_data();
    void periodTable();
    void daysInMonth_data();
    void daysInMonth();
    void addMonths_data();
    void addMonths();
    void dateText_data();
    void dateText();
    void recalculateRestartsMonthsButNotPeriod();
    void recalculateFromAnyDayMatchesFullPass_data();
    void recalculateFromAnyDayMatchesFullPass();
    void clearResetsEveryRecord();
    void malformedArgumentsStayInBounds();
};

void TestCalendar::periodTable_data()
{
    QTest::addColumn<int>("endMonth");
    QTest::addColumn<int>("january");
    QTest::addColumn<int>("back");
    QTest::addColumn<int>("firstMonth");
    QTest::addColumn<int>("monthCount");
    QTest::addColumn<int>("dayCount");

    QTest::newRow("january basis, current, today in January")
            << 200301 << 1 << 0 << 200301 << 1 << 31;
    QTest::newRow("january basis, current, today in May") << 200305 << 1 << 0 << 200301 << 5 << 151;
    QTest::newRow("january basis, current, today in December")
            << 200312 << 1 << 0 << 200301 << 12 << 365;
    QTest::newRow("january basis, 1 year back") << 200212 << 1 << 1 << 200201 << 12 << 365;
    QTest::newRow("january basis, leap year 2004") << 200412 << 1 << 3 << 200401 << 12 << 366;
    QTest::newRow("january basis, current, February 2000") << 200002 << 1 << 0 << 200001 << 2 << 60;
    QTest::newRow("january basis, current, February 2100") << 210002 << 1 << 0 << 210001 << 2 << 59;
    QTest::newRow("this month basis, current") << 200305 << 0 << 0 << 200206 << 12 << 365;
    QTest::newRow("this month basis, 2 years back") << 200105 << 0 << 2 << 200006 << 12 << 365;
    QTest::newRow("this month basis, 9 years back") << 199405 << 0 << 9 << 199306 << 12 << 365;
    QTest::newRow("this month basis, 29 February inside")
            << 200402 << 0 << 0 << 200303 << 12 << 366;
    QTest::newRow("this month basis, 2000 is leap") << 200002 << 0 << 0 << 199903 << 12 << 366;
    QTest::newRow("this month basis, 2100 is not leap") << 210002 << 0 << 0 << 209903 << 12 << 365;
    QTest::newRow("this month basis ending in December") << 200312 << 0 << 0 << 200301 << 12 << 365;
}

void TestCalendar::periodTable()
{
    QFETCH(int, endMonth);
    QFETCH(int, january);
    QFETCH(int, back);
    QFETCH(int, firstMonth);
    QFETCH(int, monthCount);
    QFETCH(int, dayCount);

    auto book = std::make_unique<CTestBook>(QStringLiteral("/nonexistent/never-touched"));
    book->BuildCalendar(endMonth, january, back);
    QCOMPARE(book->MonthCount(), monthCount);
    QCOMPARE(book->DayCount(), dayCount);
    QCOMPARE(book->Month(0).month, firstMonth);
    QCOMPARE(book->Month(monthCount - 1).month, endMonth);
    QCOMPARE(book->Month(monthCount - 1).lastDay, dayCount - 1);
    QCOMPARE(book->Day(0).date, firstMonth * 100 + 1);
    QCOMPARE(book->Day(dayCount - 1).date, endMonth * 100 + CResultBook::DaysInMonth(endMonth));

    // Consecutive whole months, every day with its text, and the months' index ranges.
    int day = 0;
    for (int m = 0; m < book->MonthCount(); ++m) {
        const MonthEntry &entry = book->Month(m);
        QCOMPARE(entry.monthText, CResultBook::DateText(entry.month));
        if (m > 0)
            QCOMPARE(entry.month, CResultBook::AddMonths(book->Month(m - 1).month, 1));
        for (int d = 1; d <= CResultBook::DaysInMonth(entry.month); ++d, ++day) {
            QCOMPARE(book->Day(day).date, entry.month * 100 + d);
            QCOMPARE(book->Day(day).dateText, CResultBook::DateText(entry.month * 100 + d));
            QCOMPARE(book->Day(day).entryMethod, EntryMethod::None);
        }
        QCOMPARE(entry.lastDay, day - 1);
    }
    QCOMPARE(day, dayCount);
    for (int i = dayCount; i < CResultBook::kMaxDays; ++i)
        QCOMPARE(book->Day(i).date, 0);
    for (int m = monthCount; m < CResultBook::kMaxMonths; ++m)
        QCOMPARE(book->Month(m).month, 0);
}

void TestCalendar::daysInMonth_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("days");
    QTest::newRow("2004/02 leap") << 200402 << 29;
    QTest::newRow("2003/02") << 200302 << 28;
    QTest::newRow("2000/02 divisible by 400") << 200002 << 29;
    QTest::newRow("2100/02 divisible by 100") << 210002 << 28;
    QTest::newRow("1900/02") << 190002 << 28;
    QTest::newRow("2400/02") << 240002 << 29;
    QTest::newRow("January") << 200301 << 31;
    QTest::newRow("April") << 200304 << 30;
    QTest::newRow("July") << 200307 << 31;
    QTest::newRow("August") << 200308 << 31;
    QTest::newRow("September") << 200309 << 30;
    QTest::newRow("November") << 200311 << 30;
    QTest::newRow("December") << 200312 << 31;
}

void TestCalendar::daysInMonth()
{
    QFETCH(int, month);
    QFETCH(int, days);
    QCOMPARE(CResultBook::DaysInMonth(month), days);
}

void TestCalendar::addMonths_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("result");
    QTest::newRow("eleven back over the year end") << 200305 << -11 << 200206;
    QTest::newRow("December plus one") << 200312 << 1 << 200401;
    QTest::newRow("January minus one") << 200301 << -1 << 200212;
    QTest::newRow("zero") << 200305 << 0 << 200305;
    QTest::newRow("twelve forward") << 200305 << 12 << 200405;
    QTest::newRow("twelve back from December") << 200312 << -12 << 200212;
    QTest::newRow("December minus eleven") << 200312 << -11 << 200301;
    QTest::newRow("two years back") << 200305 << -24 << 200105;
    QTest::newRow("to December") << 200301 << 11 << 200312;
    QTest::newRow("over several year ends") << 199911 << 26 << 200201;
    QTest::newRow("back over the century") << 200001 << -13 << 199812;
}

void TestCalendar::addMonths()
{
    QFETCH(int, month);
    QFETCH(int, n);
    QFETCH(int, result);
    QCOMPARE(CResultBook::AddMonths(month, n), result);
}

void TestCalendar::dateText_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("month key") << 200305 << QStringLiteral("2003/05");
    QTest::newRow("Monday") << 20030512 << QStringLiteral("2003/05/12 (月)");
    QTest::newRow("Saturday") << 20020601 << QStringLiteral("2002/06/01 (土)");
    QTest::newRow("Sunday") << 20030511 << QStringLiteral("2003/05/11 (日)");
    QTest::newRow("Tuesday, 29 February 2000") << 20000229 << QStringLiteral("2000/02/29 (火)");
    QTest::newRow("Wednesday") << 20030514 << QStringLiteral("2003/05/14 (水)");
    QTest::newRow("Thursday") << 20040101 << QStringLiteral("2004/01/01 (木)");
    QTest::newRow("Friday") << 19991231 << QStringLiteral("1999/12/31 (金)");
    QTest::newRow("Monday, 1 March 2100") << 21000301 << QStringLiteral("2100/03/01 (月)");
    QTest::newRow("Sunday, 28 February 2100") << 21000228 << QStringLiteral("2100/02/28 (日)");
    QTest::newRow("7 digits") << 2003051 << QString();
    QTest::newRow("5 digits") << 20030 << QString();
    QTest::newRow("9 digits") << 200305120 << QString();
    QTest::newRow("zero") << 0 << QString();
    QTest::newRow("negative") << -200305 << QString();
}

void TestCalendar::dateText()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QCOMPARE(CResultBook::DateText(key), text);
}

void TestCalendar::recalculateRestartsMonthsButNotPeriod()
{
    auto book = std::make_unique<CTestBook>(QStringLiteral("/nonexistent/never-touched"));
    book->BuildCalendar(200305, 0, 0); // 2002/06 .. 2003/05
    // Last day of December, first two days of January, and a balance-only day.
    const int dec31 = book->Month(6).lastDay;
    QCOMPARE(book->Day(dec31).date, 20021231);
    auto set = [&](int i, int method, int collected, int invested, int balance) {
        book->RawDay(i).entryMethod = static_cast<EntryMethod>(method);
        book->RawDay(i).collected = collected;
        book->RawDay(i).invested = invested;
        book->RawDay(i).balance = balance;
    };
    set(0, 0, 10, 4, 6);
    set(dec31 - 1, 0, 5, 10, -5);
    set(dec31, 0, 50, 30, 20);
    set(dec31 + 1, 0, 7, 3, 4);
    set(dec31 + 2, 1, 0, 0, -9);
    book->Recalculate(0);

    QCOMPARE(book->Day(0).monthBalance, 6);
    QCOMPARE(book->Day(0).periodBalance, 6);
    QCOMPARE(book->Day(dec31).monthCollected, 55);
    QCOMPARE(book->Day(dec31).monthInvested, 40);
    QCOMPARE(book->Day(dec31).monthBalance, 15);
    QCOMPARE(book->Day(dec31).periodBalance, 21);
    // 1 January restarts the month sums at its own amounts; the period balance runs on.
    QCOMPARE(book->Day(dec31 + 1).monthCollected, 7);
    QCOMPARE(book->Day(dec31 + 1).monthInvested, 3);
    QCOMPARE(book->Day(dec31 + 1).monthBalance, 4);
    QCOMPARE(book->Day(dec31 + 1).periodBalance, 25);
    // A balance-only day adds to the balances only.
    QCOMPARE(book->Day(dec31 + 2).monthCollected, 7);
    QCOMPARE(book->Day(dec31 + 2).monthInvested, 3);
    QCOMPARE(book->Day(dec31 + 2).monthBalance, -5);
    QCOMPARE(book->Day(dec31 + 2).periodBalance, 16);
    // The month totals sit on each month's last day, the period total on the last day.
    QCOMPARE(book->Day(book->Month(11).lastDay).monthBalance, 0);
    QCOMPARE(book->Day(book->DayCount() - 1).periodBalance, 16);
}

void TestCalendar::recalculateFromAnyDayMatchesFullPass_data()
{
    QTest::addColumn<int>("changedDay");
    QTest::newRow("first day") << 0;
    QTest::newRow("first of a month") << 30;
    QTest::newRow("middle of a month") << 100;
    QTest::newRow("last day") << 364;
}

void TestCalendar::recalculateFromAnyDayMatchesFullPass()
{
    QFETCH(int, changedDay);
    auto book = std::make_unique<CTestBook>(QStringLiteral("/nonexistent/never-touched"));
    auto reference = std::make_unique<CTestBook>(QStringLiteral("/nonexistent/never-touched"));
    for (CTestBook *b : {book.get(), reference.get()}) {
        b->BuildCalendar(200305, 0, 0);
        for (int i = 0; i < b->DayCount(); i += 3) {
            b->RawDay(i).entryMethod = EntryMethod::Amounts;
            b->RawDay(i).collected = i % 17;
            b->RawDay(i).invested = i % 11;
            b->RawDay(i).balance = i % 17 - i % 11;
        }
        b->Recalculate(0);
    }
    for (CTestBook *b : {book.get(), reference.get()}) {
        b->RawDay(changedDay).entryMethod = EntryMethod::Amounts;
        b->RawDay(changedDay).collected = 1000;
        b->RawDay(changedDay).invested = 1;
        b->RawDay(changedDay).balance = 999;
    }
    book->Recalculate(changedDay);
    reference->Recalculate(0);
    for (int i = 0; i < book->DayCount(); ++i) {
        QCOMPARE(book->Day(i).monthCollected, reference->Day(i).monthCollected);
        QCOMPARE(book->Day(i).monthInvested, reference->Day(i).monthInvested);
        QCOMPARE(book->Day(i).monthBalance, reference->Day(i).monthBalance);
        QCOMPARE(book->Day(i).periodBalance, reference->Day(i).periodBalance);
    }
}

void TestCalendar::clearResetsEveryRecord()
{
    auto book = std::make_unique<CTestBook>(QStringLiteral("/nonexistent/never-touched"));
    book->BuildCalendar(200412, 1, 0);
    book->RawDay(5).entryMethod = EntryMethod::Balance;
    book->RawDay(5).balance = 3;
    book->Recalculate(0);
    book->SetModified();
    QVERIFY(!book->Load()); // no such directory: leaves a failure text behind
    const QString error = book->LastError();
    QVERIFY(!error.isEmpty());
    book->Clear();
    QCOMPARE(book->DayCount(), 0);
    QCOMPARE(book->MonthCount(), 0);
    QCOMPARE(book->IsModified(), false);
    QCOMPARE(book->LastError(), error);
    for (const DayResult &d : book->RawDays()) {
        QVERIFY(d.dateText.isEmpty());
        QCOMPARE(d.date, 0);
        QCOMPARE(d.entryMethod, EntryMethod::None);
        QCOMPARE(d.balance, 0);
        QCOMPARE(d.periodBalance, 0);
    }
    for (int k = 0; k < CResultBook::kMaxMonths; ++k) {
        const MonthEntry &m = book->Month(k);
        QCOMPARE(m.month, 0);
        QVERIFY(m.monthText.isEmpty());
        QCOMPARE(m.lastDay, 0);
    }
}

void TestCalendar::malformedArgumentsStayInBounds()
{
    auto book = std::make_unique<CTestBook>(QStringLiteral("/nonexistent/never-touched"));
    // Month numbers outside 1..12 have no defined period, but must never overrun the tables.
    for (int endMonth : {200300, 200313, 200399, 0}) {
        book->Clear();
        book->BuildCalendar(endMonth, 0, 0);
        QVERIFY(book->DayCount() <= CResultBook::kMaxDays);
        QVERIFY(book->MonthCount() <= CResultBook::kMaxMonths);
    }
    book->Clear();
    book->BuildCalendar(200305, 1, 0);
    book->RawDay(0).balance = 2000000000;
    book->RawDay(1).balance = 2000000000;
    book->Recalculate(-5); // a negative start index begins at the first day
    QCOMPARE(book->Day(1).periodBalance, std::numeric_limits<int32_t>::max());
    QCOMPARE(CResultBook::AddMonths(200305, std::numeric_limits<int>::min()), 200305);
}

QTEST_GUILESS_MAIN(TestCalendar)
#include "tst_calendar.moc"
