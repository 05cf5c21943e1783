// The file menu's exports on the main window: the items and when they rest, the CSV file through
// its two questions, the graph as a PNG file and on the clipboard, the print preview, and what a
// failure shows and leaves behind.
#include "MainWindowFixture.h"
#include "RunModal.h"
#include "common/ScriptedSavePath.h"
#include "common/Unprivileged.h"
#include "data/BookTestUtil.h"
#include "export/CsvExport.h"
#include "graph/GraphPainter.h"
#include "main/CsvScopeDlg.h"
#include "main/ExportCommands.h"
#include "main/GraphFrame.h"
#include "session/PlayDiary.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QStringList kSample = {
        DataLine(20020601, 0, 20, 10, 10), DataLine(20030105, 1, 0, 0, -30),
        DataLine(20030512, 0, 50, 30, 20), DataLine(20030520, 0, 90, 40, 50),
        DataLine(20040101, 0, 5, 5, 0),
};

const QString kCsvFailed = QStringLiteral("CSVファイルの保存に失敗しました。");
const QString kImageFailed = QStringLiteral("グラフの画像の保存に失敗しました。");
const QString kNotDataFile
        = QStringLiteral("データファイルには保存できません。別のファイルを選んでください。");

QList<QAction *> FileMenu(const CDiaryDlg &dlg)
{
    for (QAction *menu : dlg.findChild<QMenuBar *>()->actions()) {
        if (menu->text() == QStringLiteral("ﾌｧｲﾙ(&F)") && menu->menu())
            return menu->menu()->actions();
    }
    return {};
}

QAction *Item(const CDiaryDlg &dlg, const QString &text)
{
    for (QAction *item : FileMenu(dlg)) {
        if (item->text() == text)
            return item;
    }
    return nullptr;
}

QAction *CsvItem(const CDiaryDlg &dlg)
{
    return Item(dlg, QStringLiteral("CSV形式で保存(&S)..."));
}
QAction *ImageItem(const CDiaryDlg &dlg)
{
    return Item(dlg, QStringLiteral("グラフを画像で保存(&G)..."));
}
QAction *PrintItem(const CDiaryDlg &dlg)
{
    return Item(dlg, QStringLiteral("印刷(&P)..."));
}

// Chooses a scope in the CSV dialog and presses OK.
std::function<void(CCsvScopeDlg *)> Choose(CCsvScopeDlg::ControlId radio)
{
    return [radio](CCsvScopeDlg *box) {
        qobject_cast<QRadioButton *>(box->control(radio))->click();
        qobject_cast<QPushButton *>(box->control(CCsvScopeDlg::IdOk))->click();
    };
}

