#include "data/DailyBackup.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kFailed = QStringLiteral("バックアップを作成できませんでした。");
const QString kPruneFailed = QStringLiteral("古いバックアップを削除できませんでした。");
const QString kSaveGoesOn = QStringLiteral("データファイルの保存には影響しません。");
const QString kDenied = QStringLiteral("アクセス権がありません。");
const QString kFolderIsLink
        = QStringLiteral("シンボリックリンクのため、バックアップには使いません。");
const QString kTaken = QStringLiteral("同じ名前のものが既にあります。");
constexpr uid_t kNobody = 65534;

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size() && file.flush();
}

QDate Day(const QString &yyyymmdd)
{
    return QDate::fromString(yyyymmdd, QStringLiteral("yyyyMMdd"));
}

// Everything in a folder, sub-folders marked with a slash.
QStringList Listing(const QString &folder)
{
    QStringList names;
    const QFileInfoList entries = QDir(folder).entryInfoList(
            QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo &info : entries)
        names << info.fileName() + (info.isDir() ? QStringLiteral("/") : QString());
    return names;
}

// The data file as a test sees it; a backup must change none of it.
struct Snapshot
{
    QByteArray bytes;
    QDateTime modified;
    QFile::Permissions permissions;
    bool operator==(const Snapshot &) const = default;
};

Snapshot Take(const QString &path)
{
    const QFileInfo info(path);
    return {ReadBytes(path), info.lastModified(), info.permissions()};
}

// What the folder must hold: the first copy of each day, the newest `keep` of those dated up to
// the day, always including the one just made; copies dated later are never counted or removed.
class Model
{
public:
    explicit Model(int keep)
        : m_keep(keep)
    { }

    void Save(const QDate &day, const QByteArray &dataFile)
    {
        if (m_copies.contains(day))
            return;
        m_copies.insert(day, dataFile);
        QList<QDate> others;
        for (const QDate &other : m_copies.keys())
            if (other < day)
                others.append(other);
        std::sort(others.begin(), others.end(), std::greater<>());
        for (qsizetype i = std::max(m_keep - 1, 0); i < others.size(); ++i)
            m_copies.remove(others[i]);
    }

    const QMap<QDate, QByteArray> &copies() const { return m_copies; }

private:
    int m_keep;
    QMap<QDate, QByteArray> m_copies;
};

// Runs BackUpDataFile under an ordinary user's identity: directly when the test is not root,
// otherwise in a copy of this program that drops to "nobody" first. Returns "status\nmessage".
QString BackUpAsUser(const QString &dataFilePath, const QDate &today, int keep)
{
    if (::geteuid() != 0) {
        const BackupOutcome outcome = BackUpDataFile(dataFilePath, today, keep);
        return QString::number(outcome.status) + QLatin1Char('\n') + outcome.message;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MUREL_BACKUP_CHILD"), dataFilePath);
    env.insert(QStringLiteral("MUREL_BACKUP_DAY"), today.toString(Qt::ISODate));
    env.insert(QStringLiteral("MUREL_BACKUP_KEEP"), QString::number(keep));
    child.setProcessEnvironment(env);
    child.setChildProcessModifier([] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(3);
    });
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForFinished(30000) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != 0)
        return QStringLiteral("child failed: ") + QString::number(child.exitCode())
                + QString::fromUtf8(child.readAllStandardError());
    return QString::fromUtf8(child.readAllStandardOutput());
}

int RunAsChild()
{
    if (::geteuid() == 0)
        return 4; // the drop to an ordinary user did not happen
    const BackupOutcome outcome = BackUpDataFile(
            qEnvironmentVariable("MUREL_BACKUP_CHILD"),
            QDate::fromString(qEnvironmentVariable("MUREL_BACKUP_DAY"), Qt::ISODate),
            qEnvironmentVariableIntValue("MUREL_BACKUP_KEEP"));
    const QByteArray out
            = (QString::number(outcome.status) + QLatin1Char('\n') + outcome.message).toUtf8();
    return ::write(STDOUT_FILENO, out.constData(), size_t(out.size())) == out.size() ? 0 : 5;
}

} // namespace

class TestDailyBackup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void names_data();
    void names();
    void nameDates_data();
    void nameDates();
    void saves_data();
    void saves();
    void randomDaysMatchModel();
    void foreignFilesStay();
    void noDataFileIsNoFailure();
    void failures_data();
    void failures();
    void unwritableAsUser_data();
    void unwritableAsUser();
    void failureReportedOncePerStreak();
    void futureNamesNeverCounted();
    void longNamesFit_data();
    void longNamesFit();
    void droppedBackupIsTheLastOne();
    void handledDayIsNotCopiedAgain();
    void kindNames_data();
    void kindNames();
    void withDatabase_data();
    void withDatabase();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    QString m_folder;
};

void TestDailyBackup::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Murel1.Dat"));
    m_folder = m_path + QStringLiteral(".backup");
}

