#pragma once

#include <QString>

#include <cstdint>
#include <vector>

class CPlayStore;
class CResultBook;
struct PlaySession;

// How the play sessions are put into rows: by store, by machine, by the hour they started.
enum class SessionGrouping { Store = 0, Machine = 1, Hour = 2 };
// A stored grouping; any number but 1 and 2 is by store.
SessionGrouping SessionGroupingOf(int stored);

// Which sessions count: those of the loaded period, or every one.
enum class SessionRange { Period = 0, AllYears = 1 };

// The sums of the sessions of one row, or of all of them. Amounts in units of 100 yen.
struct SessionFigures
{
    static constexpr int kNoHour = 24; // the row of the sessions without a start time

    QString name; // the store or the machine, spaces trimmed at either end; empty for hours
    int hour = kNoHour; // the starting hour (by hour only)
    int64_t sessions = 0;
    int64_t collected = 0;
    int64_t invested = 0;
    int64_t wins = 0; // sessions that collected more than they invested
    // Only the sessions with both a start and an end time.
    int64_t timedSessions = 0;
    int64_t timedMinutes = 0;
    int64_t timedBalance = 0;

    int64_t Balance() const { return collected - invested; }
    // Counts one session in; DurationMinutes decides its time.
    void Count(const PlaySession &session);
    // Adds another row's sums (not its name or hour).
    void Add(const SessionFigures &other);

    bool operator==(const SessionFigures &) const = default;
};

// The store and machine names as the table compares them: exactly as entered, without the spaces
// (of any width) at either end, as the play store trims what is typed.
QString TrimmedName(const QString &name);

// The sessions of a range, summed by store, by machine and by starting hour in one reading, and
// the days that have sessions. Nothing is written.
//
// The sessions are read through a read-only connection of its own on the store's database, one
// row of the few columns needed per session; when that connection cannot be had, through the
// store itself, which is slower. A store without a database has no sessions.
class CSessionTotals
{
public:
    // The sessions whose day lies from first to last (yyyymmdd, both included). False when the
    // sessions could not be read: there are no rows then and lastError says why.
    bool Load(CPlayStore &store, int32_t first, int32_t last);

    // One row per trimmed store or machine name, or per starting hour (kNoHour last), in
    // ascending order of the name or hour; only rows with sessions.
    const std::vector<SessionFigures> &Rows(SessionGrouping grouping) const;
    const SessionFigures &Total() const { return m_total; }
    // The days from first to last with at least one session, ascending.
    const std::vector<int32_t> &SessionDays() const { return m_days; }

    QString lastError;

private:
    class Groups;
    bool ReadOwn(const QString &path, int32_t first, int32_t last, Groups &groups);
    bool ReadThroughStore(CPlayStore &store, int32_t first, int32_t last, Groups &groups);

    std::vector<SessionFigures> m_rows[3];
    SessionFigures m_total;
    std::vector<int32_t> m_days;
};

// The days with a result that have no sessions, the days with sessions given ascending.
// In the book's loaded period, as the book holds it.
int PeriodDaysWithoutSessions(const CResultBook &book, const std::vector<int32_t> &sessionDays);
// In every year of the book's data file, with the loaded period's unsaved days laid over. False
// when the file could not be read; problem then holds the message to show.
bool AllDaysWithoutSessions(const CResultBook &book, const std::vector<int32_t> &sessionDays,
                            int *days, QString *problem);