// The scope's radio for a CSV case: "all", "sessions", else the period.
CCsvScopeDlg::ControlId ScopeOf(const QString &what)
{
    if (what == QLatin1String("all"))
        return CCsvScopeDlg::IdAllYears;
    return what == QLatin1String("sessions") ? CCsvScopeDlg::IdSessions
                                             : CCsvScopeDlg::IdShownPeriod;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList Listing(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

class TestExport : public QObject, public MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Prepare()); }
    void init()
    {
        Reset(false);
        savePath = ScriptedSavePath();
        QDir(dir.filePath(QStringLiteral("out"))).removeRecursively();
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("out")));
    }
    void cleanup()
    {
        QFile::setPermissions(dir.filePath(QStringLiteral("out")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void menuItems();
    void restWhileDailyInputIsOpen_data();
    void restWhileDailyInputIsOpen();
    void proposals_data();
    void proposals();
    void csv_data();
    void csv();
    void csvAllYearsTakesUnsavedDays();
    void csvSessions();
    void csvSessionTable();
    void csvCancelled_data();
    void csvCancelled();
    void scopeDialogKeys_data();
    void scopeDialogKeys();
    void graphImage_data();
    void graphImage();
    void clipboardHoldsTheSameImage();
    void failures_data();
    void failures();
    void refusedTargets_data();
    void refusedTargets();
    void printPreview();
    void printPreviewOverTheDataFile();
    void fileDialog_data();
    void fileDialog();

private:
    std::unique_ptr<CDiaryDlg> OpenWith(const QString &dataFile = QString())
    {
        DiaryEnv env = Env();
        if (!dataFile.isEmpty())
            env.dataFilePath = dataFile;
        env.savePath = &savePath;
        auto dlg = std::make_unique<CDiaryDlg>(env);
        dlg->show();
        if (!QTest::qWaitForWindowExposed(dlg.get()))
            qWarning("main window not exposed");
        return dlg;
    }
    QString Out(const QString &name) const { return dir.filePath(QStringLiteral("out/") + name); }
    QString FailureCase(const QString &root, const QString &what, const QString &setup,
                        const QString &firstLine);

    ScriptedSavePath savePath;
};

void TestExport::menuItems()
{
    auto dlg = OpenWith();
    QStringList texts;
    for (QAction *item : FileMenu(*dlg))
        texts << (item->isSeparator() ? QStringLiteral("-") : item->text());
    QCOMPARE(
            texts,
            QStringList({QStringLiteral("CSVから読み込む(&I)..."),
                         QStringLiteral("CSV形式で保存(&S)..."),
                         QStringLiteral("グラフを画像で保存(&G)..."), QStringLiteral("印刷(&P)..."),
                         QStringLiteral("-"), QStringLiteral("終了(&X)")}));
}

void TestExport::restWhileDailyInputIsOpen_data()
{
    QTest::addColumn<bool>("atStart");
    QTest::addColumn<QString>("then"); // "", "close", "reopen"
    QTest::addColumn<bool>("enabled");
    QTest::newRow("never opened") << false << "" << true;
    QTest::newRow("open from the start") << true << "" << false;
    QTest::newRow("closed again") << true << "close" << true;
    QTest::newRow("opened by the entry button") << false << "reopen" << false;
}

void TestExport::restWhileDailyInputIsOpen()
{
    QFETCH(bool, atStart);
    QFETCH(QString, then);
    QFETCH(bool, enabled);
    Reset(atStart);
    WriteLines(kSample);
    auto dlg = OpenWith();
    if (atStart)
        QTRY_VERIFY(Entry(*dlg));
    if (then == QLatin1String("close")) {
        Entry(*dlg)->close();
        QTRY_VERIFY(!Entry(*dlg));
    } else if (then == QLatin1String("reopen")) {
        Ctl<QPushButton>(*dlg, MainCtl::DailyInput)->click();
        QTRY_VERIFY(Entry(*dlg));
    }
    for (QAction *item : {CsvItem(*dlg), ImageItem(*dlg), PrintItem(*dlg)}) {
        QVERIFY(item);
        QCOMPARE(item->isEnabled(), enabled);
    }
    // They follow the analyzer button.
    QCOMPARE(Ctl<QPushButton>(*dlg, MainCtl::Analyzer)->isEnabled(), enabled);
}

void TestExport::proposals_data()
{
    QTest::addColumn<QString>("dataFile");
    QTest::addColumn<QString>("period");
    QTest::addColumn<QString>("allYears");
    QTest::addColumn<int>("firstDate");
    QTest::addColumn<QString>("graph");
    QTest::addColumn<QString>("sessions");

    const QString here = QDir::currentPath() + QLatin1Char('/');
    QTest::newRow("the default file in the working folder")
            << "Murel1.Dat" << here + "Murel1.csv" << here + "Murel1-all.csv" << 20030501
            << here + "Murel-graph-20030501.png" << here + "Murel1-sessions.csv";
    QTest::newRow("a file named on the command line elsewhere")
            << "/srv/日記/収支 2003.dat"
            << "/srv/日記/収支 2003.csv"
            << "/srv/日記/収支 2003-all.csv" << 20020601 << "/srv/日記/Murel-graph-20020601.png"
            << "/srv/日記/収支 2003-sessions.csv";
    QTest::newRow("dots in the name")
            << "/d/my.diary.Dat"
            << "/d/my.diary.csv"
            << "/d/my.diary-all.csv" << 19991231 << "/d/Murel-graph-19991231.png"
            << "/d/my.diary-sessions.csv";
    QTest::newRow("no extension, a graph without points")
            << "/d/results"
            << "/d/results.csv"
            << "/d/results-all.csv" << 0 << "/d/Murel-graph.png"
            << "/d/results-sessions.csv";
}

void TestExport::proposals()
{
    QFETCH(QString, dataFile);
    QFETCH(QString, period);
    QFETCH(QString, allYears);
    QFETCH(int, firstDate);
    QFETCH(QString, graph);
    QFETCH(QString, sessions);
    QCOMPARE(CExportCommands::CsvProposal(dataFile, CCsvScopeDlg::ShownPeriod), period);
    QCOMPARE(CExportCommands::CsvProposal(dataFile, CCsvScopeDlg::Sessions), sessions);
    QCOMPARE(CExportCommands::CsvProposal(dataFile, CCsvScopeDlg::AllYears), allYears);
    QString totals = sessions;
    totals.replace(QStringLiteral("-sessions.csv"), QStringLiteral("-totals.csv"));
    QCOMPARE(CExportCommands::CsvProposal(dataFile, CCsvScopeDlg::SessionTable), totals);
    QCOMPARE(CExportCommands::GraphProposal(dataFile, firstDate), graph);
}

void TestExport::csv_data()
{
    QTest::addColumn<bool>("allYears");
    QTest::addColumn<QString>("dataFile"); // relative to the test folder
    QTest::addColumn<QString>("view"); // "daily", "monthly", "past"
    QTest::addColumn<QString>("proposed");

    QTest::newRow("the period in the daily view") << false << "Murel1.Dat"
                                                  << "daily"
                                                  << "Murel1.csv";
    QTest::newRow("the period in the monthly view") << false << "Murel1.Dat"
                                                    << "monthly"
                                                    << "Murel1.csv";
    QTest::newRow("a past period") << false << "Murel1.Dat"
                                   << "past"
                                   << "Murel1.csv";
    QTest::newRow("every year") << true << "Murel1.Dat"
                                << "daily"
                                << "Murel1-all.csv";
    QTest::newRow("a file named on the command line in another folder")
            << true << "elsewhere/日記 2003.dat"
            << "daily"
            << "elsewhere/日記 2003-all.csv";
}

void TestExport::csv()
{
    QFETCH(bool, allYears);
    QFETCH(QString, dataFile);
    QFETCH(QString, view);
    QFETCH(QString, proposed);

    const QString data = dir.filePath(dataFile);
    QVERIFY(QDir().mkpath(QFileInfo(data).absolutePath()));
    {
        QFile file(data);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const QString &line : kSample)
            file.write(line.toLatin1() + "\r\n");
    }
    auto dlg = OpenWith(data);
    if (view == QLatin1String("monthly")) {
        dlg->OnMonthlyList();
    } else if (view == QLatin1String("past")) {
        Ctl<QRadioButton>(*dlg, MainCtl::PastData)->click();
        QCOMPARE(dlg->Session().YearsBack(), 1);
    }

    const QString out = Out(QStringLiteral("export.csv"));
    savePath.answers = {out};
    const int boxes = RunModal<CCsvScopeDlg>(
            [&] { CsvItem(*dlg)->trigger(); },
            Choose(allYears ? CCsvScopeDlg::IdAllYears : CCsvScopeDlg::IdShownPeriod));
    QCOMPARE(boxes, 1);
    QCOMPARE(savePath.asked.size(), 1);
    QCOMPARE(savePath.asked.first().proposed, dir.filePath(proposed));
    QCOMPARE(savePath.asked.first().owner, static_cast<QWidget *>(dlg.get()));
    QVERIFY(savePath.asked.first().filter.contains(QStringLiteral("(*.csv)")));
    QCOMPARE(prompt.texts(), QStringList());

    // The bytes CsvExport writes for the same source, in UTF-8 with BOM, header and CR LF.
    const QString reference = Out(QStringLiteral("reference.csv"));
    CCsvExport csv;
    QCOMPARE(allYears ? csv.WriteAllYears(data, reference)
                      : csv.WritePeriod(dlg->Book(), reference),
             QString());
    const QByteArray bytes = ReadFile(out);
    QCOMPARE(bytes, ReadFile(reference));
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF" + CCsvExport::Header()));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count("\n"), bytes.count("\r\n"));
    // Every year has five rows; the period of 2003 (January on) two and the past one one.
    const int rows = allYears ? 5 : view == QLatin1String("past") ? 1 : 3;
    QCOMPARE(bytes.count("\r\n"), 1 + rows);
}

void TestExport::csvAllYearsTakesUnsavedDays()
{
    WriteLines(kSample);
    const QByteArray before = ReadData();
    // Days are unsaved only when their save failed.
    makeBook = [](const QString &path) {
        auto book = std::make_unique<BookTest::FaultyBook>(path);
        book->commitErrno = EACCES;
        return std::unique_ptr<CResultBook>(std::move(book));
    };
    auto dlg = OpenWith();
    QVERIFY(dlg->Session().Book().EnterDay(20030513, EntryMethod::Amounts, 7, 3, 4));
    QVERIFY(dlg->Session().Book().EnterDay(20030512, EntryMethod::Amounts, 0, 0, 0));

    savePath.answers = {Out(QStringLiteral("all.csv"))};
    RunModal<CCsvScopeDlg>([&] { CsvItem(*dlg)->trigger(); }, Choose(CCsvScopeDlg::IdAllYears));
    const QByteArray bytes = ReadFile(Out(QStringLiteral("all.csv")));
    QVERIFY(bytes.contains(CCsvExport::Row(20030513, DayRecord{0, 7, 3, 4})));
    QVERIFY(!bytes.contains("2003/05/12"));
    QVERIFY(bytes.contains("2004/01/01")); // the years outside the period come from the file
    QCOMPARE(ReadData(), before); // the export saves nothing
    QVERIFY(dlg->Book().IsModified());
}

// The third choice: every play session, one row each, through the same questions and writer.
void TestExport::csvSessions()
{
    WriteLines(kSample);
    QFile::remove(dir.filePath(QStringLiteral("Murel1.db")));
    auto dlg = OpenWith();
    CPlayDiary &plays = dlg->Session().Plays();
    PlaySession a;
    a.day = 20030512;
    a.store = QStringLiteral("駅前ホール");
    a.machine = QStringLiteral("海物語");
    a.startMinute = 9 * 60 + 30;
    a.endMinute = 12 * 60 + 30;
    a.invested = 100;
    a.collected = 150;
    a.memo = QStringLiteral("朝一,好調\n\"夕方\"");
    PlaySession b;
    b.day = 20020601;
    b.store = QStringLiteral("ABC");
    b.invested = 10;
    b.collected = 20;
    QString problem;
    QVERIFY2(plays.Add(a, &problem) && plays.Add(b, &problem), qPrintable(problem));
    const QByteArray dataBefore = ReadData();

    const QString out = Out(QStringLiteral("sessions.csv"));
    savePath.answers = {out};
    QCOMPARE(RunModal<CCsvScopeDlg>([&] { CsvItem(*dlg)->trigger(); },
                                    Choose(CCsvScopeDlg::IdSessions)),
             1);
    QCOMPARE(savePath.asked.size(), 1);
    QCOMPARE(savePath.asked.first().proposed, dir.filePath(QStringLiteral("Murel1-sessions.csv")));
    QCOMPARE(prompt.texts(), QStringList());
    // In date order, every year; amounts in yen; the memo quoted with its line break.
    const QByteArray expected = QByteArray("\xEF\xBB\xBF")
            + QStringLiteral("日付,店舗,機種,開始,終了,投資額(円),回収額(円),収支(円),メモ\r\n"
                             "2002/06/01,ABC,,,,1000,2000,1000,\r\n"
                             "2003/05/12,駅前ホール,海物語,09:30,12:30,10000,15000,5000,"
                             "\"朝一,好調\n\"\"夕方\"\"\"\r\n")
                      .toUtf8();
    QCOMPARE(ReadFile(out), expected);
    QCOMPARE(ReadData(), dataBefore); // the export writes nothing else
    dlg.reset();
    QFile::remove(dir.filePath(QStringLiteral("Murel1.db")));
}

// The fourth choice: the totals by store as the table's window last showed them (by default by
// store over the shown period), with the table's headings; sessions of other years are left out.
void TestExport::csvSessionTable()
{
    WriteLines(kSample);
    QFile::remove(dir.filePath(QStringLiteral("Murel1.db")));
    auto dlg = OpenWith();
    CPlayDiary &plays = dlg->Session().Plays();
    QString problem;
    const auto add = [&](int day, const char16_t *store, int invested, int collected) {
        PlaySession s;
        s.day = day;
        s.store = QString::fromUtf16(store);
        s.invested = invested;
        s.collected = collected;
        return plays.Add(s, &problem);
    };
    QVERIFY2(add(20030512, u"駅前ホール", 100, 150) && add(20030513, u" 駅前ホール ", 50, 0)
                     && add(20030512, u"ABC", 10, 40) && add(20020601, u"ABC", 10, 20),
             qPrintable(problem));

    const QString out = Out(QStringLiteral("totals.csv"));
    savePath.answers = {out};
    QCOMPARE(RunModal<CCsvScopeDlg>([&] { CsvItem(*dlg)->trigger(); },
                                    Choose(CCsvScopeDlg::IdSessionTable)),
             1);
    QCOMPARE(savePath.asked.size(), 1);
    QCOMPARE(savePath.asked.first().proposed, dir.filePath(QStringLiteral("Murel1-totals.csv")));
    QCOMPARE(prompt.texts(), QStringList());
    const QList<QByteArray> lines = ReadFile(out).split('\n');
    QCOMPARE(lines.size(), 5); // heading, two stores, 合計, and the end of the last line
    QVERIFY(lines[0].startsWith("\xEF\xBB\xBF"));
    QCOMPARE(QString::fromUtf8(lines[0].mid(3)),
             QStringLiteral("名前,稼働数,回収/投資,回収率,収支,勝率,稼働時間,時給\r"));
    QCOMPARE(QString::fromUtf8(lines[1]), QStringLiteral("ABC,1,40/10,400%,30,100%,0:00,-\r"));
    QCOMPARE(QString::fromUtf8(lines[2]),
             QStringLiteral("駅前ホール,2,150/150,100%,0,50%,0:00,-\r"));
    QVERIFY(lines[3].startsWith(QStringLiteral("合計,3,190/160,").toUtf8()));
    dlg.reset();
    QFile::remove(dir.filePath(QStringLiteral("Murel1.db")));
}

void TestExport::csvCancelled_data()
{
    QTest::addColumn<bool>("atScope");
    QTest::newRow("the scope dialog") << true;
    QTest::newRow("the save dialog") << false;
}

void TestExport::csvCancelled()
{
    QFETCH(bool, atScope);
    WriteLines(kSample);
    auto dlg = OpenWith();
    savePath.answers = {}; // cancels the save dialog
    RunModal<CCsvScopeDlg>([&] { CsvItem(*dlg)->trigger(); },
                           [&](CCsvScopeDlg *box) {
                               if (atScope)
                                   QTest::keyClick(box, Qt::Key_Escape);
                               else
                                   box->accept();
                           });
    QCOMPARE(savePath.asked.size(), atScope ? 0 : 1);
    QCOMPARE(Listing(dir.filePath(QStringLiteral("out"))), QStringList());
    QCOMPARE(prompt.texts(), QStringList());
}

void TestExport::scopeDialogKeys_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("scope");
    const int down = Qt::Key_Down;
    QTest::newRow("Enter takes the default")
            << QList<int>{Qt::Key_Return} << true << int(CCsvScopeDlg::ShownPeriod);
    QTest::newRow("arrow down, Enter")
            << QList<int>{down, Qt::Key_Return} << true << int(CCsvScopeDlg::AllYears);
    QTest::newRow("down and up again") << QList<int>{down, int(Qt::Key_Up), Qt::Key_Enter} << true
                                       << int(CCsvScopeDlg::ShownPeriod);
    QTest::newRow("Esc cancels") << QList<int>{down, Qt::Key_Escape} << false << -1;
    QTest::newRow("two arrows down: the sessions")
            << QList<int>{down, down, Qt::Key_Return} << true << int(CCsvScopeDlg::Sessions);
    QTest::newRow("three arrows down: the totals by store and machine")
            << QList<int>{down, down, down, Qt::Key_Return} << true
            << int(CCsvScopeDlg::SessionTable);
    QTest::newRow("the totals are the last choice")
            << QList<int>{down, down, down, down, Qt::Key_Return} << true
            << int(CCsvScopeDlg::SessionTable);
    // Alt+R goes back to the radios from the buttons.
    QTest::newRow("mnemonic, then down")
            << QList<int>{Qt::Key_Tab, int(Qt::AltModifier) | int(Qt::Key_R), down, Qt::Key_Return}
            << true << int(CCsvScopeDlg::AllYears);
}

