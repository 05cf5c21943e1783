#include "data/DailyBackup.h"

#include "data/DurableFile.h"
#include "data/FileProblem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>
#include <vector>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace {

const QString kBackupFailed = QStringLiteral("バックアップを作成できませんでした。");
const QString kSaveGoesOn = QStringLiteral("データファイルの保存には影響しません。");
const QString kPruneFailed = QStringLiteral("古いバックアップを削除できませんでした。");
const QString kFolderIsLink
        = QStringLiteral("シンボリックリンクのため、バックアップには使いません。");
const QString kFolderSuffix = QStringLiteral(".backup");
constexpr qsizetype kNameMax = 255; // bytes of one name on the usual file systems
constexpr qsizetype kDateLength = 9; // "-yyyymmdd"
constexpr qsizetype kLongestSuffix = 32;

qsizetype Bytes(const QString &text)
{
    return QFile::encodeName(text).size();
}

// The first characters of text and a hash of whole, in at most maxBytes bytes.
QString Shortened(const QString &text, qsizetype maxBytes, const QString &whole)
{
    const QString tail = QLatin1Char('~') + CDurableFile::NameHash(whole).left(8);
    QString kept;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString next = kept + text.mid(i, width);
        if (Bytes(next) + Bytes(tail) > maxBytes)
            break;
        kept = next;
        i += width - 1;
    }
    return kept + tail;
}

struct NameParts
{
    QString base;
    QString suffix; // with its dot; empty for a name without one
};

// The last dot starts the suffix, unless it leads the name (".murel" has none). The base is
// shortened when the dated name would not fit.
NameParts BackupParts(const QString &dataFilePath)
{
    const QString name = QFileInfo(dataFilePath).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    NameParts parts = dot <= 0 ? NameParts{name, {}} : NameParts{name.left(dot), name.mid(dot)};
    if (Bytes(parts.base) + kDateLength + Bytes(parts.suffix) <= kNameMax)
        return parts;
    if (Bytes(parts.suffix) > kLongestSuffix)
        parts = {name, {}};
    parts.base = Shortened(parts.base, kNameMax - kDateLength - Bytes(parts.suffix), name);
    return parts;
}

QString KindSuffix(const NameParts &parts, BackupKind kind)
{
    if (kind == BackupKind::DataFile)
        return parts.suffix;
    const bool ours = parts.suffix.startsWith(QLatin1String(".db"), Qt::CaseInsensitive);
    return (ours ? parts.suffix : QString()) + QStringLiteral(".db");
}

BackupOutcome Failure(const QString &path, const QString &reason)
{
    BackupOutcome outcome;
    outcome.status = BackupOutcome::Failed;
    outcome.message
            = FileProblem::Message(kBackupFailed, path, reason) + QLatin1Char('\n') + kSaveGoesOn;
    return outcome;
}

// What stands at a path, without following a link: 0 nothing, 'f' a regular file, 'd' a folder,
// 'l' a link, 'o' anything else.
char Kind(const QString &path)
{
#if defined(Q_OS_UNIX)
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return S_ISREG(st.st_mode) ? 'f' : S_ISDIR(st.st_mode) ? 'd' : S_ISLNK(st.st_mode) ? 'l' : 'o';
#else
    const QFileInfo info(path);
    return !info.exists() && !info.isSymLink() ? 0
            : info.isSymLink()                 ? 'l'
            : info.isDir()                     ? 'd'
            : info.isFile()                    ? 'f'
                                               : 'o';
#endif
}

// Makes the backup folder beside the data file (whose folder exists) unless it is there. Returns
// 0 or the system's error.
int MakeFolder(const QString &folder)
{
    if (Kind(folder) == 'd')
        return 0;
    errno = 0;
    if (QDir().mkdir(folder))
        return 0;
    const int error = errno;
    if (Kind(folder) == 'd')
        return 0;
    return Kind(folder) != 0 ? EEXIST : error;
}

// A temporary file a crashed backup left behind: the durable writer's (".backup name.XXXXXX.tmp")
// or an older version's ("backup name.XXXXXX.tmp").
bool IsLeftoverTemporary(const QString &dataFilePath, const QString &name)
{
    constexpr qsizetype kTail = 11; // ".XXXXXX.tmp"
    if (name.size() <= kTail || !name.endsWith(QLatin1String(".tmp"))
        || name.at(name.size() - kTail) != QLatin1Char('.'))
        return false;
    QString backup = name.left(name.size() - kTail);
    if (backup.startsWith(QLatin1Char('.'))
        && BackupNameDate(dataFilePath, backup.mid(1)).isValid())
        return true;
    return BackupNameDate(dataFilePath, backup).isValid();
}

