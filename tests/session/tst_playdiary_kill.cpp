// The property that a kill loses nothing: a child makes random session changes through the play
// diary (add, update, move to another day, delete) and dies at a random step - SIGKILL at a random
// moment, or an immediate exit inside the database's transaction, between the transaction and
// the data file's save, or at any step of that save. After each death the start routine runs as
// at a restart. Then every confirmed session is there, at most the one under way besides; each
// day with sessions has its sums in the data file, a day whose last session went keeps the line
// it had then, every other line keeps its record; nothing is pending and sqlite3 finds the
// database whole.
#include "PlayDiaryFixture.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <cstdio>

#include <signal.h>
#include <unistd.h>

using namespace PlayDiaryTest;
using PlayTest::Model;

namespace {

const char kChildVariable[] = "MUREL_PLAYDIARY_KILL_CHILD";
const QDate kToday(2024, 1, 15);
// The days RandomChange picks from, and their lines at the start: typed days and empty ones.
const QByteArray kLines = "20231231,1,-2500,0,0,\r\n20240101,1,300,0,0,\r\n"
                          "20240103,0,100,300,200,\r\n20240106,1,-700,0,0,\r\n"
                          "20240109,0,-900,100,1000,\r\n";

// The step at which the child ends itself; 0: never.
int g_dieAt = 0;
int g_steps = 0;

void Step()
{
    if (++g_steps == g_dieAt)
        ::_exit(3);
}

class DyingWriter : public CDurableFile
{
public:
    using CDurableFile::CDurableFile;

protected:
    qint64 WriteOut(int fd, const char *data, qint64 size) override
    {
        Step();
        return CDurableFile::WriteOut(fd, data, size);
    }
    bool FlushOut(int fd) override
    {
        Step();
        return CDurableFile::FlushOut(fd);
    }
    bool SyncOut(int fd) override
    {
        Step();
        return CDurableFile::SyncOut(fd);
    }
    bool RenameOut(const QString &from, const QString &to) override
    {
        Step();
        const bool renamed = CDurableFile::RenameOut(from, to);
        Step(); // the file saved, the marks not yet cleared
        return renamed;
    }
};

class DyingBook : public CResultBook
{
public:
    using CResultBook::CResultBook;

protected:
    std::unique_ptr<CDurableFile> MakeWriter(const QString &target) override
    {
        Step(); // the transaction committed, the save not begun
        return std::make_unique<DyingWriter>(target);
    }
};

class DyingStore : public CPlayStore
{
public:
    using CPlayStore::CPlayStore;

protected:
    void BeforeCommit() override { Step(); }
};

// The diary of a run, as the main window makes it (or a plain one for the restart).
std::unique_ptr<CDiarySession> OpenDiary(const QString &path, bool dying)
{
    std::unique_ptr<CResultBook> book
            = dying ? std::make_unique<DyingBook>(path) : std::make_unique<CResultBook>(path);
    auto session = std::make_unique<CDiarySession>(kToday, std::move(book), 1);
    session->SetClock([] { return kToday; });
    session->SelectPeriod(0);
    if (dying)
        session->Plays().UseStore(std::make_unique<DyingStore>(CPlayStore::PathFor(path)));
    return session;
}

bool Run(CPlayDiary &plays, PlayTest::Change c, QString *problem)
{
    switch (c.kind) {
    case PlayTest::Change::Add:
        return plays.Add(c.session, problem);
    case PlayTest::Change::Update:
        return plays.Update(c.session, problem);
    case PlayTest::Change::Delete:
        return plays.Delete(c.session.id, problem);
    }
    return false;
}

// The child: "data file;seed;step to die at". Says "ready" once started, "done" after each
// change.
int RunChild(const QString &arguments)
{
    const QStringList parts = arguments.split(QLatin1Char(';'));
    g_dieAt = parts[2].toInt();
    const QString path = parts[0];
    std::unique_ptr<CDiarySession> session = OpenDiary(path, true);
    const QList<PlayNotice> told = session->Plays().Start();
    if (!told.isEmpty()) {
        std::fprintf(stderr, "told at start: %s\n", qPrintable(told.front().text));
        return 5;
    }
    Model model = PlayTest::Load(CPlayStore::PathFor(path));
    QRandomGenerator rng(parts[1].toUInt());
    std::printf("ready\n");
    std::fflush(stdout);
    for (int n = 0; n < 100000; ++n) {
        const PlayTest::Change change = PlayTest::RandomChange(rng, model);
        QString problem;
        if (!Run(session->Plays(), change, &problem)) {
            std::fprintf(stderr, "%s\n", qPrintable(problem));
            return 4;
        }
        const QStringList reports = session->TakeReports();
        if (!reports.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(reports.join('\n')));
            return 4;
        }
        PlayTest::Apply(model, change);
        std::printf("done\n");
        std::fflush(stdout);
    }
    return 0;
}

