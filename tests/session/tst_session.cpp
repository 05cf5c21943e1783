#include "session/DiarySession.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

// The diary's navigation and period logic without a window: what the main window used to decide
// in its handlers.

namespace {

// A book of its own data file in a temporary directory; today is 2003/05/12 unless a test says.
struct Diary
{
    QTemporaryDir dir;
    std::unique_ptr<CDiarySession> session;

    explicit Diary(int yearBasis = 1, QDate today = QDate(2003, 5, 12),
                   const QByteArray &file = QByteArray())
    {
        if (!file.isNull()) {
            QFile out(path());
            if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
                qFatal("cannot write the data file");
        }
        session = std::make_unique<CDiarySession>(today, std::make_unique<CResultBook>(path()),
                                                  yearBasis);
    }
    QString path() const { return dir.filePath(QStringLiteral("Murel1.Dat")); }
    CDiarySession &s() { return *session; }
    CResultBook &book() { return session->Book(); }
    QByteArray read() const
    {
        QFile in(path());
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<unreadable>");
    }

    // A step of a command sequence: "today", "prev", "next", "monthly", "daily <month key>",
    // "click <key>", "past <years back>" (the period, then the monthly view).
    void run(const QString &step)
    {
        const QStringList parts = step.split(QLatin1Char(' '));
        const int arg = parts.value(1).toInt();
        if (parts[0] == QLatin1String("today"))
            s().ShowToday();
        else if (parts[0] == QLatin1String("prev"))
            s().PrevMonth();
        else if (parts[0] == QLatin1String("next"))
            s().NextMonth();
        else if (parts[0] == QLatin1String("monthly"))
            s().ShowMonthly();
        else if (parts[0] == QLatin1String("daily"))
            s().ShowDaily(arg);
        else if (parts[0] == QLatin1String("click"))
            s().SelectRow(arg);
        else if (parts[0] == QLatin1String("past")) {
            s().SelectPeriod(arg);
            s().ShowMonthly();
        } else
            qFatal("unknown step %s", qPrintable(step));
    }
    // Loads the current period and shows today, as the main window starts.
    void start()
    {
        if (s().SelectPeriod(0) != PeriodOutcome::Loaded)
            qFatal("the current period did not load");
        s().ShowMonthly();
        s().ShowToday();
    }
    QString state() const
    {
        const CDiarySession &c = *session;
        return QStringLiteral("%1 index %2 month %3 day %4 selected %5")
                .arg(c.View() == DiaryView::Daily ? "daily" : "monthly")
                .arg(c.MonthIndex())
                .arg(c.SelMonth())
                .arg(c.SelDay())
                .arg(c.SelectedDay());
    }
};

} // namespace

Q_DECLARE_METATYPE(EntryAnswer)
Q_DECLARE_METATYPE(PeriodOutcome)

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void selectPeriod_data();
    void selectPeriod();
    void periodFailures_data();
    void periodFailures();
    void navigation_data();
    void navigation();
    void questionBeforeLeavingTheDay_data();
    void questionBeforeLeavingTheDay();
    void entryFollows_data();
    void entryFollows();
    void enteredDayDrawnOnce_data();
    void enteredDayDrawnOnce();
    void entryClosingWhileAnswering();
    void closeDecision_data();
    void closeDecision();
};

void TestSession::selectPeriod_data()
{
    QTest::addColumn<int>("basis");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("yearsBack");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");

    const QDate may = QDate(2003, 5, 12);
    QTest::newRow("January basis, current") << 1 << may << 0 << 200301 << 200305;
    QTest::newRow("January basis, one back") << 1 << may << 1 << 200201 << 200212;
    QTest::newRow("January basis, nine back") << 1 << may << 9 << 199401 << 199412;
    QTest::newRow("January basis, in January") << 1 << QDate(2004, 1, 31) << 0 << 200401 << 200401;
    QTest::newRow("January basis, in December") << 1 << QDate(2003, 12, 1) << 0 << 200301 << 200312;
    QTest::newRow("month basis, current") << 0 << may << 0 << 200206 << 200305;
    QTest::newRow("month basis, two back") << 0 << may << 2 << 200006 << 200105;
    QTest::newRow("month basis, in January") << 0 << QDate(2004, 1, 2) << 0 << 200302 << 200401;
    QTest::newRow("other basis counts as months") << 7 << may << 1 << 200106 << 200205;
}

