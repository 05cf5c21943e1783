#pragma once

#include "data/YearTotals.h"
#include "session/ReportModel.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// Cell texts and chart data of the year-by-year totals, by the monthly list's rules.
namespace rowtext {

// The year table's seven columns.
std::span<const Column> YearColumns();

// The seven cells of a year: 年, 回収/投資, 回収率, 収支, 通算収支, 稼働日数, 勝率.
QStringList YearRow(const YearFigures &year);
// The same cells for the whole file, headed "合計"; its 通算収支 is the final running balance.
QStringList TotalRow(const YearFigures &total);

// The year table: a row per year keyed by the year, thisYear's marked, then the totals row (key
// 0, never marked) when there is any year. Only the sign of a balance chooses the icon.
QList<ReportRow> YearTableRows(const std::vector<YearFigures> &years, const YearFigures &total,
                               int thisYear);

// RateCell for sums that may pass 32 bits.
QString RateCell64(qint64 collected, qint64 invested);
// Days with a positive balance over days with a result, rounded like the rate; "-" without days.
QString WinRate(qint32 winDays, qint32 resultDays);

// What the year chart draws: a bar per year of its balance and a line of the running balance.
struct YearChart
{
    QString title; // "年別推移:2002 ～ 2004"
    QString unit; // "百円"
    QStringList labels; // the years, under the bars
    QList<qint64> balances;
    QList<qint64> running;
};

YearChart BuildYearChart(const std::vector<YearFigures> &rows);

} // namespace rowtext
