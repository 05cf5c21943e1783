#include "common/ScriptedPrompt.h"
#include "common/Unprivileged.h"
#include "data/DurableFile.h"
#include "dialogkit/DialogTemplate.h"
#include "startup/DataFileLock.h"
#include "startup/DiaryApp.h"
#include "startup/QuietSave.h"

#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QProcess>
#include <QSettings>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <memory>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#ifndef MUREL_CHILD
#error "MUREL_CHILD must name the test child executable"
#endif

namespace {

const QString kRefusal = QStringLiteral("アプリケーションは既に実行されています。");

// A main window that records that it ran and closes itself.
class ProbeWindow : public QDialog
{
public:
    explicit ProbeWindow(std::function<void()> whileShown)
        : m_whileShown(std::move(whileShown))
    {
        QTimer::singleShot(0, this, [this] {
            if (m_whileShown)
                m_whileShown();
            accept();
        });
    }

private:
    std::function<void()> m_whileShown;
};

// A main window that saves without questions when asked, and ends the event loop itself, either
// the usual way (finished) or by ending the loop directly.
class QuietProbe : public QDialog, public CQuietSave
{
public:
    // calls and shown count what the program asked of the window; they outlive it.
    QuietProbe(bool endLoopDirectly, bool saves, int &calls, int &shown)
        : m_saves(saves)
        , m_calls(calls)
        , m_shown(shown)
    {
        QTimer::singleShot(0, this, [this, endLoopDirectly] {
            if (endLoopDirectly)
                QCoreApplication::exit(0);
            else
                accept();
        });
    }
    bool SaveWithoutQuestions(QString *problem) override
    {
        ++m_calls;
        if (!m_saves)
            *problem = QStringLiteral("disk full");
        return m_saves;
    }
    void ShowSaveProblem(const QString &) override { ++m_shown; }

private:
    bool m_saves;
    int &m_calls;
    int &m_shown;
};

// One copy of the test child, with its own settings directory and a shared runtime directory.
class Child
{
public:
    Child(const QString &runtimeDir, const QString &configDir, const QString &barrier = {},
          const QString &quiet = {}, const QMap<QString, QString> &extra = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (auto it = extra.begin(); it != extra.end(); ++it)
            env.insert(it.key(), it.value());
        if (!quiet.isEmpty())
            env.insert(QStringLiteral("MUREL_CHILD_QUIET"), quiet);
        else
            env.remove(QStringLiteral("MUREL_CHILD_QUIET"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
        if (!barrier.isEmpty())
            env.insert(QStringLiteral("MUREL_CHILD_BARRIER"), barrier);
        else
            env.remove(QStringLiteral("MUREL_CHILD_BARRIER"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QStringLiteral(MUREL_CHILD), {});
    }
    ~Child()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QProcess &process() { return m_process; }

    // Waits until the child has printed a line starting with prefix.
    bool waitFor(const QString &prefix, int ms = 15000)
    {
        QDeadlineTimer deadline(ms);
        for (;;) {
            // Output may already sit in the buffer, read there by an event loop.
            m_output += QString::fromUtf8(m_process.readAllStandardOutput());
            if (hasLine(prefix))
                return true;
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return false;
            m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }
    bool hasLine(const QString &prefix) const
    {
        const QStringList lines = m_output.split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            if (line.startsWith(prefix))
                return true;
        }
        return false;
    }
    // Ends the child's main window by closing its standard input; returns its exit code or -1.
    int finish()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(15000))
            return -1;
        m_output += QString::fromUtf8(m_process.readAllStandardOutput());
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    QString output() const { return m_output; }
    // The lines that start with prefix, in order.
    QStringList lines(const QString &prefix) const
    {
        QStringList found;
        for (const QString &line : m_output.split(QLatin1Char('\n'))) {
            if (line.startsWith(prefix))
                found.append(line);
        }
        return found;
    }

private:
    QProcess m_process;
    QString m_output;
};

const QByteArray kDataBytes = "20030511,0,-100,0,100,\r\n20030512,0,2000,5000,3000,\r\n";

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString &path, const QByteArray &bytes, qint64 ageSeconds = 0)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        return false;
    return ageSeconds == 0
            || file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                                QFileDevice::FileModificationTime);
}

