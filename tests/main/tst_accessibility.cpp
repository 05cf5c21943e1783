// A screen reader's actions on the buttons, radios and check boxes of the main window and the
// daily input window run the same commands as a click. Qt's Press action clicks (after a short
// press); its Toggle action only flips the check state, which the windows follow. What it reads of
// the lists: their headings, cells, row count and states, and the row icons behind the cells.

#include "MainWindowFixture.h"
#include "RunModal.h"
#include "dialogkit/RowIcons.h"
#include "graph/GraphPainter.h"
#include "session/PlayDiary.h"
#include "session/RowText.h"
#include "tools/YearTableDlg.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleTableInterface>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

namespace {

using F = MainWindowFixture;

const QStringList kSample = {
        DataLine(20020510, 0, 20, 10, 10), DataLine(20030505, 0, 5, 8, -3),
        DataLine(20030512, 1, 0, 0, 20), // today, by the balance alone
};

bool DoAction(QWidget *widget, const QString &action)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
    QAccessibleActionInterface *actions = iface ? iface->actionInterface() : nullptr;
    if (!actions)
        return false;
    actions->doAction(action);
    return true;
}

// What a window shows after a command, in a few words.
QString MainState(const CDiaryDlg &dlg)
{
    const CDiarySession &s = dlg.Session();
    return QStringLiteral("%1 back %2 month %3 span %4 balance %5")
            .arg(dlg.IsDailyView() ? "daily" : "monthly")
            .arg(s.YearsBack())
            .arg(s.MonthIndex())
            .arg(dlg.GraphSpan())
            .arg(dlg.Graph()->seriesKind[0] == CGraphPainter::Off ? "off" : "on");
}

// The list as a screen reader reads it: "H:" and the headings, the row and column counts, then
// each row asked for: its cells joined by "|", "*" when it is the selected row, "!" for any cell
// whose role or states differ from a plain selectable item's.
QStringList ReadList(CReportList *list, const QList<int> &rows)
{
    QStringList out;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(list);
    QAccessibleTableInterface *table = iface ? iface->tableInterface() : nullptr;
    if (!table || iface->role() != QAccessible::Tree)
        return {QStringLiteral("no table")};
    QStringList headings;
    for (int c = 0; c < table->columnCount(); ++c) {
        QAccessibleInterface *head = iface->child(c);
        headings << (head && head->role() == QAccessible::ColumnHeader
                             ? head->text(QAccessible::Name)
                             : QStringLiteral("?"));
    }
    out << QStringLiteral("H:") + headings.join(QLatin1Char('|'));
    out << QStringLiteral("%1x%2").arg(table->rowCount()).arg(table->columnCount());
    for (int r : rows) {
        QStringList cells;
        bool selected = false;
        bool odd = false;
        for (int c = 0; c < table->columnCount(); ++c) {
            QAccessibleInterface *cell = table->cellAt(r, c);
            if (!cell) {
                cells << QStringLiteral("?");
                continue;
            }
            const QAccessible::State state = cell->state();
            selected = selected || state.selected;
            odd = odd || cell->role() != QAccessible::TreeItem || !state.selectable
                    || !state.focusable || state.checkable || state.expandable;
            cells << cell->text(QAccessible::Name);
        }
        out << cells.join(QLatin1Char('|')) + (selected ? QStringLiteral("*") : QString())
                        + (odd ? QStringLiteral("!") : QString());
    }
    return out;
}

// The row icon of each row asked for, as its index, and "~" when the picture drawn in the first
// column is not that icon's.
QString RowIconsOf(CReportList *list, const QList<int> &rows)
{
    const QList<QIcon> icons = RowIcons();
    QStringList out;
    for (int r : rows) {
        const int icon = list->IconOfRow(r);
        const QIcon shown
                = qvariant_cast<QIcon>(list->model()->index(r, 0).data(Qt::DecorationRole));
        const bool same = icon >= 0 && icon < icons.size() && !shown.isNull()
                && shown.pixmap(16, 16).toImage() == icons.at(icon).pixmap(16, 16).toImage();
        out << QString::number(icon) + (same ? QString() : QStringLiteral("~"));
    }
    return out.join(QLatin1Char(' '));
}

QAction *YearTableItem(const CDiaryDlg &dlg)
{
    for (QAction *menu : dlg.findChild<QMenuBar *>()->actions()) {
        for (QAction *item : menu->menu() ? menu->menu()->actions() : QList<QAction *>()) {
            if (item->text() == QStringLiteral("年別集計(&Y)..."))
                return item;
        }
    }
    return nullptr;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_f.Prepare()); }
    void init()
    {
        m_f.Reset(false);
        m_f.WriteLines(kSample);
    }

    void mainWindowActions_data();
    void mainWindowActions();
    void ownCheckStatesRunNothing();
    void dailyInputActions_data();
    void dailyInputActions();
    void listsRead_data();
    void listsRead();
    void playMarksRead();

