#include "app/ReportList.h"

#include "app/RowIcons.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPalette>
#include <QScrollBar>
#include <QStyle>

namespace {

constexpr int kIconRole = Qt::UserRole; // the row's image index, as the list item keeps it
constexpr int kKeyRole = Qt::UserRole + 1;

} // namespace

CReportList::CReportList(QWidget *parent)
    : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    // Selecting a row must not scroll by itself: the fill operations decide when to scroll.
    setAutoScroll(false);
    setFocusPolicy(Qt::StrongFocus);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    // The selection stays visible while another control has the focus.
    QPalette pal = palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);
}

void CReportList::SetupColumns(std::span<const ReportColumn> columns)
{
    m_rowIcons = RowIcons();
    const int w = frameGeometry().width();
    const int count = int(columns.size());
    setColumnCount(count);
    QTreeWidgetItem *header = headerItem();
    for (int c = 0; c < count; ++c) {
        header->setText(c, QString::fromUtf16(columns[c].heading));
        setColumnWidth(c, w * columns[c].share / 20);
        header->setTextAlignment(c, (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    }
    setIconSize(QSize(16, 16));
    // The columns leave some of the width free; the first column takes what of it the scroll
    // bar leaves, so that its text stays readable with wider stand-in fonts.
    int used = 0;
    for (int c = 0; c < count; ++c)
        used += columnWidth(c);
    const int visible = w - 2 * frameWidth()
            - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    if (count > 0 && visible > used)
        setColumnWidth(0, columnWidth(0) + visible - used);
}

void CReportList::AddRow(const QStringList &cells, int icon, int key)
{
    auto *item = new QTreeWidgetItem();
    for (int c = 0; c < cells.size(); ++c) {
        item->setText(c, cells.at(c));
        if (c > 0)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (icon >= 0 && icon < m_rowIcons.size())
        item->setIcon(0, m_rowIcons.at(icon));
    item->setData(0, kIconRole, icon);
    item->setData(0, kKeyRole, key);
    addTopLevelItem(item);
}

int CReportList::RowKey(int row) const
{
    const QTreeWidgetItem *item = row >= 0 ? topLevelItem(row) : nullptr;
    return item ? item->data(0, kKeyRole).toInt() : 0;
}

int CReportList::IconOfRow(int row) const
{
    const QTreeWidgetItem *item = row >= 0 ? topLevelItem(row) : nullptr;
    return item ? item->data(0, kIconRole).toInt() : -1;
}

int CReportList::SelectedRow() const
{
    const QList<QTreeWidgetItem *> items = selectedItems();
    if (items.isEmpty())
        return -1;
    int first = topLevelItemCount();
    for (QTreeWidgetItem *item : items)
        first = qMin(first, indexOfTopLevelItem(item));
    return first;
}

int CReportList::TopRow() const
{
    const QModelIndex index = indexAt(QPoint(1, 1));
    return index.isValid() ? index.row() : 0;
}

void CReportList::EnsureVisible(int row)
{
    QTreeWidgetItem *item = topLevelItem(row);
    if (!item)
        return;
    const QRect rect = visualItemRect(item);
    if (rect.isValid() && rect.intersects(viewport()->rect()))
        return;
    scrollToItem(item, QAbstractItemView::EnsureVisible);
}

void CReportList::SelectRow(int row)
{
    QTreeWidgetItem *item = topLevelItem(row);
    if (!item)
        return;
    setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int CReportList::ScrollValue() const
{
    return verticalScrollBar()->value();
}

void CReportList::RestoreScroll(int value)
{
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(value);
}

void CReportList::mousePressEvent(QMouseEvent *event)
{
    m_afterDoubleClick = false;
    QTreeWidget::mousePressEvent(event);
}

void CReportList::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    if (m_afterDoubleClick) {
        m_afterDoubleClick = false;
        return;
    }
    emit listClicked();
}

void CReportList::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    m_afterDoubleClick = true;
    emit listDoubleClicked();
}
