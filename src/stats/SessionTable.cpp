#include "stats/SessionTable.h"

#include "data/DurableFile.h"
#include "data/FileProblem.h"
#include "data/ResultBook.h"
#include "play/PlayCsv.h"
#include "session/YearText.h"
#include "settings/Settings.h"

#include <algorithm>

namespace sessiontable {

namespace {

// Which way two rows compare by one column; 0 when equal.
template<class T> int Three(T a, T b)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

// a / b against c / d; a quotient without a divisor counts below every other.
int CompareRatio(int64_t a, int64_t b, int64_t c, int64_t d)
{
    if (b == 0 || d == 0)
        return Three(b != 0, d != 0);
    // Equal quotients divide to the same double, however they are written; unequal ones closer
    // than that are equal to the eye too.
    return Three(double(a) / double(b), double(c) / double(d));
}

int CompareNames(const SessionFigures &a, const SessionFigures &b, SessionGrouping grouping)
{
    if (grouping == SessionGrouping::Hour)
        return Three(a.hour, b.hour);
    return Three(QString::compare(a.name, b.name, Qt::CaseSensitive), 0);
}

int CompareBy(const SessionFigures &a, const SessionFigures &b, SessionGrouping grouping,
              Column column)
{
    switch (column) {
    case Name:
    case ColumnCount:
        return CompareNames(a, b, grouping);
    case Sessions:
        return Three(a.sessions, b.sessions);
    case Amounts:
        return a.collected != b.collected ? Three(a.collected, b.collected)
                                          : Three(a.invested, b.invested);
    case Rate:
        return CompareRatio(a.collected, a.invested, b.collected, b.invested);
    case Balance:
        return Three(a.Balance(), b.Balance());
    case WinRate:
        return CompareRatio(a.wins, a.sessions, b.wins, b.sessions);
    case PlayTime:
        return Three(a.timedMinutes, b.timedMinutes);
    case Hourly:
        return CompareRatio(a.timedBalance, a.timedMinutes, b.timedBalance, b.timedMinutes);
    }
    return 0;
}

int SignIcon(int64_t balance)
{
    return rowtext::IconOf(balance > 0 ? 1 : balance < 0 ? -1 : 0, false);
}

} // namespace

std::span<const rowtext::Column> Columns()
{
    static const rowtext::Column columns[]
            = {{u"名前", 3}, {u"稼働数", 2}, {u"回収/投資", 4}, {u"回収率", 2},
               {u"収支", 2}, {u"勝率", 2},   {u"稼働時間", 2},  {u"時給", 2}};
    return columns;
}

QStringList Headings()
{
    QStringList headings;
    for (const rowtext::Column &column : Columns())
        headings << QString::fromUtf16(column.heading);
    return headings;
}

QString RowName(const SessionFigures &row, SessionGrouping grouping)
{
    if (grouping == SessionGrouping::Hour) {
        return row.hour == SessionFigures::kNoHour ? QStringLiteral("時刻なし")
                                                   : QString::number(row.hour) + u'時';
    }
    if (row.name.isEmpty())
        return QStringLiteral("(なし)"); // only a machine may be left empty
    return row.name;
}

QString PlayTimeText(int64_t minutes)
{
    return QString::number(minutes / 60) + QLatin1Char(':')
            + QStringLiteral("%1").arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString HourlyText(const SessionFigures &row)
{
    if (row.timedMinutes <= 0)
        return QStringLiteral("-");
    // Yen per hour: 100 yen a unit, 60 minutes an hour; half away from zero, so that a loss
    // shows as large as the same gain.
    const int64_t yenMinutes = row.timedBalance * 100 * 60;
    const int64_t magnitude
            = (std::abs(yenMinutes) * 2 + row.timedMinutes) / (2 * row.timedMinutes);
    return QString::number(yenMinutes < 0 ? -magnitude : magnitude);
}

QStringList Cells(const SessionFigures &row, const QString &name)
{
    return {name,
            QString::number(row.sessions),
            QString::number(row.collected) + QLatin1Char('/') + QString::number(row.invested),
            rowtext::RateCell64(row.collected, row.invested),
            QString::number(row.Balance()),
            row.sessions > 0 ? rowtext::RateCell64(row.wins, row.sessions) : QStringLiteral("-"),
            PlayTimeText(row.timedMinutes),
            HourlyText(row)};
}

QString TotalName()
{
    return QStringLiteral("合計");
}

QString DaysNote(int days)
{
    return QStringLiteral("セッションのない日: %1日 (集計に含まれません)").arg(days);
}

Order Order::Clicked(int clicked) const
{
    if (clicked < 0 || clicked >= ColumnCount)
        return *this;
    if (clicked == column)
        return {column, !descending};
    return {Column(clicked), clicked != Name};
}

void Sort(std::vector<SessionFigures> &rows, SessionGrouping grouping, Order order)
{
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const SessionFigures &a, const SessionFigures &b) {
                         int by = CompareBy(a, b, grouping, order.column);
                         if (order.descending)
                             by = -by;
                         if (by == 0)
                             by = CompareNames(a, b, grouping);
                         return by < 0;
                     });
}

