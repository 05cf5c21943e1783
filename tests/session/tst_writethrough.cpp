#include "common/Unprivileged.h"
#include "data/BookTestUtil.h"
#include "session/DiarySession.h"
#include "session/Messages.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>

#include <sys/mount.h>

// Each entered day on disk at once, through the atomic save, with the day's backup before it; what
// happens when that save fails, and who tries again; a period that could not be read whole; and
// the save that asks nothing.

namespace {

using BookTest::FaultyBook;
using BookTest::ReadBytes;

using Entries = QList<QPair<int, int>>; // date, balance

const QByteArray kOld = "20021231,1,300,0,0,\r\n20030105,1,700,0,0,\r\n20040101,0,100,200,100,\r\n";

// A session on a failing book over its own data file, started on the current period of
// 2003/05/12 (January basis); saves are dated by `saveDate`.
struct Diary
{
    QTemporaryDir dir;
    FaultyBook *book = nullptr; // owned by the session
    std::unique_ptr<CDiarySession> session;
    QDate saveDate{2003, 5, 12};

    explicit Diary(const QByteArray &file = kOld)
    {
        if (!file.isNull())
            BookTest::WriteBytes(path(), file);
        auto owned = std::make_unique<FaultyBook>(path());
        book = owned.get();
        session = std::make_unique<CDiarySession>(QDate(2003, 5, 12), std::move(owned), 1);
        session->SetClock([this] { return saveDate; });
        if (session->SelectPeriod(0) != PeriodOutcome::Loaded)
            qWarning("the current period did not load: %s", qPrintable(book->LastError()));
    }
    QString path() const { return dir.filePath(QStringLiteral("Murel1.Dat")); }
    QString backupDir() const { return path() + QStringLiteral(".backup"); }
    CDiarySession &s() { return *session; }
    QByteArray read() const { return ReadBytes(path()); }
    QStringList backups() const
    {
        return QDir(backupDir()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    bool enter(int date, int balance)
    {
        return book->EnterDay(date, EntryMethod::Balance, 0, 0, balance);
    }
    void fail(const QString &step, int error)
    {
        book->writeLimit = step == QLatin1String("write") ? 0 : -1;
        book->writeErrno = error;
        book->syncErrno = step == QLatin1String("sync") ? error : 0;
        book->commitErrno = step == QLatin1String("commit") ? error : 0;
    }
};

// What a save at close would write for the same days: a plain book on a copy of the old file.
QByteArray CloseTimeBytes(const QByteArray &old, const Entries &balances)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Murel1.Dat"));
    BookTest::WriteBytes(path, old);
    CResultBook book(path);
    if (!book.LoadPeriod(200305, 1, 0))
        return "<not loaded>";
    for (const auto &[date, balance] : balances)
        book.EnterDay(date, EntryMethod::Balance, 0, 0, balance);
    return book.Save() ? ReadBytes(path) : QByteArray("<not saved>");
}

} // namespace

class TestWriteThrough : public QObject
{
    Q_OBJECT

private slots:
    void savedBeforeDrawn_data();
    void savedBeforeDrawn();
    void failedSaveTriedAgain_data();
    void failedSaveTriedAgain();
    void dailyBackups_data();
    void dailyBackups();
    void failedBackupDoesNotStopTheSave_data();
    void failedBackupDoesNotStopTheSave();
    void unreadPeriod_data();
    void unreadPeriod();
    void unreadPeriodReadOnlyFolder();
    void saveWithoutQuestions_data();
    void saveWithoutQuestions();
    void otherProgramsEditsKept_data();
    void otherProgramsEditsKept();
    void noRoomForTheBackup_data();
    void noRoomForTheBackup();
    void nearlyFullDisk();
    void applyDays_data();
    void applyDays();
};

void TestWriteThrough::savedBeforeDrawn_data()
{
    QTest::addColumn<Entries>("entries"); // date, balance

    QTest::newRow("one day") << Entries{{20030512, 20}};
    QTest::newRow("a day, then one before it") << Entries{{20030512, 20}, {20030101, -7}};
    QTest::newRow("a day entered, then cleared") << Entries{{20030512, 20}, {20030512, 0}};
    QTest::newRow("a day read from the file, changed") << Entries{{20030105, 9}};
}

void TestWriteThrough::savedBeforeDrawn()
{
    QFETCH(Entries, entries);
    Diary d;
    // What the lists would draw must already be on disk when they hear of it.
    QList<QByteArray> onDiskWhenDrawn;
    connect(&d.s(), &CDiarySession::daysChanged, this, [&] { onDiskWhenDrawn.append(d.read()); });
    QSignalSpy waiting(&d.s(), &CDiarySession::reportsWaiting);

    Entries done;
    for (const auto &entry : entries) {
        QVERIFY(d.enter(entry.first, entry.second));
        done.append(entry);
        const QByteArray expected = CloseTimeBytes(kOld, done);
        QCOMPARE(d.read(), expected); // exactly the bytes of a save at close
        QCOMPARE(onDiskWhenDrawn.last(), expected);
        QVERIFY(!d.book->IsModified()); // closing and period changes find nothing to save
    }
    QCOMPARE(onDiskWhenDrawn.size(), entries.size());
    QCOMPARE(d.book->steps.count(QStringLiteral("commit")), entries.size());
    QVERIFY(waiting.isEmpty());
    QVERIFY(d.s().TakeReports().isEmpty());
    // Nothing to save at close, and no temporary file left beside the data file.
    const QByteArray written = d.read();
    QVERIFY(d.s().SaveForClose());
    QCOMPARE(d.read(), written);
    QCOMPARE(QDir(d.dir.path()).entryList(QDir::Files), QStringList{"Murel1.Dat"});
}

void TestWriteThrough::failedSaveTriedAgain_data()
{
    QTest::addColumn<QString>("step"); // the save step that fails
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("retry"); // what tries again once the fault is gone

    QTest::newRow("disk full, next entry") << "write" << ENOSPC << "entry";
    QTest::newRow("sync fails, period change") << "sync" << EIO << "period";
    QTest::newRow("rename refused, close") << "commit" << EACCES << "close";
    QTest::newRow("disk full, saved unasked") << "write" << ENOSPC << "unasked";
    QTest::newRow("sync fails, next entry") << "sync" << EIO << "entry";
}

void TestWriteThrough::failedSaveTriedAgain()
{
    QFETCH(QString, step);
    QFETCH(int, error);
    QFETCH(QString, retry);

    Diary d;
    QSignalSpy waiting(&d.s(), &CDiarySession::reportsWaiting);
    d.fail(step, error);
    QVERIFY(d.enter(20030512, 20));

    // The change stays in memory, the book modified, the file as it was; told once.
    QCOMPARE(d.read(), kOld);
    QVERIFY(d.book->IsModified());
    QCOMPARE(d.book->Day(d.book->IndexOf(20030512)).balance, 20);
    QVERIFY(d.book->LastError().startsWith(BookTest::kSaveFailed));
    QCOMPARE(waiting.size(), 1);
    const QStringList reports = d.s().TakeReports();
    QCOMPARE(reports, QStringList{d.book->LastError()});
    QVERIFY(d.s().TakeReports().isEmpty());

    d.fail(QString(), 0);
    const QByteArray both = CloseTimeBytes(kOld, {{20030512, 20}, {20030513, -4}});
    if (retry == QLatin1String("entry")) {
        QVERIFY(d.enter(20030513, -4));
        QCOMPARE(d.read(), both);
    } else if (retry == QLatin1String("period")) {
        QCOMPARE(d.s().SelectPeriod(1), PeriodOutcome::Loaded);
        QCOMPARE(d.read(), CloseTimeBytes(kOld, {{20030512, 20}}));
    } else if (retry == QLatin1String("close")) {
        QVERIFY(d.s().SaveForClose());
        QCOMPARE(d.read(), CloseTimeBytes(kOld, {{20030512, 20}}));
    } else {
        QStringList problems;
        QVERIFY(d.s().SaveWithoutQuestions(&problems));
        QVERIFY(problems.isEmpty());
        QCOMPARE(d.read(), CloseTimeBytes(kOld, {{20030512, 20}}));
    }
    QVERIFY(!d.book->IsModified());
    QVERIFY(d.s().TakeReports().isEmpty());
    QCOMPARE(waiting.size(), 1);
}

void TestWriteThrough::dailyBackups_data()
{
    QTest::addColumn<QList<QDate>>("saveDates"); // one entry saved on each
    QTest::addColumn<QStringList>("backups");

    const QDate may12(2003, 5, 12);
    QTest::newRow("first save of the day")
            << QList<QDate>{may12} << QStringList{"Murel1-20030512.Dat"};
    QTest::newRow("same day again")
            << QList<QDate>{may12, may12, may12} << QStringList{"Murel1-20030512.Dat"};
    QTest::newRow("the next day") << QList<QDate>{may12, may12.addDays(1)}
                                  << QStringList{"Murel1-20030512.Dat", "Murel1-20030513.Dat"};
    QList<QDate> twelve;
    QStringList newestTen;
    for (int k = 0; k < 12; ++k) {
        twelve.append(QDate(2003, 6, 1).addDays(k));
        if (k >= 2)
            newestTen.append(QStringLiteral("Murel1-200306%1.Dat").arg(k + 1, 2, 10, QChar('0')));
    }
    QTest::newRow("twelve days keep ten") << twelve << newestTen;
}

void TestWriteThrough::dailyBackups()
{
    QFETCH(QList<QDate>, saveDates);
    QFETCH(QStringList, backups);

    Diary d;
    QMap<QDate, QByteArray> beforeFirstSave;
    int balance = 1;
    for (const QDate &date : saveDates) {
        if (!beforeFirstSave.contains(date))
            beforeFirstSave.insert(date, d.read());
        d.saveDate = date;
        QVERIFY(d.enter(20030501 + balance % 28, balance));
        ++balance;
        QVERIFY(!d.book->IsModified());
    }
    QCOMPARE(d.backups(), backups);
    // Each backup is the file as it was before that day's first save.
    for (const QString &name : backups) {
        const QDate date = BackupNameDate(d.path(), name);
        QVERIFY(beforeFirstSave.contains(date));
        QCOMPARE(ReadBytes(QDir(d.backupDir()).filePath(name)), beforeFirstSave.value(date));
    }
    QVERIFY(d.s().TakeReports().isEmpty());
}

void TestWriteThrough::failedBackupDoesNotStopTheSave_data()
{
    QTest::addColumn<QString>("blocked"); // what stands in the way: "backups", "file" or both
    QTest::addColumn<bool>("saveFailsFirst");
    QTest::addColumn<QStringList>("firstReports"); // first lines, after the first entry
    QTest::addColumn<QStringList>("laterReports"); // after the second entry, the way cleared

    const QString backup = QStringLiteral("バックアップを作成できませんでした。");
    const QString save = BookTest::kSaveFailed;
    const QString reread = msg::FileChangedElsewhere();
    // The save goes on; the failed backup is told once, and not again that day.
    QTest::newRow("backup folder blocked")
            << "backups" << false << QStringList{backup} << QStringList{};
    // Beside a failed save of the same cause, only the save is told; once the file is back, the
    // backup is made after all. The file put back is another program's: read again, and said.
    QTest::newRow("a folder where the file was")
            << "file" << true << QStringList{save} << QStringList{reread};
    // A backup that still fails is told with the first save that works.
    QTest::newRow("backups blocked, and the save fails first")
            << "backups file" << true << QStringList{save} << QStringList{backup, reread};
}

void TestWriteThrough::failedBackupDoesNotStopTheSave()
{
    QFETCH(QString, blocked);
    QFETCH(bool, saveFailsFirst);
    QFETCH(QStringList, firstReports);
    QFETCH(QStringList, laterReports);

    Diary d;
    const auto firstLines = [](const QStringList &reports) {
        QStringList lines;
        for (const QString &report : reports)
            lines.append(report.section(QLatin1Char('\n'), 0, 0));
        return lines;
    };
    if (blocked.contains(QLatin1String("backups")))
        BookTest::WriteBytes(d.backupDir(), "a file where the backup folder goes");
    if (blocked.contains(QLatin1String("file"))) {
        QVERIFY(QFile::remove(d.path()));
        QVERIFY(QDir().mkdir(d.path()));
    }
    QVERIFY(d.enter(20030512, 20));
    QCOMPARE(d.book->IsModified(), saveFailsFirst);
    QCOMPARE(firstLines(d.s().TakeReports()), firstReports);
    if (!saveFailsFirst)
        QCOMPARE(d.read(), CloseTimeBytes(kOld, {{20030512, 20}}));

    if (blocked.contains(QLatin1String("file"))) {
        QVERIFY(QDir().rmdir(d.path()));
        BookTest::WriteBytes(d.path(), kOld);
    }
    QVERIFY(d.enter(20030513, 3));
    QVERIFY(!d.book->IsModified());
    QCOMPARE(d.read(), CloseTimeBytes(kOld, {{20030512, 20}, {20030513, 3}}));
    QCOMPARE(firstLines(d.s().TakeReports()), laterReports);
    const bool backupMade = !blocked.contains(QLatin1String("backups"));
    QCOMPARE(d.backups(), backupMade ? QStringList{"Murel1-20030512.Dat"} : QStringList{});
    if (backupMade)
        QCOMPARE(ReadBytes(d.backupDir() + QStringLiteral("/Murel1-20030512.Dat")), kOld);
    // Said once: a third save that day adds nothing.
    QVERIFY(d.enter(20030514, 1));
    QVERIFY(d.s().TakeReports().isEmpty());
}

void TestWriteThrough::unreadPeriod_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("canEnter");

