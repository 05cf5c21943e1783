// The main window's menus: every item in its place, when it can be chosen with and without the
// daily input window, the tool boxes it opens, and the status line of the limits below
// everything else.

#include "MainWindowFixture.h"
#include "RunModal.h"
#include "dialogkit/DialogTemplate.h"
#include "tools/CalendarDlg.h"

#include <QAccessible>

namespace {

using F = MainWindowFixture;

const QStringList kSample = {
        DataLine(20030420, 0, 20, 50, -30),
        DataLine(20030505, 0, 5, 85, -80),
        DataLine(20030512, 0, 10, 110, -100),
};

// Each menu as "title: item|item|-|item", separators as "-".
QStringList MenuTexts(const CDiaryDlg &dlg)
{
    QStringList menus;
    for (QAction *menu : dlg.findChild<QMenuBar *>()->actions()) {
        QStringList items;
        for (QAction *item : menu->menu()->actions())
            items << (item->isSeparator() ? QStringLiteral("-") : item->text());
        menus << menu->text() + QStringLiteral(": ") + items.join(QLatin1Char('|'));
    }
    return menus;
}

const QStringList kItems = {
        "CSVから読み込む(&I)...",
        "CSV形式で保存(&S)...",
        "グラフを画像で保存(&G)...",
        "印刷(&P)...",
        "終了(&X)",
        "年別集計(&Y)...",
        "店舗・機種別集計(&S)...",
        "カレンダー(&C)...",
        "統計(&T)...",
        "上限の設定(&L)...",
        "ｵﾌﾟｼｮﾝ(&O)",
        "相談窓口(&C)...",
        "ﾊﾞｰｼﾞｮﾝ情報(&A)",
};

// The items that can be chosen, as one text.
QString EnabledItems(const CDiaryDlg &dlg)
{
    QStringList enabled;
    for (const QString &text : kItems) {
        QAction *item = F::MenuItem(dlg, text);
        enabled << (item && item->isEnabled() ? QStringLiteral("1") : QStringLiteral("0"));
    }
    return enabled.join(QString());
}

} // namespace

class TestToolsMenuMain : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_f.Prepare()); }
    void init()
    {
        m_f.Reset(false);
        m_f.WriteLines(kSample);
    }

    void menus();
    void itemsWithDailyInput_data();
    void itemsWithDailyInput();
    void toolBoxes_data();
    void toolBoxes();
    void statusLineBelowEverything();

private:
    MainWindowFixture m_f;
};

void TestToolsMenuMain::menus()
{
    auto dlg = m_f.Open();
    QCOMPARE(MenuTexts(*dlg),
             QStringList({"ﾌｧｲﾙ(&F): CSVから読み込む(&I)...|CSV形式で保存(&S)...|"
                          "グラフを画像で保存(&G)...|印刷(&P)...|-|終了(&X)",
                          "ﾂｰﾙ(&T): 年別集計(&Y)...|店舗・機種別集計(&S)...|カレンダー(&C)...|"
                          "統計(&T)...|"
                          "上限の設定(&L)...|ｵﾌﾟｼｮﾝ(&O)",
                          "ﾍﾙﾌﾟ(&H): 相談窓口(&C)...|ﾊﾞｰｼﾞｮﾝ情報(&A)"}));
}

void TestToolsMenuMain::itemsWithDailyInput_data()
{
    QTest::addColumn<bool>("viewOnly");
    QTest::addColumn<QString>("closed"); // one digit per item of kItems: 1 enabled
    QTest::addColumn<QString>("open");

    // The import and the exports rest while the daily input window is open, as do the year
    // table and the analyzer; the tools that only read, or keep their own settings, stay.
    QTest::newRow("diary") << false << "1111111111111"
                           << "0000101111111";
    // A diary only shown takes no import, and never opens the daily input window.
    QTest::newRow("only shown") << true << "0111111111111"
                                << "0111111111111";
}

