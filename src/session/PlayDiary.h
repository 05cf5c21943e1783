#pragma once

#include "data/DayRecord.h"
#include "play/PlayStore.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <span>

class CDiarySession;

// The play sessions (稼働記録) of the diary, kept in step with the data file's day totals: a day
// with sessions is written there by amounts, holding their sums.
//
// Every change is one transaction in the database that also marks the day pending; then the
// day's sums are saved to the data file as a typed day is saved (backup, write-through); then the
// mark is cleared. When the last session of a day is deleted, the day keeps its total as an
// ordinary day. Nothing is opened before Start, which the main window calls once it shows.
class CPlayDiary : public QObject
{
    Q_OBJECT
public:
    CPlayDiary(CDiarySession &session, const QString &dataFilePath, QObject *parent = nullptr);
    ~CPlayDiary() override;

    // Opens and checks the database when there is one. What the user is to be told, one box
    // each: why the database cannot be used.
    QStringList Start();
    // False when the database cannot be used (Problem says why) or the diary is only shown.
    bool IsAvailable() const;
    QString Problem() const;

    CPlayStore &Store() { return *m_store; }

    // The day's sessions in entry order; empty when there are none or the store is unavailable.
    QList<PlaySession> SessionsOfDay(int date);
    bool HasSessions(int date);
    QStringList Stores();
    QStringList Machines();

    // The changes; false with the reason in problem (the store's checks, or a failed save).
    bool Add(PlaySession &session, QString *problem);
    bool Update(PlaySession &session, QString *problem);
    bool Delete(qint64 id, QString *problem);
    // A confirmed CSV import: the data file backed up once more, the sessions added in one
    // transaction, every day written in one save of the data file, the marks cleared. The days
    // ascend, each once. backupPath names the backup taken (empty when there was no file yet).
    bool Import(std::span<const DayChange> days, QList<PlaySession> &sessions, QString *backupPath,
                QString *problem);

signals:
    // The sessions of this day changed (and its total with them).
    void sessionsChanged(int date);

private:
    // Writes the sums of the day's sessions to the data file and clears its mark.
    bool SaveDay(int date, QString *problem);

    CDiarySession &m_session;
    std::unique_ptr<CPlayStore> m_store;
    QString m_problem;
};
