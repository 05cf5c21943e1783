#pragma once

#include <QDate>
#include <QString>

#include <functional>

// Dated copies of the data file, made before the first save of each calendar day, and beside them
// copies of the diary's database of play sessions.
//
// For /x/Murel1.Dat the copies live in /x/Murel1.Dat.backup/ and are named Murel1-20030512.Dat:
// the file name up to its last dot, a hyphen, the date, then the last suffix with its dot. A name
// without a suffix (or whose only dot leads it, as in ".murel") gets the date at its end. The
// database's copy of the day takes ".db" for the suffix (Murel1-20030512.db; a suffix that starts
// with ".db" keeps it and gets ".db" added, so that the two never share a name). A further backup
// of a day, made whatever the day's state, adds a number from 2 on (Murel1-20030512-2.Dat). A name
// too long for that (or for the folder's name) is shortened: its first characters, "~" and a hash
// of the whole name, the same in every run. Only regular files named exactly so, with a date no
// later than today, count as backups of the file; nothing else in the folder is touched, and a
// folder that is a link is not used at all. Each kind keeps its newest copies, by day and number.

constexpr int kKeptBackups = 10;
// The highest number of a further backup of one day.
constexpr int kMaxBackupNumber = 9999;

enum class BackupKind { DataFile, Database };

// The folder that holds the backups of dataFilePath.
QString BackupFolderPath(const QString &dataFilePath);

// The name (without folder) of the backup of dataFilePath made on day: the day's first (number
// 1) or a further one. Empty for an invalid day or number.
QString BackupFileName(const QString &dataFilePath, const QDate &day,
                       BackupKind kind = BackupKind::DataFile, int number = 1);

// What a name in the backup folder is: the day is invalid for any name that is not a backup of
// dataFilePath's.
struct BackupName
{
    QDate day;
    BackupKind kind = BackupKind::DataFile;
    int number = 1;
};
BackupName ParseBackupName(const QString &dataFilePath, const QString &name);

// The day in a backup name of dataFilePath (of either kind, any number), or an invalid date for
// any other name.
QDate BackupNameDate(const QString &dataFilePath, const QString &name);

struct BackupOutcome
{
    enum Status {
        Created, // the data file was copied now
        AlreadyDone, // a backup for the day exists: the day's first save happened before
        NoDataFile, // nothing to copy yet
        Failed, // no backup was made; message says where and why
    };
    Status status = Failed;
    QString path; // the day's backup, when there is one
    QString databasePath; // the database's copy made with it, when one was made
    // For Failed; also for Created when old backups could not be removed. Empty otherwise.
    QString message;
};

// Copies the data file, as it is on disk, to its backup for today unless that backup exists, then
// keeps the newest `keep` backups by the date in their names (the one made today always among
// them, those dated after today never counted). The copy goes through the durable writer, never
// over an existing file; a crash leaves no partial backup under a backup's name. Never changes
// the data file. The date comes from the caller so that tests control it.
BackupOutcome BackUpDataFile(const QString &dataFilePath, const QDate &today,
                             int keep = kKeptBackups);

// What copies the diary's database: whether there is one, and the copy at a new path (what to
// tell the user when it failed, empty otherwise). The data library knows no database itself.
struct DatabaseBackup
{
    std::function<bool()> present;
    std::function<QString(const QString &target)> copy;
};

// The backups of one data file over a program run. Call BeforeSave right before every save of
// the data file, and show what it returns (if anything) without stopping the save:
//
//     const QString problem = backup.BeforeSave(QDate::currentDate());
//     if (!problem.isEmpty())
//         warn(problem);
//     book.Save();
//
// Once the day is handled (copied, found done, or no data file yet) later calls that day cost
// nothing. A failed backup is tried again at the next save, but reported only once until a
// backup succeeds again. With a database to copy, the day's copy of it is made with the data
// file's (or at the first save of the day when the data file's was made in an earlier run); a
// day that had no database to copy at its first save gets none later.
class CDailyBackup
{
public:
    explicit CDailyBackup(const QString &dataFilePath, int keep = kKeptBackups);

    void SetDatabaseBackup(DatabaseBackup database) { m_database = std::move(database); }

    QString BeforeSave(const QDate &today);
    // The next failure is reported again: the last report could not be shown.
    void ReportAgain() { m_failureReported = false; }

    // The backup that the last BeforeSave made, empty when it made none.
    QString JustCreated() const { return m_justCreated; }
    // Removes that backup (and the database's copy made with it), which holds what the data file
    // still holds, to give its room back to the save: no other backup is made that day. Returns
    // what to tell the user (empty when nothing was removed).
    QString DropJustCreated();
    // The day is to be backed up again at the next save: the save that the dropped backup made
    // room for failed all the same, so the file still holds the day's first state.
    void BackUpDayAgain() { m_handled = QDate(); }

    // A backup made now whatever the day's state (an import, a repair: one more reason): the
    // day's first when there is none yet, otherwise under the next further name of the day that
    // neither kind uses; the database's copy under the same number. Never replaces a file.
    // outcome.path names the data file's copy (empty without a data file), databasePath the
    // database's. Failed when either copy failed.
    BackupOutcome BackUpNow(const QDate &today);

    QString dataFilePath() const { return m_path; }

private:
    QString CopyDatabaseOfDay(const QDate &today);

    QString m_path;
    int m_keep;
    DatabaseBackup m_database;
    QDate m_handled;
    QDate m_databaseHandled;
    QString m_justCreated;
    QString m_justCreatedDatabase;
    bool m_failureReported = false;
    bool m_databaseFailureReported = false;
};
