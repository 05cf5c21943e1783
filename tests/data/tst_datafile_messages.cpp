// What the user is told when the data file cannot be read, created or written, and whether a
// period that could not be read may be saved later.
#include "data/BookTestUtil.h"
#include "data/FileProblem.h"
#include "data/ResultBook.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

using namespace BookTest;

namespace {

const QString kAccess = QStringLiteral("アクセス権がありません。");
const QString kNoFolder = QStringLiteral("フォルダーが見つかりません。");
const QString kFolderInTheWay = QStringLiteral("同じ名前のフォルダーがあります。");
const QString kCannotSave
        = QStringLiteral("データファイルに書き込めないため、結果を保存できません。");

const QByteArray kOld
        = "20020101,0,100,100,0,\r\n20030105,0,200,200,0,\r\n20030106,1,-300,0,0,\r\n";

} // namespace

class TestDataFileMessages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void reasons_data();
    void reasons();
    void failedLoad_data();
    void failedLoad();
    void writableProblem_data();
    void writableProblem();

private:
    void Prepare(const QString &setup);
    void Repair(const QString &setup);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder; // the data file's folder, inside the temporary directory
    QString m_path;
};

void TestDataFileMessages::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->filePath(QStringLiteral("diary"));
    QVERIFY(QDir().mkdir(m_folder));
    m_path = m_folder + QStringLiteral("/Murel1.Dat");
}

void TestDataFileMessages::cleanup()
{
    // Give back every permission a row took away, so the directory can be removed.
    QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (QFileInfo(m_path).isFile())
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
}

void TestDataFileMessages::reasons_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("fallback");
    QTest::addColumn<QString>("reason");
    const QString noSpace = QStringLiteral("ディスクの空き容量が足りません。");
    QTest::newRow("no space") << ENOSPC << QString() << noSpace;
    QTest::newRow("quota") << EDQUOT << QString() << noSpace;
    QTest::newRow("permission") << EACCES << QString() << kAccess;
    QTest::newRow("operation not permitted") << EPERM << QString() << kAccess;
    QTest::newRow("read-only file system")
            << EROFS << QString() << QStringLiteral("読み取り専用のファイルシステムです。");
    QTest::newRow("directory in the way") << EISDIR << QString() << kFolderInTheWay;
    QTest::newRow("I/O error") << EIO << QString()
                               << QStringLiteral("入出力エラーが発生しました。");
    QTest::newRow("missing folder") << ENOENT << QString() << kNoFolder;
    QTest::newRow("other: the system's words")
            << EMFILE << QString() << QString::fromLocal8Bit(std::strerror(EMFILE));
    QTest::newRow("no number: the device's words")
            << 0 << QStringLiteral("Broken pipe") << QStringLiteral("Broken pipe");
    QTest::newRow("nothing known") << 0 << QString() << QStringLiteral("原因が分かりません。");
    QTest::newRow("the number wins over the device")
            << EIO << QStringLiteral("Unknown error")
            << QStringLiteral("入出力エラーが発生しました。");
}

void TestDataFileMessages::reasons()
{
    QFETCH(int, code);
    QFETCH(QString, fallback);
    QFETCH(QString, reason);
    QCOMPARE(FileProblem::Reason(code, fallback), reason);
    // The second line names the file by its absolute path, however the book was given it.
    const QString current = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_folder));
    const QString message
            = FileProblem::Message(QStringLiteral("first"), QStringLiteral("Murel1.Dat"), reason);
    QVERIFY(QDir::setCurrent(current));
    QCOMPARE(message,
             QStringLiteral("first\n")
                     + QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath())
                     + QStringLiteral(": ") + reason);
}

// Puts the data file into the state a row names.
void TestDataFileMessages::Prepare(const QString &setup)
{
    if (setup == QLatin1String("directory")) {
        QVERIFY(QDir().mkdir(m_path));
    } else if (setup == QLatin1String("no folder")) {
        QVERIFY(QDir(m_folder).removeRecursively());
    } else if (setup == QLatin1String("folder is a file")) {
        QVERIFY(QDir(m_folder).removeRecursively());
        WriteBytes(m_folder, "not a folder");
    } else if (setup == QLatin1String("unreadable file")) {
        WriteBytes(m_path, kOld);
        QVERIFY(QFile::setPermissions(m_path, QFile::WriteOwner));
    } else if (setup == QLatin1String("read-only folder")) {
        QVERIFY(QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::ExeOwner));
    } else if (setup == QLatin1String("folder not searchable")) {
        WriteBytes(m_path, kOld);
        QVERIFY(QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner));
    }
}

