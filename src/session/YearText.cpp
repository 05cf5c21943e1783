#include "session/YearText.h"

#include "session/RowText.h"

#include <cmath>
#include <limits>

namespace rowtext {

namespace {

bool Fits32(qint64 v)
{
    return v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max();
}

QStringList Cells(const QString &head, const YearFigures &f)
{
    return {head,
            QString::number(f.collected) + QLatin1Char('/') + QString::number(f.invested),
            RateCell64(f.collected, f.invested),
            QString::number(f.balance),
            QString::number(f.running),
            QString::number(f.resultDays),
            WinRate(f.winDays, f.resultDays)};
}

// The row icon of a balance that may pass 32 bits: only its sign counts.
int SignIcon(qint64 balance, bool marked)
{
    return IconOf(balance > 0 ? 1 : balance < 0 ? -1 : 0, marked);
}

} // namespace

std::span<const Column> YearColumns()
{
    static const Column columns[]
            = {{u"年", 2},       {u"回収/投資", 4}, {u"回収率", 2}, {u"収支", 3},
               {u"通算収支", 3}, {u"稼働日数", 3},  {u"勝率", 2}};
    return columns;
}

QList<ReportRow> YearTableRows(const std::vector<YearFigures> &years, const YearFigures &total,
                               int thisYear)
{
    QList<ReportRow> rows;
    for (const YearFigures &year : years)
        rows.append({YearRow(year), SignIcon(year.balance, year.year == thisYear), year.year});
    if (!years.empty())
        rows.append({TotalRow(total), SignIcon(total.balance, false), 0});
    return rows;
}

QString RateCell64(qint64 collected, qint64 invested)
{
    if (Fits32(collected) && Fits32(invested))
        return RateCell(qint32(collected), qint32(invested));
    // Only hand-edited amounts get here; same quotient and half-up rounding as Rate.
    if (invested == 0)
        return QStringLiteral("-%");
    const qint64 rounded = qint64(std::floor(double(collected) / double(invested) * 100.0 + 0.5));
    return rounded == 0 ? QStringLiteral("0%") : QString::number(rounded) + QLatin1Char('%');
}

QString WinRate(qint32 winDays, qint32 resultDays)
{
    return resultDays > 0 ? Rate(winDays, resultDays) : QStringLiteral("-");
}

QStringList YearRow(const YearFigures &year)
{
    return Cells(QString::number(year.year), year);
}

QStringList TotalRow(const YearFigures &total)
{
    return Cells(QStringLiteral("合計"), total);
}

YearChart BuildYearChart(const std::vector<YearFigures> &rows)
{
    YearChart chart;
    chart.title = QStringLiteral("年別推移:");
    if (!rows.empty()) {
        chart.title += QString::number(rows.front().year) + QStringLiteral(" ～ ")
                + QString::number(rows.back().year);
    }
    chart.unit = QStringLiteral("百円");
    for (const YearFigures &row : rows) {
        chart.labels << QString::number(row.year);
        chart.balances << row.balance;
        chart.running << row.running;
    }
    return chart;
}

} // namespace rowtext
