// The comparison of the rows read with the diary, and the changes a confirmed import writes.
#include "data/Amount.h"
#include "data/BookYears.h"
#include "data/FileProblem.h"
#include "data/YearReader.h"
#include "import/CsvImport.h"

#include <algorithm>

namespace {

// Compares the data file's records of the given dates with the ones to import as they come.
class CStatusOf : public CYearSink
{
public:
    using Proposed = std::function<DayRecord(size_t index)>;

    CStatusOf(std::span<const int32_t> dates, const Proposed &proposed,
              std::vector<DayStatus> &status)
        : m_dates(dates)
        , m_proposed(proposed)
        , m_status(status)
    {
        Begin();
    }

    void Begin() override { m_status.assign(m_dates.size(), DayStatus::New); }

    void TakeYear(int year, std::span<const DayRecord> days) override
    {
        const auto first = std::lower_bound(m_dates.begin(), m_dates.end(), year * 10000 + 101);
        const auto last = std::lower_bound(first, m_dates.end(), (year + 1) * 10000 + 101);
        for (auto it = first; it != last; ++it) {
            const int day = CYearReader::DayOfYear(*it);
            if (day < 0 || size_t(day) >= days.size() || days[size_t(day)].method == -1)
                continue;
            const size_t index = size_t(it - m_dates.begin());
            m_status[index] = SameDay(days[size_t(day)], m_proposed(index)) ? DayStatus::Identical
                                                                            : DayStatus::Changed;
        }
    }

private:
    static bool SameDay(const DayRecord &a, const DayRecord &b)
    {
        return a.method == b.method && a.collected == b.collected && a.invested == b.invested
                && a.balance == b.balance;
    }

    std::span<const int32_t> m_dates;
    const Proposed &m_proposed;
    std::vector<DayStatus> &m_status;
};

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
    m_compared = false;
    m_sessionDays.clear();
    m_counts.newDays = m_counts.changedDays = m_counts.identicalDays = 0;
    m_counts.sessionsPresent = 0;
    std::vector<int32_t> dates;
    for (const ImportSession &s : m_sessions) {
        if (dates.empty() || dates.back() != s.date)
            dates.push_back(s.date);
    }
    if (m_sessions.empty()) {
        dates.reserve(m_days.size());
        for (const DayRow &d : m_days)
            dates.push_back(d.date);
    } else {
        SumSessions(dates, sessions);
    }

    const CStatusOf::Proposed proposed = [this](size_t i) {
        if (!m_sessionDays.empty())
            return m_sessionDays[i].sums;
        const DayRow &row = m_days[i];
        return DayRecord{row.method, row.collected, row.invested, row.balance};
    };
    CStatusOf sink(dates, proposed, m_status);
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
        m_status.clear();
        m_problem = FileProblem::Message(
                reader.lastError, dataFilePath,
                FileProblem::Reason(FileProblem::ReadProbe(dataFilePath), reader.lastReason));
        return false;
    }
    for (const DayStatus status : m_status) {
        ++(status == DayStatus::New               ? m_counts.newDays
                   : status == DayStatus::Changed ? m_counts.changedDays
                                                  : m_counts.identicalDays);
    }
    for (PreviewRow &row : m_preview) {
        const auto it = std::lower_bound(dates.begin(), dates.end(), row.date);
        if (it != dates.end() && *it == row.date)
            row.status = m_status[size_t(it - dates.begin())];
    }
    m_compared = true;
    return true;
}

void CCsvImport::SumSessions(const std::vector<int32_t> &dates, const SessionLookup &sessions)
{
    // The sessions the diary has: an imported one equal to one of them is not added again.
    m_sessionPresent.assign(m_sessions.size(), false);
    std::vector<ImportSession> existing;
    if (sessions && !dates.empty()) {
        existing = sessions(dates);
        std::stable_sort(existing.begin(), existing.end(),
                         [](const auto &a, const auto &b) { return a.date < b.date; });
    }
    m_sessionDays.reserve(dates.size());
    size_t s = 0; // the first imported session of the date
    size_t e = 0; // the first existing session of the date
    for (const int32_t date : dates) {
        while (e < existing.size() && existing[e].date < date)
            ++e;
        size_t eEnd = e;
        Sums sums;
        for (; eEnd < existing.size() && existing[eEnd].date == date; ++eEnd)
            sums.Add(existing[eEnd]);
        std::vector<bool> matched(eEnd - e, false);
        for (; s < m_sessions.size() && m_sessions[s].date == date; ++s) {
            for (size_t k = e; k < eEnd; ++k) {
                if (!matched[k - e] && existing[k].SameAs(m_sessions[s])) {
                    matched[k - e] = true;
                    m_sessionPresent[s] = true;
                    ++m_counts.sessionsPresent;
                    break;
                }
            }
            if (!m_sessionPresent[s])
                sums.Add(m_sessions[s]);
        }
        e = eEnd;
        m_sessionDays.push_back({date, sums.Day()});
    }
}

ImportChanges CCsvImport::Changes(bool overwrite) const
{
    ImportChanges changes;
    if (!m_compared)
        return changes;
    changes.days.reserve(size_t(m_counts.newDays + (overwrite ? m_counts.changedDays : 0)));
    size_t s = 0;
    for (size_t i = 0; i < m_status.size(); ++i) {
        const DayStatus status = m_status[i];
        const bool write = status == DayStatus::New || (status == DayStatus::Changed && overwrite);
        const int32_t date = m_sessionDays.empty() ? m_days[i].date : m_sessionDays[i].date;
        if (write) {
            if (m_sessionDays.empty()) {
                const DayRow &d = m_days[i];
                changes.days.push_back({date, {d.method, d.collected, d.invested, d.balance}});
            } else {
                const DayRecord &d = m_sessionDays[i].sums;
                changes.days.push_back({date, {d.method, d.collected, d.invested, d.balance}});
            }
            ++(status == DayStatus::New ? changes.added : changes.changed);
        }
        // A day kept as it is keeps its sessions too: new ones would change its sums.
        const bool addSessions = write || status == DayStatus::Identical;
        for (; s < m_sessions.size() && m_sessions[s].date == date; ++s) {
            if (addSessions && !m_sessionPresent[s])
                changes.sessions.push_back(m_sessions[s]);
        }
    }
    return changes;
}
