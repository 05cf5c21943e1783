#include "MainWindowFixture.h"
#include "dialogs/OptionDlg.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <memory>

// The daily input window driven through the real main window: every day it stores has to show
// in the book, in the list row of that day, in the running sums after it and in the summary line.

namespace {

using Dlg = CDailyInputDlg;
using E = EntryCtl;
using F = MainWindowFixture;

QByteArray Line(int date, int method, int collected, int invested, int balance)
{
    return DataLine(date, method, collected, invested, balance).toLatin1();
}

// Lines of other years around the period (January to May 2003); today, 2003/05/12, has none.
const QList<QByteArray> kSample = {
        Line(20020510, 0, 20, 10, 10),  Line(20030101, 0, 1000, 0, 1000),
        Line(20030415, 1, 0, 0, 20),    Line(20030505, 0, 5, 10, -5),
        Line(20030507, 1, 0, 0, 8),     Line(20030513, 0, 1, 300, -299),
        Line(20030520, 0, 300, 0, 300), Line(20040102, 0, 7, 3, 4),
};

// The whole file as the program writes it: every line ends with CR LF.
QByteArray FileBytes(const QList<QByteArray> &lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + "\r\n";
    return bytes;
}

const QString kInitialSummary = QStringLiteral(
        "対象データ 最高収支額: 100000円 2003/01/01 (水) 最高回収率: 50% 2003/05/05 (月)");
const QStringList kTodayRow = {"2003/05/12 (月)", "-", "-", "0", "3", "1023"};
const QString kAsk
        = QStringLiteral("表示されているデータは変更されています。変更を有効にしますか？");

// The window's object goes when control is back in the event loop.
bool DeletedLater(const QPointer<Dlg> &input)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return input.isNull();
}

} // namespace

class TestDailyInputMain : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void startOpensOnToday();
    void saves_data();
    void saves();
    void methodShown_data();
    void methodShown();
    void switchMethod_data();
    void switchMethod();
    void okKeepShown_data();
    void okKeepShown();
    void cancelAnswers_data();
    void cancelAnswers();
    void dayChangeUnchanged_data();
    void dayChangeUnchanged();
    void dayChangeCancelled_data();
    void dayChangeCancelled();
    void optionsRefused();
    void closeMainWindow_data();
    void closeMainWindow();

private:
    std::unique_ptr<CDiaryDlg> Open();
    QByteArray ReadData() const { return m_f.ReadData(); }

    template<class T> static T *Ctl(const CDiaryDlg &dlg, MainCtl::Id id)
    {
        return F::Ctl<T>(dlg, id);
    }
    template<class T> static T *In(const CDiaryDlg &dlg, EntryCtl::Id id)
    {
        return F::In<T>(dlg, id);
    }
    static QLineEdit *Edit(const CDiaryDlg &dlg, EntryCtl::Id id) { return In<QLineEdit>(dlg, id); }
    static void Type(QLineEdit *edit, const QString &text)
    {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    static QStringList Row(const CDiaryDlg &dlg, int row) { return F::Row(dlg, row); }
    static QString Summary(const CDiaryDlg &dlg) { return F::Summary(dlg); }
    static QString Stored(const CDiaryDlg &dlg, int date) { return F::Stored(dlg, date); }
    static QString ControlStates(const CDiaryDlg &dlg);
    static QString ExpectedStates(bool inputOpen);
    static void ClickRow(CDiaryDlg &dlg, int row);
    static bool OpenOnDay(CDiaryDlg &dlg, int mayDay);

    MainWindowFixture m_f;
    ScriptedPrompt &m_prompt = m_f.prompt;
};

void TestDailyInputMain::initTestCase()
{
    QVERIFY(m_f.Prepare());
}

void TestDailyInputMain::init()
{
    // No stored settings: the daily input window opens at start, amounts as the default method.
    m_f.Reset(true);
    m_f.WriteData(FileBytes(kSample));
}

std::unique_ptr<CDiaryDlg> TestDailyInputMain::Open()
{
    auto dlg = m_f.Show();
    // Every case here starts with the daily input window open, as the default option has it.
    if (!QTest::qWaitFor([&] { return dlg->DailyInput() != nullptr; }))
        qWarning("daily input window not opened");
    return dlg;
}

// Enabled states of the controls that the open daily input window locks.
QString TestDailyInputMain::ControlStates(const CDiaryDlg &dlg)
{
    const struct
    {
        const char *name;
        MainCtl::Id id;
    } controls[] = {{"current", MainCtl::CurrentData}, {"past", MainCtl::PastData},
                    {"years", MainCtl::Years},         {"entry", MainCtl::DailyInput},
                    {"analyzer", MainCtl::Analyzer},   {"yearsLabel", MainCtl::YearsLabel}};
    QStringList states;
    for (const auto &c : controls)
        states.append(QStringLiteral("%1:%2").arg(c.name).arg(dlg.Control(c.id)->isEnabled()));
    return states.join(' ');
}

