#pragma once

#include "data/DayRecord.h"
#include "play/PlayStore.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <span>
#include <vector>

class CDiarySession;

// What the start of the play sessions tells the user, one box each.
struct PlayNotice
{
    enum class Icon { Information, Warning };
    Icon icon = Icon::Warning;
    QString text;

    bool operator==(const PlayNotice &) const = default;
};

// The play sessions (稼働記録) of the diary, kept in step with the data file's day totals: a day
// with sessions is written there by amounts (method 0), holding their sums.
//
// Every change is one transaction in the database that also marks its days pending; the day's
// backup is made before it. Then the sums of every pending day are saved to the data file as a
// typed day is saved (write-through), in one save, and the marks are cleared. A day whose last
// session went keeps its total as an ordinary day and only loses its mark. A save that fails
// leaves the marks: every later save of the data file carries those days until one succeeds, and
// the next start writes them in any case.
//
// Nothing is opened before Start, which the main window calls once it shows. A diary that is only
// viewed (another computer holds the lock) reads a snapshot of the database and writes nothing.
class CPlayDiary : public QObject
{
    Q_OBJECT
public:
    // The number of changed days a start names one by one; the rest are counted.
    static constexpr int kListedDays = 20;
    // How long after the last change the database's log is folded into it (for a view-only copy
    // on another computer), out of the way of the changes themselves.
    static constexpr int kFoldDelayMs = 1000;

    CPlayDiary(CDiarySession &session, const QString &dataFilePath, QObject *parent = nullptr);
    ~CPlayDiary() override;

    // Before Start: the store to use instead of the plain one (tests make it fail).
    void UseStore(std::unique_ptr<CPlayStore> store);

    // Once, when the main window shows: opens and checks the database when there is one (a
    // missing one is not made). One that cannot be used is named with the reason, and sessions
    // stay unavailable. Otherwise the pending days are written, then every day whose line in the
    // data file disagrees with its sessions is rewritten to their sums after a backup, in one
    // save, and the user is told which days changed. A view-only diary only opens.
    QList<PlayNotice> Start();
    // Whether sessions can be read: false when the database cannot be used (Problem says why).
    bool IsAvailable() const;
    // Whether sessions can be changed: readable and not view-only.
    bool CanChange() const;
    QString Problem() const;

    CPlayStore &Store() { return *m_store; }

    // The day's sessions in entry order; empty when there are none or the store is unavailable.
    QList<PlaySession> SessionsOfDay(int date);
    bool HasSessions(int date);
    QStringList Stores();
    QStringList Machines();

    // The changes: false with the reason in problem when nothing was stored (the store's checks,
    // a view-only diary). True once the database holds the change; a failed save of the data
    // file is then told through the session's reports, and the days stay pending.
    bool Add(PlaySession &session, QString *problem);
    bool Update(PlaySession &session, QString *problem);
    bool Delete(qint64 id, QString *problem);
    // A confirmed CSV import: the data file and the database backed up once more, the sessions
    // added in one transaction, every day written in one save of the data file (a day with
    // sessions holding their sums), the marks cleared. The days ascend, each once. backupPath
    // names the backup taken (empty when there was no file yet).
    bool Import(std::span<const DayChange> days, QList<PlaySession> &sessions, QString *backupPath,
                QString *problem);

    // Days whose sums a failed save left out of the data file (in this run).
    bool HasUnsavedDays() const { return m_unsaved; }
    // The pending days, and what the data file is to hold for those with sessions.
    bool PendingChanges(QList<int32_t> *days, std::vector<DayChange> *changes);
    // The data file holds these pending days now.
    void Written(const QList<int32_t> &days);

    // For the daily backup: whether there is a database to copy, and its copy at target.
    bool HasDatabaseToCopy() const;
    QString CopyDatabase(const QString &target);

signals:
    // The sessions of this day changed (and its total with them).
    void sessionsChanged(int date);

private:
    // Writes every pending day in one save; false when the save failed.
    bool WritePending();
    QList<PlayNotice> Reconcile();

    CDiarySession &m_session;
    std::unique_ptr<CPlayStore> m_store;
    QString m_problem;
    bool m_started = false;
    bool m_unsaved = false;
    QTimer m_fold;
};
