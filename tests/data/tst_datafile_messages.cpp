// What the user is told when the data file cannot be read, created or written, and whether a
// period that could not be read may be saved later.
#include "common/Unprivileged.h"
#include "data/BookTestUtil.h"
#include "data/FileProblem.h"
#include "data/ResultBook.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <functional>
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
    QTest::newRow("not a folder on the way")
            << ENOTDIR << QString()
            << QStringLiteral("パスの途中にフォルダーでないものがあります。");
    QTest::newRow("name taken") << EEXIST << QString()
                                << QStringLiteral("同じ名前のものが既にあります。");
    QTest::newRow("name too long")
            << ENAMETOOLONG << QString() << QStringLiteral("名前が長すぎます。");
    QTest::newRow("too many open files")
            << EMFILE << QString() << QStringLiteral("開いているファイルが多すぎます。");
    QTest::newRow("other: the system's words")
            << EBUSY << QString() << QString::fromLocal8Bit(std::strerror(EBUSY));
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

namespace {

// A data file in a folder of its own under base.
struct Scene
{
    explicit Scene(const QString &base)
        : base(base)
        , folder(base + QStringLiteral("/diary"))
        , path(folder + QStringLiteral("/Murel1.Dat"))
    { }
    QString base, folder, path;
};

bool Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size();
}

