// The CSV import from the main window's file menu: Qt's open dialog (scripted), the preview
// window, then one save through the play diary. One box tells the days added and changed and
// names the backup; refused files and failed saves leave the data file as it was; the lists show
// the imported days at once; a file the diary exported reads back to the same data file.

#include "MainWindowFixture.h"
#include "RunModal.h"
#include "common/RandomDataFile.h"
#include "data/BookTestUtil.h"
#include "export/CsvExport.h"
#include "importdlg/ImportDlg.h"
#include "main/ImportCommands.h"
#include "session/PlayDiary.h"
#include "tools/CalendarDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <cerrno>

namespace {

using F = MainWindowFixture;

// The diary before an import: a hand-written line without a date among the days, CR LF ends.
const QByteArray kData = "20021231,1,3000,0,0,\r\n"
                         "a line written by hand\r\n"
                         "20030420,0,-3000,2000,5000,\r\n"
                         "20030505,0,-8000,500,8500,\r\n";

// New on 2002/01/02 and 2003/05/06, another result on 2003/05/05, the same on 2003/04/20.
const QByteArray kCsv = "日付,回収額,投資額\r\n"
                        "2003/05/06,5000,3800\r\n"
                        "2003/05/05,1000,9000\r\n"
                        "2003/04/20,2000,5000\r\n"
                        "2002/01/02,700,0\r\n";

// What the preview window is to do: choose the overwrite, then press OK or Cancel.
struct PreviewScript
{
    bool overwrite = false;
    bool ok = true;
    QString counts; // read from the window
    QString notes;
    bool okEnabled = false;
};

// Triggers the item and runs the preview as scripted; answers how many previews came up.
int RunImport(CDiaryDlg &dlg, PreviewScript &script)
{
    return RunModal<CImportDlg>(
            [&] { F::MenuItem(dlg, QStringLiteral("CSVから読み込む(&I)..."))->trigger(); },
            [&](CImportDlg *box) {
                script.counts = qobject_cast<QLabel *>(box->control(CImportDlg::IdCounts))->text();
                script.notes = qobject_cast<QLabel *>(box->control(CImportDlg::IdNotes))->text();
                auto *ok = qobject_cast<QPushButton *>(box->control(CImportDlg::IdOk));
                script.okEnabled = ok->isEnabled();
                if (script.overwrite)
                    qobject_cast<QRadioButton *>(box->control(CImportDlg::IdOverwrite))->click();
                if (script.ok && ok->isEnabled())
                    ok->click();
                else
                    box->reject();
            });
}

// Every row of the list and the summary line, as the window shows them.
QStringList Shown(const CDiaryDlg &dlg)
{
    QStringList rows;
    for (int r = 0; r < dlg.List()->RowCount(); ++r)
        rows << F::Row(dlg, r).join(QLatin1Char('|'));
    rows << F::Summary(dlg);
    return rows;
}

} // namespace

class TestImportMain : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_f.Prepare()); }
    void init()
    {
        m_f.Reset(false);
        // No play sessions from an earlier case.
        const QString sessions = CPlayStore::PathFor(m_f.DataPath());
        for (const char *suffix : {"", "-wal", "-shm", "-journal"})
            QFile::remove(sessions + QLatin1String(suffix));
        m_f.WriteData(kData);
    }

    void written_data();
    void written();
    void refused_data();
    void refused();
    void brokenRows_data();
    void brokenRows();
    void saveFails();
    void sessions();
    void noDataFileYet();
    void limitBoxesAfterwards();
    void exportedFilesReadBack();

private:
    QString CsvPath() const { return m_f.dir.filePath(QStringLiteral("in.csv")); }
    // The main window shown, with csv as the file the open dialog is to pick.
    std::unique_ptr<CDiaryDlg> ShowWith(const QByteArray &csv)
    {
        BookTest::WriteBytes(CsvPath(), csv);
        m_f.openPath.answers = {CsvPath()};
        return m_f.Show();
    }
    bool NoBackup() const { return !QFileInfo::exists(m_f.DataPath() + QStringLiteral(".backup")); }

    MainWindowFixture m_f;
};

void TestImportMain::written_data()
{
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<QString>("done"); // the box without the backup's path
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("keep the days that differ")
            << false
            << "2日を追加し、0日を変更しました。\n読み込む前のデータファイルのバックアップ:"
            << QByteArray("20020102,0,700,700,0,\r\n"
                          "20021231,1,3000,0,0,\r\n"
                          "a line written by hand\r\n"
                          "20030420,0,-3000,2000,5000,\r\n"
                          "20030505,0,-8000,500,8500,\r\n"
                          "20030506,0,1200,5000,3800,\r\n");
    QTest::newRow("overwrite them")
            << true << "2日を追加し、1日を変更しました。\n読み込む前のデータファイルのバックアップ:"
            << QByteArray("20020102,0,700,700,0,\r\n"
                          "20021231,1,3000,0,0,\r\n"
                          "a line written by hand\r\n"
                          "20030420,0,-3000,2000,5000,\r\n"
                          "20030505,0,-8000,1000,9000,\r\n"
                          "20030506,0,1200,5000,3800,\r\n");
}

