#pragma once

#include "session/ReportModel.h"
#include "stats/SessionTotals.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <span>

class CPlayStore;
class CResultBook;

// The table of totals by store, machine or starting hour: its columns, the texts of its cells by
// the monthly list's rules, its order, and the table as CSV.
namespace sessiontable {

enum Column {
    Name, // 名前
    Sessions, // 稼働数
    Amounts, // 回収/投資
    Rate, // 回収率
    Balance, // 収支
    WinRate, // 勝率
    PlayTime, // 稼働時間
    Hourly, // 時給
    ColumnCount
};

std::span<const rowtext::Column> Columns();
QStringList Headings();

// 名前: the trimmed name, "(なし)" for an empty machine, "0時" to "23時", "時刻なし".
QString RowName(const SessionFigures &row, SessionGrouping grouping);
// The eight cells of a row under this name. Amounts in units of 100 yen; 勝率 rounded like the
// recovery rate; 稼働時間 as h:mm; 時給 in yen, rounded half away from zero, "-" without a
// session that has both times.
QStringList Cells(const SessionFigures &row, const QString &name);
QString PlayTimeText(int64_t minutes);
QString HourlyText(const SessionFigures &row);
QString TotalName(); // "合計"
// "セッションのない日: 12日 (集計に含まれません)"
QString DaysNote(int days);

// The order the rows are shown in: by one column, ties by name.
struct Order
{
    Column column = Balance;
    bool descending = true;

    // A click on a heading: the same column again turns the order round; another column starts
    // with its names ascending and its figures highest first.
    Order Clicked(int clicked) const;
    bool operator==(const Order &) const = default;
};

void Sort(std::vector<SessionFigures> &rows, SessionGrouping grouping, Order order);

// The table's rows in order, then the 合計 row (key 0), each with the row icon of its balance's
// sign. The rows' keys count from 1 in the order given.
QList<ReportRow> TableRows(const std::vector<SessionFigures> &sorted, const SessionFigures &total,
                           SessionGrouping grouping);

// The headings and the rows' cells as CSV: UTF-8 with a byte order mark, CR LF line ends, RFC
// 4180 quoting.
QByteArray Csv(const QList<ReportRow> &rows);
// The CSV file at path, put in place only once complete and synced. Empty when written, else the
// message to show.
QString WriteCsv(const QList<ReportRow> &rows, const QString &path);

} // namespace sessiontable

// The table as the window shows it, from the play store and the book of the diary: the sessions
// of a range read once, shown by any grouping in any order without reading again.
class CSessionTable
{
public:
    CSessionTable(CPlayStore &store, const CResultBook &book);

    // Reads the sessions of the range and counts its days without sessions. False when the
    // sessions could not be read; Problem() says why, for this and for a data file that could
    // not be read.
    bool Load(SessionRange range);
    SessionRange Range() const { return m_range; }

    void SetGrouping(SessionGrouping grouping) { m_grouping = grouping; }
    SessionGrouping Grouping() const { return m_grouping; }
    void SetOrder(sessiontable::Order order) { m_order = order; }
    sessiontable::Order Order() const { return m_order; }

    // The rows of the grouping in the order.
    std::vector<SessionFigures> Sorted() const;
    // Their cells, then 合計.
    QList<ReportRow> Rows() const;
    const CSessionTotals &Totals() const { return m_totals; }
    // Days with a result in the range but without sessions; -1 when they could not be counted.
    int DaysWithoutSessions() const { return m_daysWithout; }
    // The note under the table: the days without sessions, or what could not be read.
    QString Note() const;
    QString Problem() const { return m_problem; }

    // The rows as the window shows them, as a CSV file. Empty when written, else the message.
    QString WriteCsv(const QString &path) const;

private:
    CPlayStore &m_store;
    const CResultBook &m_book;
    CSessionTotals m_totals;
    SessionRange m_range = SessionRange::Period;
    SessionGrouping m_grouping = SessionGrouping::Store;
    sessiontable::Order m_order;
    int m_daysWithout = -1;
    QString m_problem;
};

// For the CSV scope dialog: the table with the grouping and the range last chosen in its window
// (settings section "SessionTable"), highest 収支 first, written to path. Empty when written,
// else the message to show.
QString ExportSessionTable(CPlayStore &store, const CResultBook &book, const QString &path);
