#pragma once

// Shared by the play session tests: sessions made in one line, files as bytes, SQL run on a
// database from outside the store (through Qt and through the sqlite3 program), and a model of
// the store that random changes are checked against.
#include "play/PlayStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTest>

#include <map>
#include <set>

namespace PlayTest {

inline PlaySession Make(int32_t day, const QString &store, int32_t invested, int32_t collected,
                        const QString &machine = QString(), int start = PlaySession::kNoTime,
                        int end = PlaySession::kNoTime, const QString &memo = QString())
{
    PlaySession s;
    s.day = day;
    s.store = store;
    s.machine = machine;
    s.startMinute = start;
    s.endMinute = end;
    s.invested = invested;
    s.collected = collected;
    s.memo = memo;
    return s;
}

inline QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size();
}

// The first column of every row of sql, run on its own connection; "<error: ...>" on failure.
inline QStringList Sql(const QString &path, const QString &sql)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "outside");
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (!db.open() || !query.exec(sql))
            rows.append(QStringLiteral("<error: %1>").arg(query.lastError().text()));
        while (query.next())
            rows.append(query.value(0).toString());
    }
    QSqlDatabase::removeDatabase("outside");
    return rows;
}

// What the sqlite3 program prints for sql on the database.
inline QString Cli(const QString &path, const QString &sql)
{
    QProcess cli;
    cli.start(QStringLiteral("sqlite3"), {path, sql});
    if (!cli.waitForFinished(60000))
        return QStringLiteral("<sqlite3 did not run: %1>").arg(cli.errorString());
    return QString::fromUtf8(cli.readAllStandardOutput() + cli.readAllStandardError()).trimmed();
}

// A database of ours with enough sessions for several pages from firstDay on, closed (its log
// folded in); false when it could not be made.
inline bool MakeDatabase(const QString &path, int32_t firstDay)
{
    CPlayStore store(path);
    QList<PlaySession> all;
    for (int n = 0; n < 400; ++n)
        all.append(Make(firstDay + n % 28, QStringLiteral("店%1").arg(n), n, n,
                        QStringLiteral("機種"), PlaySession::kNoTime, PlaySession::kNoTime,
                        QString(40, QChar(u'メ'))));
    return store.AddAll(all);
}

// Four pages in the middle of the database overwritten.
inline bool Damage(const QString &path)
{
    QByteArray bytes = ReadBytes(path);
    return bytes.size() > 8 * 4096
            && WriteBytes(path, bytes.replace(3 * 4096, 4 * 4096, QByteArray(4 * 4096, '\x5a')));
}

// Starts this test's own program as the child of a kill test, its arguments in variable; true
// once it said "ready".
inline bool StartChild(QProcess &child, const char *variable, const QString &arguments,
                       bool waitForReady = true)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(variable), arguments);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    return child.waitForStarted()
            && (!waitForReady || (child.waitForReadyRead(30000) && child.readLine() == "ready\n"));
}

// Every session in the store's order, or a failure.
inline QList<PlaySession> AllSessions(CPlayStore &store)
{
    QList<PlaySession> all;
    if (!store.ForEachSession([&](const PlaySession &s) {
            all.append(s);
            return true;
        }))
        all.append(Make(0, QStringLiteral("<failed: %1>").arg(store.LastError()), 0, 0));
    return all;
}

// What the store should hold: its sessions by id, the pending days and the next id.
struct Model
{
    std::map<qint64, PlaySession> sessions;
    std::set<int32_t> pending;
    qint64 nextId = 1;

    QList<PlaySession> InOrder() const
    {
        QList<PlaySession> all;
        for (const auto &[id, s] : sessions)
            all.append(s);
        std::sort(all.begin(), all.end(), [](const PlaySession &a, const PlaySession &b) {
            return a.day != b.day ? a.day < b.day : a.order < b.order;
        });
        return all;
    }
    QList<PlayDaySums> Sums() const
    {
        std::map<int32_t, PlayDaySums> days;
        for (const auto &[id, s] : sessions) {
            PlayDaySums &d = days[s.day];
            d.day = s.day;
            ++d.sessions;
            d.collected += s.collected;
            d.invested += s.invested;
        }
        QList<PlayDaySums> all;
        for (const auto &[day, d] : days)
            all.append(d);
        return all;
    }
    int32_t NextOrder(int32_t day) const
    {
        int32_t order = 0;
        for (const auto &[id, s] : sessions)
            if (s.day == day)
                order = std::max(order, s.order);
        return order + 1;
    }
};

// The store's state as a model, read from outside.
inline Model Load(const QString &path)
{
    Model model;
    CPlayStore store(path);
    for (const PlaySession &s : AllSessions(store))
        model.sessions[s.id] = s;
    QList<int32_t> pending;
    store.PendingDays(&pending);
    model.pending.insert(pending.begin(), pending.end());
    const QStringList seq = Sql(
            path, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = 'play_session'"));
    model.nextId = seq.isEmpty() ? 1 : seq.front().toLongLong() + 1;
    return model;
}

// One random change, over ten days so that days meet often.
struct Change
{
    enum Kind { Add, Update, Delete } kind = Add;
    PlaySession session; // for Delete only the id counts
};

inline Change RandomChange(QRandomGenerator &rng, const Model &model)
{
    Change c;
    const int roll = int(rng.bounded(10));
    c.kind = model.sessions.empty() || roll < 5 ? Change::Add
                                                : (roll < 8 ? Change::Update : Change::Delete);
    c.session = Make(20240101 + int(rng.bounded(10)), QStringLiteral("店%1").arg(rng.bounded(4)),
                     int(rng.bounded(10000)), int(rng.bounded(10000)),
                     QStringLiteral("機種%1").arg(rng.bounded(3)));
    if (rng.bounded(2) == 0) {
        c.session.startMinute = int(rng.bounded(PlaySession::kMinutesPerDay));
        c.session.endMinute = int(rng.bounded(PlaySession::kMinutesPerDay));
    }
    c.session.memo = QString(int(rng.bounded(3)), QChar(u'メ'));
    if (c.kind != Change::Add) {
        auto it = model.sessions.begin();
        std::advance(it, rng.bounded(int(model.sessions.size())));
        c.session.id = it->first;
    }
    return c;
}

// The model after the change, as the store should make it.
inline void Apply(Model &model, Change c)
{
    PlaySession &s = c.session;
    if (c.kind == Change::Delete) {
        model.pending.insert(model.sessions[s.id].day);
        model.sessions.erase(s.id);
        return;
    }
    if (c.kind == Change::Add) {
        s.id = model.nextId++;
        s.order = model.NextOrder(s.day);
    } else {
        const PlaySession &old = model.sessions[s.id];
        model.pending.insert(old.day);
        s.order = old.day == s.day ? old.order : model.NextOrder(s.day);
    }
    model.pending.insert(s.day);
    model.sessions[s.id] = s;
}

inline bool Run(CPlayStore &store, Change c)
{
    switch (c.kind) {
    case Change::Add:
        return store.Add(c.session);
    case Change::Update:
        return store.Update(c.session);
    case Change::Delete:
        return store.Delete(c.session.id);
    }
    return false;
}

} // namespace PlayTest
