// The comparison of the rows read with the diary, and the changes a confirmed import writes.
#include "data/Amount.h"
#include "data/BookYears.h"
#include "data/FileProblem.h"
#include "data/YearReader.h"
#include "import/CsvImport.h"

#include <algorithm>

namespace {

// Takes from the data file the records of the given dates only.
class CDaysOf : public CYearSink
{
public:
    CDaysOf(const std::vector<int32_t> &dates, std::vector<DayRecord> &records)
        : m_dates(dates)
        , m_records(records)
    {
        m_records.assign(dates.size(), DayRecord());
    }

    void Begin() override { std::fill(m_records.begin(), m_records.end(), DayRecord()); }

    void TakeYear(int year, std::span<const DayRecord> days) override
    {
        const auto first = std::lower_bound(m_dates.begin(), m_dates.end(), year * 10000 + 101);
        const auto last = std::lower_bound(first, m_dates.end(), (year + 1) * 10000 + 101);
        for (auto it = first; it != last; ++it) {
            const int index = CYearReader::DayOfYear(*it);
            if (index >= 0 && size_t(index) < days.size())
                m_records[size_t(it - m_dates.begin())] = days[size_t(index)];
        }
    }

private:
    const std::vector<int32_t> &m_dates;
    std::vector<DayRecord> &m_records;
};

bool SameDay(const DayRecord &a, const DayRecord &b)
{
    return a.method == b.method && a.collected == b.collected && a.invested == b.invested
            && a.balance == b.balance;
}

// Sums of sessions into a day entered by its amounts.
struct Sums
{
    long long collected = 0;
    long long invested = 0;

    void Add(const ImportSession &s)
    {
        collected += s.collected;
        invested += s.invested;
    }
    DayRecord Day() const
    {
        return {int32_t(EntryMethod::Amounts), SaturatedAmount(collected),
                SaturatedAmount(invested), SaturatedAmount(collected - invested)};
    }
};

} // namespace

bool CCsvImport::Compare(const QString &dataFilePath, const CResultBook *book,
                         const SessionLookup &sessions)
{
    m_plan.clear();
    m_compared = false;
    std::vector<int32_t> dates;
    const bool bySessions = !m_sessions.empty();
    if (bySessions) {
        for (const ImportSession &s : m_sessions) {
            if (dates.empty() || dates.back() != s.date)
                dates.push_back(s.date);
        }
    } else {
        dates.reserve(m_days.size());
        for (const DayRow &d : m_days)
            dates.push_back(d.date);
    }

    std::vector<DayRecord> current;
    CDaysOf sink(dates, current);
    CYearReader reader(dataFilePath);
    bool read = false;
    if (book) {
        CBookYears overlay(sink, *book);
        read = reader.Read(overlay);
        if (read)
            overlay.Finish();
    } else {
        read = reader.Read(sink);
    }
    if (!read) {
        m_problem = FileProblem::Message(
                reader.lastError, dataFilePath,
                FileProblem::Reason(FileProblem::ReadProbe(dataFilePath), reader.lastReason));
        return false;
    }

    // The sessions the diary has: an imported one equal to one of them is not added again.
    m_sessionPresent.assign(m_sessions.size(), false);
    std::vector<ImportSession> existing;
    if (bySessions && sessions && !dates.empty()) {
        existing = sessions(dates);
        std::stable_sort(existing.begin(), existing.end(),
                         [](const auto &a, const auto &b) { return a.date < b.date; });
    }

    m_counts.newDays = m_counts.changedDays = m_counts.identicalDays = 0;
    m_counts.sessionsPresent = 0;
    m_plan.reserve(dates.size());
    size_t s = 0; // the first imported session of the date
    size_t e = 0; // the first existing session of the date
    for (size_t i = 0; i < dates.size(); ++i) {
        PlanDay day{dates[i], {}, current[i], DayStatus::New, false};
        if (bySessions) {
            Sums sums;
            const size_t eEnd = size_t(
                    std::find_if(existing.begin() + qsizetype(e), existing.end(),
                                 [&](const ImportSession &x) { return x.date != dates[i]; })
                    - existing.begin());
            std::vector<bool> matched(eEnd - e, false);
            for (size_t k = e; k < eEnd; ++k)
                sums.Add(existing[k]);
            for (; s < m_sessions.size() && m_sessions[s].date == dates[i]; ++s) {
                for (size_t k = e; k < eEnd; ++k) {
                    if (!matched[k - e] && existing[k].SameAs(m_sessions[s])) {
                        matched[k - e] = true;
                        m_sessionPresent[s] = true;
                        break;
                    }
                }
                if (m_sessionPresent[s]) {
                    ++m_counts.sessionsPresent;
                } else {
                    sums.Add(m_sessions[s]);
                    day.hasNewSessions = true;
                }
            }
            e = eEnd;
            day.proposed = sums.Day();
        } else {
            const DayRow &row = m_days[i];
            day.proposed = {row.method, row.collected, row.invested, row.balance};
        }
        if (day.current.method == -1)
            day.status = DayStatus::New, ++m_counts.newDays;
        else if (SameDay(day.current, day.proposed))
            day.status = DayStatus::Identical, ++m_counts.identicalDays;
        else
            day.status = DayStatus::Changed, ++m_counts.changedDays;
        m_plan.push_back(day);
    }

    for (PreviewRow &row : m_preview) {
        const auto it
                = std::lower_bound(m_plan.begin(), m_plan.end(), row.date,
                                   [](const PlanDay &d, int32_t date) { return d.date < date; });
        if (it != m_plan.end() && it->date == row.date)
            row.status = it->status;
    }
    m_compared = true;
    return true;
}

ImportChanges CCsvImport::Changes(bool overwrite) const
{
    ImportChanges changes;
    if (!m_compared)
        return changes;
    size_t s = 0;
    for (const PlanDay &day : m_plan) {
        const bool write
                = day.status == DayStatus::New || (day.status == DayStatus::Changed && overwrite);
        if (write) {
            changes.days.push_back({day.date, EntryMethod(day.proposed.method),
                                    day.proposed.collected, day.proposed.invested,
                                    day.proposed.balance});
            ++(day.status == DayStatus::New ? changes.added : changes.changed);
        }
        // A day kept as it is keeps its sessions too: new ones would change its sums.
        const bool addSessions = write || day.status == DayStatus::Identical;
        for (; s < m_sessions.size() && m_sessions[s].date == day.date; ++s) {
            if (addSessions && !m_sessionPresent[s])
                changes.sessions.push_back(m_sessions[s]);
        }
    }
    return changes;
}
