#include "startup/ExitSignals.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <memory>

#include <unistd.h>

namespace {

const QList<int> kWatched{SIGTERM, SIGHUP, SIGINT};

volatile sig_atomic_t g_ownHandlerSaw = 0;

extern "C" void OwnHandler(int signalNumber)
{
    g_ownHandlerSaw = signalNumber;
}

void (*CurrentHandler(int signalNumber))(int)
{
    struct sigaction now = {};
    ::sigaction(signalNumber, nullptr, &now);
    return now.sa_handler;
}

QList<int> Numbers(const QSignalSpy &spy)
{
    QList<int> numbers;
    for (const QList<QVariant> &arguments : spy)
        numbers << arguments.at(0).toInt();
    return numbers;
}

// The program's part in a child process: watch (or stop watching) and wait for a signal.
int RunAsChild(const QString &mode)
{
    std::unique_ptr<CExitSignals> watcher = std::make_unique<CExitSignals>();
    if (mode == QLatin1String("after"))
        watcher.reset();
    else
        QObject::connect(watcher.get(), &CExitSignals::exitRequested, [](int signalNumber) {
            const QByteArray line = "exit " + QByteArray::number(signalNumber) + '\n';
            [[maybe_unused]] const ssize_t n
                    = ::write(STDOUT_FILENO, line.constData(), size_t(line.size()));
            QCoreApplication::exit(0);
        });
    QTimer::singleShot(
            0, [] { [[maybe_unused]] const ssize_t n = ::write(STDOUT_FILENO, "ready\n", 6); });
    QTimer::singleShot(20000, [] { QCoreApplication::exit(9); });
    return QCoreApplication::exec();
}

} // namespace

class TestExitSignals : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void arrivesThroughTheLoop_data();
    void arrivesThroughTheLoop();
    void quickSuccession_data();
    void quickSuccession();
    void busyReceiverIsNotEnteredAgain();
    void receiverMayDestroyTheWatcher();
    void onlyOneWatcher();
    void previousHandlersComeBack_data();
    void previousHandlersComeBack();
    void childProcess_data();
    void childProcess();
    void ignoredFromNowOn();

private:
    // What QtTest itself installed, put back after each test.
    struct sigaction m_saved[3] = {};
};

void TestExitSignals::initTestCase()
{
    for (int i = 0; i < kWatched.size(); ++i)
        QCOMPARE(::sigaction(kWatched[i], nullptr, &m_saved[i]), 0);
}

void TestExitSignals::cleanup()
{
    for (int i = 0; i < kWatched.size(); ++i)
        ::sigaction(kWatched[i], &m_saved[i], nullptr);
}

void TestExitSignals::arrivesThroughTheLoop_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("viaKill");
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGTERM by kill") << int(SIGTERM) << true;
}

void TestExitSignals::arrivesThroughTheLoop()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, viaKill);
    CExitSignals watcher;
    QVERIFY(watcher.isActive());
    QSignalSpy spy(&watcher, &CExitSignals::exitRequested);
    QCOMPARE(viaKill ? ::kill(::getpid(), signalNumber) : ::raise(signalNumber), 0);
    QCOMPARE(spy.size(), 0); // never from inside the handler
    QTRY_COMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), signalNumber);
    QTest::qWait(50);
    QCOMPARE(spy.size(), 1); // and only once
}

void TestExitSignals::quickSuccession_data()
{
    QTest::addColumn<QList<int>>("sent");
    QTest::newRow("the same twice") << QList<int>{SIGTERM, SIGTERM};
    QTest::newRow("two kinds") << QList<int>{SIGTERM, SIGINT};
    QTest::newRow("all three, twice")
            << QList<int>{SIGHUP, SIGINT, SIGTERM, SIGTERM, SIGINT, SIGHUP};
}

void TestExitSignals::quickSuccession()
{
    QFETCH(QList<int>, sent);
    CExitSignals watcher;
    QSignalSpy spy(&watcher, &CExitSignals::exitRequested);
    for (int signalNumber : sent)
        QCOMPARE(::raise(signalNumber), 0);
    QTRY_COMPARE(spy.size(), sent.size());
    QCOMPARE(Numbers(spy), sent);
    QTest::qWait(50);
    QCOMPARE(spy.size(), sent.size());
}

void TestExitSignals::busyReceiverIsNotEnteredAgain()
{
    // The receiver is saving when the next signal comes, and its save shows a box (a nested
    // event loop): the second signal must wait until the first receiver call returned.
    CExitSignals watcher;
    QStringList events;
    int depth = 0;
    connect(&watcher, &CExitSignals::exitRequested, this, [&](int signalNumber) {
        events << QStringLiteral("enter %1 depth %2").arg(signalNumber).arg(++depth);
        if (events.size() == 1) {
            ::raise(SIGINT);
            ::raise(SIGHUP);
            QEventLoop box;
            QTimer::singleShot(200, &box, &QEventLoop::quit);
            box.exec();
        }
        events << QStringLiteral("leave %1").arg(signalNumber);
        --depth;
    });
    QCOMPARE(::raise(SIGTERM), 0);
    QTRY_COMPARE(events.size(), 6);
    QCOMPARE(events,
             (QStringList{QStringLiteral("enter %1 depth 1").arg(SIGTERM),
                          QStringLiteral("leave %1").arg(SIGTERM),
                          QStringLiteral("enter %1 depth 1").arg(SIGINT),
                          QStringLiteral("leave %1").arg(SIGINT),
                          QStringLiteral("enter %1 depth 1").arg(SIGHUP),
                          QStringLiteral("leave %1").arg(SIGHUP)}));
}