// Takes the fault away again; where a file could have been hiding, it holds the old lines.
void TestDataFileMessages::Repair(const QString &setup)
{
    if (setup == QLatin1String("directory")) {
        QVERIFY(QDir().rmdir(m_path));
        WriteBytes(m_path, kOld);
    } else if (setup == QLatin1String("no folder")) {
        QVERIFY(QDir().mkdir(m_folder));
        WriteBytes(m_path, kOld);
    } else if (setup == QLatin1String("folder is a file")) {
        QVERIFY(QFile::remove(m_folder));
        QVERIFY(QDir().mkdir(m_folder));
        WriteBytes(m_path, kOld);
    } else if (setup == QLatin1String("unreadable file")) {
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner));
    } else {
        QVERIFY(QFile::setPermissions(m_folder,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
}

void TestDataFileMessages::failedLoad_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("asUser"); // permissions do not stop root
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("savable"); // a day typed meanwhile is saved once the fault is gone

    QTest::newRow("data file is a directory")
            << QStringLiteral("directory") << false << kLoadFailed << kFolderInTheWay << false;
    // The folder may come back with a file in it (a drive mounted late): never saved over.
    QTest::newRow("folder missing")
            << QStringLiteral("no folder") << false << kCreateFailed << kNoFolder << false;
    QTest::newRow("folder is a file")
            << QStringLiteral("folder is a file") << false << kCreateFailed
            << QString::fromLocal8Bit(std::strerror(ENOTDIR)) << false;
    QTest::newRow("unreadable file")
            << QStringLiteral("unreadable file") << true << kLoadFailed << kAccess << false;
    // No file in a folder that can be listed: nothing exists that a save could overwrite.
    QTest::newRow("read-only folder, no file")
            << QStringLiteral("read-only folder") << true << kCreateFailed << kAccess << true;
    // A folder that cannot be searched hides whether the file exists.
    QTest::newRow("folder not searchable")
            << QStringLiteral("folder not searchable") << true << kLoadFailed << kAccess << false;
}

void TestDataFileMessages::failedLoad()
{
    QFETCH(QString, setup);
    QFETCH(bool, asUser);
    QFETCH(QString, first);
    QFETCH(QString, reason);
    QFETCH(bool, savable);
    if (asUser && RunningAsRoot())
        QSKIP("permissions do not stop root");

    Prepare(setup);
    CTestBook book(m_path);
    QVERIFY(!book.LoadPeriod(200305, 1, 0));
    QCOMPARE(book.LastError(), Expected(first, m_path, reason));
    QCOMPARE(book.DayCount(), 151); // the period is laid out all the same
    SetDay(book, 20030107, 1, 0, 0, 4);

    Repair(setup);
    const QByteArray before = ReadBytes(m_path);
    QCOMPARE(book.Save(), savable);
    if (savable) {
        QVERIFY(book.LastError().isEmpty());
        QCOMPARE(ReadBytes(m_path), QByteArray("20030107,1,400,0,0,\r\n"));
    } else {
        QCOMPARE(book.LastError(),
                 Expected(kSaveFailed, m_path,
                          "読み込めなかった期間のため、ファイルを書き換えません。"));
        QCOMPARE(ReadBytes(m_path), before);
        QCOMPARE(before, kOld);
    }
    // The next period loads normally once the fault is gone.
    book.Clear();
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    QVERIFY(book.LastError().isEmpty());
}

void TestDataFileMessages::writableProblem_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("asUser");
    QTest::addColumn<QString>("reason"); // empty: nothing in the way

    QTest::newRow("file present") << QStringLiteral("file") << false << QString();
    QTest::newRow("no file yet") << QString() << false << QString();
    QTest::newRow("link to a file elsewhere") << QStringLiteral("link") << false << QString();
    QTest::newRow("data file is a directory")
            << QStringLiteral("directory") << false << kFolderInTheWay;
    QTest::newRow("folder missing") << QStringLiteral("no folder") << false << kNoFolder;
    QTest::newRow("folder is a file") << QStringLiteral("folder is a file") << false
                                      << QString::fromLocal8Bit(std::strerror(ENOTDIR));
    QTest::newRow("read-only file") << QStringLiteral("read-only file") << true << kAccess;
    QTest::newRow("read-only folder") << QStringLiteral("read-only folder") << true << kAccess;
    QTest::newRow("link into a read-only folder")
            << QStringLiteral("link into read-only") << true << kAccess;
}

void TestDataFileMessages::writableProblem()
{
    QFETCH(QString, setup);
    QFETCH(bool, asUser);
    QFETCH(QString, reason);
    if (asUser && RunningAsRoot())
        QSKIP("permissions do not stop root");

    const QString elsewhere = m_dir->filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkdir(elsewhere));
    if (setup == QLatin1String("file")) {
        WriteBytes(m_path, kOld);
    } else if (setup == QLatin1String("read-only file")) {
        WriteBytes(m_path, kOld);
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner));
    } else if (setup.startsWith(QLatin1String("link"))) {
        // The new file is made beside the link's target, so that folder is the one that counts.
        WriteBytes(elsewhere + QStringLiteral("/Murel1.Dat"), kOld);
        QVERIFY(QFile::link(elsewhere + QStringLiteral("/Murel1.Dat"), m_path));
        if (setup == QLatin1String("link into read-only"))
            QVERIFY(QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::ExeOwner));
    } else {
        Prepare(setup);
    }

    const CResultBook book(m_path);
    const QString problem = book.WritableProblem();
    QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (reason.isEmpty())
        QCOMPARE(problem, QString());
    else
        QCOMPARE(problem, Expected(kCannotSave, m_path, reason));

    // The check agrees with a real save: it fails exactly when a problem was named.
    if (setup == QLatin1String("read-only file"))
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner)); // keep the fault for the save
    if (setup == QLatin1String("link into read-only"))
        QVERIFY(QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::ExeOwner));
    CTestBook saver(m_path);
    saver.BuildCalendar(200305, 1, 0);
    SetDay(saver, 20030107, 1, 0, 0, 4);
    QCOMPARE(saver.Save(), reason.isEmpty());
    QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    saver.Clear();
}

QTEST_GUILESS_MAIN(TestDataFileMessages)
#include "tst_datafile_messages.moc"
