// Times the start of the program until its main window is shown and painted, against an empty Qt
// dialog in a program of its own (bench_startup_bare), on the 100-year file with a database of
// 100,000 sessions beside it and on the same file without one: the wall time from starting the
// process until it says so, median of 15 turns. The database is only looked at after the window
// shows. Then the peak memory of the program once the window shows and the sessions' start is
// through, with and without the sessions.
//
// Usage: bench_startup [directory]   (default: the current directory; files are removed after)
#include "dialogkit/Prompt.h"
#include "main/DiaryDlg.h"
#include "startup/DiaryApp.h"

#include "common/DataFileGenerator.h"
#include "common/Measure.h"
#include "play/PlayBenchData.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int kTurns = 15;

// Milliseconds on the monotonic clock, which the parent and its children share.
double NowMs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// When the child reached its steps, from the moment the parent started it (passed in the
// environment): printed after "shown" with the window's own steps.
struct Steps
{
    double started = qEnvironmentVariable("MUREL_BENCH_STARTED").toDouble();
    double main = 0;
    double application = 0;
    double window = 0;
};
Steps g_steps;
constexpr qint64 kLines = 36525;

// Any box shown means the start did not go as measured.
class FailingPrompt : public CPrompt
{
public:
    QMessageBox::StandardButton Show(QWidget *, const QString &text, QMessageBox::Icon,
                                     QMessageBox::StandardButtons) override
    {
        qFatal("unexpected message: %s", qPrintable(text));
    }
};

// Hears the main window's show before the window itself does, so that what it posts comes before
// what the window posts then (the sessions' start): paints the window and says "shown". With
// settle, says the peak memory once the window's own posted work is through, and ends.
class ShownProbe : public QObject
{
public:
    ShownProbe(QWidget *window, bool settle)
        : m_window(window)
        , m_settle(settle)
    { }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Show && !m_seen) {
            m_seen = true;
            QMetaObject::invokeMethod(
                    this,
                    [this] {
                        m_window->repaint();
                        const double shown = NowMs();
                        std::printf("shown\n%.3f %.3f %.3f %.3f\n", g_steps.main - g_steps.started,
                                    g_steps.application - g_steps.started,
                                    g_steps.window - g_steps.started, shown - g_steps.started);
                        std::fflush(stdout);
                        if (!m_settle) {
                            QCoreApplication::exit(0);
                            return;
                        }
                        QMetaObject::invokeMethod(
                                this,
                                [] {
                                    std::printf("peak %lld\n", PeakKb());
                                    std::fflush(stdout);
                                    QCoreApplication::exit(0);
                                },
                                Qt::QueuedConnection);
                    },
                    Qt::QueuedConnection);
        }
        return false;
    }

private:
    QWidget *m_window;
    bool m_settle;
    bool m_seen = false;
};

int RunProgram(int argc, char **argv, const QString &path, bool settle)
{
    CDiaryApp app(argc, argv);
    g_steps.application = NowMs();
    FailingPrompt prompt;
    DiaryEnv env;
    env.dataFilePath = path;
    env.prompt = &prompt;
    std::unique_ptr<ShownProbe> probe;
    return app.InitInstance(
            path,
            [&](bool viewOnly) {
                env.viewOnly = viewOnly;
                auto window = std::make_unique<CDiaryDlg>(env);
                g_steps.window = NowMs();
                probe = std::make_unique<ShownProbe>(window.get(), settle);
                window->installEventFilter(probe.get());
                return window;
            },
            prompt);
}

QProcessEnvironment ChildEnvironment(const QTemporaryDir &dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The settings and the program's own lock stay in the working directory.
    const QString runtime = dir.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    return env;
}

