#include "play/PlayStore.h"

#include "data/DurableFile.h"
#include "data/FileProblem.h"
#include "play/PlayStoreTexts.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

#include <atomic>
#include <cerrno>

#include <sys/stat.h>

namespace {

// SQLite's result codes that the store tells apart (the low byte of an extended code).
constexpr int kSqlitePerm = 3;
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteIoErr = 10;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteAuth = 23;
constexpr int kSqliteNotADb = 26;
// A change cut off by a crash left a journal to roll back, or a log whose index must be rebuilt,
// or the shared index cannot be made: a read-only connection cannot do either.
constexpr int kSqliteReadOnlyRecovery = kSqliteReadOnly | (1 << 8);
constexpr int kSqliteReadOnlyCantInit = kSqliteReadOnly | (5 << 8);
constexpr int kSqliteReadOnlyRollback = kSqliteReadOnly | (3 << 8);

bool NeedsWriteToRead(int code)
{
    return code == kSqliteReadOnlyRecovery || code == kSqliteReadOnlyCantInit
            || code == kSqliteReadOnlyRollback;
}

// The longest file name most file systems take, less SQLite's "-journal" after it.
constexpr qsizetype kMaxNameBytes = 255 - 8;

int SqliteCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code : -1;
}

// The columns that version 1 keeps; a database without them is not ours.
const char kShapeSql[] = "SELECT id, day, seq, store, machine, start_minute, end_minute, invested, "
                         "collected, memo FROM play_session LIMIT 0";
const char kPendingShapeSql[] = "SELECT day FROM pending_day LIMIT 0";

} // namespace

QString CPlayStore::PathFor(const QString &dataFilePath)
{
    const qsizetype slash = dataFilePath.lastIndexOf(QLatin1Char('/'));
    const QString folder = dataFilePath.left(slash + 1);
    const QString name = dataFilePath.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const bool hasSuffix = dot > 0
            && !QStringView(name).mid(dot + 1).startsWith(QLatin1String("db"), Qt::CaseInsensitive);
    QString stem = hasSuffix ? name.left(dot) : name;
    const QString suffix = QStringLiteral(".db");
    if (QFile::encodeName(stem + suffix).size() <= kMaxNameBytes)
        return folder + stem + suffix;
    // Too long: as much of the name as fits, then a digest of the whole name, so that two long
    // names that start alike still get their own databases.
    const QString tail = QLatin1Char('~')
            + QString::fromLatin1(
                                 QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256)
                                         .toHex()
                                         .left(8))
            + suffix;
    const qsizetype room = kMaxNameBytes - tail.size();
    while (!stem.isEmpty() && QFile::encodeName(stem).size() > room) {
        stem.chop(1);
        if (!stem.isEmpty() && stem.back().isHighSurrogate())
            stem.chop(1);
    }
    return folder + stem + tail;
}

CPlayStore::CPlayStore(const QString &databasePath)
    : m_path(databasePath)
    , m_openPath(databasePath)
{ }

