// A save on a disk that runs out of space or fails to sync, with the system calls themselves
// failing (a preloaded shim makes them): the old data file stays byte for byte and the user is
// told.
#include "data/BookTestUtil.h"
#include "data/ResultBook.h"

#include <QTemporaryDir>
#include <QTest>

#include <dlfcn.h>

#include <cerrno>
#include <memory>

using namespace BookTest;

class TestDataFileEnospc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void fullDisk_data();
    void fullDisk();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestDataFileEnospc::initTestCase()
{
    if (!::dlsym(RTLD_DEFAULT, "murel_enospc_shim"))
        QSKIP("the failing-disk shim is not preloaded (it cannot be under the sanitizers)");
}

void TestDataFileEnospc::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Murel1.Dat"));
    qputenv("MUREL_SHIM_DIR", QFile::encodeName(m_dir->path()));
    qputenv("MUREL_SHIM_KEEP", "Murel1.Dat");
}

void TestDataFileEnospc::cleanup()
{
    qunsetenv("MUREL_SHIM_BUDGET");
    qunsetenv("MUREL_SHIM_SYNC");
    qunsetenv("MUREL_SHIM_DIR");
}

void TestDataFileEnospc::fullDisk_data()
{
    QTest::addColumn<int>("budget"); // bytes left on the disk for the new file; -1: plenty
    QTest::addColumn<int>("syncErrno");
    QTest::addColumn<QString>("reason"); // empty: the save succeeds
    const QString noSpace = QStringLiteral("ディスクの空き容量が足りません。");
    // The file below is 24 lines of 28 bytes; the save keeps its size.
    QTest::newRow("no space at all") << 0 << 0 << noSpace;
    QTest::newRow("space for a few lines") << 100 << 0 << noSpace;
    QTest::newRow("one byte short") << 24 * 28 - 1 << 0 << noSpace;
    QTest::newRow("sync fails") << -1 << EIO << QStringLiteral("入出力エラーが発生しました。");
    QTest::newRow("exactly enough space") << 24 * 28 << 0 << QString();
}

void TestDataFileEnospc::fullDisk()
{
    QFETCH(int, budget);
    QFETCH(int, syncErrno);
    QFETCH(QString, reason);

    QByteArray old;
    for (int month = 1; month <= 12; ++month)
        for (int year : {2002, 2003})
            old += QByteArray::number(year * 10000 + month * 100 + 10) + ",0,1000,3000,2000,\r\n";
    QCOMPARE(old.size(), 24 * 28);
    WriteBytes(m_path, old);
    CTestBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    SetDay(book, 20030410, 0, 80, 50, 30); // same length as the line it replaces

    qputenv("MUREL_SHIM_BUDGET", QByteArray::number(budget));
    qputenv("MUREL_SHIM_SYNC", QByteArray::number(syncErrno));
    const bool saved = book.Save();
    qunsetenv("MUREL_SHIM_BUDGET");
    qunsetenv("MUREL_SHIM_SYNC");

    const QStringList entries = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(entries, QStringList{QStringLiteral("Murel1.Dat")}); // no new file left behind
    if (reason.isEmpty()) {
        QVERIFY(saved);
        QVERIFY(ReadBytes(m_path).contains("20030410,0,3000,8000,5000,\r\n"));
        return;
    }
    QVERIFY(!saved);
    QCOMPARE(book.LastError(), Expected(kSaveFailed, m_path, reason));
    QCOMPARE(ReadBytes(m_path), old);
    QCOMPARE(book.IsModified(), 1);
    QCOMPARE(book.Day(book.IndexOf(20030410)).collected, 80);

    // With space again, the same book saves its change.
    QVERIFY(book.Save());
    const QByteArray now = ReadBytes(m_path);
    QCOMPARE(now.size(), old.size());
    QVERIFY(now.contains("20030410,0,3000,8000,5000,\r\n"));
}

QTEST_GUILESS_MAIN(TestDataFileEnospc)
#include "tst_datafile_enospc.moc"
