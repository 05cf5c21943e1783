#include "data/DailyBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>
#include <vector>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#endif

namespace {

const QString kBackupFailed = QStringLiteral("バックアップを作成できませんでした。");
const QString kSaveGoesOn = QStringLiteral("データファイルの保存には影響しません。");
const QString kPruneFailed = QStringLiteral("古いバックアップを削除できませんでした。");
const QString kTemporarySuffix = QStringLiteral(".tmp");
constexpr qsizetype kTemporaryTail = 11; // ".XXXXXX.tmp"

struct NameParts
{
    QString base;
    QString suffix; // with its dot; empty for a name without one
};

// The last dot starts the suffix, unless it leads the name (".murel" has none).
NameParts SplitName(const QString &dataFilePath)
{
    const QString name = QFileInfo(dataFilePath).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return {name, {}};
    return {name.left(dot), name.mid(dot)};
}

// The system's reason in Japanese for the usual causes; Qt's own text (translated where Qt's
// translation is loaded) for the rest.
QString Reason(int error, const QString &qtText)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("アクセスが拒否されました。");
    case ENOSPC:
        return QStringLiteral("ディスクの空き容量が足りません。");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("ディスクの使用量の上限に達しました。");
#endif
    case EROFS:
        return QStringLiteral("読み取り専用のファイルシステムです。");
    case ENOENT:
        return QStringLiteral("ファイルまたはフォルダーが見つかりません。");
    case ENOTDIR:
        return QStringLiteral("パスの途中にフォルダーでないものがあります。");
    case EISDIR:
        return QStringLiteral("フォルダーです。");
    case EEXIST:
        return QStringLiteral("同じ名前のものが既にあります。");
    case ENAMETOOLONG:
        return QStringLiteral("名前が長すぎます。");
    case EIO:
        return QStringLiteral("入出力エラーが発生しました。");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("開いているファイルが多すぎます。");
    default:
        break;
    }
    if (!qtText.isEmpty())
        return qtText;
    return error != 0 ? qt_error_string(error) : QStringLiteral("原因は不明です。");
}

QString Problem(const QString &headline, const QString &path, const QString &reason)
{
    return headline + QLatin1Char('\n') + QDir::toNativeSeparators(path) + QLatin1Char('\n')
            + reason;
}

BackupOutcome Failure(const QString &path, const QString &reason)
{
    BackupOutcome outcome;
    outcome.status = BackupOutcome::Failed;
    outcome.message = Problem(kBackupFailed, path, reason) + QLatin1Char('\n') + kSaveGoesOn;
    return outcome;
}

bool SyncToDisk(QFileDevice &file)
{
#if defined(Q_OS_UNIX)
    return ::fsync(file.handle()) == 0;
#elif defined(Q_OS_WIN)
    return ::_commit(file.handle()) == 0;
#else
    return true;
#endif
}

// Makes the rename itself durable; the copy is complete either way, so this is best effort.
void SyncFolder(const QString &folder)
{
#if defined(Q_OS_UNIX)
    const int fd
            = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

// Makes the backup folder beside the data file (whose folder exists) unless it is there. Returns
// 0 or the system's error: Qt's own calls may overwrite errno on their way out.
int MakeFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.isDir())
        return 0;
#if defined(Q_OS_UNIX)
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) == 0)
        return 0;
    const int error = errno;
    return error == EEXIST && QFileInfo(folder).isDir() ? 0 : error;
#else
    if (QDir().mkdir(folder))
        return 0;
    return info.exists() ? EEXIST : 0;
#endif
}

// A temporary file a crashed backup left behind: a backup name, a dot, six characters, ".tmp".
bool IsLeftoverTemporary(const QString &dataFilePath, const QString &name)
{
    return name.size() > kTemporaryTail && name.endsWith(kTemporarySuffix)
            && name.at(name.size() - kTemporaryTail) == QLatin1Char('.')
            && BackupNameDate(dataFilePath, name.left(name.size() - kTemporaryTail)).isValid();
}

// Removes backups beyond the newest `keep` (keepName always stays) and leftover temporaries.
// Returns the problems, empty when every removal worked.
QString Prune(const QString &dataFilePath, const QString &folder, const QString &keepName, int keep)
{
    const QStringList names
            = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::NoSort);
    std::vector<std::pair<QDate, QString>> backups;
    QStringList doomed;
    for (const QString &name : names) {
        if (name == keepName)
            continue;
        const QDate date = BackupNameDate(dataFilePath, name);
        if (date.isValid())
            backups.emplace_back(date, name);
        else if (IsLeftoverTemporary(dataFilePath, name))
            doomed.append(name);
    }
    std::sort(backups.begin(), backups.end(),
              [](const auto &a, const auto &b) { return a.first > b.first; });
    for (size_t i = size_t(std::max(keep - 1, 0)); i < backups.size(); ++i)
        doomed.append(backups[i].second);

    QString problems;
    for (const QString &name : std::as_const(doomed)) {
        QFile file(QDir(folder).filePath(name));
        errno = 0;
        if (!file.remove()) {
            const int error = errno;
            problems += (problems.isEmpty() ? kPruneFailed : QString()) + QLatin1Char('\n')
                    + QDir::toNativeSeparators(file.fileName()) + QLatin1Char('\n')
                    + Reason(error, file.errorString());
        }
    }
    return problems;
}

} // namespace

