#include "main/LimitWatch.h"

#include "session/DiarySession.h"
#include "session/PlayDiary.h"
#include "tools/LimitsDlg.h"

#include <QLabel>

CLimitWatch::CLimitWatch(QWidget *owner, CDiarySession &session, CPrompt &prompt,
                         QLabel *statusLine)
    : m_owner(owner)
    , m_session(session)
    , m_prompt(prompt)
    , m_status(statusLine)
{
    // An entered day has been saved by the time this is heard: the session hears it first.
    connect(&session.Book(), &CResultBook::dayChanged, this, &CLimitWatch::DayConfirmed);
    connect(&session.Plays(), &CPlayDiary::sessionsChanged, this, &CLimitWatch::DayConfirmed);
}

CLimitWatch::~CLimitWatch() = default;

bool CLimitWatch::ThisMonth(MonthTotals &totals) const
{
    const int month = m_session.ThisMonth();
    if (const std::optional<MonthTotals> loaded = MonthTotalsOf(m_session.Book(), month)) {
        totals = *loaded;
        return true;
    }
    return ReadMonthTotals(m_session.Book(), month, totals);
}

void CLimitWatch::Refresh()
{
    MonthTotals totals;
    if (!ThisMonth(totals))
        return;
    m_seen = totals;
    if (m_status)
        m_status->setText(limits::CurrentStatus(totals));
}

void CLimitWatch::DayConfirmed()
{
    m_pending = true;
    Post();
}

void CLimitWatch::Post()
{
    if (m_posted || m_holds > 0)
        return;
    m_posted = true;
    QMetaObject::invokeMethod(this, &CLimitWatch::Measure, Qt::QueuedConnection);
}

void CLimitWatch::Measure()
{
    m_posted = false;
    if (!m_pending || m_holds > 0)
        return;
    m_pending = false;
    MonthTotals totals;
    // A month that could not be read whole is not measured: it could tell of a threshold too low.
    if (!ThisMonth(totals))
        return;
    const bool moved = totals.month != m_seen.month || totals.balance != m_seen.balance
            || totals.invested != m_seen.invested || totals.resultDays != m_seen.resultDays;
    m_seen = totals;
    // Only a day that moved this month can take it past a threshold; another month's day, or
    // the same result entered again, leaves the status as it stands.
    if (!moved)
        return;
    const limits::Report report = limits::AfterConfirmedDay(totals);
    if (m_status)
        m_status->setText(report.status);
    ShowLimitBoxes(m_owner, m_prompt, report.boxes);
}

CLimitWatch::Hold::Hold(CLimitWatch &watch)
    : m_watch(&watch)
{
    ++watch.m_holds;
}

CLimitWatch::Hold::~Hold()
{
    if (!m_watch || --m_watch->m_holds > 0)
        return;
    if (m_watch->m_pending)
        m_watch->Post();
}