void TestSession::selectPeriod()
{
    QFETCH(int, basis);
    QFETCH(QDate, today);
    QFETCH(int, yearsBack);
    QFETCH(int, first);
    QFETCH(int, last);

    Diary d(basis, today);
    QCOMPARE(d.s().YearsBack(), -1);
    QCOMPARE(d.s().SelectPeriod(yearsBack), PeriodOutcome::Loaded);
    QCOMPARE(d.s().YearsBack(), yearsBack);
    QCOMPARE(d.book().Month(0).month, first);
    QCOMPARE(d.book().Month(d.book().MonthCount() - 1).month, last);
    QCOMPARE(d.s().ThisMonth(), today.year() * 100 + today.month());
}

void TestSession::periodFailures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<PeriodOutcome>("outcome");
    QTest::addColumn<int>("yearsBack");
    QTest::addColumn<int>("firstMonth");

    // The file turns unreadable: the new period is laid out all the same.
    QTest::newRow("read fails") << "unreadable" << PeriodOutcome::ReadFailed << 1 << 200201;
    // An entered day cannot be saved: the old period stays, with its change.
    QTest::newRow("save fails") << "unsaved" << PeriodOutcome::KeptOld << 0 << 200301;
}

void TestSession::periodFailures()
{
    QFETCH(QString, fault);
    QFETCH(PeriodOutcome, outcome);
    QFETCH(int, yearsBack);
    QFETCH(int, firstMonth);

    Diary d;
    d.start();
    QVERIFY(QFile::remove(d.path()));
    QVERIFY(QDir().mkdir(d.path())); // a directory where the file was
    if (fault == QLatin1String("unsaved")) // its save, right after it, fails
        QVERIFY(d.book().EnterDay(20030502, EntryMethod::Balance, 0, 0, 4));
    QCOMPARE(d.s().SelectPeriod(1), outcome);
    QCOMPARE(d.s().YearsBack(), yearsBack);
    QCOMPARE(d.book().Month(0).month, firstMonth);
    QCOMPARE(d.book().IsModified(), outcome == PeriodOutcome::KeptOld);
    QVERIFY(!d.book().LastError().isEmpty());
    if (outcome == PeriodOutcome::KeptOld)
        QCOMPARE(d.book().Day(d.book().IndexOf(20030502)).balance, 4);
}

void TestSession::navigation_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("state");

    QTest::newRow("start") << QStringList{} << "daily index 4 month 5 day 12 selected 20030512";
    QTest::newRow("two months back")
            << QStringList{"prev", "prev"} << "daily index 2 month 3 day 12 selected 20030312";
    // Day 31 of March, then April: April has no 31st, so nothing is selected, until March again.
    QTest::newRow("31st into a shorter month")
            << QStringList{"prev", "prev", "click 20030331", "next"}
            << "daily index 3 month 4 day 31 selected 0";
    QTest::newRow("and back") << QStringList{"prev", "prev", "click 20030331", "next", "prev"}
                              << "daily index 2 month 3 day 31 selected 20030331";
    QTest::newRow("stops at the first month")
            << QStringList{"prev", "prev", "prev", "prev", "prev", "prev"}
            << "daily index 0 month 1 day 12 selected 20030112";
    QTest::newRow("stops at the last month")
            << QStringList{"next"} << "daily index 4 month 5 day 12 selected 20030512";
    QTest::newRow("today again") << QStringList{"prev", "click 20030402", "today"}
                                 << "daily index 4 month 5 day 12 selected 20030512";
    QTest::newRow("monthly view keeps the month shown")
            << QStringList{"prev", "monthly"} << "monthly index 3 month 4 day 12 selected 0";
    QTest::newRow("month clicked, then its days")
            << QStringList{"monthly", "click 200302", "daily 200302"}
            << "daily index 1 month 2 day 12 selected 20030212";
    // The daily-list button shows the selected row, which the keyboard may have moved; the month
    // to select in the monthly list stays the clicked one.
    QTest::newRow("daily list of a month not clicked")
            << QStringList{"monthly", "daily 200301", "monthly"}
            << "monthly index 0 month 5 day 12 selected 0";
    QTest::newRow("an unknown month shows nothing new")
            << QStringList{"monthly", "daily 200212"}
            << "monthly index 4 month 5 day 12 selected 0";
    // A period change ends in the monthly view, the month number carried into the new period.
    QTest::newRow("period one back")
            << QStringList{"prev", "past 1"} << "monthly index 3 month 4 day 12 selected 0";
    QTest::newRow("period back, month clicked")
            << QStringList{"past 1", "click 200211", "past 0", "past 2"}
            << "monthly index 4 month 11 day 12 selected 0";
}

