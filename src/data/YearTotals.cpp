#include "data/YearTotals.h"

bool CYearTotals::Load(const QString &dataFilePath)
{
    CYearReader reader(dataFilePath);
    return Load(reader);
}

bool CYearTotals::Load(CYearReader &reader)
{
    const bool ok = reader.Read(*this);
    lastError = reader.lastError;
    lastReason = reader.lastReason;
    if (!ok)
        m_rows.clear();
    return ok;
}

YearFigures CYearTotals::Figures(int year, std::span<const DayRecord> days)
{
    YearFigures f;
    f.year = year;
    for (const DayRecord &day : days) {
        // The list's running sums add every day read, whatever its entry method.
        f.collected += day.collected;
        f.invested += day.invested;
        f.balance += day.balance;
        if (day.method != -1) {
            ++f.resultDays;
            f.winDays += day.balance > 0;
        }
    }
    return f;
}

void CYearTotals::Begin()
{
    m_rows.clear();
}

void CYearTotals::TakeYear(int year, std::span<const DayRecord> days)
{
    YearFigures f = Figures(year, days);
    if (f.resultDays == 0)
        return; // only lines without a result: the next save of the year drops them
    f.running = f.balance + (m_rows.empty() ? 0 : m_rows.back().running);
    m_rows.push_back(f);
}

YearFigures CYearTotals::Total() const
{
    YearFigures total;
    for (const YearFigures &row : m_rows) {
        total.collected += row.collected;
        total.invested += row.invested;
        total.balance += row.balance;
        total.resultDays += row.resultDays;
        total.winDays += row.winDays;
    }
    total.running = total.balance;
    return total;
}
