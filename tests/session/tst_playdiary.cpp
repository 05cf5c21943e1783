// Session changes through the play diary: each one's days written to the data file at once, a
// failed save's days carried by the next save or written at the next start, the database's copy
// in the day's backup holding the state before the day's first change, the import, sums too
// large for a line.
#include "PlayDiaryFixture.h"

#include <QSignalSpy>
#include <QTest>

#include <cerrno>

using namespace PlayDiaryTest;

class TestPlayDiary : public QObject
{
    Q_OBJECT

private slots:
    void changes_data();
    void changes();
    void failedSaveRetried_data();
    void failedSaveRetried();
    void dayBackupHoldsTheStateBeforeTheChange();
    void import();
    void sumsBeyondALine();
};

void TestPlayDiary::changes_data()
{
    // Steps on a database with one session on 2003/05/10 (invested 2, collected 3, as its line):
    // "add DAY INV COL", "move N DAY" (the N-th session, 0-based in id order), "delete N".
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("lines"); // DAY=METHOD/COL/INV of the days touched, after
    QTest::addColumn<QString>("told"); // days whose sessionsChanged was emitted
    QTest::newRow("add to a day with sessions") << "add 20030510 1 4"
                                                << "20030510=0/7/3"
                                                << "20030510";
    QTest::newRow("move to another day") << "move 0 20030512"
                                         << "20030510=0/3/2,20030512=0/3/2"
                                         << "20030510,20030512";
    QTest::newRow("move one of two") << "add 20030510 1 1;move 1 20030511"
                                     << "20030510=0/3/2,20030511=0/1/1"
                                     << "20030510,20030510,20030511";
    QTest::newRow("delete one of two") << "add 20030510 4 0;delete 0"
                                       << "20030510=0/0/4"
                                       << "20030510,20030510";
    // The last session goes: the day keeps its total as an ordinary day.
    QTest::newRow("delete the last") << "add 20030510 4 0;delete 1;delete 0"
                                     << "20030510=0/3/2"
                                     << "20030510,20030510,20030510";
}

void TestPlayDiary::changes()
{
    QFETCH(QString, steps);
    QFETCH(QString, lines);
    QFETCH(QString, told);
    Diary d;
    d.putSessions({Make(20030510, QStringLiteral("店"), 2, 3)});
    QCOMPARE(d.start(), QList<PlayNotice>());
    QSignalSpy spy(&d.plays(), &CPlayDiary::sessionsChanged);
    QList<qint64> ids{1};
    for (const QString &step : steps.split(QLatin1Char(';'))) {
        const QStringList w = step.split(QLatin1Char(' '));
        QString problem;
        if (w[0] == QLatin1String("add")) {
            PlaySession s = Make(w[1].toInt(), QStringLiteral("店"), w[2].toInt(), w[3].toInt());
            QVERIFY2(d.plays().Add(s, &problem), qPrintable(problem));
            ids.append(s.id);
        } else if (w[0] == QLatin1String("move")) {
            PlaySession s;
            bool found = false;
            QVERIFY(d.plays().Store().Session(ids[w[1].toInt()], &s, &found) && found);
            s.day = w[2].toInt();
            QVERIFY2(d.plays().Update(s, &problem), qPrintable(problem));
        } else {
            QVERIFY2(d.plays().Delete(ids[w[1].toInt()], &problem), qPrintable(problem));
        }
    }
    QStringList seen;
    for (const QString &line : lines.split(QLatin1Char(','))) {
        const int32_t date = line.left(8).toInt();
        const DayRecord r = d.line(date);
        seen << QStringLiteral("%1=%2/%3/%4")
                        .arg(date)
                        .arg(r.method)
                        .arg(r.collected)
                        .arg(r.invested);
        QCOMPARE(d.s().Book().Day(d.s().Book().IndexOf(date)).balance, r.balance); // shown at once
    }
    QCOMPARE(seen.join(QLatin1Char(',')), lines);
    QStringList emitted;
    for (const QList<QVariant> &signal : spy)
        emitted << signal.front().toString();
    QCOMPARE(emitted.join(QLatin1Char(',')), told);
    QCOMPARE(d.s().TakeReports(), QStringList());
    QVERIFY(!d.plays().HasUnsavedDays());
    d.close();
    QCOMPARE(d.pending(), QList<int32_t>());
}

void TestPlayDiary::failedSaveRetried_data()
{
    QTest::addColumn<QString>("retry");
    // The next session change writes its own day and the one left over, in one save.
    QTest::newRow("by the next change") << "change";
    // A typed day's save carries the left-over day.
    QTest::newRow("by a typed day") << "typed";
    // Nothing else is saved this run: the next start writes it.
    QTest::newRow("by the next start") << "start";
    // The next change fails too: both days wait, and the start writes them.
    QTest::newRow("failing again, then the start") << "again";
}

