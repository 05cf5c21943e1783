#include "data/FileProblem.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
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
    case ENOTDIR:
        return QStringLiteral("パスの途中にフォルダーでないものがあります。");
    case EEXIST:
        return QStringLiteral("同じ名前のものが既にあります。");
    case ENAMETOOLONG:
        return QStringLiteral("名前が長すぎます。");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("開いているファイルが多すぎます。");
    default:
        // The UI thread is the only caller, so the C library's shared buffer is safe here.
        return QString::fromLocal8Bit(std::strerror(code));
    }
}

QString Line(const QString &path, const QString &reason)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()) + QStringLiteral(": ")
            + reason;
}

QString Message(const QString &what, const QString &path, const QString &reason)
{
    return what + QLatin1Char('\n') + Line(path, reason);
}

QString DeviceText(const QIODevice &device)
{
    const auto *file = qobject_cast<const QFileDevice *>(&device);
    return file && file->error() == QFileDevice::NoError ? QString() : device.errorString();
}

QString NotRegularFile()
{
    return QStringLiteral("通常のファイルではありません。");
}

QString SizeMismatch(qint64 onDisk, qint64 written)
{
    return QStringLiteral("一時ファイルが書き込んだ内容と合いません（%1 / %2 バイト）。")
            .arg(onDisk)
            .arg(written);
}

bool IsNoSpace(int code)
{
#if defined(EDQUOT)
    if (code == EDQUOT)
        return true;
#endif
    return code == ENOSPC;
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
    constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;
    struct stat st;
    const QByteArray file = QFile::encodeName(info.absoluteFilePath());
    const QByteArray dir = QFile::encodeName(folder);
    // access() answers for the real user and knows read-only mounts, which permission bits do not;
    // the bits hold root to the modes that access() lets it pass.
    if (info.exists()) {
        if (::access(file.constData(), W_OK) != 0)
            return errno;
        if (::stat(file.constData(), &st) == 0 && (st.st_mode & kAnyWrite) == 0)
            return EACCES;
    }
    if (::access(dir.constData(), W_OK | X_OK) != 0)
        return errno;
    if (::stat(dir.constData(), &st) == 0 && (st.st_mode & kAnyWrite) == 0)
        return EACCES;
#else
    if ((info.exists() && !info.isWritable()) || !folderInfo.isWritable())
        return EACCES;
#endif
    return 0;
}

} // namespace FileProblem
