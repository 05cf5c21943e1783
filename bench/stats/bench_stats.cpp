// Times the calendar's year view and the statistics of every year over the 1,000,000-line data
// file against the year table on the same file, in the same run: medians of seven runs each,
// taken in turns so that a change in the machine's load meets all three alike. Each one reads the
// file as its window does, through the year reader with the loaded period laid over; the
// calendar then works out every cell of the year shown (its text and its colour) and the
// months' balances, the statistics their table's texts.
//
// Usage: bench_stats [directory]   (default: the current directory; files are removed after)
#include "data/BookYears.h"
#include "data/ResultBook.h"
#include "data/YearTotals.h"
#include "stats/CalendarData.h"
#include "stats/DayStats.h"
#include "stats/StatsText.h"

#include "common/DataFileGenerator.h"
#include "common/Measure.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 7;
constexpr qint64 kLines = 1000000;
constexpr int kFirstYear = 1000;

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

// What the year view shows of a year: every cell's text and colour, the months' and the year's
// balances. Returns a checksum so that nothing is left out.
qint64 YearView(const CDayArchive &archive, int year, int today)
{
    qint64 sum = archive.YearBalance(year);
    const int32_t scale = archive.YearScale(year);
    for (int m = 1; m <= 12; ++m) {
        const int month = year * 100 + m;
        sum += archive.MonthBalance(month);
        const calendar::MonthLayout layout = calendar::LayOut(month);
        for (const auto &week : layout.cells) {
            for (const int32_t date : week) {
                if (date == 0)
                    continue;
                const CalendarDay day = archive.Day(date);
                sum += calendar::CellText(day, date == today).size();
                sum += calendar::HeatColour(day, scale).r;
            }
        }
    }
    return sum;
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
    const int today = end.year() * 10000 + end.month() * 100 + end.day();

    CResultBook book(path);
    bool ok = book.LoadPeriod(lastMonth, 0, 0);
    size_t years = 0;
    qint64 checksum = 0;
    int archiveYears = 0;
    StatFigures figures;
    Times table, cal, stats;
    for (int r = 0; r < kRuns; ++r) {
        table.Take([&] {
            CYearTotals totals;
            CBookYears overlay(totals, book);
            CYearReader reader(path);
            ok &= reader.Read(overlay);
            overlay.Finish();
            years = totals.Rows().size();
        });
        cal.Take([&] {
            CDayArchive archive;
            ok &= archive.Load(book);
            checksum += YearView(archive, end.year(), today);
            archiveYears = archive.YearCount();
        });
        stats.Take([&] {
            CAllYearsStats all;
            ok &= all.Load(book);
            figures = all.Figures();
            checksum += statstext::Rows(figures).size();
        });
    }
    if (!ok)
        qFatal("a read failed");
    if (archiveYears != int(years) || figures.resultDays != kLines)
        qFatal("the readers disagree: %d years in the calendar, %d in the table, %d days",
               archiveYears, int(years), figures.resultDays);

    std::printf("1,000,000 lines, %d years, median of %d runs (checksum %lld)\n", int(years), kRuns,
                checksum);
    std::printf("  processor time: year table %.3f ms, calendar year %.3f ms, stats %.3f ms\n",
                MedianOf(table.processor), MedianOf(cal.processor), MedianOf(stats.processor));
    std::printf("  peak memory (VmHWM) %lld kB\n", PeakKb());
    const double tableWall = MedianOf(table.wall);
    const double calWall = MedianOf(cal.wall);
    const double statsWall = MedianOf(stats.wall);
    std::printf("year table 1M = %.3f ms\n", tableWall);
    std::printf("calendar year 1M = %.3f ms\n", calWall);
    std::printf("stats 1M = %.3f ms\n", statsWall);
    std::printf("ratio calendar/year table = %.2f\n", calWall / tableWall);
    std::printf("ratio stats/year table = %.2f\n", statsWall / tableWall);
    return 0;
}