void TestDailyBackup::names_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("backup");
    const auto row = [](const char *tag, const char *file, const char *day, const char *backup) {
        QTest::newRow(tag) << QString::fromUtf8(file) << QString::fromUtf8(day)
                           << QString::fromUtf8(backup);
    };
    row("usual", "Murel1.Dat", "20030512", "Murel1-20030512.Dat");
    row("no suffix", "diary", "20030512", "diary-20030512");
    row("several dots", "my.diary.Dat", "20030512", "my.diary-20030512.Dat");
    row("two suffixes", "a b.tar.gz", "19991231", "a b.tar-19991231.gz");
    row("hidden, no suffix", ".murel", "20030512", ".murel-20030512");
    row("hidden with suffix", ".murel.Dat", "20030512", ".murel-20030512.Dat");
    row("trailing dot", "diary.", "20030512", "diary-20030512.");
    row("Japanese", "日記.Dat", "20040229", "日記-20040229.Dat");
    row("dated already", "Murel1-20030101.Dat", "20030512", "Murel1-20030101-20030512.Dat");
    row("early year", "Murel1.Dat", "09990102", "Murel1-09990102.Dat");
}

void TestDailyBackup::names()
{
    QFETCH(QString, file);
    QFETCH(QString, day);
    QFETCH(QString, backup);
    const QString path = m_dir->filePath(file);
    QCOMPARE(BackupFileName(path, Day(day)), backup);
    QCOMPARE(BackupNameDate(path, backup), Day(day));

    // The real thing lands under that name, in the folder named after the whole file name.
    QVERIFY(WriteBytes(path, "x\r\n"));
    const BackupOutcome outcome = BackUpDataFile(path, Day(day));
    QCOMPARE(outcome.status, BackupOutcome::Created);
    QCOMPARE(outcome.message, QString());
    QCOMPARE(BackupFolderPath(path), path + QStringLiteral(".backup"));
    QCOMPARE(outcome.path, path + QStringLiteral(".backup/") + backup);
    QCOMPARE(Listing(path + QStringLiteral(".backup")), QStringList{backup});
    QCOMPARE(ReadBytes(outcome.path), QByteArray("x\r\n"));
}

void TestDailyBackup::nameDates_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("day"); // empty: not a backup of Murel1.Dat
    const auto row = [](const char *tag, const char *name, const char *day) {
        QTest::newRow(tag) << QString::fromUtf8(name) << QString::fromUtf8(day);
    };
    row("backup", "Murel1-20030512.Dat", "20030512");
    row("leap day", "Murel1-20040229.Dat", "20040229");
    row("no such day", "Murel1-20030229.Dat", "");
    row("month 13", "Murel1-20031301.Dat", "");
    row("year 0", "Murel1-00000101.Dat", "");
    row("seven digits", "Murel1-2003051.Dat", "");
    row("nine digits", "Murel1-200305121.Dat", "");
    row("letter O", "Murel1-2003O512.Dat", "");
    row("full-width digits", "Murel1-２００３0512.Dat", "");
    row("other case", "murel1-20030512.Dat", "");
    row("other suffix case", "Murel1-20030512.dat", "");
    row("underscore", "Murel1_20030512.Dat", "");
    row("another file's", "Murel2-20030512.Dat", "");
    row("longer base", "XMurel1-20030512.Dat", "");
    row("temporary", "Murel1-20030512.Dat.AbC123.tmp", "");
    row("data file itself", "Murel1.Dat", "");
    row("a further one", "Murel1-20030512-2.Dat", "20030512");
    row("the highest number", "Murel1-20030512-9999.Dat", "20030512");
    row("a number with a leading zero", "Murel1-20030512-02.Dat", "");
    row("a number too high", "Murel1-20030512-10000.Dat", "");
    row("a signed number", "Murel1-20030512-+2.Dat", "");
    row("the database's", "Murel1-20030512.db", "20030512");
    row("the database's further one", "Murel1-20030512-3.db", "20030512");
    row("the database's in capitals", "Murel1-20030512.DB", "");
    row("the data file's suffix then the database's", "Murel1-20030512.Dat.db", "");
}

void TestDailyBackup::nameDates()
{
    QFETCH(QString, name);
    QFETCH(QString, day);
    QCOMPARE(BackupNameDate(m_path, name), day.isEmpty() ? QDate() : Day(day));
}

void TestDailyBackup::saves_data()
{
    // Each step writes its content to the data file, then backs up as the day's save would.
    QTest::addColumn<QString>("steps"); // day=content, ...
    QTest::addColumn<int>("keep");
    QTest::addColumn<QString>("expected"); // the folder: day=content, ... oldest first
    QTest::newRow("first save") << "20030512=A" << 10 << "20030512=A";
    QTest::newRow("second save keeps the first copy")
            << "20030512=A,20030512=B" << 10 << "20030512=A";
    QTest::newRow("new day adds one")
            << "20030512=A,20030512=B,20030513=C,20030513=D" << 10 << "20030512=A,20030513=C";
    QTest::newRow("empty file is copied") << "20030512=,20030512=A" << 10 << "20030512=";
    QTest::newRow("eleventh day drops the oldest")
            << "20030101=a,20030102=b,20030103=c,20030104=d,20030105=e,20030106=f,20030107=g,"
               "20030108=h,20030109=i,20030110=j,20030111=k"
            << 10
            << "20030102=b,20030103=c,20030104=d,20030105=e,20030106=f,20030107=g,20030108=h,"
               "20030109=i,20030110=j,20030111=k";
    // A name dated after the day is not one of ours as far as that day knows: never counted.
    QTest::newRow("newest by date, not by order") << "20050101=a,20030101=b,20040101=c,20040102=d"
                                                  << 2 << "20040101=c,20040102=d,20050101=a";
    QTest::newRow("clock set back keeps every later copy")
            << "20030520=a,20030521=b,20030522=c,20030510=d" << 3
            << "20030510=d,20030520=a,20030521=b,20030522=c";
    QTest::newRow("clock set back, older copies pruned")
            << "20030501=a,20030502=b,20030503=c,20030520=d,20030504=e" << 2
            << "20030503=c,20030504=e,20030520=d";
    QTest::newRow("keep one") << "20030512=A,20030513=B,20030514=C" << 1 << "20030514=C";
    QTest::newRow("years apart") << "19991231=A,20000101=B,20100101=C" << 10
                                 << "19991231=A,20000101=B,20100101=C";
}

