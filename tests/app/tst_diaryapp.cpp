#include "app/DataFileLock.h"
#include "app/DialogTemplate.h"
#include "app/DiaryApp.h"
#include "app/QuietSave.h"
#include "common/ScriptedPrompt.h"
#include "common/Unprivileged.h"
#include "data/DurableFile.h"

#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
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

const QString kDataName = QStringLiteral("Murel1.Dat");
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

// A lock file as QLockFile writes one: process id, program, host name, machine id, boot id, as
// many of those lines as given.
bool WriteLock(const QString &path, const QList<QByteArray> &lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + '\n';
    return WriteFile(path, bytes);
}

// A save's temporary file that a killed run left beside dataFile an hour ago, named as saves
// name theirs.
QString LeaveStaleTemporary(const QString &dataFile)
{
    QString path;
    {
        CDurableFile file(dataFile);
        if (!file.Open())
            return QString();
        path = file.TemporaryPath();
        file.Cancel();
    }
    return WriteFile(path, "20030512,0,20", 3600) ? path : QString();
}

QString ThisUser()
{
    const passwd *pw = ::getpwuid(::geteuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(::geteuid());
}

QByteArray OurProgramName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8();
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

    // Every situation the data file's lock can be found in at start.
    void dataFileLock_data()
    {
        QTest::addColumn<QString>("lock"); // what lies at Murel1.Dat.lock before the start
        QTest::addColumn<int>("answer"); // to the question, when one is asked
        QTest::addColumn<QString>("asked"); // "", "refused" or "question"
        QTest::addColumn<QString>("window"); // "write", "view" or "none"
        QTest::addColumn<int>("exitCode");

        const int none = QMessageBox::NoButton;
        QTest::newRow("free") << "none" << none << ""
                              << "write" << 0;
        QTest::newRow("its process is gone") << "gone" << none << ""
                                             << "write" << 0;
        QTest::newRow("its process id now runs another program") << "another program" << none << ""
                                                                 << "write" << 0;
        QTest::newRow("our own process id, from an earlier run") << "our own pid" << none << ""
                                                                 << "write" << 0;
        QTest::newRow("made before a reboot") << "before a reboot" << none << ""
                                              << "write" << 0;
        QTest::newRow("made, never written, long ago") << "unwritten, old" << none << ""
                                                       << "write" << 0;
        QTest::newRow("held by a program running here") << "running here" << none << "refused"
                                                        << "none" << 2;
        QTest::newRow("held here, lock without machine ids")
                << "running here, host name only" << none << "refused"
                << "none" << 2;
        QTest::newRow("made this moment, not yet written") << "unwritten, new" << none << "refused"
                                                           << "none" << 2;
        QTest::newRow("other host, view only")
                << "other host" << int(QMessageBox::Yes) << "question"
                << "view" << 0;
        QTest::newRow("other host, declined") << "other host" << int(QMessageBox::No) << "question"
                                              << "none" << 2;
        // The machine id tells hosts apart where it is known, even under one host name.
        if (!CDataFileLock::Host::This().id.isEmpty())
            QTest::newRow("other machine with our host name")
                    << "other machine" << int(QMessageBox::Yes) << "question"
                    << "view" << 0;
    }
    void dataFileLock()
    {
        QFETCH(QString, lock);
        QFETCH(int, answer);
        QFETCH(QString, asked);
        QFETCH(QString, window);
        QFETCH(int, exitCode);

        QTemporaryDir dir;
        const QString data = dir.filePath(kDataName);
        const QString lockPath = dir.filePath(QStringLiteral("Murel1.Dat.lock"));
        QVERIFY(WriteFile(data, kDataBytes));
        const QString temporary = LeaveStaleTemporary(data);
        QVERIFY(!temporary.isEmpty());

        // A living process that is no copy of the program.
        QProcess sleeper;
        sleeper.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(sleeper.waitForStarted());
        const QByteArray sleeping = QByteArray::number(sleeper.processId());
        const auto host = CDataFileLock::Host::This();
        const QByteArray name = host.name.toUtf8();
        const QByteArray boot = QSysInfo::bootUniqueId();
        const QByteArray farId = "feedfacefeedfacefeedfacefeedface";
        QByteArray holderPid;
        QString holderHost = host.name;
        if (lock == QLatin1String("gone")) {
            QProcess done;
            done.start(QStringLiteral("true"), {});
            QVERIFY(done.waitForStarted());
            holderPid = QByteArray::number(done.processId());
            QVERIFY(done.waitForFinished());
            QVERIFY(WriteLock(lockPath, {holderPid, "murel", name, host.id, boot}));
        } else if (lock == QLatin1String("another program")) {
            QVERIFY(WriteLock(lockPath, {sleeping, "murel", name, host.id, boot}));
        } else if (lock == QLatin1String("our own pid")) {
            const QByteArray ours = QByteArray::number(QCoreApplication::applicationPid());
            QVERIFY(WriteLock(lockPath, {ours, OurProgramName(), name, host.id, boot}));
        } else if (lock == QLatin1String("before a reboot")) {
            QVERIFY(WriteLock(lockPath, {sleeping, "sleep", name, host.id, "not-this-boot"}));
        } else if (lock == QLatin1String("unwritten, old")) {
            QVERIFY(WriteFile(lockPath, QByteArray(), 60));
        } else if (lock == QLatin1String("unwritten, new")) {
            QVERIFY(WriteFile(lockPath, QByteArray()));
            holderHost.clear();
        } else if (lock == QLatin1String("running here")) {
            holderPid = sleeping;
            QVERIFY(WriteLock(lockPath, {sleeping, "sleep", name, host.id, boot}));
        } else if (lock == QLatin1String("running here, host name only")) {
            holderPid = sleeping;
            QVERIFY(WriteLock(lockPath, {sleeping, "sleep", name}));
        } else if (lock == QLatin1String("other host")) {
            holderPid = "4242";
            holderHost = QStringLiteral("far.example");
            QVERIFY(WriteLock(lockPath, {holderPid, "murel", "far.example", farId, "b"}));
        } else if (lock == QLatin1String("other machine")) {
            holderPid = "4242";
            QVERIFY(WriteLock(lockPath, {holderPid, "murel", name, farId, "b"}));
        } else {
            QCOMPARE(lock, QStringLiteral("none"));
        }
        const bool lockedBefore = QFile::exists(lockPath);
        const QByteArray lockBefore = ReadAll(lockPath);
        const auto listing = [&dir] {
            return QDir(dir.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        };
        QStringList left = listing();

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
        sleeper.kill();
        sleeper.waitForFinished();

        QCOMPARE(rc, exitCode);
        QCOMPARE(made, window == QLatin1String("none") ? 0 : 1);
        QCOMPARE(viewOnly, window == QLatin1String("view"));
        if (asked.isEmpty()) {
            QVERIFY2(prompt.asked.isEmpty(), qPrintable(prompt.texts().join('|')));
        } else {
            QCOMPARE(prompt.asked.size(), 1);
            const ScriptedPrompt::Asked &box = prompt.asked.first();
            QCOMPARE(box.owner, nullptr);
            if (asked == QLatin1String("refused")) {
                QCOMPARE(box.icon, QMessageBox::Warning);
                QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
                QVERIFY2(box.text.contains(QStringLiteral("使用中のため開けません")),
                         qPrintable(box.text));
            } else {
                QCOMPARE(box.icon, QMessageBox::Question);
                QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
                QVERIFY2(box.text.contains(QStringLiteral("閲覧専用で開きますか")),
                         qPrintable(box.text));
            }
            // Which file, and who holds it: host, user and process.
            QVERIFY2(box.text.contains(QStringLiteral("「%1」").arg(data)), qPrintable(box.text));
            const QString unknown = QStringLiteral("不明");
            QVERIFY2(box.text.contains(QStringLiteral("ホスト: ")
                                       + (holderHost.isEmpty() ? unknown : holderHost)),
                     qPrintable(box.text));
            QVERIFY2(box.text.contains(QStringLiteral("ユーザー: ") + ThisUser()),
                     qPrintable(box.text));
            QVERIFY2(box.text.contains(
                             QStringLiteral("プロセスID: ")
                             + (holderPid.isEmpty() ? unknown : QString::fromLatin1(holderPid))),
                     qPrintable(box.text));
        }
        if (window == QLatin1String("write")) {
            // Ours while the window ran, gone after; the old temporary file was ours to remove.
            QVERIFY2(lockWhileRunning.startsWith(
                             QByteArray::number(QCoreApplication::applicationPid()) + '\n'),
                     lockWhileRunning.constData());
            QVERIFY(!QFile::exists(lockPath));
            QVERIFY(!QFile::exists(temporary));
            left.removeOne(QFileInfo(lockPath).fileName());
            left.removeOne(QFileInfo(temporary).fileName());
        } else {
            // Another program's lock, and what lies beside it, are left as they were.
            QCOMPARE(QFile::exists(lockPath), lockedBefore);
            QCOMPARE(ReadAll(lockPath), lockBefore);
            QVERIFY(QFile::exists(temporary));
        }
        QCOMPARE(ReadAll(data), kDataBytes);
        QCOMPARE(listing(), left); // and nothing else made
    }

    // A lock that cannot be made takes nothing away: the diary runs as before, and its saves
    // report their own failures.
    void lockThatCannotBeMade()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("gone/Murel1.Dat"));
        ScriptedPrompt prompt;
        int made = 0;
        bool viewOnly = true;
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("cannot make the lock .*gone/"
                                                               "Murel1\\.Dat\\.lock")));
        auto &app = *static_cast<CDiaryApp *>(QCoreApplication::instance());
        const int rc = app.InitInstance(
                data,
                [&](bool v) -> std::unique_ptr<QDialog> {
                    ++made;
                    viewOnly = v;
                    return std::make_unique<ProbeWindow>(nullptr);
                },
                prompt);
        QCOMPARE(rc, 0);
        QCOMPARE(made, 1);
        QVERIFY(!viewOnly);
        QVERIFY(prompt.asked.isEmpty());

        // A folder we may only read, as an ordinary user even when the suite runs as root.
        QCOMPARE(RunUnprivileged([] {
                     QTemporaryDir own;
                     QDir folder(own.path());
                     if (!own.isValid() || !folder.mkdir(QStringLiteral("ro")))
                         return QStringLiteral("no folder of our own");
                     const QString ro = folder.filePath(QStringLiteral("ro"));
                     QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner);
                     CDataFileLock lock(ro + QStringLiteral("/Murel1.Dat"));
                     const auto outcome = lock.Take();
                     const bool made = QFile::exists(lock.Path());
                     QFile::setPermissions(ro,
                                           QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                     if (outcome != CDataFileLock::Outcome::Unavailable)
                         return QStringLiteral("outcome %1").arg(int(outcome));
                     return made ? QStringLiteral("a lock file was made") : QString();
                 }),
                 QString());
    }

    // The lock's name fits the file system whatever the data file's, stays beside it, and is that
    // file's own.
    void lockPathFitsBesideTheFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("plain"); // the name plus ".lock"

        QTest::newRow("usual") << kDataName << true;
        QTest::newRow("japanese") << QStringLiteral("収支 2003.dat") << true;
        QTest::newRow("243 bytes, longest plain") << QString(243, QLatin1Char('a')) << true;
        QTest::newRow("244 bytes") << QString(244, QLatin1Char('a')) << false;
        QTest::newRow("250 bytes")
                << QString(246, QLatin1Char('b')) + QStringLiteral(".Dat") << false;
        QTest::newRow("255 bytes")
                << QString(251, QLatin1Char('c')) + QStringLiteral(".Dat") << false;
        // 3 bytes a character: a cut must never split one.
        QTest::newRow("255 bytes of kana") << QString(85, QChar(0x3042)) << false;
        // 4 bytes and two UTF-16 units a character.
        QTest::newRow("254 bytes, emoji")
                << QStringLiteral("\U0001F3B0").repeated(63) + QStringLiteral("ab") << false;
    }
    void lockPathFitsBesideTheFile()
    {
        QFETCH(QString, name);
        QFETCH(bool, plain);

        QTemporaryDir dir;
        const QString canonical = QDir(dir.path()).canonicalPath();
        const QString data = QDir(canonical).filePath(name);
        const QString path = CDataFileLock::PathFor(data);
        const QFileInfo info(path);
        QCOMPARE(info.absolutePath(), canonical);
        const QByteArray bytes = QFile::encodeName(info.fileName());
        QVERIFY2(bytes.size() + int(strlen(".rmlock")) <= 255, bytes.constData());
        QCOMPARE(info.fileName() == name + QStringLiteral(".lock"), plain);
        QVERIFY(info.fileName().endsWith(QStringLiteral(".lock")));
        QCOMPARE(QFile::decodeName(bytes), info.fileName()); // whole characters only
        QCOMPARE(CDataFileLock::PathFor(data), path);
        // Another file, even one that differs only at its end, has a lock of its own.
        QString other = name;
        other[other.size() - 1] = QLatin1Char('z');
        QVERIFY(CDataFileLock::PathFor(QDir(canonical).filePath(other)) != path);

        // The file system takes it, and a second lock on the same file sees the first.
        QVERIFY(WriteFile(data, kDataBytes));
        CDataFileLock first(data);
        QCOMPARE(first.Take(), CDataFileLock::Outcome::Taken);
        QCOMPARE(first.Path(), path);
        QVERIFY(QFile::exists(path));
        QLockFile second(path);
        QVERIFY(!second.tryLock(0));
        QCOMPARE(second.error(), QLockFile::LockFailedError);
        first.Release();
        QVERIFY(!QFile::exists(path));
        QVERIFY(second.tryLock(0));
    }

    // A link to the data file, or to its folder, finds the lock of the file itself.
    void lockOfALinkedFile()
    {
        QTemporaryDir dir;
        QDir root(QDir(dir.path()).canonicalPath());
        QVERIFY(root.mkdir(QStringLiteral("real")));
        const QString data = root.filePath(QStringLiteral("real/Murel1.Dat"));
        QVERIFY(WriteFile(data, kDataBytes));
        QVERIFY(QFile::link(data, root.filePath(QStringLiteral("link.Dat"))));
        QVERIFY(QFile::link(root.filePath(QStringLiteral("real")),
                            root.filePath(QStringLiteral("folder"))));
        const QString expected = root.filePath(QStringLiteral("real/Murel1.Dat.lock"));
        QCOMPARE(CDataFileLock::PathFor(data), expected);
        QCOMPARE(CDataFileLock::PathFor(root.filePath(QStringLiteral("link.Dat"))), expected);
        QCOMPARE(CDataFileLock::PathFor(root.filePath(QStringLiteral("folder/Murel1.Dat"))),
                 expected);
        QCOMPARE(CDataFileLock::PathFor(root.filePath(QStringLiteral("folder/../real/x/../"
                                                                     "Murel1.Dat"))),
                 expected);
    }

    // Two real programs on one data file, each in a login session of its own: the second is
    // refused with exit code 2 and is told who holds the file; once the first ends, or is
    // killed, the file is free again.
    void secondProgramOnTheDataFile()
    {
        QTemporaryDir runA, runB, config, folder;
        const QString data = folder.filePath(kDataName);
        const QString lockPath = data + QStringLiteral(".lock");
        QVERIFY(WriteFile(data, kDataBytes));
        const QMap<QString, QString> onData{{QStringLiteral("MUREL_CHILD_DATA"), data}};

        Child first(runA.path(), config.path(), {}, {}, onData);
        QVERIFY2(first.waitFor(QStringLiteral("RUNNING")), qPrintable(first.output()));
        QVERIFY(first.hasLine(QStringLiteral("CONSTRUCTED")));
        QVERIFY(!first.hasLine(QStringLiteral("CONSTRUCTED VIEWONLY")));
        Child second(runB.path(), config.path(), {}, {}, onData);
        QVERIFY(second.process().waitForFinished(15000));
        second.waitFor(QStringLiteral("DONE"), 100);
        QCOMPARE(second.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process().exitCode(), 2);
        QVERIFY(!second.hasLine(QStringLiteral("CONSTRUCTED")));
        const QString told = second.output();
        QVERIFY2(told.contains(QStringLiteral("REFUSED データファイル「%1」").arg(data)),
                 qPrintable(told));
        QVERIFY2(told.contains(QStringLiteral("プロセスID: %1").arg(first.process().processId())),
                 qPrintable(told));
        const QString stdErr = QString::fromLocal8Bit(second.process().readAllStandardError());
        QVERIFY2(stdErr.contains(QStringLiteral(": データファイル「%1」").arg(data))
                         && stdErr.contains(
                                 QStringLiteral("ホスト: %1").arg(QSysInfo::machineHostName())),
                 qPrintable(stdErr));

        QCOMPARE(first.process().state(), QProcess::Running);
        QCOMPARE(first.finish(), 0);
        QVERIFY(!QFile::exists(lockPath));

        // SIGKILL leaves the lock behind; the next start takes it over.
        {
            Child killed(runA.path(), config.path(), {}, {}, onData);
            QVERIFY2(killed.waitFor(QStringLiteral("RUNNING")), qPrintable(killed.output()));
            killed.process().kill();
            QVERIFY(killed.process().waitForFinished(5000));
        }
        QVERIFY(QFile::exists(lockPath));
        Child next(runB.path(), config.path(), {}, {}, onData);
        QVERIFY2(next.waitFor(QStringLiteral("RUNNING")), qPrintable(next.output()));
        QVERIFY(!next.hasLine(QStringLiteral("REFUSED")));
        QCOMPARE(next.finish(), 0);
        QVERIFY(!QFile::exists(lockPath));
        QCOMPARE(ReadAll(data), kDataBytes);
    }

    // Once the program is closing, a late signal neither ends it by the signal's default action
    // nor changes its exit code: while the window goes, and after the run until the process ends.
    void lateSignalsChangeNothing_data()
    {
        QTest::addColumn<bool>("signalFirst"); // else the window is closed by its own way
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("lateAt"); // the line the late signals wait for
        QTest::addColumn<int>("exitCode");

        QTest::newRow("signal, then more while the window goes") << true << "ok"
                                                                 << "CLOSING" << 0;
        QTest::newRow("signal, then more after the run") << true << "ok"
                                                         << "DONE" << 0;
        QTest::newRow("save failed, then more after the run") << true << "fail"
                                                              << "DONE" << 1;
        QTest::newRow("closed, then signals while the window goes") << false << "ok"
                                                                    << "CLOSING" << 0;
        QTest::newRow("closed, then signals after the run") << false << "ok"
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
