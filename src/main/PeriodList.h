#pragma once

#include "app/ReportList.h"

#include <QIcon>
#include <QList>
#include <QPixmap>

class CResultBook;

// The main window's list: the months of the loaded period, or the days of one month, with the
// row icons. Every row carries the key of its month (yyyymm) or day (yyyymmdd).
class CPeriodList : public CReportList
{
    Q_OBJECT
public:
    explicit CPeriodList(QWidget *parent = nullptr);

    // The six columns and the row icons; once the list has its size.
    void Setup();
    // A row per month; the one whose month number is selMonth is selected. thisMonth is marked.
    void FillMonthly(const CResultBook &book, int selMonth, int thisMonth);
    // The days of month monthIndex from the day fromIndex on (0: all of them). After a change of
    // one day only its row and the later ones are built again and the list stays where the user
    // scrolled it. The day numbered selDay is selected; today is marked.
    void FillDaily(const CResultBook &book, int monthIndex, int selDay, int fromIndex, int today);

    int SelectedKey() const { return RowKey(SelectedRow()); }

private:
    QList<QPixmap> m_largeImages; // 32 x 32
};
