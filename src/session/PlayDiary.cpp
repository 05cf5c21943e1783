#include "session/PlayDiary.h"

#include "data/Amount.h"
#include "data/DayRecord.h"
#include "session/DiarySession.h"

CPlayDiary::CPlayDiary(CDiarySession &session, const QString &dataFilePath, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_store(std::make_unique<CPlayStore>(CPlayStore::PathFor(dataFilePath)))
{ }

CPlayDiary::~CPlayDiary() = default;

QStringList CPlayDiary::Start()
{
    if (m_store->Check())
        return {};
    m_problem = m_store->LastError();
    return {m_problem};
}

bool CPlayDiary::IsAvailable() const
{
    return m_store->IsAvailable() && !m_session.Book().IsViewOnly();
}

QString CPlayDiary::Problem() const
{
    return m_problem.isEmpty() ? m_store->LastError() : m_problem;
}

QList<PlaySession> CPlayDiary::SessionsOfDay(int date)
{
    QList<PlaySession> sessions;
    if (!m_store->SessionsOfDay(date, &sessions))
        sessions.clear();
    return sessions;
}

bool CPlayDiary::HasSessions(int date)
{
    PlayDaySums sums;
    return m_store->DaySums(date, &sums) && sums.sessions > 0;
}

QStringList CPlayDiary::Stores()
{
    QStringList names;
    m_store->Stores(&names);
    return names;
}

QStringList CPlayDiary::Machines()
{
    QStringList names;
    m_store->Machines(&names);
    return names;
}

bool CPlayDiary::Add(PlaySession &session, QString *problem)
{
    if (!IsAvailable() || !m_store->Add(session)) {
        *problem = Problem();
        return false;
    }
    return SaveDay(session.day, problem);
}

bool CPlayDiary::Update(PlaySession &session, QString *problem)
{
    PlaySession before;
    bool found = false;
    if (!IsAvailable() || !m_store->Session(session.id, &before, &found) || !found
        || !m_store->Update(session)) {
        *problem = Problem();
        return false;
    }
    bool saved = SaveDay(session.day, problem);
    if (before.day != session.day)
        saved = SaveDay(before.day, problem) && saved;
    return saved;
}

bool CPlayDiary::Delete(qint64 id, QString *problem)
{
    PlaySession before;
    bool found = false;
    if (!IsAvailable() || !m_store->Session(id, &before, &found) || !found
        || !m_store->Delete(id)) {
        *problem = Problem();
        return false;
    }
    return SaveDay(before.day, problem);
}

bool CPlayDiary::Import(std::span<const DayChange> days, QList<PlaySession> &sessions,
                        QString *backupPath, QString *problem)
{
    if (m_session.Book().IsViewOnly() || (!sessions.isEmpty() && !IsAvailable())) {
        *problem = Problem();
        return false;
    }
    const BackupOutcome backup = m_session.BackUpNow();
    if (backup.status == BackupOutcome::Failed) {
        *problem = backup.message;
        return false;
    }
    *backupPath = backup.path;
    if (!sessions.isEmpty() && !m_store->AddAll(sessions)) {
        *problem = Problem();
        return false;
    }
    if (!m_session.ApplyDays(days)) {
        *problem = QString(); // told through the session's reports; the marks stay for the next
                              // start
        return false;
    }
    for (const PlaySession &session : std::as_const(sessions))
        m_store->ClearPending(session.day);
    for (const DayChange &day : days)
        emit sessionsChanged(day.date);
    return true;
}

bool CPlayDiary::SaveDay(int date, QString *problem)
{
    PlayDaySums sums;
    if (!m_store->DaySums(date, &sums)) {
        *problem = Problem();
        return false;
    }
    // Without sessions left the day keeps the total it has: nothing to write.
    if (sums.sessions > 0) {
        const int32_t collected = SaturatedAmount(sums.collected);
        const int32_t invested = SaturatedAmount(sums.invested);
        const DayChange change{
                date, {0, collected, invested, SaturatedAmount(sums.collected - sums.invested)}};
        if (!m_session.ApplyDays({&change, 1})) {
            // The mark stays: the next start writes the day.
            *problem = QString();
            emit sessionsChanged(date);
            return false;
        }
    }
    m_store->ClearPending(date);
    emit sessionsChanged(date);
    return true;
}