void TestDailyBackup::saves()
{
    QFETCH(QString, steps);
    QFETCH(int, keep);
    QFETCH(QString, expected);
    for (const QString &step : steps.split(QLatin1Char(','))) {
        const QStringList parts = step.split(QLatin1Char('='));
        QVERIFY(WriteBytes(m_path, parts[1].toUtf8()));
        const Snapshot before = Take(m_path);
        const BackupOutcome outcome = BackUpDataFile(m_path, Day(parts[0]), keep);
        QVERIFY(outcome.status == BackupOutcome::Created
                || outcome.status == BackupOutcome::AlreadyDone);
        QCOMPARE(outcome.message, QString());
        QVERIFY(Take(m_path) == before);
    }
    QStringList seen;
    for (const QString &name : Listing(m_folder))
        seen << BackupNameDate(m_path, name).toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('=')
                        + QString::fromUtf8(ReadBytes(m_folder + '/' + name));
    QCOMPARE(seen.join(QLatin1Char(',')), expected);
}

void TestDailyBackup::randomDaysMatchModel()
{
    // Days move mostly forward, sometimes repeat or jump back; contents are arbitrary bytes of
    // sizes around the copy's chunk size.
    QRandomGenerator random(20030512);
    for (int run = 0; run < 6; ++run) {
        init();
        const int keep = 1 + int(random.bounded(12));
        Model model(keep);
        QDate day(2003, 5, 12);
        for (int step = 0; step < 40; ++step) {
            const quint32 move = random.bounded(10);
            day = day.addDays(move < 4 ? 0 : move < 9 ? qint64(move - 3) : -qint64(move));
            const qsizetype sizes[] = {0, 1, 300, 256 * 1024 - 1, 256 * 1024, 256 * 1024 + 7};
            QByteArray content(sizes[random.bounded(6)], Qt::Uninitialized);
            for (char &c : content)
                c = char(random.bounded(256));
            QVERIFY(WriteBytes(m_path, content));
            const Snapshot before = Take(m_path);

            const BackupOutcome outcome = BackUpDataFile(m_path, day, keep);
            model.Save(day, content);
            QVERIFY(Take(m_path) == before);
            QCOMPARE(outcome.message, QString());
            QCOMPARE(ReadBytes(outcome.path), model.copies().value(day));

            QStringList expectedNames;
            for (auto it = model.copies().cbegin(); it != model.copies().cend(); ++it)
                expectedNames << BackupFileName(m_path, it.key());
            QCOMPARE(Listing(m_folder), expectedNames);
            for (auto it = model.copies().cbegin(); it != model.copies().cend(); ++it)
                QVERIFY(ReadBytes(m_folder + '/' + BackupFileName(m_path, it.key())) == it.value());
        }
    }
}

void TestDailyBackup::foreignFilesStay()
{
    QVERIFY(QDir().mkpath(m_folder));
    const QStringList foreign{
            QStringLiteral("Murel1-20030229.Dat"), // not a day
            QStringLiteral("Murel1-2003051.Dat"),
            QStringLiteral("Murel2-19990101.Dat"), // another data file's backup
            QStringLiteral("murel1-19990101.Dat"),     QStringLiteral("Murel1-19990101.Dat.bak"),
            QStringLiteral("Murel1-19990101.Dat.tmp"), // not a temporary of the backup's form
            QStringLiteral("notes.AbC123.tmp"),        QStringLiteral("メモ.txt"),
    };
    for (const QString &name : foreign)
        QVERIFY(WriteBytes(m_folder + '/' + name, name.toUtf8()));
    // Named like old backups, but a folder and a link: neither is a backup this made.
    QVERIFY(QDir().mkdir(m_folder + QStringLiteral("/Murel1-19990102.Dat")));
    const QString outside = m_dir->filePath(QStringLiteral("outside"));
    QVERIFY(WriteBytes(outside, "keep me"));
    QVERIFY(QFile::link(outside, m_folder + QStringLiteral("/Murel1-19990103.Dat")));
    // What a crash in the middle of a copy leaves behind goes with the next backup.
    QVERIFY(WriteBytes(m_folder + QStringLiteral("/Murel1-20030101.Dat.x1Y2z3.tmp"), "half"));

    QVERIFY(WriteBytes(m_path, "data"));
    QStringList made;
    for (int i = 0; i < 12; ++i) {
        const BackupOutcome outcome = BackUpDataFile(m_path, QDate(2003, 5, 1).addDays(i), 3);
        QCOMPARE(outcome.status, BackupOutcome::Created);
        QCOMPARE(outcome.message, QString());
        made << QFileInfo(outcome.path).fileName();
    }
    QStringList expected = foreign + made.mid(9);
    expected << QStringLiteral("Murel1-19990102.Dat/") << QStringLiteral("Murel1-19990103.Dat");
    expected.sort();
    QStringList listing = Listing(m_folder);
    listing.sort();
    QCOMPARE(listing, expected);
    for (const QString &name : foreign)
        QCOMPARE(ReadBytes(m_folder + '/' + name), name.toUtf8());
    QCOMPARE(ReadBytes(m_folder + QStringLiteral("/Murel1-19990103.Dat")), QByteArray("keep me"));
}