void TestSession::navigation()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, state);
    Diary d;
    d.start();
    for (const QString &step : steps)
        d.run(step);
    QCOMPARE(d.state(), state);
}

void TestSession::questionBeforeLeavingTheDay_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<EntryAnswer>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("state");

    const QString unchanged = "daily index 3 month 4 day 12 selected 20030412";
    using A = EntryAnswer;
    QTest::newRow("previous month, cancelled") << "prev" << A::Cancelled << true << unchanged;
    QTest::newRow("next month, cancelled") << "next" << A::Cancelled << true << unchanged;
    QTest::newRow("monthly, cancelled") << "monthly" << A::Cancelled << true << unchanged;
    // A click keeps its new selection although the window keeps its day.
    QTest::newRow("click, cancelled") << "click 20030405" << A::Cancelled << true
                                      << "daily index 3 month 4 day 5 selected 20030405";
    QTest::newRow("previous month, discarded")
            << "prev" << A::Discarded << true << "daily index 2 month 3 day 12 selected 20030312";
    QTest::newRow("monthly, applied")
            << "monthly" << A::Applied << true << "monthly index 3 month 4 day 12 selected 0";
    // Following a month or showing today never leaves a pending day: no question.
    QTest::newRow("daily list") << "daily 200302" << A::Cancelled << false
                                << "daily index 1 month 4 day 12 selected 20030212";
    QTest::newRow("today") << "today" << A::Cancelled << false
                           << "daily index 4 month 5 day 12 selected 20030512";
}

void TestSession::questionBeforeLeavingTheDay()
{
    QFETCH(QString, step);
    QFETCH(EntryAnswer, answer);
    QFETCH(bool, asked);
    QFETCH(QString, state);

    Diary d;
    d.start();
    d.run(QStringLiteral("prev"));
    int questions = 0;
    d.s().AttachEntry([&] {
        ++questions;
        return answer;
    });
    d.run(step);
    QCOMPARE(questions, asked ? 1 : 0);
    QCOMPARE(d.state(), state);
}

void TestSession::entryFollows_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<int>>("shown"); // days the daily input window was told to show

    QTest::newRow("previous month") << QStringList{"prev"} << QList<int>{20030412};
    QTest::newRow("into a month without the day")
            << QStringList{"prev", "prev", "click 20030331", "next"}
            << QList<int>{20030412, 20030312, 20030331, 0};
    QTest::newRow("click on a day") << QStringList{"click 20030505"} << QList<int>{20030505};
    // A month is no day: the window goes blank.
    QTest::newRow("monthly view, click on a month")
            << QStringList{"monthly", "click 200302"} << QList<int>{0, 0};
    QTest::newRow("days of a month")
            << QStringList{"monthly", "daily 200302"} << QList<int>{0, 20030212};
    QTest::newRow("today") << QStringList{"prev", "today"} << QList<int>{20030412, 20030512};
}

void TestSession::entryFollows()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, shown);

    Diary d;
    d.start();
    QSignalSpy days(&d.s(), &CDiarySession::entryDayChanged);
    // Closed: nothing to follow.
    d.run(QStringLiteral("prev"));
    d.run(QStringLiteral("today"));
    QVERIFY(days.isEmpty());

    QSignalSpy open(&d.s(), &CDiarySession::entryOpenChanged);
    d.s().AttachEntry([] { return EntryAnswer::Unchanged; });
    QCOMPARE(open.size(), 1);
    QVERIFY(d.s().IsEntryOpen());
    for (const QString &step : steps)
        d.run(step);
    QList<int> told;
    for (const QList<QVariant> &signal : std::as_const(days))
        told.append(signal.first().toInt());
    QCOMPARE(told, shown);
    d.s().DetachEntry();
    QCOMPARE(open.size(), 2);
    QCOMPARE(open.last().first().toBool(), false);
    QVERIFY(!d.s().IsEntryOpen());
}

void TestSession::enteredDayDrawnOnce_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("views"); // whole views drawn
    QTest::addColumn<QList<int>>("days"); // partial redraws, from these days on

    // The question enters 2003/04/12 (index 101), then the command draws its new view: once.
    QTest::newRow("previous month") << "prev" << 1 << QList<int>{};
    QTest::newRow("monthly view") << "monthly" << 1 << QList<int>{};
    // Nothing else to draw: the entered day is drawn from its row on.
    QTest::newRow("next month at the last month") << "stay" << 0 << QList<int>{101};
    QTest::newRow("click") << "click 20030402" << 0 << QList<int>{101};
    // The main window holds the drawing around its own sequence (today's data).
    QTest::newRow("held, then today") << "held today" << 1 << QList<int>{};
    QTest::newRow("held, nothing else") << "held" << 0 << QList<int>{101};
}

