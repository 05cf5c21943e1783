#pragma once

#include "stats/Limits.h"

#include <QObject>
#include <QPointer>

class CDiarySession;
class CPrompt;
class QLabel;
class QWidget;

// The main window's watch over the player's monthly limits: the status line shows this month's
// standing against each limit that is on, and a confirmed day that takes the month past a
// threshold brings that threshold's box. The boxes come back in the event loop, never inside the
// entry that confirmed the day, and never block it.
class CLimitWatch : public QObject
{
    Q_OBJECT
public:
    CLimitWatch(QWidget *owner, CDiarySession &session, CPrompt &prompt, QLabel *statusLine);
    ~CLimitWatch() override;

    // This month's totals: from the loaded period, else from the data file with the book's days
    // laid over. False when the file could not be read.
    bool ThisMonth(MonthTotals &totals) const;
    // The status line anew, after the limits were set; nothing is told.
    void Refresh();
    // A day was confirmed: the month is measured once back in the event loop.
    void DayConfirmed();

    // While one lives, the measuring waits: a command whose own box comes first holds it.
    class Hold
    {
    public:
        explicit Hold(CLimitWatch &watch);
        ~Hold();
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

    private:
        QPointer<CLimitWatch> m_watch;
    };
    [[nodiscard]] Hold HoldBoxes() { return Hold(*this); }

private:
    void Post();
    void Measure();

    QWidget *m_owner;
    CDiarySession &m_session;
    CPrompt &m_prompt;
    QPointer<QLabel> m_status;
    MonthTotals m_seen; // the month as last measured: a day that leaves it as it is tells nothing
    bool m_pending = false; // a confirmed day not measured yet
    bool m_posted = false; // a measuring waits in the event loop
    int m_holds = 0;
};
