// The one writer of files: what it refuses to replace, the temporary names it uses whatever the
// target's name, the leftovers of a killed program it removes, and what it keeps of the target.
#include "common/Unprivileged.h"
#include "data/DurableFile.h"
#include "data/FileProblem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size();
}

QStringList Listing(const QString &folder)
{
    return QDir(folder).entryList(
            QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

// Writes "new" over target through the writer; empty when it was refused, otherwise "written".
QString Replace(const QString &target, QString *reason = nullptr)
{
    CDurableFile file(target);
    const bool done = file.Open() && file.Write(QByteArray("new")) && file.Commit();
    if (reason)
        *reason = file.Reason();
    return done ? QStringLiteral("written") : QString();
}

} // namespace

class TestDurableFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void refusedTargets_data();
    void refusedTargets();
    void writes();
    void neverReplaces();
    void temporaryNames_data();
    void temporaryNames();
    void staleTemporaries_data();
    void staleTemporaries();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDurableFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestDurableFile::refusedTargets_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    const QString notRegular = FileProblem::NotRegularFile();
    QTest::newRow("FIFO") << "fifo" << notRegular;
    QTest::newRow("a link to /dev/null") << "devnull" << notRegular;
    QTest::newRow("a character device of our own") << "device" << notRegular;
    QTest::newRow("socket") << "socket" << notRegular;
    QTest::newRow("folder") << "folder" << FileProblem::Reason(EISDIR);
    QTest::newRow("a link to a folder") << "folderlink" << FileProblem::Reason(EISDIR);
}

// Nothing but a regular file is ever replaced: the target stays as it was, and no temporary file
// is left beside it.
void TestDurableFile::refusedTargets()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QString target = m_dir->filePath(QStringLiteral("Murel1.Dat"));
    const QByteArray name = QFile::encodeName(target);
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(name.constData(), 0644), 0);
    } else if (kind == QLatin1String("devnull")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), target));
    } else if (kind == QLatin1String("device")) {
        if (::mknod(name.constData(), S_IFCHR | 0644, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root; the link to /dev/null covers devices");
    } else if (kind == QLatin1String("socket")) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QVERIFY(size_t(name.size()) < sizeof address.sun_path);
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ::close(fd);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(target));
    } else {
        QVERIFY(QDir().mkdir(m_dir->filePath(QStringLiteral("folder"))));
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("folder")), target));
    }
    const QStringList before = Listing(m_dir->path());
    struct stat old;
    QCOMPARE(::lstat(name.constData(), &old), 0);

    QString why;
    QCOMPARE(Replace(target, &why), QString());
    QCOMPARE(why, reason);
    QCOMPARE(Listing(m_dir->path()), before);
    struct stat now;
    QCOMPARE(::lstat(name.constData(), &now), 0);
    QCOMPARE(now.st_mode, old.st_mode);
    QCOMPARE(now.st_ino, old.st_ino);
    struct stat null;
    QCOMPARE(::stat("/dev/null", &null), 0);
    QVERIFY(S_ISCHR(null.st_mode));
}

void TestDurableFile::writes()
{
    // A link to a file: the file is replaced beside its target, and the link stays a link.
    const QString real = m_dir->filePath(QStringLiteral("real.Dat"));
    const QString link = m_dir->filePath(QStringLiteral("Murel1.Dat"));
    QVERIFY(WriteBytes(real, "old"));
    QVERIFY(QFile::link(real, link));
    CDurableFile file(link);
    QVERIFY(file.Open());
    QVERIFY(QFileInfo(file.TemporaryPath()).fileName().startsWith(QStringLiteral(".real.Dat.")));
    QVERIFY(file.Write(QByteArray("new content")));
    QCOMPARE(ReadBytes(real), QByteArray("old")); // untouched until committed
    QVERIFY(file.Commit());
    QCOMPARE(ReadBytes(real), QByteArray("new content"));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(Listing(m_dir->path()), (QStringList{"Murel1.Dat", "real.Dat"}));
    QVERIFY(file.Stamp().valid);
    QCOMPARE(file.Stamp(), FileStamp::OfPath(real));
    QCOMPARE(file.Stamp().size, qint64(11));

    // Dropped: nothing changes and nothing is left.
    {
        CDurableFile dropped(real);
        QVERIFY(dropped.Open());
        QVERIFY(dropped.Write(QByteArray("never")));
    }
    QCOMPARE(ReadBytes(real), QByteArray("new content"));
    QCOMPARE(Listing(m_dir->path()), (QStringList{"Murel1.Dat", "real.Dat"}));
}

