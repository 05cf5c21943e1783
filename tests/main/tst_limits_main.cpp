// The player's monthly limits in the main window: the status line shows this month's standing
// from the start, follows every confirmed day and the limits window's OK, and a day that takes
// the month past 50, 75, 90 or 100 % of a limit brings that threshold's box once per month,
// back in the event loop after the entry, never inside it.

#include "MainWindowFixture.h"
#include "RunModal.h"
#include "tools/LimitsDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

using F = MainWindowFixture;

// May 2003, this month, has lost 40 on one day so far.
const QStringList kSample = {
        DataLine(20020610, 0, 0, 40, -40),
        DataLine(20030420, 0, 20, 50, -30),
        DataLine(20030505, 0, 5, 45, -40),
};

// The limits as "Loss=100 Invest=0 Days=3": 0 leaves a limit off, a negative value switches it off.
void SetLimits(const QString &limits)
{
    for (const QString &part : limits.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList pair = part.split(QLatin1Char('='));
        const int value = pair.at(1).toInt();
        WriteProfileInt(QStringLiteral("Limits"), pair.at(0) + QStringLiteral("_On"), value > 0);
        WriteProfileInt(QStringLiteral("Limits"), pair.at(0), qAbs(value));
    }
}

// The thresholds each box names, "50" to "90", or "100" for the limit itself, in order.
QStringList ThresholdsOf(const QStringList &boxes)
{
    QStringList told;
    for (const QString &text : boxes) {
        const QString first = text.section(QLatin1Char('\n'), 0, 0);
        const qsizetype percent = first.indexOf(QStringLiteral("%に達しました。"));
        if (percent > 0)
            told << first.mid(percent - 2, 2);
        else if (first.endsWith(QStringLiteral("の上限に達しました。")))
            told << QStringLiteral("100");
        else
            told << QStringLiteral("?") + first;
    }
    return told;
}

// The thresholds told so far, joined by ",", then "|" and the status line.
QString Told(const CDiaryDlg &dlg, const ScriptedPrompt &prompt)
{
    return ThresholdsOf(prompt.texts()).join(QLatin1Char(',')) + QLatin1Char('|')
            + dlg.LimitStatus()->text();
}

// Lets the event loop deliver what was posted: the watch measures once it is back there.
void BackInTheEventLoop()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

QAction *LimitsItem(const CDiaryDlg &dlg)
{
    return F::MenuItem(dlg, QStringLiteral("上限の設定(&L)..."));
}

} // namespace

class TestLimitsMain : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_f.Prepare()); }
    void init()
    {
        m_f.Reset(false);
        m_f.WriteLines(kSample);
    }

    void confirmedDays_data();
    void confirmedDays();
    void boxAfterTheEntry();
    void monthChange();
    void thisMonthOutsideThePeriod();
    void limitsWindow_data();
    void limitsWindow();

private:
    MainWindowFixture m_f;
};

void TestLimitsMain::confirmedDays_data()
{
    QTest::addColumn<QString>("limits");
    // Each step: "date collected invested", entered by amounts.
    QTest::addColumn<QStringList>("days");
    // After the start, then after each step: the thresholds told, joined by ",", then "|" and the
    // status line.
    QTest::addColumn<QStringList>("after");

    const QString loss = QStringLiteral("|今月の負け 40/100 (40%)");
    // A threshold the month had reached before the start is not a day confirmed now: no box.
    QTest::newRow("no limit") << "" << QStringList() << QStringList{"|"};
    QTest::newRow("invested, truncated percent")
            << "Invest=200" << QStringList() << QStringList{"|今月の投資 45/200 (22%)"};
    QTest::newRow("every limit")
            << "Loss=100 Invest=90 Days=4" << QStringList()
            << QStringList{
                       "|今月の負け 40/100 (40%)、今月の投資 45/90 (50%)、今月の稼働 1/4日 (25%)"};
    QTest::newRow("switched off") << "Loss=-100 Days=2" << QStringList()
                                  << QStringList{"|今月の稼働 1/2日 (50%)"};
    QTest::newRow("loss, one threshold a day")
            << "Loss=100"
            << QStringList{"20030506 0 15", "20030507 0 25", "20030508 0 10", "20030509 0 15",
                           "20030510 0 5"}
            << QStringList{loss,
                           "50|今月の負け 55/100 (55%)",
                           "75|今月の負け 80/100 (80%)",
                           "90|今月の負け 90/100 (90%)",
                           "100|今月の負け 105/100 (105%)",
                           "|今月の負け 110/100 (110%)"};
    QTest::newRow("several thresholds in one day")
            << "Loss=100" << QStringList{"20030506 0 55", "20030507 0 5"}
            << QStringList{loss, "50,75,90|今月の負け 95/100 (95%)",
                           "100|今月の負け 100/100 (100%)"};
    QTest::newRow("told once a month, also after a win")
            << "Loss=100" << QStringList{"20030506 0 20", "20030507 30 0", "20030508 0 30"}
            << QStringList{loss, "50|今月の負け 60/100 (60%)", "|今月の負け 30/100 (30%)",
                           "|今月の負け 60/100 (60%)"};
    QTest::newRow("today's day corrected") << "Loss=100" << QStringList{"20030505 0 80"}
                                           << QStringList{loss, "50,75|今月の負け 80/100 (80%)"};
    QTest::newRow("a day of another month")
            << "Loss=100" << QStringList{"20030420 0 100", "20030101 0 99"}
            << QStringList{loss, loss, loss};
    QTest::newRow("days with a result")
            << "Days=3" << QStringList{"20030506 1 0", "20030507 0 0", "20030508 2 1"}
            << QStringList{"|今月の稼働 1/3日 (33%)", "50|今月の稼働 2/3日 (66%)",
                           "|今月の稼働 2/3日 (66%)", "75,90,100|今月の稼働 3/3日 (100%)"};
    QTest::newRow("two limits")
            << "Loss=100 Invest=100" << QStringList{"20030506 0 40"}
            << QStringList{"|今月の負け 40/100 (40%)、今月の投資 45/100 (45%)",
                           "50,75,50,75|今月の負け 80/100 (80%)、今月の投資 85/100 (85%)"};
    QTest::newRow("no limit on") << "" << QStringList{"20030506 0 500"} << QStringList{"|", "|"};
}

