// What the play store answers, and its backup copy.
#include "play/PlayStore.h"

#include "data/DurableFile.h"
#include "data/FileProblem.h"
#include "play/PlayStoreTexts.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cerrno>
#include <limits>

#include <sys/stat.h>

namespace {

const QString kColumns = QStringLiteral(
        "id, day, seq, store, machine, start_minute, end_minute, invested, collected, memo");

PlaySession FromRow(const QSqlQuery &query)
{
    PlaySession s;
    s.id = query.value(0).toLongLong();
    s.day = query.value(1).toInt();
    s.order = query.value(2).toInt();
    s.store = query.value(3).toString();
    s.machine = query.value(4).toString();
    const QVariant start = query.value(5);
    const QVariant end = query.value(6);
    s.startMinute = start.isNull() ? PlaySession::kNoTime : start.toInt();
    s.endMinute = end.isNull() ? PlaySession::kNoTime : end.toInt();
    s.invested = query.value(7).toInt();
    s.collected = query.value(8).toInt();
    s.memo = query.value(9).toString();
    return s;
}

bool Select(QSqlQuery &query, const QString &sql, std::initializer_list<QVariant> values = {})
{
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

} // namespace

bool CPlayStore::ReadRows(const QString &sql, std::initializer_list<QVariant> values,
                          const std::function<bool(const QSqlQuery &)> &row)
{
    if (!Readable())
        return false;
    if (m_state == State::Absent)
        return true;
    QSqlQuery query(m_db);
    if (!Select(query, sql, values))
        return FailSql(PlayTexts::ReadFailed(), query.lastError());
    while (query.next()) {
        if (!row(query)) {
            m_error.clear();
            return false;
        }
    }
    if (query.lastError().isValid())
        return FailSql(PlayTexts::ReadFailed(), query.lastError());
    return true;
}

bool CPlayStore::SessionsOfDay(int32_t day, QList<PlaySession> *sessions)
{
    sessions->clear();
    return ReadRows(
            QStringLiteral("SELECT %1 FROM play_session WHERE day = ? ORDER BY seq").arg(kColumns),
            {day}, [sessions](const QSqlQuery &query) {
                sessions->append(FromRow(query));
                return true;
            });
}

bool CPlayStore::Session(qint64 id, PlaySession *session, bool *found)
{
    *found = false;
    return ReadRows(QStringLiteral("SELECT %1 FROM play_session WHERE id = ?").arg(kColumns), {id},
                    [session, found](const QSqlQuery &query) {
                        *session = FromRow(query);
                        *found = true;
                        return true;
                    });
}

bool CPlayStore::DaySums(int32_t day, PlayDaySums *sums)
{
    *sums = PlayDaySums{day, 0, 0, 0};
    return ReadRows(QStringLiteral("SELECT count(*), coalesce(sum(collected), 0), "
                                   "coalesce(sum(invested), 0) FROM play_session WHERE day = ?"),
                    {day}, [sums](const QSqlQuery &query) {
                        sums->sessions = query.value(0).toInt();
                        sums->collected = query.value(1).toLongLong();
                        sums->invested = query.value(2).toLongLong();
                        return true;
                    });
}

bool CPlayStore::AllDaySums(QList<PlayDaySums> *sums)
{
    sums->clear();
    return ForEachDaySums(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                          [sums](const PlayDaySums &day) {
                              sums->append(day);
                              return true;
                          });
}

bool CPlayStore::ForEachDaySums(int32_t first, int32_t last,
                                const std::function<bool(const PlayDaySums &)> &visit)
{
    return ReadRows(QStringLiteral("SELECT day, count(*), sum(collected), sum(invested) "
                                   "FROM play_session WHERE day BETWEEN ? AND ? GROUP BY day "
                                   "ORDER BY day"),
                    {first, last}, [&visit](const QSqlQuery &query) {
                        return visit(PlayDaySums{query.value(0).toInt(), query.value(1).toInt(),
                                                 query.value(2).toLongLong(),
                                                 query.value(3).toLongLong()});
                    });
}

bool CPlayStore::DaysWithSessions(int32_t first, int32_t last, QList<int32_t> *days)
{
    days->clear();
    return ReadRows(
            QStringLiteral("SELECT DISTINCT day FROM play_session WHERE day BETWEEN ? AND ? "
                           "ORDER BY day"),
            {first, last}, [days](const QSqlQuery &query) {
                days->append(query.value(0).toInt());
                return true;
            });
}

bool CPlayStore::Names(const QString &column, QStringList *names, int limit)
{
    names->clear();
    // The day, then the id, in one number: a name's most recent session is its greatest.
    return ReadRows(QStringLiteral("SELECT %1 FROM play_session WHERE %1 <> '' GROUP BY %1 "
                                   "ORDER BY max(day * 4294967296 + id) DESC LIMIT ?")
                            .arg(column),
                    {limit > 0 ? limit : -1}, [names](const QSqlQuery &query) {
                        names->append(query.value(0).toString());
                        return true;
                    });
}

bool CPlayStore::Stores(QStringList *names, int limit)
{
    return Names(QStringLiteral("store"), names, limit);
}

bool CPlayStore::Machines(QStringList *names, int limit)
{
    return Names(QStringLiteral("machine"), names, limit);
}

bool CPlayStore::ForEachSession(const std::function<bool(const PlaySession &)> &visit)
{
    return ReadRows(QStringLiteral("SELECT %1 FROM play_session ORDER BY day, seq").arg(kColumns),
                    {}, [&visit](const QSqlQuery &query) { return visit(FromRow(query)); });
}

bool CPlayStore::BackupTo(const QString &targetPath, bool *copied)
{
    if (copied)
        *copied = false;
    if (!Readable())
        return false;
    if (m_state == State::Absent)
        return true;
    CDurableFile file(targetPath, CDurableFile::Replace::Never);
    // No more open to others than the database.
    struct stat st;
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0)
        file.SetNewFileMode(unsigned(st.st_mode & 0666));
    auto failed = [&]() {
        const QString reason = file.ErrorCode() == EEXIST
                ? PlayTexts::Exists()
                : FileProblem::Reason(file.ErrorCode(), file.ErrorText());
        return Fail(FileProblem::Message(PlayTexts::BackupFailed(), targetPath, reason));
    };
    if (!file.Open())
        return failed();
    {
        // VACUUM INTO takes only a read transaction on the database: a consistent copy that
        // leaves the database as it is. It fills the empty temporary file, which the durable
        // file then syncs and puts in place.
        QSqlQuery query(m_db);
        if (!query.prepare(QStringLiteral("VACUUM INTO ?")))
            return FailSql(PlayTexts::BackupFailed(), query.lastError());
        query.addBindValue(file.TemporaryPath());
        if (!query.exec()) {
            const QSqlError error = query.lastError();
            const int code = error.nativeErrorCode().toInt() & 0xFF;
            constexpr int kSqliteCorrupt = 11;
            constexpr int kSqliteNotADb = 26;
            if (code == kSqliteCorrupt || code == kSqliteNotADb)
                return FailSql(PlayTexts::BackupFailed(), error); // the database, not the copy
            return Fail(
                    FileProblem::Message(PlayTexts::BackupFailed(), targetPath, SqlReason(error)));
        }
    }
    file.SetWrittenElsewhere();
    if (!file.Commit())
        return failed();
    if (copied)
        *copied = true;
    return true;
}
