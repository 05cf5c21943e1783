#include "data/ResultBook.h"
#include "stats/SessionTable.h"

#include "stats/SessionFixture.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kTotalZero = QStringLiteral("合計|0|0/0|-|0|-|0:00|-");

SessionFigures Row(const char16_t *name, int64_t sessions, int64_t collected, int64_t invested,
                   int64_t wins, int64_t timedMinutes, int64_t timedBalance)
{
    SessionFigures row;
    row.name = QString::fromUtf16(name);
    row.sessions = sessions;
    row.collected = collected;
    row.invested = invested;
    row.wins = wins;
    row.timedSessions = timedMinutes > 0 ? 1 : 0;
    row.timedMinutes = timedMinutes;
    row.timedBalance = timedBalance;
    return row;
}

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
    void order_data();
    void order();
    void clickedHeadings();
    void daysWithoutSessions();
    void sessionsJustSavedByTheSameStore();
    void unpackableValueReadThroughStore();
    void unusableDatabase();
    void unreadableDataFile();
    void csv();
    void csvFailure();
    void exportWithStoredChoices();
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
    QTest::newRow("no sessions by hour") << QList<PlaySession>{} << QString()
                                         << SessionGrouping::Hour << QStringList{kTotalZero};
    const QList<PlaySession> untimed
            = {S(d, "A", "M", "", "", 10, 30), S(d + 1, "A", "M", "", "", 20, 5)};
    QTest::newRow("without times")
            << untimed << QString() << SessionGrouping::Store
            << QStringList{"A|2|35/30|117%|5|50%|0:00|-", "合計|2|35/30|117%|5|50%|0:00|-"};
    QTest::newRow("without times by hour")
            << untimed << QString() << SessionGrouping::Hour
            << QStringList{"時刻なし|2|35/30|117%|5|50%|0:00|-", "合計|2|35/30|117%|5|50%|0:00|-"};
    QTest::newRow("past midnight") << QList<PlaySession>{S(d, "B", "M1", "22:00", "2:00", 10, 20)}
                                   << QString() << SessionGrouping::Hour
                                   << QStringList{"22時|1|20/10|200%|10|100%|4:00|250",
                                                  "合計|1|20/10|200%|10|100%|4:00|250"};
    QTest::newRow("equal times are a whole day")
            << QList<PlaySession>{S(d, "C", "M", "10:00", "10:00", 0, 24)} << QString()
            << SessionGrouping::Store
            << QStringList{"C|1|24/0|-%|24|100%|24:00|100", "合計|1|24/0|-%|24|100%|24:00|100"};
    QTest::newRow("start without an end")
            << QList<PlaySession>{S(d, "A", "X", "9:15", "", 5, 5)} << QString()
            << SessionGrouping::Hour
            << QStringList{"9時|1|5/5|100%|0|0%|0:00|-", "合計|1|5/5|100%|0|0%|0:00|-"};
    // The store trims what is typed; the table compares what it holds exactly.
    const QList<PlaySession> spaced
            = {S(d, QStringLiteral("Ａ店"), QStringLiteral("海物語"), "", "", 10, 15),
               S(d + 1, QStringLiteral("　Ａ店 "), QStringLiteral(" 海物語"), "", "", 10, 0)};
    QTest::newRow("names typed with spaces")
            << spaced << QString() << SessionGrouping::Store
            << QStringList{"Ａ店|2|15/20|75%|-5|50%|0:00|-", "合計|2|15/20|75%|-5|50%|0:00|-"};
    QTest::newRow("machines typed with spaces")
            << spaced << QString() << SessionGrouping::Machine
            << QStringList{"海物語|2|15/20|75%|-5|50%|0:00|-", "合計|2|15/20|75%|-5|50%|0:00|-"};
    QTest::newRow("names edited with spaces, and a space inside")
            << QList<PlaySession>{S(d, QStringLiteral("Ａ店"), "", "", "", 10, 30),
                                  S(d + 1, QStringLiteral("Ａ店"), "", "", "", 10, 0),
                                  S(d + 2, QStringLiteral("Ａ 店"), "", "", "", 0, 5)}
            << QStringLiteral("UPDATE play_session SET store = '　Ａ店 ', machine = ' ' WHERE day "
                              "= 20030513")
            << SessionGrouping::Store
            << QStringList{"Ａ店|2|30/20|150%|10|50%|0:00|-", "Ａ 店|1|5/0|-%|5|100%|0:00|-",
                           "合計|3|35/20|175%|15|67%|0:00|-"};
    QTest::newRow("a machine of spaces edited in is the empty machine")
            << QList<PlaySession>{S(d, "A", "", "", "", 10, 30), S(d + 1, "A", "X", "", "", 10, 0)}
            << QStringLiteral("UPDATE play_session SET machine = '　' WHERE day = 20030513")
            << SessionGrouping::Machine
            << QStringList{"(なし)|2|30/20|150%|10|50%|0:00|-", "合計|2|30/20|150%|10|50%|0:00|-"};
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
    QTest::newRow("equal balances by hour, no time last")
            << QList<PlaySession>{S(d, "A", "X", "23:00", "23:30", 10, 10),
                                  S(d, "A", "X", "", "", 10, 10),
                                  S(d + 1, "A", "X", "0:10", "1:00", 10, 10)}
            << QString() << SessionGrouping::Hour
            << QStringList{"0時|1|10/10|100%|0|0%|0:50|0", "23時|1|10/10|100%|0|0%|0:30|0",
                           "時刻なし|1|10/10|100%|0|0%|0:00|-", "合計|3|30/30|100%|0|0%|1:20|0"};
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