// The models after each change the child makes from `from`: states[0] is `from`.
QList<Model> States(const Model &from, quint32 seed, int count)
{
    QList<Model> states{from};
    QRandomGenerator rng(seed);
    Model model = from;
    for (int i = 0; i < count; ++i) {
        PlayTest::Apply(model, PlayTest::RandomChange(rng, model));
        states.append(model);
    }
    return states;
}

} // namespace

class TestPlayDiaryKill : public QObject
{
    Q_OBJECT

private slots:
    void killedAtRandomSteps();
};

void TestPlayDiaryKill::killedAtRandomSteps()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Murel1.Dat"));
    const QString db = CPlayStore::PathFor(path);
    QVERIFY(PlayTest::WriteBytes(path, kLines));
    const std::map<int32_t, DayRecord> initial = Lines(path);
    // What a day without sessions must hold: its sums when it last had sessions, or its line.
    std::map<int32_t, DayRecord> kept = initial;
    Model model;
    QRandomGenerator rng(20240115);
    int confirmed = 0;
    int underWay = 0; // deaths after a commit that the child could not confirm
    for (int round = 0; round < 30; ++round) {
        const bool kill = round % 3 == 0;
        const int dieAt = kill ? 0 : int(rng.bounded(1, 90));
        const quint32 seed = 500 + quint32(round);
        QProcess child;
        QVERIFY(PlayTest::StartChild(child, kChildVariable,
                                     QStringLiteral("%1;%2;%3").arg(path).arg(seed).arg(dieAt)));
        if (kill) {
            QTest::qSleep(int(rng.bounded(5, 80)));
            QCOMPARE(::kill(pid_t(child.processId()), SIGKILL), 0);
        }
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.readAllStandardError(), QByteArray());
        if (!kill) {
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), 3);
        }
        const int done = int(child.readAllStandardOutput().count("done\n"));

        // The restart: the same start as the program's, with nothing to tell.
        {
            std::unique_ptr<CDiarySession> restart = OpenDiary(path, false);
            QCOMPARE(restart->Plays().Start(), QList<PlayNotice>());
            QCOMPARE(restart->TakeReports(), QStringList());
        }
        QCOMPARE(PlayTest::Cli(db, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));

        const Model now = PlayTest::Load(db);
        QVERIFY2(now.pending.empty(), qPrintable(QStringLiteral("round %1").arg(round)));
        const QList<Model> states = States(model, seed, done + 1);
        int reached = -1;
        for (const int n : {done, done + 1})
            if (now.InOrder() == states[n].InOrder())
                reached = n;
        QVERIFY2(reached >= 0,
                 qPrintable(QStringLiteral("round %1: neither after %2 nor %3 changes")
                                    .arg(round)
                                    .arg(done)
                                    .arg(done + 1)));
        for (int n = 1; n <= reached; ++n)
            for (const PlayDaySums &sums : states[n].Sums())
                kept[sums.day] = RecordOf(sums.collected, sums.invested);

        std::map<int32_t, DayRecord> wanted = kept;
        for (const PlayDaySums &sums : now.Sums())
            wanted[sums.day] = RecordOf(sums.collected, sums.invested);
        const std::map<int32_t, DayRecord> lines = Lines(path);
        for (const auto &[date, record] : wanted) {
            const auto it = lines.find(date);
            QVERIFY2(it != lines.end() && it->second == record,
                     qPrintable(QStringLiteral("round %1: the line of %2").arg(round).arg(date)));
        }
        QCOMPARE(lines.size(), wanted.size()); // no line of a day that never had one

        model = states[reached];
        confirmed += done;
        underWay += reached > done;
    }
    // The rounds reached every kind of moment: many confirmed changes, and commits that died
    // before their save was through.
    QVERIFY2(confirmed > 60 && underWay >= 2,
             qPrintable(QStringLiteral("%1 confirmed, %2 under way").arg(confirmed).arg(underWay)));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kChildVariable))
        return RunChild(qEnvironmentVariable(kChildVariable));
    TestPlayDiaryKill test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_playdiary_kill.moc"
