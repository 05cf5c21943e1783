#include "common/Unprivileged.h"
#include "data/BookTestUtil.h"
#include "data/ResultBook.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace BookTest;

class TestDataFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void loadCreatesMissingFile();
    void reader_data();
    void reader();
    void handWrittenLines_data();
    void handWrittenLines();
    void nothingEnteredWritesNothing();
    void saveKeepsOtherYearsByteForByte();
    void sampleFileSavesUnchanged_data();
    void sampleFileSavesUnchanged();
    void loadPeriodRefusesUnsavedChanges();
    void loadPeriodWithoutChangesLeavesFileAlone();
    void destructorNeverSaves();
    void saveRecreatesVanishedFile();
    void failedSaveKeepsEverything_data();
    void failedSaveKeepsEverything();
    void readOnlyRefused_data();
    void readOnlyRefused();
    void saveKeepsOwnerAndMode();
    void longNamesSave_data();
    void longNamesSave();
    void saveStepsRunInOrder();
    void failedLoadIsNeverSavedOver();
    void unreadableFile();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    QStringList Entries() const
    {
        return QDir(m_dir->path())
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
};

void TestDataFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Murel1.Dat"));
}

void TestDataFile::loadCreatesMissingFile()
{
    CTestBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    QVERIFY(QFile::exists(m_path));
    QCOMPARE(QFileInfo(m_path).size(), 0);
    QCOMPARE(book.DayCount(), 151);
    QCOMPARE(Results(book), QByteArray());
    QVERIFY(book.LastError().isEmpty());
}

void TestDataFile::reader_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("results");

    // The period is 2003/01 to 2003/05.
    QTest::newRow("as written") << QByteArray(
            "20030512,0,-5000,10000,15000,\r\n20030513,1,3000,0,0,\r\n")
                                << QByteArray("20030512:0:-50:100:150 20030513:1:30:0:0");
    QTest::newRow("LF line ends") << QByteArray(
            "20030512,0,-5000,10000,15000,\n20030513,1,3000,0,0,\n")
                                  << QByteArray("20030512:0:-50:100:150 20030513:1:30:0:0");
    QTest::newRow("no line end at the end")
            << QByteArray("20030513,1,3000,0,0,") << QByteArray("20030513:1:30:0:0");
    QTest::newRow("later duplicate wins")
            << QByteArray("20030101,0,100,200,100,\r\n20030101,1,-700,0,0,\r\n")
            << QByteArray("20030101:1:-7:0:0");
    // A field ends at a comma or at the end of the line; missing fields read 0.
    QTest::newRow("missing final comma")
            << QByteArray("20030102,0,500,500,500\r\n") << QByteArray("20030102:0:5:5:5");
    QTest::newRow("fields ended by the line's end")
            << QByteArray("20030115,1,-7000\r\n20030111,0,12000,30000,18000\n20030116,1")
            << QByteArray("20030111:0:120:300:180 20030115:1:-70:0:0 20030116:1:0:0:0");
    QTest::newRow("hundreds truncated toward zero")
            << QByteArray("20030512,0,-150,150,300,\r\n") << QByteArray("20030512:0:-1:1:3");
    QTest::newRow("out of order taken") << QByteArray(
            "20030110,0,100,100,0,\r\n20030105,0,200,200,0,\r\n20030111,0,300,300,0,\r\n")
                                        << QByteArray("20030105:0:2:2:0 20030110:0:1:1:0 "
                                                      "20030111:0:3:3:0");
    QTest::newRow("outside the period") << QByteArray(
            "20021231,0,100,100,0,\r\n20030201,0,200,200,0,\r\n20030601,0,300,300,0,\r\n")
                                        << QByteArray("20030201:0:2:2:0");
    QTest::newRow("garbage and empty lines")
            << QByteArray("xyz,1,2,3,4,\r\n\r\n\n,0,100,100,100,\r\n20030103,0,100,100,100,\r\n")
            << QByteArray("20030103:0:1:1:1");
    QTest::newRow("behind the fifth comma ignored")
            << QByteArray("20030103,0,100,200,300,999,abc\r\n") << QByteArray("20030103:0:1:2:3");
    QTest::newRow("entry method -1 is no result")
            << QByteArray("20030103,-1,100,100,100,\r\n") << QByteArray();
    QTest::newRow("other entry methods kept")
            << QByteArray("20030103,7,100,100,100,\r\n") << QByteArray("20030103:7:1:1:1");
    QTest::newRow("conversion rules")
            << QByteArray(" 20030104, +1, -200,0x10,1234abc,\r\n20030105,\t-0,- 5,+-5,00300,\r\n")
            << QByteArray("20030104:1:-2:0:12 20030105:0:0:0:3");
    QTest::newRow("overflow saturates")
            << QByteArray("20030105,0,99999999999,-99999999999,2147483647,\r\n")
            << QByteArray("20030105:0:21474836:-21474836:21474836");
    QTest::newRow("date and comma only")
            << QByteArray("20030106,\r\n") << QByteArray("20030106:0:0:0:0");
    QTest::newRow("no comma at all: the date alone")
            << QByteArray("20030107\r\n20030108,1,100,0,0,\r\n")
            << QByteArray("20030107:0:0:0:0 20030108:1:1:0:0");
    QTest::newRow("a date after the period does not end the reading")
            << QByteArray("99999999999,0,1,1,1,\r\n20030108,0,100,100,100,\r\n")
            << QByteArray("20030108:0:1:1:1");
    QTest::newRow("lone CR inside a line")
            << QByteArray("20030109,0,\r100,200,300,\r\n") << QByteArray("20030109:0:1:2:3");
    QTest::newRow("line longer than the read buffer")
            << QByteArray("20030109,0," + QByteArray(200000, ' ')
                          + "500,600,700,\r\n20030110,1,100,0,0,\r\n")
            << QByteArray("20030109:0:5:6:7 20030110:1:1:0:0");
    QTest::newRow("long garbage line dated after the period")
            << QByteArray(QByteArray(150000, '7') + ",0,1,\r\n20030110,1,100,0,0,\r\n")
            << QByteArray("20030110:1:1:0:0");
}

