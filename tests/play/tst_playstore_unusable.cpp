// Databases the store cannot use: one clear message names the file and the reason, every later
// call refuses with it, and the file and its folder are left exactly as they were.
#include "PlayFixture.h"

#include "common/Unprivileged.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace PlayTest;

namespace {

const QString kCannotOpen = QStringLiteral("稼働記録のデータベースを開けません。");

// The folder's entries with their bytes (a folder or FIFO by its kind).
QMap<QString, QByteArray> Snapshot(const QString &folder)
{
    QMap<QString, QByteArray> entries;
    const QDir dir(folder);
    for (const QFileInfo &info :
         dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        struct stat st;
        ::lstat(QFile::encodeName(info.filePath()).constData(), &st);
        entries[info.fileName()] = S_ISREG(st.st_mode) ? ReadBytes(info.filePath())
                                                       : QByteArray::number(st.st_mode, 8);
    }
    return entries;
}

// Every call of the store refuses with its first message once that message is given.
QString RefusesAll(CPlayStore &store, const QString &message)
{
    QList<PlaySession> sessions;
    QList<PlayDaySums> sums;
    QList<int32_t> days;
    PlaySession s = Make(20240101, QStringLiteral("店"), 1, 1);
    s.id = 1;
    const QList<std::pair<const char *, std::function<bool()>>> calls = {
            {"Open", [&] { return store.Open(); }},
            {"Check", [&] { return store.Check(); }},
            {"Add", [&] { return store.Add(s); }},
            {"Update", [&] { return store.Update(s); }},
            {"Delete", [&] { return store.Delete(1); }},
            {"SessionsOfDay", [&] { return store.SessionsOfDay(20240101, &sessions); }},
            {"AllDaySums", [&] { return store.AllDaySums(&sums); }},
            {"PendingDays", [&] { return store.PendingDays(&days); }},
            {"ClearPending", [&] { return store.ClearPending(20240101); }},
            {"ForEachSession", [&] { return store.ForEachSession([](auto &) { return true; }); }},
            {"BackupTo", [&] { return store.BackupTo(store.Path() + QStringLiteral(".copy")); }},
    };
    for (const auto &[name, call] : calls) {
        if (call() || store.IsAvailable() || store.LastError() != message)
            return QStringLiteral("%1 did not refuse: %2").arg(name, store.LastError());
    }
    return QString();
}

// Opens and checks the store at path; empty when it failed as expected and touched nothing.
QString Refused(const QString &path, const QString &reason)
{
    const QString folder = QFileInfo(path).absolutePath();
    const auto before = Snapshot(folder);
    CPlayStore store(path);
    if (store.Open() && store.Check())
        return QStringLiteral("the store took it");
    const QString message = kCannotOpen + QLatin1Char('\n') + QFileInfo(path).absoluteFilePath()
            + QStringLiteral(": ") + reason;
    if (store.LastError() != message)
        return QStringLiteral("message: ") + store.LastError();
    const QString refusal = RefusesAll(store, message);
    if (!refusal.isEmpty())
        return refusal;
    return Snapshot(folder) == before ? QString() : QStringLiteral("the folder changed");
}

} // namespace

class TestPlayStoreUnusable : public QObject
{
    Q_OBJECT

private slots:
    void unusable_data();
    void unusable();
    void unreadable();
    void readOnlyFileIsReadNotWritten();
};

void TestPlayStoreUnusable::unusable_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("reason");
    const QString notSqlite = QStringLiteral("SQLiteのデータベースではありません。");
    const QString damaged = QStringLiteral("ファイルが壊れています。");
    const QString notOurs = QStringLiteral("稼働記録のデータベースではありません。");
    QTest::newRow("random bytes") << "random" << notSqlite;
    QTest::newRow("a data file by mistake") << "text" << notSqlite;
    QTest::newRow("truncated to half") << "truncated" << damaged;
    QTest::newRow("pages overwritten") << "pages" << damaged;
    QTest::newRow("header of a newer version")
            << "newer" << QStringLiteral("新しいバージョンのミュレルで作られたファイルです。");
    QTest::newRow("another program's database") << "foreign" << notOurs;
    QTest::newRow("ours without its tables") << "tableless" << notOurs;
    QTest::newRow("a folder in its place")
            << "folder" << QStringLiteral("同じ名前のフォルダーがあります。");
    QTest::newRow("a FIFO in its place")
            << "fifo" << QStringLiteral("通常のファイルではありません。");
}