private:
    // The descriptions of the daily list's date cells that have one, as "day:description", and
    // any date cell whose name or states are not those of the list without marks.
    QStringList PlayMarks(const CDiaryDlg &dlg) const;

    MainWindowFixture m_f;
};

void TestAccessibility::mainWindowActions_data()
{
    QTest::addColumn<int>("control");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("state");

    const QString toggle = QAccessibleActionInterface::toggleAction();
    const QString press = QAccessibleActionInterface::pressAction();
    using C = MainCtl;
    QTest::newRow("toggle past data")
            << int(C::PastData) << toggle << "monthly back 1 month 4 span 1 balance on";
    QTest::newRow("press past data")
            << int(C::PastData) << press << "monthly back 1 month 4 span 1 balance on";
    QTest::newRow("toggle three months")
            << int(C::SpanThreeMonths) << toggle << "daily back 0 month 4 span 3 balance on";
    QTest::newRow("toggle one year")
            << int(C::SpanOneYear) << toggle << "daily back 0 month 4 span 12 balance on";
    QTest::newRow("toggle the balance item")
            << int(C::ItemBalance) << toggle << "daily back 0 month 4 span 1 balance off";
    QTest::newRow("press the balance item")
            << int(C::ItemBalance) << press << "daily back 0 month 4 span 1 balance off";
    QTest::newRow("press monthly list")
            << int(C::MonthlyList) << press << "monthly back 0 month 4 span 1 balance on";
    QTest::newRow("press previous month")
            << int(C::PrevMonth) << press << "daily back 0 month 3 span 1 balance on";
    // The radio already on: a toggle changes nothing, as the state does not change.
    QTest::newRow("toggle current data")
            << int(C::CurrentData) << toggle << "daily back 0 month 4 span 1 balance on";
}

void TestAccessibility::mainWindowActions()
{
    QFETCH(int, control);
    QFETCH(QString, action);
    QFETCH(QString, state);

    auto dlg = m_f.Show();
    QCOMPARE(MainState(*dlg), QString("daily back 0 month 4 span 1 balance on"));
    QVERIFY(DoAction(dlg->Control(MainCtl::Id(control)), action));
    // Press releases the button a moment later; Toggle acts at once.
    if (action == QAccessibleActionInterface::pressAction())
        QTRY_COMPARE(MainState(*dlg), state);
    else
        QCOMPARE(MainState(*dlg), state);
    QVERIFY(m_f.prompt.asked.isEmpty());
}

void TestAccessibility::ownCheckStatesRunNothing()
{
    // Today's data turns the current-data radio on itself before it loads the period. Were that
    // taken for a toggle, the load would run twice, and so would its warning.
    auto dlg = m_f.Show();
    F::Ctl<QRadioButton>(*dlg, MainCtl::PastData)->click();
    QCOMPARE(dlg->Session().YearsBack(), 1);
    QVERIFY(QFile::remove(m_f.DataPath()));
    QVERIFY(QDir().mkdir(m_f.DataPath()));
    // Its own save fails, and says so once: the day stays unsaved, for the period change to try
    // again.
    QVERIFY(dlg->Session().Book().EnterDay(20020601, EntryMethod::Balance, 0, 0, 5));
    QTRY_COMPARE(m_f.prompt.asked.size(), 1);

    QVERIFY(DoAction(dlg->Control(MainCtl::TodayData), QAccessibleActionInterface::pressAction()));
    QTRY_COMPARE(m_f.prompt.asked.size(), 2);
    QTest::qWait(150);
    QCOMPARE(m_f.prompt.asked.size(), 2);
    QCOMPARE(m_f.prompt.texts().last(), dlg->Book().LastError());
    // The old period stays, and so do the controls that chose it.
    QCOMPARE(dlg->Session().YearsBack(), 1);
    QVERIFY(F::Ctl<QRadioButton>(*dlg, MainCtl::PastData)->isChecked());
    QVERIFY(dlg->Book().IsModified());
    QVERIFY(QDir(m_f.DataPath()).removeRecursively());
}