void TestExport::scopeDialogKeys()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, accepted);
    QFETCH(int, scope);
    CCsvScopeDlg box;
    QCOMPARE(box.windowTitle(), QStringLiteral("CSV形式で保存"));
    box.show();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    for (int key : keys) {
        QWidget *to = QApplication::focusWidget() ? QApplication::focusWidget() : &box;
        QTest::keyClick(to, Qt::Key(key & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
    }
    QCOMPARE(box.isVisible(), false);
    QCOMPARE(box.result() == QDialog::Accepted, accepted);
    if (accepted)
        QCOMPARE(int(box.Chosen()), scope);
}

void TestExport::graphImage_data()
{
    QTest::addColumn<QString>("view"); // the daily view's span, or "monthly"
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("barDate"); // a day (or month) whose balance bar is checked
    // The period runs from January 2003 (the year basis defaults to January).
    QTest::newRow("one month") << "1"
                               << "Murel-graph-20030501.png" << 20030520;
    QTest::newRow("three months") << "3"
                                  << "Murel-graph-20030401.png" << 20030520;
    QTest::newRow("the whole period") << "12"
                                      << "Murel-graph-20030101.png" << 20030520;
    QTest::newRow("monthly") << "monthly"
                             << "Murel-graph-20030101.png" << 200305;
}

void TestExport::graphImage()
{
    QFETCH(QString, view);
    QFETCH(QString, name);
    QFETCH(int, barDate);
    WriteLines(kSample);
    auto dlg = OpenWith();
    // The balance bars alone, so that no line crosses them.
    Ctl<QCheckBox>(*dlg, MainCtl::ItemMonth)->click();
    Ctl<QCheckBox>(*dlg, MainCtl::ItemYear)->click();
    if (view == QLatin1String("3"))
        Ctl<QRadioButton>(*dlg, MainCtl::SpanThreeMonths)->click();
    else if (view == QLatin1String("12"))
        Ctl<QRadioButton>(*dlg, MainCtl::SpanOneYear)->click();
    else if (view == QLatin1String("monthly"))
        dlg->OnMonthlyList();

    const QString path = Out(name);
    savePath.answers = {path};
    ImageItem(*dlg)->trigger();
    QCOMPARE(savePath.asked.size(), 1);
    QCOMPARE(savePath.asked.first().proposed, dir.filePath(name));
    QVERIFY(savePath.asked.first().filter.contains(QStringLiteral("(*.png)")));
    QCOMPARE(prompt.texts(), QStringList());
    QCOMPARE(Listing(dir.filePath(QStringLiteral("out"))), QStringList{name});

    QImage image;
    QVERIFY(image.load(path, "PNG"));
    const auto *frame = Ctl<CGraphFrame>(*dlg, MainCtl::Graph);
    QCOMPARE(image.size(), frame->size() * 2);
    QCOMPARE(image.dotsPerMeterX(), qRound(frame->logicalDpiX() * 2 / 0.0254));

    // A point of the graph's client area, as the four pixels it became.
    const QPoint origin = frame->contentsRect().topLeft();
    auto colourAt = [&](int x, int y) {
        const QPoint p = (origin + QPoint(x, y)) * 2;
        const QRgb c = image.pixel(p);
        for (const QPoint d : {QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
            if (image.pixel(p + d) != c)
                return QColor(Qt::transparent);
        }
        return QColor(c);
    };
    const CGraphPainter &g = *dlg->Graph();
    QCOMPARE(colourAt(g.plotLeft + 3, g.plotTop + 3), QColor(255, 255, 215));
    const QSize client = frame->contentsRect().size();
    QCOMPARE(colourAt(client.width() - 4, client.height() - 4), QColor(255, 255, 255));
    const QString key = CResultBook::DateText(barDate); // a day's or a month's key text
    int point = -1;
    for (int i = 0; i < g.pointCount; ++i) {
        if (g.points[i].keyText == key)
            point = i;
    }
    QVERIFY(point >= 0);
    const int top = g.ValueY(g.points[point].value[0]);
    QVERIFY(g.zeroY - top > 8);
    QCOMPARE(colourAt(g.PointX(point), (g.zeroY + top) / 2), QColor(101, 101, 255));
}

void TestExport::clipboardHoldsTheSameImage()
{
    WriteLines(kSample);
    auto dlg = OpenWith();
    auto *frame = Ctl<CGraphFrame>(*dlg, MainCtl::Graph);
    QCOMPARE(frame->contextMenuPolicy(), Qt::ActionsContextMenu);
    QCOMPARE(frame->actions(), QList<QAction *>{frame->CopyAction()});
    QCOMPARE(frame->CopyAction()->text(), QStringLiteral("グラフをコピー(&C)"));

    QGuiApplication::clipboard()->clear();
    frame->CopyAction()->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    savePath.answers = {Out(QStringLiteral("graph.png"))};
    ImageItem(*dlg)->trigger();
    QImage saved;
    QVERIFY(saved.load(Out(QStringLiteral("graph.png"))));
    QCOMPARE(copied.size(), frame->size() * 2);
    QImage a = copied.convertToFormat(QImage::Format_RGB32);
    QImage b = saved.convertToFormat(QImage::Format_RGB32);
    a.setDevicePixelRatio(1);
    b.setDevicePixelRatio(1);
    QCOMPARE(a, b);
}

void TestExport::failures_data()
{
    QTest::addColumn<QString>("what"); // "period", "all", "sessions", "image" or "print" (a file)
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("firstLine");

    for (const char *what : {"period", "all", "sessions", "image", "print"}) {
        const QString failed = QLatin1String(what) == QLatin1String("image") ? kImageFailed
                : QLatin1String(what) == QLatin1String("print")
                ? QStringLiteral("印刷に失敗しました。")
                : kCsvFailed;
        QTest::addRow("%s: a folder in the way", what) << what << "folder" << failed;
        QTest::addRow("%s: an unwritable folder", what) << what << "locked" << failed;
        QTest::addRow("%s: a missing folder", what) << what << "missing" << failed;
        QTest::addRow("%s: the data file itself", what) << what << "data" << kNotDataFile;
    }
}

// One failure case with its own data file in root, which it makes itself so that it can run as
// another user: empty when the export failed as it should, else what went wrong.
QString TestExport::FailureCase(const QString &root, const QString &what, const QString &setup,
                                const QString &firstLine)
{
    QStringList wrong;
    auto expect = [&wrong](bool ok, const QString &text) {
        if (!ok)
            wrong << text;
    };
    const QString data = root + QStringLiteral("/Murel1.Dat");
    const QString out = root + QStringLiteral("/out");
    QByteArray bytes;
    for (const QString &line : kSample)
        bytes += line.toLatin1() + "\r\n";
    QFile file(data);
    QDir(root).removeRecursively();
    if (!QDir().mkpath(out) || !file.open(QIODevice::WriteOnly)
        || file.write(bytes) != bytes.size())
        return QStringLiteral("cannot make the data file");
    file.close();
    QString target = out
            + (what == QLatin1String("image")           ? QStringLiteral("/graph.png")
                       : what == QLatin1String("print") ? QStringLiteral("/print.pdf")
                                                        : QStringLiteral("/results.csv"));
    if (setup == QLatin1String("folder"))
        expect(QDir().mkdir(target), "mkdir");
    if (setup == QLatin1String("locked"))
        expect(QFile::setPermissions(out, QFile::ReadOwner | QFile::ExeOwner), "chmod");
    if (setup == QLatin1String("missing"))
        target = out + QStringLiteral("/gone/") + QFileInfo(target).fileName();
    if (setup == QLatin1String("data"))
        target = data;
    const QStringList listed = Listing(out);

    prompt = ScriptedPrompt();
    savePath = ScriptedSavePath();
    {
        DiaryEnv env = Env();
        env.dataFilePath = data;
        env.savePath = &savePath;
        CDiaryDlg dlg(env);
        dlg.show();
        expect(QTest::qWaitForWindowExposed(&dlg), "main window not exposed");
        savePath.answers = {target};
        if (what == QLatin1String("image")) {
            ImageItem(dlg)->trigger();
        } else if (what == QLatin1String("print")) {
            QPrinter printer(QPrinter::HighResolution);
            CExportCommands::SetUpPrinter(printer, data);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(target);
            expect(!dlg.Export()->PrintTo(printer), "printed");
        } else {
            RunModal<CCsvScopeDlg>([&] { CsvItem(dlg)->trigger(); }, Choose(ScopeOf(what)));
        }
        expect(prompt.asked.size() == 1, QStringLiteral("%1 boxes").arg(prompt.asked.size()));
        expect(prompt.asked.value(0).owner == &dlg
                       && prompt.asked.value(0).icon == QMessageBox::Warning,
               "not a warning owned by the main window");
    }
    QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QStringList lines = prompt.texts().value(0).split(QLatin1Char('\n'));
    expect(lines.first() == firstLine, QStringLiteral("first line: ") + lines.first());
    const QString named = QDir::toNativeSeparators(target);
    expect(lines.value(1).startsWith(named), QStringLiteral("second line: ") + lines.value(1));
    if (setup != QLatin1String("data")) {
        expect(lines.value(1).startsWith(named + QStringLiteral(": "))
                       && lines.value(1).size() > named.size() + 2,
               "no reason given");
    }
    // Nothing left behind, nothing replaced.
    expect(Listing(out) == listed, QStringLiteral("left in out: ") + Listing(out).join(' '));
    if (setup == QLatin1String("folder"))
        expect(Listing(target).isEmpty(), "written into the folder");
    expect(ReadFile(data) == bytes, "the data file changed");
    return wrong.join(QLatin1Char('\n'));
}

void TestExport::failures()
{
    QFETCH(QString, what);
    QFETCH(QString, setup);
    QFETCH(QString, firstLine);
    // Permissions must bite: as root, the case runs as an ordinary user in a folder of its own.
    if (setup == QLatin1String("locked")) {
        QCOMPARE(RunUnprivileged([&] {
                     QTemporaryDir own;
                     if (!own.isValid())
                         return QStringLiteral("no folder of its own");
                     // Settings of its own too: the daily input window stays closed.
                     QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                                        own.filePath(QStringLiteral("settings")));
                     WriteProfileInt(QStringLiteral("Option"), QStringLiteral("DailyInput_Show"),
                                     0);
                     return FailureCase(own.filePath(QStringLiteral("case")), what, setup,
                                        firstLine);
                 }),
                 QString());
        return;
    }
    QCOMPARE(FailureCase(dir.filePath(QStringLiteral("case")), what, setup, firstLine), QString());
}

void TestExport::refusedTargets_data()
{
    QTest::addColumn<QString>("what"); // "period", "all", "sessions", "image" or "print"
    QTest::addColumn<QString>("target"); // what the chosen name leads to
    QTest::addColumn<bool>("dataFile"); // refused as the data file's, else as no regular file
    QTest::addColumn<QString>("reason"); // what the second line ends with, for no regular file

    const struct
    {
        const char *target;
        bool dataFile;
        const char16_t *reason;
    } targets[] = {
            {"the data file", true, u""},
            {"a link to the data file", true, u""},
            {"a path through ..", true, u""},
            {"a hard link to the data file", true, u""},
            {"a backup", true, u""},
            {"a hard link to a backup", true, u""},
            {"the backup folder", true, u""},
            {"a new file in the backup folder", true, u""},
            {"the sessions' database", true, u""},
            {"a hard link to the database's log", true, u""},
            {"the data file's lock", true, u""},
            {"a FIFO", false, u": 名前付きパイプ（FIFO）で、通常のファイルではありません。"},
            {"a folder", false, u": 同じ名前のフォルダーがあります。"},
            {"a link to a device", false, u": デバイスで、通常のファイルではありません。"},
    };
    for (const char *what : {"period", "all", "sessions", "image", "print"}) {
        for (const auto &t : targets) {
            QTest::addRow("%s: %s", what, t.target)
                    << what << t.target << t.dataFile << QString::fromUtf16(t.reason);
        }
    }
}

void TestExport::refusedTargets()
{
    QFETCH(QString, what);
    QFETCH(QString, target);
    QFETCH(bool, dataFile);
    QFETCH(QString, reason);

    WriteLines(kSample);
    const QByteArray before = ReadData();
    const QString backups = DataPath() + QStringLiteral(".backup");
    QVERIFY(QDir().mkdir(backups));
    const QString backup = backups + QStringLiteral("/Murel1-20030511.Dat");
    QVERIFY(QFile::copy(DataPath(), backup));
    const QString out = Out(QString());
    QString path;
    if (target == QLatin1String("the data file")) {
        path = DataPath();
    } else if (target == QLatin1String("a link to the data file")) {
        path = Out(QStringLiteral("link.out"));
        QVERIFY(QFile::link(DataPath(), path));
    } else if (target == QLatin1String("a path through ..")) {
        path = Out(QStringLiteral("../Murel1.Dat"));
    } else if (target == QLatin1String("a hard link to the data file")) {
        path = Out(QStringLiteral("hard.out"));
        QCOMPARE(::link(QFile::encodeName(DataPath()).constData(),
                        QFile::encodeName(path).constData()),
                 0);
    } else if (target == QLatin1String("a backup")) {
        path = backup;
    } else if (target == QLatin1String("a hard link to a backup")) {
        path = Out(QStringLiteral("hard.out"));
        QCOMPARE(::link(QFile::encodeName(backup).constData(), QFile::encodeName(path).constData()),
                 0);
    } else if (target == QLatin1String("the backup folder")) {
        path = backups;
    } else if (target == QLatin1String("a new file in the backup folder")) {
        path = backups + QStringLiteral("/new.out");
    } else if (target == QLatin1String("the sessions' database")) {
        path = dir.filePath(QStringLiteral("Murel1.db"));
    } else if (target == QLatin1String("a hard link to the database's log")) {
        const QString log = dir.filePath(QStringLiteral("Murel1.db-wal"));
        QFile file(log);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("log") == 3);
        file.close();
        path = Out(QStringLiteral("hard.out"));
        QCOMPARE(::link(QFile::encodeName(log).constData(), QFile::encodeName(path).constData()),
                 0);
    } else if (target == QLatin1String("the data file's lock")) {
        path = DataPath() + QStringLiteral(".lock");
    } else if (target == QLatin1String("a FIFO")) {
        path = Out(QStringLiteral("fifo.out"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (target == QLatin1String("a folder")) {
        path = Out(QStringLiteral("folder.out"));
        QVERIFY(QDir().mkdir(path));
    } else if (target == QLatin1String("a link to a device")) {
        path = Out(QStringLiteral("null.out"));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), path));
    }
    const QStringList listed = Listing(out);
    const QStringList backedUp = Listing(backups);
    struct stat was;
    QCOMPARE(::lstat(QFile::encodeName(path).constData(), &was) == 0, QFileInfo(path).exists());

    auto dlg = OpenWith();
    savePath.answers = {path};
    if (what == QLatin1String("image")) {
        ImageItem(*dlg)->trigger();
    } else if (what == QLatin1String("print")) {
        // What the preview's print button hands over once the print dialog chose the file.
        QPrinter printer(QPrinter::HighResolution);
        CExportCommands::SetUpPrinter(printer, DataPath());
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        QVERIFY(!dlg->Export()->PrintTo(printer));
        QCOMPARE(printer.outputFileName(), path);
    } else {
        RunModal<CCsvScopeDlg>([&] { CsvItem(*dlg)->trigger(); }, Choose(ScopeOf(what)));
    }

    QCOMPARE(prompt.asked.size(), 1);
    QCOMPARE(prompt.asked.first().icon, QMessageBox::Warning);
    const QStringList lines = prompt.texts().first().split(QLatin1Char('\n'));
    const QString failed = what == QLatin1String("image") ? kImageFailed
            : what == QLatin1String("print") ? QStringLiteral("印刷に失敗しました。")
                                             : kCsvFailed;
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.first(), dataFile ? kNotDataFile : failed);
    // The data file's refusal names the file as chosen; a file that is no regular file is named
    // with its absolute path and what it is.
    QCOMPARE(lines.last(),
             QDir::toNativeSeparators(dataFile ? path : QFileInfo(path).absoluteFilePath())
                     + reason);
    // Nothing written, nothing replaced, nothing left behind.
    QCOMPARE(ReadData(), before);
    QCOMPARE(ReadFile(backup), before);
    QCOMPARE(Listing(out), listed);
    QCOMPARE(Listing(backups), backedUp);
    struct stat is;
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
        QCOMPARE(::lstat(QFile::encodeName(path).constData(), &is), 0);
        QCOMPARE(is.st_mode, was.st_mode);
        QCOMPARE(is.st_ino, was.st_ino);
    }
    QDir(backups).removeRecursively();
    QFile::remove(dir.filePath(QStringLiteral("Murel1.db-wal")));
}