QString TestDailyInputMain::ExpectedStates(bool inputOpen)
{
    // Closed, with the current period loaded: the years edit stays off with the current data on.
    return inputOpen ? QStringLiteral("current:0 past:0 years:0 entry:0 analyzer:0 yearsLabel:0")
                     : QStringLiteral("current:1 past:1 years:0 entry:1 analyzer:1 yearsLabel:1");
}

void TestDailyInputMain::ClickRow(CDiaryDlg &dlg, int row)
{
    CReportList *list = dlg.List();
    QVERIFY(row >= 0 && row < list->RowCount());
    list->scrollTo(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->RowRect(row).center());
}

// Opens the window on a day of May the way a person does with the keep-shown box off: the click
// on the day closes the open window, the entry button opens it again on the selected day.
bool TestDailyInputMain::OpenOnDay(CDiaryDlg &dlg, int mayDay)
{
    ClickRow(dlg, mayDay - 1);
    if (dlg.List()->SelectedRow() != mayDay - 1)
        return false;
    if (!dlg.DailyInput())
        Ctl<QPushButton>(dlg, MainCtl::DailyInput)->click();
    return dlg.DailyInput() && Edit(dlg, E::Date)->text() == dlg.List()->CellText(mayDay - 1, 0);
}

void TestDailyInputMain::startOpensOnToday()
{
    auto dlg = Open();
    QVERIFY(dlg->Settings().showDailyInput);
    Dlg *input = F::Entry(*dlg);
    QVERIFY(input);
    QVERIFY(input->isVisible());
    QVERIFY(input->isWindow());
    QCOMPARE(input->parentWidget(), dlg.get());
    QCOMPARE(input->windowTitle(), QString("実績入力"));
    QCOMPARE(Edit(*dlg, E::Date)->text(), QString("2003/05/12 (月)"));
    QVERIFY(In<QRadioButton>(*dlg, E::MethodAmounts)->isChecked());
    QCOMPARE(ControlStates(*dlg), ExpectedStates(true));

    // It is the active window once the main window's own showing has settled, with the collected
    // field focused and its whole text selected: typing replaces it.
    QVERIFY(QTest::qWaitForWindowActive(input));
    QTest::qWait(50);
    QCOMPARE(QApplication::activeWindow(), static_cast<QWidget *>(input));
    QLineEdit *collected = Edit(*dlg, E::Collected);
    QCOMPARE(QApplication::focusWidget(), collected);
    QCOMPARE(collected->text(), QString("0"));
    QCOMPARE(collected->selectedText(), QString("0"));
    QVERIFY(!In<QPushButton>(*dlg, E::Ok)->isEnabled());

    // Collected 50, Tab, invested 30, Enter, each key to the widget that has the focus.
    QTest::keyClicks(QApplication::focusWidget(), "50");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QLineEdit *invested = Edit(*dlg, E::Invested);
    QCOMPARE(QApplication::focusWidget(), invested);
    QCOMPARE(invested->selectedText(), QString("0"));
    QTest::keyClicks(QApplication::focusWidget(), "30");
    QCOMPARE(collected->text(), QString("50"));
    QCOMPARE(invested->text(), QString("30"));
    QCOMPARE(Edit(*dlg, E::Balance)->text(), QString("20"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    QVERIFY(!dlg->DailyInput());
    QCOMPARE(Stored(*dlg, 20030512), QString("0 50 30 20"));
    QCOMPARE(dlg->Book().IsModified(), false); // on disk at once
    QList<QByteArray> lines = kSample;
    lines.insert(5, "20030512,0,2000,5000,3000,");
    QCOMPARE(ReadData(), FileBytes(lines));
    const QStringList saved = {"2003/05/12 (月)", "50/30", "167%", "20", "23", "1043"};
    QCOMPARE(Row(*dlg, 11), saved);
    QCOMPARE(dlg->List()->SelectedRow(), 11);
    QCOMPARE(ControlStates(*dlg), ExpectedStates(false));
    QVERIFY(m_prompt.asked.isEmpty());
}

void TestDailyInputMain::saves_data()
{
    QTest::addColumn<int>("day"); // of May 2003
    QTest::addColumn<int>("method"); // radio to click first: -1 none, 0 amounts, 1 balance
    QTest::addColumn<QString>("collected"); // typed when not null
    QTest::addColumn<QString>("invested");
    QTest::addColumn<QString>("balance");
    QTest::addColumn<bool>("clickMinus");
    QTest::addColumn<QString>("shownBalance"); // before OK
    QTest::addColumn<bool>("shownMinus");
    QTest::addColumn<QString>("stored"); // method collected invested balance
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<QStringList>("endSums"); // month and period at 2003/05/31
    QTest::addColumn<QString>("summary");

    const QString none;
    QTest::newRow("amounts 30 and 50")
            << 12 << -1 << "30"
            << "50" << none << false << "20" << true << "0 30 50 -20"
            << QStringList{"2003/05/12 (月)", "30/50", "60%", "-20", "-17", "1003"}
            << QStringList{"-16", "1004"}
            << "対象データ 最高収支額: 100000円 2003/01/01 (水) "
               "最高回収率: 60% 2003/05/12 (月)";
    // The amounts of the day are dropped, and with them the day's rate from the summary.
    QTest::newRow("balance only over amounts")
            << 5 << 1 << none << none << "40" << true << "40" << false << "1 0 0 40"
            << QStringList{"2003/05/05 (月)", "-", "-", "40", "40", "1060"}
            << QStringList{"49", "1069"}
            << "対象データ 最高収支額: 100000円 2003/01/01 (水) 最高回収率: -% ";
    QTest::newRow("balance only on an empty day")
            << 12 << 1 << none << none << "15" << true << "15" << true << "1 0 0 -15"
            << QStringList{"2003/05/12 (月)", "-", "-", "-15", "-12", "1008"}
            << QStringList{"-11", "1009"} << kInitialSummary;
    QTest::newRow("all zero by amounts")
            << 20 << -1 << "0" << none << none << false << "0" << false << "-1 0 0 0"
            << QStringList{"2003/05/20 (火)", "-", "-", "0", "-296", "724"}
            << QStringList{"-296", "724"} << kInitialSummary;
    QTest::newRow("all zero by balance")
            << 7 << -1 << none << none << "0" << false << "0" << false << "-1 0 0 0"
            << QStringList{"2003/05/07 (水)", "-", "-", "0", "-5", "1015"}
            << QStringList{"-4", "1016"} << kInitialSummary;
    // A minus zero is still zero: the day loses its result.
    QTest::newRow("all zero with minus checked")
            << 13 << 1 << none << none << "0" << false << "0" << true << "-1 0 0 0"
            << QStringList{"2003/05/13 (火)", "-", "-", "0", "3", "1023"}
            << QStringList{"303", "1323"} << kInitialSummary;
}

void TestDailyInputMain::saves()
{
    QFETCH(int, day);
    QFETCH(int, method);
    QFETCH(QString, collected);
    QFETCH(QString, invested);
    QFETCH(QString, balance);
    QFETCH(bool, clickMinus);
    QFETCH(QString, shownBalance);
    QFETCH(bool, shownMinus);
    QFETCH(QString, stored);
    QFETCH(QStringList, row);
    QFETCH(QStringList, endSums);
    QFETCH(QString, summary);

    auto dlg = Open();
    QCOMPARE(Summary(*dlg), kInitialSummary);
    QVERIFY(OpenOnDay(*dlg, day));
    QCOMPARE(ControlStates(*dlg), ExpectedStates(true));
    QPointer<Dlg> input = F::Entry(*dlg);

    if (method == 0)
        In<QRadioButton>(*dlg, E::MethodAmounts)->click();
    else if (method == 1)
        In<QRadioButton>(*dlg, E::MethodBalance)->click();
    if (!collected.isNull())
        Type(Edit(*dlg, E::Collected), collected);
    if (!invested.isNull())
        Type(Edit(*dlg, E::Invested), invested);
    if (!balance.isNull())
        Type(Edit(*dlg, E::Balance), balance);
    if (clickMinus)
        In<QCheckBox>(*dlg, E::Minus)->click();
    QCOMPARE(Edit(*dlg, E::Balance)->text(), shownBalance);
    QCOMPARE(In<QCheckBox>(*dlg, E::Minus)->isChecked(), shownMinus);
    // In the amounts method the sign follows the amounts and cannot be clicked.
    const bool amounts = In<QRadioButton>(*dlg, E::MethodAmounts)->isChecked();
    QCOMPARE(In<QCheckBox>(*dlg, E::Minus)->isEnabled(), !amounts);
    QPushButton *ok = In<QPushButton>(*dlg, E::Ok);
    QVERIFY(ok->isEnabled());
    QCOMPARE(dlg->Book().IsModified(), false);

    ok->click();
    QVERIFY(!dlg->DailyInput());
    QVERIFY(DeletedLater(input));
    QCOMPARE(ControlStates(*dlg), ExpectedStates(false));
    QCOMPARE(Stored(*dlg, 20030500 + day), stored);
    QCOMPARE(dlg->Book().IsModified(), false);
    QVERIFY(dlg->IsDailyView());
    QCOMPARE(dlg->List()->RowCount(), 31);
    QCOMPARE(Row(*dlg, day - 1), row);
    QCOMPARE(Row(*dlg, 30).mid(4), endSums);
    QCOMPARE(dlg->List()->SelectedRow(), day - 1);
    QCOMPARE(Summary(*dlg), summary);
    QVERIFY(m_prompt.asked.isEmpty());
}

void TestDailyInputMain::methodShown_data()
{
    QTest::addColumn<int>("defaultType"); // option DailyInput_Type
    QTest::addColumn<int>("day"); // of May 2003
    QTest::addColumn<int>("radioId"); // checked when shown
    QTest::addColumn<QString>("selected"); // selected text of the focused field
    QTest::addColumn<bool>("switchIsChange");

    QTest::newRow("amounts default, no result") << 0 << 12 << int(E::MethodAmounts) << "0" << false;
    QTest::newRow("balance default, no result") << 1 << 12 << int(E::MethodBalance) << "0" << false;
    // The default only applies to a day without a result.
    QTest::newRow("balance default, stored amounts")
            << 1 << 5 << int(E::MethodAmounts) << "5" << true;
    QTest::newRow("amounts default, stored balance")
            << 0 << 7 << int(E::MethodBalance) << "8" << true;
    // Any other value than 0 means the balance.
    QTest::newRow("other default, no result") << 7 << 12 << int(E::MethodBalance) << "0" << false;
}

void TestDailyInputMain::methodShown()
{
    QFETCH(int, defaultType);
    QFETCH(int, day);
    QFETCH(int, radioId);
    const auto radio = E::Id(radioId);
    QFETCH(QString, selected);
    QFETCH(bool, switchIsChange);

    WriteProfileInt("Option", "DailyInput_Type", defaultType);
    auto dlg = Open();
    QCOMPARE(dlg->Settings().balanceByDefault, defaultType != 0);
    QVERIFY(OpenOnDay(*dlg, day));
    const bool amounts = radio == E::MethodAmounts;
    QCOMPARE(In<QRadioButton>(*dlg, E::MethodAmounts)->isChecked(), amounts);
    QCOMPARE(In<QRadioButton>(*dlg, E::MethodBalance)->isChecked(), !amounts);
    QCOMPARE(Edit(*dlg, E::Collected)->isReadOnly(), !amounts);
    QCOMPARE(Edit(*dlg, E::Invested)->isReadOnly(), !amounts);
    QCOMPARE(Edit(*dlg, E::Balance)->isReadOnly(), amounts);
    QCOMPARE(In<QCheckBox>(*dlg, E::Minus)->isEnabled(), !amounts);
    QLineEdit *field = Edit(*dlg, amounts ? E::Collected : E::Balance);
    QCOMPARE(dlg->DailyInput()->focusWidget(), field);
    QCOMPARE(field->selectedText(), selected);
    QPushButton *ok = In<QPushButton>(*dlg, E::Ok);
    QVERIFY(!ok->isEnabled());

    // To the other method and back: a change only where the day holds a result.
    In<QRadioButton>(*dlg, amounts ? E::MethodBalance : E::MethodAmounts)->click();
    QCOMPARE(ok->isEnabled(), switchIsChange);
    In<QRadioButton>(*dlg, radio)->click();
    QCOMPARE(ok->isEnabled(), switchIsChange);

    const QStringList rowBefore = Row(*dlg, day - 1);
    const QString storedBefore = Stored(*dlg, 20030500 + day);
    m_prompt.answers = {QMessageBox::No};
    In<QPushButton>(*dlg, E::Cancel)->click();
    QVERIFY(!dlg->DailyInput());
    QCOMPARE(m_prompt.asked.size(), switchIsChange ? 1 : 0);
    QCOMPARE(ControlStates(*dlg), ExpectedStates(false));
    QCOMPARE(Stored(*dlg, 20030500 + day), storedBefore);
    QCOMPARE(Row(*dlg, day - 1), rowBefore);
    QCOMPARE(dlg->Book().IsModified(), false);
}

void TestDailyInputMain::switchMethod_data()
{
    QTest::addColumn<int>("day"); // of May 2003
    QTest::addColumn<int>("radioId"); // the method chosen
    QTest::addColumn<QString>("switchedBalance"); // shown right after the switch
    QTest::addColumn<QString>("collected"); // typed when not null
    QTest::addColumn<QString>("invested");
    QTest::addColumn<QString>("shownBalance");
    QTest::addColumn<bool>("shownMinus");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("row");

    const QString none;
    // The balance follows the amounts as soon as they are the method: a balance-only day switched
    // to amounts and confirmed as it stands holds amounts 0 and so no result, never amounts 0
    // beside its old balance.
    QTest::newRow("balance day to amounts")
            << 7 << int(E::MethodAmounts) << "0" << none << none << "0" << false << "-1 0 0 0"
            << QStringList{"2003/05/07 (水)", "-", "-", "0", "-5", "1015"};
    QTest::newRow("balance day to amounts, typed")
            << 7 << int(E::MethodAmounts) << "0"
            << "12"
            << "20"
            << "8" << true << "0 12 20 -8"
            << QStringList{"2003/05/07 (水)", "12/20", "60%", "-8", "-13", "1007"};
    // Switching to the balance keeps the balance shown.
    QTest::newRow("amounts day to balance")
            << 5 << int(E::MethodBalance) << "5" << none << none << "5" << true << "1 0 0 -5"
            << QStringList{"2003/05/05 (月)", "-", "-", "-5", "-5", "1015"};
}

void TestDailyInputMain::switchMethod()
{
    QFETCH(int, day);
    QFETCH(int, radioId);
    const auto radio = E::Id(radioId);
    QFETCH(QString, switchedBalance);
    QFETCH(QString, collected);
    QFETCH(QString, invested);
    QFETCH(QString, shownBalance);
    QFETCH(bool, shownMinus);
    QFETCH(QString, stored);
    QFETCH(QStringList, row);

    auto dlg = Open();
    QVERIFY(OpenOnDay(*dlg, day));
    const E::Id other = radio == E::MethodAmounts ? E::MethodBalance : E::MethodAmounts;
    QVERIFY(In<QRadioButton>(*dlg, other)->isChecked());
    QPushButton *ok = In<QPushButton>(*dlg, E::Ok);
    In<QRadioButton>(*dlg, radio)->click();
    QVERIFY(ok->isEnabled());
    QCOMPARE(Edit(*dlg, E::Balance)->text(), switchedBalance);
    // Going back to the stored method does not undo the change.
    In<QRadioButton>(*dlg, other)->click();
    QVERIFY(ok->isEnabled());
    In<QRadioButton>(*dlg, radio)->click();
    if (!collected.isNull())
        Type(Edit(*dlg, E::Collected), collected);
    if (!invested.isNull())
        Type(Edit(*dlg, E::Invested), invested);
    QCOMPARE(Edit(*dlg, E::Balance)->text(), shownBalance);
    QCOMPARE(In<QCheckBox>(*dlg, E::Minus)->isChecked(), shownMinus);

    ok->click();
    QVERIFY(!dlg->DailyInput());
    QCOMPARE(Stored(*dlg, 20030500 + day), stored);
    QCOMPARE(Row(*dlg, day - 1), row);
    QCOMPARE(dlg->Book().IsModified(), false);
    QCOMPARE(ControlStates(*dlg), ExpectedStates(false));
}

void TestDailyInputMain::okKeepShown_data()
{
    QTest::addColumn<bool>("keep");
    QTest::newRow("keep-shown off") << false;
    QTest::newRow("keep-shown on") << true;
}

void TestDailyInputMain::okKeepShown()
{
    QFETCH(bool, keep);
    auto dlg = Open();
    QPointer<Dlg> input = F::Entry(*dlg);
    QVERIFY(input);
    if (keep)
        In<QCheckBox>(*dlg, E::KeepShown)->click();
    Type(Edit(*dlg, E::Collected), "050");
    Type(Edit(*dlg, E::Invested), "30");
    In<QPushButton>(*dlg, E::Ok)->click();

    const QStringList row = {"2003/05/12 (月)", "50/30", "167%", "20", "23", "1043"};
    QCOMPARE(Stored(*dlg, 20030512), QString("0 50 30 20"));
    QCOMPARE(Row(*dlg, 11), row);
    QCOMPARE(Summary(*dlg),
             QString("対象データ 最高収支額: 100000円 2003/01/01 (水) 最高回収率: 167% "
                     "2003/05/12 (月)"));
    QCOMPARE(ControlStates(*dlg), ExpectedStates(keep));
    if (keep) {
        // The window stays on the day as stored: leading zeros gone, unchanged again.
        QCOMPARE(dlg->DailyInput(), input.data());
        QVERIFY(input->isVisible());
        QCOMPARE(Edit(*dlg, E::Collected)->text(), QString("50"));
        QCOMPARE(Edit(*dlg, E::Balance)->text(), QString("20"));
        QVERIFY(!In<QPushButton>(*dlg, E::Ok)->isEnabled());
        QVERIFY(!DeletedLater(input));
        // Another day is shown, not closed, and the saved row stays.
        ClickRow(*dlg, 12);
        QCOMPARE(dlg->DailyInput(), input.data());
        QCOMPARE(Edit(*dlg, E::Date)->text(), QString("2003/05/13 (火)"));
        QCOMPARE(Row(*dlg, 11), row);
    } else {
        QVERIFY(!dlg->DailyInput());
        QVERIFY(DeletedLater(input));
    }
    QVERIFY(m_prompt.asked.isEmpty());
}

void TestDailyInputMain::cancelAnswers_data()
{
    QTest::addColumn<bool>("change");
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QString>("how"); // button, escape or closebox
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<bool>("stays");

    const int yes = QMessageBox::Yes, no = QMessageBox::No, cancel = QMessageBox::Cancel;
    QTest::newRow("unchanged") << false << false << "button" << 0 << false << false;
    QTest::newRow("unchanged, keep-shown") << false << true << "escape" << 0 << false << false;
    QTest::newRow("yes") << true << false << "button" << yes << true << false;
    QTest::newRow("yes, keep-shown") << true << true << "button" << yes << true << false;
    QTest::newRow("no") << true << false << "escape" << no << false << false;
    QTest::newRow("no, keep-shown") << true << true << "button" << no << false << false;
    QTest::newRow("cancel") << true << false << "button" << cancel << false << true;
    QTest::newRow("cancel, keep-shown") << true << true << "button" << cancel << false << true;
    QTest::newRow("cancel by close box") << true << false << "closebox" << cancel << false << true;
    QTest::newRow("yes by close box") << true << false << "closebox" << yes << true << false;
}

void TestDailyInputMain::cancelAnswers()
{
    QFETCH(bool, change);
    QFETCH(bool, keep);
    QFETCH(QString, how);
    QFETCH(int, answer);
    QFETCH(bool, applied);
    QFETCH(bool, stays);

    auto dlg = Open();
    QPointer<Dlg> input = F::Entry(*dlg);
    QVERIFY(input);
    if (keep)
        In<QCheckBox>(*dlg, E::KeepShown)->click();
    if (change) {
        Type(Edit(*dlg, E::Collected), "30");
        Type(Edit(*dlg, E::Invested), "50");
    }
    QStringList whileShown;
    m_prompt.whileShown
            = [&] { whileShown << QStringLiteral("main %1").arg(dlg->isEnabled() ? "on" : "off"); };
    if (answer)
        m_prompt.answers = {QMessageBox::StandardButton(answer)};

    if (how == "button")
        In<QPushButton>(*dlg, E::Cancel)->click();
    else if (how == "escape")
        QTest::keyClick(Edit(*dlg, E::Collected), Qt::Key_Escape);
    else
        input->close();

    if (change) {
        QCOMPARE(m_prompt.asked.size(), 1);
        const ScriptedPrompt::Asked &asked = m_prompt.asked.first();
        QCOMPARE(asked.text, kAsk);
        QCOMPARE(asked.icon, QMessageBox::Warning);
        QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(asked.owner, static_cast<QWidget *>(input.data()));
        QCOMPARE(whileShown, QStringList{"main off"});
    } else {
        QVERIFY(m_prompt.asked.isEmpty());
    }
    QVERIFY(dlg->isEnabled());
    QCOMPARE(!!dlg->DailyInput(), stays);
    QCOMPARE(DeletedLater(input), !stays);
    QCOMPARE(ControlStates(*dlg), ExpectedStates(stays));
    QCOMPARE(Stored(*dlg, 20030512), applied ? QString("0 30 50 -20") : QString("-1 0 0 0"));
    QCOMPARE(dlg->Book().IsModified(), false);
    const QStringList savedRow = {"2003/05/12 (月)", "30/50", "60%", "-20", "-17", "1003"};
    QCOMPARE(Row(*dlg, 11), applied ? savedRow : kTodayRow);
    QCOMPARE(Summary(*dlg),
             applied ? QString("対象データ 最高収支額: 100000円 2003/01/01 (水) 最高回収率: 60% "
                               "2003/05/12 (月)")
                     : kInitialSummary);
    if (stays) {
        // Still changed, with the typed values.
        QVERIFY(input->isVisible());
        QVERIFY(In<QPushButton>(*dlg, E::Ok)->isEnabled());
        QCOMPARE(Edit(*dlg, E::Collected)->text(), QString("30"));
        QCOMPARE(Edit(*dlg, E::Balance)->text(), QString("20"));
    } else {
        // The position is kept for the next opening.
        QVERIFY(F::Store().contains("DailyInput/Pos_X"));
        QVERIFY(F::Store().contains("DailyInput/Pos_Y"));
    }
}

void TestDailyInputMain::dayChangeUnchanged_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("keep");
    QTest::addColumn<int>("monthIndex"); // afterwards; -1: the monthly view
    QTest::addColumn<int>("selected"); // row
    QTest::addColumn<QString>("shownDate"); // in a window still open; null: closed

    const QString closed;
    QTest::newRow("click") << "click" << false << 4 << 4 << closed;
    QTest::newRow("previous month") << "prev" << false << 3 << 11 << closed;
    QTest::newRow("monthly list") << "monthly" << false << -1 << 4 << closed;
    QTest::newRow("today's data") << "today" << false << 4 << 11 << closed;
    QTest::newRow("click, keep-shown") << "click" << true << 4 << 4 << "2003/05/05 (月)";
    QTest::newRow("previous month, keep-shown") << "prev" << true << 3 << 11 << "2003/04/12 (土)";
    // A month row is no day: the window stays blank.
    QTest::newRow("monthly list, keep-shown") << "monthly" << true << -1 << 4 << "";
    // The first click closes the window, the double click opens a new one on the day.
    QTest::newRow("double click") << "dclick" << false << 4 << 4 << "2003/05/05 (月)";
}

void TestDailyInputMain::dayChangeUnchanged()
{
    QFETCH(QString, command);
    QFETCH(bool, keep);
    QFETCH(int, monthIndex);
    QFETCH(int, selected);
    QFETCH(QString, shownDate);

    auto dlg = Open();
    QPointer<Dlg> input = F::Entry(*dlg);
    QVERIFY(input);
    if (keep)
        In<QCheckBox>(*dlg, E::KeepShown)->click();
    if (command == "click") {
        ClickRow(*dlg, 4);
    } else if (command == "dclick") {
        CReportList *list = dlg->List();
        const QPoint at = list->RowRect(4).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(!dlg->DailyInput());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    } else if (command == "prev") {
        Ctl<QPushButton>(*dlg, MainCtl::PrevMonth)->click();
    } else if (command == "monthly") {
        Ctl<QPushButton>(*dlg, MainCtl::MonthlyList)->click();
    } else {
        Ctl<QPushButton>(*dlg, MainCtl::TodayData)->click();
    }

    QVERIFY(m_prompt.asked.isEmpty());
    QCOMPARE(dlg->IsDailyView(), monthIndex >= 0);
    if (monthIndex >= 0)
        QCOMPARE(dlg->Session().MonthIndex(), monthIndex);
    QCOMPARE(dlg->List()->SelectedRow(), selected);
    QCOMPARE(dlg->Session().YearsBack(), 0);
    QCOMPARE(dlg->Book().IsModified(), false);
    if (shownDate.isNull()) {
        QVERIFY(!dlg->DailyInput());
        QVERIFY(DeletedLater(input));
        QCOMPARE(ControlStates(*dlg), ExpectedStates(false));
        return;
    }
    if (command == "dclick") {
        QVERIFY(DeletedLater(input));
        input = F::Entry(*dlg);
    }
    QVERIFY(input);
    QCOMPARE(dlg->DailyInput(), input.data());
    QCOMPARE(Edit(*dlg, E::Date)->text(), shownDate);
    QCOMPARE(Edit(*dlg, E::Collected)->isEnabled(), !shownDate.isEmpty());
    QVERIFY(!In<QPushButton>(*dlg, E::Ok)->isEnabled());
    QCOMPARE(ControlStates(*dlg), ExpectedStates(true));
    // Asked directly with nothing changed: 5; a kept window stays, another one closes.
    const bool kept = In<QCheckBox>(*dlg, E::KeepShown)->isChecked();
    QCOMPARE(dlg->Session().ConfirmEntry(), EntryAnswer::Unchanged);
    QCOMPARE(!!dlg->DailyInput(), kept);
    QCOMPARE(ControlStates(*dlg), ExpectedStates(kept));
    QVERIFY(m_prompt.asked.isEmpty());
}

void TestDailyInputMain::dayChangeCancelled_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("selected"); // row afterwards: a click keeps its new selection
    QTest::addColumn<int>("selDay");

    QTest::newRow("click") << "click" << 4 << 5;
    QTest::newRow("previous month") << "prev" << 11 << 12;
    QTest::newRow("next month") << "next" << 11 << 12;
    QTest::newRow("monthly list") << "monthly" << 11 << 12;
    QTest::newRow("today's data") << "today" << 11 << 12;
    QTest::newRow("exit") << "exit" << 11 << 12;
    QTest::newRow("escape") << "escape" << 11 << 12;
    QTest::newRow("close box") << "closebox" << 11 << 12;
}

