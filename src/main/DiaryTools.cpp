// The main window's tools beside the year table: the totals by store and machine, the calendar,
// the statistics, the player's limits with their status line, the help box, and the CSV import.
#include "main/DiaryDlg.h"

#include "dialogkit/DialogTemplate.h"
#include "main/ImportCommands.h"
#include "main/LimitWatch.h"
#include "main/PeriodList.h"
#include "session/DiarySession.h"
#include "session/PlayDiary.h"
#include "tools/CalendarDlg.h"
#include "tools/HelpDlg.h"
#include "tools/LimitsDlg.h"
#include "tools/SessionTableDlg.h"
#include "tools/StatsDlg.h"

#include <QAction>
#include <QLabel>

QWidget *CDiaryDlg::BuildStatusLine(const dlg::BaseUnits &units)
{
    // Below everything, as wide as the summary line above it; empty while no limit is on.
    auto *strip = new QWidget(this);
    strip->setFixedSize(dlg::ToPixels(units, 490, 14));
    auto *line = new QLabel(strip);
    line->setObjectName(QStringLiteral("limitStatus"));
    line->setGeometry(dlg::ToPixels(units, 4, 0, 482, 12));
    line->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    line->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    line->setTextFormat(Qt::PlainText);
    // Its text is what a screen reader names it; this says what it is.
    line->setAccessibleDescription(QStringLiteral("今月の上限の状況"));
    m_ui.limitStatus = line;
    return strip;
}

void CDiaryDlg::ConnectTools()
{
    m_limits = std::make_unique<CLimitWatch>(this, *m_session, *m_prompt, m_ui.limitStatus);
    m_limits->Refresh();

    CImportCommands::Sources sources;
    sources.owner = this;
    sources.session = m_session.get();
    sources.dataFilePath = m_dataFilePath;
    sources.prompt = m_prompt;
    sources.openPath = m_openPath;
    sources.limits = m_limits.get();
    sources.showReports = [this] { ShowReports(); };
    m_import = std::make_unique<CImportCommands>(std::move(sources));
    connect(m_ui.importCsv, &QAction::triggered, m_import.get(), &CImportCommands::ImportCsv);
    // Like the exports, the import rests while the daily input window is open; a diary that is
    // only shown takes none.
    m_ui.importCsv->setEnabled(!m_viewOnly);
    connect(m_session.get(), &CDiarySession::entryOpenChanged, this,
            [this](bool open) { m_ui.importCsv->setEnabled(!open && !m_viewOnly); });

    // Days written for play sessions or an import reach the book by reading, not by entry: the
    // calendar reads the file again, once for a burst of them.
    connect(&m_session->Plays(), &CPlayDiary::sessionsChanged, this, [this] {
        if (!m_calendar || !m_calendar->isVisible() || m_calendarStale)
            return;
        m_calendarStale = true;
        QMetaObject::invokeMethod(
                this,
                [this] {
                    m_calendarStale = false;
                    if (m_calendar && m_calendar->isVisible())
                        m_calendar->Reload();
                },
                Qt::QueuedConnection);
    });
}

CCalendarDlg *CDiaryDlg::Calendar() const
{
    return m_calendar;
}

int CDiaryDlg::RunToolBox(QDialog &box)
{
    // As for the version box: the daily input window rests while the box is shown.
    if (m_dailyInput)
        m_dailyInput->setEnabled(false);
    const int result = box.exec();
    if (m_dailyInput)
        m_dailyInput->setEnabled(true);
    return result;
}

void CDiaryDlg::OnCalendar()
{
    // One window, shown again and raised: it reads the file anew each time it is shown.
    if (!m_calendar) {
        m_calendar = new CCalendarDlg(this, m_session->Book(), m_session->Today());
        connect(m_calendar, &CCalendarDlg::openDayRequested, this, &CDiaryDlg::OpenDay);
    }
    m_calendar->show();
    m_calendar->raise();
    m_calendar->activateWindow();
}

void CDiaryDlg::OpenDay(int date)
{
    if (m_session->Book().IndexOf(date) < 0)
        return;
    if (m_session->ConfirmEntry() == EntryAnswer::Cancelled)
        return;
    m_session->ShowDaily(date / 100);
    // The row as a click selects it; the session follows.
    for (int row = 0; row < m_ui.list->RowCount(); ++row) {
        if (m_ui.list->RowKey(row) == date) {
            m_ui.list->SelectRow(row);
            m_ui.list->EnsureVisible(row);
            break;
        }
    }
    m_session->SelectRow(date);
    OpenDailyInput();
    if (m_dailyInput) {
        m_dailyInput->raise();
        m_dailyInput->activateWindow();
    }
}

void CDiaryDlg::OnSessionTable()
{
    CSessionTableDlg box(this, m_session->Book(), m_session->Plays().Store());
    RunToolBox(box);
}

void CDiaryDlg::OnStats()
{
    CStatsDlg box(this, m_session->Book());
    RunToolBox(box);
}

void CDiaryDlg::OnLimits()
{
    MonthTotals month;
    m_limits->ThisMonth(month); // what could be read, should the file fail
    CLimitsDlg box(this, month);
    if (RunToolBox(box) == QDialog::Accepted)
        m_limits->Refresh();
}

void CDiaryDlg::OnHelp()
{
    CHelpDlg box(this);
    RunToolBox(box);
}