void TestDailyBackup::noDataFileIsNoFailure()
{
    const BackupOutcome outcome = BackUpDataFile(m_path, QDate(2003, 5, 12));
    QCOMPARE(outcome.status, BackupOutcome::NoDataFile);
    QCOMPARE(outcome.message, QString());
    QCOMPARE(outcome.path, QString());
    QCOMPARE(Listing(m_dir->path()), QStringList()); // neither a folder nor a data file made
}

void TestDailyBackup::failures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("where"); // relative to the temporary folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("a file where the folder goes") << "folderIsFile"
                                                  << "Murel1.Dat.backup" << kTaken;
    QTest::newRow("a folder where the backup goes")
            << "backupIsFolder"
            << "Murel1.Dat.backup/Murel1-20030512.Dat" << kTaken;
    QTest::newRow("a link where the backup goes")
            << "backupIsLink"
            << "Murel1.Dat.backup/Murel1-20030512.Dat" << kTaken;
    QTest::newRow("data file is a folder")
            << "dataIsFolder"
            << "Murel1.Dat" << QStringLiteral("同じ名前のフォルダーがあります。");
    QTest::newRow("the backup folder is a link") << "folderIsLink"
                                                 << "Murel1.Dat.backup" << kFolderIsLink;
    QTest::newRow("disk full") << "diskFull"
                               << "small/Murel1.Dat.backup/Murel1-20030512.Dat"
                               << QStringLiteral("ディスクの空き容量が足りません。");
}

void TestDailyBackup::failures()
{
    QFETCH(QString, fault);
    QFETCH(QString, where);
    QFETCH(QString, reason);
    QByteArray content = "20030511,1,100,0,0,\r\n";
    const QString small = m_dir->filePath(QStringLiteral("small"));
    auto unmount = qScopeGuard([&] {
        if (fault == QLatin1String("diskFull"))
            ::umount2(QFile::encodeName(small).constData(), MNT_DETACH);
    });
    if (fault == QLatin1String("diskFull")) {
        // 64 KB of room, 48 of them taken by the data file: the copy cannot fit.
        QVERIFY(QDir().mkdir(small));
        if (::mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount a small file system here (needs root)");
        m_path = small + QStringLiteral("/Murel1.Dat");
        content = content.repeated(48 * 1024 / content.size());
    }
    if (fault == QLatin1String("dataIsFolder"))
        QVERIFY(QDir().mkdir(m_path));
    else
        QVERIFY(WriteBytes(m_path, content));
    const QString folder = BackupFolderPath(m_path);
    const QString target = folder + QStringLiteral("/Murel1-20030512.Dat");
    if (fault == QLatin1String("folderIsFile"))
        QVERIFY(WriteBytes(folder, "in the way"));
    const QString linked = m_dir->filePath(QStringLiteral("linked"));
    if (fault == QLatin1String("folderIsLink")) {
        // Old backups of the name in the folder the link leads to: none may go.
        QVERIFY(QDir().mkdir(linked));
        for (int month = 1; month <= 12; ++month)
            QVERIFY(WriteBytes(linked + QStringLiteral("/Murel1-2002")
                                       + QString::number(month).rightJustified(2, QChar('0'))
                                       + QStringLiteral("15.Dat"),
                               "old"));
        QVERIFY(QFile::link(linked, folder));
    }
    const QStringList linkedListing = Listing(linked);
    if (fault == QLatin1String("backupIsFolder"))
        QVERIFY(QDir().mkpath(target));
    if (fault == QLatin1String("backupIsLink")) {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("nowhere")), target));
    }
    const Snapshot before = Take(m_path);
    const QStringList listing = Listing(m_dir->path());
    const QStringList folderListing = Listing(folder);

    const BackupOutcome outcome = BackUpDataFile(m_path, QDate(2003, 5, 12));
    QCOMPARE(outcome.status, BackupOutcome::Failed);
    const QStringList lines = outcome.message.split(QLatin1Char('\n'));
    QCOMPARE(lines, (QStringList{kFailed, m_dir->filePath(where) + ": " + reason, kSaveGoesOn}));
    QCOMPARE(Listing(linked), linkedListing);
    QVERIFY(Take(m_path) == before);
    QCOMPARE(Listing(m_dir->path()), listing);
    QCOMPARE(Listing(folder), folderListing); // no temporary left behind
    if (fault == QLatin1String("diskFull")) // and the room the attempt took is free again
        QVERIFY(WriteBytes(m_dir->filePath(QStringLiteral("small/more")), content.left(12 * 1024)));
}

