// Times the year totals over the whole 1,000,000-line data file against LoadPeriod of the
// current period on the same file, in the same run (medians of seven runs). Also times the CSV
// export of every year, and the year totals of the same lines shuffled, which the reader reads
// in several passes.
//
// Usage: bench_years [directory]   (default: the current directory; files are removed after)
#include "data/ResultBook.h"
#include "data/YearTotals.h"
#include "export/CsvExport.h"

#include "common/DataFileGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kRuns = 7;
constexpr qint64 kLines = 1000000;
constexpr int kFirstYear = 1000;

double MedianMs(const std::function<void()> &work)
{
    std::vector<double> times;
    for (int r = 0; r < kRuns; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

qint64 PeakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

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
    const double load = MedianMs([&] { ok &= book->LoadPeriod(lastMonth, 0, 0); });
    book.reset();
    const qint64 peakBefore = PeakKb();
    size_t years = 0;
    const double totals = MedianMs([&] {
        CYearTotals t;
        ok &= t.Load(path);
        years = t.Rows().size();
    });
    const qint64 peakYears = PeakKb();
    const QString csvPath = dir.filePath(QStringLiteral("Murel1-all.csv"));
    const double csv = MedianMs([&] { ok &= CCsvExport().WriteAllYears(path, csvPath).isEmpty(); });
    const qint64 csvBytes = QFileInfo(csvPath).size();
    if (!ok)
        qFatal("a load failed");

    Shuffle(path);
    int passes = 0;
    const double shuffled = MedianMs([&] {
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
    std::printf("LoadPeriod current 1M = %.3f ms\n", load);
    std::printf("years 1M = %.3f ms\n", totals);
    std::printf("ratio years/load = %.2f\n", totals / load);
    return 0;
}
