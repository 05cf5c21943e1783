#include "main/ReportList.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPalette>
#include <QScrollBar>

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
