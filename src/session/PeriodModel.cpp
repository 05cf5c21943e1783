#include "session/PeriodModel.h"

#include "data/ResultBook.h"

CPeriodModel::CPeriodModel(QObject *parent)
    : CReportModel(rowtext::Columns(), parent)
{ }

ReportRow CPeriodModel::MonthRow(const CResultBook &book, int m) const
{
    const MonthEntry &month = book.Month(m);
    const qint32 balance = book.Day(month.lastDay).monthBalance;
    return {rowtext::MonthlyRow(book, m), rowtext::IconOf(balance, month.month == m_marked),
            month.month};
}

ReportRow CPeriodModel::DayRow(const CResultBook &book, int index) const
{
    const DayResult &day = book.Day(index);
    return {rowtext::DailyRow(day), rowtext::IconOf(day.balance, day.date == m_marked), day.date};
}

void CPeriodModel::ShowMonthly(const CResultBook &book, int thisMonth)
{
    m_daily = false;
    m_monthIndex = -1;
    m_marked = thisMonth;
    m_bookIndex.clear();
    QList<ReportRow> rows;
    for (int m = 0; m < book.MonthCount(); ++m) {
        m_bookIndex.append(m);
        rows.append(MonthRow(book, m));
    }
    SetRows(std::move(rows));
}

void CPeriodModel::ShowDaily(const CResultBook &book, int monthIndex, int today)
{
    m_daily = true;
    m_monthIndex = monthIndex;
    m_marked = today;
    m_bookIndex.clear();
    QList<ReportRow> rows;
    if (monthIndex >= 0 && monthIndex < book.MonthCount()) {
        const int month = book.Month(monthIndex).month;
        for (int d = 0; d < book.DayCount(); ++d) {
            const int key = book.Day(d).date / 100;
            if (key > month)
                break;
            if (key < month)
                continue;
            m_bookIndex.append(d);
            rows.append(DayRow(book, d));
        }
    }
    SetRows(std::move(rows));
}

bool CPeriodModel::StillShows(const CResultBook &book) const
{
    if (!m_daily && book.MonthCount() != RowCount())
        return false;
    for (int r = 0; r < m_bookIndex.size(); ++r) {
        const int i = m_bookIndex.at(r);
        if (m_daily ? i >= book.DayCount() || book.Day(i).date != RowAt(r).key
                    : i >= book.MonthCount() || book.Month(i).month != RowAt(r).key)
            return false;
    }
    return true;
}

void CPeriodModel::DaysChanged(const CResultBook &book, int fromIndex)
{
    if (!StillShows(book)) {
        if (m_daily)
            ShowDaily(book, m_monthIndex, m_marked);
        else
            ShowMonthly(book, m_marked);
        return;
    }
    // A day changes its own row and the running sums of every later day: in the monthly view
    // the months whose last day comes at or after it.
    int first = 0;
    while (first < m_bookIndex.size()
           && (m_daily ? m_bookIndex.at(first) : book.Month(m_bookIndex.at(first)).lastDay)
                   < fromIndex)
        ++first;
    QList<ReportRow> rows;
    for (int r = first; r < m_bookIndex.size(); ++r)
        rows.append(m_daily ? DayRow(book, m_bookIndex.at(r)) : MonthRow(book, m_bookIndex.at(r)));
    UpdateRows(first, rows);
}

int CPeriodModel::RowOfNumber(int n) const
{
    for (int r = RowCount() - 1; r >= 0; --r) {
        if (RowAt(r).key % 100 == n)
            return r;
    }
    return -1;
}

void CPeriodModel::SetPlayCounts(const QHash<int, int> &counts)
{
    QHash<int, int> old;
    old.swap(m_playCounts);
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > 0)
            m_playCounts.insert(it.key(), it.value());
    }
    if (!m_daily)
        return;
    for (int r = 0; r < RowCount(); ++r) {
        const int date = RowAt(r).key;
        if (old.value(date) != m_playCounts.value(date))
            emit dataChanged(index(r, 0), index(r, 0),
                             {Qt::AccessibleDescriptionRole, Qt::ToolTipRole, PlayCountRole});
    }
}

void CPeriodModel::SetPlayCount(int date, int count)
{
    QHash<int, int> counts = m_playCounts;
    if (count > 0)
        counts.insert(date, count);
    else
        counts.remove(date);
    SetPlayCounts(counts);
}

int CPeriodModel::FirstDate() const
{
    return m_daily && RowCount() > 0 ? RowAt(0).key : 0;
}

int CPeriodModel::LastDate() const
{
    return m_daily && RowCount() > 0 ? RowAt(RowCount() - 1).key : 0;
}

QString CPeriodModel::PlayCountText(int count)
{
    return QStringLiteral("稼働記録 %1件").arg(count);
}

QVariant CPeriodModel::data(const QModelIndex &index, int role) const
{
    const bool playRole = role == Qt::AccessibleDescriptionRole || role == Qt::ToolTipRole
            || role == PlayCountRole;
    if (playRole && m_daily && index.column() == 0
        && checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        const int count = m_playCounts.value(RowAt(index.row()).key);
        if (role == PlayCountRole)
            return count;
        if (count > 0)
            return PlayCountText(count);
    }
    return CReportModel::data(index, role);
}
