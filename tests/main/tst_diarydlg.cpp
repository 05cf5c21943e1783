#include "MainWindowFixture.h"
#include "dialogkit/DialogTemplate.h"
#include "dialogs/OptionDlg.h"
#include "graph/GraphPainter.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

using F = MainWindowFixture;

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

const auto Line = DataLine;

// Enters a balance-only result for one day, as the daily input window does.
void EnterBalance(CDiaryDlg &dlg, int index, int balance)
{
    CResultBook &book = dlg.Session().Book();
    QVERIFY(book.EnterDay(book.Day(index).date, EntryMethod::Balance, 0, 0, balance));
}

const QStringList kSample = {
        Line(20020510, 0, 20, 10, 10),  Line(20030101, 0, 1000, 0, 1000),
        Line(20030415, 1, 0, 0, 20),    Line(20030505, 0, 5, 8, -3),
        Line(20030512, 0, 50, 30, 20),  Line(20030513, 0, 1, 300, -299),
        Line(20030520, 0, 300, 0, 300),
};

constexpr int kMay1 = 120; // index of 2003/05/01 in a January-to-May 2003 book

} // namespace

class TestDiaryDlg : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void firstStart();
    void layout();
    void viewStates_data();
    void viewStates();
    void periodChanges_data();
    void periodChanges();
    void yearBasisReload();
    void dailyCells_data();
    void dailyCells();
    void monthlyCellsAndIcons();
    void pastPeriodHasNoMarks();
    void entryUpdatesRows_data();
    void entryUpdatesRows();
    void monthButtons();
    void clicksFollowMouseOnly();
    void doubleClickOnMonth();
    void selectMessages_data();
    void selectMessages();
    void summaryLine();
    void settingsWrittenOnExit_data();
    void settingsWrittenOnExit();
    void saveFailureOnPeriodChange();
    void loadFailureWarns();
    void closeSavesChanges();
    void closeSaveFailure_data();
    void closeSaveFailure();
    void enterAndEscape();
    void listTitleMnemonic();
    void graphItemsAndSpans();
    void graphMonthlyViewKeepsStates();
    void graphRendered();
    void dailyInputProtocol();

private:
    std::unique_ptr<CDiaryDlg> Open(QDate today = QDate(2003, 5, 12)) { return m_f.Open(today); }
    QString DataPath() const { return m_f.DataPath(); }
    void WriteData(const QStringList &lines) { m_f.WriteLines(lines); }
    QString ReadData() const { return QString::fromLatin1(m_f.ReadData()); }
    static QStringList Row(const CDiaryDlg &dlg, int row) { return F::Row(dlg, row); }
    static int IconOf(const CDiaryDlg &dlg, int row) { return dlg.List()->IconOfRow(row); }
    template<class T> static T *Ctl(const CDiaryDlg &dlg, MainCtl::Id id)
    {
        return F::Ctl<T>(dlg, id);
    }

    MainWindowFixture m_f;
    ScriptedPrompt &m_prompt = m_f.prompt;
};

void TestDiaryDlg::initTestCase()
{
    QVERIFY(m_f.Prepare());
}

void TestDiaryDlg::init()
{
    // The daily input window is not wanted unless a test asks for it.
    m_f.Reset(false);
}

void TestDiaryDlg::firstStart()
{
    auto dlg = Open();
    // Settings defaults: January basis, span one month, all three items ticked.
    QVERIFY(dlg->Settings().fromJanuary);
    QCOMPARE(dlg->GraphSpan(), 1);
    QVERIFY(Ctl<QRadioButton>(*dlg, MainCtl::SpanOneMonth)->isChecked());
    QVERIFY(!Ctl<QRadioButton>(*dlg, MainCtl::SpanThreeMonths)->isChecked());
    QVERIFY(!Ctl<QRadioButton>(*dlg, MainCtl::SpanOneYear)->isChecked());
    for (auto id : {MainCtl::ItemBalance, MainCtl::ItemMonth, MainCtl::ItemYear})
        QVERIFY(Ctl<QCheckBox>(*dlg, id)->isChecked());
    // The current period, January to May, in the daily view of May with today selected.
    QCOMPARE(dlg->Session().YearsBack(), 0);
    QVERIFY(Ctl<QRadioButton>(*dlg, MainCtl::CurrentData)->isChecked());
    QVERIFY(!Ctl<QLineEdit>(*dlg, MainCtl::Years)->isEnabled());
    QCOMPARE(Ctl<QLineEdit>(*dlg, MainCtl::Years)->text(), QString("1"));
    QCOMPARE(dlg->Book().MonthCount(), 5);
    QCOMPARE(dlg->Session().MonthIndex(), 4);
    QVERIFY(dlg->IsDailyView());
    QCOMPARE(dlg->List()->RowCount(), 31);
    QCOMPARE(dlg->List()->SelectedRow(), 11);
    QCOMPARE(dlg->List()->currentIndex().row(), 11);
    QCOMPARE(Ctl<QLabel>(*dlg, MainCtl::TodayDate)->text(), QString("2003/05/12"));
    QCOMPARE(Ctl<QLabel>(*dlg, MainCtl::ListTitle)->text(), QString("日別一覧(&L):"));
    QCOMPARE(Ctl<QLabel>(*dlg, MainCtl::ListMonth)->text(), QString("2003/05"));
    QCOMPARE(dlg->Session().ThisMonth(), 200305);
    QCOMPARE(dlg->Session().Today(), 20030512);
    // The first start leaves an empty data file behind and the book unmodified.
    QVERIFY(QFile::exists(DataPath()));
    QCOMPARE(dlg->Book().IsModified(), false);
    QVERIFY(m_prompt.asked.isEmpty());
    QCOMPARE(dlg->Graph()->title, QString("日別推移:2003/05/01 (木) ～ 2003/05/31 (土)"));
}

