#include "stats/CalendarData.h"

#include "data/BookYears.h"
#include "data/ResultBook.h"
#include "stats/YearDays.h"

#include <QDate>

#include <algorithm>
#include <cstdlib>

namespace {

QDate ToDate(int32_t date)
{
    return QDate(date / 10000, date / 100 % 100, date % 100);
}

int32_t ToKey(const QDate &date)
{
    return date.year() * 10000 + date.month() * 100 + date.day();
}

} // namespace

bool CDayArchive::Load(const CResultBook &book)
{
    CYearReader reader(book.dataFilePath());
    return Load(reader, book);
}

bool CDayArchive::Load(CYearReader &reader, const CResultBook &book)
{
    CBookYears years(*this, book);
    const bool ok = reader.Read(years);
    lastError = reader.lastError;
    lastReason = reader.lastReason;
    if (ok)
        years.Finish();
    else
        TakeBook(book); // what the file could not give, the book still shows
    return ok;
}

void CDayArchive::Begin()
{
    m_years.clear();
}

void CDayArchive::TakeYear(int year, std::span<const DayRecord> days)
{
    const bool anyResult = std::any_of(days.begin(), days.end(),
                                       [](const DayRecord &day) { return day.method != -1; });
    if (!anyResult)
        return;
    Year &y = Ensure(year);
    for (size_t i = 0; i < days.size(); ++i) {
        y.balance[i] = days[i].balance;
        y.result[i] = days[i].method != -1;
    }
}

const CDayArchive::Year *CDayArchive::Find(int year) const
{
    const auto it = std::lower_bound(m_years.begin(), m_years.end(), year,
                                     [](const Year &y, int v) { return y.year < v; });
    return it != m_years.end() && it->year == year ? &*it : nullptr;
}

CDayArchive::Year &CDayArchive::Ensure(int year)
{
    // The reader hands the years out in ascending order: appending is the usual case.
    auto it = m_years.end();
    if (!m_years.empty() && m_years.back().year >= year) {
        it = std::lower_bound(m_years.begin(), m_years.end(), year,
                              [](const Year &y, int v) { return y.year < v; });
        if (it->year == year)
            return *it;
    }
    const size_t length = size_t(CYearReader::DaysInYear(year));
    return *m_years.insert(
            it, Year{year, std::vector<int32_t>(length, 0), std::vector<uint8_t>(length, 0)});
}

void CDayArchive::TakeBook(const CResultBook &book, int fromIndex)
{
    const auto days = book.Days();
    for (size_t i = size_t(std::max(fromIndex, 0)); i < days.size(); ++i) {
        const DayResult &d = days[i];
        const int index = CYearReader::DayOfYear(d.date);
        if (index < 0)
            continue;
        const int year = d.date / 10000;
        const bool result = d.entryMethod != EntryMethod::None;
        if (!result && d.balance == 0 && !Find(year))
            continue; // nothing to show in a year the archive does not hold
        Year &y = Ensure(year);
        y.balance[size_t(index)] = d.balance;
        y.result[size_t(index)] = result;
    }
}

CalendarDay CDayArchive::Day(int32_t date) const
{
    CalendarDay day;
    day.date = date;
    const int index = CYearReader::DayOfYear(date);
    const Year *y = index < 0 ? nullptr : Find(date / 10000);
    if (y) {
        day.balance = y->balance[size_t(index)];
        day.result = y->result[size_t(index)] != 0;
    }
    return day;
}

int64_t CDayArchive::MonthBalance(int monthKey) const
{
    const Year *y = Find(monthKey / 100);
    if (!y)
        return 0;
    const int first = CYearReader::DayOfYear(monthKey * 100 + 1);
    if (first < 0)
        return 0;
    const int length = CResultBook::DaysInMonth(monthKey);
    int64_t sum = 0;
    for (int i = first; i < first + length; ++i)
        sum += y->balance[size_t(i)];
    return sum;
}

int64_t CDayArchive::YearBalance(int year) const
{
    const Year *y = Find(year);
    int64_t sum = 0;
    if (y) {
        for (int32_t b : y->balance)
            sum += b;
    }
    return sum;
}

int32_t CDayArchive::YearScale(int year) const
{
    const Year *y = Find(year);
    int64_t scale = 0;
    if (y) {
        for (size_t i = 0; i < y->balance.size(); ++i) {
            if (y->result[i])
                scale = std::max<int64_t>(scale, std::llabs(y->balance[i]));
        }
    }
    return int32_t(std::min<int64_t>(scale, INT32_MAX));
}

namespace calendar {

int Weekday(int32_t date)
{
    return ToDate(date).dayOfWeek() % 7;
}

int32_t AddDays(int32_t date, int n)
{
    return ToKey(ToDate(date).addDays(n));
}

int32_t AddMonthsClamped(int32_t date, int n)
{
    const int month = CResultBook::AddMonths(date / 100, n);
    const int day = std::min(date % 100, CResultBook::DaysInMonth(month));
    return month * 100 + day;
}

MonthLayout LayOut(int monthKey)
{
    MonthLayout layout;
    layout.monthKey = monthKey;
    const int first = Weekday(monthKey * 100 + 1);
    const int length = CResultBook::DaysInMonth(monthKey);
    for (int day = 1; day <= length; ++day) {
        const int cell = first + day - 1;
        layout.cells[cell / 7][cell % 7] = monthKey * 100 + day;
    }
    layout.weeks = (first + length + 6) / 7;
    return layout;
}

CellPos PositionOf(int32_t date)
{
    const int cell = Weekday(date / 100 * 100 + 1) + date % 100 - 1;
    return {cell / 7, cell % 7};
}

QString CellText(const CalendarDay &day, bool today)
{
    QString text = CResultBook::DateText(day.date);
    text += day.result ? QStringLiteral(" 収支 ") + QString::number(day.balance)
                       : QStringLiteral(" 結果なし");
    if (today)
        text += QStringLiteral(" 今日");
    return text;
}

QString MonthTitle(int monthKey, int64_t balance)
{
    return CResultBook::DateText(monthKey) + QStringLiteral(" 収支 ") + QString::number(balance);
}

QString YearTitle(int year, int64_t balance)
{
    return QString::number(year) + QStringLiteral("年 収支 ") + QString::number(balance);
}

QString ShortMonthTitle(int monthKey, int64_t balance)
{
    return QString::number(monthKey % 100) + QStringLiteral("月 収支 ") + QString::number(balance);
}

Rgb HeatColour(const CalendarDay &day, int32_t scale)
{
    if (!day.result)
        return kNoResult;
    if (day.balance == 0)
        return kDraw;
    const Rgb &full = day.balance > 0 ? kWin : kLoss;
    const int64_t amount = std::llabs(int64_t(day.balance));
    const int64_t level
            = scale <= 0 || amount >= scale ? 255 : kFaintest + (255 - kFaintest) * amount / scale;
    const auto channel = [level](int c) { return 255 - int((255 - c) * level / 255); };
    return {channel(full.r), channel(full.g), channel(full.b)};
}

} // namespace calendar