void TestToolsMenuMain::itemsWithDailyInput()
{
    QFETCH(bool, viewOnly);
    QFETCH(QString, closed);
    QFETCH(QString, open);

    DiaryEnv env = m_f.Env();
    env.viewOnly = viewOnly;
    CDiaryDlg dlg(env);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(EnabledItems(dlg), closed);

    QTest::mouseClick(dlg.Control(MainCtl::DailyInput), Qt::LeftButton);
    QCOMPARE(dlg.DailyInput() != nullptr, !viewOnly);
    QCOMPARE(EnabledItems(dlg), open);
    if (dlg.DailyInput()) {
        dlg.DailyInput()->close();
        QTRY_VERIFY(!dlg.DailyInput());
    }
    QCOMPARE(EnabledItems(dlg), closed);
}

void TestToolsMenuMain::toolBoxes_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("dailyInput");

    for (const bool input : {false, true}) {
        const char *with = input ? ", daily input window open" : "";
        QTest::addRow("session table%s", with) << "店舗・機種別集計(&S)..."
                                               << "店舗・機種別集計" << input;
        QTest::addRow("statistics%s", with) << "統計(&T)..."
                                            << "統計" << input;
        QTest::addRow("limits%s", with) << "上限の設定(&L)..."
                                        << "上限の設定" << input;
        QTest::addRow("help%s", with) << "相談窓口(&C)..."
                                      << "相談窓口" << input;
    }
}

// Each opens its box over the main window; an open daily input window rests while it is shown,
// as it does for the version box, and takes input again afterwards.
void TestToolsMenuMain::toolBoxes()
{
    QFETCH(QString, item);
    QFETCH(QString, title);
    QFETCH(bool, dailyInput);

    auto dlg = m_f.Show();
    if (dailyInput) {
        QTest::mouseClick(dlg->Control(MainCtl::DailyInput), Qt::LeftButton);
        QVERIFY(dlg->DailyInput());
    }
    QAction *action = F::MenuItem(*dlg, item);
    QVERIFY(action);
    QString shownTitle;
    QWidget *owner = nullptr;
    bool inputEnabled = true;
    const int shown = RunModal<QDialog>([&] { action->trigger(); },
                                        [&](QDialog *box) {
                                            shownTitle = box->windowTitle();
                                            owner = box->parentWidget();
                                            if (dlg->DailyInput())
                                                inputEnabled = dlg->DailyInput()->isEnabled();
                                        });
    QCOMPARE(shown, 1);
    QCOMPARE(shownTitle, title);
    QCOMPARE(owner, dlg.get());
    QCOMPARE(inputEnabled, !dailyInput);
    QCOMPARE(dlg->DailyInput() != nullptr, dailyInput);
    if (dlg->DailyInput())
        QVERIFY(dlg->DailyInput()->isEnabled());
    QVERIFY(m_f.prompt.asked.isEmpty());
}

// The status line sits below the client area, whose size and controls stay as they were; it
// takes no focus, so the tab order is unchanged, and a screen reader reads its text.
void TestToolsMenuMain::statusLineBelowEverything()
{
    WriteProfileInt(QStringLiteral("Limits"), QStringLiteral("Loss_On"), 1);
    WriteProfileInt(QStringLiteral("Limits"), QStringLiteral("Loss"), 300);
    auto dlg = m_f.Show();
    QLabel *line = dlg->LimitStatus();
    QVERIFY(line);
    QCOMPARE(line->window(), dlg.get());
    QVERIFY(line->isVisible());
    QCOMPARE(line->focusPolicy(), Qt::NoFocus);

    QWidget *client = dlg->Control(MainCtl::List)->parentWidget();
    QCOMPARE(client->size(), dlg::ToPixels(dlg::BaseUnitsOf(dlg->font()), 490, 439));
    const int clientBottom = client->mapTo(dlg.get(), QPoint(0, client->height())).y();
    QVERIFY(line->mapTo(dlg.get(), QPoint(0, 0)).y() >= clientBottom);
    QVERIFY(line->mapTo(dlg.get(), QPoint(0, line->height())).y() <= dlg->height());
    QVERIFY(!client->isAncestorOf(line));

    // May so far: 80 + 100 lost.
    QCOMPARE(line->text(), QStringLiteral("今月の負け 180/300 (60%)"));
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(line);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::StaticText);
    QCOMPARE(iface->text(QAccessible::Name), line->text());
    QVERIFY(!iface->state().invisible);
}

QTEST_MAIN(TestToolsMenuMain)
#include "tst_toolsmenu_main.moc"