void TestDataFile::reader()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, results);
    WriteBytes(m_path, file);
    CTestBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    QCOMPARE(Results(book), results);
    QVERIFY(book.LastError().isEmpty());
    QCOMPARE(ReadBytes(m_path), file); // reading never changes the file
}

void TestDataFile::handWrittenLines_data()
{
    QTest::addColumn<QByteArray>("line"); // written by hand, before a line 20030101,1,100,0,0,
    QTest::addColumn<QByteArray>("read"); // the period's days with a result, before the save
    QTest::addColumn<int>("entered"); // the day given a balance of 5; 20030520: another day
    QTest::addColumn<QByteArray>("saved");

    // The period is 2003/01 to 2003/05. The line of a day that is not entered keeps its bytes
    // (with CR LF); an entered day's line becomes the line the program writes.
    const QByteArray other = "20030101,1,100,0,0,\r\n";
    const QByteArray otherRead = "20030101:1:1:0:0";
    const QByteArray typed = "20030520,1,500,0,0,\r\n";
    const auto row
            = [&](const char *tag, const QByteArray &line, const QByteArray &read, int date) {
                  const QByteArray both = read.isEmpty()          ? otherRead
                          : QByteArray::number(date) < "20030101" ? read + ' ' + otherRead
                                                                  : otherRead + ' ' + read;
                  QTest::addRow("%s, untouched", tag)
                          << line << both << 20030520 << QByteArray(line + "\r\n" + other + typed);
                  if (date != 0)
                      QTest::addRow("%s, entered", tag)
                              << line << both << date
                              << QByteArray(QByteArray::number(date) + ",1,500,0,0,\r\n" + other);
              };
    row("no final comma", "20030111,0,12000,30000,18000", "20030111:0:120:300:180", 20030111);
    row("fewer fields", "20030115,1,-7000", "20030115:1:-70:0:0", 20030115);
    row("a memo after the fifth comma", "20030112,0,100,200,300,memo, 2 commas", "20030112:0:1:2:3",
        20030112);
    row("not an integer", "20030113,0,1.2e4,12000,0,", "20030113:0:0:120:0", 20030113);
    row("beyond 32 bits", "20030114,1,99999999999,0,0,", "20030114:1:21474836:0:0", 20030114);
    row("a plus sign", "+20030514,1,300,0,0,", "20030514:1:3:0:0", 20030514);
    row("a leading zero", "020030513,1,300,0,0,", "20030513:1:3:0:0", 20030513);
    row("a blank behind the date", "20030516 ,1,300,0,0,", "20030516:1:3:0:0", 20030516);
    row("a date alone", "20030517", "20030517:0:0:0:0", 20030517);
    row("hundreds lost", "20030512,0,-150,150,300,", "20030512:0:-1:1:3", 20030512);
    row("junk", "memo: \xE6\x97\xA5\xE8\xA8\x98", "", 0);
    row("an empty line", "", "", 0);
    row("no result", "20030103,-1,100,100,100,", "", 20030103);
    // A date past every day: a new day goes before it.
    QTest::newRow("a date beyond 32 bits, untouched")
            << QByteArray("99999999999,0,1,1,1,") << otherRead << 20030520
            << QByteArray(typed + "99999999999,0,1,1,1,\r\n" + other);
    // Out of order and duplicated: the day's last line is replaced, its others go.
    QTest::newRow("a duplicate before the day's last line, untouched")
            << QByteArray("20030101,0,500,500,0,\n") << otherRead << 20030520
            << QByteArray("20030101,0,500,500,0,\r\n\r\n" + other + typed);
    QTest::newRow("a duplicate before the day's last line, entered")
            << QByteArray("20030101,0,500,500,0,") << otherRead << 20030101
            << QByteArray("20030101,1,500,0,0,\r\n");
    QTest::newRow("a later day before an earlier one, entered")
            << QByteArray("20030301,0,500,500,0,") << QByteArray(otherRead + " 20030301:0:5:5:0")
            << 20030301 << QByteArray("20030301,1,500,0,0,\r\n" + other);
}