void TestImportMain::written()
{
    QFETCH(bool, overwrite);
    QFETCH(QString, done);
    QFETCH(QByteArray, data);

    auto dlg = ShowWith(kCsv);
    const QStringList before = Shown(*dlg);
    dlg->OnCalendar();
    CCalendarDlg *calendar = dlg->Calendar();
    QVERIFY(calendar);
    QCOMPARE(calendar->Archive().MonthBalance(200201), 0);
    PreviewScript script;
    script.overwrite = overwrite;
    QCOMPARE(RunImport(*dlg, script), 1);
    // Qt's open dialog, in the data file's folder.
    QCOMPARE(m_f.openPath.asked.size(), 1);
    QCOMPARE(m_f.openPath.asked[0].caption, QStringLiteral("CSVから読み込む"));
    QCOMPARE(m_f.openPath.asked[0].folder, QFileInfo(m_f.DataPath()).absolutePath());
    QVERIFY(m_f.openPath.asked[0].filter.startsWith(QStringLiteral("CSVファイル (*.csv")));
    QCOMPARE(m_f.openPath.asked[0].owner, dlg.get());
    QCOMPARE(script.counts,
             QStringLiteral("新しい日: 2　変更のある日: 1　同じ日: 1　読み込めない行: 0"));

    QCOMPARE(m_f.ReadData(), data);
    QCOMPARE(m_f.prompt.asked.size(), 1);
    const ScriptedPrompt::Asked &box = m_f.prompt.asked.first();
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.owner, dlg.get());
    QVERIFY2(box.text.startsWith(done + QLatin1Char('\n')), qPrintable(box.text));
    // The backup named holds the data file as it was, so the import can be undone by hand.
    const QString backup = QDir::fromNativeSeparators(box.text.section(QLatin1Char('\n'), -1));
    QVERIFY2(QFileInfo(backup).isFile(), qPrintable(backup));
    QCOMPARE(QFileInfo(backup).absolutePath(),
             QFileInfo(m_f.DataPath() + QStringLiteral(".backup/x")).absolutePath());
    QCOMPARE(BookTest::ReadBytes(backup), kData);

    // The lists show what a new start would show, at once.
    const QStringList after = Shown(*dlg);
    QVERIFY(after != before);
    QVERIFY(!dlg->Book().IsModified());
    auto fresh = m_f.Open();
    QCOMPARE(after, Shown(*fresh));
    // So does the open calendar, also outside the loaded period.
    QTRY_COMPARE(calendar->Archive().MonthBalance(200201), 7);
    QCOMPARE(calendar->Archive().MonthBalance(200305), -68);
}

void TestImportMain::refused_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("reason"); // a part of the box

    QTest::newRow("empty") << QByteArray() << "ファイルが空です";
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) << "";
}

// A file refused as a whole gets a box instead of the preview; nothing is written or backed up.
void TestImportMain::refused()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, reason);

    auto dlg = ShowWith(csv);
    PreviewScript script;
    QCOMPARE(RunImport(*dlg, script), 0);
    QCOMPARE(m_f.prompt.asked.size(), 1);
    QCOMPARE(m_f.prompt.asked.first().icon, QMessageBox::Warning);
    QVERIFY2(m_f.prompt.asked.first().text.contains(reason), qPrintable(m_f.prompt.texts()[0]));
    QVERIFY(m_f.prompt.asked.first().text.contains(QDir::toNativeSeparators(CsvPath())));
    QCOMPARE(m_f.ReadData(), kData);
    QVERIFY(NoBackup());
}

void TestImportMain::brokenRows_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("counts");
    QTest::addColumn<QByteArray>("data");

    const QByteArray someBroken = "日付,回収,投資,収支\n20030231,100,0,\nabc,100,0,\n"
                                  "2003/05/16,300,100,500\n2003/05/17,300,100,200\n";
    QTest::newRow("some rows broken, confirmed")
            << someBroken << true << "新しい日: 1　変更のある日: 0　同じ日: 0　読み込めない行: 3"
            << kData + "20030517,0,200,300,100,\r\n";
    QTest::newRow("some rows broken, cancelled")
            << someBroken << false << "新しい日: 1　変更のある日: 0　同じ日: 0　読み込めない行: 3"
            << kData;
    QTest::newRow("every row broken")
            << QByteArray("日付,収支\n2003/02/30,100\n0999/01/01,5\n") << true
            << "新しい日: 0　変更のある日: 0　同じ日: 0　読み込めない行: 2" << kData;
}

