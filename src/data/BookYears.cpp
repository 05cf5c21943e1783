#include "data/BookYears.h"

#include "data/ResultBook.h"

CBookYears::CBookYears(CYearSink &target, const CResultBook &book)
    : m_target(target)
{
    if (!book.IsModified())
        return;
    ForEachBookDay(book, [this](int32_t date, const DayRecord &record) {
        const int index = CYearReader::DayOfYear(date);
        if (index < 0)
            return;
        const int year = date / 10000;
        if (m_period.empty() || m_period.back().year != year)
            m_period.push_back(PeriodYear{year, {}, false});
        m_period.back().days.emplace_back(index, record);
    });
}

void CBookYears::Begin()
{
    for (PeriodYear &period : m_period)
        period.handedOut = false;
    m_target.Begin();
}

void CBookYears::HandOut(PeriodYear &period, std::span<const DayRecord> fileDays)
{
    m_buffer.assign(fileDays.begin(), fileDays.end());
    m_buffer.resize(size_t(CYearReader::DaysInYear(period.year)));
    for (const auto &[index, record] : period.days)
        m_buffer[size_t(index)] = record;
    period.handedOut = true;
    m_target.TakeYear(period.year, m_buffer);
}

void CBookYears::HandOutBefore(int year)
{
    for (PeriodYear &period : m_period) {
        if (period.year < year && !period.handedOut)
            HandOut(period, {});
    }
}

void CBookYears::TakeYear(int year, std::span<const DayRecord> days)
{
    HandOutBefore(year);
    for (PeriodYear &period : m_period) {
        if (period.year == year) {
            HandOut(period, days);
            return;
        }
    }
    m_target.TakeYear(year, days);
}

void CBookYears::Finish()
{
    for (PeriodYear &period : m_period) {
        if (!period.handedOut)
            HandOut(period, {});
    }
}
