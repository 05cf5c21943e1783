#include "data/BookTestUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>

#include <signal.h>
#include <unistd.h>

// A process killed outright while it saves leaves the data file exactly as it was before that
// save or exactly as the save meant it, never anything between: a child saves a large file over
// and over, and is killed at random moments.

namespace {

constexpr int kYears = 400; // about 146,000 lines, some 3 MB: a save takes a while

QByteArray LargeFile()
{
    QByteArray bytes;
    QDate date(1700, 1, 1);
    for (int n = 0; date.year() < 1700 + kYears; ++n, date = date.addDays(1)) {
        const int key = date.year() * 10000 + date.month() * 100 + date.day();
        bytes += QByteArray::number(key) + ",1," + QByteArray::number((n % 97 - 48) * 100)
                + ",0,0,\r\n";
    }
    return bytes;
}

// The day that alternates between saves, in the last period of the file.
constexpr int kDay = 20990512;

// What a save of the last period writes with the day's balance set to `balance`.
QByteArray SavedWith(const QByteArray &old, int balance)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Murel1.Dat"));
    BookTest::WriteBytes(path, old);
    CResultBook book(path);
    if (!book.LoadPeriod(209912, 1, 0) || !book.EnterDay(kDay, EntryMethod::Balance, 0, 0, balance)
        || !book.Save())
        return "<failed>";
    return BookTest::ReadBytes(path);
}

// The child: saves the last period of the file again and again, the day's balance alternating
// between 1 and 2. Says "ready" once it starts saving.
int RunChild(const QString &path)
{
    CResultBook book(path);
    if (!book.LoadPeriod(209912, 1, 0))
        return 3;
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int n = 0;; ++n) {
        if (!book.EnterDay(kDay, EntryMethod::Balance, 0, 0, 1 + n % 2) || !book.Save())
            return 4;
    }
}

} // namespace

class TestKillSave : public QObject
{
    Q_OBJECT

private slots:
    void killedWhileSaving();
};

void TestKillSave::killedWhileSaving()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Murel1.Dat"));
    const QByteArray old = LargeFile();
    const QByteArray one = SavedWith(old, 1);
    const QByteArray two = SavedWith(old, 2);
    QVERIFY(one != two && one != old && one.size() > 3'000'000);
    BookTest::WriteBytes(path, old);

    int kills = 0;
    QSet<QByteArray> seen;
    for (int round = 0; round < 12; ++round) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MUREL_KILLSAVE_CHILD"), path);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(30000));
        QCOMPARE(child.readLine(), QByteArray("ready\n"));
        QTest::qSleep(QRandomGenerator::global()->bounded(5, 400));
        QCOMPARE(child.state(), QProcess::Running); // still saving, not failed
        QCOMPARE(::kill(pid_t(child.processId()), SIGKILL), 0);
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        ++kills;

        const QByteArray now = BookTest::ReadBytes(path);
        QVERIFY2(now == old || now == one || now == two,
                 qPrintable(QStringLiteral("round %1: %2 bytes of no whole save")
                                    .arg(round)
                                    .arg(now.size())));
        seen.insert(now);
    }
    QCOMPARE(kills, 12);
    // The saves did happen between the kills.
    QVERIFY(seen.contains(one) || seen.contains(two));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("MUREL_KILLSAVE_CHILD"))
        return RunChild(qEnvironmentVariable("MUREL_KILLSAVE_CHILD"));
    TestKillSave test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_killsave.moc"