void TestDataFile::handWrittenLines()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, read);
    QFETCH(int, entered);
    QFETCH(QByteArray, saved);
    WriteBytes(m_path, line + "\r\n20030101,1,100,0,0,\r\n");
    CTestBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    QCOMPARE(Results(book), read);
    QVERIFY(book.EnterDay(entered, EntryMethod::Balance, 0, 0, 5));
    QVERIFY(book.Save());
    QVERIFY(book.LastError().isEmpty());
    QCOMPARE(book.IsModified(), false);
    QCOMPARE(ReadBytes(m_path), saved);
    QCOMPARE(Entries(), QStringList{QStringLiteral("Murel1.Dat")});
    // What the file holds now reads as the book holds it.
    CTestBook again(m_path);
    QVERIFY(again.LoadPeriod(200305, 1, 0));
    QCOMPARE(Results(again), Results(book));
}

void TestDataFile::nothingEnteredWritesNothing()
{
    // Lines in LF, out of order, duplicated: with nothing entered, a save leaves them all alone.
    const QByteArray file = "20030102,0,100,100,0,\njunk\n20030101,1,-700,0,0,\n20030101,0,1,1,0,";
    WriteBytes(m_path, file);
    const QDateTime modified = QFileInfo(m_path).lastModified();
    CTestBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    QVERIFY(book.Save());
    QCOMPARE(ReadBytes(m_path), file);
    QCOMPARE(QFileInfo(m_path).lastModified(), modified);
}

