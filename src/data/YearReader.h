#pragma once

#include "data/DayRecord.h"
#include "data/LineReader.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <span>

class CResultBook;
class QIODevice;

// Takes the calendar years of a data file from CYearReader, in ascending order.
class CYearSink
{
public:
    virtual ~CYearSink() = default;
    // Comes before the first year, and again when the reading starts over from the top of the
    // file: every year taken before it is to be forgotten.
    virtual void Begin() = 0;
    // A year that has at least one line with one of its dates: days[0] is 1 January, and there
    // are 365 or 366 records.
    virtual void TakeYear(int year, std::span<const DayRecord> days) = 0;
};

// Streams the data file and hands out every calendar year that has a line, each day as the
// loaded periods read it (DataLine.h): the line's date is its first field; only real
// calendar dates of years from 1 on count; of several lines with one date the last in the file
// wins, wherever the lines stand. The reader never writes or creates the file.
class CYearReader
{
public:
    // Years kept open at once while the file comes in ascending order.
    static constexpr int kWindowYears = 16;
    // Years collected per pass once the file turned out to be far out of order.
    static constexpr int kBatchYears = 128;

    explicit CYearReader(const QString &dataFilePath);
    virtual ~CYearReader();

    CYearReader(const CYearReader &) = delete;
    CYearReader &operator=(const CYearReader &) = delete;

    // False when the file could not be read; lastError then holds the load-failure text and
    // lastReason the system's reason, and the years handed out are incomplete. A missing file
    // has no years and is no failure.
    bool Read(CYearSink &sink);

    // How many times the last Read went through the file: 1 unless it was far out of order.
    int Passes() const { return m_passes; }

    // Index of a date key within its year (0 for 1 January), or -1 when the key is no real
    // calendar date of a year from 1 on.
    static int DayOfYear(int32_t date);
    static bool IsLeapYear(int year)
    {
        return (year & 3) == 0 && (year % 100 != 0 || year % 400 == 0);
    }
    static int DaysInYear(int year) { return IsLeapYear(year) ? 366 : 365; }

    QString lastError;
    QString lastReason;

protected:
    // Every byte of the file passes through here, so that tests can make a read fail.
    virtual qint64 ReadIn(QIODevice &in, char *buffer, qint64 size);
    // The capacity of the line buffer; tests shrink it to split lines.
    qsizetype m_capacity = LineReader::kDefaultCapacity;

private:
    class Pass;
    bool RunPass(Pass &pass);

    QString m_path;
    QIODevice *m_file = nullptr; // the file while Read runs
    int m_passes = 0;
};

// The loaded period's days as records, in date order, for readers that need no running sums.
void ForEachBookDay(const CResultBook &book,
                    const std::function<void(int32_t date, const DayRecord &day)> &visit);