void TestExport::printPreview()
{
    WriteLines(kSample);
    auto dlg = OpenWith();
    dlg->OnMonthlyList();
    const QString pdf = Out(QStringLiteral("print.pdf"));
    int pages = -1;
    QPageSize::PageSizeId size = QPageSize::Custom;
    QPageLayout::Orientation orientation = QPageLayout::Landscape;
    const int shown = RunModal<QPrintPreviewDialog>(
            [&] { PrintItem(*dlg)->trigger(); },
            [&](QPrintPreviewDialog *preview) {
                auto *widget = preview->findChild<QPrintPreviewWidget *>();
                QVERIFY(widget);
                pages = widget->pageCount();
                QPrinter *printer = preview->printer();
                size = printer->pageLayout().pageSize().id();
                orientation = printer->pageLayout().orientation();
                // What the print button does once the dialog chose a PDF file.
                printer->setOutputFormat(QPrinter::PdfFormat);
                printer->setOutputFileName(pdf);
                widget->print();
            });
    QCOMPARE(shown, 1);
    QCOMPARE(size, QPageSize::A4);
    QCOMPARE(orientation, QPageLayout::Portrait);
    QCOMPARE(pages, 1);
    QCOMPARE(ReadFile(pdf).left(5), QByteArray("%PDF-"));
    QVERIFY(ReadFile(pdf).trimmed().endsWith("%%EOF"));
    // Through the durable writer: the printout took the name, nothing else is left.
    QCOMPARE(Listing(Out(QString())), QStringList{QStringLiteral("print.pdf")});
    QCOMPARE(prompt.texts(), QStringList());
}

