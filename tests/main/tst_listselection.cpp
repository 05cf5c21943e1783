// The list's selection through a save: a day entered from the daily input window keeps the row
// it was entered on selected, wherever the keyboard had put the selection, so that the next arrow
// key moves on from that day.
#include "MainWindowFixture.h"

#include <QApplication>
#include <QLineEdit>

namespace {

using F = MainWindowFixture;

// Sends a key to whatever has the keyboard focus, as a person's key press reaches it.
void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *to = QApplication::focusWidget();
    if (!to)
        to = QApplication::activeWindow();
    if (to)
        QTest::keyClick(to, key, modifiers);
}

// The date text of the list's selected row and of the row under its focus, "-" for none.
QString Selection(const CDiaryDlg &dlg)
{
    const CReportList *list = dlg.List();
    const int row = list->SelectedRow();
    const QModelIndex current = list->currentIndex();
    return QStringLiteral("%1 %2").arg(row < 0 ? QStringLiteral("-") : F::Row(dlg, row).at(0),
                                       current.isValid() ? F::Row(dlg, current.row()).at(0)
                                                         : QStringLiteral("-"));
}

} // namespace

class TestListSelection : public QObject, public MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Prepare()); }
    void init()
    {
        Reset(false);
        WriteLines({DataLine(20030601, 0, 20, 10, 10), DataLine(20030719, 1, 0, 0, -5)});
    }

    void staysOnTheEnteredDay_data();
    void staysOnTheEnteredDay();
};

void TestListSelection::staysOnTheEnteredDay_data()
{
    QTest::addColumn<QList<int>>("moves"); // keys in the list before Alt+I
    QTest::addColumn<QString>("entered"); // the day the daily input window shows and enters
    QTest::addColumn<QString>("after"); // selected and current row after one more Down
    QTest::newRow("Home: the first day") << QList<int>{Qt::Key_Home} << "2003/06/01 (日)"
                                         << "2003/06/02 (月) 2003/06/02 (月)";
    QTest::newRow("End: the last day") << QList<int>{Qt::Key_End} << "2003/06/30 (月)"
                                       << "2003/06/30 (月) 2003/06/30 (月)";
    QTest::newRow("three days down")
            << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down} << "2003/06/22 (日)"
            << "2003/06/23 (月) 2003/06/23 (月)";
    QTest::newRow("up past the clicked day")
            << QList<int>{Qt::Key_Up, Qt::Key_PageUp} << "2003/06/01 (日)"
            << "2003/06/02 (月) 2003/06/02 (月)";
    QTest::newRow("no move: the clicked day") << QList<int>{} << "2003/06/19 (木)"
                                              << "2003/06/20 (金) 2003/06/20 (金)";
}

// Today is 2003/07/19. Alt+B shows June with the 19th selected; the keyboard moves the selection;
// Alt+I opens the daily input window on the selected day, where the day is entered with Enter.
void TestListSelection::staysOnTheEnteredDay()
{
    QFETCH(QList<int>, moves);
    QFETCH(QString, entered);
    QFETCH(QString, after);

    auto dlg = Show(QDate(2003, 7, 19));
    QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    Key(Qt::Key_B, Qt::AltModifier);
    QTRY_COMPARE(Ctl<QLabel>(*dlg, MainCtl::ListMonth)->text(), QStringLiteral("2003/06"));
    QTRY_VERIFY(dlg->List()->hasFocus());
    QCOMPARE(Selection(*dlg), QStringLiteral("2003/06/19 (木) 2003/06/19 (木)"));
    for (int key : moves)
        Key(Qt::Key(key));

    Key(Qt::Key_I, Qt::AltModifier);
    QTRY_VERIFY(Entry(*dlg));
    QVERIFY(QTest::qWaitForWindowActive(Entry(*dlg)));
    QCOMPARE(In<QLineEdit>(*dlg, EntryCtl::Date)->text(), entered);
    QTest::keyClicks(QApplication::focusWidget(), "7");
    Key(Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), "3");
    Key(Qt::Key_Return);
    QTRY_VERIFY(!Entry(*dlg));
    const int date = QDate::fromString(entered.left(10), QStringLiteral("yyyy/MM/dd"))
                             .toString(QStringLiteral("yyyyMMdd"))
                             .toInt();
    QCOMPARE(Stored(*dlg, date), QStringLiteral("0 7 3 4"));
    QVERIFY(!dlg->Book().IsModified());
    QCOMPARE(Selection(*dlg), entered + QLatin1Char(' ') + entered);

    // The window manager hands the activation back to the main window; offscreen, the test does.
    dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    QTRY_VERIFY(dlg->List()->hasFocus());
    Key(Qt::Key_Down);
    QCOMPARE(Selection(*dlg), after);
    QVERIFY(prompt.asked.isEmpty());
}

QTEST_MAIN(TestListSelection)
#include "tst_listselection.moc"
