#pragma once

#include <cstdint>

// One day as the data file gives it, in units of 100 yen; method -1 means no result. Every reader
// of the file fills this one record through the one line parser (DataLine.h).
struct DayRecord
{
    int32_t method = -1;
    int32_t collected = 0;
    int32_t invested = 0;
    int32_t balance = 0;

    bool HasResult() const { return method != -1; }
    bool operator==(const DayRecord &) const = default;
};

// What a save is to make of one day: the record its one line is to hold, or no line at all when
// the record has no result.
struct DayChange
{
    int32_t date = 0; // yyyymmdd
    DayRecord record;
};
