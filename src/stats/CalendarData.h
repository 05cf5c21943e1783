#pragma once

#include "data/YearReader.h"

#include <QString>

#include <cstdint>
#include <vector>

class CResultBook;

// One day as the calendar shows it, in units of 100 yen.
struct CalendarDay
{
    int32_t date = 0; // yyyymmdd
    bool result = false; // the day has a result (an entry method other than -1)
    int32_t balance = 0;
};

// The days of every calendar year of the data file with a result, as the year table reads them,
// with the loaded period's days as the book holds them laid over: any month, in the loaded period
// or not, without reading the file again. Years that hold no result are left out, as the year
// table leaves them out.
class CDayArchive : public CYearSink
{
public:
    // Reads the book's data file once. False when reading failed; lastError and lastReason say why,
    // and the archive holds the years read before and the book's days.
    bool Load(const CResultBook &book);
    bool Load(CYearReader &reader, const CResultBook &book);
    // The book's days from index on, as it holds them now: after it took a day.
    void TakeBook(const CResultBook &book, int fromIndex = 0);

    CalendarDay Day(int32_t date) const; // a day without a result outside the years held
    // Sums of every day's balance, as the monthly list and the year table add them.
    int64_t MonthBalance(int monthKey) const;
    int64_t YearBalance(int year) const;
    // The largest absolute balance of a day with a result in the year: the colour scale of the
    // year; 0 without such a day.
    int32_t YearScale(int year) const;
    int YearCount() const { return int(m_years.size()); }

    void Begin() override;
    void TakeYear(int year, std::span<const DayRecord> days) override;

    QString lastError;
    QString lastReason;

private:
    struct Year
    {
        int year = 0;
        std::vector<int32_t> balance; // by day of the year
        std::vector<uint8_t> result;
    };
    const Year *Find(int year) const;
    Year &Ensure(int year);

    std::vector<Year> m_years; // ascending
};

namespace calendar {

// A month's weeks from Sunday to Saturday: the date key of each cell, 0 outside the month.
struct MonthLayout
{
    int monthKey = 0;
    int weeks = 0; // 4 to 6
    int32_t cells[6][7] = {};
};
MonthLayout LayOut(int monthKey);

// Where a date stands in its month's layout.
struct CellPos
{
    int row = -1;
    int column = -1;
};
CellPos PositionOf(int32_t date);

// 0 for Sunday to 6 for Saturday.
int Weekday(int32_t date);
// The date n days later (n < 0: earlier).
int32_t AddDays(int32_t date, int n);
// The same day of the month n months later, or the month's last day when it is shorter.
int32_t AddMonthsClamped(int32_t date, int n);

// What a screen reader reads for a day: "2003/05/05 (月) 収支 80", "2003/05/06 (火) 結果なし",
// and " 今日" after today's.
QString CellText(const CalendarDay &day, bool today);
// "2003/05 収支 120"; "2003年 収支 1234"; the year view's month "5月 収支 120".
QString MonthTitle(int monthKey, int64_t balance);
QString YearTitle(int year, int64_t balance);
QString ShortMonthTitle(int monthKey, int64_t balance);

// A background colour.
struct Rgb
{
    int r = 255;
    int g = 255;
    int b = 255;
    bool operator==(const Rgb &) const = default;
};

// Strongest colours of a win and of a loss, those of the balance bars and the running line of
// the graph; a day with a result and a balance of 0 is light grey, one without a result white.
inline constexpr Rgb kWin{101, 101, 255};
inline constexpr Rgb kLoss{255, 0, 0};
inline constexpr Rgb kDraw{224, 224, 224};
inline constexpr Rgb kNoResult{255, 255, 255};
// The faintest colour a win or a loss takes, in 255ths of the way from white to its colour.
inline constexpr int kFaintest = 64;

// The background of a day: the colour of its sign, the stronger the larger its amount against
// scale, the largest absolute balance of the year shown.
Rgb HeatColour(const CalendarDay &day, int32_t scale);

} // namespace calendar
