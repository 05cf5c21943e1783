// Times the year totals over the whole 1,000,000-line data file against LoadPeriod of the
// current period on the same file, in the same run: medians of seven runs each, taken in turns so
// that a change in the machine's load meets both alike, in wall time and in processor time (the
// latter less disturbed by other programs on a busy machine). Also times the CSV export of every
// year, and the year totals of the same lines shuffled, which the reader reads in several passes.
//
// Usage: bench_years [directory]   (default: the current directory; files are removed after)
#include "data/ResultBook.h"
#include "data/YearTotals.h"
#include "export/CsvExport.h"

#include "common/DataFileGenerator.h"
#include "common/Measure.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kRuns = 7;
constexpr qint64 kLines = 1000000;
constexpr int kFirstYear = 1000;

// Wall and processor time of a piece of work, in milliseconds.
struct Times
{
    std::vector<double> wall;
    std::vector<double> processor;

    void Take(const std::function<void()> &work)
    {
        QElapsedTimer timer;
        timer.start();
        const std::clock_t start = std::clock();
        work();
        processor.push_back(double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC);
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
};

void Shuffle(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    QByteArrayList lines = file.readAll().split('\n');
    file.close();
    lines.removeAll(QByteArray());
    QRandomGenerator rng(1000);
    for (qsizetype i = lines.size(); i > 1; --i)
        std::swap(lines[i - 1], lines[rng.bounded(i)]);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(lines.join('\n') + '\n');
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTemporaryDir dir((args.size() > 1 ? args[1] : QDir::currentPath())
                      + QStringLiteral("/murel-bench-XXXXXX"));
    if (!dir.isValid())
        qFatal("cannot make a working directory");
    const QString path = dir.filePath(QStringLiteral("Murel1.Dat"));
    GenerateDataFile(path, kFirstYear, kLines);
    const QDate end = QDate(kFirstYear, 1, 1).addDays(kLines - 1);
    const int lastMonth = end.year() * 100 + end.month();

    bool ok = true;
    auto book = std::make_unique<CResultBook>(path);
    ok &= book->LoadPeriod(lastMonth, 0, 0);
    const qint64 peakBefore = PeakKb();
    size_t years = 0;
    Times load;
    Times totals;
    for (int r = 0; r < kRuns; ++r) {
        load.Take([&] { ok &= book->LoadPeriod(lastMonth, 0, 0); });
        totals.Take([&] {
            CYearTotals t;
            ok &= t.Load(path);
            years = t.Rows().size();
        });
    }
    const qint64 peakYears = PeakKb();
    book.reset();
    const QString csvPath = dir.filePath(QStringLiteral("Murel1-all.csv"));
    const double csv
            = MedianMs(kRuns, [&] { ok &= CCsvExport().WriteAllYears(path, csvPath).isEmpty(); });
    const qint64 csvBytes = QFileInfo(csvPath).size();
    if (!ok)
        qFatal("a load failed");

    Shuffle(path);
    int passes = 0;
    const double shuffled = MedianMs(kRuns, [&] {
        CYearReader reader(path);
        CYearTotals t;
        ok &= t.Load(reader);
        passes = reader.Passes();
    });
    if (!ok)
        qFatal("a load of the shuffled file failed");

    std::printf("1,000,000 lines, %d years, median of %d runs\n", int(years), kRuns);
    std::printf("  CSV of every year               %9.3f ms (%lld bytes)\n", csv, csvBytes);
    std::printf("  year totals, lines shuffled     %9.3f ms (%d passes)\n", shuffled, passes);
    std::printf("  peak memory (VmHWM) before/after the year totals %lld / %lld kB\n", peakBefore,
                peakYears);
    const double loadCpu = MedianOf(load.processor);
    const double totalsCpu = MedianOf(totals.processor);
    std::printf("  processor time: LoadPeriod %.3f ms, years %.3f ms, ratio %.2f\n", loadCpu,
                totalsCpu, totalsCpu / loadCpu);
    const double loadWall = MedianOf(load.wall);
    const double totalsWall = MedianOf(totals.wall);
    std::printf("LoadPeriod current 1M = %.3f ms\n", loadWall);
    std::printf("years 1M = %.3f ms\n", totalsWall);
    std::printf("ratio years/load = %.2f\n", totalsWall / loadWall);
    return 0;
}
