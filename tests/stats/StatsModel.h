#pragma once

// A plain model of the statistics, worked out the long way round (every run from every start,
// every fall between every two points), for properties that compare it with the one-pass figures.
#include "common/RandomDataFile.h"

#include <cmath>
#include <map>
#include <utility>
#include <vector>

struct ModelRun
{
    int length = 0, first = 0, last = 0;
};

struct ModelStats
{
    int resultDays = 0, wins = 0, losses = 0, draws = 0;
    long long collected = 0, invested = 0, balance = 0;
    ModelRun winRun, lossRun;
    long long drawdown = 0;
    int peak = 0, trough = 0;
    long long bestMonth = 0, worstMonth = 0;
    int bestMonthKey = 0, worstMonthKey = 0;
    double mean = 0, stdDev = -1;
};

using ModelDayList = std::vector<std::pair<int, ModelDay>>; // ascending dates

// A day that moves anything: a result, or amounts on a line without one.
inline bool ModelMoves(const ModelDay &d)
{
    return d.method != -1 || d.balance != 0 || d.collected != 0 || d.invested != 0;
}

inline ModelRun LongestRun(const ModelDayList &days, int sign)
{
    std::vector<std::pair<int, int>> results; // date, balance of the days with a result
    for (const auto &[date, d] : days)
        if (d.method != -1)
            results.emplace_back(date, d.balance);
    ModelRun best;
    for (size_t i = 0; i < results.size(); ++i) {
        size_t j = i;
        while (j < results.size()
               && (results[j].second > 0           ? 1
                           : results[j].second < 0 ? -1
                                                   : 0)
                       == sign)
            ++j;
        const int length = int(j - i);
        if (length > best.length)
            best = {length, results[i].first, results[j - 1].first};
    }
    return best;
}

inline ModelStats BruteForce(const ModelDayList &days)
{
    ModelStats m;
    std::vector<int> dates{0}; // 0: the start, before any day
    std::vector<long long> running{0};
    std::map<int, std::pair<long long, bool>> months; // balance, has a result
    std::vector<double> results;
    for (const auto &[date, d] : days) {
        if (!ModelMoves(d))
            continue;
        m.collected += d.collected;
        m.invested += d.invested;
        m.balance += d.balance;
        dates.push_back(date);
        running.push_back(running.back() + d.balance);
        auto &month = months[date / 100];
        month.first += d.balance;
        if (d.method == -1)
            continue;
        month.second = true;
        ++m.resultDays;
        (d.balance > 0 ? m.wins : d.balance < 0 ? m.losses : m.draws)++;
        results.push_back(d.balance);
    }
    m.winRun = LongestRun(days, 1);
    m.lossRun = LongestRun(days, -1);
    // Every fall from an earlier point to a later one; the trough the earliest of the largest,
    // the peak the last point before it that stood highest.
    for (size_t j = 1; j < running.size(); ++j) {
        size_t top = 0;
        for (size_t i = 0; i < j; ++i)
            if (running[i] >= running[top])
                top = i;
        const long long fall = running[top] - running[j];
        if (fall > m.drawdown) {
            m.drawdown = fall;
            m.peak = dates[top];
            m.trough = dates[j];
        }
    }
    for (const auto &[key, month] : months) {
        if (!month.second)
            continue;
        if (m.bestMonthKey == 0 || month.first > m.bestMonth)
            m.bestMonth = month.first, m.bestMonthKey = key;
        if (m.worstMonthKey == 0 || month.first < m.worstMonth)
            m.worstMonth = month.first, m.worstMonthKey = key;
    }
    if (!results.empty()) {
        double sum = 0;
        for (double v : results)
            sum += v;
        m.mean = sum / double(results.size());
        if (results.size() >= 2) {
            double squares = 0;
            for (double v : results)
                squares += (v - m.mean) * (v - m.mean);
            m.stdDev = std::sqrt(squares / double(results.size() - 1));
        }
    }
    return m;
}

// The days of a file as the all-years figures take them: only years with a result.
inline ModelDayList ModelYearsWithResults(const std::map<int, ModelDay> &file)
{
    std::map<int, bool> hasResult;
    for (const auto &[date, d] : file)
        hasResult[date / 10000] |= d.method != -1;
    ModelDayList days;
    for (const auto &[date, d] : file)
        if (hasResult[date / 10000])
            days.emplace_back(date, d);
    return days;
}

// A file of small amounts over a few months, in ascending order: equal running totals, runs and
// falls are common, so the rules for ties are put to the test. Now and then a line without a
// result, with or without amounts.
inline QByteArray SmallAmountsFile(QRandomGenerator &rng, int year, int lines)
{
    QByteArray file;
    QDate day(year, 1 + int(rng.bounded(12)), 1);
    for (int n = 0; n < lines; ++n) {
        day = day.addDays(1 + int(rng.bounded(3)));
        const int key = day.year() * 10000 + day.month() * 100 + day.day();
        const int roll = int(rng.bounded(20));
        const int method = roll == 0 ? -1 : roll < 8 ? 1 : 0;
        const int balance = int(rng.bounded(5)) - 2;
        const int collected = method == 0 ? qMax(balance, 0) + int(rng.bounded(2)) : 0;
        const int invested = method == 0 ? collected - balance : 0;
        const int written = method == -1 && rng.bounded(2) ? 0 : balance;
        file += QByteArray::number(key) + ',' + QByteArray::number(method) + ','
                + QByteArray::number(written * 100) + ',' + QByteArray::number(collected * 100)
                + ',' + QByteArray::number(invested * 100) + ",\r\n";
    }
    return file;
}