void TestAccessibility::dailyInputActions_data()
{
    QTest::addColumn<int>("control");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("changed"); // the OK button afterwards
    QTest::addColumn<QString>("stored"); // 2003/05/12 afterwards

    const QString toggle = QAccessibleActionInterface::toggleAction();
    const QString press = QAccessibleActionInterface::pressAction();
    using E = EntryCtl;
    const QString asLoaded = "1 0 0 20";
    // Today holds a balance alone: the other method is a change, and so is the sign.
    QTest::newRow("toggle the amounts method")
            << int(E::MethodAmounts) << toggle << true << asLoaded;
    QTest::newRow("press the amounts method") << int(E::MethodAmounts) << press << true << asLoaded;
    QTest::newRow("toggle the sign") << int(E::Minus) << toggle << true << asLoaded;
    QTest::newRow("press the sign") << int(E::Minus) << press << true << asLoaded;
    QTest::newRow("toggle keep-shown") << int(E::KeepShown) << toggle << false << asLoaded;
    QTest::newRow("press OK after a toggled sign") << int(E::Ok) << press << false << "1 0 0 -20";
}

void TestAccessibility::dailyInputActions()
{
    QFETCH(int, control);
    QFETCH(QString, action);
    QFETCH(bool, changed);
    QFETCH(QString, stored);

    WriteProfileInt(QStringLiteral("Option"), QStringLiteral("DailyInput_Show"), 1);
    auto dlg = m_f.Show();
    QTRY_VERIFY(F::Entry(*dlg));
    F::In<QCheckBox>(*dlg, EntryCtl::KeepShown)->setChecked(true);
    auto *ok = F::In<QPushButton>(*dlg, EntryCtl::Ok);
    QVERIFY(!ok->isEnabled());
    if (control == EntryCtl::Ok) {
        // OK is there only for a change.
        QVERIFY(DoAction(F::In<QCheckBox>(*dlg, EntryCtl::Minus),
                         QAccessibleActionInterface::toggleAction()));
        QVERIFY(ok->isEnabled());
    }
    QVERIFY(DoAction(F::In<QWidget>(*dlg, EntryCtl::Id(control)), action));
    if (action == QAccessibleActionInterface::pressAction())
        QTRY_COMPARE(F::Stored(*dlg, 20030512), stored);
    QTRY_COMPARE(ok->isEnabled(), changed);
    QCOMPARE(F::Stored(*dlg, 20030512), stored);
    QVERIFY(m_f.prompt.asked.isEmpty());
}

void TestAccessibility::listsRead_data()
{
    QTest::addColumn<QString>("view"); // daily, monthly, past, entered, years
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QStringList>("read");
    QTest::addColumn<QString>("icons");

    const QString dayHeads = "H:日付|回収/投資|回収率|収支|月累積収支|年累積収支";
    QTest::newRow("daily view of May") << "daily" << QList<int>{0, 4, 11, 30}
                                       << QStringList{dayHeads,
                                                      "31x6",
                                                      "2003/05/01 (木)|-|-|0|0|0",
                                                      "2003/05/05 (月)|5/8|63%|-3|-3|-3",
                                                      "2003/05/12 (月)|-|-|20|17|17*",
                                                      "2003/05/31 (土)|-|-|0|17|17"}
                                       << "0 2 4 0";
    QTest::newRow("monthly view") << "monthly" << QList<int>{0, 4}
                                  << QStringList{dayHeads, "5x6", "2003/01|0/0|-|0|0|0",
                                                 "2003/05|5/8|63%|17|17|17*"}
                                  << "0 4";
    QTest::newRow("a past period: no frames")
            << "past" << QList<int>{4, 11}
            << QStringList{dayHeads, "12x6", "2002/05|20/10|200%|10|10|10*", "2002/12|0/0|-|0|0|10"}
            << "1 0";
    // An entry changes its row and the running sums after it; the selection stays.
    QTest::newRow("daily view after an entry")
            << "entered" << QList<int>{11, 19, 20}
            << QStringList{dayHeads, "31x6", "2003/05/12 (月)|-|-|20|17|17*",
                           "2003/05/20 (火)|9/4|225%|5|22|22", "2003/05/21 (水)|-|-|0|22|22"}
            << "4 1 0";
    QTest::newRow("year table") << "years" << QList<int>{0, 1, 2}
                                << QStringList{"H:年|回収/投資|回収率|収支|通算収支|稼働日数|勝率",
                                               "3x7", "2002|20/10|200%|10|10|1|100%",
                                               "2003|5/8|63%|17|27|2|50%*",
                                               "合計|25/18|139%|27|27|3|67%"}
                                << "1 4 1";
}

