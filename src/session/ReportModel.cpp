#include "session/ReportModel.h"

namespace {

// As an int, the way the views and their header read it.
QVariant Alignment(int column)
{
    return int((column == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
}

} // namespace

CReportModel::CReportModel(std::span<const rowtext::Column> columns, QObject *parent)
    : QAbstractTableModel(parent)
    , m_columns(columns)
{ }

void CReportModel::SetDecorations(QList<QVariant> decorations)
{
    m_decorations = std::move(decorations);
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(RowCount() - 1, 0), {Qt::DecorationRole});
}

void CReportModel::SetRows(QList<ReportRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void CReportModel::UpdateRows(int first, const QList<ReportRow> &rows)
{
    int from = -1;
    int to = -1;
    for (int i = 0; i < rows.size(); ++i) {
        const int r = first + i;
        if (r < 0 || r >= RowCount())
            continue;
        if (m_rows.at(r) == rows.at(i))
            continue;
        m_rows[r] = rows.at(i);
        if (from < 0)
            from = r;
        to = r;
    }
    if (from >= 0)
        emit dataChanged(index(from, 0), index(to, columnCount() - 1));
}

QStringList CReportModel::Headings() const
{
    QStringList headings;
    for (const rowtext::Column &column : m_columns)
        headings << QString::fromUtf16(column.heading);
    return headings;
}

int CReportModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : RowCount();
}

int CReportModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant CReportModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ReportRow &row = m_rows.at(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return row.cells.value(column);
    case Qt::TextAlignmentRole:
        // As the cells always were: the first column with the view's own alignment.
        return column == 0 ? QVariant() : Alignment(column);
    case Qt::DecorationRole:
        return column == 0 ? m_decorations.value(row.icon) : QVariant();
    case IconRole:
        return column == 0 ? QVariant(row.icon) : QVariant();
    case KeyRole:
        return column == 0 ? QVariant(row.key) : QVariant();
    default:
        return {};
    }
}

QVariant CReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromUtf16(m_columns[size_t(section)].heading);
    if (role == Qt::TextAlignmentRole)
        return Alignment(section);
    return {};
}

Qt::ItemFlags CReportModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}
