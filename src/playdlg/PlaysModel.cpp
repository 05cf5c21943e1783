#include "playdlg/PlaysModel.h"

namespace {

const char16_t *const kHeadings[]
        = {u"店舗", u"機種", u"開始", u"終了", u"投資", u"回収", u"収支", u"メモ"};
static_assert(std::size(kHeadings) == CPlaysModel::ColumnCount);

bool IsNumber(int column)
{
    return column == CPlaysModel::Invested || column == CPlaysModel::Collected
            || column == CPlaysModel::Balance;
}

} // namespace

CPlaysModel::CPlaysModel(QObject *parent)
    : QAbstractTableModel(parent)
{ }

void CPlaysModel::SetSessions(QList<PlaySession> sessions)
{
    beginResetModel();
    m_sessions = std::move(sessions);
    endResetModel();
}

int CPlaysModel::RowOf(qint64 id) const
{
    for (int r = 0; r < m_sessions.size(); ++r) {
        if (m_sessions.at(r).id == id)
            return r;
    }
    return -1;
}

QString CPlaysModel::MemoLine(const QString &memo)
{
    return memo.split(QLatin1Char('\n')).join(QStringLiteral(" / "));
}

QString CPlaysModel::CellText(const PlaySession &s, int column)
{
    switch (column) {
    case Store:
        return s.store;
    case Machine:
        return s.machine;
    case Start:
        return PlayInput::TimeText(s.startMinute);
    case End:
        return PlayInput::TimeText(s.endMinute);
    case Invested:
        return QString::number(s.invested);
    case Collected:
        return QString::number(s.collected);
    case Balance:
        return QString::number(s.Balance());
    case Memo:
        return MemoLine(s.memo);
    default:
        return QString();
    }
}

int CPlaysModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_sessions.size());
}

int CPlaysModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CPlaysModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const PlaySession &s = m_sessions.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return CellText(s, index.column());
    case Qt::ToolTipRole:
        // The memo with its line breaks, where the cell has no room for them.
        return index.column() == Memo && !s.memo.isEmpty() ? QVariant(s.memo) : QVariant();
    case Qt::TextAlignmentRole:
        return int((IsNumber(index.column()) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant CPlaysModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromUtf16(kHeadings[section]);
    if (role == Qt::TextAlignmentRole)
        return int((IsNumber(section) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags CPlaysModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}