QList<ReportRow> TableRows(const std::vector<SessionFigures> &sorted, const SessionFigures &total,
                           SessionGrouping grouping)
{
    QList<ReportRow> rows;
    rows.reserve(qsizetype(sorted.size()) + 1);
    int key = 0;
    for (const SessionFigures &row : sorted)
        rows.append({Cells(row, RowName(row, grouping)), SignIcon(row.Balance()), ++key});
    rows.append({Cells(total, TotalName()), SignIcon(total.Balance()), 0});
    return rows;
}

QByteArray Csv(const QList<ReportRow> &rows)
{
    QByteArray out("\xEF\xBB\xBF");
    auto line = [&out](const QStringList &cells) {
        for (qsizetype c = 0; c < cells.size(); ++c) {
            if (c > 0)
                out += ',';
            out += PlayCsv::Quote(cells.at(c).toUtf8());
        }
        out += "\r\n";
    };
    line(Headings());
    for (const ReportRow &row : rows)
        line(row.cells);
    return out;
}

QString WriteCsv(const QList<ReportRow> &rows, const QString &path)
{
    CDurableFile file(path);
    if (file.Open() && file.Write(Csv(rows)) && file.Commit())
        return QString();
    return FileProblem::Message(QStringLiteral("CSVファイルの保存に失敗しました。"), path,
                                FileProblem::Reason(file.ErrorCode(), file.ErrorText()));
}

} // namespace sessiontable

CSessionTable::CSessionTable(CPlayStore &store, const CResultBook &book)
    : m_store(store)
    , m_book(book)
{ }

bool CSessionTable::Load(SessionRange range)
{
    m_range = range;
    m_problem.clear();
    m_daysWithout = -1;
    int32_t first = 0;
    int32_t last = 99999999;
    if (range == SessionRange::Period) {
        // An empty book has no period: nothing from first to last.
        first = m_book.DayCount() > 0 ? m_book.Day(0).date : 1;
        last = m_book.DayCount() > 0 ? m_book.Day(m_book.DayCount() - 1).date : 0;
    }
    if (!m_totals.Load(m_store, first, last)) {
        // Without the sessions every day with a result would count as one without: only why is
        // told.
        m_problem = m_totals.lastError;
        return false;
    }
    if (range == SessionRange::Period) {
        m_daysWithout = PeriodDaysWithoutSessions(m_book, m_totals.SessionDays());
    } else if (!AllDaysWithoutSessions(m_book, m_totals.SessionDays(), &m_daysWithout,
                                       &m_problem)) {
        m_daysWithout = -1;
    }
    return true;
}

std::vector<SessionFigures> CSessionTable::Sorted() const
{
    std::vector<SessionFigures> rows = m_totals.Rows(m_grouping);
    sessiontable::Sort(rows, m_grouping, m_order);
    return rows;
}

QList<ReportRow> CSessionTable::Rows() const
{
    return sessiontable::TableRows(Sorted(), m_totals.Total(), m_grouping);
}

QString CSessionTable::Note() const
{
    if (!m_problem.isEmpty())
        return m_problem;
    return m_daysWithout >= 0 ? sessiontable::DaysNote(m_daysWithout) : QString();
}

QString CSessionTable::WriteCsv(const QString &path) const
{
    return sessiontable::WriteCsv(Rows(), path);
}

QString ExportSessionTable(CPlayStore &store, const CResultBook &book, const QString &path)
{
    CSettings settings;
    settings.ReadSection(QString::fromLatin1(CSettings::kSessionTableSection));
    CSessionTable table(store, book);
    table.SetGrouping(SessionGroupingOf(settings.sessionTableGrouping));
    if (!table.Load(settings.sessionTableAllYears ? SessionRange::AllYears : SessionRange::Period))
        return table.Problem();
    return table.WriteCsv(path);
}