void TestDataFile::saveKeepsOtherYearsByteForByte()
{
    const QByteArray head = "20010105,0,100,300,200,\r\n20011231,1,-500,0,0,\n garbage line\r\n";
    const QByteArray period
            = "20020101,0,1000,1000,0,\r\n20020615,0,-300,0,300,\r\n20021231,1,700,0,0,\r\n";
    const QByteArray tail = "20030101,0,1,1,0,\r\n20030102,0,2,2,0,\n20030103,0,3,3,0,";
    WriteBytes(m_path, head + period + tail);

    CTestBook book(m_path);
    QVERIFY(book.LoadPeriod(200212, 1, 1)); // 2002/01 .. 2002/12
    QCOMPARE(Results(book), QByteArray("20020101:0:10:10:0 20020615:0:-3:0:3 20021231:1:7:0:0"));
    SetDay(book, 20020615, -1, 0, 0, 0); // cleared: loses its line
    SetDay(book, 20020301, 0, 50, 30, 20); // new
    SetDay(book, 20021231, 1, 0, 0, -42); // changed
    QCOMPARE(book.Day(book.DayCount() - 1).periodBalance, 10 + 20 - 42);
    QVERIFY(book.Save());
    QCOMPARE(ReadBytes(m_path),
             QByteArray("20010105,0,100,300,200,\r\n20011231,1,-500,0,0,\r\n garbage line\r\n"
                        "20020101,0,1000,1000,0,\r\n20020301,0,2000,5000,3000,\r\n20021231,1,-4200,"
                        "0,0,\r\n"
                        "20030101,0,1,1,0,\r\n20030102,0,2,2,0,\r\n20030103,0,3,3,0,\r\n"));
    // The file holds every change now: nothing is left to save.
    QCOMPARE(book.IsModified(), false);
}

void TestDataFile::sampleFileSavesUnchanged_data()
{
    QTest::addColumn<int>("endMonth");
    QTest::addColumn<int>("january");
    QTest::addColumn<int>("back");
    QTest::addColumn<int>("days");
    QTest::newRow("first year") << 202312 << 1 << 1 << 124;
    QTest::newRow("middle, rolling") << 202506 << 0 << 0 << 0;
    QTest::newRow("last, January basis") << 202612 << 1 << 0 << 125;
    QTest::newRow("after the file") << 203012 << 1 << 0 << 0;
}

void TestDataFile::sampleFileSavesUnchanged()
{
    QFETCH(int, endMonth);
    QFETCH(int, january);
    QFETCH(int, back);
    QFETCH(int, days);
    const QByteArray sample = ReadBytes(QStringLiteral(MUREL_SAMPLE_FILE));
    QVERIFY(sample.size() > 10000);
    WriteBytes(m_path, sample);
    CTestBook book(m_path);
    QVERIFY(book.LoadPeriod(endMonth, january, back));
    if (days > 0)
        QCOMPARE(Results(book).count(' ') + 1, days);
    // Every day of the period entered again as it stands: the canonical file keeps every byte.
    book.SetModified();
    QVERIFY(book.Save());
    QCOMPARE(ReadBytes(m_path), sample);
}

void TestDataFile::loadPeriodRefusesUnsavedChanges()
{
    const QByteArray file = "20020105,0,100,300,200,\r\n20030105,1,700,0,0,\r\n";
    WriteBytes(m_path, file);
    CTestBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    SetDay(book, 20030105, 0, 9, 4, 5);
    // Whoever replaces the period saves it first (with the day's backup): the book never drops
    // a change, nor saves it on its own.
    QVERIFY(!book.LoadPeriod(200212, 1, 1));
    QVERIFY(!book.LastError().isEmpty());
    QCOMPARE(book.IsModified(), true);
    QCOMPARE(book.MonthCount(), 5);
    QCOMPARE(book.Day(book.IndexOf(20030105)).balance, 5);
    QCOMPARE(ReadBytes(m_path), file);
    QVERIFY(book.Save());
    QVERIFY(book.LoadPeriod(200212, 1, 1));
    QCOMPARE(Results(book), QByteArray("20020105:0:1:3:2"));
    QCOMPARE(ReadBytes(m_path),
             QByteArray("20020105,0,100,300,200,\r\n20030105,0,500,900,400,\r\n"));
}

