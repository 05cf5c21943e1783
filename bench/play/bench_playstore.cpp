// Times the play store on 100,000 sessions over 20 years: filling it, one session added (its
// transaction with the day's mark, synchronous=FULL), the reads the windows make (a day's sums and
// sessions, the days with sessions of twelve months, the sums of every day, the names for
// completion), the full check, the CSV and the backup copy; medians of repeated runs. Then the
// peak memory of a process that opens and reads a diary without sessions and one with them.
//
// Usage: bench_playstore [directory]   (default: the current directory; files are removed after)
#include "play/PlayCsv.h"
#include "play/PlayStore.h"

#include "common/Measure.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kSessions = 100000;
constexpr int kFirstYear = 2005;
constexpr int kYears = 20;

int Key(const QDate &date)
{
    return date.year() * 10000 + date.month() * 100 + date.day();
}

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

// The sessions in date order, in one transaction as an import would add them.
void Fill(CPlayStore &store)
{
    QRandomGenerator rng(kFirstYear);
    const QDate first(kFirstYear, 1, 1);
    const qint64 days = first.daysTo(QDate(kFirstYear + kYears, 1, 1));
    QList<int> keys;
    for (int n = 0; n < kSessions; ++n)
        keys.append(Key(first.addDays(rng.bounded(days))));
    std::sort(keys.begin(), keys.end());
    QList<PlaySession> batch;
    for (int n = 0; n < kSessions; ++n) {
        batch.append(RandomSession(rng, keys[n]));
        if (batch.size() == kSessions || n == kSessions - 1) {
            if (!store.AddAll(batch))
                qFatal("%s", qPrintable(store.LastError()));
            batch.clear();
        }
    }
}

void Report(const char *what, double ms)
{
    std::printf("%s = %.3f ms\n", what, ms);
    std::fflush(stdout);
}

// The reads a run makes: the check at start, the sums of every day, a month of days with
// sessions, a day's sessions, the completion names and the CSV.
int ReadAll(const QString &path)
{
    CPlayStore store(path);
    QList<PlayDaySums> sums;
    QList<int> days;
    QList<PlaySession> sessions;
    QStringList names;
    qint64 bytes = 0;
    if (!store.Check() || !store.AllDaySums(&sums)
        || !store.DaysWithSessions(20240101, 20241231, &days)
        || !store.SessionsOfDay(20240512, &sessions) || !store.Stores(&names)
        || !store.Machines(&names) || !PlayCsv::Write(store, [&](const QByteArray &chunk) {
               bytes += chunk.size();
               return true;
           }))
        qFatal("%s", qPrintable(store.LastError()));
    std::printf("%lld\n", PeakKb());
    return 0;
}

// The same change as Add makes (the day's next place, the session, the day's mark) on a copy of
// the database kept with a rollback journal, for comparison with the write-ahead log.
double AddWithRollbackJournal(const QString &path, QRandomGenerator &rng)
{
    double median = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "rollback");
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (!db.open() || !q.exec("PRAGMA journal_mode = DELETE")
            || !q.exec("PRAGMA synchronous = FULL"))
            qFatal("cannot open the copy");
        median = MedianMs(21, [&] {
            const int day = 20100000 + int(rng.bounded(1, 13)) * 100 + int(rng.bounded(1, 29));
            q.exec("BEGIN IMMEDIATE");
            q.prepare("SELECT coalesce(max(seq), 0) + 1 FROM play_session WHERE day = ?");
            q.addBindValue(day);
            q.exec();
            q.next();
            const int seq = q.value(0).toInt();
            q.finish();
            q.prepare("INSERT INTO play_session (day, seq, store, machine, invested, collected, "
                      "memo) VALUES (?, ?, 'ホール1', '機種1', 100, 200, '')");
            q.addBindValue(day);
            q.addBindValue(seq);
            q.exec();
            q.prepare("INSERT OR IGNORE INTO pending_day (day) VALUES (?)");
            q.addBindValue(day);
            q.exec();
            if (!q.exec("COMMIT"))
                qFatal("the comparison failed");
        });
    }
    QSqlDatabase::removeDatabase("rollback");
    return median;
}

qint64 PeakOfChild(const QString &path)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--read"), path});
    if (!child.waitForFinished(600000) || child.exitCode() != 0)
        qFatal("the reading process failed: %s", child.readAllStandardError().constData());
    return child.readAllStandardOutput().trimmed().toLongLong();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--read"))
        return ReadAll(args[2]);
    QTemporaryDir dir((args.size() > 1 ? args[1] : QDir::currentPath())
                      + QStringLiteral("/murel-bench-XXXXXX"));
    if (!dir.isValid())
        qFatal("cannot make a working directory");
    const QString path = dir.filePath(QStringLiteral("Murel1.db"));

    {
        CPlayStore store(path);
        QElapsedTimer timer;
        timer.start();
        Fill(store);
        Report("add 100k", double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("database size = %lld kB\n", QFileInfo(path).size() / 1024);

    CPlayStore store(path);
    Report("open and check 100k", MedianMs(1, [&] {
               if (!store.Check())
                   qFatal("%s", qPrintable(store.LastError()));
           }));

    QRandomGenerator rng(7);
    const QDate first(kFirstYear, 1, 1);
    auto randomDay = [&] { return Key(first.addDays(rng.bounded(kYears * 365))); };
    Report("add one", MedianMs(21, [&] {
               PlaySession s = RandomSession(rng, randomDay());
               if (!store.Add(s))
                   qFatal("%s", qPrintable(store.LastError()));
           }));
    PlayDaySums sums;
    Report("day sums", MedianMs(101, [&] { store.DaySums(randomDay(), &sums); }));
    QList<PlaySession> sessions;
    Report("sessions of a day",
           MedianMs(101, [&] { store.SessionsOfDay(randomDay(), &sessions); }));
    QList<int> days;
    Report("days with sessions 12 months", MedianMs(101, [&] {
               const int year = kFirstYear + int(rng.bounded(kYears));
               store.DaysWithSessions(year * 10000 + 101, year * 10000 + 1231, &days);
           }));
    QList<PlayDaySums> all;
    Report("sums of all days", MedianMs(11, [&] { store.AllDaySums(&all); }));
    std::printf("days with sessions = %lld\n", qint64(all.size()));
    QStringList names;
    Report("stores", MedianMs(11, [&] { store.Stores(&names); }));
    Report("machines", MedianMs(11, [&] { store.Machines(&names); }));
    qint64 bytes = 0;
    Report("csv 100k", MedianMs(5, [&] {
               bytes = 0;
               PlayCsv::Write(store, [&](const QByteArray &chunk) {
                   bytes += chunk.size();
                   return true;
               });
           }));
    std::printf("csv size = %lld kB\n", bytes / 1024);
    int backups = 0;
    Report("backup 100k", MedianMs(3, [&] {
               const QString target = dir.filePath(QStringLiteral("Murel1-%1.db").arg(++backups));
               if (!store.BackupTo(target))
                   qFatal("%s", qPrintable(store.LastError()));
           }));

    const QString copy = dir.filePath(QStringLiteral("Murel1-1.db"));
    Report("add one with a rollback journal (comparison)", AddWithRollbackJournal(copy, rng));

    std::printf("peak RSS without sessions = %lld kB\n",
                PeakOfChild(dir.filePath(QStringLiteral("none.db"))));
    std::printf("peak RSS with 100k sessions = %lld kB\n", PeakOfChild(path));
    return 0;
}