void TestDailyInputMain::dayChangeCancelled()
{
    QFETCH(QString, command);
    QFETCH(int, selected);
    QFETCH(int, selDay);

    auto dlg = Open();
    QPointer<Dlg> input = F::Entry(*dlg);
    QVERIFY(input);
    // The window kept shown on 2003/04/12, so that today's data would change the month.
    In<QCheckBox>(*dlg, E::KeepShown)->click();
    Ctl<QPushButton>(*dlg, MainCtl::PrevMonth)->click();
    QCOMPARE(dlg->Session().MonthIndex(), 3);
    QCOMPARE(Edit(*dlg, E::Date)->text(), QString("2003/04/12 (土)"));
    Type(Edit(*dlg, E::Collected), "9");
    QVERIFY(In<QPushButton>(*dlg, E::Ok)->isEnabled());
    const QStringList aprilRow = Row(*dlg, 11);

    bool mainEnabledWhileAsked = true;
    m_prompt.whileShown = [&] { mainEnabledWhileAsked = dlg->isEnabled(); };
    m_prompt.answers = {QMessageBox::Cancel};
    if (command == "click")
        ClickRow(*dlg, 4);
    else if (command == "prev")
        Ctl<QPushButton>(*dlg, MainCtl::PrevMonth)->click();
    else if (command == "next")
        Ctl<QPushButton>(*dlg, MainCtl::NextMonth)->click();
    else if (command == "monthly")
        Ctl<QPushButton>(*dlg, MainCtl::MonthlyList)->click();
    else if (command == "today")
        Ctl<QPushButton>(*dlg, MainCtl::TodayData)->click();
    else if (command == "exit")
        Ctl<QPushButton>(*dlg, MainCtl::Exit)->click();
    else if (command == "escape")
        QTest::keyClick(dlg->List(), Qt::Key_Escape);
    else
        dlg->close();

    QCOMPARE(m_prompt.texts(), QStringList{kAsk});
    QVERIFY(!mainEnabledWhileAsked);
    QVERIFY(dlg->isEnabled());
    QVERIFY(dlg->isVisible());
    // View, period and window as they were; the list keeps a clicked row.
    QVERIFY(dlg->IsDailyView());
    QCOMPARE(dlg->Session().MonthIndex(), 3);
    QCOMPARE(Ctl<QLabel>(*dlg, MainCtl::ListMonth)->text(), QString("2003/04"));
    QCOMPARE(dlg->Session().YearsBack(), 0);
    QCOMPARE(dlg->List()->SelectedRow(), selected);
    QCOMPARE(dlg->Session().SelDay(), selDay);
    QCOMPARE(Row(*dlg, 11), aprilRow);
    QCOMPARE(Summary(*dlg), kInitialSummary);
    QCOMPARE(dlg->DailyInput(), input.data());
    QVERIFY(input->isVisible());
    QCOMPARE(Edit(*dlg, E::Date)->text(), QString("2003/04/12 (土)"));
    QCOMPARE(Edit(*dlg, E::Collected)->text(), QString("9"));
    QVERIFY(In<QPushButton>(*dlg, E::Ok)->isEnabled());
    QCOMPARE(Stored(*dlg, 20030412), QString("-1 0 0 0"));
    QCOMPARE(dlg->Book().IsModified(), false);
    QCOMPARE(ControlStates(*dlg), ExpectedStates(true));

    // The pending change still goes where it belongs.
    In<QPushButton>(*dlg, E::Ok)->click();
    QCOMPARE(Stored(*dlg, 20030412), QString("0 9 0 9"));
    const QStringList saved = {"2003/04/12 (土)", "9/0", "-%", "9", "9", "1009"};
    QCOMPARE(Row(*dlg, 11), saved);
}