void TestDurableFile::neverReplaces()
{
    const QString target = m_dir->filePath(QStringLiteral("backup.Dat"));
    CDurableFile first(target, CDurableFile::Replace::Never);
    QVERIFY(first.Open());
    QVERIFY(first.Write(QByteArray("first")));
    CDurableFile second(target, CDurableFile::Replace::Never);
    QVERIFY(second.Open());
    QVERIFY(second.Write(QByteArray("second")));
    QVERIFY(first.Commit());
    QVERIFY(!second.Commit()); // the name was taken meanwhile
    QCOMPARE(second.ErrorCode(), EEXIST);
    QCOMPARE(ReadBytes(target), QByteArray("first"));
    QCOMPARE(Listing(m_dir->path()), QStringList{"backup.Dat"});
}

void TestDurableFile::temporaryNames_data()
{
    QTest::addColumn<int>("length");
    for (const int length : {9, 200, 201, 249, 250, 255})
        QTest::addRow("%d bytes", length) << length;
}

// The temporary name fits whatever the target's name, is one of ours for that target only, and
// is the same pattern in every run.
void TestDurableFile::temporaryNames()
{
    QFETCH(int, length);
    const QString name = QString(length - 4, QLatin1Char('d')) + QStringLiteral(".Dat");
    const QString target = m_dir->filePath(name);
    QVERIFY(WriteBytes(target, "old"));
    CDurableFile file(target);
    QVERIFY2(file.Open(), qPrintable(file.Reason()));
    const QString temporary = QFileInfo(file.TemporaryPath()).fileName();
    QVERIFY(QFile::encodeName(temporary).size() <= 255);
    QVERIFY(CDurableFile::IsTemporaryName(target, temporary));
    QVERIFY(!CDurableFile::IsTemporaryName(m_dir->filePath("other.Dat"), temporary));
    QVERIFY(!CDurableFile::IsTemporaryName(target, name));
    QVERIFY(file.Write(QByteArray("new")));
    QVERIFY(file.Commit());
    QCOMPARE(ReadBytes(target), QByteArray("new"));
    QCOMPARE(Listing(m_dir->path()), QStringList{name});
}

void TestDurableFile::staleTemporaries_data()
{
    QTest::addColumn<QString>("name"); // made beside Murel1.Dat
    QTest::addColumn<QString>("kind"); // "file", "link" or "folder"
    QTest::addColumn<bool>("old"); // from before the time given
    QTest::addColumn<bool>("removed");

    QTest::newRow("ours, older") << ".Murel1.Dat.0a1b2c.tmp"
                                 << "file" << true << true;
    QTest::newRow("ours, newer: another save may be writing it") << ".Murel1.Dat.0a1b2c.tmp"
                                                                 << "file" << false << false;
    QTest::newRow("a link named like ours") << ".Murel1.Dat.0a1b2c.tmp"
                                            << "link" << true << false;
    QTest::newRow("a folder named like ours") << ".Murel1.Dat.0a1b2c.tmp"
                                              << "folder" << true << false;
    QTest::newRow("another file's") << ".Murel2.Dat.0a1b2c.tmp"
                                    << "file" << true << false;
    QTest::newRow("not hexadecimal") << ".Murel1.Dat.0a1b2z.tmp"
                                     << "file" << true << false;
    QTest::newRow("too short") << ".Murel1.Dat.0a1b2.tmp"
                               << "file" << true << false;
    QTest::newRow("another suffix") << ".Murel1.Dat.0a1b2c.bak"
                                    << "file" << true << false;
    QTest::newRow("not hidden") << "Murel1.Dat.0a1b2c.tmp"
                                << "file" << true << false;
    QTest::newRow("an older program's") << "Murel1.Dat.AbC123"
                                        << "file" << true << false;
}

void TestDurableFile::staleTemporaries()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(bool, old);
    QFETCH(bool, removed);
    const QString target = m_dir->filePath(QStringLiteral("Murel1.Dat"));
    QVERIFY(WriteBytes(target, "data"));
    const QString path = m_dir->filePath(name);
    const QString aside = m_dir->filePath(QStringLiteral("aside"));
    QVERIFY(WriteBytes(aside, "aside"));
    if (kind == QLatin1String("file"))
        QVERIFY(WriteBytes(path, "half a save"));
    else if (kind == QLatin1String("link"))
        QVERIFY(QFile::link(aside, path));
    else
        QVERIFY(QDir().mkdir(path));
    const qint64 made = QFileInfo(path).lastModified().toMSecsSinceEpoch();
    CDurableFile::RemoveStaleTemporaries(target, old ? made + 1000 : made - 1000);
    QCOMPARE(QFileInfo::exists(path) || QFileInfo(path).isSymLink(), !removed);
    QCOMPARE(ReadBytes(target), QByteArray("data"));
    QCOMPARE(ReadBytes(aside), QByteArray("aside"));
}

QTEST_GUILESS_MAIN(TestDurableFile)
#include "tst_durablefile.moc"
