#include "startup/DataFileLock.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <signal.h>
#endif

namespace {

// QLockFile also makes "<lock>.rmlock" beside the lock while it removes a stale one: both names
// must fit the file system's 255 bytes.
constexpr qsizetype kLongestLockName = 255 - 7;
// What a shortened name keeps of the data file's name, before its digest.
constexpr qsizetype kKeptNameBytes = 200;

// How often and how long Take looks again when the lock is in passing: released, being removed
// as stale by another starting copy, or made but not yet written.
constexpr int kAttempts = 20;
constexpr unsigned long kPauseMs = 50;
// A lock file without its content this long after it was made was left by a program killed
// right after making it: QLockFile writes the content at once.
constexpr qint64 kUnwrittenMs = 10000;

bool ProcessRuns(qint64 pid)
{
#ifdef Q_OS_UNIX
    if (pid <= 0 || pid != qint64(pid_t(pid)))
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
#else
    Q_UNUSED(pid);
    return true;
#endif
}

// The data file as the lock must know it: through links to the file and its folders, so that
// two copies that name one file differently meet at one lock.
QFileInfo Resolved(const QString &dataFilePath)
{
    QFileInfo info(QFileInfo(dataFilePath).absoluteFilePath());
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty())
            info = QFileInfo(target);
    }
    const QString folder = QDir(info.absolutePath()).canonicalPath();
    return folder.isEmpty() ? info : QFileInfo(QDir(folder).filePath(info.fileName()));
}

} // namespace

CDataFileLock::Host CDataFileLock::Host::This()
{
    return {QSysInfo::machineHostName(), QSysInfo::machineUniqueId()};
}

CDataFileLock::CDataFileLock(const QString &dataFilePath)
    : m_path(PathFor(dataFilePath))
    , m_thisHost(Host::This())
    , m_lock(m_path)
{
    // Stale only when its process is gone, never because of its age.
    m_lock.setStaleLockTime(0);
}

CDataFileLock::~CDataFileLock() = default;

QString CDataFileLock::PathFor(const QString &dataFilePath)
{
    const QFileInfo data = Resolved(dataFilePath);
    const QString name = data.fileName();
    QString lockName = name + QStringLiteral(".lock");
    if (QFile::encodeName(lockName).size() > kLongestLockName) {
        // The start of the name, whole characters only, to be recognised by, and a digest of
        // the whole name to be that file's own.
        QString kept;
        qsizetype bytes = 0;
        for (qsizetype i = 0; i < name.size();) {
            const qsizetype length = name.at(i).isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
            const qsizetype more = QFile::encodeName(name.mid(i, length)).size();
            if (bytes + more > kKeptNameBytes)
                break;
            kept += name.mid(i, length);
            bytes += more;
            i += length;
        }
        const QByteArray digest
                = QCryptographicHash::hash(QFile::encodeName(name), QCryptographicHash::Sha256)
                          .toHex()
                          .left(16);
        lockName = kept + QLatin1Char('~') + QString::fromLatin1(digest) + QStringLiteral(".lock");
    }
    return QDir(data.absolutePath()).filePath(lockName);
}

CDataFileLock::Reading CDataFileLock::ReadHolder(bool *sameHost)
{
    m_holder = Holder();
    const QFileInfo info(m_path);
    if (!info.exists())
        return Reading::Missing;
    m_holder.user = info.owner().isEmpty() ? QString::number(info.ownerId()) : info.owner();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return file.exists() ? Reading::Unreadable : Reading::Missing;
    // As QLockFile writes it: process id, program, host name, machine id, boot id.
    const QList<QByteArray> lines = file.read(4096).split('\n');
    bool ok = false;
    const qint64 pid = lines.value(0).trimmed().toLongLong(&ok);
    if (!ok || pid <= 0)
        return Reading::Unwritten;
    m_holder.pid = pid;
    m_holder.program = QString::fromUtf8(lines.value(1).trimmed());
    m_holder.host = QString::fromUtf8(lines.value(2).trimmed());
    const QByteArray hostId = lines.value(3).trimmed();
    // The machine id decides where both are known, as QLockFile decides.
    *sameHost = m_holder.host.isEmpty() || m_holder.host == m_thisHost.name;
    if (!hostId.isEmpty() && !m_thisHost.id.isEmpty())
        *sameHost = hostId == m_thisHost.id;
    return Reading::Read;
}

CDataFileLock::Outcome CDataFileLock::Take()
{
    Outcome otherwise = Outcome::HeldHere;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0)
            QThread::msleep(kPauseMs);
        // QLockFile takes over a lock whose process is gone from this host by itself.
        if (m_lock.tryLock(0)) {
            const QDateTime made = QFileInfo(m_path).lastModified();
            m_takenAt = made.isValid() ? made.toMSecsSinceEpoch()
                                       : QDateTime::currentMSecsSinceEpoch();
            return Outcome::Taken;
        }
        if (m_lock.error() != QLockFile::LockFailedError)
            return Outcome::Unavailable;

        bool sameHost = true;
        switch (ReadHolder(&sameHost)) {
        case Reading::Missing: // released meanwhile
            continue;
        case Reading::Unreadable: // another user's, and not ours to read: held all the same
            return Outcome::HeldHere;
        case Reading::Unwritten: {
            const QDateTime made = QFileInfo(m_path).lastModified();
            if (made.isValid() && made.msecsTo(QDateTime::currentDateTime()) > kUnwrittenMs)
                otherwise = m_lock.removeStaleLockFile() ? Outcome::HeldHere : Outcome::Unavailable;
            continue;
        }
        case Reading::Read:
            break;
        }
        if (!sameHost)
            return Outcome::HeldElsewhere;
        if (m_holder.pid == QCoreApplication::applicationPid()) {
            // Our own process id in a lock we do not hold: an earlier run's, whose id came back.
            otherwise = m_lock.removeStaleLockFile() ? Outcome::HeldHere : Outcome::Unavailable;
            continue;
        }
        if (ProcessRuns(m_holder.pid))
            return Outcome::HeldHere;
        // Gone, and still there: another copy is removing it this moment, or it is not ours to
        // remove (someone else's in a folder we may not change), and then no lock can be made.
        otherwise = Outcome::Unavailable;
    }
    return otherwise;
}

void CDataFileLock::Release()
{
    m_lock.unlock();
}
