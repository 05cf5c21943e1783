// The changes of the play store: each runs in one transaction with the marks of its days.
#include "play/PlayStore.h"

#include "data/FileProblem.h"
#include "play/PlayStoreTexts.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <span>

namespace {

// Version 1: the sessions and the days whose sums the data file may not hold yet. A day's
// sessions are kept in the order they were entered (seq); ids are never reused, so that a window
// still showing a deleted session can never change another one.
const char *const kVersion1[] = {
        "CREATE TABLE play_session ("
        " id INTEGER PRIMARY KEY AUTOINCREMENT,"
        " day INTEGER NOT NULL CHECK (day BETWEEN 10000101 AND 99991231),"
        " seq INTEGER NOT NULL CHECK (seq >= 1),"
        " store TEXT NOT NULL CHECK (length(store) BETWEEN 1 AND 100),"
        " machine TEXT NOT NULL CHECK (length(machine) <= 100),"
        " start_minute INTEGER CHECK (start_minute BETWEEN 0 AND 1439),"
        " end_minute INTEGER CHECK (end_minute BETWEEN 0 AND 1439),"
        " invested INTEGER NOT NULL CHECK (invested BETWEEN 0 AND 9999),"
        " collected INTEGER NOT NULL CHECK (collected BETWEEN 0 AND 9999),"
        " memo TEXT NOT NULL CHECK (length(memo) <= 2000),"
        " UNIQUE (day, seq))",
        // A day's sums and the days of a range read this index alone.
        "CREATE INDEX play_session_day_sums ON play_session (day, collected, invested)",
        // Totals by store, machine and starting hour over a range; completion by name.
        "CREATE INDEX play_session_store ON play_session (store, day)",
        "CREATE INDEX play_session_machine ON play_session (machine, day)",
        "CREATE INDEX play_session_start ON play_session (start_minute, day)",
        "CREATE TABLE pending_day (day INTEGER PRIMARY KEY)",
};

// Step n takes a database from version n to n + 1; version 0 is an empty file. A later version
// appends its step here and raises kSchemaVersion.
const std::span<const char *const> kMigrations[] = {kVersion1};
static_assert(std::size(kMigrations) == CPlayStore::kSchemaVersion);

QVariant Time(int minutes)
{
    return minutes == PlaySession::kNoTime ? QVariant(QMetaType::fromType<int>())
                                           : QVariant(minutes);
}

// A text as a value, never NULL: Qt binds a null QString as NULL.
QVariant Text(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

bool Run(QSqlQuery &query, const QString &sql, std::initializer_list<QVariant> values = {})
{
    if (!query.prepare(sql))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

} // namespace

bool CPlayStore::Migrate(QSqlQuery &query)
{
    if (!Run(query, QStringLiteral("PRAGMA user_version")) || !query.next())
        return FailSql(PlayTexts::SaveFailed(), query.lastError());
    const int version = query.value(0).toInt();
    query.finish();
    if (version == kSchemaVersion)
        return true;
    if (version > kSchemaVersion)
        return Fail(FileProblem::Message(PlayTexts::SaveFailed(), m_path, PlayTexts::Newer()));
    for (int step = version; step < kSchemaVersion; ++step) {
        for (const char *sql : kMigrations[step])
            if (!Run(query, QString::fromLatin1(sql)))
                return FailSql(PlayTexts::SaveFailed(), query.lastError());
    }
    if (!Run(query, QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId))
        || !Run(query, QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion)))
        return FailSql(PlayTexts::SaveFailed(), query.lastError());
    return true;
}

bool CPlayStore::MarkPending(QSqlQuery &query, int32_t day)
{
    if (!Run(query, QStringLiteral("INSERT OR IGNORE INTO pending_day (day) VALUES (?)"), {day}))
        return FailSql(PlayTexts::SaveFailed(), query.lastError());
    return true;
}

bool CPlayStore::NextOrder(QSqlQuery &query, int32_t day, int32_t *order)
{
    if (!Run(query,
             QStringLiteral("SELECT coalesce(max(seq), 0) + 1 FROM play_session WHERE day = ?"),
             {day})
        || !query.next())
        return FailSql(PlayTexts::SaveFailed(), query.lastError());
    *order = query.value(0).toInt();
    query.finish();
    return true;
}

