// Times one applied day end to end in the real main window, offscreen: the day applied to the
// book, the period saved over the data file, the list rows and the summary rebuilt and the graph
// painted. For a 100-year file and for the 1,000,000-line file; median of 51 entries each. The
// first entry of the day also writes the day's backup, and is shown apart.
//
// Then one session saved end to end on the 100-year file with 100,000 sessions beside it: the
// session's transaction with its day's mark, the day's sums saved over the data file, the mark
// cleared, the list and the graph; median of 51, compared with the 100-year entry of the run.
//
// Usage: bench_entry [directory]   (default: the current directory; files are removed after)
#include "data/ResultBook.h"
#include "dialogkit/Prompt.h"
#include "main/DiaryDlg.h"
#include "session/DiarySession.h"
#include "session/PlayDiary.h"

#include "common/DataFileGenerator.h"
#include "common/Measure.h"
#include "play/PlayBenchData.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 51;

// Any box shown means a save failed, which would make the figures meaningless.
class FailingPrompt : public CPrompt
{
public:
    QMessageBox::StandardButton Show(QWidget *, const QString &text, QMessageBox::Icon,
                                     QMessageBox::StandardButtons) override
    {
        qFatal("unexpected message: %s", qPrintable(text));
    }
};

struct Timing
{
    double first = 0;
    double median = 0;
};

Timing TimeEntries(const QString &path, qint64 lines)
{
    QDir().mkpath(QFileInfo(path).path());
    GenerateDataFile(path, 1000, lines);
    const QDate last = QDate(1000, 1, 1).addDays(lines - 1);
    FailingPrompt prompt;
    DiaryEnv env;
    env.today = last;
    env.clock = [last] { return last; };
    env.dataFilePath = path;
    env.prompt = &prompt;
    CDiaryDlg dlg(env);
    dlg.show();
    QCoreApplication::processEvents();
    QWidget *graph = dlg.Control(MainCtl::Graph);
    CResultBook &book = dlg.Session().Book();
    const int day = last.year() * 10000 + last.month() * 100 + last.day();

    std::vector<double> times;
    for (int r = 0; r <= kRuns; ++r) {
        QElapsedTimer timer;
        timer.start();
        if (!book.EnterDay(day, EntryMethod::Amounts, 100 + r % 2, 40, 0))
            qFatal("the day was not applied");
        QCoreApplication::processEvents();
        graph->grab();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (book.IsModified())
            qFatal("the day was not saved");
    }
    Timing t;
    t.first = times.front();
    times.erase(times.begin());
    t.median = MedianOf(std::move(times));
    return t;
}

// The same window on the 100-year file with 100,000 sessions; each run saves one more session on
// the last day. start: the events after the window shows, in which the sessions' start checks
// the database and compares the data file with it.
double TimeSessionEntries(const QString &path, double *start)
{
    constexpr qint64 kLines = 36525;
    constexpr int kSessions = 100000;
    QDir().mkpath(QFileInfo(path).path());
    GenerateDataFile(path, 1000, kLines);
    AddAgreeingSessions(path, 1000, kLines, kSessions);
    const QDate last = QDate(1000, 1, 1).addDays(kLines - 1);
    FailingPrompt prompt;
    DiaryEnv env;
    env.today = last;
    env.clock = [last] { return last; };
    env.dataFilePath = path;
    env.prompt = &prompt;
    CDiaryDlg dlg(env);
    dlg.show();
    QElapsedTimer startTimer;
    startTimer.start();
    QCoreApplication::processEvents();
    *start = double(startTimer.nsecsElapsed()) / 1e6;
    QWidget *graph = dlg.Control(MainCtl::Graph);
    CDiarySession &session = dlg.Session();
    CPlayDiary &plays = session.Plays();
    if (!plays.CanChange())
        qFatal("sessions unavailable: %s", qPrintable(plays.Problem()));
    const int day = last.year() * 10000 + last.month() * 100 + last.day();
    QRandomGenerator rng(day);

    std::vector<double> times;
    for (int r = 0; r <= kRuns; ++r) {
        PlaySession s = BenchSession(rng, day);
        QString problem;
        QElapsedTimer timer;
        timer.start();
        if (!plays.Add(s, &problem))
            qFatal("the session was not saved: %s", qPrintable(problem));
        QCoreApplication::processEvents();
        graph->grab();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (plays.HasUnsavedDays() || !session.TakeReports().isEmpty())
            qFatal("the day was not saved");
    }
    PlayDaySums sums;
    const DayResult &shown = session.Book().Day(session.Book().IndexOf(day));
    if (!plays.Store().DaySums(day, &sums) || shown.collected != sums.collected
        || shown.invested != sums.invested)
        qFatal("the day does not show its sessions' sums");
    times.erase(times.begin());
    return MedianOf(std::move(times));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTemporaryDir dir((args.size() > 1 ? args[1] : QDir::currentPath())
                      + QStringLiteral("/murel-bench-XXXXXX"));
    if (!dir.isValid())
        qFatal("cannot make a working directory");
    // The window's settings (its position, the start-up options) stay in the working directory.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       dir.filePath(QStringLiteral("settings")));

    const Timing years = TimeEntries(dir.filePath(QStringLiteral("a/Murel1.Dat")), 36525);
    const Timing million = TimeEntries(dir.filePath(QStringLiteral("b/Murel1.Dat")), 1000000);
    std::printf(
            "median of %d entries; the first, with the day's backup: 100y %.3f ms, 1M %.3f ms\n",
            kRuns, years.first, million.first);
    std::printf("entry 100y = %.3f ms\n", years.median);
    std::printf("entry 1M = %.3f ms\n", million.median);
    double start = 0;
    const double session = TimeSessionEntries(dir.filePath(QStringLiteral("c/Murel1.Dat")), &start);
    std::printf("events after show with 100k sessions (their start) = %.3f ms\n", start);
    std::printf("session entry = %.3f ms\n", session);
    std::printf("session entry / entry 100y = %.2f\n", session / years.median);
    return 0;
}