void TestDataFile::loadPeriodWithoutChangesLeavesFileAlone()
{
    const QByteArray file = "20030105,0,150,300,200\n";
    WriteBytes(m_path, file);
    CTestBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    book.RawDay(0).balance = 99; // changed without being marked modified: not saved
    QVERIFY(book.LoadPeriod(200305, 0, 0));
    QCOMPARE(ReadBytes(m_path), file);
    QCOMPARE(Entries(), QStringList{QStringLiteral("Murel1.Dat")});
}

void TestDataFile::destructorNeverSaves()
{
    // Whoever closes decides about unsaved changes; the book going away writes nothing.
    WriteBytes(m_path, "20030105,1,700,0,0,\n");
    {
        CTestBook book(m_path);
        QVERIFY(book.LoadPeriod(200305, 1, 0));
        SetDay(book, 20030105, 1, 0, 0, 3);
        QVERIFY(book.IsModified());
    }
    QCOMPARE(ReadBytes(m_path), QByteArray("20030105,1,700,0,0,\n"));
    QCOMPARE(Entries(), QStringList{QStringLiteral("Murel1.Dat")});
}

void TestDataFile::saveRecreatesVanishedFile()
{
    WriteBytes(m_path, "20020105,0,100,300,200,\r\n");
    CTestBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    QVERIFY(QFile::remove(m_path));
    SetDay(book, 20030301, 0, 5, 2, 3);
    QVERIFY(book.Save());
    QCOMPARE(ReadBytes(m_path), QByteArray("20030301,0,300,500,200,\r\n"));
    QVERIFY(book.FoundChangedElsewhere()); // it had gone
    SetDay(book, 20030302, 1, 0, 0, -1);
    QVERIFY(QFile::remove(m_path));
    QVERIFY(book.Save());
    QCOMPARE(ReadBytes(m_path), QByteArray("20030302,1,-100,0,0,\r\n"));
    QCOMPARE(book.Day(book.IndexOf(20030301)).entryMethod, EntryMethod::None); // read back
}

void TestDataFile::failedSaveKeepsEverything_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason"); // the second line's reason
    const QString noSpace = QStringLiteral("ディスクの空き容量が足りません。");
    QTest::newRow("read fails part-way")
            << QStringLiteral("read") << QStringLiteral("入出力エラーが発生しました。");
    QTest::newRow("short write, then no space") << QStringLiteral("write") << noSpace;
    QTest::newRow("write fails at once, quota") << QStringLiteral("write0") << noSpace;
    QTest::newRow("short write reported as whole")
            << QStringLiteral("lie")
            << QStringLiteral("一時ファイルが書き込んだ内容と合いません（%1 / %2 バイト）。");
    QTest::newRow("flush fails") << QStringLiteral("flush") << noSpace;
    QTest::newRow("sync fails") << QStringLiteral("sync")
                                << QStringLiteral("入出力エラーが発生しました。");
    QTest::newRow("rename fails") << QStringLiteral("commit")
                                  << QString::fromLocal8Bit(std::strerror(EXDEV));
    QTest::newRow("rename onto a directory")
            << QStringLiteral("renamedir") << QStringLiteral("同じ名前のフォルダーがあります。");
    QTest::newRow("data file is a directory")
            << QStringLiteral("directory") << QStringLiteral("同じ名前のフォルダーがあります。");
}

