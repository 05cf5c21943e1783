#pragma once

#include "data/YearReader.h"

#include <QString>

#include <cstdint>
#include <vector>

// The sums of one calendar year, or of the whole file, in units of 100 yen. 64 bits: a year of
// large hand-edited amounts passes 32 bits.
struct YearFigures
{
    int year = 0; // 0 for the whole file
    int64_t collected = 0;
    int64_t invested = 0;
    int64_t balance = 0;
    int64_t running = 0; // the balance of every year up to this one
    int32_t resultDays = 0;
    int32_t winDays = 0; // days with a result and a positive balance
};

// One row per calendar year with at least one day with a result, oldest first, as the
// monthly list of that year under the January basis sums it: the amounts of every day read,
// the days counted by their entry method.
class CYearTotals : public CYearSink
{
public:
    // Reads the data file once. False when reading failed; there are no rows then, and
    // lastError and lastReason say why.
    bool Load(const QString &dataFilePath);
    bool Load(CYearReader &reader);

    const std::vector<YearFigures> &Rows() const { return m_rows; }
    // The whole file: the sums of every row, the running balance of the last.
    YearFigures Total() const;

    static YearFigures Figures(int year, std::span<const DayRecord> days);

    void Begin() override;
    void TakeYear(int year, std::span<const DayRecord> days) override;

    QString lastError;
    QString lastReason;

private:
    std::vector<YearFigures> m_rows;
};
