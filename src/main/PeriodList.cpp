#include "main/PeriodList.h"

#include "app/RowIcons.h"
#include "data/ResultBook.h"
#include "session/RowText.h"

#include <QScrollBar>
#include <QStyle>

namespace {

constexpr int kIconRole = Qt::UserRole; // the row's image index, as the list item keeps it
constexpr int kKeyRole = Qt::UserRole + 1;

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
    m_smallImages = RowIcons();
    const int w = frameGeometry().width();
    const auto columns = rowtext::Columns();
    setColumnCount(6);
    QTreeWidgetItem *header = headerItem();
    for (int c = 0; c < 6; ++c) {
        header->setText(c, QString::fromUtf16(columns[c].heading));
        setColumnWidth(c, w * columns[c].share / 20);
        header->setTextAlignment(c, (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    }
    setIconSize(QSize(16, 16));
    // The columns leave a twentieth of the width free; the date column takes what of it the
    // scroll bar leaves, so that the weekday stays readable with wider stand-in fonts.
    int used = 0;
    for (int c = 0; c < 6; ++c)
        used += columnWidth(c);
    const int visible = w - 2 * frameWidth()
            - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    if (visible > used)
        setColumnWidth(0, columnWidth(0) + visible - used);
}

void CPeriodList::AddRow(const QStringList &cells, int icon, int key)
{
    auto *item = new QTreeWidgetItem();
    for (int c = 0; c < cells.size(); ++c) {
        item->setText(c, cells.at(c));
        if (c > 0)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (icon >= 0 && icon < m_smallImages.size())
        item->setIcon(0, m_smallImages.at(icon));
    item->setData(0, kIconRole, icon);
    item->setData(0, kKeyRole, key);
    addTopLevelItem(item);
}

int CPeriodList::RowKey(int row) const
{
    const QTreeWidgetItem *item = row >= 0 ? topLevelItem(row) : nullptr;
    return item ? item->data(0, kKeyRole).toInt() : 0;
}

int CPeriodList::IconOfRow(int row) const
{
    const QTreeWidgetItem *item = row >= 0 ? topLevelItem(row) : nullptr;
    return item ? item->data(0, kIconRole).toInt() : -1;
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