void TestExport::printPreviewOverTheDataFile()
{
    // The preview's print button with the data file chosen as the output: refused, not printed.
    WriteLines(kSample);
    const QByteArray before = ReadData();
    auto dlg = OpenWith();
    const int shown = RunModal<QPrintPreviewDialog>(
            [&] { PrintItem(*dlg)->trigger(); },
            [&](QPrintPreviewDialog *preview) {
                auto *widget = preview->findChild<QPrintPreviewWidget *>();
                QVERIFY(widget);
                // The preview paints without a file, even once a file name is set.
                preview->printer()->setOutputFormat(QPrinter::PdfFormat);
                preview->printer()->setOutputFileName(DataPath());
                widget->updatePreview();
                QCOMPARE(prompt.asked.size(), 0);
                widget->print();
            });
    QCOMPARE(shown, 1);
    QCOMPARE(prompt.texts(),
             QStringList{kNotDataFile + QLatin1Char('\n') + QDir::toNativeSeparators(DataPath())});
    QCOMPARE(ReadData(), before);
    QCOMPARE(Listing(dir.path()).filter(QStringLiteral(".tmp")), QStringList());
}

void TestExport::fileDialog_data()
{
    QTest::addColumn<QString>("typed"); // empty: cancel
    QTest::addColumn<QString>("answer");
    QTest::newRow("the proposal") << "="
                                  << "out/Murel1-all.csv";
    QTest::newRow("another name without extension") << "mine"
                                                    << "out/mine.csv";
    QTest::newRow("cancelled") << ""
                               << "";
}

