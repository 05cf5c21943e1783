#include "print/PrintSheet.h"

#include "data/ResultBook.h"
#include "session/PeriodModel.h"

namespace {

void TakeList(PrintSheet &sheet, const CReportModel &list)
{
    sheet.headings = list.Headings();
    sheet.shares.clear();
    for (const rowtext::Column &column : list.Columns())
        sheet.shares.append(column.share);
    sheet.rows.clear();
    for (int r = 0; r < list.RowCount(); ++r)
        sheet.rows.append(list.RowAt(r).cells);
}

} // namespace

QString SessionLine(const PlaySession &s)
{
    QStringList parts{s.store};
    if (!s.machine.isEmpty())
        parts << s.machine;
    if (s.startMinute != PlaySession::kNoTime || s.endMinute != PlaySession::kNoTime) {
        parts << PlayInput::TimeText(s.startMinute) + QStringLiteral("～")
                        + PlayInput::TimeText(s.endMinute);
    }
    parts << QStringLiteral("回収/投資 %1/%2").arg(s.collected).arg(s.invested)
          << QStringLiteral("収支 %1").arg(s.Balance());
    const QString memo = s.memo.section(QLatin1Char('\n'), 0, 0);
    if (!memo.isEmpty())
        parts << memo;
    return parts.join(QStringLiteral("  "));
}

PrintSheet SheetOfView(const CResultBook &book, bool daily, int monthIndex,
                       const SessionsOfDay &sessionsOf)
{
    PrintSheet sheet;
    sheet.note = QStringLiteral("単位:百円");
    sheet.summary = rowtext::Summary(book);
    // The same rows as the list of that view.
    CPeriodModel list;
    if (daily)
        list.ShowDaily(book, monthIndex, 0);
    else
        list.ShowMonthly(book, 0);
    TakeList(sheet, list);

    const int months = book.MonthCount();
    if (!daily) {
        sheet.title = QStringLiteral("月別一覧:");
        if (months > 0) {
            sheet.title += QLatin1Char(' ') + book.Month(0).monthText + QStringLiteral(" ～ ")
                    + book.Month(months - 1).monthText;
        }
        return sheet;
    }
    if (sessionsOf) {
        for (int r = 0; r < list.RowCount(); ++r) {
            QStringList lines;
            for (const PlaySession &session : sessionsOf(list.RowAt(r).key))
                lines << SessionLine(session);
            sheet.details.append(lines);
        }
    }
    sheet.title = QStringLiteral("日別一覧:");
    if (monthIndex >= 0 && monthIndex < months)
        sheet.title += QLatin1Char(' ') + book.Month(monthIndex).monthText;
    return sheet;
}
