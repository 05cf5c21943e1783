// On random sessions written through the play store and a data file whose days with sessions
// hold their sums as the diary writes them: the 合計 row equals the sum of those days' lines read
// back from the file, the days without sessions are the other lines with a result, and every
// grouping splits the same total.
#include "data/ResultBook.h"
#include "data/YearReader.h"
#include "stats/SessionTable.h"

#include "stats/SessionFixture.h"

#include <QDate>
#include <QRandomGenerator>

#include <map>
#include <set>

namespace {

// Spaces of either width around a name, as a user may type them.
QString Padded(QRandomGenerator &rng, const QString &name)
{
    static const QString kPads[]
            = {QString(), QStringLiteral(" "), QStringLiteral("　"), QStringLiteral(" 　")};
    return kPads[rng.bounded(4)] + name + kPads[rng.bounded(4)];
}

PlaySession RandomSession(QRandomGenerator &rng, int32_t day)
{
    static const QString kStores[]
            = {QStringLiteral("A店"), QStringLiteral("ホール"), QStringLiteral("ホール 2")};
    static const QString kMachines[] = {QString(), QStringLiteral("海"), QStringLiteral("山 川")};
    PlaySession s;
    s.day = day;
    s.store = Padded(rng, kStores[rng.bounded(3)]);
    s.machine = Padded(rng, kMachines[rng.bounded(3)]);
    const int times = int(rng.bounded(10));
    if (times >= 3)
        s.startMinute = int(rng.bounded(PlaySession::kMinutesPerDay));
    if (times >= 4) // now and then the same time: a whole day
        s.endMinute = times == 9 ? s.startMinute : int(rng.bounded(PlaySession::kMinutesPerDay));
    s.invested = int32_t(rng.bounded(10000));
    s.collected = rng.bounded(3) == 0 ? 0 : int32_t(rng.bounded(10000));
    return s;
}

// Every day of the data file as the file says, read back through the year reader.
class FileDays : public CYearSink
{
public:
    void Begin() override { days.clear(); }
    void TakeYear(int year, std::span<const DayRecord> records) override
    {
        QDate date(year, 1, 1);
        for (const DayRecord &record : records) {
            if (record.HasResult())
                days[date.year() * 10000 + date.month() * 100 + date.day()] = record;
            date = date.addDays(1);
        }
    }
    std::map<int32_t, DayRecord> days;
};

// What the file says of the days from first to last: the sums of the days with sessions, and
// how many days with a result have none.
struct FromFile
{
    int64_t collected = 0;
    int64_t invested = 0;
    int64_t balance = 0;
    int daysWithout = 0;
};

FromFile Count(const FileDays &file, const std::set<int32_t> &sessionDays, int32_t first,
               int32_t last)
{
    FromFile sums;
    for (const auto &[date, record] : file.days) {
        if (date < first || date > last)
            continue;
        if (sessionDays.count(date) == 0) {
            ++sums.daysWithout;
            continue;
        }
        sums.collected += record.collected;
        sums.invested += record.invested;
        sums.balance += record.balance;
    }
    return sums;
}

// The key of a session in each grouping, from what was typed.
QString KeyOf(const PlaySession &s, SessionGrouping grouping)
{
    switch (grouping) {
    case SessionGrouping::Store:
        return s.store.trimmed();
    case SessionGrouping::Machine:
        return s.machine.trimmed();
    case SessionGrouping::Hour:
        return QString::number(s.startMinute < 0 ? 24 : s.startMinute / 60);
    }
    return QString();
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
        const int span = int(first.daysTo(QDate(2004, 12, 31)));
        auto randomDay = [&] {
            const QDate d = first.addDays(rng.bounded(span + 1));
            return d.year() * 10000 + d.month() * 100 + d.day();
        };

        QList<PlaySession> sessions;
        const int count = int(rng.bounded(120));
        for (int n = 0; n < count; ++n)
            sessions << RandomSession(rng, randomDay());
        std::set<int32_t> sessionDays;
        for (const PlaySession &s : std::as_const(sessions))
            sessionDays.insert(s.day);
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

        FileDays file;
        CYearReader reader(m_fx.DataPath());
        QVERIFY(reader.Read(file));

        CResultBook book(m_fx.DataPath());
        QVERIFY(book.LoadPeriod(200312, 1, 0));
        CPlayStore store(m_fx.DbPath());
        CSessionTable table(store, book);
        for (const SessionRange range : {SessionRange::AllYears, SessionRange::Period}) {
            const bool all = range == SessionRange::AllYears;
            const FromFile expected
                    = Count(file, sessionDays, all ? 0 : 20030101, all ? 99999999 : 20031231);
            int sessionsInRange = 0;
            for (const PlaySession &s : std::as_const(sessions))
                sessionsInRange += all || s.day / 10000 == 2003 ? 1 : 0;

            QVERIFY2(table.Load(range), qPrintable(table.Problem()));
            QCOMPARE(table.DaysWithoutSessions(), expected.daysWithout);
            for (const SessionGrouping grouping :
                 {SessionGrouping::Store, SessionGrouping::Machine, SessionGrouping::Hour}) {
                table.SetGrouping(grouping);
                const QList<ReportRow> rows = table.Rows();
                const QStringList total = rows.last().cells;
                QCOMPARE(total.at(sessiontable::Name), QStringLiteral("合計"));
                QCOMPARE(total.at(sessiontable::Sessions), QString::number(sessionsInRange));
                QCOMPARE(total.at(sessiontable::Amounts),
                         QStringLiteral("%1/%2").arg(expected.collected).arg(expected.invested));
                QCOMPARE(total.at(sessiontable::Balance), QString::number(expected.balance));

                // The rows split the total, one row per name as typed without its spaces.
                std::map<QString, int64_t> balances;
                for (const PlaySession &s : std::as_const(sessions)) {
                    if (all || s.day / 10000 == 2003)
                        balances[KeyOf(s, grouping)] += s.collected - s.invested;
                }
                const std::vector<SessionFigures> &figures = table.Totals().Rows(grouping);
                QCOMPARE(figures.size(), balances.size());
                SessionFigures sum;
                for (const SessionFigures &row : figures) {
                    const QString key = grouping == SessionGrouping::Hour
                            ? QString::number(row.hour)
                            : row.name;
                    QCOMPARE(row.Balance(), balances[key]);
                    sum.Add(row);
                }
                QCOMPARE(sum, table.Totals().Total());
                QCOMPARE(rows.size(), qsizetype(figures.size()) + 1);
            }
        }
    }
};

QTEST_MAIN(TestSessionTableProperty)
#include "tst_sessiontable_property.moc"