// Removes our own backups beyond the newest `keep` of each kind, by day then number (the names
// in keepNames always stay and count among them), and leftover temporaries. Returns the problems,
// empty when every removal worked.
QString Prune(const QString &dataFilePath, const QString &folder, const QStringList &keepNames,
              const QDate &today, int keep)
{
    const QStringList names
            = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    struct Found
    {
        QDate day;
        int number;
        QString name;
    };
    std::vector<Found> backups[2];
    int kept[2] = {keep, keep};
    QStringList doomed;
    for (const QString &name : names) {
        const BackupName parsed = ParseBackupName(dataFilePath, name);
        const int kind = parsed.kind == BackupKind::Database ? 1 : 0;
        if (keepNames.contains(name)) {
            if (parsed.day.isValid())
                --kept[kind];
            continue;
        }
        if (Kind(QDir(folder).filePath(name)) != 'f')
            continue;
        // A name dated after today is not one we made (or the clock went back): never counted.
        if (parsed.day.isValid() && parsed.day <= today)
            backups[kind].push_back({parsed.day, parsed.number, name});
        else if (!parsed.day.isValid() && IsLeftoverTemporary(dataFilePath, name))
            doomed.append(name);
    }
    for (int kind = 0; kind < 2; ++kind) {
        std::vector<Found> &found = backups[kind];
        std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
            return a.day != b.day ? a.day > b.day : a.number > b.number;
        });
        for (size_t i = size_t(std::max(kept[kind], 0)); i < found.size(); ++i)
            doomed.append(found[i].name);
    }

    QString problems;
    for (const QString &name : std::as_const(doomed)) {
        QFile file(QDir(folder).filePath(name));
        errno = 0;
        if (!file.remove()) {
            const QString reason = FileProblem::Reason(errno, file.errorString());
            problems += problems.isEmpty()
                    ? FileProblem::Message(kPruneFailed, file.fileName(), reason)
                    : QLatin1Char('\n') + FileProblem::Line(file.fileName(), reason);
        }
    }
    return problems;
}

// Copies the data file to target, a name that must be free; empty message on success. taken
// says whether the name turned out to be in use (a copy made meanwhile by someone else).
BackupOutcome CopyDataFile(const QString &dataFilePath, const QString &folder,
                           const QString &target, bool *taken = nullptr)
{
    if (taken)
        *taken = false;
    if (QFileInfo(dataFilePath).isDir())
        return Failure(dataFilePath, FileProblem::Reason(EISDIR));
    QFile source(dataFilePath);
    errno = 0;
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return Failure(dataFilePath, FileProblem::Reason(errno, source.errorString()));
    if (const int error = MakeFolder(folder))
        return Failure(folder, FileProblem::Reason(error));

    CDurableFile copy(target, CDurableFile::Replace::Never);
#if defined(Q_OS_UNIX)
    // No more open to others than the data file.
    struct stat st;
    if (::fstat(source.handle(), &st) == 0)
        copy.SetNewFileMode(unsigned(st.st_mode & 0666));
#endif
    if (!copy.Open())
        return Failure(folder, copy.Reason());
    constexpr qint64 kChunk = 256 * 1024;
    const std::unique_ptr<char[]> buffer(new char[kChunk]);
    for (;;) {
        errno = 0;
        const qint64 n = source.read(buffer.get(), kChunk);
        if (n < 0)
            return Failure(dataFilePath, FileProblem::Reason(errno, source.errorString()));
        if (n == 0)
            break;
        if (!copy.Write(buffer.get(), n))
            return Failure(target, copy.Reason());
    }
    if (!copy.Commit()) {
        if (taken)
            *taken = copy.ErrorCode() == EEXIST;
        return Failure(target, copy.Reason());
    }
    BackupOutcome outcome;
    outcome.status = BackupOutcome::Created;
    outcome.path = target;
    return outcome;
}

// The database's copy at target through the caller's copier; empty on success.
QString CopyDatabase(const DatabaseBackup &database, const QString &folder, const QString &target)
{
    if (const int error = MakeFolder(folder))
        return Failure(folder, FileProblem::Reason(error)).message;
    const QString problem = database.copy(target);
    return problem.isEmpty() ? QString() : problem + QLatin1Char('\n') + kSaveGoesOn;
}

QDate ReadDate(QStringView digits)
{
    if (digits.size() != 8)
        return {};
    int value[8];
    for (int i = 0; i < 8; ++i) {
        const QChar c = digits.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
        value[i] = c.unicode() - '0';
    }
    const int year = value[0] * 1000 + value[1] * 100 + value[2] * 10 + value[3];
    const QDate date(year, value[4] * 10 + value[5], value[6] * 10 + value[7]);
    return year >= 1 ? date : QDate();
}

} // namespace