void TestAccessibility::listsRead()
{
    QFETCH(QString, view);
    QFETCH(QList<int>, rows);
    QFETCH(QStringList, read);
    QFETCH(QString, icons);

    auto dlg = m_f.Show();
    if (view == QLatin1String("monthly")) {
        dlg->OnMonthlyList();
    } else if (view == QLatin1String("past")) {
        F::Ctl<QRadioButton>(*dlg, MainCtl::PastData)->click();
    } else if (view == QLatin1String("entered")) {
        QVERIFY(dlg->Session().EnterDay(20030520, EntryMethod::Amounts, 9, 4, 0));
    } else if (view == QLatin1String("years")) {
        QStringList seen;
        QString seenIcons;
        const int shown = RunModal<CYearTableDlg>([&] { YearTableItem(*dlg)->trigger(); },
                                                  [&](CYearTableDlg *box) {
                                                      seen = ReadList(box->List(), rows);
                                                      seenIcons = RowIconsOf(box->List(), rows);
                                                  });
        QCOMPARE(shown, 1);
        QCOMPARE(seen, read);
        QCOMPARE(seenIcons, icons);
        return;
    }
    QCOMPARE(ReadList(dlg->List(), rows), read);
    QCOMPARE(RowIconsOf(dlg->List(), rows), icons);
    QVERIFY(m_f.prompt.asked.isEmpty());
}

QStringList TestAccessibility::PlayMarks(const CDiaryDlg &dlg) const
{
    QAccessibleTableInterface *table
            = QAccessible::queryAccessibleInterface(dlg.List())->tableInterface();
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r) {
        QAccessibleInterface *cell = table->cellAt(r, 0);
        const int date = dlg.List()->RowKey(r);
        if (cell->text(QAccessible::Name)
            != rowtext::DailyRow(dlg.Book().Day(dlg.Book().IndexOf(date))).at(0))
            out << QStringLiteral("odd cell ") + cell->text(QAccessible::Name);
        if (!cell->text(QAccessible::Description).isEmpty())
            out << QStringLiteral("%1:%2")
                            .arg(date % 100)
                            .arg(cell->text(QAccessible::Description));
    }
    return out;
}

// Days with play sessions say so on their date cell only: the cells' texts and the row icons stay
// the list's. The marks follow the sessions and the month, and come back once the window shows.
void TestAccessibility::playMarksRead()
{
    QFile::remove(m_f.dir.filePath(QStringLiteral("Murel1.db")));
    {
        auto dlg = m_f.Show();
        CPlayDiary &plays = dlg->Session().Plays();
        QString problem;
        QList<PlaySession> added;
        for (int date : {20030512, 20030505, 20030512, 20030420}) {
            PlaySession s;
            s.day = date;
            s.store = QStringLiteral("店");
            s.invested = 1;
            QVERIFY2(plays.Add(s, &problem), qPrintable(problem));
            added << s;
        }
        QTRY_COMPARE(PlayMarks(*dlg), QStringList({"5:稼働記録 1件", "12:稼働記録 2件"}));
        QCOMPARE(ReadList(dlg->List(), {11}).last(),
                 QStringLiteral("2003/05/12 (月)|0/2|0%|-2|-3|-4*"));
        QCOMPARE(RowIconsOf(dlg->List(), {0, 4, 11, 12}), QStringLiteral("0 2 5 0"));
        QVERIFY(plays.Delete(added.first().id, &problem));
        QTRY_COMPARE(PlayMarks(*dlg), QStringList({"5:稼働記録 1件", "12:稼働記録 1件"}));
        dlg->OnPrevMonth();
        QTRY_COMPARE(PlayMarks(*dlg), QStringList{"20:稼働記録 1件"});
    }
    auto dlg = m_f.Open();
    QCOMPARE(PlayMarks(*dlg), QStringList()); // the database is not asked before the window shows
    dlg->show();
    QTRY_COMPARE(PlayMarks(*dlg), QStringList({"5:稼働記録 1件", "12:稼働記録 1件"}));
    // The mark drawn at the end of the date cell: orange pixels there, none on a plain day.
    const QImage shown = dlg->List()->viewport()->grab().toImage();
    auto orange = [&](int row) {
        const QRect cell = dlg->List()->visualRect(dlg->List()->Model().index(row, 0));
        int count = 0;
        for (int x = cell.right() - 12; x <= cell.right(); ++x) {
            for (int y = cell.top(); y <= cell.bottom(); ++y) {
                const QColor c = shown.pixelColor(QPoint(x, y) * shown.devicePixelRatio());
                count += c.red() > 200 && c.blue() < 80;
            }
        }
        return count;
    };
    QVERIFY(orange(4) > 4);
    QCOMPARE(orange(5), 0);
    QVERIFY(m_f.prompt.asked.isEmpty());
    dlg.reset();
    QFile::remove(m_f.dir.filePath(QStringLiteral("Murel1.db")));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