void TestDailyBackup::unwritableAsUser_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("data folder read-only, no backup folder yet") << "dataFolder";
    QTest::newRow("backup folder read-only") << "backupFolder";
    QTest::newRow("old backups owned by another user") << "oldBackups";
    QTest::newRow("data file unreadable") << "dataFile";
}

void TestDailyBackup::unwritableAsUser()
{
    QFETCH(QString, fault);
    if (fault == QLatin1String("oldBackups") && ::geteuid() != 0)
        QSKIP("setting up another user's files needs root");
    const bool root = ::geteuid() == 0;
    const QFile::Permissions all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
            | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    const QFile::Permissions readOnly = all & ~QFile::WriteOwner;
    QVERIFY(WriteBytes(m_path, "20030511,1,100,0,0,\r\n"));
    QVERIFY(QFile::setPermissions(m_path,
                                  fault == QLatin1String("dataFile") ? QFile::WriteOwner
                                                                     : QFile::ReadOwner
                                                  | QFile::ReadGroup | QFile::ReadOther));
    if (fault == QLatin1String("oldBackups")) {
        // A shared sticky folder: the user may add files but not remove root's.
        QVERIFY(QDir().mkdir(m_folder));
        for (int day = 1; day <= 3; ++day)
            QVERIFY(WriteBytes(m_folder + QStringLiteral("/Murel1-2003050%1.Dat").arg(day), "old"));
        QCOMPARE(::chmod(QFile::encodeName(m_folder).constData(), 01777), 0);
    } else if (fault == QLatin1String("backupFolder")) {
        QVERIFY(QDir().mkdir(m_folder));
        QVERIFY(QFile::setPermissions(m_folder, readOnly));
        if (root)
            QCOMPARE(::chown(QFile::encodeName(m_folder).constData(), kNobody, kNobody), 0);
    }
    QVERIFY(QFile::setPermissions(m_dir->path(),
                                  fault == QLatin1String("dataFolder") ? readOnly : all));
    if (root && fault != QLatin1String("oldBackups"))
        QCOMPARE(::chown(QFile::encodeName(m_dir->path()).constData(), kNobody, kNobody), 0);
    const Snapshot before = Take(m_path);

    const QString result = BackUpAsUser(m_path, QDate(2003, 5, 12), 2);
    QVERIFY(QFile::setPermissions(m_dir->path(), all));
    if (QFileInfo(m_folder).isDir())
        QVERIFY(QFile::setPermissions(m_folder, all | QFile::WriteGroup | QFile::WriteOther));
    const QStringList lines = result.split(QLatin1Char('\n'));
    QVERIFY2(lines.size() > 1, qPrintable(result));
    if (fault == QLatin1String("oldBackups")) {
        // The backup is made; the two old ones that should go are named with the reason.
        QCOMPARE(lines.first().toInt(), int(BackupOutcome::Created));
        QCOMPARE(lines.mid(1),
                 (QStringList{kPruneFailed,
                              m_folder + QStringLiteral("/Murel1-20030502.Dat: ") + kDenied,
                              m_folder + QStringLiteral("/Murel1-20030501.Dat: ") + kDenied}));
        QCOMPARE(ReadBytes(m_folder + QStringLiteral("/Murel1-20030512.Dat")),
                 QByteArray("20030511,1,100,0,0,\r\n"));
    } else {
        QCOMPARE(lines.first().toInt(), int(BackupOutcome::Failed));
        const QString where = fault == QLatin1String("dataFile") ? m_path : m_folder;
        QCOMPARE(lines.mid(1), (QStringList{kFailed, where + ": " + kDenied, kSaveGoesOn}));
        QCOMPARE(Listing(m_folder), QStringList());
    }
    QVERIFY(Take(m_path) == before);
}

void TestDailyBackup::failureReportedOncePerStreak()
{
    QVERIFY(WriteBytes(m_path, "one"));
    QVERIFY(WriteBytes(m_folder, "in the way"));
    CDailyBackup backup(m_path);
    const QDate day(2003, 5, 12);
    QVERIFY(backup.BeforeSave(day).startsWith(kFailed));
    QCOMPARE(backup.BeforeSave(day), QString()); // tried again, not told again
    QCOMPARE(backup.BeforeSave(day.addDays(1)), QString());

    // Once the obstacle is gone the next save makes the backup it could not make before.
    QVERIFY(QFile::remove(m_folder));
    QVERIFY(WriteBytes(m_path, "two"));
    QCOMPARE(backup.BeforeSave(day.addDays(1)), QString());
    QCOMPARE(Listing(m_folder), QStringList{QStringLiteral("Murel1-20030513.Dat")});
    QCOMPARE(ReadBytes(m_folder + QStringLiteral("/Murel1-20030513.Dat")), QByteArray("two"));

    // A new failure after a success is news again.
    QVERIFY(QDir(m_folder).removeRecursively());
    QVERIFY(WriteBytes(m_folder, "in the way"));
    QVERIFY(backup.BeforeSave(day.addDays(2)).startsWith(kFailed));
    QCOMPARE(backup.BeforeSave(day.addDays(2)), QString());
}

