#include "data/ResultBook.h"
#include "stats/SessionTable.h"

#include "stats/SessionFixture.h"

#include <QFileInfo>

namespace {

const QString kTotalZero = QStringLiteral("合計|0|0/0|-|0|-|0:00|-");

} // namespace

class TestSessionTable : public QObject
{
    Q_OBJECT
private:
    SessionFixture m_fx;

    // The table of every year for the grouping, from the fixture's folder.
    QStringList Table(SessionGrouping grouping, SessionRange range = SessionRange::AllYears)
    {
        CResultBook book(m_fx.DataPath());
        book.LoadPeriod(200312, 1, 0);
        CPlayStore store(m_fx.DbPath());
        CSessionTable table(store, book);
        table.SetGrouping(grouping);
        if (!table.Load(range))
            return {QStringLiteral("<failed: %1>").arg(table.Problem())};
        return Texts(table.Rows());
    }

private slots:
    void init() { m_fx.Init(); }

    void edgeCases_data();
    void edgeCases();
    void sessionsJustSavedByTheSameStore();
    void unpackableValueReadThroughStore();
    void unusableDatabase();
    void csv();
};

Q_DECLARE_METATYPE(SessionGrouping)

// Each case in the default order, highest 収支 first; counted by hand.
void TestSessionTable::edgeCases_data()
{
    QTest::addColumn<QList<PlaySession>>("sessions");
    QTest::addColumn<QString>("edit"); // SQL run on the database afterwards, as by hand
    QTest::addColumn<SessionGrouping>("grouping");
    QTest::addColumn<QStringList>("rows");
    const auto S = Session;
    const int d = 20030512;

    QTest::newRow("no sessions") << QList<PlaySession>{} << QString() << SessionGrouping::Store
                                 << QStringList{kTotalZero};
    const QList<PlaySession> untimed
            = {S(d, "A", "M", "", "", 10, 30), S(d + 1, "A", "M", "", "", 20, 5)};
    QTest::newRow("without times")
            << untimed << QString() << SessionGrouping::Store
            << QStringList{"A|2|35/30|117%|5|50%|0:00|-", "合計|2|35/30|117%|5|50%|0:00|-"};
    QTest::newRow("past midnight") << QList<PlaySession>{S(d, "B", "M1", "22:00", "2:00", 10, 20)}
                                   << QString() << SessionGrouping::Hour
                                   << QStringList{"22時|1|20/10|200%|10|100%|4:00|250",
                                                  "合計|1|20/10|200%|10|100%|4:00|250"};
    QTest::newRow("equal times are a whole day")
            << QList<PlaySession>{S(d, "C", "M", "10:00", "10:00", 0, 24)} << QString()
            << SessionGrouping::Store
            << QStringList{"C|1|24/0|-%|24|100%|24:00|100", "合計|1|24/0|-%|24|100%|24:00|100"};
    // The store trims what is typed; the table compares what it holds exactly.
    const QList<PlaySession> spaced
            = {S(d, QStringLiteral("Ａ店"), QStringLiteral("海物語"), "", "", 10, 15),
               S(d + 1, QStringLiteral("　Ａ店 "), QStringLiteral(" 海物語"), "", "", 10, 0)};
    QTest::newRow("names typed with spaces")
            << spaced << QString() << SessionGrouping::Store
            << QStringList{"Ａ店|2|15/20|75%|-5|50%|0:00|-", "合計|2|15/20|75%|-5|50%|0:00|-"};
    QTest::newRow("names edited with spaces, and a space inside")
            << QList<PlaySession>{S(d, QStringLiteral("Ａ店"), "", "", "", 10, 30),
                                  S(d + 1, QStringLiteral("Ａ店"), "", "", "", 10, 0),
                                  S(d + 2, QStringLiteral("Ａ 店"), "", "", "", 0, 5)}
            << QStringLiteral("UPDATE play_session SET store = '　Ａ店 ', machine = ' ' WHERE day "
                              "= 20030513")
            << SessionGrouping::Store
            << QStringList{"Ａ店|2|30/20|150%|10|50%|0:00|-", "Ａ 店|1|5/0|-%|5|100%|0:00|-",
                           "合計|3|35/20|175%|15|67%|0:00|-"};
    QTest::newRow("empty machine") << QList<PlaySession>{S(d, "A", "", "9:00", "10:30", 10, 13)}
                                   << QString() << SessionGrouping::Machine
                                   << QStringList{"(なし)|1|13/10|130%|3|100%|1:30|200",
                                                  "合計|1|13/10|130%|3|100%|1:30|200"};
    QTest::newRow("hourly rate rounds half away from zero")
            << QList<PlaySession>{S(d, "A", "X", "9:00", "9:32", 1, 0),
                                  S(d + 1, "B", "Y", "9:00", "9:32", 0, 1)}
            << QString() << SessionGrouping::Store
            << QStringList{"B|1|1/0|-%|1|100%|0:32|188", "A|1|0/1|0%|-1|0%|0:32|-188",
                           "合計|2|1/1|100%|0|50%|1:04|0"};
    QTest::newRow("hourly rate from the timed sessions only")
            << QList<PlaySession>{S(d, "A", "X", "10:00", "11:00", 0, 10),
                                  S(d + 1, "A", "X", "", "", 50, 0)}
            << QString() << SessionGrouping::Store
            << QStringList{"A|2|10/50|20%|-40|50%|1:00|1000", "合計|2|10/50|20%|-40|50%|1:00|1000"};
}