void TestExitSignals::receiverMayDestroyTheWatcher()
{
    auto *watcher = new CExitSignals;
    void (*const installed)(int) = CurrentHandler(SIGTERM);
    QPointer<CExitSignals> guard(watcher);
    int calls = 0;
    connect(watcher, &CExitSignals::exitRequested, this, [&] {
        ++calls;
        delete watcher;
    });
    QCOMPARE(::raise(SIGTERM), 0);
    QTRY_VERIFY(guard.isNull());
    QCOMPARE(calls, 1);
    QVERIFY(CurrentHandler(SIGTERM) != installed);
    QVERIFY(CurrentHandler(SIGTERM) == m_saved[0].sa_handler);
}

void TestExitSignals::onlyOneWatcher()
{
    auto first = std::make_unique<CExitSignals>();
    QVERIFY(first->isActive());
    void (*const installed)(int) = CurrentHandler(SIGHUP);
    {
        QTest::ignoreMessage(QtWarningMsg,
                             "Murel: exit signals are already watched by another object");
        CExitSignals second;
        QVERIFY(!second.isActive());
    }
    // The inactive one changed nothing, neither on its way in nor out.
    QVERIFY(CurrentHandler(SIGHUP) == installed);
    QSignalSpy spy(first.get(), &CExitSignals::exitRequested);
    QCOMPARE(::raise(SIGHUP), 0);
    QTRY_COMPARE(spy.size(), 1);

    // A new watcher after the first one is gone starts clean: no stale signal from the pipe.
    QCOMPARE(::raise(SIGHUP), 0);
    first.reset();
    CExitSignals next;
    QVERIFY(next.isActive());
    QSignalSpy nextSpy(&next, &CExitSignals::exitRequested);
    QTest::qWait(50);
    QCOMPARE(nextSpy.size(), 0);
}

void TestExitSignals::previousHandlersComeBack_data()
{
    QTest::addColumn<QString>("previous");
    QTest::newRow("default action") << "default";
    QTest::newRow("ignored") << "ignored";
    QTest::newRow("a handler of its own") << "own";
}

void TestExitSignals::previousHandlersComeBack()
{
    QFETCH(QString, previous);
    void (*const handler)(int) = previous == QLatin1String("default") ? SIG_DFL
            : previous == QLatin1String("ignored")                    ? SIG_IGN
                                                                      : OwnHandler;
    for (int signalNumber : kWatched)
        QVERIFY(::signal(signalNumber, handler) != SIG_ERR);
    {
        CExitSignals watcher;
        QVERIFY(watcher.isActive());
        for (int signalNumber : kWatched)
            QVERIFY(CurrentHandler(signalNumber) != handler);
    }
    for (int signalNumber : kWatched)
        QVERIFY(CurrentHandler(signalNumber) == handler);
    if (previous == QLatin1String("own")) {
        for (int signalNumber : kWatched) {
            g_ownHandlerSaw = 0;
            QCOMPARE(::raise(signalNumber), 0);
            QCOMPARE(int(g_ownHandlerSaw), signalNumber);
        }
    }
}

void TestExitSignals::childProcess_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("crashes");
    QTest::newRow("SIGTERM while watched") << "watch" << int(SIGTERM) << false;
    QTest::newRow("SIGHUP while watched") << "watch" << int(SIGHUP) << false;
    QTest::newRow("SIGINT while watched") << "watch" << int(SIGINT) << false;
    QTest::newRow("SIGTERM after the watcher") << "after" << int(SIGTERM) << true;
    QTest::newRow("SIGINT after the watcher") << "after" << int(SIGINT) << true;
}

void TestExitSignals::childProcess()
{
    QFETCH(QString, mode);
    QFETCH(int, signalNumber);
    QFETCH(bool, crashes);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MUREL_SIGNALS_CHILD"), mode);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QByteArray output;
    QDeadlineTimer deadline(15000);
    while (!output.contains("ready\n") && !deadline.hasExpired()) {
        child.waitForReadyRead(100);
        output += child.readAllStandardOutput();
    }
    QCOMPARE(output, QByteArray("ready\n"));
    QCOMPARE(::kill(pid_t(child.processId()), signalNumber), 0);
    QVERIFY(child.waitForFinished(15000));
    output += child.readAllStandardOutput();
    if (crashes) {
        // The default action is back: the signal ends the process.
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QCOMPARE(child.exitCode(), signalNumber);
        QCOMPARE(output, QByteArray("ready\n"));
    } else {
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(output, "ready\nexit " + QByteArray::number(signalNumber) + '\n');
    }
}

// Once closing has begun no signal gets through, neither one already waiting nor a later one,
// and the default action does not come back with the watcher's end.
void TestExitSignals::ignoredFromNowOn()
{
    auto watcher = std::make_unique<CExitSignals>();
    QSignalSpy spy(watcher.get(), &CExitSignals::exitRequested);
    QCOMPARE(::raise(SIGTERM), 0);
    watcher->IgnoreFromNowOn();
    watcher.reset();
    for (int signalNumber : kWatched) {
        QVERIFY(CurrentHandler(signalNumber) == SIG_IGN);
        QCOMPARE(::raise(signalNumber), 0); // the default action would end the test here
    }
    QTest::qWait(50);
    QCOMPARE(spy.size(), 0);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("MUREL_SIGNALS_CHILD"))
        return RunAsChild(qEnvironmentVariable("MUREL_SIGNALS_CHILD"));
    TestExitSignals test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_exitsignals.moc"
