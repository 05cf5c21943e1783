#pragma once

#include "data/YearReader.h"

#include <array>
#include <cstdint>

// The date keys of the days of a year by their index within it, the inverse of
// CYearReader::DayOfYear: readers of whole years walk them without calendar arithmetic.
namespace yeardays {

struct MonthDays
{
    std::array<int16_t, 366> mmdd{}; // month * 100 + day of each index; unused at the end
};

constexpr MonthDays MakeMonthDays(bool leap)
{
    constexpr int kLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    MonthDays days;
    int index = 0;
    for (int month = 1; month <= 12; ++month) {
        const int length = kLength[month - 1] + (leap && month == 2 ? 1 : 0);
        for (int day = 1; day <= length; ++day)
            days.mmdd[size_t(index++)] = int16_t(month * 100 + day);
    }
    return days;
}

inline constexpr MonthDays kMonthDays[2] = {MakeMonthDays(false), MakeMonthDays(true)};

// The month * 100 + day of every index of the year.
inline const std::array<int16_t, 366> &MonthDaysOf(int year)
{
    return kMonthDays[CYearReader::IsLeapYear(year) ? 1 : 0].mmdd;
}

inline int32_t DateOf(int year, int index)
{
    return year * 10000 + MonthDaysOf(year)[size_t(index)];
}

} // namespace yeardays