    QTest::newRow("the read fails midway") << "midway" << false;
    QTest::newRow("a folder where the file was") << "folder" << false;
    QTest::newRow("the file's folder is gone") << "nofolder" << false;
}

void TestWriteThrough::unreadPeriod()
{
    QFETCH(QString, fault);
    QFETCH(bool, canEnter);

    QByteArray old;
    for (int day = 1; day <= 28; ++day)
        old += QByteArray::number(20020200 + day) + ",1,500,0,0,\r\n";
    Diary d(old);
    QVERIFY(d.s().SelectPeriod(1) == PeriodOutcome::Loaded);
    QSignalSpy closeEntry(&d.s(), &CDiarySession::entryCloseRequested);
    const QString folder = d.dir.filePath(QStringLiteral("gone"));
    if (fault == QLatin1String("midway")) {
        d.book->readLimit = 100;
    } else if (fault == QLatin1String("folder")) {
        QVERIFY(QFile::remove(d.path()));
        QVERIFY(QDir().mkdir(d.path()));
    }

    std::unique_ptr<CDiarySession> other;
    CDiarySession *s = &d.s();
    if (fault == QLatin1String("nofolder") || fault == QLatin1String("readonly")) {
        const QString path = (fault == QLatin1String("nofolder") ? folder : d.dir.path())
                + QStringLiteral("/other.Dat");
        if (fault == QLatin1String("readonly"))
            QVERIFY(QFile::setPermissions(d.dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        other = std::make_unique<CDiarySession>(QDate(2003, 5, 12),
                                                std::make_unique<CResultBook>(path), 1);
        connect(other.get(), &CDiarySession::entryCloseRequested, this,
                [&] { closeEntry.append(QList<QVariant>()); });
        s = other.get();
    }
    QCOMPARE(s->SelectPeriod(1), PeriodOutcome::ReadFailed);
    QFile::setPermissions(d.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(s->CanEnter(), canEnter);
    QCOMPARE(s->Book().IsReadWhole(), canEnter);
    QCOMPARE(closeEntry.size(), canEnter ? 0 : 1);
    QCOMPARE(s->Book().DayCount(), 365); // laid out all the same

    if (fault == QLatin1String("midway")) {
        // The lines read count, with their running sums; the file is never written over.
        const int read = int(BookTest::Results(*d.book).count(' ') + 1);
        QVERIFY(read > 0 && read < 28);
        QCOMPARE(d.book->Day(d.book->DayCount() - 1).periodBalance, 5 * read);
        QVERIFY(!d.enter(20020210, 1));
        QVERIFY(!d.book->IsModified());
        QCOMPARE(d.read(), old);
        // Trying again reads the whole period.
        d.book->readLimit = -1;
        QCOMPARE(d.s().SelectPeriod(1), PeriodOutcome::Loaded);
        QVERIFY(d.s().CanEnter());
        QCOMPARE(d.book->Day(d.book->DayCount() - 1).periodBalance, 5 * 28);
        QCOMPARE(d.read(), old);
    } else if (fault == QLatin1String("folder")) {
        QVERIFY(QDir().rmdir(d.path()));
        BookTest::WriteBytes(d.path(), old);
        QCOMPARE(d.s().SelectPeriod(1), PeriodOutcome::Loaded);
        QVERIFY(d.s().CanEnter());
        QCOMPARE(d.book->Day(d.book->DayCount() - 1).periodBalance, 5 * 28);
    }
}

void TestWriteThrough::saveWithoutQuestions_data()
{
    QTest::addColumn<bool>("pending"); // the daily input window holds a change
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("saved");

    QTest::newRow("pending change") << true << true << true;
    QTest::newRow("nothing pending") << false << true << true;
    QTest::newRow("pending, cannot save") << true << false << false;
    QTest::newRow("nothing pending, cannot save") << false << false << true;
}

void TestWriteThrough::saveWithoutQuestions()
{
    QFETCH(bool, pending);
    QFETCH(bool, writable);
    QFETCH(bool, saved);

    Diary d;
    int asked = 0;
    d.s().AttachEntry([&] {
        ++asked;
        return EntryAnswer::Cancelled;
    });
    // The window enters what it holds when told to, as it would on OK.
    connect(&d.s(), &CDiarySession::entryApplyRequested, this, [&] {
        if (pending)
            d.enter(20030512, 20);
        pending = false;
    });
    const bool hadPending = pending;
    if (!writable)
        d.fail(QStringLiteral("write"), EIO);
    QSignalSpy waiting(&d.s(), &CDiarySession::reportsWaiting);
    QStringList problems;
    QCOMPARE(d.s().SaveWithoutQuestions(&problems), saved);

    QCOMPARE(asked, 0);
    QVERIFY(waiting.isEmpty());
    QVERIFY(d.s().TakeReports().isEmpty());
    QCOMPARE(d.book->IsModified(), !saved);
    QCOMPARE(d.book->Day(d.book->IndexOf(20030512)).balance, hadPending ? 20 : 0);
    if (hadPending && writable)
        QCOMPARE(d.read(), CloseTimeBytes(kOld, {{20030512, 20}}));
    else
        QCOMPARE(d.read(), kOld);
    if (!saved)
        QVERIFY(problems.contains(d.book->LastError()));
    else
        QVERIFY(problems.isEmpty());
    // Nothing saved, nothing backed up.
    QCOMPARE(d.backups().size(), hadPending ? 1 : 0);
}

// No file, in a folder that is read-only: nothing was there to read, so the period is whole; it
// just cannot be written yet.
void TestWriteThrough::unreadPeriodReadOnlyFolder()
{
    QCOMPARE(RunUnprivileged([] {
                 QTemporaryDir dir;
                 if (!QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner))
                     return QStringLiteral("cannot make the folder read-only");
                 CDiarySession s(QDate(2003, 5, 12),
                                 std::make_unique<CResultBook>(dir.filePath("other.Dat")), 1);
                 int closeRequests = 0;
                 QObject::connect(&s, &CDiarySession::entryCloseRequested,
                                  [&] { ++closeRequests; });
                 const PeriodOutcome outcome = s.SelectPeriod(1);
                 QFile::setPermissions(dir.path(),
                                       QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                 if (outcome != PeriodOutcome::ReadFailed)
                     return QStringLiteral("the period was not reported unread");
                 if (!s.CanEnter() || !s.Book().IsReadWhole() || closeRequests != 0
                     || s.Book().DayCount() != 365)
                     return QStringLiteral("the period does not take entries");
                 return QString();
             }),
             QString());
}

void TestWriteThrough::otherProgramsEditsKept_data()
{
    QTest::addColumn<QByteArray>("edited"); // the file as another program leaves it
    QTest::addColumn<int>("firstChanged"); // the first day the lists are told of
    QTest::addColumn<QByteArray>("saved"); // after 2003/05/12 is entered

    // After the first save (2003/05/10 entered), the period being 2003/01 to 2003/05.
    const QByteArray head = "20021231,1,300,0,0,\r\n";
    const QByteArray jan5 = "20030105,1,700,0,0,\r\n";
    const QByteArray may10 = "20030510,1,100,0,0,\r\n";
    const QByteArray may12 = "20030512,1,2000,0,0,\r\n";
    const QByteArray tail = "20040101,0,100,200,100,\r\n";
    const QByteArray march = "20030301,0,900,1200,300,\r\n";
    QTest::newRow("a line appended") << QByteArray(head + jan5 + may10 + tail + march) << 59
                                     << QByteArray(head + jan5 + may10 + may12 + tail + march);
    QTest::newRow("a day of the period changed")
            << QByteArray(head + "20030105,1,-100,0,0,\n" + may10 + tail) << 4
            << QByteArray(head + "20030105,1,-100,0,0,\r\n" + may10 + may12 + tail);
    QTest::newRow("a day of the period removed")
            << QByteArray(head + may10 + tail) << 4 << QByteArray(head + may10 + may12 + tail);
    QTest::newRow("another year only")
            << QByteArray("19990101,1,5,0,0,\r\n" + head + jan5 + may10 + tail) << 131
            << QByteArray("19990101,1,5,0,0,\r\n" + head + jan5 + may10 + may12 + tail);
}

// Another program writes the file between two saves: its lines stay, the period is read again
// from what was written, the lists are told from the first day that changed, and the user hears
// of it once.
void TestWriteThrough::otherProgramsEditsKept()
{
    QFETCH(QByteArray, edited);
    QFETCH(int, firstChanged);
    QFETCH(QByteArray, saved);
    Diary d;
    QVERIFY(d.enter(20030510, 1));
    QVERIFY(d.s().TakeReports().isEmpty());
    BookTest::WriteBytes(d.path(), edited);
    QSignalSpy drawn(&d.s(), &CDiarySession::daysChanged);
    QVERIFY(d.enter(20030512, 20));
    QCOMPARE(d.read(), saved);
    QCOMPARE(drawn.size(), 1);
    QCOMPARE(drawn.first().first().toInt(), firstChanged);
    // The book holds what the file holds now, running sums and all.
    CResultBook reread(d.path());
    QVERIFY(reread.LoadPeriod(200305, 1, 0));
    QCOMPARE(BookTest::Results(*d.book), BookTest::Results(reread));
    QCOMPARE(d.book->Day(d.book->DayCount() - 1).periodBalance,
             reread.Day(reread.DayCount() - 1).periodBalance);
    QCOMPARE(d.s().TakeReports(), QStringList{msg::FileChangedElsewhere()});
    // Said once: the next save finds the file as this program wrote it.
    QVERIFY(d.enter(20030513, 2));
    QVERIFY(d.s().TakeReports().isEmpty());
}

void TestWriteThrough::noRoomForTheBackup_data()
{
    QTest::addColumn<bool>("roomAfterDrop"); // the save fits once the fresh backup is gone
    QTest::newRow("room for one copy") << true;
    QTest::newRow("no room at all") << false;
}

// The disk has room for one copy of the file: the day's backup takes it and the save fails for
// lack of space. The backup, which holds what the file holds, gives its room back and the save is
// tried once more.
void TestWriteThrough::noRoomForTheBackup()
{
    QFETCH(bool, roomAfterDrop);
    Diary d;
    const QString backup = d.backupDir() + QStringLiteral("/Murel1-20030512.Dat");
    d.book->diskFull = [&] { return !roomAfterDrop || QFileInfo::exists(backup); };
    const bool entered = d.enter(20030512, 20);
    QVERIFY(entered);
    const QStringList reports = d.s().TakeReports();
    QVERIFY(!QFileInfo::exists(backup));
    QCOMPARE(reports.size(), 1);
    if (roomAfterDrop) {
        QVERIFY(!d.book->IsModified());
        QCOMPARE(d.read(), CloseTimeBytes(kOld, {{20030512, 20}}));
        QCOMPARE(reports.first().section('\n', 0, 0),
                 QStringLiteral("バックアップを作成できませんでした。"));
        QVERIFY(reports.first().contains(QStringLiteral("ディスクの空き容量が足りません。")));
        // No other backup that day: it would hold the day's save.
        d.book->diskFull = nullptr;
        QVERIFY(d.enter(20030513, 1));
        QCOMPARE(d.backups(), QStringList());
    } else {
        QVERIFY(d.book->IsModified());
        QCOMPARE(d.read(), kOld);
        QVERIFY(reports.first().startsWith(BookTest::kSaveFailed));
        // The file still holds the day's first state: the next save backs it up.
        d.book->diskFull = nullptr;
        QVERIFY(d.enter(20030513, 1));
        QCOMPARE(d.backups(), QStringList{"Murel1-20030512.Dat"});
        QCOMPARE(ReadBytes(backup), kOld);
    }
}

// The same on a real small file system (root can mount one): room for the file and one copy.
void TestWriteThrough::nearlyFullDisk()
{
    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("small"));
    QVERIFY(QDir().mkdir(small));
    if (::mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=112k") != 0)
        QSKIP("cannot mount a small file system here (needs root)");
    const auto unmount
            = qScopeGuard([&] { ::umount2(QFile::encodeName(small).constData(), MNT_DETACH); });
    QByteArray old;
    for (int year = 1000; old.size() < 48 * 1024; ++year)
        old += QByteArray::number(year * 10000 + 101) + ",1,100000,0,0,\r\n";
    const QString path = small + QStringLiteral("/Murel1.Dat");
    BookTest::WriteBytes(path, old);
    CDiarySession s(QDate(2003, 5, 12), std::make_unique<CResultBook>(path), 1);
    s.SetClock([] { return QDate(2003, 5, 12); });
    QCOMPARE(s.SelectPeriod(0), PeriodOutcome::Loaded);
    QVERIFY(s.EnterDay(20030512, EntryMethod::Balance, 0, 0, 20));
    QVERIFY(!s.Book().IsModified());
    QVERIFY(ReadBytes(path).contains("\r\n20030512,1,2000,0,0,\r\n"));
    const QStringList reports = s.TakeReports();
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports.first().contains(QStringLiteral("ディスクの空き容量が足りません。")));
    QCOMPARE(QDir(path + ".backup").entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestWriteThrough::applyDays_data()
{
    QTest::addColumn<QList<int>>("dates"); // each given a balance of its day of the month
    QTest::addColumn<int>("firstChanged"); // -1: the lists hear of nothing
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("days of other years")
            << QList<int>{19990102, 20060101} << -1
            << QByteArray("19990102,1,200,0,0,\r\n" + kOld + "20060101,1,100,0,0,\r\n");
    QTest::newRow("a day of the period among them")
            << QList<int>{20021230, 20030301, 20030302} << 59
            << QByteArray(
                       "20021230,1,3000,0,0,\r\n20021231,1,300,0,0,\r\n20030105,1,700,0,0,\r\n"
                       "20030301,1,100,0,0,\r\n20030302,1,200,0,0,\r\n20040101,0,100,200,100,\r\n");
    QTest::newRow("a day of the period cleared")
            << QList<int>{-20030105} << 4
            << QByteArray("20021231,1,300,0,0,\r\n20040101,0,100,200,100,\r\n");
}

// Days of any year written in one save, through the session: the day's backup first, days of the
// period shown at once.
void TestWriteThrough::applyDays()
{
    QFETCH(QList<int>, dates);
    QFETCH(int, firstChanged);
    QFETCH(QByteArray, saved);
    Diary d;
    std::vector<DayChange> changes;
    for (const int date : dates)
        changes.push_back(date < 0 ? DayChange{-date, DayRecord{}}
                                   : DayChange{date, DayRecord{1, 0, 0, date % 100}});
    QSignalSpy drawn(&d.s(), &CDiarySession::daysChanged);
    QVERIFY(d.s().ApplyDays(changes));
    QCOMPARE(d.read(), saved);
    QCOMPARE(d.backups(), QStringList{"Murel1-20030512.Dat"});
    QCOMPARE(ReadBytes(d.backupDir() + "/Murel1-20030512.Dat"), kOld);
    QCOMPARE(drawn.size(), firstChanged < 0 ? 0 : 1);
    if (firstChanged >= 0)
        QCOMPARE(drawn.first().first().toInt(), firstChanged);
    for (const DayChange &change : changes)
        if (const int i = d.book->IndexOf(change.date); i >= 0)
            QCOMPARE(d.book->Day(i).balance, change.record.balance);
    QVERIFY(d.s().TakeReports().isEmpty());
    // A failure is told like an entered day's.
    d.fail(QStringLiteral("sync"), EIO);
    QVERIFY(!d.s().ApplyDays(changes));
    QCOMPARE(d.s().TakeReports(), QStringList{d.book->LastError()});
}

QTEST_GUILESS_MAIN(TestWriteThrough)
#include "tst_writethrough.moc"
