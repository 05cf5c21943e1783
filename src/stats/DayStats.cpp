#include "stats/DayStats.h"

#include "data/BookYears.h"
#include "data/ResultBook.h"
#include "stats/YearDays.h"

#include <cmath>

namespace {

bool HasLine(const DayRecord &day)
{
    return day.method != -1 || day.balance != 0 || day.collected != 0 || day.invested != 0;
}

// A run goes on with this day, or starts with it.
void Extend(ResultRun &run, int32_t date)
{
    if (run.length == 0)
        run.first = date;
    ++run.length;
    run.last = date;
}

void KeepLonger(ResultRun &best, const ResultRun &now)
{
    if (now.length > best.length)
        best = now;
}

} // namespace

void CStatsBuilder::CloseMonth()
{
    if (m_month == 0 || !m_monthHasResult)
        return;
    if (m_f.bestMonth.month == 0 || m_monthBalance > m_f.bestMonth.balance)
        m_f.bestMonth = {m_monthBalance, m_month};
    if (m_f.worstMonth.month == 0 || m_monthBalance < m_f.worstMonth.balance)
        m_f.worstMonth = {m_monthBalance, m_month};
}

void CStatsBuilder::Add(int32_t date, const DayRecord &day)
{
    if (!HasLine(day))
        return;
    if (m_f.firstDate == 0)
        m_f.firstDate = date;
    m_f.lastDate = date;

    if (date / 100 != m_month) {
        CloseMonth();
        m_month = date / 100;
        m_monthBalance = 0;
        m_monthHasResult = false;
    }
    m_monthBalance += day.balance;
    m_f.collected += day.collected;
    m_f.invested += day.invested;
    m_f.balance += day.balance;

    // The running total moves with every day, as the lists' running balance does.
    m_running += day.balance;
    if (m_running >= m_peak) {
        m_peak = m_running;
        m_peakDate = date;
    } else if (m_peak - m_running > m_f.drawdown) {
        m_f.drawdown = m_peak - m_running;
        m_f.peakDate = m_peakDate;
        m_f.troughDate = date;
    }

    if (day.method == -1)
        return; // no result: counts, runs and the spread pass it by
    m_monthHasResult = true;
    ++m_f.resultDays;
    m_f.resultBalance += day.balance;
    m_squares += Int128(day.balance) * day.balance;
    if (day.balance > 0) {
        ++m_f.winDays;
        if (m_f.bestDay.date == 0 || day.balance > m_f.bestDay.value)
            m_f.bestDay = {day.balance, date};
        Extend(m_winNow, date);
        KeepLonger(m_f.winRun, m_winNow);
        m_lossNow = ResultRun();
    } else if (day.balance < 0) {
        ++m_f.lossDays;
        if (m_f.worstDay.date == 0 || day.balance < m_f.worstDay.value)
            m_f.worstDay = {day.balance, date};
        Extend(m_lossNow, date);
        KeepLonger(m_f.lossRun, m_lossNow);
        m_winNow = ResultRun();
    } else {
        ++m_f.drawDays;
        m_winNow = ResultRun();
        m_lossNow = ResultRun();
    }
}

StatFigures CStatsBuilder::Result() const
{
    CStatsBuilder closed = *this;
    closed.CloseMonth();
    StatFigures f = closed.m_f;
    const int64_t n = f.resultDays;
    if (n >= 2) {
        // n * sum of squares - sum^2 is exact and never negative; one division at the end.
        const Int128 sum = f.resultBalance;
        const Int128 spread = Int128(n) * m_squares - sum * sum;
        const long double variance
                = static_cast<long double>(spread) / static_cast<long double>(Int128(n) * (n - 1));
        f.stdDev = double(std::sqrt(variance));
    }
    return f;
}

StatFigures PeriodStats(const CResultBook &book)
{
    CStatsBuilder builder;
    ForEachBookDay(book, [&](int32_t date, const DayRecord &day) { builder.Add(date, day); });
    return builder.Result();
}

bool CAllYearsStats::Load(const CResultBook &book)
{
    CYearReader reader(book.dataFilePath());
    return Load(reader, book);
}

bool CAllYearsStats::Load(CYearReader &reader, const CResultBook &book)
{
    CBookYears years(*this, book);
    const bool ok = reader.Read(years);
    if (ok)
        years.Finish();
    lastError = reader.lastError;
    lastReason = reader.lastReason;
    return ok;
}

void CAllYearsStats::Begin()
{
    m_builder = CStatsBuilder();
    m_firstYear = m_lastYear = 0;
}

void CAllYearsStats::TakeYear(int year, std::span<const DayRecord> days)
{
    bool anyResult = false;
    for (const DayRecord &day : days) {
        if (day.method != -1) {
            anyResult = true;
            break;
        }
    }
    if (!anyResult)
        return; // as the year table: only lines without a result, which the next save drops
    if (m_firstYear == 0)
        m_firstYear = year;
    m_lastYear = year;
    const auto &mmdd = yeardays::MonthDaysOf(year);
    const int32_t base = year * 10000;
    for (size_t i = 0; i < days.size(); ++i)
        m_builder.Add(base + mmdd[i], days[i]);
}
