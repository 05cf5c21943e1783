// The play store on healthy databases: where it lives, that nothing is made before the first
// session, what each change stores and marks, what the queries answer, and the backup copy.
#include "PlayFixture.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace PlayTest;

class TestPlayStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void pathFor_data();
    void pathFor();
    void longNamesShortenedAlike();
    void nothingMadeBeforeTheFirstSession_data();
    void nothingMadeBeforeTheFirstSession();
    void viewingLeavesNothingBehind();
    void changesAndMarks();
    void queries();
    void backupCopy();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestPlayStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("Murel1.db"));
}

void TestPlayStore::pathFor_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("database");
    QTest::newRow("Murel1.Dat") << "/x/Murel1.Dat"
                                << "/x/Murel1.db";
    QTest::newRow("Japanese") << "/x/日記.Dat"
                              << "/x/日記.db";
    QTest::newRow("relative") << "Murel1.Dat"
                              << "Murel1.db";
    QTest::newRow("no suffix") << "/x/diary"
                               << "/x/diary.db";
    QTest::newRow("leading dot only") << "/x/.murel"
                                      << "/x/.murel.db";
    QTest::newRow("two dots") << "/x/a.b.Dat"
                              << "/x/a.b.db";
    QTest::newRow("dot in the folder") << "/x.y/diary"
                                       << "/x.y/diary.db";
    QTest::newRow("data file named .db") << "/x/a.db"
                                         << "/x/a.db.db";
    QTest::newRow("data file named like a journal") << "/x/a.DB-journal"
                                                    << "/x/a.DB-journal.db";
}

void TestPlayStore::pathFor()
{
    QFETCH(QString, data);
    QFETCH(QString, database);
    QCOMPARE(CPlayStore::PathFor(data), database);
}

void TestPlayStore::longNamesShortenedAlike()
{
    const QString stem = QString(80, QChar(u'日')); // 240 bytes in UTF-8
    const QString a = CPlayStore::PathFor(QStringLiteral("/x/") + stem + QStringLiteral("a.Dat"));
    const QString b = CPlayStore::PathFor(QStringLiteral("/x/") + stem + QStringLiteral("b.Dat"));
    QCOMPARE(CPlayStore::PathFor(QStringLiteral("/x/") + stem + QStringLiteral("a.Dat")), a);
    QVERIFY(a != b);
    for (const QString &path : {a, b}) {
        const QString name = QFileInfo(path).fileName();
        QVERIFY2(QFile::encodeName(name + QStringLiteral("-journal")).size() <= 255,
                 qPrintable(name));
        QVERIFY(name.startsWith(QString(70, QChar(u'日'))) && name.endsWith(QStringLiteral(".db")));
    }
    // A cut never splits a character outside the basic plane.
    const QString emoji = CPlayStore::PathFor(QStringLiteral("😀").repeated(70));
    QVERIFY(!emoji.toUtf8().contains("\xEF\xBF\xBD"));
    QVERIFY(QFile::encodeName(emoji).size() <= 247);
}

// A diary without sessions has no database: opening, checking, reading, clearing marks, backing
// up and refused changes make none. An empty file, as a kill before the first commit leaves, is
// such a database too.
void TestPlayStore::nothingMadeBeforeTheFirstSession_data()
{
    QTest::addColumn<bool>("emptyFile");
    QTest::newRow("no file") << false;
    QTest::newRow("an empty file") << true;
}

