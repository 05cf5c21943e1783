#pragma once

#include "data/ResultBook.h"

// A result book that tests lay out by hand: days with any values, including states no entry can
// make, and day counts outside the table for the readers that must not trust them.
class CTestBook : public CResultBook
{
public:
    using CResultBook::CResultBook;
    using CResultBook::MarkEntered;
    using CResultBook::Recalculate;
    using CResultBook::SetModified;

    DayResult &RawDay(int index) { return DayTable()[size_t(index)]; }
    // Every slot of the table, also those beyond the loaded period.
    std::span<DayResult, kMaxDays> RawDays() { return DayTable(); }
    void SetRawDayCount(int count) { SetDayCountUnchecked(count); }

    // Sets the stored fields of the day with this date key as the data file would.
    void SetDay(int date, EntryMethod method, int collected, int invested, int balance)
    {
        DayResult &day = RawDay(IndexOf(date));
        day.entryMethod = method;
        day.collected = collected;
        day.invested = invested;
        day.balance = balance;
    }
};