void TestSessionTable::order_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("descending");
    QTest::addColumn<QString>("names");
    // 甲 300% +20 1/3 1:00 2000円; 乙 no amounts; 丙 125% +10 2/2 2:00 1500円;
    // 丁 25% -30 1/2 0:30 -6000円. Names by code point: 丁 丙 乙 甲.
    QTest::newRow("name") << int(sessiontable::Name) << false << QStringLiteral("丁丙乙甲");
    QTest::newRow("name reversed") << int(sessiontable::Name) << true << QStringLiteral("甲乙丙丁");
    QTest::newRow("sessions, ties by name")
            << int(sessiontable::Sessions) << true << QStringLiteral("甲丁丙乙");
    QTest::newRow("sessions rising, ties by name")
            << int(sessiontable::Sessions) << false << QStringLiteral("乙丁丙甲");
    QTest::newRow("collected") << int(sessiontable::Amounts) << true << QStringLiteral("丙甲丁乙");
    QTest::newRow("rate, none lowest")
            << int(sessiontable::Rate) << true << QStringLiteral("甲丙丁乙");
    QTest::newRow("rate rising") << int(sessiontable::Rate) << false << QStringLiteral("乙丁丙甲");
    QTest::newRow("balance") << int(sessiontable::Balance) << true << QStringLiteral("甲丙乙丁");
    QTest::newRow("balance rising")
            << int(sessiontable::Balance) << false << QStringLiteral("丁乙丙甲");
    QTest::newRow("win rate") << int(sessiontable::WinRate) << true << QStringLiteral("丙丁甲乙");
    QTest::newRow("play time") << int(sessiontable::PlayTime) << true << QStringLiteral("丙甲丁乙");
    QTest::newRow("hourly, none lowest")
            << int(sessiontable::Hourly) << true << QStringLiteral("甲丙丁乙");
    QTest::newRow("hourly rising")
            << int(sessiontable::Hourly) << false << QStringLiteral("乙丁丙甲");
}

void TestSessionTable::order()
{
    QFETCH(int, column);
    QFETCH(bool, descending);
    QFETCH(QString, names);
    std::vector<SessionFigures> rows
            = {Row(u"乙", 1, 0, 0, 0, 0, 0), Row(u"甲", 3, 30, 10, 1, 60, 20),
               Row(u"丁", 2, 10, 40, 1, 30, -30), Row(u"丙", 2, 50, 40, 2, 120, 30)};
    sessiontable::Sort(rows, SessionGrouping::Store, {sessiontable::Column(column), descending});
    QString order;
    for (const SessionFigures &row : rows)
        order += row.name;
    QCOMPARE(order, names);
    // Whatever the order, 合計 comes last.
    const QList<ReportRow> table = sessiontable::TableRows(rows, Row(u"", 8, 90, 90, 4, 210, 20),
                                                           SessionGrouping::Store);
    QCOMPARE(table.size(), 5);
    QCOMPARE(table.last().cells.first(), QStringLiteral("合計"));
    QCOMPARE(table.last().key, 0);
}

void TestSessionTable::clickedHeadings()
{
    using sessiontable::Order;
    const Order start;
    QCOMPARE(start, (Order{sessiontable::Balance, true}));
    QCOMPARE(start.Clicked(sessiontable::Balance), (Order{sessiontable::Balance, false}));
    QCOMPARE(start.Clicked(sessiontable::Balance).Clicked(sessiontable::Balance), start);
    QCOMPARE(start.Clicked(sessiontable::Name), (Order{sessiontable::Name, false}));
    QCOMPARE(start.Clicked(sessiontable::Name).Clicked(sessiontable::Name),
             (Order{sessiontable::Name, true}));
    QCOMPARE(start.Clicked(sessiontable::Balance).Clicked(sessiontable::Hourly),
             (Order{sessiontable::Hourly, true}));
    QCOMPARE(start.Clicked(-1), start);
    QCOMPARE(start.Clicked(sessiontable::ColumnCount), start);
}

