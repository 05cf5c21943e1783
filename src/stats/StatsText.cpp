#include "stats/StatsText.h"

#include "data/ResultBook.h"
#include "session/YearText.h"

#include <cmath>
#include <cstdlib>

namespace statstext {

namespace {

const QString kNone = QStringLiteral("-");
const QString kTo = QStringLiteral(" ～ ");

QString Num(int64_t value)
{
    return QString::number(value);
}

QString Dated(int64_t value, int32_t date)
{
    return date == 0 ? kNone : Num(value) + QLatin1Char(' ') + CResultBook::DateText(date);
}

QString Run(const ResultRun &run, const QString &suffix)
{
    if (run.length == 0)
        return kNone;
    return Num(run.length) + suffix + QLatin1Char(' ') + CResultBook::DateText(run.first) + kTo
            + CResultBook::DateText(run.last);
}

QString Drawdown(const StatFigures &f)
{
    if (f.firstDate == 0)
        return kNone;
    if (f.troughDate == 0)
        return QStringLiteral("0");
    // A fall from the very start has no day for its peak.
    const QString peak
            = f.peakDate == 0 ? QStringLiteral("開始時") : CResultBook::DateText(f.peakDate);
    return Num(f.drawdown) + QLatin1Char(' ') + peak + kTo + CResultBook::DateText(f.troughDate);
}

QString Month(const MonthFigure &m)
{
    return m.month == 0 ? kNone
                        : Num(m.balance) + QLatin1Char(' ') + CResultBook::DateText(m.month);
}

} // namespace

QString Tenths(int64_t numerator, int64_t denominator)
{
    if (denominator == 0)
        return kNone;
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    // Half away from zero on the exact quotient: (2|10 n| + d) / 2d.
    const bool negative = numerator < 0;
    const uint64_t scaled = uint64_t(negative ? -numerator : numerator) * 10;
    const uint64_t tenths = (2 * scaled + uint64_t(denominator)) / (2 * uint64_t(denominator));
    QString text = QString::number(tenths / 10) + QLatin1Char('.') + QString::number(tenths % 10);
    if (negative && tenths != 0)
        text.prepend(QLatin1Char('-'));
    return text;
}

QString StdDev(double stdDev)
{
    if (stdDev < 0)
        return kNone;
    const long long tenths = std::llround(stdDev * 10.0);
    return QString::number(tenths / 10) + QLatin1Char('.') + QString::number(tenths % 10);
}

QString MonthRange(int32_t firstDate, int32_t lastDate)
{
    if (firstDate == 0)
        return kNone;
    return CResultBook::DateText(firstDate / 100) + kTo + CResultBook::DateText(lastDate / 100);
}

QList<Row> Rows(const StatFigures &f)
{
    const QString average = f.resultDays == 0 ? kNone : Tenths(f.resultBalance, f.resultDays);
    return {
            {QStringLiteral("稼働日数"), Num(f.resultDays)},
            {QStringLiteral("勝ち日数"), Num(f.winDays)},
            {QStringLiteral("負け日数"), Num(f.lossDays)},
            {QStringLiteral("引き分け日数"), Num(f.drawDays)},
            {QStringLiteral("勝率"), rowtext::WinRate(f.winDays, f.resultDays)},
            {QStringLiteral("投資合計"), Num(f.invested)},
            {QStringLiteral("回収合計"), Num(f.collected)},
            {QStringLiteral("収支合計"), Num(f.balance)},
            {QStringLiteral("回収率"), rowtext::RateCell64(f.collected, f.invested)},
            {QStringLiteral("1日平均収支"), average},
            {QStringLiteral("標準偏差"), StdDev(f.stdDev)},
            {QStringLiteral("最大勝ち"), Dated(f.bestDay.value, f.bestDay.date)},
            {QStringLiteral("最大負け"), Dated(f.worstDay.value, f.worstDay.date)},
            {QStringLiteral("最大連勝"), Run(f.winRun, QStringLiteral("連勝"))},
            {QStringLiteral("最大連敗"), Run(f.lossRun, QStringLiteral("連敗"))},
            {QStringLiteral("最大ドローダウン"), Drawdown(f)},
            {QStringLiteral("最高の月"), Month(f.bestMonth)},
            {QStringLiteral("最低の月"), Month(f.worstMonth)},
    };
}

} // namespace statstext
