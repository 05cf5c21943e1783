#pragma once

// What the benchmarks measure with: the median of repeated runs and the peak memory so far.
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <algorithm>
#include <functional>
#include <vector>

inline double MedianOf(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Median wall time in milliseconds of `runs` runs of work, each after an untimed prepare.
inline double MedianMs(int runs, const std::function<void()> &work,
                       const std::function<void()> &prepare = {})
{
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return MedianOf(std::move(times));
}

// The process's peak resident memory (VmHWM) in kB; -1 where /proc is missing.
inline qint64 PeakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}
