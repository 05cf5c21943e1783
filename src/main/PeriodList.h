#pragma once

#include "dialogkit/ReportList.h"
#include "session/PeriodModel.h"

class CResultBook;

// The main window's list: the months of the loaded period, or the days of one month, with the
// row icons. Every row carries the key of its month (yyyymm) or day (yyyymmdd).
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

    const CPeriodModel &Model() const { return m_model; }
    int SelectedKey() const { return RowKey(SelectedRow()); }

private:
    CPeriodModel m_model;
};
