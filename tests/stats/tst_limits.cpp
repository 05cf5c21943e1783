#include "data/ResultBook.h"
#include "settings/Settings.h"
#include "stats/Limits.h"

#include "stats/SessionFixture.h"

namespace {

// "L300 I1000 D4": the limits switched on, loss, invested and days.
CSettings LimitsOf(const QString &text)
{
    CSettings s;
    for (const QString &part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const int value = part.mid(1).toInt();
        switch (part[0].toLatin1()) {
        case 'L':
            s.lossLimitOn = true;
            s.lossLimit = value;
            break;
        case 'I':
            s.investLimitOn = true;
            s.investLimit = value;
            break;
        case 'D':
            s.daysLimitOn = true;
            s.daysLimit = value;
            break;
        }
    }
    return s;
}

// "200305 -150 20 3": month, balance, invested, days with a result.
MonthTotals TotalsOf(const QString &text)
{
    const QStringList p = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return MonthTotals{p.value(0).toInt(), p.value(1).toLongLong(), p.value(2).toLongLong(),
                       p.value(3).toInt()};
}

// The boxes of a report as "L50,L75": which limit (by the first letters of its box) and the
// threshold; "-" for none.
QString Boxes(const limits::Report &report)
{
    QStringList out;
    for (const QString &box : report.boxes) {
        const QChar kind = box.startsWith(QStringLiteral("今月の負け")) ? QLatin1Char('L')
                : box.startsWith(QStringLiteral("今月の投資"))          ? QLatin1Char('I')
                                                                        : QLatin1Char('D');
        const QString first = box.section(QLatin1Char('\n'), 0, 0);
        const qsizetype percent = first.indexOf(QLatin1Char('%'));
        QString threshold = QStringLiteral("100");
        if (percent > 0) {
            qsizetype start = percent;
            while (start > 0 && first[start - 1].isDigit())
                --start;
            threshold = first.mid(start, percent - start);
        }
        out << kind + threshold;
    }
    return out.isEmpty() ? QStringLiteral("-") : out.join(QLatin1Char(','));
}

} // namespace

class TestLimits : public QObject
{
    Q_OBJECT
private:
    SessionFixture m_fx;

private slots:
    void init() { m_fx.Init(); }

    // Confirmed days one after another: the boxes each one brings.
    void thresholds_data()
    {
        QTest::addColumn<QString>("limits");
        QTest::addColumn<QString>("days"); // the month after each day, ";" between them
        QTest::addColumn<QString>("boxes"); // the boxes after each day
        QTest::newRow("loss, threshold by threshold")
                << "L300"
                << "200305 -149; 200305 -150; 200305 -224; 200305 -225; 200305 -270;"
                   "200305 -299; 200305 -300; 200305 -400"
                << "-;L50;-;L75;L90;-;L100;-";
        QTest::newRow("one day past two thresholds brings both") << "L300"
                                                                 << "200305 -100; 200305 -240"
                                                                 << "-;L50,L75";
        QTest::newRow("a win back and a loss again tell nothing twice")
                << "L300"
                << "200305 -160; 200305 -100; 200305 -170; 200305 10; 200305 -230"
                << "L50;-;-;-;L75";
        QTest::newRow("a new month starts over")
                << "L300"
                << "200305 -160; 200306 -20; 200306 -160; 200306 -230"
                << "L50;-;L50;L75";
        QTest::newRow("over the year's end") << "L300"
                                             << "200312 -300; 200401 -300"
                                             << "L50,L75,L90,L100;L50,L75,L90,L100";
        QTest::newRow("an earlier month is told nothing") << "L300"
                                                          << "200306 -160; 200305 -300; 200306 -230"
                                                          << "L50;-;L75";
        QTest::newRow("a winning month is no loss") << "L300"
                                                    << "200305 500 900 3"
                                                    << "-";
        QTest::newRow("invested") << "I1000"
                                  << "200305 0 499 0; 200305 0 500 0; 200305 0 1000 0"
                                  << "-;I50;I75,I90,I100";
        QTest::newRow("days") << "D4"
                              << "200305 0 0 1; 200305 0 0 2; 200305 0 0 3; 200305 0 0 4;"
                                 "200305 0 0 5"
                              << "-;D50;D75;D90,D100;-";
        QTest::newRow("all three at once, in the order of the window")
                << "L300 I1000 D4"
                << "200305 -300 1000 4"
                << "L50,L75,L90,L100,I50,I75,I90,I100,D50,D75,D90,D100";
        QTest::newRow("no limit on") << ""
                                     << "200305 -1000 5000 20"
                                     << "-";
        QTest::newRow("a limit of 0 is no limit") << "L0"
                                                  << "200305 -1000 0 0"
                                                  << "-";
    }
    void thresholds()
    {
        QFETCH(QString, limits);
        QFETCH(QString, days);
        QFETCH(QString, boxes);
        CSettings settings = LimitsOf(limits);
        QStringList got;
        for (const QString &day : days.split(QLatin1Char(';')))
            got << Boxes(limits::Cross(settings, TotalsOf(day)));
        QCOMPARE(got.join(QLatin1Char(';')), boxes);
    }

