#include "tools/CalendarGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

namespace {

const char16_t *const kWeekdays[7] = {u"日", u"月", u"火", u"水", u"木", u"金", u"土"};

QColor ToColor(const calendar::Rgb &rgb)
{
    return QColor(rgb.r, rgb.g, rgb.b);
}

} // namespace

CMonthModel::CMonthModel(const CDayArchive &archive, QObject *parent)
    : QAbstractTableModel(parent)
    , m_archive(archive)
{ }

void CMonthModel::Show(int monthKey, int32_t today, int32_t scale)
{
    // Six weeks always, so that a new month only changes what the cells show: the table keeps
    // its shape, and a screen reader its cells.
    m_layout = calendar::LayOut(monthKey);
    m_today = today;
    m_scale = scale;
    emit dataChanged(index(0, 0), index(kWeeks - 1, 6));
}

QModelIndex CMonthModel::IndexOf(int32_t date) const
{
    if (date / 100 != m_layout.monthKey)
        return QModelIndex();
    const calendar::CellPos pos = calendar::PositionOf(date);
    return index(pos.row, pos.column);
}

int CMonthModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kWeeks;
}

int CMonthModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 7;
}

QVariant CMonthModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= kWeeks)
        return QVariant();
    const int32_t date = m_layout.cells[index.row()][index.column()];
    if (role == DateRole)
        return date;
    if (date == 0)
        return QVariant();
    const CalendarDay day = m_archive.Day(date);
    switch (role) {
    case Qt::DisplayRole:
        return QString::number(date % 100);
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return calendar::CellText(day, date == m_today);
    case Qt::BackgroundRole:
        return ToColor(calendar::HeatColour(day, m_scale));
    case BalanceTextRole:
        return day.result ? QString::number(day.balance) : QString();
    case TodayRole:
        return date == m_today;
    default:
        return QVariant();
    }
}

QVariant CMonthModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 7)
        return QString::fromUtf16(kWeekdays[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags CMonthModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || data(index, DateRole).toInt() == 0)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

CDayDelegate::CDayDelegate(bool compact, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_compact(compact)
{ }

void CDayDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const
{
    const QRect r = option.rect;
    painter->save();
    if (index.data(CMonthModel::DateRole).toInt() == 0) {
        painter->fillRect(r, option.palette.window());
        painter->restore();
        return;
    }
    painter->fillRect(r, index.data(Qt::BackgroundRole).value<QColor>());
    painter->setPen(Qt::black);
    QFont font = option.font;
    if (m_compact) {
        font.setPointSizeF(font.pointSizeF() * 0.75);
        painter->setFont(font);
        painter->drawText(r, Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
    } else {
        painter->setFont(font);
        painter->drawText(r.adjusted(3, 2, -3, -2), Qt::AlignLeft | Qt::AlignTop,
                          index.data(Qt::DisplayRole).toString());
        font.setBold(true);
        painter->setFont(font);
        painter->drawText(r.adjusted(3, 2, -4, -3), Qt::AlignRight | Qt::AlignBottom,
                          index.data(CMonthModel::BalanceTextRole).toString());
    }
    if (index.data(CMonthModel::TodayRole).toBool()) {
        QPen pen(QColor(255, 0, 255));
        pen.setWidth(2);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r.adjusted(1, 1, -1, -1));
    }
    if (option.state & QStyle::State_Selected) {
        QPen pen(Qt::black);
        pen.setStyle(Qt::DotLine);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        const int inset = m_compact ? 2 : 4;
        painter->drawRect(r.adjusted(inset, inset, -inset - 1, -inset - 1));
    }
    painter->restore();
}

CCalendarGrid::CCalendarGrid(const CDayArchive &archive, bool compact, QWidget *parent)
    : QTableView(parent)
    , m_model(new CMonthModel(archive, this))
{
    setModel(m_model);
    setItemDelegate(new CDayDelegate(compact, this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setMinimumSectionSize(1);
    setGridStyle(Qt::SolidLine);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (const int date = index.data(CMonthModel::DateRole).toInt())
            emit dayClicked(date);
    });
}

void CCalendarGrid::FitCells()
{
    const QSize area = viewport()->size();
    const int width = qMax(1, area.width() / 7);
    const int height = qMax(1, area.height() / CMonthModel::kWeeks);
    for (int c = 0; c < 7; ++c)
        setColumnWidth(c, width);
    verticalHeader()->setDefaultSectionSize(height);
    for (int r = 0; r < m_model->rowCount(); ++r)
        setRowHeight(r, height);
}

void CCalendarGrid::SetCursorDate(int32_t date)
{
    const QModelIndex index = m_model->IndexOf(date);
    if (!index.isValid()) {
        clearSelection();
        return;
    }
    setCurrentIndex(index);
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
}

void CCalendarGrid::keyPressEvent(QKeyEvent *event)
{
    if (m_keys && m_keys(event)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void CCalendarGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    FitCells();
}

void CCalendarGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (const int date = index.data(CMonthModel::DateRole).toInt()) {
        event->accept();
        emit dayActivated(date);
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}