void TestDailyInputMain::optionsRefused()
{
    auto dlg = Open();
    QPointer<Dlg> input = F::Entry(*dlg);
    QVERIFY(input);
    QAction *options = nullptr;
    for (QAction *action : dlg->findChild<QMenuBar *>()->findChildren<QAction *>()) {
        if (action->text() == QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"))
            options = action;
    }
    QVERIFY(options);

    bool inputEnabledWhileAsked = true;
    bool mainEnabledWhileAsked = false;
    m_prompt.whileShown = [&] {
        inputEnabledWhileAsked = input->isEnabled();
        mainEnabledWhileAsked = dlg->isEnabled();
    };
    // Were the options dialog run anyway, its event loop would close it and leave a mark.
    bool optionsShown = false;
    QTimer::singleShot(0, this, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            optionsShown = true;
            modal->close();
        }
    });
    options->trigger();

    QCOMPARE(m_prompt.texts(), QStringList{"「実績入力」を閉じてください。"});
    QCOMPARE(m_prompt.asked.first().owner, static_cast<QWidget *>(dlg.get()));
    QCOMPARE(m_prompt.asked.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!inputEnabledWhileAsked);
    QVERIFY(mainEnabledWhileAsked);
    QVERIFY(!optionsShown);
    QCOMPARE(dlg->DailyInput(), input.data());
    QVERIFY(input->isEnabled());
    QVERIFY(input->isVisible());
    QCOMPARE(ControlStates(*dlg), ExpectedStates(true));
    QCoreApplication::processEvents(); // let the guard run before its captures go
}

