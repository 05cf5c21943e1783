// A screen reader's actions on the buttons, radios and check boxes of the main window and the
// daily input window run the same commands as a click. Qt's Press action clicks (after a short
// press); its Toggle action only flips the check state, which the windows follow.

#include "MainWindowFixture.h"
#include "graph/GraphPainter.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QLineEdit>
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

private:
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

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
