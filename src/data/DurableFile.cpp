#include "data/DurableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// The name our temporary files for a target start with: short whatever the target's name, and
// its own for each target, so that two files in one folder never take each other's.
QString TemporaryPrefix(const QString &targetPath)
{
    const QFileInfo info(targetPath);
    const QByteArray name = QFile::encodeName(info.fileName());
    const QString stem = name.size() <= 200
            ? info.fileName()
            : QString::number(qHash(name), 16).rightJustified(16, QLatin1Char('0'));
    return QStringLiteral(".") + stem + QLatin1Char('.');
}

const QString kTemporarySuffix = QStringLiteral(".tmp");

// Where the new file goes: beside the file a link points to, so that the link stays a link.
QString Resolved(const QString &targetPath)
{
    const QFileInfo info(targetPath);
    if (info.isSymLink()) {
        const QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty())
            return canonical;
    }
    return info.absoluteFilePath();
}

} // namespace

CDurableFile::CDurableFile(const QString &targetPath, Replace replace)
    : m_targetPath(Resolved(targetPath))
    , m_replace(replace)
{ }

CDurableFile::~CDurableFile()
{
    if (!m_committed)
        Cancel();
}

bool CDurableFile::Fail(int code, const QString &text)
{
    if (!m_failed) {
        m_failed = true;
        m_errorCode = code;
        m_errorText = text;
    }
    return false;
}

bool CDurableFile::Open()
{
#if defined(Q_OS_UNIX)
    struct stat st;
    if (::stat(QFile::encodeName(m_targetPath).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return Fail(EISDIR);
        if (!S_ISREG(st.st_mode))
            return Fail(0, QStringLiteral("通常のファイルではありません。"));
    }
    const QString folder = QFileInfo(m_targetPath).absolutePath();
    const QString prefix = TemporaryPrefix(m_targetPath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = prefix
                + QString::number(QRandomGenerator::global()->bounded(0x1000000), 16)
                          .rightJustified(6, QLatin1Char('0'))
                + kTemporarySuffix;
        const QString path = QDir(folder).filePath(name);
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temporaryPath = path;
            return true;
        }
        if (errno != EEXIST)
            return Fail(errno);
    }
    return Fail(EEXIST);
#else
    return Fail(ENOSYS);
#endif
}

qint64 CDurableFile::WriteOut(int fd, const char *data, qint64 size)
{
#if defined(Q_OS_UNIX)
    ssize_t n;
    do
        n = ::write(fd, data, size_t(size));
    while (n < 0 && errno == EINTR);
    return n;
#else
    Q_UNUSED(fd)
    , Q_UNUSED(data)
    , Q_UNUSED(size);
    errno = ENOSYS;
    return -1;
#endif
}

bool CDurableFile::FlushOut(int fd)
{
    Q_UNUSED(fd); // nothing is buffered on our side
    return true;
}

bool CDurableFile::SyncOut(int fd)
{
#if defined(Q_OS_DARWIN)
    return ::fsync(fd) == 0;
#elif defined(Q_OS_UNIX)
    return ::fdatasync(fd) == 0;
#else
    Q_UNUSED(fd);
    return true;
#endif
}

bool CDurableFile::RenameOut(const QString &from, const QString &to)
{
#if defined(Q_OS_UNIX)
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (m_replace == Replace::Never) {
        // A link fails where a name exists: an existing file is never replaced.
        if (::link(source.constData(), target.constData()) != 0)
            return false;
        ::unlink(source.constData());
        return true;
    }
    return ::rename(source.constData(), target.constData()) == 0;
#else
    return QFile::rename(from, to);
#endif
}

bool CDurableFile::Write(const char *data, qint64 size)
{
    if (m_failed || m_fd < 0)
        return Fail(EBADF);
    while (size > 0) {
        errno = 0;
        const qint64 n = WriteOut(m_fd, data, size);
        if (n <= 0)
            return Fail(n == 0 ? ENOSPC : errno);
        data += n;
        size -= n;
        m_written += n;
    }
    return true;
}

bool CDurableFile::Restart()
{
#if defined(Q_OS_UNIX)
    if (m_failed || m_fd < 0)
        return Fail(EBADF);
    if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0)
        return Fail(errno);
    m_written = 0;
    return true;
#else
    return Fail(ENOSYS);
#endif
}

bool CDurableFile::Commit()
{
#if defined(Q_OS_UNIX)
    if (m_failed || m_fd < 0) {
        Cancel();
        return Fail(EBADF);
    }
    auto cancel = [this](int code, const QString &text = QString()) {
        Fail(code, text);
        Cancel();
        return false;
    };
    errno = 0;
    if (!FlushOut(m_fd))
        return cancel(errno);
    errno = 0;
    if (!SyncOut(m_fd))
        return cancel(errno);
    struct stat own;
    if (::fstat(m_fd, &own) != 0)
        return cancel(errno);
    if (!m_writtenElsewhere && own.st_size != m_written)
        return cancel(0,
                      QStringLiteral("一時ファイルが書き込んだ内容と合いません（%1 / %2 バイト）。")
                              .arg(qint64(own.st_size))
                              .arg(m_written));
    struct stat old;
    if (::stat(QFile::encodeName(m_targetPath).constData(), &old) == 0) {
        // The target keeps its owner, group and mode.
        if (::fchown(m_fd, old.st_uid, old.st_gid) != 0 && errno != EPERM)
            return cancel(errno);
        if (::fchmod(m_fd, old.st_mode & 07777) != 0)
            return cancel(errno);
    }
    if (::close(m_fd) != 0) {
        m_fd = -1;
        return cancel(errno);
    }
    m_fd = -1;
    errno = 0;
    if (!RenameOut(m_temporaryPath, m_targetPath))
        return cancel(errno);
    m_committed = true;
    m_temporaryPath.clear();
    const QString folder = QFileInfo(m_targetPath).absolutePath();
    const int dir
            = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
#else
    return Fail(ENOSYS);
#endif
}

void CDurableFile::Cancel()
{
#if defined(Q_OS_UNIX)
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporaryPath.isEmpty()) {
        ::unlink(QFile::encodeName(m_temporaryPath).constData());
        m_temporaryPath.clear();
    }
#endif
}

void CDurableFile::RemoveStaleTemporaries(const QString &targetPath, qint64 sinceMSecsSinceEpoch)
{
    const QString target = Resolved(targetPath);
    const QString prefix = TemporaryPrefix(target);
    const QDir folder(QFileInfo(target).absolutePath());
    const QStringList names = folder.entryList({prefix + QLatin1Char('*') + kTemporarySuffix},
                                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (name.size() != prefix.size() + 6 + kTemporarySuffix.size())
            continue;
        const QFileInfo info(folder.filePath(name));
        if (info.isSymLink() || !info.isFile())
            continue;
        if (info.lastModified().toMSecsSinceEpoch() < sinceMSecsSinceEpoch)
            QFile::remove(info.filePath());
    }
}
