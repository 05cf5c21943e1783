// Times the totals by store, machine and starting hour on 100,000 sessions over 20 years, with a
// data file that holds their days' sums and some days without sessions:
//   - opening on every year: the sessions read once (all three groupings), the days without
//     sessions counted through the year reader, the rows sorted and their texts made;
//   - switching the grouping on what was read;
//   - the same two through the window itself, on the offscreen platform;
// and, for comparison, a GROUP BY in SQL for each grouping (what the window would do instead of
// reading once), and the reading through the play store's own visit of every session. Medians of
// seven runs taken in turns, wall and processor time.
//
// Usage: bench_sessiontable [directory]   (default: the current directory; files are removed)
#include "data/ResultBook.h"
#include "dialogkit/ReportList.h"
#include "play/PlayStore.h"
#include "stats/SessionTable.h"
#include "tools/SessionTableDlg.h"

#include "common/Measure.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <set>

namespace {

constexpr int kSessions = 100000;
constexpr int kFirstYear = 2005;
constexpr int kYears = 20;
constexpr int kRuns = 7;
constexpr int kDaysWithoutSessions = 500;

int Key(const QDate &date)
{
    return date.year() * 10000 + date.month() * 100 + date.day();
}

// As the play store's benchmark makes them: 40 stores, 300 machines, a tenth without times.
PlaySession RandomSession(QRandomGenerator &rng, int day)
{
    PlaySession s;
    s.day = day;
    s.store = QStringLiteral("ホール%1").arg(rng.bounded(40));
    s.machine = QStringLiteral("機種%1").arg(rng.bounded(300));
    if (rng.bounded(10) != 0) {
        s.startMinute = rng.bounded(9 * 60, 22 * 60);
        s.endMinute = (s.startMinute + rng.bounded(30, 12 * 60)) % PlaySession::kMinutesPerDay;
    }
    s.invested = rng.bounded(0, 1000);
    s.collected = rng.bounded(0, 2000);
    if (rng.bounded(4) == 0)
        s.memo = QStringLiteral("朝イチから。\n設定は%1かな。").arg(rng.bounded(1, 7));
    return s;
}

// The sessions, then a data file with their days' sums and days without sessions between them.
void Fill(const QString &dataPath)
{
    CPlayStore store(CPlayStore::PathFor(dataPath));
    QRandomGenerator rng(kFirstYear);
    const QDate first(kFirstYear, 1, 1);
    const qint64 days = first.daysTo(QDate(kFirstYear + kYears, 1, 1));
    // Every day of 20 years has some of 100,000 sessions unless some days are kept free.
    std::set<int> free;
    while (int(free.size()) < kDaysWithoutSessions)
        free.insert(Key(first.addDays(rng.bounded(days))));
    QList<int> keys;
    while (keys.size() < kSessions) {
        const int day = Key(first.addDays(rng.bounded(days)));
        if (free.count(day) == 0)
            keys.append(day);
    }
    std::sort(keys.begin(), keys.end());
    QList<PlaySession> sessions;
    for (int n = 0; n < kSessions; ++n)
        sessions.append(RandomSession(rng, keys[n]));
    QList<PlayDaySums> sums;
    if (!store.AddAll(sessions) || !store.AllDaySums(&sums))
        qFatal("%s", qPrintable(store.LastError()));

    std::map<int, QByteArray> lines;
    for (const PlayDaySums &day : sums) {
        const qint64 balance = day.collected - day.invested;
        lines[day.day] = QByteArray::number(day.day) + ",0," + QByteArray::number(balance * 100)
                + "," + QByteArray::number(day.collected * 100) + ","
                + QByteArray::number(day.invested * 100) + ",\r\n";
    }
    for (const int day : free)
        lines[day] = QByteArray::number(day) + ",1,-3000,0,0,\r\n";
    QFile file(dataPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the data file");
    for (const auto &line : lines)
        file.write(line.second);
}

struct Times
{
    std::vector<double> wall;
    std::vector<double> processor;

    void Take(const std::function<void()> &work)
    {
        QElapsedTimer timer;
        timer.start();
        const std::clock_t start = std::clock();
        work();
        processor.push_back(double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC);
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    void Print(const char *what) const
    {
        std::printf("%s = %.3f ms\n", what, MedianOf(wall));
        std::printf("  (processor %.3f ms)\n", MedianOf(processor));
    }
};

const char *const kGroupingNames[] = {"store", "machine", "hour"};
const SessionGrouping kGroupings[]
        = {SessionGrouping::Store, SessionGrouping::Machine, SessionGrouping::Hour};

// What a GROUP BY per grouping returns: the same sums as one reading gives for that grouping.
int SqlGroupBy(const QString &path, const char *column)
{
    int rows = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "group-by");
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!db.open()
            || !query.exec(
                    QStringLiteral("SELECT %1, count(*), sum(collected), sum(invested), "
                                   "sum(collected > invested), count(end_minute - start_minute), "
                                   "sum((end_minute - start_minute + 1439) % 1440 + 1), "
                                   "sum(CASE WHEN start_minute IS NOT NULL AND end_minute IS NOT "
                                   "NULL THEN collected - invested END) "
                                   "FROM play_session GROUP BY 1")
                            .arg(QLatin1String(column))))
            qFatal("the GROUP BY failed");
        while (query.next()) {
            for (int c = 0; c < 8; ++c)
                query.value(c);
            ++rows;
        }
    }
    QSqlDatabase::removeDatabase("group-by");
    return rows;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTemporaryDir dir((args.size() > 1 ? args[1] : QDir::currentPath())
                      + QStringLiteral("/murel-bench-XXXXXX"));
    if (!dir.isValid())
        qFatal("cannot make a working directory");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       dir.filePath(QStringLiteral("settings")));
    const QString dataPath = dir.filePath(QStringLiteral("Murel1.Dat"));
    Fill(dataPath);
    const QString dbPath = CPlayStore::PathFor(dataPath);

    CResultBook book(dataPath);
    if (!book.LoadPeriod((kFirstYear + kYears - 1) * 100 + 12, 1, 0))
        qFatal("cannot load the period");
    CPlayStore store(dbPath);
    if (!store.Check())
        qFatal("%s", qPrintable(store.LastError()));

    Times open;
    Times switched[3];
    Times window;
    Times windowSwitched[3];
    Times groupBy[3];
    Times throughStore;
    int64_t sessions = 0;
    int withoutSessions = 0;
    qint64 cells = 0;
    int groupByRows[3] = {};
    for (int r = 0; r < kRuns; ++r) {
        CSessionTable table(store, book);
        open.Take([&] {
            if (!table.Load(SessionRange::AllYears))
                qFatal("%s", qPrintable(table.Problem()));
            cells += table.Rows().size();
        });
        sessions = table.Totals().Total().sessions;
        withoutSessions = table.DaysWithoutSessions();
        for (int g : {1, 2, 0}) {
            switched[g].Take([&] {
                table.SetGrouping(kGroupings[g]);
                cells += table.Rows().size();
            });
        }

        {
            QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                               QStringLiteral("Murel"), QStringLiteral("Murel"));
            settings.setValue(QStringLiteral("SessionTable/Range"), 1);
            settings.setValue(QStringLiteral("SessionTable/Grouping"), 0);
            settings.sync();
            std::unique_ptr<CSessionTableDlg> dlg;
            // Made, shown and drawn, as the menu command opens it.
            window.Take([&] {
                dlg = std::make_unique<CSessionTableDlg>(nullptr, book, store);
                dlg->show();
                QCoreApplication::processEvents();
            });
            for (int g : {1, 2, 0}) {
                windowSwitched[g].Take([&] {
                    static_cast<QRadioButton *>(dlg->control(g == 1 ? CSessionTableDlg::IdByMachine
                                                                     : g == 2
                                                                     ? CSessionTableDlg::IdByHour
                                                                     : CSessionTableDlg::IdByStore))
                            ->click();
                    QCoreApplication::processEvents();
                });
            }
            cells += dlg->List()->model()->rowCount();
            dlg->reject();
        }

        for (int g = 0; g < 3; ++g) {
            const char *column = g == 2 ? "start_minute / 60" : kGroupingNames[g];
            groupBy[g].Take([&] { groupByRows[g] = SqlGroupBy(dbPath, column); });
        }
        throughStore.Take([&] {
            int64_t seen = 0;
            // The reading the totals fall back to when their own connection cannot be had.
            store.ForEachSession([&](const PlaySession &session) {
                SessionFigures row;
                row.Count(session);
                seen += row.sessions;
                return true;
            });
            if (seen != kSessions)
                qFatal("the store visited %lld sessions", qint64(seen));
        });
    }
    if (sessions != kSessions)
        qFatal("the table counted %lld sessions", qint64(sessions));
    if (withoutSessions != kDaysWithoutSessions)
        qFatal("the table counted %d days without sessions", withoutSessions);

    std::printf("%d sessions over %d years, %d days without sessions, median of %d runs "
                "(rows %lld)\n",
                kSessions, kYears, withoutSessions, kRuns, cells);
    open.Print("session table 100k");
    for (int g = 0; g < 3; ++g) {
        const QByteArray what = QByteArray("session table 100k ") + kGroupingNames[g];
        switched[g].Print(what.constData());
    }
    window.Print("session table window 100k");
    for (int g = 0; g < 3; ++g) {
        const QByteArray what = QByteArray("session table window 100k ") + kGroupingNames[g];
        windowSwitched[g].Print(what.constData());
    }
    for (int g = 0; g < 3; ++g) {
        const QByteArray what = QByteArray("sql group by ") + kGroupingNames[g];
        groupBy[g].Print(what.constData());
        std::printf("  (%d rows)\n", groupByRows[g]);
    }
    throughStore.Print("every session through the store");
    std::printf("peak memory (VmHWM) %lld kB\n", PeakKb());
    return 0;
}