void TestDataFile::failedSaveKeepsEverything()
{
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    QByteArray old;
    for (int year = 1990; year < 2010; ++year)
        for (int day = 1; day <= 28; ++day)
            old += QByteArray::number(year * 10000 + 300 + day) + ",0,1000,3000,2000,\r\n";
    WriteBytes(m_path, old);
    const QStringList entries = Entries();

    FaultyBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    SetDay(book, 20030315, 0, 80, 50, 30);
    const int changed = book.IndexOf(20030315);

    if (fault == QLatin1String("read")) {
        book.readLimit = old.size() / 2;
        book.readErrno = EIO;
    } else if (fault == QLatin1String("write")) {
        book.writeLimit = old.size() / 2;
        book.writeErrno = ENOSPC;
    } else if (fault == QLatin1String("write0")) {
        book.writeLimit = 0;
        book.writeErrno = EDQUOT;
    } else if (fault == QLatin1String("lie")) {
        book.lieAfter = old.size() / 2;
        reason = reason.arg(old.size() / 2).arg(old.size());
    } else if (fault == QLatin1String("flush")) {
        book.flushErrno = ENOSPC;
    } else if (fault == QLatin1String("sync")) {
        book.syncErrno = EIO;
    } else if (fault == QLatin1String("commit")) {
        book.commitErrno = EXDEV;
    }
    QString hidden;
    auto putDirectoryInPlace = [&] {
        // The data file turns into a directory meanwhile; the real file waits aside.
        hidden = m_dir->filePath(QStringLiteral("aside"));
        QVERIFY(QFile::rename(m_path, hidden));
        QVERIFY(QDir().mkdir(m_path));
        WriteBytes(m_path + QStringLiteral("/inside"), "x");
    };
    if (fault == QLatin1String("directory"))
        putDirectoryInPlace();
    else if (fault == QLatin1String("renamedir"))
        book.beforeCommit = putDirectoryInPlace; // after the new file is complete

    QVERIFY(!book.Save());
    QCOMPARE(book.LastError(), Expected(kSaveFailed, m_path, reason));
    // The period stays modified, with the change.
    QCOMPARE(book.IsModified(), true);
    QCOMPARE(book.DayCount(), 151);
    QCOMPARE(book.Day(changed).collected, 80);
    QCOMPARE(book.Day(changed).balance, 30);
    QCOMPARE(book.Day(changed).periodBalance, book.Day(changed - 1).periodBalance + 30);

    if (!hidden.isEmpty()) {
        QCOMPARE(Entries().size(), 2); // nothing left beside the directory and the real file
        QVERIFY(QDir(m_path).removeRecursively());
        QVERIFY(QFile::rename(hidden, m_path));
    }
    QCOMPARE(ReadBytes(m_path), old);
    QCOMPARE(Entries(), entries);

    // Once the fault is gone, the retry saves the change.
    book.readLimit = book.writeLimit = book.lieAfter = -1;
    book.flushErrno = book.syncErrno = book.commitErrno = 0;
    book.beforeCommit = nullptr;
    QVERIFY(book.Save());
    QVERIFY(book.LastError().isEmpty());
    const QByteArray saved = ReadBytes(m_path);
    QCOMPARE(saved.size(), old.size());
    QVERIFY(saved.contains("20030315,0,3000,8000,5000,\r\n20030316,0,1000,3000,2000,\r\n"));
}

void TestDataFile::readOnlyRefused_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("asRoot"); // held to the modes by the program, not the system
    for (const bool root : {false, true}) {
        if (root && !RunsAsRoot())
            continue; // that half needs root
        const char *who = root ? "root" : "user";
        QTest::addRow("%s, folder without write permission", who) << "folder" << root;
        QTest::addRow("%s, file without write permission", who) << "file" << root;
        QTest::addRow("%s, file of mode 0000", who) << "nothing" << root;
    }
}

