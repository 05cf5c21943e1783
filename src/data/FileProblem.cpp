#include "data/FileProblem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace FileProblem {

QString Reason(int code, const QString &fallback)
{
    switch (code) {
    case 0:
        return fallback.isEmpty() ? QStringLiteral("原因が分かりません。") : fallback;
    case ENOSPC:
#if defined(EDQUOT)
    case EDQUOT:
#endif
        return QStringLiteral("ディスクの空き容量が足りません。");
    case EACCES:
    case EPERM:
        return QStringLiteral("アクセス権がありません。");
    case EROFS:
        return QStringLiteral("読み取り専用のファイルシステムです。");
    case EISDIR:
        return QStringLiteral("同じ名前のフォルダーがあります。");
    case EIO:
        return QStringLiteral("入出力エラーが発生しました。");
    case ENOENT:
        return QStringLiteral("フォルダーが見つかりません。");
    default:
        // The UI thread is the only caller, so the C library's shared buffer is safe here.
        return QString::fromLocal8Bit(std::strerror(code));
    }
}

QString Message(const QString &what, const QString &path, const QString &reason)
{
    return what + QLatin1Char('\n') + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())
            + QStringLiteral(": ") + reason;
}

bool AbsentInExistingFolder(const QString &path)
{
    const QFileInfo info(path);
    if (!QFileInfo(info.absolutePath()).isDir())
        return false;
#if defined(Q_OS_UNIX)
    // A folder that cannot be searched hides its files: only ENOENT proves the file is not there.
    struct stat st;
    return ::stat(QFile::encodeName(info.absoluteFilePath()).constData(), &st) != 0
            && errno == ENOENT;
#else
    return !info.exists() && !info.isSymLink();
#endif
}

int ReadProbe(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return EISDIR;
#if defined(Q_OS_UNIX)
    if (::access(QFile::encodeName(info.absoluteFilePath()).constData(), R_OK) != 0)
        return errno;
#else
    if (!info.exists())
        return ENOENT;
    if (!info.isReadable())
        return EACCES;
#endif
    return 0;
}

int WriteProbe(const QString &path)
{
    QFileInfo info(path);
    // The new file is made beside the file that a link points to.
    if (info.exists())
        info.setFile(info.canonicalFilePath());
    const QString folder = info.absolutePath();
    const QFileInfo folderInfo(folder);
    if (!folderInfo.exists())
        return ENOENT;
    if (!folderInfo.isDir())
        return ENOTDIR;
    if (info.isDir())
        return EISDIR;
#if defined(Q_OS_UNIX)
    // access() answers for the real user and knows read-only mounts, which permission bits do not.
    if (info.exists()
        && ::access(QFile::encodeName(info.absoluteFilePath()).constData(), W_OK) != 0)
        return errno;
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return errno;
#else
    if ((info.exists() && !info.isWritable()) || !folderInfo.isWritable())
        return EACCES;
#endif
    return 0;
}

} // namespace FileProblem