    // What the windows' texts say.
    void texts()
    {
        CSettings s = LimitsOf("L300");
        const limits::Report report = limits::Cross(s, TotalsOf("200305 -160 0 0"));
        QCOMPARE(report.boxes,
                 QStringList{"今月の負けが月の負けの上限の50%に達しました。\n"
                             "今月の負け 160/300 (53%)\n上限まで、あと 140 です。\n単位:百円"});
        QCOMPARE(report.status, QStringLiteral("今月の負け 160/300 (53%)"));
        QCOMPARE(limits::BoxText({limits::Loss, 330, 300, 110}, 100),
                 QStringLiteral("今月の負けが月の負けの上限に達しました。\n"
                                "今月の負け 330/300 (110%)\n上限を 30 超えています。\n単位:百円"));
        QCOMPARE(limits::BoxText({limits::Invest, 1000, 1000, 100}, 100),
                 QStringLiteral("今月の投資が月の投資の上限に達しました。\n"
                                "今月の投資 1000/1000 (100%)\n上限と同じです。\n単位:百円"));
        QCOMPARE(limits::BoxText({limits::Days, 9, 10, 90}, 90),
                 QStringLiteral("今月の稼働日数が月の稼働日数の上限の90%に達しました。\n"
                                "今月の稼働 9/10日 (90%)\n上限まで、あと 1日 です。"));
    }

    void status_data()
    {
        QTest::addColumn<QString>("limits");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("status");
        QTest::newRow("loss") << "L300"
                              << "200305 -180 0 0"
                              << "今月の負け 180/300 (60%)";
        QTest::newRow("a winning month") << "L300"
                                         << "200305 50 0 0"
                                         << "今月の負け 0/300 (0%)";
        QTest::newRow("just below, never rounded up") << "L300"
                                                      << "200305 -299 0 0"
                                                      << "今月の負け 299/300 (99%)";
        QTest::newRow("over") << "L300"
                              << "200305 -330 0 0"
                              << "今月の負け 330/300 (110%)";
        QTest::newRow("all three")
                << "L300 I1000 D10"
                << "200305 -180 500 3"
                << "今月の負け 180/300 (60%)、今月の投資 500/1000 (50%)、今月の稼働 3/10日 (30%)";
        QTest::newRow("days alone") << "D10"
                                    << "200305 -180 500 3"
                                    << "今月の稼働 3/10日 (30%)";
        QTest::newRow("none") << ""
                              << "200305 -180 500 3"
                              << "";
    }
    void status()
    {
        QFETCH(QString, limits);
        QFETCH(QString, month);
        QTEST(limits::StatusText(LimitsOf(limits), TotalsOf(month)), "status");
    }