// Puts the data file into the state a row names; false when that could not be done.
bool Prepare(const Scene &s, const QString &setup)
{
    if (setup == QLatin1String("directory"))
        return QDir().mkdir(s.path);
    if (setup == QLatin1String("no folder"))
        return QDir(s.folder).removeRecursively();
    if (setup == QLatin1String("folder is a file"))
        return QDir(s.folder).removeRecursively() && Write(s.folder, "not a folder");
    if (setup == QLatin1String("unreadable file"))
        return Write(s.path, kOld) && QFile::setPermissions(s.path, QFile::WriteOwner);
    if (setup == QLatin1String("read-only folder"))
        return QFile::setPermissions(s.folder, QFile::ReadOwner | QFile::ExeOwner);
    if (setup == QLatin1String("folder not searchable"))
        return Write(s.path, kOld)
                && QFile::setPermissions(s.folder, QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

// Takes the fault away again; where a file could have been hiding, it holds the old lines.
bool Repair(const Scene &s, const QString &setup)
{
    if (setup == QLatin1String("directory"))
        return QDir().rmdir(s.path) && Write(s.path, kOld);
    if (setup == QLatin1String("no folder"))
        return QDir().mkdir(s.folder) && Write(s.path, kOld);
    if (setup == QLatin1String("folder is a file"))
        return QFile::remove(s.folder) && QDir().mkdir(s.folder) && Write(s.path, kOld);
    if (setup == QLatin1String("unreadable file"))
        return QFile::setPermissions(s.path, QFile::ReadOwner | QFile::WriteOwner);
    return QFile::setPermissions(s.folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString Differs(const char *what, const QString &actual, const QString &expected)
{
    return actual == expected ? QString()
                              : QStringLiteral("%1: %2 instead of %3").arg(what, actual, expected);
}

// A row of failedLoad in a folder of its own under base; empty when all went as expected.
QString FailedLoad(const QString &base, const QString &setup, const QString &first,
                   const QString &reason, bool savable)
{
    const Scene s(base);
    if (!QDir().mkdir(s.folder) || !Prepare(s, setup))
        return QStringLiteral("cannot set up");
    CTestBook book(s.path);
    if (book.LoadPeriod(200305, 1, 0))
        return QStringLiteral("the load succeeded");
    if (QString d = Differs("load", book.LastError(), Expected(first, s.path, reason));
        !d.isEmpty())
        return d;
    if (book.DayCount() != 151)
        return QStringLiteral("the period was not laid out");
    SetDay(book, 20030107, 1, 0, 0, 4);
    if (!Repair(s, setup))
        return QStringLiteral("cannot repair");
    const QByteArray before = ReadBytes(s.path);
    if (book.Save() != savable)
        return QStringLiteral("the save went otherwise: ") + book.LastError();
    if (savable) {
        if (ReadBytes(s.path) != "20030107,1,400,0,0,\r\n")
            return QStringLiteral("the day was not saved");
    } else {
        const QString refused = Expected(
                kSaveFailed, s.path,
                QStringLiteral("読み込めなかった期間のため、ファイルを書き換えません。"));
        if (QString d = Differs("save", book.LastError(), refused); !d.isEmpty())
            return d;
        if (ReadBytes(s.path) != before || before != kOld)
            return QStringLiteral("the file changed");
    }
    // The next period loads normally once the fault is gone.
    book.Clear();
    if (!book.LoadPeriod(200305, 1, 0) || !book.LastError().isEmpty())
        return QStringLiteral("the next load failed: ") + book.LastError();
    return QString();
}

// A row of writableProblem in a folder of its own under base.
QString WritableProblemRow(const QString &base, const QString &setup, const QString &reason)
{
    const Scene s(base);
    const QString elsewhere = s.base + QStringLiteral("/elsewhere");
    if (!QDir().mkdir(s.folder) || !QDir().mkdir(elsewhere))
        return QStringLiteral("cannot make the folders");
    bool ready = true;
    if (setup == QLatin1String("file")) {
        ready = Write(s.path, kOld);
    } else if (setup == QLatin1String("read-only file")) {
        ready = Write(s.path, kOld) && QFile::setPermissions(s.path, QFile::ReadOwner);
    } else if (setup.startsWith(QLatin1String("link"))) {
        // The new file is made beside the link's target, so that folder is the one that counts.
        ready = Write(elsewhere + QStringLiteral("/Murel1.Dat"), kOld)
                && QFile::link(elsewhere + QStringLiteral("/Murel1.Dat"), s.path);
        if (setup == QLatin1String("link into read-only"))
            ready = ready && QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::ExeOwner);
    } else {
        ready = Prepare(s, setup);
    }
    if (!ready)
        return QStringLiteral("cannot set up");

    const QString problem = CResultBook(s.path).WritableProblem();
    const QString expected = reason.isEmpty() ? QString() : Expected(kCannotSave, s.path, reason);
    if (QString d = Differs("warning", problem, expected); !d.isEmpty())
        return d;
    // The check agrees with a real save: it fails exactly when a problem was named.
    CTestBook saver(s.path);
    saver.BuildCalendar(200305, 1, 0);
    SetDay(saver, 20030107, 1, 0, 0, 4);
    const bool saved = saver.Save();
    QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(s.folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (saved != reason.isEmpty())
        return QStringLiteral("the save went otherwise: ") + saver.LastError();
    return QString();
}

// Runs a row in a folder of its own: as an ordinary user when asUser (root would pass where the
// row's permissions must stop it), otherwise as the test runs.
QString RunRow(bool asUser, const std::function<QString(const QString &base)> &row)
{
    const auto inOwnFolder = [&] {
        QTemporaryDir dir;
        return dir.isValid() ? row(dir.path()) : QStringLiteral("no temporary folder");
    };
    return asUser ? RunUnprivileged(inOwnFolder) : inOwnFolder();
}

} // namespace

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
            << QStringLiteral("パスの途中にフォルダーでないものがあります。") << false;
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
    QCOMPARE(RunRow(asUser,
                    [&](const QString &base) {
                        return FailedLoad(base, setup, first, reason, savable);
                    }),
             QString());
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
    QTest::newRow("folder is a file")
            << QStringLiteral("folder is a file") << false
            << QStringLiteral("パスの途中にフォルダーでないものがあります。");
    // Without any write permission a file or folder is read-only for everyone, root too.
    for (const bool asUser : {false, true}) {
        const char *who = asUser ? "user" : "as run";
        QTest::addRow("read-only file, %s", who)
                << QStringLiteral("read-only file") << asUser << kAccess;
        QTest::addRow("read-only folder, %s", who)
                << QStringLiteral("read-only folder") << asUser << kAccess;
        QTest::addRow("link into a read-only folder, %s", who)
                << QStringLiteral("link into read-only") << asUser << kAccess;
    }
}

void TestDataFileMessages::writableProblem()
{
    QFETCH(QString, setup);
    QFETCH(bool, asUser);
    QFETCH(QString, reason);
    QCOMPARE(RunRow(asUser,
                    [&](const QString &base) { return WritableProblemRow(base, setup, reason); }),
             QString());
}

QTEST_GUILESS_MAIN(TestDataFileMessages)
#include "tst_datafile_messages.moc"
