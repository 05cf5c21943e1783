#include "main/PeriodList.h"

#include "data/ResultBook.h"
#include "session/RowText.h"

#include <QScrollBar>

namespace {

// Row icons in image-list order: no marks, then framed for today or this month.
const char *const kRowIcons[]
        = {":/icons/row_zero.png",       ":/icons/row_up.png",       ":/icons/row_down.png",
           ":/icons/row_today_zero.png", ":/icons/row_today_up.png", ":/icons/row_today_down.png"};

} // namespace

CPeriodList::CPeriodList(QWidget *parent)
    : CReportList(parent)
{ }

void CPeriodList::Setup()
{
    m_largeImages.clear();
    for (const char *path : kRowIcons)
        m_largeImages.append(QPixmap(QString::fromLatin1(path)));
    SetupColumns(rowtext::Columns());
}

void CPeriodList::FillMonthly(const CResultBook &book, int selMonth, int thisMonth)
{
    clear();
    int toSelect = -1;
    for (int m = 0; m < book.MonthCount(); ++m) {
        const MonthEntry &month = book.Month(m);
        const qint32 balance = book.Day(month.lastDay).monthBalance;
        AddRow(rowtext::MonthlyRow(book, m), rowtext::IconOf(balance, month.month == thisMonth),
               month.month);
        if (month.month % 100 == selMonth)
            toSelect = m;
    }
    if (toSelect >= 0)
        SelectRow(toSelect);
}

void CPeriodList::FillDaily(const CResultBook &book, int monthIndex, int selDay, int fromIndex,
                            int today)
{
    // Where the user had scrolled the list; a partial rebuild puts it back exactly there.
    const int scroll = ScrollValue();
    const int monthKey
            = monthIndex >= 0 && monthIndex < book.MonthCount() ? book.Month(monthIndex).month : 0;
    if (fromIndex != 0) {
        const int c = book.Day(fromIndex).date;
        if (c / 100 != monthKey) {
            fromIndex = 0;
            clear();
        } else if (c % 100 == 1) {
            clear();
        } else {
            // Only the rows from the changed day on: the totals before it are still right.
            for (int r = topLevelItemCount() - 1; r >= c % 100 - 1; --r)
                delete takeTopLevelItem(r);
        }
    } else {
        clear();
    }
    int toSelect = -1;
    for (int d = fromIndex; d < book.DayCount(); ++d) {
        const DayResult &day = book.Day(d);
        const int key = day.date / 100;
        if (key > monthKey)
            break;
        if (key < monthKey)
            continue;
        AddRow(rowtext::DailyRow(day), rowtext::IconOf(day.balance, day.date == today), day.date);
        if (day.date % 100 == selDay)
            toSelect = topLevelItemCount() - 1;
    }
    if (fromIndex != 0) {
        toSelect = selDay - 1;
        RestoreScroll(scroll);
    }
    if (toSelect >= 0 && toSelect < topLevelItemCount()) {
        SelectRow(toSelect);
        EnsureVisible(toSelect);
    }
}