void TestDailyBackup::handledDayIsNotCopiedAgain()
{
    // First start: no data file, so nothing to copy; the save then creates it. A copy taken at
    // a later save that day would hold that save, not the state before it.
    CDailyBackup backup(m_path);
    const QDate day(2003, 5, 12);
    QCOMPARE(backup.BeforeSave(day), QString());
    QVERIFY(WriteBytes(m_path, "after the first save"));
    QCOMPARE(backup.BeforeSave(day), QString());
    QVERIFY(!QFileInfo::exists(m_folder));

    QCOMPARE(backup.BeforeSave(day.addDays(1)), QString());
    QVERIFY(WriteBytes(m_path, "after the next day's save"));
    QCOMPARE(backup.BeforeSave(day.addDays(1)), QString());
    QCOMPARE(ReadBytes(m_folder + QStringLiteral("/Murel1-20030513.Dat")),
             QByteArray("after the first save"));

    // Another run the same day finds today's copy and leaves it.
    CDailyBackup nextRun(m_path);
    QCOMPARE(nextRun.BeforeSave(day.addDays(1)), QString());
    QCOMPARE(ReadBytes(m_folder + QStringLiteral("/Murel1-20030513.Dat")),
             QByteArray("after the first save"));
    QCOMPARE(Listing(m_folder), QStringList{QStringLiteral("Murel1-20030513.Dat")});
}

void TestDailyBackup::futureNamesNeverCounted()
{
    // Nine names dated far ahead: not ours, never counted, never removed.
    QVERIFY(QDir().mkpath(m_folder));
    QStringList future;
    for (int month = 1; month <= 9; ++month) {
        future << QStringLiteral("Murel1-2099%1").arg(month, 2, 10, QChar('0')) + "01.Dat";
        QVERIFY(WriteBytes(m_folder + '/' + future.last(), "future"));
    }
    QVERIFY(WriteBytes(m_path, "data"));
    QStringList made;
    for (int i = 0; i < 12; ++i) {
        const BackupOutcome outcome = BackUpDataFile(m_path, QDate(2003, 5, 1).addDays(i));
        QCOMPARE(outcome.status, BackupOutcome::Created);
        made << QFileInfo(outcome.path).fileName();
    }
    QStringList expected = made.mid(2) + future;
    expected.sort();
    QCOMPARE(Listing(m_folder), expected);
}

void TestDailyBackup::longNamesFit_data()
{
    QTest::addColumn<QString>("name");
    for (const int length : {240, 246, 247, 248, 249, 250, 255})
        QTest::addRow("%d bytes", length) << QString(length - 4, QLatin1Char('m')) + ".Dat";
    QTest::newRow("255 bytes, no suffix") << QString(255, QLatin1Char('n'));
    QTest::newRow("a long suffix") << QStringLiteral("a.") + QString(253, QLatin1Char('s'));
    QTest::newRow("kanji, 252 bytes") << QString(84, QChar(0x65E5)) + QString();
}

void TestDailyBackup::longNamesFit()
{
    QFETCH(QString, name);
    const QString path = m_dir->filePath(name);
    QVERIFY(WriteBytes(path, "x\r\n"));
    const QDate day(2003, 5, 12);
    const BackupOutcome outcome = BackUpDataFile(path, day);
    QCOMPARE(outcome.status, BackupOutcome::Created);
    QCOMPARE(outcome.message, QString());
    const QString folder = BackupFolderPath(path);
    const QString backup = BackupFileName(path, day);
    QVERIFY(QFile::encodeName(QFileInfo(folder).fileName()).size() <= 255);
    QVERIFY(QFile::encodeName(backup).size() <= 255);
    QCOMPARE(outcome.path, folder + '/' + backup);
    QCOMPARE(ReadBytes(outcome.path), QByteArray("x\r\n"));
    QCOMPARE(BackupNameDate(path, backup), day);
    // The database's copies and further ones fit too, and read back.
    for (const BackupKind kind : {BackupKind::DataFile, BackupKind::Database}) {
        const QString further = BackupFileName(path, day, kind, kMaxBackupNumber);
        QVERIFY(QFile::encodeName(further).size() <= 255);
        QCOMPARE(ParseBackupName(path, further).number, kMaxBackupNumber);
        QCOMPARE(ParseBackupName(path, further).kind, kind);
    }
    // The same names every time; another long name gets its own.
    QCOMPARE(BackupFileName(path, day), backup);
    const QString other
            = m_dir->filePath(name.left(name.size() - 5) + QStringLiteral("q") + name.right(4));
    QVERIFY(BackupFileName(other, day) != backup || BackupFolderPath(other) != folder);
    QCOMPARE(BackupNameDate(other, backup), QDate());
    // The next day's backup is kept beside it, the name's date read back.
    QCOMPARE(BackUpDataFile(path, day.addDays(1)).status, BackupOutcome::Created);
    QCOMPARE(Listing(folder).size(), 2);
}

