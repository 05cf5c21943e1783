#pragma once

// The benchmarks' play sessions beside a data file from GenerateDataFile: random sessions over
// its days, added in one transaction, and the data file's lines of those days given their sums,
// so that the start of the sessions finds nothing to repair.
#include "data/DataLine.h"
#include "play/PlayStore.h"

#include <QDate>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <map>

inline PlaySession BenchSession(QRandomGenerator &rng, int day)
{
    PlaySession s;
    s.day = day;
    s.store = QStringLiteral("ホール%1").arg(rng.bounded(40));
    s.machine = QStringLiteral("機種%1").arg(rng.bounded(300));
    if (rng.bounded(10) != 0) {
        s.startMinute = rng.bounded(9 * 60, 22 * 60);
        s.endMinute = (s.startMinute + rng.bounded(30, 12 * 60)) % PlaySession::kMinutesPerDay;
    }
    s.invested = rng.bounded(0, 1000);
    s.collected = rng.bounded(0, 2000);
    if (rng.bounded(4) == 0)
        s.memo = QStringLiteral("朝イチから。\n設定は%1かな。").arg(rng.bounded(1, 7));
    return s;
}

// `count` sessions on random days among the `days` days from 1 January of firstYear.
inline void AddAgreeingSessions(const QString &dataFilePath, int firstYear, qint64 days, int count)
{
    CPlayStore store(CPlayStore::PathFor(dataFilePath));
    QRandomGenerator rng(uint(firstYear + count));
    const QDate first(firstYear, 1, 1);
    QList<int> keys;
    for (int n = 0; n < count; ++n) {
        const QDate date = first.addDays(rng.bounded(days));
        keys.append(date.year() * 10000 + date.month() * 100 + date.day());
    }
    std::sort(keys.begin(), keys.end());
    QList<PlaySession> sessions;
    for (const int key : std::as_const(keys))
        sessions.append(BenchSession(rng, key));
    QList<PlayDaySums> sums;
    QList<int32_t> pending;
    if (!store.AddAll(sessions) || !store.AllDaySums(&sums) || !store.PendingDays(&pending)
        || !store.ClearPending(pending))
        qFatal("%s", qPrintable(store.LastError()));

    std::map<int32_t, DayRecord> records;
    for (const PlayDaySums &day : std::as_const(sums))
        records[day.day] = DayRecord{0, int32_t(day.collected), int32_t(day.invested),
                                     int32_t(day.collected - day.invested)};
    QFile in(dataFilePath);
    if (!in.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(dataFilePath));
    QByteArray out;
    while (!in.atEnd()) {
        const QByteArray line = in.readLine();
        const auto it = records.find(line.left(8).toInt());
        if (it == records.end()) {
            out += line;
            continue;
        }
        char text[dataline::kMaxLine];
        out.append(text, dataline::Format(it->first, it->second, text));
        records.erase(it);
    }
    in.close();
    if (!records.empty())
        qFatal("sessions on days without a line");
    QFile file(dataFilePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(out) != out.size())
        qFatal("cannot write %s", qPrintable(dataFilePath));
}
