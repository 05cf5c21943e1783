#pragma once

#include "stats/DayStats.h"

#include <QList>
#include <QString>

// The texts of the statistics table. Amounts are in units of 100 yen, written as the lists write
// them; a figure that belongs to a day or a month is followed by a space and that day's date text
// (with its weekday) or that month's text, a run or a fall by its first and last date joined by
// " ～ ". What cannot be worked out is "-".
namespace statstext {

struct Row
{
    QString item; // 項目
    QString value; // 値
};

// The rows in the order the window shows them.
QList<Row> Rows(const StatFigures &f);

// A quotient in tenths, rounded half away from zero: "12.3", "-0.5", "0.0".
QString Tenths(int64_t numerator, int64_t denominator);
// The sample standard deviation to one decimal, "-" for fewer than two days.
QString StdDev(double stdDev);
// "2003/05 ～ 2003/09" of a range of date keys; "-" without days.
QString MonthRange(int32_t firstDate, int32_t lastDate);

} // namespace statstext