void TestDiaryDlg::layout()
{
    auto dlg = Open();
    QCOMPARE(dlg->windowTitle(), QString("ミュレル"));
    const Qt::WindowFlags flags = dlg->windowFlags();
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(dlg->minimumSize(), dlg->maximumSize());

    const dlg::BaseUnits units = dlg::BaseUnitsOf(dlg::DialogFont());
    QCOMPARE(dlg->Control(MainCtl::List)->geometry(), dlg::ToPixels(units, 8, 12, 332, 196));
    QCOMPARE(dlg->Control(MainCtl::Graph)->geometry(), dlg::ToPixels(units, 8, 232, 476, 184));
    QCOMPARE(dlg->Control(MainCtl::TodayData)->geometry(), dlg::ToPixels(units, 8, 212, 60, 16));
    QCOMPARE(dlg->Control(MainCtl::TodayDate)->geometry(), dlg::ToPixels(units, 428, 424, 60, 12));
    QCOMPARE(dlg->Control(MainCtl::Ok)->isVisibleTo(dlg.get()), false);
    // The up-down sits at the buddy's right edge; together they fill the buddy's rectangle.
    const QRect edit = dlg::ToPixels(units, 408, 32, 24, 12);
    QCOMPARE(dlg->Control(MainCtl::Years)->geometry().left(), edit.left());
    QCOMPARE(dlg->Control(MainCtl::YearsUpDown)->geometry().right(), edit.right());
    QCOMPARE(dlg->Control(MainCtl::Years)->geometry().right() + 1,
             dlg->Control(MainCtl::YearsUpDown)->geometry().left());

    // Six columns of W x k / 20, headings aligned left then right.
    CReportList *list = dlg->List();
    const int w = list->width();
    const int k[] = {4, 4, 2, 3, 3, 3};
    const char *headings[] = {"日付", "回収/投資", "回収率", "収支", "月累積収支", "年累積収支"};
    QCOMPARE(list->model()->columnCount(), 6);
    int total = 0;
    for (int c = 0; c < 6; ++c) {
        if (c == 0)
            QVERIFY(list->columnWidth(c) >= w * k[c] / 20);
        else
            QCOMPARE(list->columnWidth(c), w * k[c] / 20);
        total += list->columnWidth(c);
        QCOMPARE(list->model()->headerData(c, Qt::Horizontal).toString(),
                 QString::fromUtf8(headings[c]));
        const int align
                = list->model()->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt()
                & Qt::AlignHorizontal_Mask;
        QCOMPARE(align, int(c == 0 ? Qt::AlignLeft : Qt::AlignRight));
    }
    QCOMPARE(list->iconSize(), QSize(16, 16));
    // The date column takes the free twentieth but never pushes the list into scrolling sideways.
    QVERIFY(total <= list->viewport()->width());
    QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
    QVERIFY(!list->rootIsDecorated());
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list->model()->index(0, 3).data(Qt::TextAlignmentRole).toInt()
                     & Qt::AlignHorizontal_Mask,
             int(Qt::AlignRight));
}

void TestDiaryDlg::viewStates_data()
{
    QTest::addColumn<bool>("monthly");
    QTest::newRow("daily") << false;
    QTest::newRow("monthly") << true;
}

void TestDiaryDlg::viewStates()
{
    QFETCH(bool, monthly);
    auto dlg = Open();
    if (monthly)
        Ctl<QPushButton>(*dlg, MainCtl::MonthlyList)->click();
    QCOMPARE(dlg->Control(MainCtl::MonthlyList)->isEnabled(), !monthly);
    QCOMPARE(dlg->Control(MainCtl::DailyList)->isEnabled(), monthly);
    QCOMPARE(dlg->Control(MainCtl::ItemMonth)->isEnabled(), !monthly);
    for (auto id : {MainCtl::SpanOneMonth, MainCtl::SpanThreeMonths, MainCtl::SpanOneYear})
        QCOMPARE(dlg->Control(id)->isEnabled(), !monthly);
    // May is the last month of the period: only the previous-month button in the daily view.
    QCOMPARE(dlg->Control(MainCtl::PrevMonth)->isEnabled(), !monthly);
    QCOMPARE(dlg->Control(MainCtl::NextMonth)->isEnabled(), false);
    QCOMPARE(Ctl<QLabel>(*dlg, MainCtl::ListTitle)->text(),
             monthly ? QString("月別一覧(&L):") : QString("日別一覧(&L):"));
    QCOMPARE(Ctl<QLabel>(*dlg, MainCtl::ListMonth)->text(),
             monthly ? QString() : QString("2003/05"));
    QCOMPARE(dlg->List()->RowCount(), monthly ? 5 : 31);
    QCOMPARE(dlg->List()->SelectedRow(), monthly ? 4 : 11);
    // With the daily input window closed: the period radios, entry and analyzer are usable.
    for (auto id : {MainCtl::CurrentData, MainCtl::PastData, MainCtl::DailyInput, MainCtl::Analyzer,
                    MainCtl::YearsLabel})
        QVERIFY(dlg->Control(id)->isEnabled());
    QVERIFY(!dlg->Control(MainCtl::Years)->isEnabled());
    QVERIFY(dlg->Graph()->title.startsWith(monthly ? "月別推移:" : "日別推移:"));
}