QString BackupFolderPath(const QString &dataFilePath)
{
    const QString path = QDir::cleanPath(dataFilePath);
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (Bytes(name) + Bytes(kFolderSuffix) <= kNameMax)
        return path + kFolderSuffix;
    return QDir(info.path())
            .filePath(Shortened(name, kNameMax - Bytes(kFolderSuffix), name) + kFolderSuffix);
}

QString BackupFileName(const QString &dataFilePath, const QDate &day, BackupKind kind, int number)
{
    if (!day.isValid() || day.year() < 1 || day.year() > 9999 || number < 1
        || number > kMaxBackupNumber)
        return {};
    const NameParts parts = BackupParts(dataFilePath);
    const QString suffix = KindSuffix(parts, kind);
    const QString tail = QString::asprintf("-%04d%02d%02d", day.year(), day.month(), day.day())
            + (number > 1 ? QStringLiteral("-%1").arg(number) : QString()) + suffix;
    // The data file's first copy of a day always fits; another with a longer tail may not.
    if (Bytes(parts.base) + Bytes(tail) <= kNameMax)
        return parts.base + tail;
    return Shortened(parts.base, kNameMax - Bytes(tail), QFileInfo(dataFilePath).fileName()) + tail;
}

BackupName ParseBackupName(const QString &dataFilePath, const QString &name)
{
    // The date is eight digits after a hyphen, perhaps followed by a hyphen and a number; the
    // name must be exactly what BackupFileName makes of them.
    const NameParts parts = BackupParts(dataFilePath);
    for (const BackupKind kind : {BackupKind::DataFile, BackupKind::Database}) {
        const QString suffix = KindSuffix(parts, kind);
        if (!name.endsWith(suffix) || name.size() <= suffix.size() + 9)
            continue;
        const QStringView stem = QStringView(name).chopped(suffix.size());
        auto matches = [&](QStringView dated, int number) -> BackupName {
            if (dated.size() < 9 || dated.at(dated.size() - 9) != QLatin1Char('-'))
                return {};
            const QDate day = ReadDate(dated.right(8));
            if (!day.isValid() || BackupFileName(dataFilePath, day, kind, number) != name)
                return {};
            return {day, kind, number};
        };
        if (const BackupName plain = matches(stem, 1); plain.day.isValid())
            return plain;
        const qsizetype hyphen = stem.lastIndexOf(QLatin1Char('-'));
        const QStringView digits = stem.mid(hyphen + 1);
        if (hyphen < 0 || digits.isEmpty() || digits.size() > 4 || digits.front() == u'0')
            continue;
        bool ok = false;
        const int number = digits.toInt(&ok);
        if (ok && number >= 2)
            if (const BackupName further = matches(stem.left(hyphen), number);
                further.day.isValid())
                return further;
    }
    return {};
}

QDate BackupNameDate(const QString &dataFilePath, const QString &name)
{
    return ParseBackupName(dataFilePath, name).day;
}

BackupOutcome BackUpDataFile(const QString &dataFilePath, const QDate &today, int keep)
{
    const QString folder = BackupFolderPath(dataFilePath);
    const QString name = BackupFileName(dataFilePath, today);
    if (name.isEmpty())
        return Failure(folder, QStringLiteral("日付が正しくありません。"));
    const QString target = QDir(folder).filePath(name);

    BackupOutcome outcome;
    outcome.path = target;
    if (!QFileInfo::exists(dataFilePath)) {
        outcome.status = BackupOutcome::NoDataFile;
        outcome.path.clear();
        return outcome;
    }
    // A folder that is a link may lead anywhere: nothing is written or removed through it.
    if (Kind(folder) == 'l')
        return Failure(folder, kFolderIsLink);
    // Today's backup exists: today's first save happened already, perhaps in an earlier run.
    if (const char kind = Kind(target); kind != 0) {
        if (kind == 'f') {
            outcome.status = BackupOutcome::AlreadyDone;
            return outcome;
        }
        return Failure(target, FileProblem::Reason(EEXIST));
    }

    outcome = CopyDataFile(dataFilePath, folder, target);
    if (outcome.status == BackupOutcome::Created)
        outcome.message = Prune(dataFilePath, folder, {name}, today, keep);
    return outcome;
}

CDailyBackup::CDailyBackup(const QString &dataFilePath, int keep)
    : m_path(dataFilePath)
    , m_keep(keep)
{ }

