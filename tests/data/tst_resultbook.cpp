#include "data/ResultBook.h"

#include <QSignalSpy>
#include <QTest>

// EnterDay, the one way a day's result changes: the entry rules, the running sums from that day
// on, the modified flag and the notification.
class TestResultBook : public QObject
{
    Q_OBJECT

private slots:
    void enterDay_data();
    void enterDay();
    void enterDayOnUnknownDate_data();
    void enterDayOnUnknownDate();
    void reenteringReplacesTheDay();
};

Q_DECLARE_METATYPE(EntryMethod)

void TestResultBook::enterDay_data()
{
    QTest::addColumn<EntryMethod>("method");
    QTest::addColumn<int>("collected");
    QTest::addColumn<int>("invested");
    QTest::addColumn<int>("balance");
    QTest::addColumn<EntryMethod>("storedMethod");
    QTest::addColumn<QList<int>>("stored"); // collected, invested, balance

    using M = EntryMethod;
    QTest::newRow("amounts") << M::Amounts << 50 << 30 << 20 << M::Amounts << QList{50, 30, 20};
    QTest::newRow("amounts, loss")
            << M::Amounts << 30 << 50 << -20 << M::Amounts << QList{30, 50, -20};
    // By amounts the balance is collected minus invested, whatever balance comes with them: a
    // balance-only day switched to amounts keeps no balance its amounts contradict.
    QTest::newRow("amounts, a contradicting balance")
            << M::Amounts << 50 << 30 << 99 << M::Amounts << QList{50, 30, 20};
    QTest::newRow("amounts 0 beside an old balance: no result")
            << M::Amounts << 0 << 0 << 8 << M::None << QList{0, 0, 0};
    QTest::newRow("balance alone drops the amounts")
            << M::Balance << 50 << 30 << -15 << M::Balance << QList{0, 0, -15};
    QTest::newRow("amounts all 0: no result")
            << M::Amounts << 0 << 0 << 0 << M::None << QList{0, 0, 0};
    QTest::newRow("balance 0: no result, amounts ignored")
            << M::Balance << 70 << 70 << 0 << M::None << QList{0, 0, 0};
    QTest::newRow("nothing entered") << M::None << 5 << 5 << 5 << M::None << QList{0, 0, 0};
}

void TestResultBook::enterDay()
{
    QFETCH(EntryMethod, method);
    QFETCH(int, collected);
    QFETCH(int, invested);
    QFETCH(int, balance);
    QFETCH(EntryMethod, storedMethod);
    QFETCH(QList<int>, stored);

    CResultBook book(QStringLiteral("/nonexistent/never-touched"));
    book.BuildCalendar(200305, 1, 0); // January to May 2003
    // A day before it on the 1st of May and one after it: the sums run through all three.
    QVERIFY(book.EnterDay(20030501, EntryMethod::Amounts, 10, 4, 6));
    QVERIFY(book.EnterDay(20030520, EntryMethod::Balance, 0, 0, -3));
    QSignalSpy changed(&book, &CResultBook::dayChanged);

    QVERIFY(book.EnterDay(20030512, method, collected, invested, balance));

    const int index = book.IndexOf(20030512);
    QCOMPARE(index, 131);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().first().toInt(), index);
    QVERIFY(book.IsModified());
    const DayResult &day = book.Day(index);
    QCOMPARE(day.entryMethod, storedMethod);
    QCOMPARE(QList<int>({day.collected, day.invested, day.balance}), stored);
    QCOMPARE(day.monthCollected, 10 + stored[0]);
    QCOMPARE(day.monthBalance, 6 + stored[2]);
    const DayResult &last = book.Day(book.DayCount() - 1);
    QCOMPARE(last.monthCollected, 10 + stored[0]);
    QCOMPARE(last.monthInvested, 4 + stored[1]);
    QCOMPARE(last.monthBalance, 6 + stored[2] - 3);
    QCOMPARE(last.periodBalance, 6 + stored[2] - 3);
}

void TestResultBook::enterDayOnUnknownDate_data()
{
    QTest::addColumn<int>("date");
    QTest::newRow("before the period") << 20021231;
    QTest::newRow("after the period") << 20030601;
    QTest::newRow("no such day") << 20030230;
    QTest::newRow("a month key") << 200305;
    QTest::newRow("none") << 0;
}

void TestResultBook::enterDayOnUnknownDate()
{
    QFETCH(int, date);
    CResultBook book(QStringLiteral("/nonexistent/never-touched"));
    book.BuildCalendar(200305, 1, 0);
    QSignalSpy changed(&book, &CResultBook::dayChanged);
    QVERIFY(!book.EnterDay(date, EntryMethod::Amounts, 1, 1, 1));
    QVERIFY(changed.isEmpty());
    QVERIFY(!book.IsModified());
    for (const DayResult &day : book.Days())
        QCOMPARE(day.entryMethod, EntryMethod::None);
}

void TestResultBook::reenteringReplacesTheDay()
{
    CResultBook book(QStringLiteral("/nonexistent/never-touched"));
    book.BuildCalendar(200305, 0, 0); // 2002/06 to 2003/05
    QVERIFY(book.EnterDay(20021231, EntryMethod::Amounts, 50, 30, 20));
    QVERIFY(book.EnterDay(20030101, EntryMethod::Amounts, 7, 3, 4));
    QVERIFY(book.EnterDay(20021231, EntryMethod::Balance, 9, 9, -5));
    const DayResult &dec31 = book.Day(book.IndexOf(20021231));
    QCOMPARE(dec31.collected, 0);
    QCOMPARE(dec31.monthCollected, 0);
    QCOMPARE(dec31.periodBalance, -5);
    // The new year restarts the month sums; the period balance runs on from the changed day.
    const DayResult &jan1 = book.Day(book.IndexOf(20030101));
    QCOMPARE(jan1.monthBalance, 4);
    QCOMPARE(jan1.periodBalance, -1);
    QCOMPARE(book.Day(book.DayCount() - 1).periodBalance, -1);
}

QTEST_GUILESS_MAIN(TestResultBook)
#include "tst_resultbook.moc"