// A file or folder without any write permission is never replaced: as an ordinary user the system
// says so, as root the program does. The start warning names the same reason.
void TestDataFile::readOnlyRefused()
{
    QFETCH(QString, fault);
    QFETCH(bool, asRoot);
    const auto check = [fault]() -> QString {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Murel1.Dat"));
        const QByteArray old = "20030105,1,700,0,0,\r\n";
        {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(old) != old.size())
                return QStringLiteral("cannot write the data file");
        }
        CTestBook book(path);
        if (!book.LoadPeriod(200305, 1, 0))
            return QStringLiteral("load failed: ") + book.LastError();
        const QByteArray folder = QFile::encodeName(dir.path());
        const QByteArray file = QFile::encodeName(path);
        if (fault == QLatin1String("folder"))
            ::chmod(folder.constData(), 0555);
        else
            ::chmod(file.constData(), fault == QLatin1String("file") ? 0444 : 0000);
        const QString warning = book.WritableProblem();
        const bool entered = book.EnterDay(20030106, EntryMethod::Balance, 0, 0, 2);
        const bool saved = book.Save();
        const QString error = book.LastError();
        ::chmod(folder.constData(), 0755);
        ::chmod(file.constData(), 0644);
        const QString expected
                = Expected(kSaveFailed, path, QStringLiteral("アクセス権がありません。"));
        if (!entered || saved)
            return QStringLiteral("saved over a read-only file");
        if (error != expected)
            return QStringLiteral("told: ") + error;
        if (!warning.endsWith(QStringLiteral(": アクセス権がありません。")))
            return QStringLiteral("warned: ") + warning;
        if (ReadBytes(path) != old
            || QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() != 1)
            return QStringLiteral("the folder changed");
        return QString();
    };
    QCOMPARE(asRoot ? check() : RunUnprivileged(check), QString());
}

// Root saving a user's file leaves it the user's, with its mode.
void TestDataFile::saveKeepsOwnerAndMode()
{
    if (!RunsAsRoot())
        QSKIP("giving a file to another user needs root");
    WriteBytes(m_path, "20030105,1,700,0,0,\r\n");
    const QByteArray file = QFile::encodeName(m_path);
    QCOMPARE(::chown(file.constData(), 65534, 65534), 0);
    QCOMPARE(::chmod(file.constData(), 0640), 0);
    CTestBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    QVERIFY(book.EnterDay(20030106, EntryMethod::Balance, 0, 0, 2));
    QVERIFY(book.Save());
    struct stat st;
    QCOMPARE(::stat(file.constData(), &st), 0);
    QCOMPARE(st.st_uid, uid_t(65534));
    QCOMPARE(st.st_gid, gid_t(65534));
    QCOMPARE(st.st_mode & 07777, mode_t(0640));
    QCOMPARE(ReadBytes(m_path), QByteArray("20030105,1,700,0,0,\r\n20030106,1,200,0,0,\r\n"));
}

void TestDataFile::longNamesSave_data()
{
    QTest::addColumn<int>("length"); // bytes of the data file's name
    QTest::addColumn<QString>("stem");
    for (const int length : {200, 240, 249, 250, 255})
        QTest::addRow("%d bytes", length) << length << QStringLiteral("m");
    // Three bytes a character: the name may not be cut inside one.
    QTest::newRow("255 bytes of kanji and ASCII") << 255 << QStringLiteral("日");
}

void TestDataFile::longNamesSave()
{
    QFETCH(int, length);
    QFETCH(QString, stem);
    QString name;
    while (QFile::encodeName(name + stem).size() + 4 <= length)
        name += stem;
    name += QString(length - 4 - QFile::encodeName(name).size(), QLatin1Char('x')) + ".Dat";
    QCOMPARE(QFile::encodeName(name).size(), length);
    m_path = m_dir->filePath(name);
    WriteBytes(m_path, "20030105,1,700,0,0,\r\n");
    CTestBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    QCOMPARE(book.WritableProblem(), QString());
    QVERIFY(book.EnterDay(20030106, EntryMethod::Balance, 0, 0, 2));
    QVERIFY2(book.Save(), qPrintable(book.LastError()));
    QCOMPARE(ReadBytes(m_path), QByteArray("20030105,1,700,0,0,\r\n20030106,1,200,0,0,\r\n"));
    QCOMPARE(Entries(), QStringList{name});
}