QString CDailyBackup::BeforeSave(const QDate &today)
{
    m_justCreated.clear();
    m_justCreatedDatabase.clear();
    if (today.isValid() && today == m_handled)
        return today == m_databaseHandled ? QString() : CopyDatabaseOfDay(today);
    BackupOutcome outcome = BackUpDataFile(m_path, today, m_keep);
    if (outcome.status != BackupOutcome::Failed) {
        // Also after "no data file": a copy made later today would hold today's first save.
        m_handled = today;
        m_failureReported = false;
        if (outcome.status == BackupOutcome::Created)
            m_justCreated = outcome.path;
        const QString database = today == m_databaseHandled ? QString() : CopyDatabaseOfDay(today);
        return outcome.message.isEmpty() || database.isEmpty()
                ? outcome.message + database
                : outcome.message + QLatin1Char('\n') + database;
    }
    if (m_failureReported)
        return {};
    m_failureReported = true;
    return outcome.message;
}

QString CDailyBackup::CopyDatabaseOfDay(const QDate &today)
{
    if (!m_database.present || !m_database.copy || !m_database.present()) {
        // Nothing to copy before the day's first save: a copy made later would hold its changes.
        m_databaseHandled = today;
        return {};
    }
    const QString folder = BackupFolderPath(m_path);
    const QString name = BackupFileName(m_path, today, BackupKind::Database);
    const QString target = QDir(folder).filePath(name);
    QString problem;
    if (name.isEmpty())
        problem = Failure(folder, QStringLiteral("日付が正しくありません。")).message;
    else if (Kind(folder) == 'l')
        problem = Failure(folder, kFolderIsLink).message;
    else if (const char kind = Kind(target); kind == 'f')
        ; // made by an earlier run today
    else if (kind != 0)
        problem = Failure(target, FileProblem::Reason(EEXIST)).message;
    else if (problem = CopyDatabase(m_database, folder, target); problem.isEmpty()) {
        m_justCreatedDatabase = target;
        problem = Prune(m_path, folder, {name}, today, m_keep);
    }
    if (problem.isEmpty() || QFileInfo::exists(target)) {
        m_databaseHandled = today;
        m_databaseFailureReported = false;
        return problem;
    }
    if (m_databaseFailureReported)
        return {};
    m_databaseFailureReported = true;
    return problem;
}

BackupOutcome CDailyBackup::BackUpNow(const QDate &today)
{
    const QString folder = BackupFolderPath(m_path);
    if (!today.isValid() || today.year() < 1 || today.year() > 9999)
        return Failure(folder, QStringLiteral("日付が正しくありません。"));
    const bool dataFile = QFileInfo::exists(m_path);
    const bool database = m_database.present && m_database.copy && m_database.present();
    BackupOutcome outcome;
    if (!dataFile && !database) {
        outcome.status = BackupOutcome::NoDataFile;
        return outcome;
    }
    if (Kind(folder) == 'l')
        return Failure(folder, kFolderIsLink);
    for (int number = 1; number <= kMaxBackupNumber; ++number) {
        const QString dataName = BackupFileName(m_path, today, BackupKind::DataFile, number);
        const QString databaseName = BackupFileName(m_path, today, BackupKind::Database, number);
        const QString dataTarget = QDir(folder).filePath(dataName);
        const QString databaseTarget = QDir(folder).filePath(databaseName);
        // A number either kind used is taken: the two copies of one moment share it.
        if (Kind(dataTarget) != 0 || Kind(databaseTarget) != 0)
            continue;
        if (dataFile) {
            bool taken = false;
            outcome = CopyDataFile(m_path, folder, dataTarget, &taken);
            if (taken)
                continue;
            if (outcome.status == BackupOutcome::Failed)
                return outcome;
        } else if (const int error = MakeFolder(folder)) {
            return Failure(folder, FileProblem::Reason(error));
        }
        if (database) {
            const QString problem = CopyDatabase(m_database, folder, databaseTarget);
            if (!problem.isEmpty()) {
                outcome.status = BackupOutcome::Failed;
                outcome.message = problem;
                return outcome;
            }
            if (QFileInfo::exists(databaseTarget))
                outcome.databasePath = databaseTarget;
        }
        outcome.status = BackupOutcome::Created;
        outcome.message = Prune(m_path, folder, {dataName, databaseName}, today, m_keep);
        // The state before the change that follows is kept: a copy made later that day would
        // hold the change.
        m_handled = m_databaseHandled = today;
        m_failureReported = m_databaseFailureReported = false;
        return outcome;
    }
    return Failure(folder, FileProblem::Reason(EEXIST));
}

QString CDailyBackup::DropJustCreated()
{
    // The database may have changed since its copy: none is made again that day.
    if (!m_justCreatedDatabase.isEmpty())
        QFile::remove(m_justCreatedDatabase);
    m_justCreatedDatabase.clear();
    if (m_justCreated.isEmpty() || !QFile::remove(m_justCreated))
        return {};
    const QString path = m_justCreated;
    m_justCreated.clear();
    return Failure(path, FileProblem::Reason(ENOSPC)).message;
}