void TestDiaryDlg::periodChanges_data()
{
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<int>("yearsBack");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("firstMonth");
    QTest::addColumn<int>("monthCount");
    QTest::addColumn<bool>("pastChecked");

    QTest::newRow("past radio") << QStringList{"past"} << 1 << "1" << 200201 << 12 << true;
    QTest::newRow("up arrow twice")
            << QStringList{"past", "up", "up"} << 3 << "3" << 200001 << 12 << true;
    QTest::newRow("Up key") << QStringList{"past", "key up"} << 2 << "2" << 200101 << 12 << true;
    QTest::newRow("down arrow stops at 1")
            << QStringList{"past", "down"} << 1 << "1" << 200201 << 12 << true;
    QTest::newRow("Down key from 3")
            << QStringList{"past", "up", "up", "key down"} << 2 << "2" << 200101 << 12 << true;
    QTest::newRow("typed 9, up stops at 9")
            << QStringList{"past", "type 9", "up"} << 9 << "9" << 199401 << 12 << true;
    QTest::newRow("typed 0 loads the current period")
            << QStringList{"past", "type 0"} << 0 << "0" << 200301 << 5 << true;
    QTest::newRow("up from typed 0 goes to 1")
            << QStringList{"past", "type 0", "up"} << 1 << "1" << 200201 << 12 << true;
    QTest::newRow("emptied field puts 1 back")
            << QStringList{"past", "up", "up", "empty"} << 1 << "1" << 200201 << 12 << true;
    QTest::newRow("back to the current radio")
            << QStringList{"past", "up", "current"} << 0 << "2" << 200301 << 5 << false;
    QTest::newRow("past radio again reads the edit")
            << QStringList{"past", "up", "current", "past"} << 2 << "2" << 200101 << 12 << true;
    QTest::newRow("arrows ignored while the edit is disabled")
            << QStringList{"up", "key up"} << 0 << "1" << 200301 << 5 << false;
    QTest::newRow("typing ignored while the edit is disabled")
            << QStringList{"type 4"} << 0 << "1" << 200301 << 5 << false;
}

void TestDiaryDlg::periodChanges()
{
    QFETCH(QStringList, actions);
    QFETCH(int, yearsBack);
    QFETCH(QString, text);
    QFETCH(int, firstMonth);
    QFETCH(int, monthCount);
    QFETCH(bool, pastChecked);

    WriteData(kSample);
    auto dlg = Open();
    auto *edit = Ctl<QLineEdit>(*dlg, MainCtl::Years);
    auto *upDown = dlg->Control(MainCtl::YearsUpDown);
    for (const QString &action : actions) {
        if (action == "past")
            Ctl<QRadioButton>(*dlg, MainCtl::PastData)->click();
        else if (action == "current")
            Ctl<QRadioButton>(*dlg, MainCtl::CurrentData)->click();
        else if (action == "up")
            upDown->findChild<QToolButton *>("up")->click();
        else if (action == "down")
            upDown->findChild<QToolButton *>("down")->click();
        else if (action == "key up")
            QTest::keyClick(edit, Qt::Key_Up);
        else if (action == "key down")
            QTest::keyClick(edit, Qt::Key_Down);
        else if (action.startsWith("type ")) {
            edit->selectAll();
            QTest::keyClicks(edit, action.mid(5));
        } else if (action == "empty") {
            edit->end(false);
            QTest::keyClick(edit, Qt::Key_Backspace);
        }
    }
    QCOMPARE(dlg->Session().YearsBack(), yearsBack);
    QCOMPARE(edit->text(), text);
    QCOMPARE(dlg->Book().Month(0).month, firstMonth);
    QCOMPARE(dlg->Book().MonthCount(), monthCount);
    QCOMPARE(Ctl<QRadioButton>(*dlg, MainCtl::PastData)->isChecked(), pastChecked);
    QCOMPARE(edit->isEnabled(), pastChecked);
    if (actions != QStringList{"up", "key up"} && actions != QStringList{"type 4"}) {
        // Every period change ends in the monthly view with May selected when the period has it.
        QVERIFY(!dlg->IsDailyView());
        QCOMPARE(dlg->List()->RowCount(), monthCount);
        QCOMPARE(dlg->List()->SelectedRow(), 4);
    }
}

void TestDiaryDlg::yearBasisReload()
{
    auto dlg = Open();
    Ctl<QRadioButton>(*dlg, MainCtl::PastData)->click();
    dlg->Control(MainCtl::YearsUpDown)->findChild<QToolButton *>("up")->click();
    QCOMPARE(dlg->Session().YearsBack(), 2);
    QCOMPARE(dlg->Book().Month(0).month, 200101);
    dlg->OnDailyList(); // show a daily view, so the reload's switch to the monthly view shows

    bool ran = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        ran = modal == dlg->Options();
        dlg->Settings().fromJanuary = false;
        if (modal)
            modal->close();
    });
    dlg->OnOption();
    QVERIFY(ran);
    // Two years back under the new basis: the twelve months ending 2001/05.
    QCOMPARE(dlg->Session().YearsBack(), 2);
    QCOMPARE(dlg->Book().MonthCount(), 12);
    QCOMPARE(dlg->Book().Month(0).month, 200006);
    QCOMPARE(dlg->Book().Month(11).month, 200105);
    QVERIFY(!dlg->IsDailyView());
    QCOMPARE(dlg->List()->RowCount(), 12);

    // An unchanged basis reloads nothing and keeps the view.
    dlg->OnDailyList();
    QVERIFY(dlg->IsDailyView());
    QTimer::singleShot(0, this, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    dlg->OnOption();
    QVERIFY(dlg->IsDailyView());
}

