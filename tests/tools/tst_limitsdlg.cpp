#include "data/ResultBook.h"
#include "tools/HelpDlg.h"
#include "tools/LimitsDlg.h"

#include "common/ScriptedPrompt.h"
#include "tools/ToolsFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>

namespace {

QCheckBox *Check(const CLimitsDlg &dlg, CLimitsDlg::ControlId id)
{
    return static_cast<QCheckBox *>(dlg.control(id));
}

QSpinBox *Spin(const CLimitsDlg &dlg, CLimitsDlg::ControlId id)
{
    return static_cast<QSpinBox *>(dlg.control(id));
}

QString Standing(const CLimitsDlg &dlg)
{
    return static_cast<QLabel *>(dlg.control(CLimitsDlg::IdStanding))->text();
}

const MonthTotals kMay{200305, -180, 600, 5};

} // namespace

class TestLimitsDlg : public QObject
{
    Q_OBJECT
private:
    ToolsFixture m_fx;

private slots:
    void init() { m_fx.Init(); }

    void window()
    {
        CLimitsDlg dlg(nullptr, kMay);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("上限の設定"));
        QCOMPARE(Check(dlg, CLimitsDlg::IdLossOn)->text(), QStringLiteral("月の負けの上限(&L)"));
        QCOMPARE(Check(dlg, CLimitsDlg::IdInvestOn)->text(), QStringLiteral("月の投資の上限(&I)"));
        QCOMPARE(Check(dlg, CLimitsDlg::IdDaysOn)->text(),
                 QStringLiteral("月の稼働日数の上限(&D)"));
        for (auto id : {CLimitsDlg::IdLossOn, CLimitsDlg::IdInvestOn, CLimitsDlg::IdDaysOn}) {
            QVERIFY(!Check(dlg, id)->isChecked()); // every limit is off until switched on
            QVERIFY(!Spin(dlg, CLimitsDlg::ControlId(id + 1))->isEnabled());
        }
        QCOMPARE(Spin(dlg, CLimitsDlg::IdLoss)->value(), 300);
        QCOMPARE(Spin(dlg, CLimitsDlg::IdInvest)->value(), 1000);
        QCOMPARE(Spin(dlg, CLimitsDlg::IdDays)->value(), 10);
        QCOMPARE(Spin(dlg, CLimitsDlg::IdLoss)->accessibleName(),
                 QStringLiteral("月の負けの上限 (百円)"));
        QCOMPARE(Standing(dlg), QStringLiteral("上限は設定されていません。"));
    }

    // The stored limits, the standing as they change, and the keyboard.
    void editing()
    {
        QSettings store = ToolsFixture::Store();
        store.setValue("Limits/Loss_On", 1);
        store.setValue("Limits/Loss", 500);
        store.sync();
        CLimitsDlg dlg(nullptr, kMay);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QVERIFY(Check(dlg, CLimitsDlg::IdLossOn)->isChecked());
        QCOMPARE(Spin(dlg, CLimitsDlg::IdLoss)->value(), 500);
        QCOMPARE(Standing(dlg), QStringLiteral("今月の負け 180/500 (36%)"));
        QTest::keyClick(&dlg, Qt::Key_D, Qt::AltModifier);
        QTRY_VERIFY(Check(dlg, CLimitsDlg::IdDaysOn)->isChecked());
        QVERIFY(Spin(dlg, CLimitsDlg::IdDays)->isEnabled());
        QCOMPARE(Standing(dlg),
                 QStringLiteral("今月の負け 180/500 (36%)\n今月の稼働 5/10日 (50%)"));
        Spin(dlg, CLimitsDlg::IdDays)->setValue(8);
        QCOMPARE(Standing(dlg), QStringLiteral("今月の負け 180/500 (36%)\n今月の稼働 5/8日 (62%)"));
        dlg.reject();
        // Cancel stores nothing.
        QCOMPARE(ToolsFixture::Store().value("Limits/Days_On").toInt(), 0);
    }

    // OK stores the limits; what the month reached already counts as told.
    void ok()
    {
        CLimitsDlg dlg(nullptr, kMay);
        Check(dlg, CLimitsDlg::IdInvestOn)->setChecked(true);
        Spin(dlg, CLimitsDlg::IdInvest)->setValue(800);
        QTest::mouseClick(dlg.control(CLimitsDlg::IdOk), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QSettings store = ToolsFixture::Store();
        QCOMPARE(store.value("Limits/Invest_On").toInt(), 1);
        QCOMPARE(store.value("Limits/Invest").toInt(), 800);
        QCOMPARE(store.value("Limits/Loss_On").toInt(), 0);
        QCOMPARE(store.value("Limits/Told_Month").toInt(), 200305);
        QCOMPARE(store.value("Limits/Invest_Told").toInt(), 3); // 50 and 75 %
        const limits::Report later = limits::AfterConfirmedDay({200305, -180, 720, 6});
        QCOMPARE(later.boxes.size(), 1);
        QVERIFY(later.boxes[0].startsWith(QStringLiteral("今月の投資が月の投資の上限の90%")));
        QCOMPARE(later.status, QStringLiteral("今月の投資 720/800 (90%)"));
    }

    // From confirmed days to the boxes the main window shows, as it wires them: one box per
    // threshold, the status line, nothing again after a restart.
    void confirmedDays()
    {
        m_fx.WriteLines({DataLine(20030430, 1, 0, 0, -500)});
        CResultBook book(m_fx.Path());
        QVERIFY(book.LoadPeriod(200305, 1, 0));
        {
            CLimitsDlg dlg(nullptr, *MonthTotalsOf(book, 200305));
            Check(dlg, CLimitsDlg::IdLossOn)->setChecked(true);
            dlg.accept();
        }
        ScriptedPrompt prompt;
        QStringList statuses;
        for (const int balance : {-100, -80, -60, -40, -50}) {
            const int date = 20030501 + statuses.size();
            QVERIFY(book.EnterDay(date, EntryMethod::Balance, 0, 0, balance));
            const limits::Report report = limits::AfterConfirmedDay(*MonthTotalsOf(book, 200305));
            ShowLimitBoxes(nullptr, prompt, report.boxes);
            statuses << report.status;
        }
        QCOMPARE(statuses,
                 QStringList({"今月の負け 100/300 (33%)", "今月の負け 180/300 (60%)",
                              "今月の負け 240/300 (80%)", "今月の負け 280/300 (93%)",
                              "今月の負け 330/300 (110%)"}));
        QCOMPARE(prompt.asked.size(), 4);
        QVERIFY(prompt.texts()[0].startsWith(QStringLiteral("今月の負けが月の負けの上限の50%")));
        QVERIFY(prompt.texts()[1].startsWith(QStringLiteral("今月の負けが月の負けの上限の75%")));
        QVERIFY(prompt.texts()[2].startsWith(QStringLiteral("今月の負けが月の負けの上限の90%")));
        QVERIFY(prompt.texts()[3].contains(QStringLiteral("上限を 30 超えています。")));
        QCOMPARE(prompt.asked[0].icon, QMessageBox::Information);
        QCOMPARE(prompt.asked[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        // Started again: the month's boxes were shown already.
        QVERIFY(book.EnterDay(20030510, EntryMethod::Balance, 0, 0, -1));
        QVERIFY(limits::AfterConfirmedDay(*MonthTotalsOf(book, 200305)).boxes.isEmpty());
    }

    void help()
    {
        CHelpDlg dlg(nullptr);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("相談窓口"));
        const QString text = static_cast<QLabel *>(dlg.control(CHelpDlg::IdText))->text();
        QCOMPARE(text, CHelpDlg::Text());
        for (const char *name : {"精神保健福祉センター", "各都道府県", "保健所", "GA", "ギャマノン",
                                 "家族", "自己申告・家族申告プログラム", "パチンコ"})
            QVERIFY2(text.contains(QString::fromUtf8(name)), name);
        // No telephone numbers, postal codes or web addresses: they change.
        QVERIFY(!text.contains(QRegularExpression(QStringLiteral("\\d{2,4}-\\d{2,4}-\\d{3,4}"))));
        QVERIFY(!text.contains(QStringLiteral("〒")));
        QVERIFY(!text.contains(QStringLiteral("http")));
        QVERIFY(dlg.control(CHelpDlg::IdText)->focusPolicy() & Qt::TabFocus);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(QApplication::focusWidget(), dlg.control(CHelpDlg::IdOk));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!dlg.isVisible());
    }
};

QTEST_MAIN(TestLimitsDlg)
#include "tst_limitsdlg.moc"