void TestPlayStoreUnusable::unusable()
{
    QFETCH(QString, setup);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Murel1.db"));
    if (setup == "random") {
        QRandomGenerator rng(7);
        QByteArray bytes(8192, '\0');
        rng.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        QVERIFY(WriteBytes(path, bytes));
    } else if (setup == "text") {
        QVERIFY(WriteBytes(path, "20240101,0,100,200,100,\r\n"));
    } else if (setup == "folder") {
        QVERIFY(QDir().mkdir(path));
    } else if (setup == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (setup == "foreign") {
        QCOMPARE(Sql(path, QStringLiteral("CREATE TABLE accounts (name TEXT)")), QStringList());
    } else if (setup == "tableless") {
        QCOMPARE(Sql(path,
                     QStringLiteral("PRAGMA application_id = %1").arg(CPlayStore::kApplicationId)),
                 QStringList());
        QCOMPARE(Sql(path, QStringLiteral("PRAGMA user_version = 1")), QStringList());
    } else {
        QVERIFY(MakeDatabase(path, 20240101));
        const QByteArray bytes = ReadBytes(path);
        QVERIFY(bytes.size() > 16 * 4096);
        if (setup == "truncated")
            QVERIFY(WriteBytes(path, bytes.left(bytes.size() / 2)));
        else if (setup == "pages")
            QVERIFY(Damage(path));
        else if (setup == "newer")
            QCOMPARE(Sql(path,
                         QStringLiteral("PRAGMA user_version = %1")
                                 .arg(CPlayStore::kSchemaVersion + 1)),
                     QStringList());
    }
    const QString problem = Refused(path, reason);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// A database its user cannot read, tried as an ordinary user since root reads anything.
void TestPlayStoreUnusable::unreadable()
{
    QCOMPARE(RunUnprivileged([] {
                 QTemporaryDir dir(QStringLiteral("/tmp/murel-play-XXXXXX"));
                 const QString path = dir.filePath(QStringLiteral("Murel1.db"));
                 if (!MakeDatabase(path, 20240101))
                     return QStringLiteral("no database");
                 if (!QFile::setPermissions(path, QFileDevice::WriteOwner))
                     return QStringLiteral("chmod failed");
                 const QString problem = Refused(path, QStringLiteral("アクセス権がありません。"));
                 QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
                 return problem;
             }),
             QString());
}

// A database that can be read but not written: its sessions are shown, changes are refused with
// the reason, and the file stays as it was.
void TestPlayStoreUnusable::readOnlyFileIsReadNotWritten()
{
    QCOMPARE(RunUnprivileged([] {
                 QTemporaryDir dir(QStringLiteral("/tmp/murel-play-XXXXXX"));
                 const QString path = dir.filePath(QStringLiteral("Murel1.db"));
                 if (!MakeDatabase(path, 20240101))
                     return QStringLiteral("no database");
                 QFile::setPermissions(path, QFileDevice::ReadOwner);
                 const QByteArray before = ReadBytes(path);
                 CPlayStore store(path);
                 QList<PlaySession> day;
                 if (!store.Check() || !store.SessionsOfDay(20240101, &day) || day.size() != 15)
                     return QStringLiteral("not read: ") + store.LastError();
                 PlaySession s = Make(20240101, QStringLiteral("店"), 1, 1);
                 if (store.Add(s) || store.Delete(day.front().id))
                     return QStringLiteral("written");
                 const QString expected = QStringLiteral("稼働記録を保存できませんでした。\n")
                         + path + QStringLiteral(": アクセス権がありません。");
                 if (store.LastError() != expected || !store.IsAvailable())
                     return QStringLiteral("message: ") + store.LastError();
                 return ReadBytes(path) == before ? QString() : QStringLiteral("file changed");
             }),
             QString());
}

QTEST_GUILESS_MAIN(TestPlayStoreUnusable)
#include "tst_playstore_unusable.moc"
