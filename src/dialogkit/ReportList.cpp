#include "dialogkit/ReportList.h"

#include "dialogkit/RowIcons.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPalette>
#include <QScrollBar>
#include <QStyle>

CReportList::CReportList(QWidget *parent)
    : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    // Selecting a row must not scroll by itself: the list's owners decide when to scroll.
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

void CReportList::SetReportModel(CReportModel *model)
{
    m_model = model;
    QList<QVariant> icons;
    for (const QIcon &icon : RowIcons())
        icons.append(icon);
    model->SetDecorations(std::move(icons));
    setModel(model);
}

void CReportList::SetupColumns()
{
    const std::span<const rowtext::Column> columns
            = m_model ? m_model->Columns() : std::span<const rowtext::Column>();
    const int w = frameGeometry().width();
    const int count = int(columns.size());
    for (int c = 0; c < count; ++c)
        setColumnWidth(c, w * columns[size_t(c)].share / 20);
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

int CReportList::RowCount() const
{
    return m_model ? m_model->RowCount() : 0;
}

QString CReportList::CellText(int row, int column) const
{
    return row >= 0 && row < RowCount() ? m_model->RowAt(row).cells.value(column) : QString();
}

int CReportList::RowKey(int row) const
{
    return row >= 0 && row < RowCount() ? m_model->RowAt(row).key : 0;
}

int CReportList::IconOfRow(int row) const
{
    return row >= 0 && row < RowCount() ? m_model->RowAt(row).icon : -1;
}

int CReportList::SelectedRow() const
{
    if (!selectionModel())
        return -1;
    const QModelIndexList rows = selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex &index : rows) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

int CReportList::TopRow() const
{
    const QModelIndex index = indexAt(QPoint(1, 1));
    return index.isValid() ? index.row() : 0;
}

QRect CReportList::RowRect(int row) const
{
    return m_model && row >= 0 && row < RowCount() ? visualRect(m_model->index(row, 0)) : QRect();
}

void CReportList::EnsureVisible(int row)
{
    if (!m_model || row < 0 || row >= RowCount())
        return;
    const QRect rect = RowRect(row);
    if (rect.isValid() && rect.intersects(viewport()->rect()))
        return;
    scrollTo(m_model->index(row, 0), QAbstractItemView::EnsureVisible);
}

void CReportList::SelectRow(int row)
{
    if (!m_model || row < 0 || row >= RowCount())
        return;
    selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect
                                              | QItemSelectionModel::Rows);
}

void CReportList::mousePressEvent(QMouseEvent *event)
{
    m_afterDoubleClick = false;
    QTreeView::mousePressEvent(event);
}

void CReportList::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeView::mouseReleaseEvent(event);
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
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    m_afterDoubleClick = true;
    emit listDoubleClicked();
}