void TestDiaryDlg::dailyCells_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<int>("icon");

    QTest::newRow("no result") << 0 << QStringList{"2003/05/01 (木)", "-", "-", "0", "0", "1020"}
                               << 0;
    QTest::newRow("5/8 gives 63%")
            << 4 << QStringList{"2003/05/05 (月)", "5/8", "63%", "-3", "-3", "1017"} << 2;
    QTest::newRow("today, up")
            << 11 << QStringList{"2003/05/12 (月)", "50/30", "167%", "20", "17", "1037"} << 4;
    QTest::newRow("1/300 gives 0%")
            << 12 << QStringList{"2003/05/13 (火)", "1/300", "0%", "-299", "-282", "738"} << 2;
    QTest::newRow("300/0 gives -%")
            << 19 << QStringList{"2003/05/20 (火)", "300/0", "-%", "300", "18", "1038"} << 1;
}

void TestDiaryDlg::dailyCells()
{
    QFETCH(int, row);
    QFETCH(QStringList, cells);
    QFETCH(int, icon);
    WriteData(kSample);
    auto dlg = Open();
    QCOMPARE(Row(*dlg, row), cells);
    QCOMPARE(IconOf(*dlg, row), icon);
}

void TestDiaryDlg::monthlyCellsAndIcons()
{
    WriteData(kSample);
    auto dlg = Open();
    dlg->OnMonthlyList();
    QCOMPARE(Row(*dlg, 0), QStringList({"2003/01", "1000/0", "-%", "1000", "1000", "1000"}));
    QCOMPARE(IconOf(*dlg, 0), 1);
    // A month without any result.
    QCOMPARE(Row(*dlg, 1), QStringList({"2003/02", "0/0", "-", "0", "0", "1000"}));
    QCOMPARE(IconOf(*dlg, 1), 0);
    // A balance-only day: its amounts do not reach the month's totals, its balance does.
    QCOMPARE(Row(*dlg, 3), QStringList({"2003/04", "0/0", "-", "20", "20", "1020"}));
    QCOMPARE(IconOf(*dlg, 3), 1);
    // This month carries the frame: 356/338 = 105.3%.
    QCOMPARE(Row(*dlg, 4), QStringList({"2003/05", "356/338", "105%", "18", "18", "1038"}));
    QCOMPARE(IconOf(*dlg, 4), 4);
}

void TestDiaryDlg::pastPeriodHasNoMarks()
{
    WriteData(kSample);
    auto dlg = Open();
    Ctl<QRadioButton>(*dlg, MainCtl::PastData)->click();
    for (int r = 0; r < dlg->List()->RowCount(); ++r)
        QVERIFY(IconOf(*dlg, r) < 3);
    QCOMPARE(IconOf(*dlg, 4), 1); // 2002/05 holds a win
    dlg->OnDailyList();
    QCOMPARE(dlg->Book().Month(dlg->Session().MonthIndex()).month, 200205);
    for (int r = 0; r < dlg->List()->RowCount(); ++r)
        QVERIFY(IconOf(*dlg, r) < 3);
    QCOMPARE(IconOf(*dlg, 9), 1);
    QCOMPARE(dlg->List()->SelectedRow(), 11);
}

void TestDiaryDlg::entryUpdatesRows_data()
{
    QTest::addColumn<int>("changed");
    QTest::addColumn<int>("firstRow"); // the first row announced changed; the last is day 31
    QTest::newRow("day 15: days 15 to 31") << kMay1 + 14 << 14;
    QTest::newRow("day 31: its row alone") << kMay1 + 30 << 30;
    QTest::newRow("day 1: the whole month") << kMay1 << 0;
    QTest::newRow("a day of another month: the whole month") << kMay1 - 5 << 0;
}

void TestDiaryDlg::entryUpdatesRows()
{
    QFETCH(int, changed);
    QFETCH(int, firstRow);
    WriteData(kSample);
    auto dlg = Open();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    CReportList *list = dlg->List();
    list->verticalScrollBar()->setValue(5);
    QCOMPARE(list->TopRow(), 5);
    // Click the row in the middle of the view: the day to keep selected.
    const QPoint mid(list->viewport()->width() / 2, list->viewport()->height() / 2);
    const int clicked = list->indexAt(mid).row();
    QVERIFY(clicked > 5);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, mid);
    QCOMPARE(dlg->Session().SelDay(), clicked + 1);
    QSignalSpy changedRows(list->model(), &QAbstractItemModel::dataChanged);
    QSignalSpy reset(list->model(), &QAbstractItemModel::modelReset);

    // Entered as the daily input window enters it: the list follows the book, in place.
    CResultBook &book = dlg->Session().Book();
    QVERIFY(book.EnterDay(book.Day(changed).date, EntryMethod::Amounts, 100, 10, 90));

    QCOMPARE(reset.size(), 0);
    QCOMPARE(changedRows.size(), 1);
    const auto from = changedRows.first().at(0).value<QModelIndex>();
    const auto to = changedRows.first().at(1).value<QModelIndex>();
    QCOMPARE(QList<int>({from.row(), from.column(), to.row(), to.column()}),
             QList<int>({firstRow, 0, 30, 5}));
    QCOMPARE(list->RowCount(), 31);
    if (changed >= kMay1) {
        QCOMPARE(Row(*dlg, changed - kMay1).mid(1, 3), QStringList({"100/10", "1000%", "90"}));
    }
    // Every row shows the recomputed running total of the period.
    QCOMPARE(Row(*dlg, 30).at(5), QString::number(1038 + 90));
    QCOMPARE(list->SelectedRow(), clicked);
    QCOMPARE(list->verticalScrollBar()->value(), 5);
    QVERIFY(dlg->Graph()->title.startsWith("日別推移:2003/05/01"));
}

