// On random sessions written through the play store and a data file whose days with sessions
// hold their sums as the diary writes them: the 合計 row equals the sum of those days' lines read
// back from the file, the days without sessions are the other lines with a result, and every
// grouping splits the same total.
#include "data/ResultBook.h"
#include "stats/SessionTable.h"

#include "common/RandomDataFile.h"
#include "stats/SessionFixture.h"

#include <QDate>
#include <QRandomGenerator>

#include <map>
#include <set>

namespace {

PlaySession RandomSession(QRandomGenerator &rng, int32_t day)
{
    static const QString kStores[] = {"A店", "ホール", "ホール 2"};
    static const QString kMachines[] = {"", "海", "山 川"};
    PlaySession s;
    s.day = day;
    s.store = kStores[rng.bounded(3)];
    s.machine = kMachines[rng.bounded(3)];
    const int times = int(rng.bounded(10));
    if (times >= 3)
        s.startMinute = int(rng.bounded(PlaySession::kMinutesPerDay));
    if (times >= 4) // now and then the same time: a whole day
        s.endMinute = times == 9 ? s.startMinute : int(rng.bounded(PlaySession::kMinutesPerDay));
    s.invested = int32_t(rng.bounded(10000));
    s.collected = rng.bounded(3) == 0 ? 0 : int32_t(rng.bounded(10000));
    return s;
}

} // namespace

class TestSessionTableProperty : public QObject
{
    Q_OBJECT
private:
    SessionFixture m_fx;

private slots:
    void init() { m_fx.Init(); }

    void totalEqualsTheDataFile_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 12; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    void totalEqualsTheDataFile()
    {
        QFETCH(quint32, seed);
        QRandomGenerator rng(seed);
        const QDate first(2002, 1, 1);
        auto randomDay = [&] {
            const QDate d = first.addDays(rng.bounded(3 * 365));
            return d.year() * 10000 + d.month() * 100 + d.day();
        };
        QList<PlaySession> sessions;
        std::set<int32_t> sessionDays;
        for (int n = int(rng.bounded(120)); n > 0; --n) {
            sessions << RandomSession(rng, randomDay());
            sessionDays.insert(sessions.last().day);
        }
        QStringList otherLines;
        std::set<int32_t> otherDays;
        for (int n = int(rng.bounded(40)); n > 0; --n) {
            const int32_t day = randomDay();
            if (sessionDays.count(day) || !otherDays.insert(day).second)
                continue;
            const int method = int(rng.bounded(3)) - 1;
            const int collected = method == 0 ? int(rng.bounded(500)) : 0;
            const int invested = method == 0 ? int(rng.bounded(500)) : 0;
            const int balance = method == 1 ? int(rng.bounded(1000)) - 500 : collected - invested;
            otherLines << DataLine(day, method, collected, invested, balance);
        }
        if (!sessions.isEmpty())
            m_fx.Add(sessions);
        m_fx.WriteDataFile(otherLines);
        // The data file's days, as the file says.
        const std::map<int, ModelDay> file = ModelDays(PlayTest::ReadBytes(m_fx.DataPath()));

        CResultBook book(m_fx.DataPath());
        QVERIFY(book.LoadPeriod(200312, 1, 0));
        CPlayStore store(m_fx.DbPath());
        CSessionTable table(store, book);
        for (const SessionRange range : {SessionRange::AllYears, SessionRange::Period}) {
            const bool all = range == SessionRange::AllYears;
            int64_t collected = 0;
            int64_t invested = 0;
            int64_t balance = 0;
            int daysWithout = 0;
            for (const auto &[date, record] : file) {
                if (record.method == -1 || (!all && date / 10000 != 2003))
                    continue;
                if (sessionDays.count(date) == 0) {
                    ++daysWithout;
                    continue;
                }
                collected += record.collected;
                invested += record.invested;
                balance += record.balance;
            }
            const auto inRange = std::count_if(sessions.begin(), sessions.end(), [&](auto &s) {
                return all || s.day / 10000 == 2003;
            });

            QVERIFY2(table.Load(range), qPrintable(table.Problem()));
            QCOMPARE(table.DaysWithoutSessions(), daysWithout);
            for (const SessionGrouping grouping :
                 {SessionGrouping::Store, SessionGrouping::Machine, SessionGrouping::Hour}) {
                table.SetGrouping(grouping);
                const QList<ReportRow> rows = table.Rows();
                const QStringList total = rows.last().cells;
                QCOMPARE(total.at(sessiontable::Name), QStringLiteral("合計"));
                QCOMPARE(total.at(sessiontable::Sessions), QString::number(inRange));
                QCOMPARE(total.at(sessiontable::Amounts),
                         QStringLiteral("%1/%2").arg(collected).arg(invested));
                QCOMPARE(total.at(sessiontable::Balance), QString::number(balance));
                // The rows split the total.
                SessionFigures sum;
                for (const SessionFigures &row : table.Totals().Rows(grouping))
                    sum.Add(row);
                QCOMPARE(sum, table.Totals().Total());
            }
        }
    }
};

QTEST_MAIN(TestSessionTableProperty)
#include "tst_sessiontable_property.moc"
