#include "graph/TransitionGraph.h"

#include "data/ResultBook.h"
#include "graph/GraphPainter.h"

#include <algorithm>

namespace {

constexpr int kTotalSlot = 0;
constexpr int kYearSlot = 1;
constexpr int kMonthSlot = 2;

// Drops one leading "0" of a two-digit field, so "05" becomes "5" and "00" becomes "0".
QString TrimField(const QString &field)
{
    return field.startsWith(QLatin1Char('0')) ? field.mid(1) : field;
}

QString DailyLabel(int date, TransitionRequest::Span span)
{
    const int day = date % 100;
    if (day == 1)
        return FormatAxisLabel(date, QStringLiteral("M/D"));
    switch (span) {
    case TransitionRequest::OneMonth:
        return FormatAxisLabel(date, QStringLiteral("D"));
    case TransitionRequest::ThreeMonths:
        if (day % 5 == 0 && day <= 25)
            return FormatAxisLabel(date, QStringLiteral("D"));
        return {};
    case TransitionRequest::WholePeriod:
        break;
    }
    return {};
}

// Date-key bounds (exclusive lower, inclusive upper) of the daily graph. False when the span
// names a month the book does not have: nothing is drawn rather than reading past the table.
bool DailyBounds(const CResultBook &book, const TransitionRequest &request, int &lower, int &upper)
{
    if (request.span == TransitionRequest::WholePeriod) {
        lower = 0;
        upper = 99999999;
        return true;
    }
    const int monthCount = std::clamp<int>(book.MonthCount(), 0, CResultBook::kMaxMonths);
    if (request.monthIndex < 0 || request.monthIndex >= monthCount)
        return false;
    const int month = book.Month(request.monthIndex).month;
    if (request.span == TransitionRequest::OneMonth) {
        lower = month * 100;
        upper = lower + 99;
    } else {
        lower = CResultBook::AddMonths(month, -1) * 100;
        upper = CResultBook::AddMonths(month, 1) * 100 + 99;
    }
    return true;
}

int FillMonthly(CGraphPainter &painter, const CResultBook &book, const TransitionRequest &request)
{
    const int monthCount = std::clamp<int>(book.MonthCount(), 0, CResultBook::kMaxMonths);
    const int dayCount = std::clamp<int>(book.DayCount(), 0, CResultBook::kMaxDays);
    int filled = 0;
    for (int k = 0; k < monthCount; ++k) {
        const MonthEntry &entry = book.Month(k);
        // A month whose last day lies outside the laid-out days has no totals to show.
        if (entry.lastDay < 0 || entry.lastDay >= dayCount)
            break;
        const DayResult &last = book.Day(entry.lastDay);
        GraphPoint &point = painter.points[filled];
        point.keyText = entry.monthText;
        const bool withYear = k == 0 || entry.month % 100 == 1;
        point.axisLabel = FormatAxisLabel(entry.month * 100,
                                          withYear ? QStringLiteral("Y/M") : QStringLiteral("M"));
        if (request.total) {
            point.value[kTotalSlot] = last.monthBalance;
            point.penFlag[kTotalSlot] = 0;
        }
        if (request.year) {
            point.value[kYearSlot] = last.periodBalance;
            point.penFlag[kYearSlot] = filled == 0 ? CGraphPainter::kPenUp : 0;
        }
        ++filled;
    }
    return filled;
}

int FillDaily(CGraphPainter &painter, const CResultBook &book, const TransitionRequest &request)
{
    int lower = 0;
    int upper = 0;
    if (!DailyBounds(book, request, lower, upper))
        return 0;
    const int dayCount = std::clamp<int>(book.DayCount(), 0, CResultBook::kMaxDays);
    int filled = 0;
    for (int i = 0; i < dayCount && filled < CGraphPainter::kMaxPoints; ++i) {
        const DayResult &day = book.Day(i);
        if (day.date > upper)
            break;
        if (day.date <= lower)
            continue;
        GraphPoint &point = painter.points[filled];
        point.keyText = day.dateText;
        point.axisLabel = DailyLabel(day.date, request.span);
        if (request.total) {
            point.value[kTotalSlot] = day.balance;
            point.penFlag[kTotalSlot] = 0;
        }
        if (request.month) {
            point.value[kMonthSlot] = day.monthBalance;
            point.penFlag[kMonthSlot] = day.date % 100 == 1 ? CGraphPainter::kPenUp : 0;
        }
        if (request.year) {
            point.value[kYearSlot] = day.periodBalance;
            point.penFlag[kYearSlot] = filled == 0 ? CGraphPainter::kPenUp : 0;
        }
        ++filled;
    }
    return filled;
}

} // namespace

void FillTransitionGraph(CGraphPainter &painter, const CResultBook &book,
                         const TransitionRequest &request)
{
    painter.Reset();

    // The month-cumulative line only makes sense day by day.
    TransitionRequest effective = request;
    if (effective.monthly)
        effective.month = false;

    if (effective.total) {
        painter.seriesLegend[kTotalSlot] = QStringLiteral("収支");
        painter.seriesKind[kTotalSlot] = CGraphPainter::Bars;
    }
    if (effective.month) {
        painter.seriesLegend[kMonthSlot] = QStringLiteral("月累積");
        painter.seriesKind[kMonthSlot] = CGraphPainter::Line;
    }
    if (effective.year) {
        painter.seriesLegend[kYearSlot] = QStringLiteral("年累積");
        painter.seriesKind[kYearSlot] = CGraphPainter::Line;
    }

    const int filled = effective.monthly ? FillMonthly(painter, book, effective)
                                         : FillDaily(painter, book, effective);

    QString first;
    QString last;
    if (filled > 0) {
        first = painter.points[0].keyText;
        last = painter.points[filled - 1].keyText;
    }
    painter.title = (effective.monthly ? QStringLiteral("月別推移:") : QStringLiteral("日別推移:"))
            + first + QStringLiteral(" ～ ") + last;
}

int FirstGraphDate(const CResultBook &book, const TransitionRequest &request)
{
    const int dayCount = std::clamp<int>(book.DayCount(), 0, CResultBook::kMaxDays);
    if (request.monthly) {
        // The same months FillMonthly takes: the first one, if its totals lie in the table.
        if (book.MonthCount() < 1 || book.Month(0).lastDay < 0 || book.Month(0).lastDay >= dayCount)
            return 0;
        return book.Month(0).month * 100 + 1;
    }
    int lower = 0;
    int upper = 0;
    if (!DailyBounds(book, request, lower, upper))
        return 0;
    for (int i = 0; i < dayCount; ++i) {
        const int date = book.Day(i).date;
        if (date > upper)
            break;
        if (date > lower)
            return date;
    }
    return 0;
}

QString FormatAxisLabel(int dateKey, const QString &format)
{
    // Only a full yyyymmdd key splits into its fields; anything else has no label.
    if (dateKey < 10000000 || dateKey > 99999999)
        return {};
    const QString digits = QString::number(dateKey);
    const QString year = digits.left(4);
    const QString month = TrimField(digits.mid(4, 2));
    const QString day = TrimField(digits.mid(6, 2));
    if (format == QLatin1String("Y/M"))
        return year + QLatin1Char('/') + month;
    if (format == QLatin1String("M"))
        return month;
    if (format == QLatin1String("M/D"))
        return month + QLatin1Char('/') + day;
    if (format == QLatin1String("D"))
        return day;
    return {};
}