CPlayStore::~CPlayStore()
{
    if (m_mode == Mode::ReadOnly && m_state == State::Ready && (m_madeLog || m_madeLogIndex)
        && FileProblem::WriteProbe(m_path) == 0) {
        // A read-only connection leaves the log and its index that it made behind; the last
        // read-write connection to close removes them, once it knows no one else uses them.
        if (Connect(Mode::ReadWrite))
            QSqlQuery(m_db).exec(QStringLiteral("PRAGMA user_version"));
    }
    Disconnect();
    if (!m_connection.isEmpty()) {
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool CPlayStore::Fail(const QString &message)
{
    m_error = message;
    return false;
}

bool CPlayStore::MakeUnavailable(const QString &message)
{
    Disconnect();
    // A read-only look at a database in write-ahead log mode makes its log and the log's index;
    // those made here go again, the log only while empty. The database itself stays as it is.
    const QString log = m_path + QStringLiteral("-wal");
    if (m_madeLog && QFileInfo(log).isFile() && QFileInfo(log).size() == 0)
        QFile::remove(log);
    if (m_madeLogIndex && !QFileInfo::exists(log))
        QFile::remove(m_path + QStringLiteral("-shm"));
    m_madeLog = m_madeLogIndex = false;
    m_state = State::Unavailable;
    m_unavailable = message;
    return Fail(message);
}

bool CPlayStore::FailSql(const QString &what, const QSqlError &error)
{
    const int code = SqliteCode(error) & 0xFF;
    const QString message = FileProblem::Message(what, m_path, SqlReason(error));
    if (code == kSqliteCorrupt || code == kSqliteNotADb)
        return MakeUnavailable(message);
    return Fail(message);
}

QString CPlayStore::SqlReason(const QSqlError &error) const
{
    const int code = SqliteCode(error);
    switch (code & 0xFF) {
    case kSqlitePerm:
    case kSqliteAuth:
        return FileProblem::Reason(EACCES);
    case kSqliteBusy:
    case kSqliteLocked:
        return PlayTexts::Busy();
    case kSqliteReadOnly: {
        const int problem = FileProblem::WriteProbe(m_path);
        return FileProblem::Reason(problem != 0 ? problem : EROFS);
    }
    case kSqliteIoErr:
        return FileProblem::Reason(EIO);
    case kSqliteCorrupt:
        return PlayTexts::Damaged();
    case kSqliteFull:
        return FileProblem::Reason(ENOSPC);
    case kSqliteCantOpen: {
        const int problem = FileProblem::ReadProbe(m_path);
        if (problem != 0)
            return FileProblem::Reason(problem);
        break;
    }
    case kSqliteNotADb:
        return PlayTexts::NotSqlite();
    default:
        break;
    }
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return FileProblem::Reason(0, text);
}

bool CPlayStore::Connect(Mode mode)
{
    Disconnect();
    if (m_connection.isEmpty()) {
        static std::atomic<int> connections{0};
        m_connection = QStringLiteral("murel-play-%1").arg(++connections);
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    }
    if (!m_db.isValid())
        return false;
    if (m_viewOnly) {
        // The snapshot is ours alone and never changes: no locks, no log, no index beside it.
        if (mode != Mode::ReadOnly)
            return false;
        m_db.setDatabaseName(
                QStringLiteral("file:")
                + QString::fromLatin1(QUrl::toPercentEncoding(
                        QFileInfo(m_openPath).absoluteFilePath(), QByteArrayLiteral("/")))
                + QStringLiteral("?immutable=1"));
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    } else {
        m_db.setDatabaseName(m_path);
        m_db.setConnectOptions(mode == Mode::ReadOnly ? QStringLiteral("QSQLITE_OPEN_READONLY")
                                                      : QString());
    }
    if (!m_db.open())
        return false;
    m_mode = mode;
    bool synced = true;
    {
        QSqlQuery query(m_db);
        // The file is the user's: its schema may not run functions of ours behind our back.
        query.exec(QStringLiteral("PRAGMA trusted_schema = OFF"));
        if (mode == Mode::ReadWrite)
            synced = query.exec(QStringLiteral("PRAGMA synchronous = FULL"));
    }
    if (!synced)
        Disconnect();
    return synced;
}

void CPlayStore::Disconnect()
{
    if (m_db.isOpen())
        m_db.close(); // the last connection folds the write-ahead log into the database
    m_mode = Mode::None;
    m_journalSet = false;
}

void CPlayStore::UseWriteAheadLog()
{
    // One sync per change instead of the rollback journal's four: a change takes a fifth of
    // the time. The log is folded back and removed when the last connection closes.
    QSqlQuery query(m_db);
    query.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    m_journalSet = true;
}

bool CPlayStore::Open()
{
    if (m_state != State::Closed)
        return m_state != State::Unavailable;
    auto unusable = [this](const QString &reason) {
        return MakeUnavailable(FileProblem::Message(PlayTexts::OpenFailed(), m_path, reason));
    };
    // Nothing that is not a regular file is handed to SQLite: opening a FIFO would block.
    struct stat st;
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0) {
        if (errno == ENOENT) {
            m_fileSeen = false;
            m_state = State::Absent;
            return true;
        }
        return unusable(FileProblem::Reason(errno));
    }
    if (S_ISDIR(st.st_mode))
        return unusable(FileProblem::Reason(EISDIR));
    if (!S_ISREG(st.st_mode))
        return unusable(PlayTexts::NotAFile());
    if (const int problem = FileProblem::ReadProbe(m_path))
        return unusable(FileProblem::Reason(problem));
    m_fileSeen = true;
    if (m_viewOnly) {
        QString problem;
        if (!TakeSnapshot(&problem))
            return unusable(problem);
    } else {
        m_madeLog = !QFileInfo::exists(m_path + QStringLiteral("-wal"));
        m_madeLogIndex = !QFileInfo::exists(m_path + QStringLiteral("-shm"));
    }

    if (!Connect(Mode::ReadOnly))
        return unusable(m_db.isValid() ? SqlReason(m_db.lastError()) : PlayTexts::NoDriver());
    QSqlError error;
    QString problem;
    bool ok = ReadHeader(&error, &problem);
    if (!ok && !m_viewOnly && NeedsWriteToRead(SqliteCode(error))
        && FileProblem::WriteProbe(m_path) == 0) {
        // A change cut off by a crash: the first read of a read-write connection puts the last
        // committed state back, as SQLite does on any open.
        if (!Connect(Mode::ReadWrite))
            return unusable(SqlReason(m_db.lastError()));
        ok = ReadHeader(&error, &problem);
    }
    if (!ok)
        return unusable(problem);
    return true;
}

bool CPlayStore::TakeSnapshot(QString *problem)
{
    m_snapshot = std::make_unique<QTemporaryDir>();
    if (!m_snapshot->isValid()) {
        *problem = FileProblem::Reason(0, m_snapshot->errorString());
        return false;
    }
    m_openPath = m_snapshot->filePath(QStringLiteral("snapshot.db"));
    // The other computer may fold its log into the file while it is copied: a copy during which
    // the file did not change is whole.
    for (int attempt = 0; attempt < 3; ++attempt) {
        QFile::remove(m_openPath);
        const FileStamp before = FileStamp::OfPath(m_path);
        QFile source(m_path);
        errno = 0;
        if (!source.copy(m_openPath)) {
            *problem = FileProblem::Reason(errno, source.errorString());
            return false;
        }
        if (before.valid && before == FileStamp::OfPath(m_path))
            return true;
    }
    *problem = PlayTexts::Changing();
    return false;
}

bool CPlayStore::ReadHeader(QSqlError *error, QString *problem)
{
    QSqlQuery query(m_db);
    auto number = [&](const QString &sql, qint64 *value) {
        if (!query.exec(sql) || !query.next()) {
            *error = query.lastError();
            *problem = SqlReason(*error);
            return false;
        }
        *value = query.value(0).toLongLong();
        return true;
    };
    qint64 application = 0;
    qint64 version = 0;
    qint64 objects = 0;
    if (!number(QStringLiteral("PRAGMA application_id"), &application)
        || !number(QStringLiteral("PRAGMA user_version"), &version)
        || !number(QStringLiteral("SELECT count(*) FROM sqlite_master"), &objects))
        return false;
    if (version == 0 && objects == 0 && (application == 0 || application == kApplicationId)) {
        // An empty database, such as a kill right after the first change began leaves: no
        // sessions, and the first change fills it in.
        Disconnect();
        m_state = State::Absent;
        return true;
    }
    if (application != kApplicationId || version < 1) {
        *problem = PlayTexts::NotOurs();
        return false;
    }
    if (version > kSchemaVersion) {
        *problem = PlayTexts::Newer();
        return false;
    }
    if (!query.exec(QString::fromLatin1(kShapeSql))
        || !query.exec(QString::fromLatin1(kPendingShapeSql))) {
        *error = query.lastError();
        const int code = SqliteCode(*error) & 0xFF;
        *problem = code == kSqliteCorrupt || code == kSqliteNotADb ? SqlReason(*error)
                                                                   : PlayTexts::NotOurs();
        return false;
    }
    m_state = State::Ready;
    return true;
}

bool CPlayStore::Check()
{
    if (!Open())
        return false;
    if (m_state == State::Absent || m_checked)
        return true;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    // quick_check reads every page and verifies the b-trees, at a fifth of the time of
    // integrity_check, which also matches each index entry to its row.
    if (!query.exec(QStringLiteral("PRAGMA quick_check")))
        return FailSql(PlayTexts::OpenFailed(), query.lastError());
    if (!query.next() || query.value(0).toString() != QLatin1String("ok"))
        return MakeUnavailable(
                FileProblem::Message(PlayTexts::OpenFailed(), m_path, PlayTexts::Damaged()));
    m_checked = true;
    return true;
}

bool CPlayStore::Readable()
{
    if (m_state == State::Closed)
        Open();
    if (m_state == State::Unavailable)
        return Fail(m_unavailable);
    return true;
}

bool CPlayStore::Writable()
{
    if (!Readable())
        return false;
    if (m_viewOnly)
        return Fail(FileProblem::Message(PlayTexts::SaveFailed(), m_path, PlayTexts::ViewOnly()));
    if (m_state == State::Absent && !m_fileSeen && QFileInfo::exists(m_path)) {
        // Made since Open, by someone else: look at it as at any database found.
        m_state = State::Closed;
        if (!Open())
            return false;
    }
    if (m_state == State::Ready && !Check())
        return false;
    if (m_mode != Mode::ReadWrite) {
        if (const int problem = FileProblem::WriteProbe(m_path))
            return Fail(FileProblem::Message(PlayTexts::SaveFailed(), m_path,
                                             FileProblem::Reason(problem)));
        if (!Connect(Mode::ReadWrite))
            return Fail(FileProblem::Message(PlayTexts::SaveFailed(), m_path,
                                             SqlReason(m_db.lastError())));
    }
    // A new database gets its log after its first change, so that a failed first change leaves
    // an empty file that can be removed.
    if (m_state == State::Ready && !m_journalSet)
        UseWriteAheadLog();
    return true;
}

bool CPlayStore::Change(const std::function<bool(QSqlQuery &)> &steps)
{
    if (!Writable())
        return false;
    const bool creating = m_state == State::Absent;
    const bool madeNow = creating && !m_fileSeen;
    QSqlQuery query(m_db);
    bool done = query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (!done)
        FailSql(PlayTexts::SaveFailed(), query.lastError());
    done = done && Migrate(query) && steps(query);
    if (done) {
        BeforeCommit();
        done = query.exec(QStringLiteral("COMMIT"));
        if (!done)
            FailSql(PlayTexts::SaveFailed(), query.lastError());
    }
    if (!done) {
        if (m_db.isOpen())
            query.exec(QStringLiteral("ROLLBACK"));
        if (madeNow && m_state != State::Unavailable) {
            // The first change failed: leave no empty database behind.
            Disconnect();
            if (QFileInfo(m_path).size() == 0)
                QFile::remove(m_path);
            m_state = State::Absent;
            m_fileSeen = QFileInfo::exists(m_path);
        }
        return false;
    }
    if (creating) {
        if (madeNow)
            CDurableFile::SyncFolderOf(m_path); // the new database's name lasts
        m_state = State::Ready;
        m_checked = true;
        m_fileSeen = true;
        UseWriteAheadLog();
    }
    return true;
}