QString BackupFolderPath(const QString &dataFilePath)
{
    return QDir::cleanPath(dataFilePath) + QStringLiteral(".backup");
}

QString BackupFileName(const QString &dataFilePath, const QDate &day)
{
    if (!day.isValid() || day.year() < 1 || day.year() > 9999)
        return {};
    const NameParts parts = SplitName(dataFilePath);
    return parts.base + QString::asprintf("-%04d%02d%02d", day.year(), day.month(), day.day())
            + parts.suffix;
}

QDate BackupNameDate(const QString &dataFilePath, const QString &name)
{
    const NameParts parts = SplitName(dataFilePath);
    const qsizetype at = parts.base.size() + 1;
    if (name.size() != at + 8 + parts.suffix.size() || !name.startsWith(parts.base)
        || name.at(at - 1) != QLatin1Char('-') || !name.endsWith(parts.suffix))
        return {};
    int digits[8];
    for (int i = 0; i < 8; ++i) {
        const QChar c = name.at(at + i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
        digits[i] = c.unicode() - '0';
    }
    const int year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
    const QDate date(year, digits[4] * 10 + digits[5], digits[6] * 10 + digits[7]);
    return year >= 1 ? date : QDate();
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
    // Today's backup exists: today's first save happened already, perhaps in an earlier run.
    const QFileInfo existing(target);
    if (existing.exists() || existing.isSymLink()) {
        if (existing.isFile() && !existing.isSymLink()) {
            outcome.status = BackupOutcome::AlreadyDone;
            return outcome;
        }
        return Failure(target, Reason(EEXIST, {}));
    }

    if (QFileInfo(dataFilePath).isDir())
        return Failure(dataFilePath, Reason(EISDIR, {}));
    QFile source(dataFilePath);
    errno = 0;
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const int error = errno;
        return Failure(dataFilePath, Reason(error, source.errorString()));
    }
    if (const int error = MakeFolder(folder))
        return Failure(folder, Reason(error, {}));

    QTemporaryFile copy(QDir(folder).filePath(name + QStringLiteral(".XXXXXX") + kTemporarySuffix));
    errno = 0;
    if (!copy.open()) {
        const int error = errno;
        return Failure(folder, Reason(error, copy.errorString()));
    }
    constexpr qint64 kChunk = 256 * 1024;
    const std::unique_ptr<char[]> buffer(new char[kChunk]);
    qint64 copied = 0;
    for (;;) {
        errno = 0;
        const qint64 n = source.read(buffer.get(), kChunk);
        if (n < 0) {
            const int error = errno;
            return Failure(dataFilePath, Reason(error, source.errorString()));
        }
        if (n == 0)
            break;
        errno = 0;
        if (copy.write(buffer.get(), n) != n) {
            const int error = errno;
            return Failure(target, Reason(error, copy.errorString()));
        }
        copied += n;
    }
    errno = 0;
    if (!copy.flush() || !SyncToDisk(copy)) {
        const int error = errno;
        return Failure(target, Reason(error, copy.errorString()));
    }
    if (copy.size() != copied)
        return Failure(target, QStringLiteral("一部しか書き込めませんでした。"));
    // The rename never replaces an existing file, so a backup is never overwritten.
    errno = 0;
    if (!copy.rename(target)) {
        const int error = errno;
        return Failure(target, Reason(error, copy.errorString()));
    }
    copy.setAutoRemove(false);
    SyncFolder(folder);

    outcome.status = BackupOutcome::Created;
    outcome.message = Prune(dataFilePath, folder, name, keep);
    return outcome;
}

CDailyBackup::CDailyBackup(const QString &dataFilePath, int keep)
    : m_path(dataFilePath)
    , m_keep(keep)
{ }

QString CDailyBackup::BeforeSave(const QDate &today)
{
    if (today.isValid() && today == m_handled)
        return {};
    BackupOutcome outcome = BackUpDataFile(m_path, today, m_keep);
    if (outcome.status != BackupOutcome::Failed) {
        // Also after "no data file": a copy made later today would hold today's first save.
        m_handled = today;
        m_failureReported = false;
        return outcome.message;
    }
    if (m_failureReported)
        return {};
    m_failureReported = true;
    return outcome.message;
}