// Rejected rows are counted in the preview and never written; without a row to write, OK rests.
void TestImportMain::brokenRows()
{
    QFETCH(QByteArray, csv);
    QFETCH(bool, confirm);
    QFETCH(QString, counts);
    QFETCH(QByteArray, data);

    auto dlg = ShowWith(csv);
    PreviewScript script;
    script.ok = confirm;
    QCOMPARE(RunImport(*dlg, script), 1);
    QCOMPARE(script.counts, counts);
    QCOMPARE(m_f.ReadData(), data);
    const bool written = data != kData;
    QCOMPARE(script.okEnabled, counts.contains(QStringLiteral("新しい日: 1")));
    QCOMPARE(m_f.prompt.asked.size(), written ? 1 : 0);
    if (written)
        QVERIFY(m_f.prompt.texts()[0].startsWith(
                QStringLiteral("1日を追加し、0日を変更しました。")));
    else
        QVERIFY(NoBackup());
}

// A save that fails is told as the import's failure; the data file stays as it was and so do the
// lists.
void TestImportMain::saveFails()
{
    m_f.makeBook = [](const QString &path) {
        auto book = std::make_unique<BookTest::FaultyBook>(path);
        book->commitErrno = EACCES;
        return std::unique_ptr<CResultBook>(std::move(book));
    };
    auto dlg = ShowWith(kCsv);
    const QStringList before = Shown(*dlg);
    PreviewScript script;
    QCOMPARE(RunImport(*dlg, script), 1);
    QCoreApplication::processEvents();
    QCOMPARE(m_f.ReadData(), kData);
    QCOMPARE(m_f.prompt.asked.size(), 1);
    QCOMPARE(m_f.prompt.asked.first().icon, QMessageBox::Warning);
    QVERIFY2(m_f.prompt.texts()[0].startsWith(CImportCommands::FailedText() + QLatin1Char('\n')),
             qPrintable(m_f.prompt.texts()[0]));
    QVERIFY(m_f.prompt.texts()[0].contains(QDir::toNativeSeparators(m_f.DataPath())));
    QCOMPARE(Shown(*dlg), before);
}

// Rows with a store make play sessions: they go into the diary's sessions, the day holds their
// sums, and the same file a second time finds them there and has nothing to add.
void TestImportMain::sessions()
{
    auto dlg = ShowWith("日付,店名,機種,投資額,回収額,メモ\r\n"
                        "2003/05/06,A店,海物語,10000,25000,よし\r\n"
                        "2003/05/06,B店,,5000,0,\r\n");
    m_f.openPath.answers = {CsvPath(), CsvPath()};
    PreviewScript script;
    QCOMPARE(RunImport(*dlg, script), 1);
    QCOMPARE(m_f.prompt.asked.size(), 1);
    QVERIFY2(m_f.prompt.texts()[0].startsWith(QStringLiteral(
                     "1日を追加し、0日を変更しました。\n稼働記録を2件追加しました。\n")),
             qPrintable(m_f.prompt.texts()[0]));
    QVERIFY(m_f.ReadData().endsWith("20030505,0,-8000,500,8500,\r\n"
                                    "20030506,0,10000,25000,15000,\r\n"));
    // Each "store|machine|invested|collected|memo|start minute" (-1: none).
    QStringList stored;
    for (const PlaySession &p : dlg->Session().Plays().SessionsOfDay(20030506))
        stored << QStringLiteral("%1|%2|%3|%4|%5|%6")
                          .arg(p.store, p.machine)
                          .arg(p.invested)
                          .arg(p.collected)
                          .arg(p.memo)
                          .arg(p.startMinute);
    QCOMPARE(stored, QStringList({"A店|海物語|100|250|よし|-1", "B店||50|0||-1"}));

    m_f.prompt.asked.clear();
    PreviewScript again;
    QCOMPARE(RunImport(*dlg, again), 1);
    QVERIFY2(again.notes.contains(QStringLiteral("うち登録済み 2件")), qPrintable(again.notes));
    QVERIFY(!again.okEnabled);
    QVERIFY(m_f.prompt.asked.isEmpty());
    QCOMPARE(dlg->Session().Plays().SessionsOfDay(20030506).size(), 2);
}