void TestDiaryDlg::monthButtons()
{
    // Where the month buttons lead is the session's (tst_session); here, what the window shows.
    auto dlg = Open();
    auto *prev = Ctl<QPushButton>(*dlg, MainCtl::PrevMonth);
    auto *next = Ctl<QPushButton>(*dlg, MainCtl::NextMonth);
    auto *month = Ctl<QLabel>(*dlg, MainCtl::ListMonth);
    prev->click();
    prev->click();
    QCOMPARE(month->text(), QString("2003/03"));
    QVERIFY(prev->isEnabled() && next->isEnabled());
    QCOMPARE(dlg->List()->SelectedRow(), 11);
    // Day 31 of March, then the next month: April has no day 31, so no row is selected.
    dlg->List()->SelectRow(30);
    dlg->OnListClick();
    next->click();
    QCOMPARE(month->text(), QString("2003/04"));
    QCOMPARE(dlg->List()->RowCount(), 30);
    QCOMPARE(dlg->List()->SelectedRow(), -1);
    for (int k = 0; k < 3; ++k)
        prev->click();
    QCOMPARE(month->text(), QString("2003/01"));
    QVERIFY(!prev->isEnabled());
    QVERIFY(next->isEnabled());
    QCOMPARE(dlg->List()->SelectedRow(), 30);
    // Today's data goes back to today's row.
    Ctl<QPushButton>(*dlg, MainCtl::TodayData)->click();
    QCOMPARE(month->text(), QString("2003/05"));
    QCOMPARE(dlg->List()->SelectedRow(), 11);
    QVERIFY(prev->isEnabled());
    QVERIFY(!next->isEnabled());
}

void TestDiaryDlg::clicksFollowMouseOnly()
{
    auto dlg = Open();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    CReportList *list = dlg->List();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->SelectedRow(), 12);
    QCOMPARE(dlg->Session().SelDay(), 12); // keyboard moves are not followed
    list->scrollToTop();
    const QRect rect = list->RowRect(2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(list->SelectedRow(), 2);
    QCOMPARE(dlg->Session().SelDay(), 3);
    QVERIFY(dlg->IsDailyView()); // a click changes nothing else
    dlg->OnMonthlyList();
    const QRect feb = list->RowRect(1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, feb.center());
    QCOMPARE(dlg->Session().SelMonth(), 2);
    QVERIFY(!dlg->IsDailyView());
}

void TestDiaryDlg::doubleClickOnMonth()
{
    auto dlg = Open();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    dlg->OnMonthlyList();
    CReportList *list = dlg->List();
    const QRect feb = list->RowRect(1);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, feb.center());
    QVERIFY(dlg->IsDailyView());
    QCOMPARE(dlg->Session().MonthIndex(), 1);
    QCOMPARE(Ctl<QLabel>(*dlg, MainCtl::ListMonth)->text(), QString("2003/02"));
    QCOMPARE(list->RowCount(), 28);
    QCOMPARE(list->SelectedRow(), 11);
    QVERIFY(m_prompt.asked.isEmpty());
}

void TestDiaryDlg::selectMessages_data()
{
    QTest::addColumn<bool>("monthly");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message");
    const QString month = "「月別一覧」で月を選択してください。";
    const QString day = "「日別一覧」で日を選択してください。";
    QTest::newRow("double click, monthly") << true << "dblclk" << month;
    QTest::newRow("daily list button") << true << "daily" << month;
    QTest::newRow("double click, daily") << false << "dblclk" << day;
    QTest::newRow("entry button, daily") << false << "entry" << day;
    QTest::newRow("entry button, monthly") << true << "entry" << day;
}

