#pragma once

#include "play/PlaySession.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

class QTemporaryDir;

class QSqlError;
class QSqlQuery;

// The sums of one day's sessions, in units of 100 yen.
struct PlayDaySums
{
    int32_t day = 0;
    int sessions = 0;
    qint64 collected = 0;
    qint64 invested = 0;

    bool operator==(const PlayDaySums &) const = default;
};

// The play sessions of one diary, in an SQLite database (Qt SQL's QSQLITE driver) beside the data
// file. The data file stays the ledger of day totals; this store keeps the sessions and marks
// every day it changed as pending until the caller has written that day's sums to the data file.
//
// Nothing is opened on construction. Open reads the file's header and schema through a read-only
// connection; Check reads every page. A database that cannot be opened or read (damaged, not
// SQLite, made by a newer version, unreadable, a folder or other non-file in its place) makes the
// store unavailable: LastError names the file and the reason, every later call refuses, and the
// file is never written, moved or deleted. Only a checked database is opened for writing. A
// missing database is created by the first change, so a diary without sessions has no database.
//
// Each change is one transaction (synchronous=FULL, write-ahead log) that also marks its days
// pending. Every call returns false on failure, with the message in LastError.
//
// A store set view-only (another computer holds the diary's lock and may be writing the
// database) never takes SQLite's locks on the file, nor reads or makes its log and the log's
// index, which cannot be shared between computers: Open copies the database file as it stands
// into a private snapshot (again while the file changed under the copy) and every read is of
// that snapshot. What the other computer has not yet folded from its log into the database is not
// seen; every change is refused.
class CPlayStore
{
public:
    static constexpr int kSchemaVersion = 1;
    static constexpr qint32 kApplicationId = 0x4D75726C; // "Murl" in the header's application_id

    // "Murel1.db" for "Murel1.Dat", in the same folder; a name without a suffix gets ".db" added,
    // as does one whose suffix starts with "db", so that the database is never the data file
    // itself nor one of SQLite's own files beside another database. A name too long for the
    // file system (with SQLite's "-journal" after it) is shortened, always the same way.
    static QString PathFor(const QString &dataFilePath);

    explicit CPlayStore(const QString &databasePath);
    virtual ~CPlayStore();

    CPlayStore(const CPlayStore &) = delete;
    CPlayStore &operator=(const CPlayStore &) = delete;

    QString Path() const { return m_path; }

    // Before Open: reads a private snapshot and never writes (see above).
    void SetViewOnly(bool viewOnly) { m_viewOnly = viewOnly; }
    bool IsViewOnly() const { return m_viewOnly; }

    // Opens the database read-only and checks its header and schema; a missing database is no
    // failure (there are no sessions). Done once; later calls answer the same.
    bool Open();
    // Open, then reads every page of the database (PRAGMA quick_check). Done once.
    bool Check();
    // False once Open or Check found the database unusable, or a read found it damaged.
    bool IsAvailable() const { return m_state != State::Unavailable; }
    // Whether a database with sessions' tables is there (after Open).
    bool HasDatabase() const { return m_state == State::Ready; }
    QString LastError() const { return m_error; }

    // Changes. The session's texts are normalised and every field checked first: a refused
    // session stores nothing, and LastError says why, without a file name. Add gives the session
    // its id and its place at the end of its day.
    bool Add(PlaySession &session);
    // Several sessions in one transaction: all of them or none.
    bool AddAll(QList<PlaySession> &sessions);
    // The session with the same id takes the given fields; moved to another day it goes to that
    // day's end, and both days are marked.
    bool Update(PlaySession &session);
    bool Delete(qint64 id);

    // Days changed here whose sums may not be in the data file yet, ascending.
    bool PendingDays(QList<int32_t> *days);
    // The data file holds the day's sums now. The clearing is not synced: lost to a power cut,
    // the day is only written once more.
    bool ClearPending(int32_t day);
    bool ClearPending(const QList<int32_t> &days);
    // Folds the write-ahead log into the database file, where a view-only copy on another
    // computer reads the changes; the last connection to close does the same.
    bool FoldLog();