void TestDailyBackup::droppedBackupIsTheLastOne()
{
    QVERIFY(WriteBytes(m_path, "one"));
    CDailyBackup backup(m_path);
    const QDate day(2003, 5, 12);
    QCOMPARE(backup.BeforeSave(day), QString());
    const QString made = backup.JustCreated();
    QCOMPARE(made, m_folder + QStringLiteral("/Murel1-20030512.Dat"));
    // Its room goes to the save: the copy goes, and says so.
    const QString told = backup.DropJustCreated();
    QCOMPARE(told.split('\n'),
             (QStringList{kFailed, made + QStringLiteral(": ディスクの空き容量が足りません。"),
                          kSaveGoesOn}));
    QVERIFY(!QFileInfo::exists(made));
    QCOMPARE(backup.DropJustCreated(), QString()); // nothing more to drop
    // No other copy that day: it would hold the day's save, not the state before it.
    QVERIFY(WriteBytes(m_path, "two"));
    QCOMPARE(backup.BeforeSave(day), QString());
    QCOMPARE(backup.JustCreated(), QString());
    QCOMPARE(Listing(m_folder), QStringList());
    // A backup found made earlier is no fresh one.
    QCOMPARE(backup.BeforeSave(day.addDays(1)), QString());
    CDailyBackup nextRun(m_path);
    QCOMPARE(nextRun.BeforeSave(day.addDays(1)), QString());
    QCOMPARE(nextRun.JustCreated(), QString());
    QCOMPARE(nextRun.DropJustCreated(), QString());
    QCOMPARE(Listing(m_folder), QStringList{QStringLiteral("Murel1-20030513.Dat")});
}

void TestDailyBackup::kindNames_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("database");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("backup");
    const auto row
            = [](const char *tag, const char *file, bool database, int number, const char *backup) {
                  QTest::newRow(tag) << QString::fromUtf8(file) << database << number
                                     << QString::fromUtf8(backup);
              };
    row("database", "Murel1.Dat", true, 1, "Murel1-20030512.db");
    row("further data file", "Murel1.Dat", false, 2, "Murel1-20030512-2.Dat");
    row("further database", "Murel1.Dat", true, 3, "Murel1-20030512-3.db");
    row("no suffix, database", "diary", true, 1, "diary-20030512.db");
    row("no suffix, further", "diary", false, 2, "diary-20030512-2");
    // A data file named like a database keeps its suffix for its own copies.
    row("data file .db, its copy", "x.db", false, 1, "x-20030512.db");
    row("data file .db, the database's", "x.db", true, 1, "x-20030512.db.db");
    row("data file .DB2, the database's", "x.DB2", true, 2, "x-20030512-2.DB2.db");
    row("too high", "Murel1.Dat", false, 10000, "");
}

void TestDailyBackup::kindNames()
{
    QFETCH(QString, file);
    QFETCH(bool, database);
    QFETCH(int, number);
    QFETCH(QString, backup);
    const QString path = m_dir->filePath(file);
    const QDate day(2003, 5, 12);
    const BackupKind kind = database ? BackupKind::Database : BackupKind::DataFile;
    QCOMPARE(BackupFileName(path, day, kind, number), backup);
    if (backup.isEmpty())
        return;
    const BackupName parsed = ParseBackupName(path, backup);
    QCOMPARE(parsed.day, day);
    QCOMPARE(parsed.kind, kind);
    QCOMPARE(parsed.number, number);
    // The two kinds never share a name.
    const BackupKind other = database ? BackupKind::DataFile : BackupKind::Database;
    QVERIFY(BackupFileName(path, day, other, number) != backup);
}

