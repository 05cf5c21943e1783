#include "stats/SessionTotals.h"

#include "data/BookYears.h"
#include "data/FileProblem.h"
#include "data/ResultBook.h"
#include "play/PlayStore.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <map>

namespace {

// One session's share of a row, taken apart once and added to its three rows and the total.
struct Share
{
    int32_t collected = 0;
    int32_t invested = 0;
    int minutes = 0; // 0 without both times
};

void AddShare(SessionFigures &row, const Share &share)
{
    ++row.sessions;
    row.collected += share.collected;
    row.invested += share.invested;
    if (share.collected > share.invested)
        ++row.wins;
    if (share.minutes > 0) {
        ++row.timedSessions;
        row.timedMinutes += share.minutes;
        row.timedBalance += share.collected - share.invested;
    }
}

Share ShareOf(const PlaySession &session)
{
    const int minutes = session.DurationMinutes();
    return {session.collected, session.invested, minutes == PlaySession::kNoTime ? 0 : minutes};
}

int HourOf(int startMinute)
{
    // Only a time no check let in (a hand-edited database) is outside the day.
    const bool inDay = startMinute >= 0 && startMinute < PlaySession::kMinutesPerDay;
    return inDay ? startMinute / 60 : SessionFigures::kNoHour;
}

// The times and amounts of a session in one integer: Qt hands out every column of every row as
// a variant of its own, which costs more than all the rest of the reading, so a session comes as
// two names and this. 11 bits for each time (2047: none) and 14 for each amount. A value out of
// the schema's ranges gives NULL, one that is no whole number a real number (a hand-edited
// database); the sessions are then read through the store instead.
const char kRowsSql[]
        = "SELECT CAST(store AS BLOB), CAST(machine AS BLOB), "
          "CASE WHEN invested BETWEEN 0 AND 9999 AND collected BETWEEN 0 AND 9999 "
          "AND ifnull(start_minute, 0) BETWEEN 0 AND 1439 "
          "AND ifnull(end_minute, 0) BETWEEN 0 AND 1439 "
          "THEN ((ifnull(start_minute, 2047) * 2048 + ifnull(end_minute, 2047)) * 16384 "
          "+ invested) * 16384 + collected END "
          "FROM play_session";
const char kDaysSql[] = "SELECT DISTINCT day FROM play_session";
constexpr int kNoTimeBits = 2047;

// A range that holds every day a session can have reads the table from end to end: the index
// of days would cost a look-up in the table per session.
bool Run(QSqlQuery &query, const char *sql, int32_t first, int32_t last, const char *tail = "")
{
    query.setForwardOnly(true);
    const bool everyDay = first <= 10000101 && last >= 99991231;
    QString statement = QString::fromLatin1(sql);
    if (!everyDay)
        statement += QStringLiteral(" WHERE day BETWEEN ? AND ?");
    if (!query.prepare(statement + QLatin1String(tail)))
        return false;
    if (!everyDay) {
        query.addBindValue(first);
        query.addBindValue(last);
    }
    return query.exec();
}

bool IsSpace(QChar c)
{
    return c.category() == QChar::Separator_Space;
}

// Rows of names with the same trimmed name become one, in ascending order of the name.
std::vector<SessionFigures> Merged(std::vector<SessionFigures> &exact)
{
    std::map<QString, SessionFigures> byName;
    for (SessionFigures &row : exact) {
        const QString name = TrimmedName(row.name);
        auto [at, added] = byName.try_emplace(name);
        if (added) {
            at->second = std::move(row);
            at->second.name = name;
        } else {
            at->second.Add(row);
        }
    }
    std::vector<SessionFigures> rows;
    rows.reserve(byName.size());
    for (auto &entry : byName)
        rows.push_back(std::move(entry.second));
    return rows;
}

} // namespace

