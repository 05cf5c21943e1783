#include "session/RowText.h"

#include "data/ResultBook.h"

#include <cmath>

namespace rowtext {

namespace {

// Half up on the decimal value; 64 bits, since a large collected over invested 1 overflows int.
qint64 RoundedRate(qint32 collected, qint32 invested)
{
    const double rate = double(collected) / double(invested) * 100.0;
    return qint64(std::floor(rate + 0.5));
}

QString Num(qint32 value)
{
    return QString::number(value);
}

} // namespace

QString Rate(qint32 collected, qint32 invested)
{
    const qint64 rounded = RoundedRate(collected, invested);
    if (rounded == 0)
        return QStringLiteral("0%");
    return QString::number(rounded) + QLatin1Char('%');
}

QString RateCell(qint32 collected, qint32 invested)
{
    if (invested != 0)
        return Rate(collected, invested);
    return collected != 0 ? QStringLiteral("-%") : QStringLiteral("-");
}

std::span<const Column> Columns()
{
    static const Column columns[] = {{u"日付", 4}, {u"回収/投資", 4},  {u"回収率", 2},
                                     {u"収支", 3}, {u"月累積収支", 3}, {u"年累積収支", 3}};
    return columns;
}

int IconOf(qint32 value, bool marked)
{
    const int offset = value > 0 ? Up : value < 0 ? Down : Zero;
    return (marked ? MarkedZero : Zero) + offset;
}

QStringList MonthlyRow(const CResultBook &book, int m)
{
    const MonthEntry &month = book.Month(m);
    const DayResult &last = book.Day(month.lastDay);
    return {month.monthText,
            Num(last.monthCollected) + QLatin1Char('/') + Num(last.monthInvested),
            RateCell(last.monthCollected, last.monthInvested),
            Num(last.monthBalance),
            Num(last.monthBalance),
            Num(last.periodBalance)};
}

QStringList DailyRow(const DayResult &day)
{
    QString amounts;
    if (day.entryMethod == EntryMethod::Balance || (day.collected == 0 && day.invested == 0))
        amounts = QStringLiteral("-");
    else
        amounts = Num(day.collected) + QLatin1Char('/') + Num(day.invested);
    const QString rate = day.entryMethod != EntryMethod::Amounts
            ? QStringLiteral("-")
            : RateCell(day.collected, day.invested);
    return {day.dateText,          amounts, rate, Num(day.balance), Num(day.monthBalance),
            Num(day.periodBalance)};
}

QString Summary(const CResultBook &book)
{
    qint32 bestBalance = 0;
    QString bestBalanceDate;
    bool balanceFound = false;
    double bestRate = 0.0;
    QString bestRateDate;
    for (const DayResult &day : book.Days()) {
        if (day.balance > bestBalance) {
            bestBalance = day.balance;
            bestBalanceDate = day.dateText;
            balanceFound = true;
        }
        if (day.entryMethod == EntryMethod::Amounts && day.invested != 0) {
            const double rate = double(day.collected) / double(day.invested) * 100.0;
            if (rate > bestRate) {
                bestRate = rate;
                bestRateDate = day.dateText;
            }
        }
    }
    const QString amount
            = balanceFound ? Num(bestBalance) + QStringLiteral("00円") : QStringLiteral("-円");
    const qint64 rounded = qint64(std::floor(bestRate + 0.5));
    const QString rate
            = rounded == 0 ? QStringLiteral("-%") : QString::number(rounded) + QLatin1Char('%');
    // A rate that shows as none has no day to name.
    if (rounded == 0)
        bestRateDate.clear();
    const QChar sp(QLatin1Char(' '));
    return QStringLiteral("対象データ 最高収支額:") + sp + amount + sp + bestBalanceDate + sp
            + QStringLiteral("最高回収率:") + sp + rate + sp + bestRateDate;
}

} // namespace rowtext