void TestDiaryDlg::selectMessages()
{
    QFETCH(bool, monthly);
    QFETCH(QString, command);
    QFETCH(QString, message);
    auto dlg = Open();
    if (monthly)
        dlg->OnMonthlyList();
    dlg->List()->clearSelection();
    if (command == "dblclk")
        dlg->OnListDblClk();
    else if (command == "daily")
        dlg->OnDailyList();
    else
        dlg->OnDailyInput();
    QCOMPARE(m_prompt.texts(), QStringList{message});
    QCOMPARE(m_prompt.asked.first().icon, QMessageBox::Warning);
    QCOMPARE(m_prompt.asked.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(m_prompt.asked.first().owner, dlg.get());
    QCOMPARE(dlg->IsDailyView(), !monthly); // nothing else changes
}

void TestDiaryDlg::summaryLine()
{
    auto dlg = Open();
    QCOMPARE(Ctl<QLabel>(*dlg, MainCtl::Summary)->text(),
             QString("対象データ 最高収支額: -円  最高回収率: -% "));
    WriteData(kSample);
    auto filled = Open();
    const QString line = "対象データ 最高収支額: 100000円 2003/01/01 (水) 最高回収率: 167% "
                         "2003/05/12 (月)";
    QCOMPARE(Ctl<QLabel>(*filled, MainCtl::Summary)->text(), line);
    filled->OnMonthlyList(); // the whole period in either view
    QCOMPARE(Ctl<QLabel>(*filled, MainCtl::Summary)->text(), line);
}

void TestDiaryDlg::settingsWrittenOnExit_data()
{
    QTest::addColumn<int>("storedSpan");
    QTest::addColumn<int>("clickRadio");
    QTest::addColumn<int>("writtenSpan");
    QTest::addColumn<int>("checkedRadio");

    const int none = 0, three = MainCtl::SpanThreeMonths, year = MainCtl::SpanOneYear;
    QTest::newRow("unknown span written back") << 5 << none << 5 << none;
    QTest::newRow("unknown span, radio clicked") << 5 << three << 3 << three;
    QTest::newRow("one year stored") << 12 << none << 12 << year;
    QTest::newRow("three months clicked") << 1 << three << 3 << three;
    QTest::newRow("one year clicked") << 3 << year << 12 << year;
}

void TestDiaryDlg::settingsWrittenOnExit()
{
    QFETCH(int, storedSpan);
    QFETCH(int, clickRadio);
    QFETCH(int, writtenSpan);
    QFETCH(int, checkedRadio);
    WriteProfileInt("Murel", "GraphSpan", storedSpan);
    WriteProfileInt("Murel", "GraphItem_Month", 0);
    {
        auto dlg = Open();
        const int stored = storedSpan == 1 ? MainCtl::SpanOneMonth
                : storedSpan == 3          ? MainCtl::SpanThreeMonths
                : storedSpan == 12         ? MainCtl::SpanOneYear
                                           : 0;
        for (auto id : {MainCtl::SpanOneMonth, MainCtl::SpanThreeMonths, MainCtl::SpanOneYear})
            QCOMPARE(Ctl<QRadioButton>(*dlg, id)->isChecked(), id == stored);
        QVERIFY(!Ctl<QCheckBox>(*dlg, MainCtl::ItemMonth)->isChecked());
        if (clickRadio)
            Ctl<QRadioButton>(*dlg, MainCtl::Id(clickRadio))->click();
        for (auto id : {MainCtl::SpanOneMonth, MainCtl::SpanThreeMonths, MainCtl::SpanOneYear})
            QCOMPARE(Ctl<QRadioButton>(*dlg, id)->isChecked(), id == checkedRadio);
        Ctl<QCheckBox>(*dlg, MainCtl::ItemYear)->click(); // year off
        QCOMPARE(GetProfileInt("Murel", "GraphItem_Year", -1), -1); // written on destroy only
    }
    QCOMPARE(GetProfileInt("Murel", "GraphSpan", -1), writtenSpan);
    QCOMPARE(GetProfileInt("Murel", "GraphItem_Total", -1), 1);
    QCOMPARE(GetProfileInt("Murel", "GraphItem_Month", -1), 0);
    QCOMPARE(GetProfileInt("Murel", "GraphItem_Year", -1), 0);
}

void TestDiaryDlg::saveFailureOnPeriodChange()
{
    WriteData(kSample);
    auto dlg = Open();
    const CResultBook *book = &dlg->Book();
    // The data file cannot be written: a directory stands in its place. The day's own save fails.
    QVERIFY(QFile::remove(DataPath()));
    QVERIFY(QDir().mkdir(DataPath()));
    QVERIFY(dlg->Session().Book().EnterDay(20030521, EntryMethod::Amounts, 70, 20, 50));
    // The period change tries again before that failure is told: it is told once, by the change.
    Ctl<QRadioButton>(*dlg, MainCtl::PastData)->click();
    QCoreApplication::processEvents();

    QCOMPARE(m_prompt.asked.size(), 1);
    QCOMPARE(m_prompt.asked.first().text, book->LastError());
    QVERIFY(!book->LastError().isEmpty());
    QCOMPARE(m_prompt.asked.first().icon, QMessageBox::Warning);
    // Still the old period, with its change, and the controls that chose it.
    QCOMPARE(dlg->Session().YearsBack(), 0);
    QCOMPARE(book->IsModified(), true);
    QCOMPARE(book->MonthCount(), 5);
    QCOMPARE(book->Day(kMay1 + 20).balance, 50);
    QVERIFY(Ctl<QRadioButton>(*dlg, MainCtl::CurrentData)->isChecked());
    QVERIFY(!Ctl<QRadioButton>(*dlg, MainCtl::PastData)->isChecked());
    QVERIFY(!dlg->Control(MainCtl::Years)->isEnabled());
    QVERIFY(dlg->IsDailyView());
    QCOMPARE(Row(*dlg, 20).at(3), QString("50"));

    // Once the file can be written again, the change reaches it on the next period change.
    QVERIFY(QDir().rmdir(DataPath()));
    WriteData(kSample);
    Ctl<QRadioButton>(*dlg, MainCtl::PastData)->click();
    QCoreApplication::processEvents();
    QCOMPARE(m_prompt.asked.size(), 1);
    QCOMPARE(dlg->Session().YearsBack(), 1);
    QVERIFY(ReadData().contains(Line(20030521, 0, 70, 20, 50)));
}

void TestDiaryDlg::loadFailureWarns()
{
    QVERIFY(QDir().mkdir(DataPath()));
    auto dlg = Open();
    // The failure text first, then the file and why, then that nothing will be written.
    QCOMPARE(m_prompt.texts().size(), 1);
    const QStringList lines = m_prompt.texts().first().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.first(), QStringLiteral("ファイルの読み込みに失敗しました。"));
    QVERIFY2(lines.at(1).startsWith(QFileInfo(DataPath()).absoluteFilePath()),
             qPrintable(lines.at(1)));
    QCOMPARE(lines.last(),
             QStringLiteral(
                     "この期間については、ファイルに何も書き込みません（実績入力はできません）。"));
    QCOMPARE(m_prompt.asked.first().icon, QMessageBox::Warning);
    // The period is laid out all the same.
    QCOMPARE(dlg->Book().MonthCount(), 5);
    QVERIFY(dlg->IsDailyView());
    QCOMPARE(dlg->List()->RowCount(), 31);
}

