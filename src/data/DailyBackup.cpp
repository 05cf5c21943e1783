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

// Removes our own backups beyond the newest `keep` (keepName always stays) and leftover
// temporaries. Returns the problems, empty when every removal worked.
QString Prune(const QString &dataFilePath, const QString &folder, const QString &keepName,
              const QDate &today, int keep)
{
    const QStringList names
            = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    std::vector<std::pair<QDate, QString>> backups;
    QStringList doomed;
    for (const QString &name : names) {
        if (name == keepName || Kind(QDir(folder).filePath(name)) != 'f')
            continue;
        const QDate date = BackupNameDate(dataFilePath, name);
        // A name dated after today is not one we made (or the clock went back): never counted.
        if (date.isValid() && date <= today)
            backups.emplace_back(date, name);
        else if (!date.isValid() && IsLeftoverTemporary(dataFilePath, name))
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
            const QString reason = FileProblem::Reason(errno, file.errorString());
            problems += problems.isEmpty()
                    ? FileProblem::Message(kPruneFailed, file.fileName(), reason)
                    : QLatin1Char('\n') + FileProblem::Line(file.fileName(), reason);
        }
    }
    return problems;
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

QString BackupFileName(const QString &dataFilePath, const QDate &day)
{
    if (!day.isValid() || day.year() < 1 || day.year() > 9999)
        return {};
    const NameParts parts = BackupParts(dataFilePath);
    return parts.base + QString::asprintf("-%04d%02d%02d", day.year(), day.month(), day.day())
            + parts.suffix;
}

QDate BackupNameDate(const QString &dataFilePath, const QString &name)
{
    const NameParts parts = BackupParts(dataFilePath);
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
    if (!copy.Commit())
        return Failure(target, copy.Reason());

    outcome.status = BackupOutcome::Created;
    outcome.message = Prune(dataFilePath, folder, name, today, keep);
    return outcome;
}

CDailyBackup::CDailyBackup(const QString &dataFilePath, int keep)
    : m_path(dataFilePath)
    , m_keep(keep)
{ }

QString CDailyBackup::BeforeSave(const QDate &today)
{
    m_justCreated.clear();
    if (today.isValid() && today == m_handled)
        return {};
    BackupOutcome outcome = BackUpDataFile(m_path, today, m_keep);
    if (outcome.status != BackupOutcome::Failed) {
        // Also after "no data file": a copy made later today would hold today's first save.
        m_handled = today;
        m_failureReported = false;
        if (outcome.status == BackupOutcome::Created)
            m_justCreated = outcome.path;
        return outcome.message;
    }
    if (m_failureReported)
        return {};
    m_failureReported = true;
    return outcome.message;
}

BackupOutcome CDailyBackup::BackUpNow(const QDate &today)
{
    // TODO(plays-core): a further name when the day's backup exists.
    return BackUpDataFile(m_path, today, m_keep);
}

QString CDailyBackup::DropJustCreated()
{
    if (m_justCreated.isEmpty() || !QFile::remove(m_justCreated))
        return {};
    const QString path = m_justCreated;
    m_justCreated.clear();
    return Failure(path, FileProblem::Reason(ENOSPC)).message;
}