void TestDailyInputMain::closeMainWindow_data()
{
    QTest::addColumn<bool>("keep");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("written");

    QTest::newRow("yes") << false << int(QMessageBox::Yes) << true;
    QTest::newRow("yes, keep-shown") << true << int(QMessageBox::Yes) << true;
    QTest::newRow("no") << false << int(QMessageBox::No) << false;
}

void TestDailyInputMain::closeMainWindow()
{
    QFETCH(bool, keep);
    QFETCH(int, answer);
    QFETCH(bool, written);

    auto dlg = Open();
    QPointer<Dlg> input = F::Entry(*dlg);
    QVERIFY(input);
    if (keep)
        In<QCheckBox>(*dlg, E::KeepShown)->click();
    Type(Edit(*dlg, E::Collected), "50");
    Type(Edit(*dlg, E::Invested), "30");
    m_prompt.answers = {QMessageBox::StandardButton(answer)};
    Ctl<QPushButton>(*dlg, MainCtl::Exit)->click();

    QCOMPARE(m_prompt.texts(), QStringList{kAsk});
    QVERIFY(!dlg->isVisible());
    QCOMPARE(dlg->result(), int(QDialog::Rejected));
    // A kept window lives until its owner goes.
    QCOMPARE(!!dlg->DailyInput(), keep);
    QCOMPARE(DeletedLater(input), !keep);
    dlg.reset();
    QVERIFY(input.isNull());
    QVERIFY(F::Store().contains("DailyInput/Pos_X"));

    QList<QByteArray> lines = kSample;
    if (written)
        lines.insert(5, "20030512,0,2000,5000,3000,");
    QCOMPARE(ReadData(), FileBytes(lines));
}

QTEST_MAIN(TestDailyInputMain)
#include "tst_dailyinput_main.moc"
