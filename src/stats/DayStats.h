#pragma once

#include "data/YearReader.h"

#include <QString>

#include <cstdint>

class CResultBook;

// A figure that belongs to one day: its value and the day's date key, 0 when no day has it.
struct DatedFigure
{
    int64_t value = 0;
    int32_t date = 0;
};

// A run of consecutive days with a result that all won, or all lost.
struct ResultRun
{
    int32_t length = 0;
    int32_t first = 0; // date keys; 0 without a run
    int32_t last = 0;
};

// A month's balance and its month key, 0 when no month has a result.
struct MonthFigure
{
    int64_t balance = 0;
    int32_t month = 0;
};

// The statistics of a range of days, in units of 100 yen. The sums add every day read, as the
// lists and the year table do; the counts, the average and the spread take the days with a
// result (an entry method other than -1).
struct StatFigures
{
    int32_t resultDays = 0;
    int32_t winDays = 0; // balance above 0
    int32_t lossDays = 0; // balance below 0
    int32_t drawDays = 0; // balance 0
    int64_t collected = 0;
    int64_t invested = 0;
    int64_t balance = 0;
    int64_t resultBalance = 0; // the balances of the days with a result: the average's sum
    double stdDev = -1.0; // sample standard deviation of those balances; -1 below two days

    DatedFigure bestDay; // the highest balance above 0, the earliest day on a tie
    DatedFigure worstDay; // the lowest balance below 0, the earliest day on a tie

    // Runs of days with a result in date order: a balance of 0 ends both, a day without a
    // result ends neither. The earliest of equally long runs.
    ResultRun winRun;
    ResultRun lossRun;

    // The largest fall of the running total (from 0 before the first day, adding every day's
    // balance) below its highest point so far. The peak is the last day on which the total
    // stood at that height, 0 for the start before any day; the trough is the first day of the
    // lowest point. The earliest of equal falls.
    int64_t drawdown = 0;
    int32_t peakDate = 0;
    int32_t troughDate = 0; // 0 when the total never fell

    // Of the months with at least one day with a result: their balance adds every day read.
    // The earliest month on a tie.
    MonthFigure bestMonth;
    MonthFigure worstMonth;

    int32_t firstDate = 0; // the first and the last day given that holds anything
    int32_t lastDate = 0;
};

// Takes the days of a range in ascending date order and works out their statistics in one pass.
class CStatsBuilder
{
public:
    // A date may come only once, later than the one before; days without a line may be left out.
    void Add(int32_t date, const DayRecord &day);
    StatFigures Result() const;

private:
    void CloseMonth();

    StatFigures m_f;
    // Sums for the sample variance, exact: squares of 32-bit balances over many days pass 64 bits.
    __extension__ using Int128 = __int128;
    Int128 m_squares = 0;
    ResultRun m_winNow;
    ResultRun m_lossNow;
    int64_t m_running = 0;
    int64_t m_peak = 0;
    int32_t m_peakDate = 0;
    int32_t m_month = 0;
    int64_t m_monthBalance = 0;
    bool m_monthHasResult = false;
};

// The days of the book's loaded period, as the lists show them.
StatFigures PeriodStats(const CResultBook &book);

// The statistics of every calendar year of the data file that has a day with a result, as the
// year table reads them: the loaded period's days as the book holds them.
class CAllYearsStats : public CYearSink
{
public:
    // Reads the book's data file once. False when reading failed; lastError and lastReason say
    // why, and the figures are those of the years read before.
    bool Load(const CResultBook &book);
    bool Load(CYearReader &reader, const CResultBook &book);

    StatFigures Figures() const { return m_builder.Result(); }
    int FirstYear() const { return m_firstYear; } // 0 without a year
    int LastYear() const { return m_lastYear; }

    void Begin() override;
    void TakeYear(int year, std::span<const DayRecord> days) override;

    QString lastError;
    QString lastReason;

private:
    CStatsBuilder m_builder;
    int m_firstYear = 0;
    int m_lastYear = 0;
};