void TestDiaryDlg::closeSavesChanges()
{
    WriteData(kSample);
    auto dlg = Open();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    const CResultBook *book = &dlg->Book();
    EnterBalance(*dlg, kMay1 + 1, -7);
    // On disk as soon as it was entered: the close finds nothing left to save.
    QVERIFY(ReadData().contains(Line(20030502, 1, 0, 0, -7)));
    QVERIFY(!book->IsModified());
    Ctl<QPushButton>(*dlg, MainCtl::Exit)->click();
    QVERIFY(!dlg->isVisible());
    QCOMPARE(dlg->result(), int(QDialog::Rejected));
    QVERIFY(ReadData().contains(Line(20030502, 1, 0, 0, -7)));
    QCOMPARE(book->IsModified(), false); // saved, and the book left empty
    QVERIFY(m_prompt.asked.isEmpty());
}

void TestDiaryDlg::closeSaveFailure_data()
{
    QTest::addColumn<QList<QMessageBox::StandardButton>>("answers");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("saved");

    using B = QMessageBox::StandardButton;
    QTest::newRow("cancel keeps the window") << QList<B>{B::Cancel} << false << false;
    QTest::newRow("no closes without saving") << QList<B>{B::No} << true << false;
    QTest::newRow("retry after the file is back") << QList<B>{B::Yes} << true << true;
    QTest::newRow("retry fails, then cancel") << QList<B>{B::Yes, B::Cancel} << false << false;
}

void TestDiaryDlg::closeSaveFailure()
{
    QFETCH(QList<QMessageBox::StandardButton>, answers);
    QFETCH(bool, closed);
    QFETCH(bool, saved);
    const bool fixOnFirstAnswer = answers == QList<QMessageBox::StandardButton>{QMessageBox::Yes};

    WriteData(kSample);
    auto dlg = Open();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    const CResultBook *book = &dlg->Book();
    QVERIFY(QFile::remove(DataPath()));
    QVERIFY(QDir().mkdir(DataPath()));
    // The day's own save fails; closing at once tries again and asks about that save only.
    EnterBalance(*dlg, kMay1 + 1, -7);
    QVERIFY(book->IsModified());
    m_prompt.answers = answers;
    if (fixOnFirstAnswer) {
        m_prompt.whileShown = [this] {
            QDir().rmdir(DataPath());
            WriteData(kSample);
        };
    }
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    QCoreApplication::processEvents();

    QCOMPARE(m_prompt.asked.size(), answers.size());
    const ScriptedPrompt::Asked &asked = m_prompt.asked.first();
    QVERIFY(asked.text.startsWith(book->LastError().isEmpty()
                                          ? QString("ファイルの保存に失敗しました。")
                                          : book->LastError()));
    QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(asked.icon, QMessageBox::Warning);
    QCOMPARE(dlg->isVisible(), !closed);
    QCOMPARE(book->IsModified(), !closed);
    if (saved)
        QVERIFY(ReadData().contains(Line(20030502, 1, 0, 0, -7)));
    if (!closed)
        QCOMPARE(book->Day(kMay1 + 1).balance, -7);
}

void TestDiaryDlg::listTitleMnemonic()
{
    auto dlg = Open();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    auto *title = Ctl<QLabel>(*dlg, MainCtl::ListTitle);
    QCOMPARE(title->buddy(), dlg->List());
    dlg->Control(MainCtl::TodayData)->setFocus();
    QVERIFY(!dlg->List()->hasFocus());
    QTest::keyClick(dlg.get(), Qt::Key_L, Qt::AltModifier);
    QVERIFY(dlg->List()->hasFocus());
}

void TestDiaryDlg::enterAndEscape()
{
    auto dlg = Open();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    dlg->List()->setFocus();
    QTest::keyClick(dlg->List(), Qt::Key_Return);
    QTest::keyClick(dlg.get(), Qt::Key_Enter);
    QVERIFY(dlg->isVisible());
    dlg->accept();
    QVERIFY(dlg->isVisible());
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    QVERIFY(!dlg->isVisible());
    QCOMPARE(dlg->result(), int(QDialog::Rejected));

    // The close box and the file menu's exit reach the same end.
    auto again = Open();
    again->show();
    QVERIFY(QTest::qWaitForWindowExposed(again.get()));
    QVERIFY(again->close());
    QVERIFY(!again->isVisible());
}

void TestDiaryDlg::graphItemsAndSpans()
{
    WriteData(kSample);
    auto dlg = Open();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    QWidget *frame = dlg->Control(MainCtl::Graph);
    PaintCounter counter;
    frame->installEventFilter(&counter);
    CGraphPainter *graph = dlg->Graph();
    QCOMPARE(graph->seriesKind[0], int(CGraphPainter::Bars));
    const QImage before = frame->grab().toImage();

    // An item off: redrawn at once without that series.
    Ctl<QCheckBox>(*dlg, MainCtl::ItemBalance)->click();
    QTRY_VERIFY(counter.count > 0);
    QCOMPARE(graph->seriesKind[0], int(CGraphPainter::Off));
    QVERIFY(frame->grab().toImage() != before);

    // The span radio already chosen: nothing changes, nothing is drawn.
    QCoreApplication::processEvents();
    counter.count = 0;
    const QString oneMonth = graph->title;
    Ctl<QRadioButton>(*dlg, MainCtl::SpanOneMonth)->click();
    QTest::qWait(20);
    QCOMPARE(counter.count, 0);
    QCOMPARE(graph->title, oneMonth);

    // Three months around May: the period ends in May, so April and May.
    Ctl<QRadioButton>(*dlg, MainCtl::SpanThreeMonths)->click();
    QCOMPARE(dlg->GraphSpan(), 3);
    QCOMPARE(graph->title, QString("日別推移:2003/04/01 (火) ～ 2003/05/31 (土)"));
    QTRY_VERIFY(counter.count > 0);
    Ctl<QRadioButton>(*dlg, MainCtl::SpanOneYear)->click();
    QCOMPARE(graph->title, QString("日別推移:2003/01/01 (水) ～ 2003/05/31 (土)"));
    QCOMPARE(graph->points[kMay1 + 30].keyText, QString("2003/05/31 (土)"));
    QVERIFY(graph->points[kMay1 + 31].keyText.isEmpty());
}

