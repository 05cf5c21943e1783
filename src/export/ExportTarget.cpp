#include "export/ExportTarget.h"

#include "data/DailyBackup.h"
#include "data/FileProblem.h"
#include "play/PlayStore.h"
#include "session/Messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace {

#if defined(Q_OS_UNIX)

bool StatOf(const QString &path, struct stat &st)
{
    return ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

#endif

// Where the name leads once every link is followed, also to a file that does not exist yet: the
// folder as the system resolves it ("..", links) with the last link's name in it.
QString Destination(const QString &path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hop = 0; hop < 40 && QFileInfo(current).isSymLink(); ++hop)
        current = QFileInfo(current).symLinkTarget();
    const QFileInfo info(current);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

bool IsWithin(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// The files beside the data file that hold the diary too: the sessions' database with SQLite's
// own files, and the lock that keeps a second copy off (a long name's lock is shortened and not
// listed; it is rare and holds no days).
QStringList Companions(const QString &dataFilePath)
{
    const QString db = CPlayStore::PathFor(dataFilePath);
    return {db, db + QStringLiteral("-wal"), db + QStringLiteral("-shm"),
            db + QStringLiteral("-journal"), dataFilePath + QStringLiteral(".lock")};
}

} // namespace

QString ExportTargetProblem(const QString &target, const QString &dataFilePath,
                            const QString &failedText)
{
    const QString refused = msg::NotOverDataFile(target);
    const QString backups = BackupFolderPath(dataFilePath);
    const QString backupFolder = QFileInfo(backups).canonicalFilePath();
    const QString destination = Destination(target);
    if (destination == Destination(dataFilePath)
        || IsWithin(destination, backupFolder.isEmpty() ? Destination(backups) : backupFolder))
        return refused;
    const QStringList companions = Companions(dataFilePath);
    for (const QString &companion : companions) {
        if (destination == Destination(companion))
            return refused;
    }

#if defined(Q_OS_UNIX)
    struct stat st;
    if (!StatOf(target, st))
        return QString(); // a new file, or a failure the writer reports
    struct stat other;
    if (StatOf(dataFilePath, other) && SameFile(st, other))
        return refused;
    if (S_ISDIR(st.st_mode))
        return FileProblem::Message(failedText, target, FileProblem::Reason(EISDIR));
    if (!S_ISREG(st.st_mode)) {
        const QString kind = S_ISFIFO(st.st_mode) ? QStringLiteral("名前付きパイプ（FIFO）")
                : S_ISSOCK(st.st_mode)            ? QStringLiteral("ソケット")
                                                  : QStringLiteral("デバイス");
        return FileProblem::Message(failedText, target,
                                    kind + QStringLiteral("で、通常のファイルではありません。"));
    }
    for (const QString &companion : companions) {
        if (StatOf(companion, other) && SameFile(st, other))
            return refused;
    }
    // Another name of a backup: a hard link elsewhere.
    const QDir folder(backups);
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (StatOf(folder.filePath(name), other) && SameFile(st, other))
            return refused;
    }
#else
    const QFileInfo info(target);
    if (info.isDir())
        return FileProblem::Message(failedText, target, FileProblem::Reason(EISDIR));
#endif
    return QString();
}