void TestSessionTable::edgeCases()
{
    QFETCH(QList<PlaySession>, sessions);
    QFETCH(QString, edit);
    QFETCH(SessionGrouping, grouping);
    QFETCH(QStringList, rows);
    if (!sessions.isEmpty())
        m_fx.Add(sessions);
    if (!edit.isEmpty())
        m_fx.Sql(edit);
    QCOMPARE(Table(grouping), rows);
    // The loaded period, 2003, holds every one of these days.
    QCOMPARE(Table(grouping, SessionRange::Period), rows);
}

// The diary's store keeps its connection, and its last changes may still be in the write-ahead
// log: the table's own connection reads them all the same, and never writes.
void TestSessionTable::sessionsJustSavedByTheSameStore()
{
    m_fx.Add({Session(20030105, "A", "X", "", "", 10, 20)});
    CResultBook book(m_fx.DataPath());
    QVERIFY(book.LoadPeriod(200312, 1, 0));
    CPlayStore store(m_fx.DbPath());
    QVERIFY(store.Check());
    PlaySession added = Session(20030106, "B", "Y", "21:00", "1:30", 3, 9);
    QVERIFY(store.Add(added));
    QVERIFY(QFileInfo(m_fx.DbPath() + QStringLiteral("-wal")).size() > 0);
    const QByteArray before = PlayTest::ReadBytes(m_fx.DbPath());
    CSessionTable table(store, book);
    table.SetGrouping(SessionGrouping::Hour);
    QVERIFY(table.Load(SessionRange::Period));
    QCOMPARE(Texts(table.Rows()),
             QStringList({"時刻なし|1|20/10|200%|10|100%|0:00|-", "21時|1|9/3|300%|6|100%|4:30|133",
                          "合計|2|29/13|223%|16|100%|4:30|133"}));
    QCOMPARE(PlayTest::ReadBytes(m_fx.DbPath()), before);
    // The store goes on as before.
    PlaySession more = Session(20030107, "B", "Y", "", "", 1, 0);
    QVERIFY2(store.Add(more), qPrintable(store.LastError()));
}

// An amount edited into the database as a fraction cannot be read in one number: the table
// reads through the store then and still equals the day's sums the store gives.
void TestSessionTable::unpackableValueReadThroughStore()
{
    m_fx.Add({Session(20030105, "A", "X", "", "", 10, 20),
              Session(20030106, "B", "X", "", "", 5, 0)});
    m_fx.Sql(QStringLiteral("UPDATE play_session SET invested = 5.5 WHERE day = 20030106"));
    CPlayStore store(m_fx.DbPath());
    QList<PlayDaySums> sums;
    QVERIFY(store.AllDaySums(&sums));
    QCOMPARE(sums.size(), 2);
    CResultBook book(m_fx.DataPath());
    CSessionTable table(store, book);
    QVERIFY(table.Load(SessionRange::AllYears));
    const SessionFigures &total = table.Totals().Total();
    QCOMPARE(total.sessions, 2);
    QCOMPARE(total.collected, sums[0].collected + sums[1].collected);
    QCOMPARE(total.invested, sums[0].invested + sums[1].invested);
    QCOMPARE(table.Totals().SessionDays(), (std::vector<int32_t>{20030105, 20030106}));
}

void TestSessionTable::unusableDatabase()
{
    m_fx.WriteDataFile({DataLine(20030107, 0, 40, 10, 30)});
    QVERIFY(PlayTest::WriteBytes(m_fx.DbPath(), QByteArray(4096, 'x')));
    CResultBook book(m_fx.DataPath());
    QVERIFY(book.LoadPeriod(200312, 1, 0));
    CPlayStore store(m_fx.DbPath());
    CSessionTable table(store, book);
    QVERIFY(!table.Load(SessionRange::Period));
    QVERIFY2(table.Note().startsWith(QStringLiteral("稼働記録のデータベースを開けません。")),
             qPrintable(table.Note()));
    QCOMPARE(table.DaysWithoutSessions(), -1); // unknown, not every day
    QCOMPARE(Texts(table.Rows()), QStringList{kTotalZero});
    QCOMPARE(PlayTest::ReadBytes(m_fx.DbPath()), QByteArray(4096, 'x'));
}

void TestSessionTable::csv()
{
    m_fx.Add({Session(20030105, QStringLiteral("A,\"B\""), "X", "9:00", "10:00", 10, 30),
              Session(20030106, QStringLiteral("ホール"), "X", "", "", 5, 0)});
    CResultBook book(m_fx.DataPath());
    CPlayStore store(m_fx.DbPath());
    CSessionTable table(store, book);
    QVERIFY(table.Load(SessionRange::AllYears));
    const QString path = m_fx.FilePath(QStringLiteral("table.csv"));
    QCOMPARE(table.WriteCsv(path), QString());
    QCOMPARE(PlayTest::ReadBytes(path),
             QByteArray("\xEF\xBB\xBF"
                        "名前,稼働数,回収/投資,回収率,収支,勝率,稼働時間,時給\r\n"
                        "\"A,\"\"B\"\"\",1,30/10,300%,20,100%,1:00,2000\r\n"
                        "ホール,1,0/5,0%,-5,0%,0:00,-\r\n"
                        "合計,2,30/15,200%,15,50%,1:00,2000\r\n"));
}

QTEST_MAIN(TestSessionTable)
#include "tst_sessiontable.moc"
