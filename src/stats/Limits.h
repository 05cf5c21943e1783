#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

class CResultBook;
class CSettings;

// What the player's monthly limits are measured on: one month's totals, in units of 100 yen.
struct MonthTotals
{
    int month = 0; // yyyymm
    int64_t balance = 0; // every day's balance, as the monthly list adds it
    int64_t invested = 0;
    int32_t resultDays = 0; // days with a result
};

// The month's totals as the book's monthly list shows them; none when the loaded period does not
// hold that month.
std::optional<MonthTotals> MonthTotalsOf(const CResultBook &book, int monthKey);
// The month's totals from the data file, with the book's days laid over: for a month outside the
// loaded period. False when the file could not be read; the totals then hold what was read.
bool ReadMonthTotals(const CResultBook &book, int monthKey, MonthTotals &totals);

// The player's own limits on a month: the loss (the balance below 0), the invested total and the
// days with a result, each switched on and off by itself. They only inform: nothing is blocked or
// hidden. The limits and what was told of them live in the settings section "Limits".
namespace limits {

enum Kind { Loss, Invest, Days };
inline constexpr int kKinds = 3;
// The thresholds, in percent of a limit, of which a month is told once each.
inline constexpr std::array<int, 4> kThresholds = {50, 75, 90, 100};

// One limit that is on, against the month.
struct Standing
{
    Kind kind;
    int64_t used = 0; // the month's loss, invested total or days with a result
    int64_t limit = 0; // above 0
    int64_t percent = 0; // used * 100 / limit, truncated: 100 only once the limit is reached
};

// The limits that are on (and above 0), in the order loss, invested, days.
QList<Standing> Standings(const CSettings &settings, const MonthTotals &month);
// "今月の負け 180/300 (60%)", "今月の投資 500/1000 (50%)", "今月の稼働 3/10日 (30%)"; several
// joined by "、"; empty while no limit is on.
QString StatusText(const CSettings &settings, const MonthTotals &month);
// The box for a limit whose threshold the month has reached.
QString BoxText(const Standing &standing, int threshold);

struct Report
{
    QStringList boxes; // one per limit and threshold newly reached, lowest threshold first
    QString status; // StatusText of the month
};

// After a confirmed day: every threshold that the month has reached and that was not told yet
// in that month gets its box and counts as told. A later month than the one told of starts over;
// an earlier month is told nothing. Only settings' told thresholds change.
Report Cross(CSettings &settings, const MonthTotals &month);

// After the limits were set: a limit switched on or given another value counts the thresholds
// the month has reached already as told, since the player set it knowing the month; a limit
// switched off forgets what it was told. Unchanged limits keep theirs.
void Acknowledge(CSettings &settings, const CSettings &before, const MonthTotals &month);

// Cross and StatusText on the stored settings: the section is read, and what was told is written
// back at once, so that a restart does not tell it again.
Report AfterConfirmedDay(const MonthTotals &month);
QString CurrentStatus(const MonthTotals &month);

} // namespace limits
