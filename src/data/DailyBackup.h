#pragma once

#include <QDate>
#include <QString>

// Dated copies of the data file, made before the first save of each calendar day.
//
// For /x/Murel1.Dat the copies live in /x/Murel1.Dat.backup/ and are named Murel1-20030512.Dat:
// the file name up to its last dot, a hyphen, the date, then the last suffix with its dot. A name
// without a suffix (or whose only dot leads it, as in ".murel") gets the date at its end. A name
// too long for that (or for the folder's name) is shortened: its first characters, "~" and a hash
// of the whole name, the same in every run. Only regular files named exactly so, with a date no
// later than today, count as backups of the file; nothing else in the folder is touched, and a
// folder that is a link is not used at all.

constexpr int kKeptBackups = 10;

// The folder that holds the backups of dataFilePath.
QString BackupFolderPath(const QString &dataFilePath);

// The name (without folder) of the backup of dataFilePath made on day.
QString BackupFileName(const QString &dataFilePath, const QDate &day);

// The day in a backup name of dataFilePath, or an invalid date for any other name.
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
// backup succeeds again.
class CDailyBackup
{
public:
    explicit CDailyBackup(const QString &dataFilePath, int keep = kKeptBackups);

    QString BeforeSave(const QDate &today);
    // The next failure is reported again: the last report could not be shown.
    void ReportAgain() { m_failureReported = false; }

    // The backup that the last BeforeSave made, empty when it made none.
    QString JustCreated() const { return m_justCreated; }
    // Removes that backup, which holds what the data file still holds, to give its room back to
    // the save: no other backup is made that day. Returns what to tell the user (empty when
    // nothing was removed).
    QString DropJustCreated();
    // The day is to be backed up again at the next save: the save that the dropped backup made
    // room for failed all the same, so the file still holds the day's first state.
    void BackUpDayAgain() { m_handled = QDate(); }

    // A backup made now whatever the day's state, before an import (one more reason): when the
    // day's backup exists this one goes under a further name of the day. outcome.path names it.
    BackupOutcome BackUpNow(const QDate &today);

    QString dataFilePath() const { return m_path; }

private:
    QString m_path;
    int m_keep;
    QDate m_handled;
    QString m_justCreated;
    bool m_failureReported = false;
};