void TestExport::fileDialog()
{
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    // The real asker: Qt's own dialog, opened in the proposal's folder with its name.
    CFileDialogSavePath asker;
    QString got = QStringLiteral("<not asked>");
    QString shownName;
    QString shownFolder;
    bool nonNative = false;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    const int shown = RunModal<QFileDialog>(
            [&] {
                got = asker.Ask(nullptr, QStringLiteral("CSV形式で保存"),
                                Out(QStringLiteral("Murel1-all.csv")),
                                QStringLiteral("CSVファイル (*.csv)"));
            },
            [&](QFileDialog *box) {
                nonNative = box->testOption(QFileDialog::DontUseNativeDialog);
                mode = box->acceptMode();
                shownFolder = box->directory().absolutePath();
                auto *name = box->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                QVERIFY(name);
                shownName = name->text();
                if (typed.isEmpty())
                    return; // rejected
                if (typed != QLatin1String("="))
                    name->setText(typed);
                QTest::keyClick(name, Qt::Key_Return);
            });
    QCOMPARE(shown, 1);
    QVERIFY(nonNative);
    QCOMPARE(mode, QFileDialog::AcceptSave);
    QCOMPARE(shownFolder, dir.filePath(QStringLiteral("out")));
    QCOMPARE(shownName, QStringLiteral("Murel1-all.csv"));
    QCOMPARE(got, answer.isEmpty() ? QString() : dir.filePath(answer));
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