void TestPlayStore::nothingMadeBeforeTheFirstSession()
{
    QFETCH(bool, emptyFile);
    if (emptyFile)
        QVERIFY(WriteBytes(m_path, QByteArray()));
    {
        CPlayStore store(m_path);
        QVERIFY(store.Open());
        QVERIFY(store.Check());
        QVERIFY(!store.HasDatabase());
        QList<PlaySession> sessions{Make(20240101, QStringLiteral("x"), 1, 1)};
        QVERIFY(store.SessionsOfDay(20240101, &sessions) && sessions.isEmpty());
        QList<PlayDaySums> sums;
        QVERIFY(store.AllDaySums(&sums) && sums.isEmpty());
        QList<int32_t> days;
        QVERIFY(store.PendingDays(&days) && days.isEmpty());
        QVERIFY(store.ClearPending(20240101));
        bool copied = true;
        QVERIFY(store.BackupTo(m_dir->filePath(QStringLiteral("copy.db")), &copied));
        QVERIFY(!copied);
        PlaySession ghost = Make(20240101, QStringLiteral("x"), 1, 1);
        ghost.id = 1;
        QVERIFY(!store.Update(ghost));
        QVERIFY(!store.Delete(1));
        QVERIFY(store.LastError().endsWith(QStringLiteral("その稼働はもうありません。")));
        PlaySession bad = Make(20240101, QStringLiteral(" "), 1, 1);
        QVERIFY(!store.Add(bad));
        QList<PlaySession> none;
        QVERIFY(store.AddAll(none));
    }
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             emptyFile ? QStringList{"Murel1.db"} : QStringList());
    QCOMPARE(QFileInfo(m_path).size(), 0); // an empty file stays empty

    CPlayStore store(m_path);
    PlaySession first = Make(20240101, QStringLiteral("店A"), 10, 25);
    QVERIFY2(store.Add(first), qPrintable(store.LastError()));
    QVERIFY(store.HasDatabase());
    QCOMPARE(first.id, qint64(1));
    QCOMPARE(first.order, 1);
    QCOMPARE(AllSessions(store), QList<PlaySession>{first});
    QCOMPARE(Sql(m_path, QStringLiteral("PRAGMA user_version")), QStringList{"1"});
    QCOMPARE(Sql(m_path, QStringLiteral("PRAGMA journal_mode")), QStringList{"wal"});
    QCOMPARE(Cli(m_path, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

// A run that only reads the sessions leaves the database as it was and nothing beside it.
void TestPlayStore::viewingLeavesNothingBehind()
{
    {
        CPlayStore store(m_path);
        PlaySession s = Make(20240101, QStringLiteral("店A"), 10, 25);
        QVERIFY(store.Add(s));
    }
    const QStringList alone{QStringLiteral("Murel1.db")};
    const auto entries = [&] { return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden); };
    QCOMPARE(entries(), alone);
    const QByteArray bytes = ReadBytes(m_path);
    {
        CPlayStore store(m_path);
        QList<PlaySession> day;
        QVERIFY(store.Check() && store.SessionsOfDay(20240101, &day) && day.size() == 1);
    }
    QCOMPARE(entries(), alone);
    QCOMPARE(ReadBytes(m_path), bytes);
}

void TestPlayStore::changesAndMarks()
{
    CPlayStore store(m_path);
    PlaySession a = Make(20240105, QStringLiteral("店A"), 100, 250, QStringLiteral("機種1"), 600,
                         1200, QStringLiteral("メモ"));
    PlaySession b = Make(20240105, QStringLiteral("店B"), 50, 0);
    PlaySession c = Make(20240107, QStringLiteral("店A"), 9999, 9999);
    QVERIFY(store.Add(a) && store.Add(b) && store.Add(c));
    QCOMPARE(QList<int>({a.order, b.order, c.order}), QList<int>({1, 2, 1}));
    QList<int32_t> pending;
    QVERIFY(store.PendingDays(&pending));
    QCOMPARE(pending, QList<int32_t>({20240105, 20240107}));
    QVERIFY(store.ClearPending(20240105) && store.ClearPending(20240107));
    QVERIFY(store.PendingDays(&pending) && pending.isEmpty());

    // Moved to another day it goes last there, and both days are marked.
    a.day = 20240107;
    a.memo = QStringLiteral("移動\r\n");
    QVERIFY(store.Update(a));
    QCOMPARE(a.order, 2);
    QCOMPARE(a.memo, QStringLiteral("移動\n"));
    QVERIFY(store.PendingDays(&pending));
    QCOMPARE(pending, QList<int32_t>({20240105, 20240107}));
    QVERIFY(store.ClearPending(20240105) && store.ClearPending(20240107));

    // Edited on its own day it keeps its place; deleting leaves the others in their order.
    c.collected = 0;
    QVERIFY(store.Update(c));
    QCOMPARE(c.order, 1);
    QVERIFY(store.Delete(b.id));
    QVERIFY(!store.Delete(b.id));
    PlaySession d = Make(20240105, QStringLiteral("店C"), 1, 2);
    QVERIFY(store.Add(d));
    QCOMPARE(d.id, qint64(4)); // ids are never given twice
    QVERIFY(store.PendingDays(&pending));
    QCOMPARE(pending, QList<int32_t>({20240105, 20240107}));

    CPlayStore again(m_path); // all of it on disk
    QCOMPARE(AllSessions(again), QList<PlaySession>({d, c, a}));
    QList<PlayDaySums> sums;
    QVERIFY(again.AllDaySums(&sums));
    QCOMPARE(sums, QList<PlayDaySums>({{20240105, 1, 2, 1}, {20240107, 2, 250, 10099}}));
}

void TestPlayStore::queries()
{
    CPlayStore store(m_path);
    QList<PlaySession> all = {
            Make(20231231, QStringLiteral("店A"), 1, 2, QStringLiteral("機種X")),
            Make(20240301, QStringLiteral("店B"), 3, 4, QStringLiteral("機種Y")),
            Make(20240301, QStringLiteral("店C"), 5, 6),
            Make(20240115, QStringLiteral("店A"), 7, 8, QStringLiteral("機種Z")),
            Make(20250101, QStringLiteral("店D"), 9, 10, QStringLiteral("機種X")),
    };
    QVERIFY(store.AddAll(all));
    QList<PlaySession> day;
    QVERIFY(store.SessionsOfDay(20240301, &day));
    QCOMPARE(day, QList<PlaySession>({all[1], all[2]}));
    PlayDaySums sums;
    QVERIFY(store.DaySums(20240301, &sums));
    QCOMPARE(sums, (PlayDaySums{20240301, 2, 10, 8}));
    QVERIFY(store.DaySums(20240302, &sums));
    QCOMPARE(sums, (PlayDaySums{20240302, 0, 0, 0}));
    QList<int32_t> days;
    QVERIFY(store.DaysWithSessions(20240101, 20241231, &days));
    QCOMPARE(days, QList<int32_t>({20240115, 20240301}));
    QStringList names;
    QVERIFY(store.Stores(&names));
    QCOMPARE(names, QStringList({"店D", "店C", "店B", "店A"}));
    QVERIFY(store.Stores(&names, 2));
    QCOMPARE(names, QStringList({"店D", "店C"}));
    QVERIFY(store.Machines(&names));
    QCOMPARE(names, QStringList({"機種X", "機種Y", "機種Z"}));
    PlaySession one;
    bool found = false;
    QVERIFY(store.Session(all[3].id, &one, &found) && found);
    QCOMPARE(one, all[3]);
    QVERIFY(store.Session(99, &one, &found) && !found);
    // Visiting stops when asked to.
    int visited = 0;
    QVERIFY(!store.ForEachSession([&](const PlaySession &) { return ++visited < 2; }));
    QCOMPARE(visited, 2);
    QCOMPARE(store.LastError(), QString());
}

// The copy is a whole database with the same sessions; the database is only read, and an
// existing file of the copy's name is never replaced.
void TestPlayStore::backupCopy()
{
    CPlayStore store(m_path);
    QList<PlaySession> all;
    for (int n = 0; n < 300; ++n)
        all.append(Make(20240101 + n % 28, QStringLiteral("店%1").arg(n % 7), n % 100, n % 77,
                        QString(), PlaySession::kNoTime, PlaySession::kNoTime,
                        QStringLiteral("メモ,\"%1\"\n").arg(n)));
    QVERIFY(store.AddAll(all));
    const QString folder = m_dir->filePath(QStringLiteral("Murel1.Dat.backup"));
    QVERIFY(QDir().mkdir(folder));
    const QString target = folder + QStringLiteral("/Murel1-20240101.db");
    // The database and its log hold what they held (a log not made yet is as good as empty).
    const QString log = m_path + QStringLiteral("-wal");
    auto content = [&] {
        const QByteArray wal = ReadBytes(log);
        return ReadBytes(m_path) + "|" + (wal == "<unreadable>" ? QByteArray() : wal);
    };
    const QByteArray before = content();
    bool copied = false;
    QVERIFY2(store.BackupTo(target, &copied), qPrintable(store.LastError()));
    QVERIFY(copied);
    QCOMPARE(content(), before);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"Murel1-20240101.db"});
    QCOMPARE(Cli(target, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    CPlayStore copy(target);
    QVERIFY(copy.Check());
    QCOMPARE(AllSessions(copy), AllSessions(store));

    const QByteArray kept = ReadBytes(target);
    QVERIFY(!store.BackupTo(target, &copied));
    QCOMPARE(store.LastError(),
             QStringLiteral("稼働記録のバックアップを作成できませんでした。\n%1: "
                            "同じ名前のファイルがすでにあります。")
                     .arg(target));
    QCOMPARE(ReadBytes(target), kept);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"Murel1-20240101.db"});
}

QTEST_GUILESS_MAIN(TestPlayStore)
#include "tst_playstore.moc"