// The status line from the start, and days confirmed through the session, as the daily input
// window and the play sessions do.
void TestLimitsMain::confirmedDays()
{
    QFETCH(QString, limits);
    QFETCH(QStringList, days);
    QFETCH(QStringList, after);

    SetLimits(limits);
    auto dlg = m_f.Show();
    BackInTheEventLoop();
    QStringList seen{Told(*dlg, m_f.prompt)};
    for (const QString &step : days) {
        const QStringList day = step.split(QLatin1Char(' '));
        m_f.prompt.asked.clear();
        QVERIFY(dlg->Session().EnterDay(day[0].toInt(), EntryMethod::Amounts, day[1].toInt(),
                                        day[2].toInt(), 0));
        // Never inside the entry.
        QVERIFY(m_f.prompt.asked.isEmpty());
        BackInTheEventLoop();
        seen << Told(*dlg, m_f.prompt);
        for (const ScriptedPrompt::Asked &box : std::as_const(m_f.prompt.asked)) {
            QCOMPARE(box.owner, dlg.get());
            QCOMPARE(box.icon, QMessageBox::Information);
            QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
    }
    QCOMPARE(seen, after);
}

// Typed into the daily input window: the box comes once the day is saved and the window is gone,
// and the next day can be typed at once.
void TestLimitsMain::boxAfterTheEntry()
{
    SetLimits(QStringLiteral("Loss=100"));
    auto dlg = m_f.Show();
    QTest::mouseClick(dlg->Control(MainCtl::DailyInput), Qt::LeftButton);
    QVERIFY(dlg->DailyInput());
    QLineEdit *invested = F::In<QLineEdit>(*dlg, EntryCtl::Invested);
    QVERIFY(invested);
    invested->selectAll();
    QTest::keyClicks(invested, QStringLiteral("70"));

    QByteArray fileWhileShown;
    bool inputWhileShown = true;
    m_f.prompt.whileShown = [&] {
        fileWhileShown = m_f.ReadData();
        inputWhileShown = dlg->DailyInput() != nullptr;
    };
    QTest::mouseClick(F::In<QPushButton>(*dlg, EntryCtl::Ok), Qt::LeftButton);
    QVERIFY(m_f.prompt.asked.isEmpty());
    BackInTheEventLoop();
    QCOMPARE(ThresholdsOf(m_f.prompt.texts()), QStringList({"50", "75", "90", "100"}));
    QVERIFY(fileWhileShown.contains("20030512,0,-7000,0,7000,\r\n"));
    QVERIFY(!inputWhileShown);
    QCOMPARE(dlg->LimitStatus()->text(), QStringLiteral("今月の負け 110/100 (110%)"));

    // Entry goes on: nothing is blocked.
    QTest::mouseClick(dlg->Control(MainCtl::DailyInput), Qt::LeftButton);
    QVERIFY(dlg->DailyInput());
}

// A new month starts over; a day of the month before, entered then, tells nothing.
void TestLimitsMain::monthChange()
{
    SetLimits(QStringLiteral("Loss=100"));
    {
        auto may = m_f.Show();
        QVERIFY(may->Session().EnterDay(20030506, EntryMethod::Amounts, 0, 20, 0));
        BackInTheEventLoop();
        QCOMPARE(ThresholdsOf(m_f.prompt.texts()), QStringList({"50"}));
    }
    m_f.prompt.asked.clear();
    auto june = m_f.Show(QDate(2003, 6, 2));
    BackInTheEventLoop();
    QCOMPARE(june->LimitStatus()->text(), QStringLiteral("今月の負け 0/100 (0%)"));

    QVERIFY(june->Session().EnterDay(20030507, EntryMethod::Amounts, 0, 30, 0));
    BackInTheEventLoop();
    QVERIFY(m_f.prompt.asked.isEmpty());
    QCOMPARE(june->LimitStatus()->text(), QStringLiteral("今月の負け 0/100 (0%)"));

    QVERIFY(june->Session().EnterDay(20030601, EntryMethod::Amounts, 10, 70, 0));
    BackInTheEventLoop();
    QCOMPARE(ThresholdsOf(m_f.prompt.texts()), QStringList({"50"}));
    QCOMPARE(june->LimitStatus()->text(), QStringLiteral("今月の負け 60/100 (60%)"));
}

// With a past period loaded, this month comes from the data file: for the status line, for the
// limits window and for a day confirmed meanwhile.
void TestLimitsMain::thisMonthOutsideThePeriod()
{
    SetLimits(QStringLiteral("Loss=100"));
    auto dlg = m_f.Show();
    QTest::mouseClick(F::Ctl<QRadioButton>(*dlg, MainCtl::PastData), Qt::LeftButton);
    QCOMPARE(dlg->Session().YearsBack(), 1);
    QCOMPARE(dlg->Book().IndexOf(20030505), -1);

    QVERIFY(dlg->Session().EnterDay(20020611, EntryMethod::Amounts, 0, 90, 0));
    BackInTheEventLoop();
    QVERIFY(m_f.prompt.asked.isEmpty());
    QCOMPARE(dlg->LimitStatus()->text(), QStringLiteral("今月の負け 40/100 (40%)"));

    QString standing;
    QCOMPARE(RunModal<CLimitsDlg>([&] { LimitsItem(*dlg)->trigger(); },
                                  [&](CLimitsDlg *box) {
                                      standing = qobject_cast<QLabel *>(
                                                         box->control(CLimitsDlg::IdStanding))
                                                         ->text();
                                  }),
             1);
    QCOMPARE(standing, QStringLiteral("今月の負け 40/100 (40%)"));
}

void TestLimitsMain::limitsWindow_data()
{
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("status"); // after the window
    QTest::addColumn<QString>("next"); // thresholds told, "|", status after a day of 10 lost

    QTest::newRow("OK") << true << "今月の負け 40/50 (80%)"
                        << "90,100|今月の負け 50/50 (100%)";
    QTest::newRow("cancel") << false << ""
                            << "|";
}

// Set through the window: OK shows the standing at once; what the month had reached already was
// known when the limit was set, so only later thresholds bring a box.
void TestLimitsMain::limitsWindow()
{
    QFETCH(bool, ok);
    QFETCH(QString, status);
    QFETCH(QString, next);

    auto dlg = m_f.Show();
    BackInTheEventLoop();
    QCOMPARE(dlg->LimitStatus()->text(), QString());
    QAction *item = LimitsItem(*dlg);
    QVERIFY(item);
    QCOMPARE(RunModal<CLimitsDlg>(
                     [&] { item->trigger(); },
                     [&](CLimitsDlg *box) {
                         auto *on = qobject_cast<QCheckBox *>(box->control(CLimitsDlg::IdLossOn));
                         auto *value = qobject_cast<QSpinBox *>(box->control(CLimitsDlg::IdLoss));
                         on->click();
                         value->setValue(50);
                         auto *button = qobject_cast<QPushButton *>(
                                 box->control(ok ? CLimitsDlg::IdOk : CLimitsDlg::IdCancel));
                         button->click();
                     }),
             1);
    BackInTheEventLoop();
    QCOMPARE(dlg->LimitStatus()->text(), status);
    QVERIFY(m_f.prompt.asked.isEmpty());

    QVERIFY(dlg->Session().EnterDay(20030506, EntryMethod::Amounts, 0, 10, 0));
    BackInTheEventLoop();
    QCOMPARE(Told(*dlg, m_f.prompt), next);
}

QTEST_MAIN(TestLimitsMain)
#include "tst_limits_main.moc"
