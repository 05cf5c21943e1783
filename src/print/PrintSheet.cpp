#include "print/PrintSheet.h"

#include "data/ResultBook.h"
#include "session/RowText.h"

PrintSheet SheetOfView(const CResultBook &book, bool daily, int monthIndex)
{
    PrintSheet sheet;
    sheet.note = QStringLiteral("単位:百円");
    for (const rowtext::Column &column : rowtext::Columns()) {
        sheet.headings.append(QString::fromUtf16(column.heading));
        sheet.shares.append(column.share);
    }
    sheet.summary = rowtext::Summary(book);

    const int months = book.MonthCount();
    if (!daily) {
        sheet.title = QStringLiteral("月別一覧:");
        if (months > 0) {
            sheet.title += QLatin1Char(' ') + book.Month(0).monthText + QStringLiteral(" ～ ")
                    + book.Month(months - 1).monthText;
        }
        for (int m = 0; m < months; ++m)
            sheet.rows.append(rowtext::MonthlyRow(book, m));
        return sheet;
    }

    sheet.title = QStringLiteral("日別一覧:");
    if (monthIndex < 0 || monthIndex >= months)
        return sheet;
    const MonthEntry &month = book.Month(monthIndex);
    sheet.title += QLatin1Char(' ') + month.monthText;
    for (const DayResult &day : book.Days()) {
        if (day.date / 100 == month.month)
            sheet.rows.append(rowtext::DailyRow(day));
    }
    return sheet;
}