    // Queries. A missing database answers with nothing.
    bool SessionsOfDay(int32_t day, QList<PlaySession> *sessions); // in entry order
    bool Session(qint64 id, PlaySession *session, bool *found);
    bool DaySums(int32_t day, PlayDaySums *sums);
    // Every day that has sessions, in date order.
    bool AllDaySums(QList<PlayDaySums> *sums);
    // The same for the days from first to last (yyyymmdd, inclusive), read as they are visited.
    // visit returns false to stop; the call then returns false with no LastError.
    bool ForEachDaySums(int32_t first, int32_t last,
                        const std::function<bool(const PlayDaySums &)> &visit);
    // The days from first to last (yyyymmdd, inclusive) that have sessions, ascending.
    bool DaysWithSessions(int32_t first, int32_t last, QList<int32_t> *days);
    // Names for completion, each once, most recently played first (by day, then the later
    // entry); at most limit names when limit > 0. Empty machines are left out.
    bool Stores(QStringList *names, int limit = 0);
    bool Machines(QStringList *names, int limit = 0);
    // Every session in date and entry order, read as they are visited rather than all at once.
    // visit returns false to stop; ForEachSession then returns false with no LastError.
    bool ForEachSession(const std::function<bool(const PlaySession &)> &visit);

    // A consistent copy of the database at targetPath (VACUUM INTO a new file that takes the
    // name only once synced; an existing file is never replaced). The database itself is only
    // read. copied, when given, says whether there was a database to copy.
    bool BackupTo(const QString &targetPath, bool *copied = nullptr);

protected:
    // Runs inside every change, after its statements and before COMMIT, so that tests can end the
    // process in the middle of a change.
    virtual void BeforeCommit() { }

private:
    enum class State {
        Closed, // nothing opened yet
        Absent, // no database, or one with nothing in it: no sessions
        Ready, // opened, header and schema fine
        Unavailable,
    };
    enum class Mode { None, ReadOnly, ReadWrite };

    bool Connect(Mode mode);
    bool TakeSnapshot(QString *problem);
    void Disconnect();
    void UseWriteAheadLog();
    bool ReadHeader(QSqlError *error, QString *problem);
    bool Readable();
    bool Writable();
    bool Change(const std::function<bool(QSqlQuery &)> &steps);
    bool Migrate(QSqlQuery &query);
    bool MarkPending(QSqlQuery &query, int32_t day);
    bool NextOrder(QSqlQuery &query, int32_t day, int32_t *order);
    bool Names(const QString &column, QStringList *names, int limit);
    // Runs a SELECT and hands each row to row, which returns false to stop: then false with no
    // error. Without a database there are no rows.
    bool ReadRows(const QString &sql, std::initializer_list<QVariant> values,
                  const std::function<bool(const QSqlQuery &)> &row);

    bool Fail(const QString &message);
    // The failure of a statement: a damaged file makes the store unavailable.
    bool FailSql(const QString &what, const QSqlError &error);
    bool MakeUnavailable(const QString &message);
    QString SqlReason(const QSqlError &error) const;

    QString m_path;
    QString m_openPath; // what SQLite opens: the database, or a view-only store's snapshot
    std::unique_ptr<QTemporaryDir> m_snapshot;
    bool m_viewOnly = false;
    QString m_connection;
    QSqlDatabase m_db;
    State m_state = State::Closed;
    Mode m_mode = Mode::None;
    bool m_checked = false;
    bool m_fileSeen = false; // Open found a file, though maybe an empty one
    bool m_journalSet = false; // the read-write connection was asked for the write-ahead log
    bool m_madeLog = false; // Open found no "-wal" beside the database
    bool m_madeLogIndex = false; // nor "-shm"
    QString m_error;
    QString m_unavailable;
};