    // Limits set in the window: what the month has reached counts as told.
    void acknowledge_data()
    {
        QTest::addColumn<QString>("before"); // the limits with the month told so far
        QTest::addColumn<QString>("toldDays"); // days confirmed before the change
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("month"); // the month when the window closes
        QTest::addColumn<QString>("days"); // days confirmed afterwards
        QTest::addColumn<QString>("boxes");
        QTest::newRow("set past 75%: only 90% and 100% to come") << ""
                                                                 << ""
                                                                 << "L300"
                                                                 << "200305 -240"
                                                                 << "200305 -280; 200305 -300"
                                                                 << "L90;L100";
        QTest::newRow("another value starts that limit over") << "L300"
                                                              << "200305 -160"
                                                              << "L1000"
                                                              << "200305 -160"
                                                              << "200305 -500"
                                                              << "L50";
        QTest::newRow("an unchanged limit keeps what it told") << "L300"
                                                               << "200305 -160"
                                                               << "L300"
                                                               << "200305 -160"
                                                               << "200305 -160; 200305 -230"
                                                               << "-;L75";
        QTest::newRow("switched off: nothing is told") << "L300"
                                                       << "200305 -160"
                                                       << ""
                                                       << "200305 -160"
                                                       << "200305 -250"
                                                       << "-";
        QTest::newRow("another limit set leaves the others") << "L300"
                                                             << "200305 -160"
                                                             << "L300 D4"
                                                             << "200305 -160 0 2"
                                                             << "200305 -230 0 3"
                                                             << "L75,D75";
        QTest::newRow("set in a new month") << "L300"
                                            << "200304 -300"
                                            << "L300 I100"
                                            << "200305 -160 60"
                                            << "200305 -160 80"
                                            << "L50,I75";
    }
    void acknowledge()
    {
        QFETCH(QString, before);
        QFETCH(QString, toldDays);
        QFETCH(QString, after);
        QFETCH(QString, month);
        QFETCH(QString, days);
        CSettings old = LimitsOf(before);
        for (const QString &day : toldDays.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            limits::Cross(old, TotalsOf(day));
        CSettings edited = LimitsOf(after);
        for (int CSettings::*told : {&CSettings::lossTold, &CSettings::investTold,
                                     &CSettings::daysTold, &CSettings::limitsToldMonth})
            edited.*told = old.*told;
        limits::Acknowledge(edited, old, TotalsOf(month));
        QStringList got;
        for (const QString &day : days.split(QLatin1Char(';')))
            got << Boxes(limits::Cross(edited, TotalsOf(day)));
        QTEST(got.join(QLatin1Char(';')), "boxes");
    }

    // Through the settings store: told once, also across a restart; a new month starts over.
    void restart()
    {
        CSettings set = LimitsOf("L300 D4");
        set.WriteSection(QLatin1String(CSettings::kLimitsSection));
        QCOMPARE(Boxes(limits::AfterConfirmedDay(TotalsOf("200305 -160 0 1"))), "L50");
        // The program starts again: the stored told thresholds hold.
        QCOMPARE(Boxes(limits::AfterConfirmedDay(TotalsOf("200305 -170 0 2"))), "D50");
        QCOMPARE(Boxes(limits::AfterConfirmedDay(TotalsOf("200305 -170 0 2"))), "-");
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                        QStringLiteral("Murel"));
        QCOMPARE(store.value("Limits/Told_Month").toInt(), 200305);
        QCOMPARE(store.value("Limits/Loss_Told").toInt(), 1);
        QCOMPARE(store.value("Limits/Days_Told").toInt(), 1);
        QCOMPARE(store.value("Limits/Invest_Told").toInt(), 0);
        QCOMPARE(limits::CurrentStatus(TotalsOf("200305 -170 0 2")),
                 QStringLiteral("今月の負け 170/300 (56%)、今月の稼働 2/4日 (50%)"));
        QCOMPARE(Boxes(limits::AfterConfirmedDay(TotalsOf("200306 -160 0 2"))), "L50,D50");
        QCOMPARE(store.value("Limits/Told_Month").toInt(), 200306);
        // The limits themselves are written by the window only.
        QCOMPARE(store.value("Limits/Loss").toInt(), 300);
    }

    void monthTotals()
    {
        m_fx.WriteLines({DataLine(20021205, 1, 0, 0, 12), DataLine(20030301, 0, 10, 30, -20),
                         DataLine(20030415, 0, 5, 8, -3), DataLine(20030420, 1, 0, 0, 7),
                         DataLine(20030421, -1, 0, 0, 0), DataLine(20030502, 0, 50, 40, 10)});
        CResultBook book(m_fx.DataPath());
        QVERIFY(book.LoadPeriod(200305, 1, 0)); // January to May 2003
        const std::optional<MonthTotals> april = MonthTotalsOf(book, 200304);
        QVERIFY(april);
        QCOMPARE(april->balance, 4);
        QCOMPARE(april->invested, 8);
        QCOMPARE(april->resultDays, 2);
        QVERIFY(!MonthTotalsOf(book, 200306));

        // From the file with the book's unsaved day over it, in the period or outside it.
        QVERIFY(book.EnterDay(20030416, EntryMethod::Balance, 0, 0, -50));
        QVERIFY(book.IsModified());
        MonthTotals read;
        QVERIFY(ReadMonthTotals(book, 200304, read));
        QCOMPARE(read.month, 200304);
        QCOMPARE(read.balance, -46);
        QCOMPARE(read.invested, 8);
        QCOMPARE(read.resultDays, 3);
        QVERIFY(ReadMonthTotals(book, 200212, read));
        QCOMPARE(read.month, 200212);
        QCOMPARE(read.balance, 12);
        QCOMPARE(read.resultDays, 1);
    }
};

QTEST_GUILESS_MAIN(TestLimits)
#include "tst_limits.moc"
