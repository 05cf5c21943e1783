#pragma once

#include "dialogkit/DialogTemplate.h"
#include "stats/CalendarData.h"

#include <QDialog>

#include <array>

class CCalendarGrid;
class CResultBook;
class QLabel;
class QPushButton;
class QRadioButton;
class QStackedWidget;

// The calendar: a month as a grid of weeks, or a year as twelve small months, each day coloured
// by its result. It reads every year of the book's data file once, when it opens, with the
// loaded period's unsaved days laid over, and follows the days the book takes while it is open.
// It never writes the data file.
//
// A modeless window: the main window shows it and answers openDayRequested. The choice of view
// and the window's position are kept in the settings section "Calendar" when it closes.
class CCalendarDlg : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdClose = 1,
        IdMonthView = 10, // "月(&M)"
        IdYearView = 11, // "年(&Y)"
        IdPrev = 12, // "<"
        IdTitle = 13, // the month or year shown and its balance
        IdNext = 14, // ">"
        IdDays = 15, // the grids
        IdStatus = 16, // the window's status line
    };

    // owner: the main window. book: the diary's book, which must outlive the window; its loaded
    // period is where a day can be opened. today: yyyymmdd, outlined and reached by Home.
    CCalendarDlg(QWidget *owner, const CResultBook &book, int today);
    ~CCalendarDlg() override;

    QWidget *control(ControlId id) const;
    bool IsYearView() const { return m_yearView; }
    int Cursor() const { return m_cursor; } // the day the keys act on, yyyymmdd
    int ShownMonth() const { return m_cursor / 100; } // yyyymm; in the year view its year counts
    CCalendarGrid *MonthGrid() const { return m_monthGrid; }
    CCalendarGrid *YearGrid(int month) const { return m_yearGrids[size_t(month - 1)]; }
    QString StatusText() const;
    const CDayArchive &Archive() const { return m_archive; }

    // Reads the data file again, as at opening.
    void Reload();
    void SetYearView(bool year);
    void MoveCursor(int32_t date); // shows the month (or year) of the date
    void StepPage(int n); // n months in the month view, n years in the year view
    void GoToday();
    // Enter or a double click on a day: asks for it within the loaded period, otherwise says why.
    void Activate(int32_t date);

    void setVisible(bool visible) override;
    void done(int result) override;

signals:
    // The main window is to select this day (yyyymmdd) and open the daily input window on it.
    void openDayRequested(int date);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QWidget *BuildDays(QWidget *client);
    bool HandleKey(QKeyEvent *event);
    void Redraw();
    void OnInitDialog();
    void OnDestroy();

    const CResultBook &m_book;
    const int32_t m_today;
    CDayArchive m_archive;
    dlg::Controls m_controls;
    QStackedWidget *m_stack = nullptr;
    CCalendarGrid *m_monthGrid = nullptr;
    QWidget *m_yearPage = nullptr;
    std::array<CCalendarGrid *, 12> m_yearGrids{};
    std::array<QLabel *, 12> m_yearTitles{};
    QLabel *m_title = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_prev = nullptr;
    QPushButton *m_next = nullptr;
    bool m_yearView = false;
    int32_t m_cursor = 0;
    QString m_readProblem; // why the file could not be read; shown until a message replaces it
    bool m_initialized = false;
};