SessionGrouping SessionGroupingOf(int stored)
{
    return stored == 1    ? SessionGrouping::Machine
            : stored == 2 ? SessionGrouping::Hour
                          : SessionGrouping::Store;
}

void SessionFigures::Count(const PlaySession &session)
{
    AddShare(*this, ShareOf(session));
}

void SessionFigures::Add(const SessionFigures &other)
{
    sessions += other.sessions;
    collected += other.collected;
    invested += other.invested;
    wins += other.wins;
    timedSessions += other.timedSessions;
    timedMinutes += other.timedMinutes;
    timedBalance += other.timedBalance;
}

QString TrimmedName(const QString &name)
{
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && IsSpace(name.at(begin)))
        ++begin;
    while (end > begin && IsSpace(name.at(end - 1)))
        --end;
    return begin == 0 && end == name.size() ? name : name.mid(begin, end - begin);
}

// The rows while the sessions come in: one per name exactly as stored, merged by trimmed name
// at the end.
class CSessionTotals::Groups
{
public:
    void Take(const QByteArray &store, const QByteArray &machine, int hour, const Share &share)
    {
        AddShare(Row(m_storeIndex, m_stores, store), share);
        AddShare(Row(m_machineIndex, m_machines, machine), share);
        AddShare(m_hours[hour], share);
        AddShare(m_total, share);
    }

    void Take(const PlaySession &session)
    {
        Take(session.store.toUtf8(), session.machine.toUtf8(), HourOf(session.startMinute),
             ShareOf(session));
    }

    std::vector<int32_t> days;

    void Finish(std::vector<SessionFigures> (&rows)[3], SessionFigures &total)
    {
        rows[int(SessionGrouping::Store)] = Merged(m_stores);
        rows[int(SessionGrouping::Machine)] = Merged(m_machines);
        for (int hour = 0; hour <= SessionFigures::kNoHour; ++hour) {
            if (m_hours[hour].sessions > 0) {
                m_hours[hour].hour = hour;
                rows[int(SessionGrouping::Hour)].push_back(m_hours[hour]);
            }
        }
        total = m_total;
    }

private:
    static SessionFigures &Row(QHash<QByteArray, int> &index, std::vector<SessionFigures> &rows,
                               const QByteArray &name)
    {
        auto at = index.constFind(name);
        if (at == index.constEnd()) {
            at = index.insert(name, int(rows.size()));
            rows.emplace_back();
            rows.back().name = QString::fromUtf8(name);
        }
        return rows[size_t(*at)];
    }

    QHash<QByteArray, int> m_storeIndex;
    QHash<QByteArray, int> m_machineIndex;
    std::vector<SessionFigures> m_stores;
    std::vector<SessionFigures> m_machines;
    SessionFigures m_hours[SessionFigures::kNoHour + 1];
    SessionFigures m_total;
};

bool CSessionTotals::Load(CPlayStore &store, int32_t first, int32_t last)
{
    for (auto &rows : m_rows)
        rows.clear();
    m_total = SessionFigures();
    m_days.clear();
    lastError.clear();
    if (!store.Open()) {
        lastError = store.LastError();
        return false;
    }
    if (!store.HasDatabase())
        return true;
    Groups groups;
    if (!ReadOwn(store.Path(), first, last, groups)) {
        // The store knows how to tell why a database cannot be read, and reads what it can.
        groups = Groups();
        if (!ReadThroughStore(store, first, last, groups)) {
            lastError = store.LastError();
            return false;
        }
    }
    groups.Finish(m_rows, m_total);
    m_days = std::move(groups.days);
    return true;
}