// Milliseconds from starting the program until it says "shown"; what it says after, in rest.
double TimeToShown(QProcessEnvironment env, const QString &program, const QStringList &arguments,
                   QByteArray *rest = nullptr)
{
    QProcess child;
    QElapsedTimer timer;
    env.insert(QStringLiteral("MUREL_BENCH_STARTED"), QString::number(NowMs(), 'f', 3));
    child.setProcessEnvironment(env);
    timer.start();
    child.start(program, arguments);
    QByteArray out;
    while (!out.contains("shown\n")) {
        if (!child.waitForReadyRead(60000))
            qFatal("%s did not show: %s", qPrintable(program),
                   child.readAllStandardError().constData());
        out += child.readAllStandardOutput();
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), child.readAllStandardError().constData());
    if (rest)
        *rest = (out + child.readAllStandardOutput()).mid(out.indexOf("shown\n") + 6).trimmed();
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    g_steps.main = NowMs();
    if (argc >= 3 && (qstrcmp(argv[1], "--main") == 0 || qstrcmp(argv[1], "--settle") == 0))
        return RunProgram(argc, argv, QString::fromLocal8Bit(argv[2]),
                          qstrcmp(argv[1], "--settle") == 0);

    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTemporaryDir dir((args.size() > 1 ? args[1] : QDir::currentPath())
                      + QStringLiteral("/murel-bench-XXXXXX"));
    if (!dir.isValid())
        qFatal("cannot make a working directory");
    const QString with = dir.filePath(QStringLiteral("with/Murel1.Dat"));
    const QString without = dir.filePath(QStringLiteral("without/Murel1.Dat"));
    QDir().mkpath(QFileInfo(with).path());
    QDir().mkpath(QFileInfo(without).path());
    GenerateDataFile(with, 1000, kLines);
    AddAgreeingSessions(with, 1000, kLines, 100000);
    GenerateDataFile(without, 1000, kLines);
    const QProcessEnvironment env = ChildEnvironment(dir);
    const QString self = QCoreApplication::applicationFilePath();
    const QString bare = QFileInfo(self).dir().filePath(QStringLiteral("bench_startup_bare"));

    // One untimed turn of each warms the caches.
    TimeToShown(env, bare, {});
    TimeToShown(env, self, {QStringLiteral("--main"), with});
    std::vector<double> bareTimes, withTimes, withoutTimes;
    std::vector<double> steps[4];
    for (int turn = 0; turn < kTurns; ++turn) {
        bareTimes.push_back(TimeToShown(env, bare, {}));
        QByteArray times;
        withTimes.push_back(TimeToShown(env, self, {QStringLiteral("--main"), with}, &times));
        const QList<QByteArray> parts = times.split('\n').front().split(' ');
        for (int k = 0; k < 4; ++k)
            steps[k].push_back(parts.value(k).toDouble());
        withoutTimes.push_back(TimeToShown(env, self, {QStringLiteral("--main"), without}));
    }
    const double shown = MedianOf(withTimes);
    const double dialog = MedianOf(bareTimes);
    std::printf("median of %d starts\n", kTurns);
    std::printf("startup = %.3f ms\n", shown);
    std::printf("startup without a database = %.3f ms\n", MedianOf(withoutTimes));
    std::printf("bare dialog = %.3f ms\n", dialog);
    std::printf("startup / bare dialog = %.2f\n", shown / dialog);
    std::printf("the program's steps from its start (ms): main() %.1f, application %.1f, "
                "window made %.1f, shown %.1f\n",
                MedianOf(steps[0]), MedianOf(steps[1]), MedianOf(steps[2]), MedianOf(steps[3]));

    QByteArray peakWith, peakWithout;
    TimeToShown(env, self, {QStringLiteral("--settle"), without}, &peakWithout);
    TimeToShown(env, self, {QStringLiteral("--settle"), with}, &peakWith);
    auto peak = [](const QByteArray &said) {
        return said.mid(said.indexOf("peak ") + 5).trimmed().toLongLong();
    };
    std::printf("peak RSS without sessions = %lld kB\n", peak(peakWithout));
    std::printf("peak RSS with 100k sessions = %lld kB\n", peak(peakWith));
    std::printf("peak RSS with / without = %.2f\n",
                double(peak(peakWith)) / double(peak(peakWithout)));
    return 0;
}
