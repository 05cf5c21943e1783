#pragma once

#include <QString>
#include <QStringList>

#include <span>

class CResultBook;
struct DayResult;

// Cell texts, row icons and the summary line of the main window's lists. Kept free of widgets so
// the rules can be checked against a book alone.
namespace rowtext {

// Indices into the row image lists: base 3 marks today or this month.
enum Icon { Zero = 0, Up = 1, Down = 2, MarkedZero = 3, MarkedUp = 4, MarkedDown = 5 };

// collected / invested x 100 rounded half up, with "%"; "0%" when it rounds to nothing.
// invested must not be 0.
QString Rate(qint32 collected, qint32 invested);
// Rate cell of a month or an amount-entered day: the rate, else "-%" or "-" when invested is 0.
QString RateCell(qint32 collected, qint32 invested);

int IconOf(qint32 value, bool marked);

// A column of both lists: its heading and its share of the list's width, in twentieths.
struct Column
{
    const char16_t *heading;
    int share;
};
// The six columns in order; the first is left-aligned, the others right-aligned.
std::span<const Column> Columns();

// The six cells of month m of the monthly view.
QStringList MonthlyRow(const CResultBook &book, int m);
// The six cells of one day of the daily view.
QStringList DailyRow(const DayResult &day);

// The summary line of the whole loaded period.
QString Summary(const CResultBook &book);

} // namespace rowtext
