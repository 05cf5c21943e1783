#pragma once

#include "dialogkit/ReportList.h"
#include "session/PeriodModel.h"

#include <QPointer>

class CPlayDiary;
class CResultBook;

// The main window's list: the months of the loaded period, or the days of one month, with the
// row icons. Every row carries the key of its month (yyyymm) or day (yyyymmdd). In the daily view
// a day with play sessions carries a mark at the end of its date cell, and says so to a screen
// reader.
class CPeriodList : public CReportList
{
    Q_OBJECT
public:
    explicit CPeriodList(QWidget *parent = nullptr);
    ~CPeriodList() override;

    // The six columns; once the list has its size.
    void Setup();
    // A row per month; the one whose month number is selMonth is selected. thisMonth is marked.
    void ShowMonthly(const CResultBook &book, int selMonth, int thisMonth);
    // The days of month monthIndex; the day numbered selDay is selected and scrolled into view,
    // today is marked.
    void ShowDaily(const CResultBook &book, int monthIndex, int selDay, int today);
    // The days from fromIndex on changed: their rows show the book anew, while the selection and
    // the scroll position stay where they were.
    void DaysChanged(const CResultBook &book, int fromIndex);

    // Marks the days that have play sessions. Their database is first asked once the list has
    // been drawn, which is after the main window showed and looked at the database; then again
    // whenever the rows are laid out anew and whenever a day's sessions change.
    void FollowPlays(CPlayDiary &plays);
    // The marks of the rows shown, asked anew.
    void RefreshPlayMarks();

    const CPeriodModel &Model() const { return m_model; }
    int SelectedKey() const { return RowKey(SelectedRow()); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void OnSessionsChanged(int date);

    CPeriodModel m_model;
    QPointer<CPlayDiary> m_plays;
    bool m_playMarksOn = false; // the list was drawn: the database may be asked
};
