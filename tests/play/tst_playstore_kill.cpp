// A process that dies in the middle of a change leaves the database with or without that change,
// never a part of it: a child makes random changes and is killed at random moments (SIGKILL), or
// ends itself right before a commit. Afterwards sqlite3 finds the database whole, and the sessions
// and marks are those of the confirmed changes, plus at most the one under way.
#include "PlayFixture.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

#include <signal.h>
#include <unistd.h>

using namespace PlayTest;

namespace {

const char kChildVariable[] = "MUREL_PLAYKILL_CHILD";

// Ends the process inside its n-th change, after the statements and before the commit.
class DyingStore : public CPlayStore
{
public:
    DyingStore(const QString &path, int dieInChange)
        : CPlayStore(path)
        , m_dieInChange(dieInChange)
    { }

protected:
    void BeforeCommit() override
    {
        if (++m_changes == m_dieInChange)
            ::_exit(3);
    }

private:
    int m_dieInChange;
    int m_changes = 0;
};

// The child: "path;seed;n". Prints "ready" once loaded, then "done" after each change. With a
// fourth part, it first adds that many sessions in one change.
int RunChild(const QString &arguments)
{
    const QStringList parts = arguments.split(QLatin1Char(';'));
    if (parts.size() == 4) {
        DyingStore store(parts[0], parts[2].toInt());
        QList<PlaySession> many;
        for (int n = 0; n < parts[3].toInt(); ++n)
            many.append(Make(20240101 + n % 28, QStringLiteral("店"), 1, 1, QString(),
                             PlaySession::kNoTime, PlaySession::kNoTime, QString(300, u'メ')));
        return store.AddAll(many) ? 0 : 4;
    }
    Model model = Load(parts[0]);
    QRandomGenerator rng(parts[1].toUInt());
    DyingStore store(parts[0], parts[2].toInt());
    std::printf("ready\n");
    std::fflush(stdout);
    for (int n = 0; n < 100000; ++n) {
        const Change change = RandomChange(rng, model);
        if (!Run(store, change)) {
            std::fprintf(stderr, "%s\n", qPrintable(store.LastError()));
            return 4;
        }
        Apply(model, change);
        std::printf("done\n");
        std::fflush(stdout);
    }
    return 0;
}

// The model after the first n changes the child makes from it.
Model After(Model model, quint32 seed, int n)
{
    QRandomGenerator rng(seed);
    for (int i = 0; i < n; ++i)
        Apply(model, RandomChange(rng, model));
    return model;
}

bool Same(const Model &a, const Model &b)
{
    return a.InOrder() == b.InOrder() && a.pending == b.pending && a.Sums() == b.Sums();
}

} // namespace

class TestPlayStoreKill : public QObject
{
    Q_OBJECT

private slots:
    void killedInTheMiddle();
    void endedInTheFirstChange();
};

// The first change of a new database is larger than the cache: part of it is in the file, and
// the journal holds the way back when the process ends before the commit. The read-only look
// cannot roll it back; the store does, and finds a database without sessions.
void TestPlayStoreKill::endedInTheFirstChange()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Murel1.db"));
    QProcess child;
    QVERIFY(StartChild(child, kChildVariable, path + QStringLiteral(";0;1;20000"), false));
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 3);
    QVERIFY(QFileInfo(path).size() > 0);
    QVERIFY(QFileInfo(path + QStringLiteral("-journal")).size() > 0);

    CPlayStore store(path);
    QVERIFY2(store.Check(), qPrintable(store.LastError()));
    QVERIFY(!store.HasDatabase());
    QCOMPARE(AllSessions(store), QList<PlaySession>());
    QVERIFY(!QFileInfo::exists(path + QStringLiteral("-journal")));
    PlaySession s = Make(20240101, QStringLiteral("店"), 1, 2);
    QVERIFY2(store.Add(s), qPrintable(store.LastError()));
    QCOMPARE(Cli(path, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    QCOMPARE(AllSessions(store), QList<PlaySession>{s});
}

void TestPlayStoreKill::killedInTheMiddle()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Murel1.db"));
    QRandomGenerator rng(2024);
    int changes = 0;
    int killedAfterFirst = 0;
    for (int round = 0; round < 14; ++round) {
        const Model before = Load(path); // also what the restarted program would find
        const bool kill = round % 2 == 0;
        const int dieInChange = kill ? 0 : int(rng.bounded(1, 25));
        const quint32 seed = 100 + round;
        QProcess child;
        QVERIFY(StartChild(child, kChildVariable,
                           QStringLiteral("%1;%2;%3").arg(path).arg(seed).arg(dieInChange)));
        if (kill) {
            QTest::qSleep(int(rng.bounded(5, 150)));
            QCOMPARE(child.state(), QProcess::Running);
            QCOMPARE(::kill(pid_t(child.processId()), SIGKILL), 0);
        }
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), kill ? QProcess::CrashExit : QProcess::NormalExit);
        if (!kill)
            QCOMPARE(child.exitCode(), 3);
        const int done = int(child.readAllStandardOutput().count("done\n"));
        QCOMPARE(child.readAllStandardError(), QByteArray());
        if (!kill)
            QCOMPARE(done, dieInChange - 1);

        if (QFileInfo::exists(path))
            QCOMPARE(Cli(path, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        const Model now = Load(path);
        const Model confirmed = After(before, seed, done);
        // A kill may land after the commit and before the child said so; an end before the
        // commit never keeps the change.
        const bool asConfirmed = Same(now, confirmed);
        const bool withNext = kill && Same(now, After(before, seed, done + 1));
        QVERIFY2(asConfirmed || withNext,
                 qPrintable(QStringLiteral("round %1: the database is neither after %2 nor "
                                           "after %3 changes")
                                    .arg(round)
                                    .arg(done)
                                    .arg(done + 1)));
        CPlayStore store(path);
        QVERIFY(store.Check());
        QList<PlayDaySums> sums;
        QVERIFY(store.AllDaySums(&sums));
        QCOMPARE(sums, now.Sums());
        changes += done;
        killedAfterFirst += kill && done > 0;
    }
    QVERIFY2(changes > 40 && killedAfterFirst > 3, qPrintable(QString::number(changes)));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kChildVariable))
        return RunChild(qEnvironmentVariable(kChildVariable));
    TestPlayStoreKill test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_playstore_kill.moc"
