// The year table from the main window's tools menu: where the item stands, when it can be
// chosen, and what the dialog shows of the main window's data file and loaded period.

#include "MainWindowFixture.h"
#include "RunModal.h"
#include "data/BookTestUtil.h"
#include "dialogkit/ReportList.h"
#include "session/RowText.h"
#include "tools/YearTableDlg.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <cerrno>
#include <functional>

namespace {

const auto Line = DataLine;

const QStringList kSample = {
        Line(20020510, 0, 20, 10, 10),
        Line(20021231, 0, 5, 8, -3),
        Line(20030101, 0, 29, 100, -71),
        Line(20030512, 0, 50, 30, 20),
};

QMenu *ToolsMenu(const CDiaryDlg &dlg)
{
    auto *bar = dlg.findChild<QMenuBar *>();
    if (!bar)
        return nullptr;
    for (QAction *menu : bar->actions()) {
        if (menu->text() == QStringLiteral("ﾂｰﾙ(&T)"))
            return menu->menu();
    }
    return nullptr;
}

QAction *YearTableItem(const CDiaryDlg &dlg)
{
    QMenu *tools = ToolsMenu(dlg);
    if (!tools)
        return nullptr;
    for (QAction *item : tools->actions()) {
        if (item->text() == QStringLiteral("年別集計(&Y)..."))
            return item;
    }
    return nullptr;
}

// Triggers the item and hands every year table that comes up modal to `whileShown`, then
// closes it. Answers how many came up.
int OpenYearTable(QAction *item, const std::function<void(CYearTableDlg *)> &whileShown)
{
    return RunModal<CYearTableDlg>([item] { item->trigger(); }, whileShown);
}

QStringList Cells(const CReportList &list)
{
    QStringList rows;
    for (int r = 0; r < list.RowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < list.model()->columnCount(); ++c)
            cells << list.CellText(r, c);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

class TestYearTableMain : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_f.Prepare()); }
    void init()
    {
        m_f.Reset(false);
        m_f.WriteLines(kSample);
    }

    void itemAboveTheOptions();
    void followsTheDailyInputWindow_data();
    void followsTheDailyInputWindow();
    void showsTheDiary();

private:
    MainWindowFixture m_f;
};

void TestYearTableMain::itemAboveTheOptions()
{
    auto dlg = m_f.Open();
    QMenu *tools = ToolsMenu(*dlg);
    QVERIFY(tools);
    QStringList items;
    for (QAction *item : tools->actions())
        items << item->text();
    // The other tools come between them.
    QCOMPARE(items.first(), QStringLiteral("年別集計(&Y)..."));
    QCOMPARE(items.last(), QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"));
}

void TestYearTableMain::followsTheDailyInputWindow_data()
{
    QTest::addColumn<int>("showAtStart"); // the option "DailyInput_Show"
    QTest::addColumn<bool>("openByEntryButton"); // "実績入力(&I)" after the start

    QTest::newRow("not opened") << 0 << false;
    QTest::newRow("opened at start") << 1 << false;
    QTest::newRow("opened by result entry") << 0 << true;
}

// The item rests while the daily input window is open, as the analyzer button does.
void TestYearTableMain::followsTheDailyInputWindow()
{
    QFETCH(int, showAtStart);
    QFETCH(bool, openByEntryButton);

    WriteProfileInt(QStringLiteral("Option"), QStringLiteral("DailyInput_Show"), showAtStart);
    auto dlg = m_f.Show();
    QVERIFY(dlg->isVisible());
    QTRY_COMPARE(dlg->DailyInput() != nullptr, showAtStart == 1);
    if (openByEntryButton) {
        QTest::mouseClick(dlg->Control(MainCtl::DailyInput), Qt::LeftButton);
        QVERIFY(dlg->DailyInput());
    }
    const bool inputOpen = dlg->DailyInput() != nullptr;
    QAction *item = YearTableItem(*dlg);
    QVERIFY(item);
    QCOMPARE(item->isEnabled(), !inputOpen);
    QCOMPARE(item->isEnabled(), dlg->Control(MainCtl::Analyzer)->isEnabled());
    QCOMPARE(OpenYearTable(item, [](CYearTableDlg *) {}), inputOpen ? 0 : 1);

    if (inputOpen) {
        dlg->DailyInput()->close();
        QTRY_VERIFY(!dlg->DailyInput());
        QVERIFY(item->isEnabled());
        QCOMPARE(OpenYearTable(item, [](CYearTableDlg *) {}), 1);
    }
    QVERIFY(m_f.prompt.asked.isEmpty());
}

// The dialog is owned by the main window and reads its data file, with the loaded period's days
// as the main window holds them, unsaved ones included; the year the diary started in is marked.
void TestYearTableMain::showsTheDiary()
{
    // A day is unsaved only when its save failed.
    m_f.makeBook = [](const QString &path) {
        auto book = std::make_unique<BookTest::FaultyBook>(path);
        book->commitErrno = EACCES;
        return std::unique_ptr<CResultBook>(std::move(book));
    };
    auto dlg = m_f.Show();
    const QByteArray before = m_f.ReadData();
    QVERIFY(dlg->Session().Book().EnterDay(20030513, EntryMethod::Balance, 0, 0, 7));

    QWidget *owner = nullptr;
    bool modal = false;
    QString caption;
    QStringList rows;
    int marked = -1;
    QAction *item = YearTableItem(*dlg);
    QVERIFY(item);
    QCOMPARE(OpenYearTable(item,
                           [&](CYearTableDlg *box) {
                               owner = box->parentWidget();
                               modal = box->isModal();
                               caption = box->windowTitle();
                               rows = Cells(*box->List());
                               marked = box->List()->IconOfRow(1);
                           }),
             1);
    QCOMPARE(owner, dlg.get());
    QVERIFY(modal);
    QCOMPARE(caption, QStringLiteral("年別集計"));
    QCOMPARE(rows,
             QStringList({"2002|25/18|139%|7|7|2|50%", "2003|79/130|61%|-44|-37|3|67%",
                          "合計|104/148|70%|-37|-37|5|60%"}));
    QCOMPARE(marked, int(rowtext::MarkedDown));
    // The dialog never writes; the typed day waits for the main window's next try.
    QCOMPARE(m_f.ReadData(), before);
    QVERIFY(dlg->Book().IsModified());
}

QTEST_MAIN(TestYearTableMain)
#include "tst_yeartable_main.moc"