bool CSessionTotals::ReadOwn(const QString &path, int32_t first, int32_t last, Groups &groups)
{
    static std::atomic<int> connections{0};
    const QString name = QStringLiteral("murel-session-totals-%1").arg(++connections);
    bool read = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.isValid() && db.open()) {
            QSqlQuery query(db);
            query.exec(QStringLiteral("PRAGMA trusted_schema = OFF"));
            // One read transaction: the days and the rows from the same state of the database.
            read = query.exec(QStringLiteral("BEGIN")) && Run(query, kRowsSql, first, last);
            while (read && query.next()) {
                const QVariant packed = query.value(2);
                if (packed.typeId() != QMetaType::LongLong) {
                    read = false;
                    break;
                }
                const qint64 value = packed.toLongLong();
                const int start = int(value >> 39);
                const int end = int(value >> 28) & 2047;
                Share share;
                share.invested = int32_t(value >> 14) & 16383;
                share.collected = int32_t(value) & 16383;
                if (start != kNoTimeBits && end != kNoTimeBits)
                    share.minutes = (end - start + PlaySession::kMinutesPerDay - 1)
                                    % PlaySession::kMinutesPerDay
                            + 1;
                groups.Take(query.value(0).toByteArray(), query.value(1).toByteArray(),
                            start == kNoTimeBits ? SessionFigures::kNoHour : start / 60, share);
            }
            read = read && !query.lastError().isValid()
                    && Run(query, kDaysSql, first, last, " ORDER BY day");
            while (read && query.next())
                groups.days.push_back(query.value(0).toInt());
            read = read && !query.lastError().isValid();
            query.finish();
            query.exec(QStringLiteral("COMMIT"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return read;
}

bool CSessionTotals::ReadThroughStore(CPlayStore &store, int32_t first, int32_t last,
                                      Groups &groups)
{
    return store.ForEachSession([&](const PlaySession &session) {
        if (session.day >= first && session.day <= last) {
            groups.Take(session);
            if (groups.days.empty() || groups.days.back() != session.day)
                groups.days.push_back(session.day);
        }
        return true;
    });
}

const std::vector<SessionFigures> &CSessionTotals::Rows(SessionGrouping grouping) const
{
    return m_rows[int(grouping)];
}

namespace {

bool HasSessions(const std::vector<int32_t> &sessionDays, int32_t date)
{
    return std::binary_search(sessionDays.begin(), sessionDays.end(), date);
}

// Counts the days with a result and without sessions of every year handed out.
class DaysWithoutSessions : public CYearSink
{
public:
    explicit DaysWithoutSessions(const std::vector<int32_t> &sessionDays)
        : m_sessionDays(sessionDays)
    { }

    void Begin() override { count = 0; }

    void TakeYear(int year, std::span<const DayRecord> days) override
    {
        size_t index = 0;
        for (int month = 1; month <= 12; ++month) {
            const int monthKey = year * 100 + month;
            const int length = CResultBook::DaysInMonth(monthKey);
            for (int day = 1; day <= length && index < days.size(); ++day, ++index) {
                if (days[index].HasResult() && !HasSessions(m_sessionDays, monthKey * 100 + day))
                    ++count;
            }
        }
    }

    int count = 0;

private:
    const std::vector<int32_t> &m_sessionDays;
};

} // namespace

int PeriodDaysWithoutSessions(const CResultBook &book, const std::vector<int32_t> &sessionDays)
{
    int count = 0;
    for (const DayResult &day : book.Days()) {
        if (day.entryMethod != EntryMethod::None && !HasSessions(sessionDays, day.date))
            ++count;
    }
    return count;
}

bool AllDaysWithoutSessions(const CResultBook &book, const std::vector<int32_t> &sessionDays,
                            int *days, QString *problem)
{
    *days = 0;
    problem->clear();
    const QString path = book.dataFilePath();
    DaysWithoutSessions counter(sessionDays);
    CBookYears years(counter, book);
    CYearReader reader(path);
    if (!reader.Read(years)) {
        const int code = FileProblem::ReadProbe(path);
        *problem = FileProblem::Message(reader.lastError, path,
                                        FileProblem::Reason(code, reader.lastReason));
        return false;
    }
    years.Finish();
    *days = counter.count;
    return true;
}