// The data file gone while the program runs: nothing to back up, and the box says so.
void TestImportMain::noDataFileYet()
{
    auto dlg = ShowWith(kCsv);
    QVERIFY(QFile::remove(m_f.DataPath()));
    PreviewScript script;
    QCOMPARE(RunImport(*dlg, script), 1);
    QCOMPARE(script.counts,
             QStringLiteral("新しい日: 4　変更のある日: 0　同じ日: 0　読み込めない行: 0"));
    // Another program's doing, told first; then what was written.
    QCOMPARE(m_f.prompt.texts(),
             QStringList({QStringLiteral("データファイルがほかのプログラムで変更されていたため、"
                                         "読み直しました。"),
                          QStringLiteral("4日を追加し、0日を変更しました。\n"
                                         "読み込む前のデータファイルはありませんでした。")}));
    QCOMPARE(m_f.ReadData(),
             QByteArray("20020102,0,700,700,0,\r\n"
                        "20030420,0,-3000,2000,5000,\r\n"
                        "20030505,0,-8000,1000,9000,\r\n"
                        "20030506,0,1200,5000,3800,\r\n"));
    QVERIFY(NoBackup());
}

// An import that takes this month past a limit is a confirmed day like any: its boxes come, after
// the box that tells what was written, and the status line follows.
void TestImportMain::limitBoxesAfterwards()
{
    WriteProfileInt(QStringLiteral("Limits"), QStringLiteral("Loss_On"), 1);
    WriteProfileInt(QStringLiteral("Limits"), QStringLiteral("Loss"), 200);
    auto dlg = ShowWith("日付,収支\r\n2003/05/06,-2500\r\n");
    QCOMPARE(dlg->LimitStatus()->text(), QStringLiteral("今月の負け 80/200 (40%)"));
    // A box runs the event loop while it is shown: none may come up over another.
    int shown = 0;
    bool overAnother = false;
    m_f.prompt.whileShown = [&] {
        overAnother = overAnother || shown > 0;
        ++shown;
        QCoreApplication::processEvents();
        --shown;
    };
    PreviewScript script;
    QCOMPARE(RunImport(*dlg, script), 1);
    QTRY_COMPARE(m_f.prompt.asked.size(), 2);
    QVERIFY(!overAnother);
    QVERIFY(m_f.prompt.texts()[0].startsWith(QStringLiteral("1日を追加し、0日を変更しました。")));
    QVERIFY2(m_f.prompt.texts()[1].startsWith(QStringLiteral("今月の負けが月の負けの上限の50%")),
             qPrintable(m_f.prompt.texts()[1]));
    QCOMPARE(dlg->LimitStatus()->text(), QStringLiteral("今月の負け 105/200 (52%)"));
}

// A property over random diaries as the program writes them: every year exported to CSV, then
// imported into an empty diary, gives the same data file byte for byte.
void TestImportMain::exportedFilesReadBack()
{
    QRandomGenerator rng(20030512);
    for (int round = 0; round < 6; ++round) {
        std::map<int, ModelDay> days;
        const int count = 1 + int(rng.bounded(round == 0 ? 3 : 80));
        while (int(days.size()) < count) {
            const QDate date = QDate(1999, 1, 1).addDays(rng.bounded(365 * 6));
            ModelDay day;
            day.method = int(rng.bounded(2));
            if (day.method == 0) {
                day.collected = int(rng.bounded(10000));
                day.invested = int(rng.bounded(10000));
                if (day.collected == 0 && day.invested == 0)
                    day.invested = 1;
                day.balance = day.collected - day.invested;
            } else {
                day.balance = int(rng.bounded(1, 20000)) - 10000;
                if (day.balance == 0)
                    day.balance = 1;
            }
            days[date.year() * 10000 + date.month() * 100 + date.day()] = day;
        }
        QByteArray original;
        for (const auto &[date, day] : days)
            original += ModelCanonical(date, day);
        const QString source = m_f.dir.filePath(QStringLiteral("source.Dat"));
        BookTest::WriteBytes(source, original);
        QCOMPARE(CCsvExport().WriteAllYears(source, CsvPath()), QString());

        m_f.Reset(false);
        m_f.openPath.answers = {CsvPath()};
        auto dlg = m_f.Show();
        PreviewScript script;
        QCOMPARE(RunImport(*dlg, script), 1);
        QCOMPARE(script.counts,
                 QStringLiteral("新しい日: %1　変更のある日: 0　同じ日: 0　"
                                "読み込めない行: 0")
                         .arg(count));
        // The first start left an empty data file, which the backup keeps.
        QCOMPARE(m_f.prompt.texts().size(), 1);
        const QString done = m_f.prompt.texts().first();
        QVERIFY2(done.startsWith(QStringLiteral("%1日を追加し、0日を変更しました。\n"
                                                "読み込む前のデータファイルのバックアップ:\n")
                                         .arg(count)),
                 qPrintable(done));
        QCOMPARE(BookTest::ReadBytes(done.section(QLatin1Char('\n'), -1)), QByteArray());
        QCOMPARE(m_f.ReadData(), original);
    }
}

QTEST_MAIN(TestImportMain)
#include "tst_import_main.moc"
