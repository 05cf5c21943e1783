#pragma once

#include <QString>

#include <cstdint>

// What identifies the content of a file without reading it: a file that another program wrote
// or replaced since a stamp was taken has another one (a write changes the modification time
// and mostly the size, a replacement the inode).
struct FileStamp
{
    bool valid = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = -1;
    int64_t modifiedNs = 0;

    static FileStamp OfHandle(int fd);
    static FileStamp OfPath(const QString &path); // follows links; invalid when there is none
    bool operator==(const FileStamp &) const = default;
};

// The one way the program writes a file: the data file, its backups and every export. The new
// content goes into a temporary file of our own beside the target; it takes the target's name
// only once every write was checked, the data flushed and synced and the size compared, and the
// folder is synced after the rename. Until Commit succeeds the target is untouched, whatever
// happens; a file that is not a regular file (a FIFO, a device, a socket, a folder) is never
// opened or replaced, and neither is a file without any write permission bit or one in a folder
// without any, even for root. The replaced file keeps its owner, group and mode.
class CDurableFile
{
public:
    enum class Replace {
        Always, // the new file takes the target's place
        Never, // Commit fails with EEXIST when the target exists (backups)
    };

    explicit CDurableFile(const QString &targetPath, Replace replace = Replace::Always);
    virtual ~CDurableFile(); // an uncommitted temporary file is removed

    CDurableFile(const CDurableFile &) = delete;
    CDurableFile &operator=(const CDurableFile &) = delete;

    // Makes the temporary file. False when the target is no regular file or may not be written,
    // or the temporary file cannot be made.
    bool Open();
    // Every byte written or a failure; short writes are retried.
    bool Write(const char *data, qint64 size);
    bool Write(const QByteArray &bytes) { return Write(bytes.constData(), bytes.size()); }
    // Empties the temporary file to start the content over.
    bool Restart();
    // Flush, sync, size check, the target's owner, group and mode onto the new file, rename,
    // folder sync. False leaves the target as it was and removes the temporary file.
    bool Commit();
    // Drops what was written; the target stays as it was.
    void Cancel();

    // The mode of a file that does not exist yet (the umask still applies); by default 0666.
    void SetNewFileMode(unsigned mode) { m_newMode = mode; }

    // The temporary file while open: for writers that must be handed a path (the printer, a
    // database copy). Such a writer fills it itself; call SetWrittenElsewhere before Commit so
    // that the size is taken as it stands.
    QString TemporaryPath() const { return m_temporaryPath; }
    void SetWrittenElsewhere() { m_writtenElsewhere = true; }
    QString TargetPath() const { return m_targetPath; }
    qint64 Written() const { return m_written; }
    // The stamp of the new file once committed.
    const FileStamp &Stamp() const { return m_stamp; }

    // The first failure: the C library's error number (0 when it has none) and, where there is
    // no number, a text of its own. Reason() puts either into words (FileProblem).
    int ErrorCode() const { return m_errorCode; }
    QString ErrorText() const { return m_errorText; }
    QString Reason() const;

    // Removes our own temporary files for target that a killed program left behind and that are
    // older than since: only regular files whose names follow our pattern for that target.
    static void RemoveStaleTemporaries(const QString &targetPath, qint64 sinceMSecsSinceEpoch);
    // Whether a name (without folder) is one of our temporary names for the target.
    static bool IsTemporaryName(const QString &targetPath, const QString &name);
    // A hash of a file name in 16 hexadecimal digits, the same in every run: what stands for a
    // name too long to be part of another.
    static QString NameHash(const QString &name);
    // Makes the names in path's folder last across a power loss: after a file there was made or
    // renamed by someone else (the database's own library, say).
    static void SyncFolderOf(const QString &path);

protected:
    // The steps, so that tests can make each one fail; each returns false (or -1) with errno set.
    virtual qint64 WriteOut(int fd, const char *data, qint64 size);
    virtual bool FlushOut(int fd);
    virtual bool SyncOut(int fd);
    virtual bool RenameOut(const QString &from, const QString &to);

private:
    bool Fail(int code, const QString &text = QString());

    QString m_targetPath;
    Replace m_replace;
    QString m_temporaryPath;
    int m_fd = -1;
    qint64 m_written = 0;
    unsigned m_newMode = 0666;
    bool m_committed = false;
    bool m_writtenElsewhere = false;
    int m_errorCode = 0;
    QString m_errorText;
    bool m_failed = false;
    FileStamp m_stamp;
};