void TestDiaryDlg::graphMonthlyViewKeepsStates()
{
    auto dlg = Open();
    Ctl<QRadioButton>(*dlg, MainCtl::SpanThreeMonths)->click();
    Ctl<QCheckBox>(*dlg, MainCtl::ItemMonth)->click(); // month line off
    Ctl<QCheckBox>(*dlg, MainCtl::ItemMonth)->click(); // and on again
    dlg->OnMonthlyList();
    QVERIFY(!dlg->Control(MainCtl::ItemMonth)->isEnabled());
    for (auto id : {MainCtl::SpanOneMonth, MainCtl::SpanThreeMonths, MainCtl::SpanOneYear})
        QVERIFY(!dlg->Control(id)->isEnabled());
    QVERIFY(Ctl<QRadioButton>(*dlg, MainCtl::SpanThreeMonths)->isChecked());
    QVERIFY(Ctl<QCheckBox>(*dlg, MainCtl::ItemMonth)->isChecked());
    // The monthly graph ignores the month line even though its box is ticked.
    QCOMPARE(dlg->Graph()->seriesKind[2], int(CGraphPainter::Off));
    QCOMPARE(dlg->Graph()->title, QString("月別推移:2003/01 ～ 2003/05"));
    dlg->OnDailyList();
    QVERIFY(dlg->Control(MainCtl::ItemMonth)->isEnabled());
    QVERIFY(Ctl<QRadioButton>(*dlg, MainCtl::SpanThreeMonths)->isChecked());
    QCOMPARE(dlg->Graph()->seriesKind[2], int(CGraphPainter::Line));
    QCOMPARE(dlg->Graph()->title, QString("日別推移:2003/04/01 (火) ～ 2003/05/31 (土)"));
}

void TestDiaryDlg::graphRendered()
{
    WriteData(kSample);
    auto dlg = Open();
    auto *frame = qobject_cast<QFrame *>(dlg->Control(MainCtl::Graph));
    const QImage image = frame->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint off = frame->contentsRect().topLeft();
    CGraphPainter *g = dlg->Graph();
    QCOMPARE(g->pointCount, 31);
    auto pixel = [&](int x, int y) { return QColor(image.pixel(off + QPoint(x, y))); };

    // Bars of both signs: 2003/05/20 (+300) above the zero line, 2003/05/13 (-299) below.
    const int up = 19, down = 12;
    QVERIFY(g->ValueY(300) < g->zeroY);
    QCOMPARE(pixel(g->PointX(up), (g->zeroY + g->ValueY(300)) / 2), g->seriesColor[0]);
    QVERIFY(g->ValueY(-299) > g->zeroY);
    QCOMPARE(pixel(g->PointX(down), (g->zeroY + g->ValueY(-299)) / 2), g->seriesColor[0]);
    // No bar on a day without a result.
    QVERIFY(pixel(g->PointX(25), (g->zeroY + g->ValueY(300)) / 2) != g->seriesColor[0]);
    // The running balances of 2003/05/25: the period at 1038, the month at 18.
    QCOMPARE(pixel(g->PointX(24), g->ValueY(1038)), g->seriesColor[1]);
    QCOMPARE(pixel(g->PointX(24), g->ValueY(18)), g->seriesColor[2]);
    // Before the first loss the month line runs on the zero line, the period line at 1020.
    QCOMPARE(pixel(g->PointX(1), g->ValueY(0)), g->seriesColor[2]);
    QCOMPARE(pixel(g->PointX(1), g->ValueY(1020)), g->seriesColor[1]);
}

void TestDiaryDlg::dailyInputProtocol()
{
    WriteProfileInt("Option", "DailyInput_Show", 1);
    CDiaryDlg dlg(m_f.Env());
    QVERIFY(!dlg.DailyInput()); // opened only once the main window shows
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QVERIFY(dlg.DailyInput());
    for (auto id : {MainCtl::CurrentData, MainCtl::PastData, MainCtl::Years, MainCtl::DailyInput,
                    MainCtl::Analyzer, MainCtl::YearsLabel})
        QVERIFY2(!dlg.Control(id)->isEnabled(), qPrintable(dlg.Control(id)->objectName()));
    // The arrows do not change the period while the window is open.
    dlg.Control(MainCtl::YearsUpDown)->findChild<QToolButton *>("up")->click();
    QCOMPARE(dlg.Session().YearsBack(), 0);

    dlg.OnOption();
    QCOMPARE(m_prompt.texts(), QStringList{"「実績入力」を閉じてください。"});
    QVERIFY(dlg.DailyInput()->isEnabled());

    dlg.DailyInput()->close();
    QTRY_VERIFY(!dlg.DailyInput());
    for (auto id : {MainCtl::CurrentData, MainCtl::PastData, MainCtl::DailyInput, MainCtl::Analyzer,
                    MainCtl::YearsLabel})
        QVERIFY2(dlg.Control(id)->isEnabled(), qPrintable(dlg.Control(id)->objectName()));
    QVERIFY(!dlg.Control(MainCtl::Years)->isEnabled()); // the current data is checked
}

QTEST_MAIN(TestDiaryDlg)
#include "tst_diarydlg.moc"