void TestDailyBackup::withDatabase_data()
{
    // Steps: "save D" (BeforeSave), "now D" (BackUpNow), "db on|off" (a database to copy or
    // not), "fail on" (its copy fails), "put NAME" (a file already in the folder), "drop" (the
    // copies just made give their room to the save, which fails all the same).
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("keep");
    QTest::addColumn<QString>("expected"); // the folder, by name
    QTest::newRow("the day's first save copies both")
            << "db on;save 20030512" << 10 << "Murel1-20030512.Dat,Murel1-20030512.db";
    QTest::newRow("no database, no copy") << "save 20030512" << 10 << "Murel1-20030512.Dat";
    QTest::newRow("a database made after the day's first save waits for the next day")
            << "save 20030512;db on;save 20030512;save 20030513" << 10
            << "Murel1-20030512.Dat,Murel1-20030513.Dat,Murel1-20030513.db";
    QTest::newRow("the data file's copy from an earlier run")
            << "put Murel1-20030512.Dat;db on;save 20030512" << 10
            << "Murel1-20030512.Dat,Murel1-20030512.db";
    QTest::newRow("now, after the day's copies: further names")
            << "db on;save 20030512;now 20030512;now 20030512" << 10
            << "Murel1-20030512-2.Dat,Murel1-20030512-2.db,Murel1-20030512-3.Dat,"
               "Murel1-20030512-3.db,Murel1-20030512.Dat,Murel1-20030512.db";
    QTest::newRow("now first: the day's names, and the save makes no other")
            << "db on;now 20030512;save 20030512" << 10 << "Murel1-20030512.Dat,Murel1-20030512.db";
    // The day's data file copy is from an earlier run; the database's copy made now holds the
    // state before the change that follows, and the save makes none after it.
    QTest::newRow("now, then the save: no copy of the changed database")
            << "put Murel1-20030512.Dat;db on;now 20030512;save 20030512" << 10
            << "Murel1-20030512-2.Dat,Murel1-20030512-2.db,Murel1-20030512.Dat";
    QTest::newRow("now skips a number either kind uses")
            << "db on;save 20030512;put Murel1-20030512-2.db;now 20030512" << 10
            << "Murel1-20030512-2.db,Murel1-20030512-3.Dat,Murel1-20030512-3.db,"
               "Murel1-20030512.Dat,Murel1-20030512.db";
    QTest::newRow("each kind keeps its newest")
            << "db on;save 20030510;save 20030511;db off;save 20030512;save 20030513" << 2
            << "Murel1-20030510.db,Murel1-20030511.db,Murel1-20030512.Dat,Murel1-20030513.Dat";
    QTest::newRow("further copies are their day's, newest by number")
            << "db on;save 20030510;save 20030511;now 20030511;now 20030511" << 3
            << "Murel1-20030511-2.Dat,Murel1-20030511-2.db,Murel1-20030511-3.Dat,"
               "Murel1-20030511-3.db,Murel1-20030511.Dat,Murel1-20030511.db";
    QTest::newRow("copies dated later are never counted")
            << "put Murel1-20990101.db;put Murel1-20990101-2.Dat;db on;save 20030510;"
               "save 20030511"
            << 1
            << "Murel1-20030511.Dat,Murel1-20030511.db,Murel1-20990101-2.Dat,"
               "Murel1-20990101.db";
    // A copy cut off by a crash leaves its temporary file: the next backup takes it away.
    QTest::newRow("a database copy's leftover goes")
            << "put .Murel1-20030511.db.AbC123.tmp;put .Murel1-20030511-2.db.x1Y2z3.tmp;db on;"
               "save 20030512"
            << 10 << "Murel1-20030512.Dat,Murel1-20030512.db";
    // The database may have changed since its dropped copy: none again that day.
    QTest::newRow("dropped copies: only the data file's is made again")
            << "db on;save 20030512;drop;save 20030512" << 10 << "Murel1-20030512.Dat";
    QTest::newRow("a failed copy is tried again at the next save")
            << "db on;fail on;save 20030512;fail off;save 20030512" << 10
            << "Murel1-20030512.Dat,Murel1-20030512.db";
    QTest::newRow("a failed copy fails the backup made now")
            << "db on;fail on;now 20030512" << 10 << "Murel1-20030512.Dat";
}

void TestDailyBackup::withDatabase()
{
    QFETCH(QString, steps);
    QFETCH(int, keep);
    QFETCH(QString, expected);
    QVERIFY(WriteBytes(m_path, "data"));
    bool database = false;
    bool failing = false;
    int copies = 0;
    CDailyBackup backup(m_path, keep);
    backup.SetDatabaseBackup({[&] { return database; },
                              [&](const QString &target) {
                                  if (failing)
                                      return QStringLiteral("the copy failed");
                                  if (QFileInfo::exists(target))
                                      return QStringLiteral("over another file");
                                  return WriteBytes(target, "db" + QByteArray::number(++copies))
                                          ? QString()
                                          : QStringLiteral("not written");
                              }});
    for (const QString &step : steps.split(QLatin1Char(';'))) {
        const QString what = step.section(QLatin1Char(' '), 0, 0);
        const QString arg = step.section(QLatin1Char(' '), 1);
        if (what == QLatin1String("db")) {
            database = arg == QLatin1String("on");
        } else if (what == QLatin1String("fail")) {
            failing = arg == QLatin1String("on");
        } else if (what == QLatin1String("drop")) {
            // The save that follows had no room: the copies just made go, and the day is to be
            // backed up again.
            QVERIFY(!backup.DropJustCreated().isEmpty());
            backup.BackUpDayAgain();
        } else if (what == QLatin1String("put")) {
            QVERIFY(QDir().mkpath(m_folder));
            QVERIFY(WriteBytes(m_folder + '/' + arg, "put"));
        } else if (what == QLatin1String("save")) {
            const QString told = backup.BeforeSave(Day(arg));
            if (failing)
                QCOMPARE(told, QStringLiteral("the copy failed\n") + kSaveGoesOn);
            else
                QCOMPARE(told, QString());
        } else {
            const BackupOutcome outcome = backup.BackUpNow(Day(arg));
            if (failing) {
                QCOMPARE(outcome.status, BackupOutcome::Failed);
                QCOMPARE(outcome.message, QStringLiteral("the copy failed\n") + kSaveGoesOn);
            } else {
                QCOMPARE(outcome.status, BackupOutcome::Created);
                QCOMPARE(outcome.message, QString());
                QCOMPARE(ReadBytes(outcome.path), QByteArray("data"));
                QCOMPARE(QFileInfo::exists(outcome.databasePath), database);
            }
        }
    }
    QCOMPARE(Listing(m_folder).join(QLatin1Char(',')), expected);
    // Nothing ever copied over another file, and the data file stays as it was.
    QCOMPARE(ReadBytes(m_path), QByteArray("data"));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("MUREL_BACKUP_CHILD"))
        return RunAsChild();
    TestDailyBackup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dailybackup.moc"
