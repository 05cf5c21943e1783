#pragma once

#include "data/YearReader.h"

#include <QList>

#include <vector>

class CResultBook;

// Passes the data file's years on with the loaded period's days in place of the file's own, so
// that an export of every year shows the days as the book holds them, saved or not. Years of the
// period that the file does not have yet are handed out in their place in the order.
class CBookOverlay : public CYearSink
{
public:
    // book may be null: then every year passes unchanged.
    CBookOverlay(const CResultBook *book, CYearSink &inner);

    void Begin() override;
    void TakeYear(int year, std::span<const DayRecord> days) override;
    // After the reading: the period's years beyond the file's last one.
    void Finish();

private:
    struct BookYear
    {
        int year = 0;
        std::vector<std::pair<int, DayRecord>> days; // day of the year, record
        bool handedOut = false;
    };

    void HandOut(BookYear &book, std::span<const DayRecord> fileDays);
    void HandOutBefore(int year);

    CYearSink &m_inner;
    QList<BookYear> m_years; // ascending
    std::vector<DayRecord> m_merged;
};
