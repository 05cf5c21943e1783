// Times loading and saving a period against the floor for the same file (reading it whole, and
// copying it with a sync), for a 100-year file and a 1,000,000-line file, in turns. Each file size
// runs in its own child process, so that its peak memory can be compared.
//
// Usage: bench_datafile [directory]   (default: the current directory; files are removed after)
#include "data/ResultBook.h"

#include "common/DataFileGenerator.h"
#include "common/Measure.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kRuns = 11;
constexpr qint64 kChunk = 64 * 1024;

void ReadWhole(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        qFatal("cannot read");
    std::unique_ptr<char[]> buffer(new char[kChunk]);
    while (file.read(buffer.get(), kChunk) > 0) { }
}

void Copy(const QString &path, const QString &target)
{
    QFile in(path);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)
        || !out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        qFatal("cannot copy");
    std::unique_ptr<char[]> buffer(new char[kChunk]);
    qint64 n;
    while ((n = in.read(buffer.get(), kChunk)) > 0)
        out.write(buffer.get(), n);
    ::fsync(out.handle());
}

// Runs in a child process on one generated file; prints "name value" lines. The measurements
// are taken in turns, so that a change in the machine's load meets each of them alike.
int Child(const QString &path, int firstMonth, int lastMonth)
{
    auto book = std::make_unique<CResultBook>(path);
    const int middleMonth
            = CResultBook::AddMonths(firstMonth, (lastMonth / 100 - firstMonth / 100) * 6);
    const QString copyPath = path + QStringLiteral(".copy");
    bool ok = true;
    auto timed = [](const std::function<void()> &work) {
        QElapsedTimer timer;
        timer.start();
        work();
        return double(timer.nsecsElapsed()) / 1e6;
    };
    std::vector<double> loadCurrent, loadMiddle, save, read, copy;
    for (int run = 0; run < kRuns; ++run) {
        read.push_back(timed([&] { ReadWhole(path); }));
        loadCurrent.push_back(timed([&] { ok &= book->LoadPeriod(lastMonth, 0, 0); }));
        loadMiddle.push_back(timed([&] { ok &= book->LoadPeriod(middleMonth, 0, 0); }));
        ok &= book->LoadPeriod(lastMonth, 0, 0);
        ok &= book->EnterDay(book->Day(book->DayCount() - 1).date, EntryMethod::Balance, 0, 0,
                             7 + run % 2);
        save.push_back(timed([&] { ok &= book->Save(); }));
        copy.push_back(timed([&] { Copy(path, copyPath); }));
    }
    book->Clear();
    const qint64 peakBook = PeakKb();
    QFile::remove(copyPath);
    if (!ok)
        qFatal("a load or save failed: %s", qPrintable(book->LastError()));
    std::printf("load_current %.3f\nload_middle %.3f\nsave_current %.3f\nread %.3f\ncopy "
                "%.3f\npeak_kb %lld\n",
                MedianOf(loadCurrent), MedianOf(loadMiddle), MedianOf(save), MedianOf(read),
                MedianOf(copy), peakBook);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--child"))
        return Child(args[2], args[3].toInt(), args[4].toInt());

    QTemporaryDir dir((args.size() > 1 ? args[1] : QDir::currentPath())
                      + QStringLiteral("/murel-bench-XXXXXX"));
    if (!dir.isValid())
        qFatal("cannot make a working directory");

    struct Size
    {
        const char *name;
        int firstYear;
        qint64 lines;
    };
    const Size sizes[] = {{"100 years", 1927, 36525}, {"1,000,000 lines", 1000, 1000000}};
    double lastLoadRatio = 0;
    double lastSaveRatio = 0;
    for (const Size &size : sizes) {
        const QString path = dir.filePath(QStringLiteral("Murel1.Dat"));
        GenerateDataFile(path, size.firstYear, size.lines);
        const QDate end = QDate(size.firstYear, 1, 1).addDays(size.lines - 1);
        const int lastMonth = end.year() * 100 + end.month();
        QProcess child;
        child.start(app.applicationFilePath(),
                    {QStringLiteral("--child"), path, QString::number(size.firstYear * 100 + 1),
                     QString::number(lastMonth)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            qFatal("child failed: %s", child.readAllStandardError().constData());
        QMap<QByteArray, double> v;
        for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 2)
                v[parts[0]] = parts[1].toDouble();
        }
        std::printf("%s: %lld bytes, median of %d runs\n", size.name, QFileInfo(path).size(),
                    kRuns);
        std::printf("  LoadPeriod current period   %9.3f ms\n", v["load_current"]);
        std::printf("  LoadPeriod middle period    %9.3f ms\n", v["load_middle"]);
        std::printf("  Save modified current       %9.3f ms\n", v["save_current"]);
        std::printf("  read whole file (floor)     %9.3f ms\n", v["read"]);
        std::printf("  copy with sync (floor)      %9.3f ms\n", v["copy"]);
        std::printf("  peak memory (VmHWM)         %9.0f kB\n", v["peak_kb"]);
        lastLoadRatio = v["load_current"] / v["read"];
        lastSaveRatio = v["save_current"] / v["copy"];
        QFile::remove(path);
    }
    std::printf("ratio load/read = %.2f\n", lastLoadRatio);
    std::printf("ratio save/copy = %.2f\n", lastSaveRatio);
    return 0;
}