bool CPlayStore::Add(PlaySession &session)
{
    QList<PlaySession> one{session};
    if (!AddAll(one))
        return false;
    session = one.front();
    return true;
}

bool CPlayStore::AddAll(QList<PlaySession> &sessions)
{
    if (sessions.isEmpty())
        return true; // nothing to store, and no database to make for it
    QList<PlaySession> stored = sessions;
    for (PlaySession &session : stored) {
        const QString problem = PlayInput::Normalise(session);
        if (!problem.isEmpty())
            return Fail(problem);
    }
    const bool done = Change([&](QSqlQuery &query) {
        // Prepared once for all the sessions: an import adds many in one go.
        QSqlQuery insert(m_db);
        QSqlQuery mark(m_db);
        if (!query.prepare(QStringLiteral(
                    "SELECT coalesce(max(seq), 0) + 1 FROM play_session WHERE day = ?"))
            || !insert.prepare(QStringLiteral(
                    "INSERT INTO play_session (day, seq, store, machine, start_minute, "
                    "end_minute, invested, collected, memo) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"))
            || !mark.prepare(QStringLiteral("INSERT OR IGNORE INTO pending_day (day) VALUES (?)")))
            return FailSql(PlayTexts::SaveFailed(),
                           query.lastError().isValid()
                                   ? query.lastError()
                                   : (insert.lastError().isValid() ? insert.lastError()
                                                                   : mark.lastError()));
        // Each day's next place is asked of the database once, and each day marked once.
        QHash<int32_t, int> nextOrder;
        for (PlaySession &session : stored) {
            auto next = nextOrder.find(session.day);
            const bool firstOfDay = next == nextOrder.end();
            if (firstOfDay) {
                query.addBindValue(session.day);
                if (!query.exec() || !query.next())
                    return FailSql(PlayTexts::SaveFailed(), query.lastError());
                next = nextOrder.insert(session.day, query.value(0).toInt());
                query.finish();
            }
            session.order = next.value()++;
            for (const QVariant &value :
                 {QVariant(session.day), QVariant(session.order), Text(session.store),
                  Text(session.machine), Time(session.startMinute), Time(session.endMinute),
                  QVariant(session.invested), QVariant(session.collected), Text(session.memo)})
                insert.addBindValue(value);
            if (!insert.exec())
                return FailSql(PlayTexts::SaveFailed(), insert.lastError());
            session.id = insert.lastInsertId().toLongLong();
            if (!firstOfDay)
                continue;
            mark.addBindValue(session.day);
            if (!mark.exec())
                return FailSql(PlayTexts::SaveFailed(), mark.lastError());
        }
        return true;
    });
    if (done)
        sessions = stored;
    return done;
}

bool CPlayStore::Update(PlaySession &session)
{
    PlaySession stored = session;
    const QString problem = PlayInput::Normalise(stored);
    if (!problem.isEmpty())
        return Fail(problem);
    if (!Readable())
        return false;
    if (m_state == State::Absent) // no database: nothing to change, and none to make for it
        return Fail(FileProblem::Message(PlayTexts::SaveFailed(), m_path, PlayTexts::Gone()));
    const bool done = Change([&](QSqlQuery &query) {
        if (!Run(query, QStringLiteral("SELECT day, seq FROM play_session WHERE id = ?"),
                 {stored.id}))
            return FailSql(PlayTexts::SaveFailed(), query.lastError());
        if (!query.next()) {
            if (query.lastError().isValid())
                return FailSql(PlayTexts::SaveFailed(), query.lastError());
            return Fail(FileProblem::Message(PlayTexts::SaveFailed(), m_path, PlayTexts::Gone()));
        }
        const int32_t oldDay = query.value(0).toInt();
        stored.order = query.value(1).toInt();
        query.finish();
        if (oldDay != stored.day && !NextOrder(query, stored.day, &stored.order))
            return false;
        if (!Run(query,
                 QStringLiteral("UPDATE play_session SET day = ?, seq = ?, store = ?, machine = ?, "
                                "start_minute = ?, end_minute = ?, invested = ?, collected = ?, "
                                "memo = ? WHERE id = ?"),
                 {stored.day, stored.order, Text(stored.store), Text(stored.machine),
                  Time(stored.startMinute), Time(stored.endMinute), stored.invested,
                  stored.collected, Text(stored.memo), stored.id}))
            return FailSql(PlayTexts::SaveFailed(), query.lastError());
        return MarkPending(query, oldDay) && MarkPending(query, stored.day);
    });
    if (done)
        session = stored;
    return done;
}

