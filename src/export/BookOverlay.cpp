#include "export/BookOverlay.h"

#include "data/ResultBook.h"

#include <algorithm>
#include <climits>

CBookOverlay::CBookOverlay(const CResultBook *book, CYearSink &inner)
    : m_inner(inner)
{
    if (!book)
        return;
    ForEachBookDay(*book, [this](int32_t date, const DayRecord &day) {
        const int dayOfYear = CYearReader::DayOfYear(date);
        if (dayOfYear < 0)
            return;
        const int year = date / 10000;
        if (m_years.isEmpty() || m_years.last().year != year)
            m_years.append(BookYear{year, {}, false});
        m_years.last().days.emplace_back(dayOfYear, day);
    });
}

void CBookOverlay::Begin()
{
    for (BookYear &year : m_years)
        year.handedOut = false;
    m_inner.Begin();
}

void CBookOverlay::TakeYear(int year, std::span<const DayRecord> days)
{
    HandOutBefore(year);
    for (BookYear &book : m_years) {
        if (book.year == year) {
            HandOut(book, days);
            return;
        }
    }
    m_inner.TakeYear(year, days);
}

void CBookOverlay::Finish()
{
    HandOutBefore(INT_MAX);
}

void CBookOverlay::HandOutBefore(int year)
{
    for (BookYear &book : m_years) {
        if (book.year < year && !book.handedOut)
            HandOut(book, {});
    }
}

void CBookOverlay::HandOut(BookYear &book, std::span<const DayRecord> fileDays)
{
    book.handedOut = true;
    m_merged.assign(size_t(CYearReader::DaysInYear(book.year)), DayRecord());
    std::copy_n(fileDays.begin(), std::min(fileDays.size(), m_merged.size()), m_merged.begin());
    for (const auto &[dayOfYear, record] : book.days)
        m_merged[size_t(dayOfYear)] = record;
    m_inner.TakeYear(book.year, m_merged);
}