void TestPlayDiary::failedSaveRetried()
{
    QFETCH(QString, retry);
    Diary d;
    QCOMPARE(d.start(), QList<PlayNotice>());
    d.book->syncErrno = EIO;
    PlaySession s = Make(20030510, QStringLiteral("店"), 4, 9);
    QString problem;
    // The database holds the session: the change stands, the save's failure is told.
    QVERIFY(d.plays().Add(s, &problem));
    QCOMPARE(problem, QString());
    const QStringList reports = d.s().TakeReports();
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports.front().startsWith(CResultBook::SaveFailedText()), qPrintable(reports[0]));
    QCOMPARE(d.read(), kFile);
    QVERIFY(d.plays().HasUnsavedDays());
    QCOMPARE(d.plays().SessionsOfDay(20030510), QList<PlaySession>{s});

    if (retry == QLatin1String("again")) {
        PlaySession t = Make(20030511, QStringLiteral("店"), 1, 2);
        QVERIFY(d.plays().Add(t, &problem));
        QCOMPARE(d.s().TakeReports().size(), 1);
        QCOMPARE(d.read(), kFile);
    }
    d.book->syncErrno = 0;
    if (retry == QLatin1String("change")) {
        PlaySession t = Make(20030511, QStringLiteral("店"), 1, 2);
        QVERIFY(d.plays().Add(t, &problem));
    } else if (retry == QLatin1String("typed")) {
        QVERIFY(d.s().EnterDay(20030512, EntryMethod::Balance, 0, 0, 7));
    } else {
        d.close();
        QCOMPARE(d.read(), kFile);
        QCOMPARE(d.pending().isEmpty(), false);
        QCOMPARE(d.start(), QList<PlayNotice>()); // written, not told
    }
    QCOMPARE(d.s().TakeReports(), QStringList());
    QVERIFY(!d.plays().HasUnsavedDays());
    QCOMPARE(d.line(20030510), RecordOf(9, 4));
    if (retry == QLatin1String("change") || retry == QLatin1String("again"))
        QCOMPARE(d.line(20030511), RecordOf(2, 1));
    else
        QCOMPARE(d.line(20030511), (DayRecord{1, 0, 0, -5}));
    if (retry == QLatin1String("typed"))
        QCOMPARE(d.line(20030512), (DayRecord{1, 0, 0, 7}));
    d.close();
    QCOMPARE(d.pending(), QList<int32_t>());
}

// The day's first change backs up the data file and the database as they were before it.
void TestPlayDiary::dayBackupHoldsTheStateBeforeTheChange()
{
    Diary d;
    d.putSessions({Make(20030510, QStringLiteral("前日"), 2, 3)});
    QCOMPARE(d.start(), QList<PlayNotice>());
    PlaySession s = Make(20030512, QStringLiteral("当日"), 1, 1);
    QString problem;
    QVERIFY(d.plays().Add(s, &problem));
    PlaySession t = Make(20030512, QStringLiteral("当日"), 2, 2);
    QVERIFY(d.plays().Add(t, &problem));
    QCOMPARE(d.backups(),
             (QStringList{QStringLiteral("Murel1-20030512.Dat"),
                          QStringLiteral("Murel1-20030512.db")}));
    const QString copy = d.backupDir() + QStringLiteral("/Murel1-20030512.db");
    QCOMPARE(PlayTest::ReadBytes(d.backupDir() + QStringLiteral("/Murel1-20030512.Dat")), kFile);
    QCOMPARE(PlayTest::Cli(copy, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    QCOMPARE(PlayTest::Cli(copy, QStringLiteral("SELECT group_concat(store) FROM play_session")),
             QStringLiteral("前日"));
    // A complete file of its own: no log beside it, not in log mode.
    QCOMPARE(PlayTest::Cli(copy, QStringLiteral("PRAGMA journal_mode")), QStringLiteral("delete"));
    QCOMPARE(d.s().TakeReports(), QStringList());
}

// The import: backed up first, the sessions in one transaction, a day with sessions holding
// their sums whatever the given record says, other days as given, one save.
void TestPlayDiary::import()
{
    Diary d;
    d.putSessions({Make(20030510, QStringLiteral("元"), 2, 3)});
    QCOMPARE(d.start(), QList<PlayNotice>());
    const DayChange days[] = {{20030501, DayRecord{1, 0, 0, 9}},
                              {20030510, DayRecord{1, 0, 0, 50}},
                              {20030511, DayRecord{1, 0, 0, 60}}};
    QList<PlaySession> sessions{Make(20030510, QStringLiteral("新"), 10, 20),
                                Make(20030510, QStringLiteral("新"), 5, 0)};
    QString backup;
    QString problem;
    QVERIFY2(d.plays().Import(days, sessions, &backup, &problem), qPrintable(problem));
    QCOMPARE(backup, d.backupDir() + QStringLiteral("/Murel1-20030512.Dat"));
    QCOMPARE(PlayTest::ReadBytes(backup), kFile);
    QCOMPARE(d.read(),
             QByteArray("20030501,1,900,0,0,\r\n"
                        "20030510,0,600,2300,1700,\r\n"
                        "20030511,1,6000,0,0,\r\n"));
    QCOMPARE(sessions.size(), 2);
    QVERIFY(sessions[0].id > 0 && sessions[1].id > sessions[0].id);
    d.close();
    QCOMPARE(d.pending(), QList<int32_t>());
}

// Sums too large for the file's 32 bits of yen are saturated so that the line reads back as
// written: the next start finds nothing to repair.
void TestPlayDiary::sumsBeyondALine()
{
    Diary d;
    QList<PlaySession> many;
    for (int n = 0; n < 2200; ++n)
        many.append(Make(20030510, QStringLiteral("店"), 0, 9999));
    many.append(Make(20030511, QStringLiteral("店"), 9999, 0));
    d.putSessions(many, true);
    QCOMPARE(d.start(), QList<PlayNotice>());
    QVERIFY(d.read().contains("20030510,0,2147483600,2147483600,0,\r\n"));
    QCOMPARE(d.line(20030510), (DayRecord{0, 21474836, 0, 21474836}));
    QCOMPARE(d.s().Book().Day(d.s().Book().IndexOf(20030510)).balance, 21474836);
    QCOMPARE(d.start(), QList<PlayNotice>());
    QCOMPARE(d.s().TakeReports(), QStringList());
}

QTEST_GUILESS_MAIN(TestPlayDiary)
#include "tst_playdiary.moc"