void TestDataFile::saveStepsRunInOrder()
{
    WriteBytes(m_path, "20030105,1,700,0,0,\r\n");
    FaultyBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    SetDay(book, 20030106, 1, 0, 0, 2);
    QVERIFY(book.Save());
    // Nothing replaces the data file before the new one is flushed and on the disk.
    QCOMPARE(book.steps, QStringList({"flush", "sync", "commit"}));
    book.steps.clear();
    book.writeLimit = 0;
    SetDay(book, 20030107, 1, 0, 0, 3);
    QVERIFY(!book.Save());
    QVERIFY(book.steps.isEmpty()); // a failed write stops before any later step
    book.writeLimit = -1;
    book.syncErrno = EIO;
    QVERIFY(!book.Save());
    QCOMPARE(book.steps, QStringList({"flush", "sync"}));
    QCOMPARE(ReadBytes(m_path), QByteArray("20030105,1,700,0,0,\r\n20030106,1,200,0,0,\r\n"));
}

void TestDataFile::failedLoadIsNeverSavedOver()
{
    QByteArray old;
    for (int day = 1; day <= 28; ++day)
        old += QByteArray::number(20030200 + day) + ",0,1000,3000,2000,\r\n";
    WriteBytes(m_path, old);
    {
        FaultyBook book(m_path);
        book.readLimit = 100; // a few lines, then the read fails
        QVERIFY(!book.LoadPeriod(200305, 1, 0));
        // The read failed without a reason of its own.
        QCOMPARE(book.LastError(), Expected(kLoadFailed, m_path, "原因が分かりません。"));
        QCOMPARE(book.DayCount(), 151); // laid out and partly read
        QVERIFY(!book.IsReadWhole());
        QCOMPARE(book.Day(31).entryMethod, EntryMethod::Amounts);
        QCOMPARE(book.Day(59).entryMethod, EntryMethod::None);
        // The sums of what was read are computed all the same.
        QCOMPARE(book.Day(31).periodBalance, 10);
        QCOMPARE(book.Day(book.DayCount() - 1).periodBalance,
                 10 * int(Results(book).count(' ') + 1));

        SetDay(book, 20030210, 1, 0, 0, 5);
        QVERIFY(!book.Save());
        QCOMPARE(book.LastError(),
                 Expected(kSaveFailed, m_path,
                          "読み込めなかった期間のため、ファイルを書き換えません。"));
        QCOMPARE(ReadBytes(m_path), old);
        QVERIFY(!book.LoadPeriod(200212, 1, 1));
        QCOMPARE(book.IsModified(), true);
    } // nor does the destructor save it
    QCOMPARE(ReadBytes(m_path), old);
    QCOMPARE(Entries(), QStringList{QStringLiteral("Murel1.Dat")});
}

void TestDataFile::unreadableFile()
{
    QCOMPARE(RunUnprivileged([] {
                 QTemporaryDir dir;
                 const QString path = dir.filePath(QStringLiteral("Murel1.Dat"));
                 const QByteArray old = "20030105,1,700,0,0,\r\n";
                 {
                     QFile file(path);
                     if (!file.open(QIODevice::WriteOnly) || file.write(old) != old.size())
                         return QStringLiteral("cannot write the data file");
                 }
                 CTestBook book(path);
                 if (!book.LoadPeriod(200305, 1, 0))
                     return QStringLiteral("load failed");
                 book.EnterDay(20030106, EntryMethod::Balance, 0, 0, 1);
                 QFile::setPermissions(path, QFile::WriteOwner);
                 const QString access = QStringLiteral("アクセス権がありません。");
                 if (book.Save() || book.LastError() != Expected(kSaveFailed, path, access))
                     return QStringLiteral("save: ") + book.LastError();
                 if (!book.IsModified())
                     return QStringLiteral("the change was dropped");
                 book.Clear();
                 if (book.LoadPeriod(200305, 1, 0)
                     || book.LastError() != Expected(kLoadFailed, path, access))
                     return QStringLiteral("load: ") + book.LastError();
                 QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
                 if (ReadBytes(path) != old)
                     return QStringLiteral("the file changed");
                 return QString();
             }),
             QString());
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
