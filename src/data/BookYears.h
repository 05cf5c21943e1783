#pragma once

#include "data/YearReader.h"

#include <utility>
#include <vector>

// Passes the data file's years on to another sink with the days of the book's loaded period as
// the book holds them, so that results entered but not saved yet count as the lists show them.
// A year of the period that the file does not have yet comes in its place among the others. A
// book without unsaved changes holds what the file holds, and then nothing is replaced.
class CBookYears : public CYearSink
{
public:
    CBookYears(CYearSink &target, const CResultBook &book);

    void Begin() override;
    void TakeYear(int year, std::span<const DayRecord> days) override;
    // After the last year of a read that succeeded: the period's years after the file's last.
    void Finish();

private:
    struct PeriodYear
    {
        int year = 0;
        std::vector<std::pair<int, DayRecord>> days; // day of the year, as the book holds it
        bool handedOut = false;
    };

    void HandOut(PeriodYear &period, std::span<const DayRecord> fileDays);
    void HandOutBefore(int year);

    CYearSink &m_target;
    std::vector<PeriodYear> m_period; // ascending; empty when nothing is unsaved
    std::vector<DayRecord> m_buffer;
};
