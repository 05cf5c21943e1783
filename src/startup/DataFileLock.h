#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QString>

// The lock that keeps a second program off one data file. It is a QLockFile beside the data file,
// not in the runtime folder, so it holds across users, login sessions and machines that share
// the folder, and it covers every file kept beside the data file under its name. It is held from
// start to exit: never stale because of its age, since the first copy may run for days. A lock
// whose process is gone from this host is taken over; a lock from another host is never taken,
// since nothing here can tell whether its program still runs.
class CDataFileLock
{
public:
    // This machine as lock files name it: QLockFile's own notion, so that both agree on which
    // locks it may check.
    struct Host
    {
        QString name;
        QByteArray id; // the machine id; empty when unknown
        static Host This();
    };

    // Who holds the lock, as its file says; the user is the lock file's owner.
    struct Holder
    {
        qint64 pid = 0; // 0 when the lock file could not be read
        QString host;
        QString user;
        QString program;
    };

    enum class Outcome {
        Taken,
        HeldHere, // by a program running on this host
        HeldElsewhere, // from another host: it cannot be checked
        Unavailable, // the lock file cannot be made (a read-only folder): run without it
    };

    explicit CDataFileLock(const QString &dataFilePath);
    ~CDataFileLock(); // releases a lock taken

    CDataFileLock(const CDataFileLock &) = delete;
    CDataFileLock &operator=(const CDataFileLock &) = delete;

    // Beside the data file (the file a link points to), named after it plus ".lock"; when that
    // name would not fit the file system, a shorter one that is still that file's own.
    static QString PathFor(const QString &dataFilePath);

    Outcome Take();
    bool IsTaken() const { return m_lock.isLocked(); }
    void Release();

    QString Path() const { return m_path; }
    // After HeldHere and HeldElsewhere.
    const Holder &HeldBy() const { return m_holder; }
    // When the lock was taken, by the clock of the folder's file system: what the times of the
    // files beside it compare with. Milliseconds since the epoch.
    qint64 TakenAt() const { return m_takenAt; }

private:
    enum class Reading { Read, Missing, Unreadable, Unwritten };
    Reading ReadHolder(bool *sameHost);

    QString m_path;
    Host m_thisHost;
    QLockFile m_lock;
    Holder m_holder;
    qint64 m_takenAt = 0;
};