bool CPlayStore::Delete(qint64 id)
{
    if (!Readable())
        return false;
    if (m_state == State::Absent)
        return Fail(FileProblem::Message(PlayTexts::SaveFailed(), m_path, PlayTexts::Gone()));
    return Change([&](QSqlQuery &query) {
        if (!Run(query, QStringLiteral("SELECT day FROM play_session WHERE id = ?"), {id}))
            return FailSql(PlayTexts::SaveFailed(), query.lastError());
        if (!query.next()) {
            if (query.lastError().isValid())
                return FailSql(PlayTexts::SaveFailed(), query.lastError());
            return Fail(FileProblem::Message(PlayTexts::SaveFailed(), m_path, PlayTexts::Gone()));
        }
        const int32_t day = query.value(0).toInt();
        query.finish();
        if (!Run(query, QStringLiteral("DELETE FROM play_session WHERE id = ?"), {id}))
            return FailSql(PlayTexts::SaveFailed(), query.lastError());
        return MarkPending(query, day);
    });
}

bool CPlayStore::PendingDays(QList<int32_t> *days)
{
    days->clear();
    if (!Readable())
        return false;
    if (m_state == State::Absent)
        return true;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT day FROM pending_day ORDER BY day")))
        return FailSql(PlayTexts::ReadFailed(), query.lastError());
    while (query.next())
        days->append(query.value(0).toInt());
    if (query.lastError().isValid())
        return FailSql(PlayTexts::ReadFailed(), query.lastError());
    return true;
}

bool CPlayStore::ClearPending(int32_t day)
{
    return ClearPending(QList<int32_t>{day});
}

bool CPlayStore::ClearPending(const QList<int32_t> &days)
{
    if (!Readable())
        return false;
    if (m_state == State::Absent || days.isEmpty())
        return true; // nothing was ever marked: no database to make for it
    if (!Writable())
        return false;
    QSqlQuery query(m_db);
    // A mark lost to a power cut only has its day written once more: no sync of its own.
    if (!Run(query, QStringLiteral("PRAGMA synchronous = NORMAL")))
        return FailSql(PlayTexts::SaveFailed(), query.lastError());
    bool done = Run(query, QStringLiteral("BEGIN IMMEDIATE"));
    QSqlQuery remove(m_db);
    done = done && remove.prepare(QStringLiteral("DELETE FROM pending_day WHERE day = ?"));
    for (qsizetype k = 0; done && k < days.size(); ++k) {
        remove.addBindValue(days[k]);
        done = remove.exec();
    }
    const QSqlError error = remove.lastError().isValid() ? remove.lastError() : query.lastError();
    done = done && Run(query, QStringLiteral("COMMIT"));
    if (!done) {
        const QSqlError failure = query.lastError().isValid() ? query.lastError() : error;
        query.exec(QStringLiteral("ROLLBACK"));
        FailSql(PlayTexts::SaveFailed(), failure);
    }
    // Every change is synced again; a connection that cannot say so is made anew.
    if (m_db.isOpen() && !Run(query, QStringLiteral("PRAGMA synchronous = FULL")))
        Disconnect();
    return done;
}

bool CPlayStore::FoldLog()
{
    if (m_state != State::Ready || m_mode != Mode::ReadWrite || !m_db.isOpen())
        return true; // nothing written through this store
    QSqlQuery query(m_db);
    if (!Run(query, QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")))
        return FailSql(PlayTexts::SaveFailed(), query.lastError());
    return true;
}