void TestSession::enteredDayDrawnOnce()
{
    QFETCH(QString, step);
    QFETCH(int, views);
    QFETCH(QList<int>, days);

    Diary d;
    d.start();
    d.run(QStringLiteral("prev"));
    d.s().AttachEntry([&] {
        d.book().EnterDay(20030412, EntryMethod::Amounts, 5, 1, 4);
        return EntryAnswer::Applied;
    });
    QSignalSpy viewSpy(&d.s(), &CDiarySession::viewChanged);
    QSignalSpy daySpy(&d.s(), &CDiarySession::daysChanged);
    if (step == QLatin1String("stay")) {
        for (int k = 0; k < 4; ++k)
            d.s().ShowDaily(200305); // to the last month without a question
        viewSpy.clear();
        d.run(QStringLiteral("next"));
    } else if (step.startsWith(QLatin1String("held"))) {
        const auto hold = d.s().HoldRefresh();
        QCOMPARE(d.s().ConfirmEntry(), EntryAnswer::Applied);
        QVERIFY(daySpy.isEmpty()); // not yet
        if (step.endsWith(QLatin1String("today")))
            d.s().ShowToday();
    } else {
        d.run(step);
    }
    QCOMPARE(viewSpy.size(), views);
    QList<int> from;
    for (const QList<QVariant> &signal : std::as_const(daySpy))
        from.append(signal.first().toInt());
    QCOMPARE(from, days);
    QCOMPARE(d.book().Day(101).balance, 4);
}

void TestSession::entryClosingWhileAnswering()
{
    // The window closes itself while it answers: the session must not call into a question it
    // has just let go of.
    Diary d;
    d.start();
    int asked = 0;
    d.s().AttachEntry([&] {
        ++asked;
        d.s().DetachEntry();
        return EntryAnswer::Unchanged;
    });
    QVERIFY(d.s().PrevMonth());
    QCOMPARE(asked, 1);
    QVERIFY(!d.s().IsEntryOpen());
    QCOMPARE(d.s().ConfirmEntry(), EntryAnswer::Unchanged);
    QVERIFY(d.s().NextMonth());
    QCOMPARE(asked, 1);
}

void TestSession::closeDecision_data()
{
    QTest::addColumn<bool>("change");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("saved"); // SaveForClose's answer
    QTest::addColumn<QByteArray>("file");

    const QByteArray old = "20030105,1,700,0,0,\r\n";
    QTest::newRow("nothing changed") << false << true << true << old;
    QTest::newRow("changed") << true << true << true
                             << QByteArray("20030105,1,700,0,0,\r\n20030502,0,5000,8000,3000,\r\n");
    QTest::newRow("changed, cannot save") << true << false << false << old;
}

void TestSession::closeDecision()
{
    QFETCH(bool, change);
    QFETCH(bool, writable);
    QFETCH(bool, saved);
    QFETCH(QByteArray, file);

    Diary d(1, QDate(2003, 5, 12), "20030105,1,700,0,0,\r\n");
    d.start();
    const QString aside = d.dir.filePath(QStringLiteral("aside"));
    if (!writable) {
        QVERIFY(QFile::rename(d.path(), aside));
        QVERIFY(QDir().mkdir(d.path()));
    }
    if (change)
        QVERIFY(d.book().EnterDay(20030502, EntryMethod::Amounts, 80, 30, 50));
    QCOMPARE(d.s().SaveForClose(), saved);
    // The close answers for its own save: its failure is not reported besides.
    for (const QString &report : d.s().TakeReports())
        QVERIFY2(!report.startsWith(CResultBook::SaveFailedText()), qPrintable(report));
    QCOMPARE(d.book().IsModified(), !saved);
    if (!writable) {
        // Closing without saving leaves the file as it was.
        d.s().DiscardChanges();
        QVERIFY(!d.book().IsModified());
        QVERIFY(QDir(d.path()).removeRecursively());
        QVERIFY(QFile::rename(aside, d.path()));
    }
    d.session.reset(); // and the book going away writes nothing more
    QCOMPARE(d.read(), file);
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
