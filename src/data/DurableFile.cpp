#include "data/DurableFile.h"

#include "data/FileProblem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(Q_OS_LINUX)
#include <sys/syscall.h>
#endif
#endif

namespace {

const QString kTemporarySuffix = QStringLiteral(".tmp");
constexpr int kRandomDigits = 6;
// Longer names are replaced by their hash in temporary names, so that those always fit.
constexpr qsizetype kLongestNameKept = 200;

// A hash that is the same in every run, so that a later start knows our leftovers.
QString StableHash(const QByteArray &bytes)
{
    uint64_t h = 14695981039346656037ULL;
    for (const char c : bytes) {
        h ^= uint8_t(c);
        h *= 1099511628211ULL;
    }
    return QString::number(h, 16).rightJustified(16, QLatin1Char('0'));
}

// The name our temporary files for a target start with: short whatever the target's name, and
// its own for each target, so that two files in one folder never take each other's.
QString TemporaryPrefix(const QString &targetPath)
{
    const QString name = QFileInfo(targetPath).fileName();
    const QByteArray encoded = QFile::encodeName(name);
    return QLatin1Char('.') + (encoded.size() <= kLongestNameKept ? name : StableHash(encoded))
            + QLatin1Char('.');
}

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

#if defined(Q_OS_UNIX)
constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

// 0 when the target may be replaced as far as its kind and modes go, otherwise the error number
// (-1: exists but is no regular file).
int TargetProblem(const QByteArray &target)
{
    struct stat st;
    if (::stat(target.constData(), &st) != 0)
        return errno == ENOENT ? 0 : errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return -1;
    // Held to the file's own modes even where the system would let the user through (root).
    return (st.st_mode & kAnyWrite) == 0 ? EACCES : 0;
}
#endif

} // namespace

QString CDurableFile::NameHash(const QString &name)
{
    return StableHash(QFile::encodeName(name));
}

FileStamp FileStamp::OfHandle(int fd)
{
    FileStamp stamp;
#if defined(Q_OS_UNIX)
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return stamp;
    stamp.valid = true;
    stamp.device = uint64_t(st.st_dev);
    stamp.inode = uint64_t(st.st_ino);
    stamp.size = int64_t(st.st_size);
    stamp.modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#else
    Q_UNUSED(fd);
#endif
    return stamp;
}

FileStamp FileStamp::OfPath(const QString &path)
{
#if defined(Q_OS_UNIX)
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return FileStamp();
    const FileStamp stamp = OfHandle(fd);
    ::close(fd);
    return stamp;
#else
    Q_UNUSED(path);
    return FileStamp();
#endif
}

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

QString CDurableFile::Reason() const
{
    return FileProblem::Reason(m_errorCode, m_errorText);
}

bool CDurableFile::Open()
{
#if defined(Q_OS_UNIX)
    const QByteArray target = QFile::encodeName(m_targetPath);
    if (const int problem = TargetProblem(target))
        return problem < 0 ? Fail(0, FileProblem::NotRegularFile()) : Fail(problem);
    const QString folder = QFileInfo(m_targetPath).absolutePath();
    struct stat dir;
    if (::stat(QFile::encodeName(folder).constData(), &dir) != 0)
        return Fail(errno);
    if ((dir.st_mode & kAnyWrite) == 0)
        return Fail(EACCES);
    const bool exists = ::access(target.constData(), F_OK) == 0;
    // The user's own permission on the file, as the system would check it for a write.
    if (exists && ::access(target.constData(), W_OK) != 0)
        return Fail(errno);
    const QString prefix = TemporaryPrefix(m_targetPath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = prefix
                + QString::number(QRandomGenerator::global()->bounded(0x1000000), 16)
                          .rightJustified(kRandomDigits, QLatin1Char('0'))
                + kTemporarySuffix;
        const QString path = QDir(folder).filePath(name);
        // Private until it replaces the target, whose modes it then takes.
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : m_newMode);
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
    Q_UNUSED(fd);
    Q_UNUSED(data);
    Q_UNUSED(size);
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
    if (m_replace == Replace::Always)
        return ::rename(source.constData(), target.constData()) == 0;
        // An existing file is never replaced.
#if defined(Q_OS_LINUX) && defined(SYS_renameat2)
    if (::syscall(SYS_renameat2, AT_FDCWD, source.constData(), AT_FDCWD, target.constData(),
                  1 /* RENAME_NOREPLACE */)
        == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // A link fails where a name exists.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
        return false;
    // A file system without links: the check and the rename are not one step.
    if (::access(target.constData(), F_OK) == 0 || errno != ENOENT) {
        errno = EEXIST;
        return false;
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
        return cancel(0, FileProblem::SizeMismatch(qint64(own.st_size), m_written));
    const QByteArray target = QFile::encodeName(m_targetPath);
    // The target may have changed its kind since Open.
    if (const int problem = TargetProblem(target))
        return problem < 0 ? cancel(0, FileProblem::NotRegularFile()) : cancel(problem);
    struct stat old;
    if (::stat(target.constData(), &old) == 0) {
        // The target keeps its owner, group and mode. Only root may give a file away; others
        // keep what they can.
        if (::fchown(m_fd, old.st_uid, old.st_gid) != 0 && errno != EPERM)
            return cancel(errno);
        if (::fchmod(m_fd, old.st_mode & 07777) != 0)
            return cancel(errno);
    }
    m_stamp = FileStamp::OfHandle(m_fd);
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0)
        return cancel(errno);
    errno = 0;
    if (!RenameOut(m_temporaryPath, m_targetPath))
        return cancel(errno);
    m_committed = true;
    m_temporaryPath.clear();
    SyncFolderOf(m_targetPath); // the new name on the disk too; the content is there already
    return true;
#else
    return Fail(ENOSYS);
#endif
}

void CDurableFile::SyncFolderOf(const QString &path)
{
#if defined(Q_OS_UNIX)
    const QString folder = QFileInfo(path).absolutePath();
    const int dir
            = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
#else
    Q_UNUSED(path);
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

bool CDurableFile::IsTemporaryName(const QString &targetPath, const QString &name)
{
    const QString prefix = TemporaryPrefix(Resolved(targetPath));
    if (name.size() != prefix.size() + kRandomDigits + kTemporarySuffix.size()
        || !name.startsWith(prefix) || !name.endsWith(kTemporarySuffix))
        return false;
    for (qsizetype k = prefix.size(); k < prefix.size() + kRandomDigits; ++k) {
        const QChar c = name.at(k);
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

void CDurableFile::RemoveStaleTemporaries(const QString &targetPath, qint64 sinceMSecsSinceEpoch)
{
#if defined(Q_OS_UNIX)
    const QString target = Resolved(targetPath);
    const QDir folder(QFileInfo(target).absolutePath());
    const QStringList names
            = folder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QString &name : names) {
        if (!IsTemporaryName(target, name))
            continue;
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        struct stat st;
        // Only what we make: a regular file, not a link to one.
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const qint64 modified = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
        if (modified < sinceMSecsSinceEpoch)
            ::unlink(path.constData());
    }
#else
    Q_UNUSED(targetPath);
    Q_UNUSED(sinceMSecsSinceEpoch);
#endif
}