// A save's temporary file, named as saves name theirs, that a killed run left an hour ago.
QString LeaveStaleTemporary(const QString &dataFile)
{
    CDurableFile file(dataFile);
    const QString path = file.Open() ? file.TemporaryPath() : QString();
    file.Cancel();
    return !path.isEmpty() && WriteFile(path, "20030512,0,20", 3600) ? path : QString();
}

} // namespace

class TestDiaryApp : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_runtime;
    std::unique_ptr<QTemporaryDir> m_settings;

private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        QVERIFY(QFile::setPermissions(m_runtime.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        QCOMPARE(CDiaryApp::LockFilePath(), QDir(m_runtime.path()).filePath("Murel.lock"));
    }
    void init()
    {
        m_settings = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings->path());
    }

    void applicationSetUp()
    {
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Murel"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Murel"));
        QVERIFY(QSettings().fileName().endsWith(QStringLiteral("/Murel/Murel.conf")));
        QCOMPARE(QApplication::font().families(), dlg::DialogFont().families());
        QCOMPARE(QApplication::font().pointSize(), 9);
        QVERIFY(!QApplication::windowIcon().isNull());
    }

    void qtTextsInJapanese_data()
    {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("source");
        QTest::newRow("cancel button") << "QPlatformTheme"
                                       << "Cancel";
        QTest::newRow("yes button") << "QPlatformTheme"
                                    << "&Yes";
        QTest::newRow("edit menu undo") << "QLineEdit"
                                        << "&Undo";
        QTest::newRow("edit menu select all") << "QLineEdit"
                                              << "Select All";
    }
    void qtTextsInJapanese()
    {
        QFETCH(QString, context);
        QFETCH(QString, source);
        const QString text = QCoreApplication::translate(qPrintable(context), qPrintable(source));
        QVERIFY2(text != source, qPrintable(text));
        bool japanese = false;
        for (QChar c : text)
            japanese = japanese || c.unicode() >= 0x3000;
        QVERIFY2(japanese, qPrintable(text));
    }
    void lineEditMenuInJapanese()
    {
        QLineEdit edit(QStringLiteral("abc"));
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList texts;
        for (QAction *a : menu->actions()) {
            if (!a->isSeparator())
                texts.append(a->text());
        }
        QVERIFY(!texts.isEmpty());
        QVERIFY2(!texts.contains(QStringLiteral("Select All")), qPrintable(texts.join('|')));
    }

    void runsTheMainWindowHoldingTheLock()
    {
        ScriptedPrompt prompt;
        int made = 0;
        bool lockedWhileRunning = false;
        bool wasShown = false;
        auto &app = *static_cast<CDiaryApp *>(QCoreApplication::instance());
        const int rc = app.InitInstance(
                [&]() -> std::unique_ptr<QDialog> {
                    ++made;
                    auto *window = new ProbeWindow([&] {
                        QLockFile other(CDiaryApp::LockFilePath());
                        lockedWhileRunning = !other.tryLock(0);
                        wasShown = QApplication::activeModalWidget() != nullptr;
                    });
                    return std::unique_ptr<QDialog>(window);
                },
                prompt);
        QCOMPARE(rc, 0);
        QCOMPARE(made, 1);
        QVERIFY(wasShown);
        QVERIFY(lockedWhileRunning);
        QVERIFY(prompt.asked.isEmpty());
        QVERIFY(!QFile::exists(CDiaryApp::LockFilePath()));
        QLockFile after(CDiaryApp::LockFilePath());
        QVERIFY(after.tryLock(0));
    }

    void refusesWhileLocked()
    {
        QLockFile held(CDiaryApp::LockFilePath());
        QVERIFY(held.tryLock(0));
        ScriptedPrompt prompt;
        int made = 0;
        auto &app = *static_cast<CDiaryApp *>(QCoreApplication::instance());
        const int rc = app.InitInstance(
                [&]() -> std::unique_ptr<QDialog> {
                    ++made;
                    return std::make_unique<ProbeWindow>(nullptr);
                },
                prompt);
        QCOMPARE(rc, 0);
        QCOMPARE(made, 0);
        QCOMPARE(prompt.asked.size(), 1);
        QCOMPARE(prompt.asked[0].text, kRefusal);
        QCOMPARE(prompt.asked[0].icon, QMessageBox::Warning);
        QCOMPARE(prompt.asked[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(prompt.asked[0].owner, nullptr);
        QVERIFY(held.isLocked()); // the refused copy leaves the running copy's lock alone
        QVERIFY(QFile::exists(CDiaryApp::LockFilePath()));
    }

    void secondProcessRefused_data()
    {
        QTest::addColumn<bool>("oldLock");
        QTest::newRow("fresh lock") << false;
        // A copy that has run for hours still holds the program; only a dead owner frees it.
        QTest::newRow("lock a day old") << true;
    }
    void secondProcessRefused()
    {
        QFETCH(bool, oldLock);
        QTemporaryDir configA, configB;
        Child first(m_runtime.path(), configA.path());
        QVERIFY2(first.waitFor(QStringLiteral("RUNNING")), qPrintable(first.output()));
        if (oldLock) {
            QFile lockFile(CDiaryApp::LockFilePath());
            QVERIFY(lockFile.open(QIODevice::ReadWrite));
            QVERIFY(lockFile.setFileTime(QDateTime::currentDateTime().addDays(-1),
                                         QFileDevice::FileModificationTime));
        }

        Child second(m_runtime.path(), configB.path());
        QVERIFY(second.process().waitForFinished(15000));
        QCOMPARE(second.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process().exitCode(), 0);
        QVERIFY(second.waitFor(QStringLiteral("DONE")));
        QVERIFY2(second.hasLine(QStringLiteral("REFUSED ") + kRefusal),
                 qPrintable(second.output()));
        QVERIFY(!second.hasLine(QStringLiteral("CONSTRUCTED")));
        // The refused copy wrote no settings.
        QVERIFY(QDir(configB.path()).isEmpty());
        QVERIFY(!QDir(configA.path()).isEmpty());

        // The first copy still runs; when it ends the lock goes and a new copy may start.
        QCOMPARE(first.process().state(), QProcess::Running);
        QCOMPARE(first.finish(), 0);
        QVERIFY(!QFile::exists(CDiaryApp::LockFilePath()));
        Child third(m_runtime.path(), configB.path());
        QVERIFY2(third.waitFor(QStringLiteral("RUNNING")), qPrintable(third.output()));
        QCOMPARE(third.finish(), 0);
    }

    // However the event loop ends, what is unsaved is saved without a question on the way out.
    void loopEndSavesUnasked_data()
    {
        QTest::addColumn<bool>("endLoopDirectly");
        QTest::addColumn<bool>("saves");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("window finished") << false << true << 0;
        QTest::newRow("loop ended elsewhere") << true << true << 0;
        QTest::newRow("loop ended, save fails") << true << false << 1;
    }
    void loopEndSavesUnasked()
    {
        QFETCH(bool, endLoopDirectly);
        QFETCH(bool, saves);
        QFETCH(int, exitCode);
        ScriptedPrompt prompt;
        int calls = 0;
        int shown = 0;
        auto &app = *static_cast<CDiaryApp *>(QCoreApplication::instance());
        const int rc = app.InitInstance(
                [&]() -> std::unique_ptr<QDialog> {
                    return std::make_unique<QuietProbe>(endLoopDirectly, saves, calls, shown);
                },
                prompt);
        QCOMPARE(rc, exitCode);
        QCOMPARE(calls, 1);
        QCOMPARE(shown, 0); // no box on the way out
        QVERIFY(prompt.asked.isEmpty());
    }

    // SIGTERM, SIGHUP and SIGINT end the program as its exit button would, saving without a
    // question first; a second signal while that save runs changes nothing.
    void exitSignalsSaveUnasked_data()
    {
        QTest::addColumn<QList<int>>("signalsSent");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("SIGTERM") << QList<int>{SIGTERM} << "ok" << 0;
        QTest::newRow("SIGHUP") << QList<int>{SIGHUP} << "ok" << 0;
        QTest::newRow("SIGINT") << QList<int>{SIGINT} << "ok" << 0;
        QTest::newRow("save fails") << QList<int>{SIGTERM} << "fail" << 1;
        QTest::newRow("second signal while saving") << QList<int>{SIGTERM, SIGINT} << "slow" << 0;
        QTest::newRow("three signals while saving")
                << QList<int>{SIGTERM, SIGTERM, SIGHUP} << "slow" << 0;
    }
    void exitSignalsSaveUnasked()
    {
        QFETCH(QList<int>, signalsSent);
        QFETCH(QString, mode);
        QFETCH(int, exitCode);

        QTemporaryDir config;
        Child child(m_runtime.path(), config.path(), {}, mode);
        QVERIFY2(child.waitFor(QStringLiteral("RUNNING")), qPrintable(child.output()));
        const auto pid = pid_t(child.process().processId());
        QCOMPARE(::kill(pid, signalsSent.first()), 0);
        if (signalsSent.size() > 1) {
            QVERIFY2(child.waitFor(QStringLiteral("SAVE BEGIN 1")), qPrintable(child.output()));
            for (int signalNumber : signalsSent.mid(1))
                QCOMPARE(::kill(pid, signalNumber), 0);
        }
        QVERIFY(child.process().waitForFinished(15000));
        child.waitFor(QStringLiteral("DONE"), 100);
        QCOMPARE(child.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.process().exitCode(), exitCode);
        // The signal's save, then the one more try as the loop ends; never one inside the other.
        QCOMPARE(child.lines(QStringLiteral("SAVE")),
                 (QStringList{"SAVE BEGIN 1", "SAVE END 1", "SAVE BEGIN 2", "SAVE END 2"}));
        QVERIFY(child.lines(QStringLiteral("SHOWN")).isEmpty());
        QVERIFY(child.hasLine(QStringLiteral("DONE")));
        QVERIFY(!QFile::exists(CDiaryApp::LockFilePath()));
    }

    void staleLockAfterKillDoesNotBlock()
    {
        QTemporaryDir config;
        {
            Child killed(m_runtime.path(), config.path());
            QVERIFY2(killed.waitFor(QStringLiteral("RUNNING")), qPrintable(killed.output()));
            killed.process().kill(); // SIGKILL: no chance to remove the lock
            QVERIFY(killed.process().waitForFinished(5000));
        }
        QVERIFY(QFile::exists(CDiaryApp::LockFilePath()));

        Child next(m_runtime.path(), config.path());
        QVERIFY2(next.waitFor(QStringLiteral("RUNNING")), qPrintable(next.output()));
        QVERIFY(!next.hasLine(QStringLiteral("REFUSED")));
        QCOMPARE(next.finish(), 0);
        QVERIFY(!QFile::exists(CDiaryApp::LockFilePath()));
    }

    void simultaneousStartsGiveOneRunner_data()
    {
        QTest::addColumn<bool>("staleLockFirst");
        QTest::newRow("no lock file, 1") << false;
        QTest::newRow("no lock file, 2") << false;
        QTest::newRow("no lock file, 3") << false;
        QTest::newRow("stale lock file, 1") << true;
        QTest::newRow("stale lock file, 2") << true;
    }
    void simultaneousStartsGiveOneRunner()
    {
        QFETCH(bool, staleLockFirst);
        QTemporaryDir config, gate;
        if (staleLockFirst) {
            Child killed(m_runtime.path(), config.path());
            QVERIFY(killed.waitFor(QStringLiteral("RUNNING")));
            killed.process().kill();
            QVERIFY(killed.process().waitForFinished(5000));
            QVERIFY(QFile::exists(CDiaryApp::LockFilePath()));
        }
        const QString barrier = gate.filePath(QStringLiteral("go"));
        Child a(m_runtime.path(), config.path(), barrier);
        Child b(m_runtime.path(), config.path(), barrier);
        QVERIFY(a.waitFor(QStringLiteral("READY")));
        QVERIFY(b.waitFor(QStringLiteral("READY")));
        QFile go(barrier);
        QVERIFY(go.open(QIODevice::WriteOnly));
        go.close();

        // One of them refuses and ends by itself; the other runs until told to end.
        QDeadlineTimer deadline(20000);
        while (a.process().state() != QProcess::NotRunning
               && b.process().state() != QProcess::NotRunning && !deadline.hasExpired())
            QTest::qWait(20);
        Child &refused = a.process().state() == QProcess::NotRunning ? a : b;
        Child &runner = &refused == &a ? b : a;
        QVERIFY(refused.waitFor(QStringLiteral("DONE")));
        QVERIFY2(refused.hasLine(QStringLiteral("REFUSED ") + kRefusal),
                 qPrintable(refused.output()));
        QVERIFY(!refused.hasLine(QStringLiteral("CONSTRUCTED")));
        QVERIFY2(runner.waitFor(QStringLiteral("RUNNING")), qPrintable(runner.output()));
        QCOMPARE(runner.process().state(), QProcess::Running);
        QCOMPARE(runner.finish(), 0);
        QVERIFY(!runner.hasLine(QStringLiteral("REFUSED")));
    }

    // Every state the data file's lock can be found in at start. In the lock's lines, as
    // QLockFile writes them: $live is a running process that is no copy of the program, $gone a
    // process that ended, $self this one; $host, $id and $boot are this machine's.
    void dataFileLock_data()
    {
        QTest::addColumn<QByteArray>("lock"); // what Murel1.Dat.lock holds
        QTest::addColumn<int>("age"); // of the lock file in seconds; -1: there is none
        QTest::addColumn<int>("answer"); // to the question, if one is asked
        QTest::addColumn<QString>("asked"); // "", "refused" or "question"
        QTest::addColumn<QString>("window"); // "write", "view" or "none"
        QTest::addColumn<int>("exitCode");

        const int none = QMessageBox::NoButton;
        const int yes = QMessageBox::Yes;
        QTest::newRow("free") << QByteArray() << -1 << none << ""
                              << "write" << 0;
        QTest::newRow("its process is gone")
                << QByteArray("$gone\nmurel\n$host\n$id\n$boot\n") << 0 << none << ""
                << "write" << 0;
        QTest::newRow("its process id now runs another program")
                << QByteArray("$live\nmurel\n$host\n$id\n$boot\n") << 0 << none << ""
                << "write" << 0;
        QTest::newRow("our own process id, left by an earlier run")
                << QByteArray("$self\n$program\n$host\n$id\n$boot\n") << 0 << none << ""
                << "write" << 0;
        QTest::newRow("made before a reboot")
                << QByteArray("$live\nsleep\n$host\n$id\nnot-this-boot\n") << 0 << none << ""
                << "write" << 0;
        QTest::newRow("made, never written, long ago") << QByteArray() << 60 << none << ""
                                                       << "write" << 0;
        QTest::newRow("held by a program running here")
                << QByteArray("$live\nsleep\n$host\n$id\n$boot\n") << 0 << none << "refused"
                << "none" << 2;
        QTest::newRow("held here, lock without machine ids")
                << QByteArray("$live\nsleep\n$host\n") << 0 << none << "refused"
                << "none" << 2;
        QTest::newRow("made this moment, not yet written") << QByteArray() << 0 << none << "refused"
                                                           << "none" << 2;
        const QByteArray far("4242\nmurel\nfar.example\nfeedfacefeedfacefeedfacefeedface\nb\n");
        QTest::newRow("other host, view only") << far << 0 << yes << "question"
                                               << "view" << 0;
        QTest::newRow("other host, declined") << far << 0 << int(QMessageBox::No) << "question"
                                              << "none" << 2;
        // Where the machine id is known it tells machines apart, even under one host name.
        if (!CDataFileLock::Host::This().id.isEmpty())
            QTest::newRow("other machine with our host name")
                    << QByteArray("4242\nmurel\n$host\nfeedfacefeedfacefeedfacefeedface\nb\n") << 0
                    << yes << "question"
                    << "view" << 0;
    }
    void dataFileLock()
    {
        QFETCH(QByteArray, lock);
        QFETCH(int, age);
        QFETCH(int, answer);
        QFETCH(QString, asked);
        QFETCH(QString, window);
        QFETCH(int, exitCode);

        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Murel1.Dat"));
        const QString lockPath = dir.filePath(QStringLiteral("Murel1.Dat.lock"));
        QVERIFY(WriteFile(data, kDataBytes));
        const QString temporary = LeaveStaleTemporary(data);
        QVERIFY(!temporary.isEmpty());
        QProcess live, gone;
        live.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        gone.start(QStringLiteral("true"), {});
        QVERIFY(live.waitForStarted() && gone.waitForStarted());
        const auto host = CDataFileLock::Host::This();
        lock.replace("$live", QByteArray::number(live.processId()))
                .replace("$gone", QByteArray::number(gone.processId()))
                .replace("$self", QByteArray::number(QCoreApplication::applicationPid()))
                .replace("$program",
                         QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8())
                .replace("$host", host.name.toUtf8())
                .replace("$id", host.id)
                .replace("$boot", QSysInfo::bootUniqueId());
        QVERIFY(gone.waitForFinished());
        if (age >= 0)
            QVERIFY(WriteFile(lockPath, lock, age));
        const auto listing = [&dir] {
            return QDir(dir.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        };
        const QStringList before = listing();

        ScriptedPrompt prompt;
        if (answer != QMessageBox::NoButton)
            prompt.answers.append(QMessageBox::StandardButton(answer));
        int made = 0;
        bool viewOnly = false;
        QByteArray lockWhileRunning;
        auto &app = *static_cast<CDiaryApp *>(QCoreApplication::instance());
        const int rc = app.InitInstance(
                data,
                [&](bool v) -> std::unique_ptr<QDialog> {
                    ++made;
                    viewOnly = v;
                    return std::make_unique<ProbeWindow>(
                            [&] { lockWhileRunning = ReadAll(lockPath); });
                },
                prompt);
        live.kill();
        live.waitForFinished();

        QCOMPARE(rc, exitCode);
        QCOMPARE(made, window == QLatin1String("none") ? 0 : 1);
        QCOMPARE(viewOnly, window == QLatin1String("view"));
        QCOMPARE(prompt.asked.size(), asked.isEmpty() ? 0 : 1);
        if (!asked.isEmpty()) {
            const ScriptedPrompt::Asked &box = prompt.asked.first();
            const bool question = asked == QLatin1String("question");
            QCOMPARE(box.icon, question ? QMessageBox::Question : QMessageBox::Warning);
            QCOMPARE(box.buttons,
                     question ? QMessageBox::Yes | QMessageBox::No
                              : QMessageBox::StandardButtons(QMessageBox::Ok));
            // Which file, and who holds it: host, user and process, as far as the lock says.
            const QList<QByteArray> lines = lock.split('\n');
            const auto told = [](const QByteArray &v) {
                return v.isEmpty() ? QStringLiteral("不明") : QString::fromUtf8(v);
            };
            const passwd *pw = ::getpwuid(::geteuid());
            const QStringList parts{QStringLiteral("「%1」").arg(data),
                                    question ? QStringLiteral("閲覧専用で開きますか")
                                             : QStringLiteral("使用中のため開けません"),
                                    QStringLiteral("ホスト: ") + told(lines.value(2)),
                                    QStringLiteral("ユーザー: ")
                                            + QString::fromLocal8Bit(pw ? pw->pw_name : ""),
                                    QStringLiteral("プロセスID: ") + told(lines.value(0))};
            for (const QString &part : parts)
                QVERIFY2(box.text.contains(part), qPrintable(part + QLatin1Char('\n') + box.text));
        }
        QStringList after = before;
        if (window == QLatin1String("write")) {
            // Ours while the window ran and gone after it; the old temporary file was ours too.
            QVERIFY(lockWhileRunning.startsWith(
                    QByteArray::number(QCoreApplication::applicationPid()) + '\n'));
            after.removeOne(QFileInfo(lockPath).fileName());
            after.removeOne(QFileInfo(temporary).fileName());
        } else {
            QCOMPARE(ReadAll(lockPath), lock); // another program's, left alone
        }
        QCOMPARE(listing(), after);
        QCOMPARE(ReadAll(data), kDataBytes);
    }

    // A folder we may only read, tried as an ordinary user even when the suite runs as root: no
    // lock can be made there, and none is.
    void lockThatCannotBeMade()
    {
        QCOMPARE(RunUnprivileged([] {
                     QTemporaryDir own;
                     const QString ro = own.filePath(QStringLiteral("ro"));
                     if (!QDir(own.path()).mkdir(QStringLiteral("ro"))
                         || !QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner))
                         return QStringLiteral("no folder of our own");
                     CDataFileLock lock(ro + QStringLiteral("/Murel1.Dat"));
                     const auto outcome = lock.Take();
                     const bool made = QFile::exists(lock.Path());
                     QFile::setPermissions(ro,
                                           QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                     if (outcome != CDataFileLock::Outcome::Unavailable || made)
                         return QStringLiteral("outcome %1, made %2").arg(int(outcome)).arg(made);
                     return QString();
                 }),
                 QString());
    }

    // The lock's name fits the file system whatever the data file's (QLockFile adds ".rmlock"
    // while it removes a stale lock), stays beside the file, and is that file's own.
    void lockPathFitsBesideTheFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("plain"); // the name plus ".lock"

        QTest::newRow("usual") << QStringLiteral("Murel1.Dat") << true;
        QTest::newRow("243 bytes, longest plain") << QString(243, QLatin1Char('a')) << true;
        QTest::newRow("244 bytes") << QString(244, QLatin1Char('a')) << false;
        QTest::newRow("255 bytes")
                << QString(251, QLatin1Char('c')) + QStringLiteral(".Dat") << false;
        // Three bytes and four bytes a character: a cut never splits one.
        QTest::newRow("255 bytes of kana") << QString(85, QChar(0x3042)) << false;
        QTest::newRow("254 bytes, emoji")
                << QStringLiteral("\U0001F3B0").repeated(63) + QStringLiteral("ab") << false;
    }
    void lockPathFitsBesideTheFile()
    {
        QFETCH(QString, name);
        QFETCH(bool, plain);

        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).canonicalPath();
        const QString data = QDir(folder).filePath(name);
        const QFileInfo lock(CDataFileLock::PathFor(data));
        QCOMPARE(lock.absolutePath(), folder);
        const QByteArray bytes = QFile::encodeName(lock.fileName());
        QVERIFY2(bytes.size() + 7 <= 255, bytes.constData());
        QCOMPARE(QFile::decodeName(bytes), lock.fileName());
        QCOMPARE(lock.fileName() == name + QStringLiteral(".lock"), plain);
        QCOMPARE(CDataFileLock::PathFor(data), lock.filePath());
        QString other = name;
        other[other.size() - 1] = QLatin1Char('z');
        QVERIFY(CDataFileLock::PathFor(QDir(folder).filePath(other)) != lock.filePath());
        // The file system takes it.
        QVERIFY(WriteFile(data, kDataBytes));
        CDataFileLock taken(data);
        QCOMPARE(taken.Take(), CDataFileLock::Outcome::Taken);
        QVERIFY(QFile::exists(lock.filePath()));
        // Through a link to the file, a link to its folder or dot segments, the same lock.
        QVERIFY(QFile::link(data, dir.filePath(QStringLiteral("link"))));
        QVERIFY(QFile::link(folder, dir.filePath(QStringLiteral("folder"))));
        for (const QString &path : {dir.filePath(QStringLiteral("link")),
                                    dir.filePath(QStringLiteral("folder/x/../")) + name})
            QCOMPARE(CDataFileLock::PathFor(path), lock.filePath());
    }

    // Once the program is closing, late signals neither end it by their default action nor
    // change its exit code: while the window goes, and after the run until the process ends.
    void lateSignalsChangeNothing_data()
    {
        QTest::addColumn<bool>("signalFirst"); // else the window is closed its own way
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("lateAt"); // the line the late signals wait for
        QTest::addColumn<int>("exitCode");

        QTest::newRow("signal, more while the window goes") << true << "ok"
                                                            << "CLOSING" << 0;
        QTest::newRow("signal, more after the run") << true << "ok"
                                                    << "DONE" << 0;
        QTest::newRow("save failed, more after the run") << true << "fail"
                                                         << "DONE" << 1;
        QTest::newRow("window closed, signals after the run") << false << "ok"
                                                              << "DONE" << 0;
    }
    void lateSignalsChangeNothing()
    {
        QFETCH(bool, signalFirst);
        QFETCH(QString, mode);
        QFETCH(QString, lateAt);
        QFETCH(int, exitCode);

        QTemporaryDir run, config;
        Child child(run.path(), config.path(), {}, mode,
                    {{QStringLiteral("MUREL_CHILD_SLOW_CLOSE"), QStringLiteral("1")},
                     {QStringLiteral("MUREL_CHILD_LINGER"), QStringLiteral("600")}});
        QVERIFY2(child.waitFor(QStringLiteral("RUNNING")), qPrintable(child.output()));
        const auto pid = pid_t(child.process().processId());
        if (signalFirst)
            QCOMPARE(::kill(pid, SIGTERM), 0);
        else
            child.process().closeWriteChannel();
        QVERIFY2(child.waitFor(lateAt), qPrintable(child.output()));
        for (int signalNumber : {SIGTERM, SIGINT, SIGHUP, SIGTERM})
            QCOMPARE(::kill(pid, signalNumber), 0);
        QVERIFY(child.process().waitForFinished(15000));
        QCOMPARE(child.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.process().exitCode(), exitCode);
    }
};

int main(int argc, char **argv)
{
    CDiaryApp app(argc, argv);
    TestDiaryApp test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_diaryapp.moc"