// Days with a result and no sessions are not counted but told, in the period and in every year,
// with a day entered and not saved yet as the book holds it.
void TestSessionTable::daysWithoutSessions()
{
    m_fx.Add({Session(20030105, "A", "X", "", "", 10, 20),
              Session(20030106, "A", "X", "", "", 5, 0),
              Session(20020301, "B", "X", "", "", 1, 1)});
    m_fx.WriteDataFile({DataLine(20020302, 1, 0, 0, 30), DataLine(20030107, 0, 40, 10, 30),
                        DataLine(20030108, -1, 0, 0, 0), DataLine(20040101, 0, 1, 2, -1)});
    CResultBook book(m_fx.DataPath());
    QVERIFY(book.LoadPeriod(200312, 1, 0));
    QVERIFY(book.EnterDay(20030301, EntryMethod::Balance, 0, 0, -20));
    CPlayStore store(m_fx.DbPath());
    CSessionTable table(store, book);
    QVERIFY(table.Load(SessionRange::Period));
    QCOMPARE(table.DaysWithoutSessions(), 2); // 2003/01/07 and the unsaved 2003/03/01
    QCOMPARE(table.Note(), QStringLiteral("セッションのない日: 2日 (集計に含まれません)"));
    QCOMPARE(Texts(table.Rows()).last(), QStringLiteral("合計|2|20/15|133%|5|50%|0:00|-"));
    QVERIFY(table.Load(SessionRange::AllYears));
    QCOMPARE(table.DaysWithoutSessions(), 4);
    QCOMPARE(Texts(table.Rows()).last(), QStringLiteral("合計|3|21/16|131%|5|33%|0:00|-"));
    QCOMPARE(table.Note(), QStringLiteral("セッションのない日: 4日 (集計に含まれません)"));
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

// Every year needs the data file; the sessions are shown all the same.
void TestSessionTable::unreadableDataFile()
{
    m_fx.Add({Session(20030105, "A", "X", "", "", 10, 20)});
    QVERIFY(QDir().mkdir(m_fx.DataPath()));
    CResultBook book(m_fx.DataPath());
    CPlayStore store(m_fx.DbPath());
    CSessionTable table(store, book);
    QVERIFY(table.Load(SessionRange::AllYears));
    QCOMPARE(table.DaysWithoutSessions(), -1);
    QVERIFY2(table.Note().contains(QDir::toNativeSeparators(m_fx.DataPath())),
             qPrintable(table.Note()));
    QCOMPARE(Texts(table.Rows()).first(), QStringLiteral("A|1|20/10|200%|10|100%|0:00|-"));
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
    // In the order shown.
    table.SetOrder({sessiontable::Name, true});
    QCOMPARE(table.WriteCsv(path), QString());
    QVERIFY(PlayTest::ReadBytes(path).contains("時給\r\nホール,"));
}

void TestSessionTable::csvFailure()
{
    const QString path = m_fx.FilePath(QStringLiteral("missing/table.csv"));
    const QString message = sessiontable::WriteCsv({}, path);
    QVERIFY2(message.startsWith(QStringLiteral("CSVファイルの保存に失敗しました。\n")),
             qPrintable(message));
    QVERIFY(message.contains(QStringLiteral("table.csv")));
    QVERIFY(!QFile::exists(path));
}

// What the CSV scope dialog writes: the grouping and range last chosen in the window.
void TestSessionTable::exportWithStoredChoices()
{
    m_fx.Add({Session(20020105, "A", "X", "", "", 10, 30),
              Session(20030106, "A", "Y", "", "", 5, 0)});
    CResultBook book(m_fx.DataPath());
    QVERIFY(book.LoadPeriod(200312, 1, 0));
    CPlayStore store(m_fx.DbPath());
    const QString path = m_fx.FilePath(QStringLiteral("table.csv"));
    QCOMPARE(ExportSessionTable(store, book, path), QString());
    QCOMPARE(PlayTest::ReadBytes(path).split('\n').mid(1),
             QByteArrayList({"A,1,0/5,0%,-5,0%,0:00,-\r",
                             QByteArray("合計,1,0/5,0%,-5,0%,0:00,-\r"), ""}));
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                       QStringLiteral("Murel"));
    settings.setValue(QStringLiteral("SessionTable/Grouping"), 1);
    settings.setValue(QStringLiteral("SessionTable/Range"), 1);
    settings.sync();
    QCOMPARE(ExportSessionTable(store, book, path), QString());
    QCOMPARE(PlayTest::ReadBytes(path).split('\n').mid(1),
             QByteArrayList({"X,1,30/10,300%,20,100%,0:00,-\r", "Y,1,0/5,0%,-5,0%,0:00,-\r",
                             QByteArray("合計,2,30/15,200%,15,50%,0:00,-\r"), ""}));
}

QTEST_MAIN(TestSessionTable)
#include "tst_sessiontable.moc"
