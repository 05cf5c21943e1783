// The modal boxes the main window opens: the analyzer on the loaded book, with its stored
// position, and the version box, both while the daily input window is open and while it is not.

#include "MainWindowFixture.h"
#include "RunModal.h"
#include "analyzer/AnalyzerDlg.h"
#include "dialogs/AboutDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

const auto Line = DataLine;

// Days on both sides of a year boundary, so that each period holds a different set of points.
const QStringList kSample = {
        Line(20020510, 0, 20, 10, 10), // 200 %
        Line(20021231, 0, 5, 8, -3), // 62 %
        Line(20030101, 0, 29, 100, -71), // 28 %: the quotient is formed first
        Line(20030214, 1, 0, 0, 20), // balance only: no dot
        Line(20030301, 0, 0, 40, -40), // 0 %
        Line(20030415, 0, 25, 2, 23), // 1250 %, shown at 1000 %
        Line(20030512, 0, 50, 30, 20), // 166 %
        Line(20030531, 0, 300, 0, 300), // nothing invested: no dot
};

using Points = QList<QPoint>; // (invested, rate) per plotted day

enum CloseBy { CloseByOk, CloseByEscape, CloseByCloseBox };

void CloseBox(QDialog *box, CloseBy how)
{
    switch (how) {
    case CloseByOk:
        for (QPushButton *button : box->findChildren<QPushButton *>()) {
            if (button->text() == QStringLiteral("OK"))
                QTest::mouseClick(button, Qt::LeftButton);
        }
        break;
    case CloseByEscape:
        QTest::keyClick(box, Qt::Key_Escape);
        break;
    case CloseByCloseBox:
        box->close();
        break;
    }
}

QAction *VersionItem(CDiaryDlg &dlg)
{
    auto *bar = dlg.findChild<QMenuBar *>();
    if (!bar)
        return nullptr;
    for (QAction *menu : bar->actions()) {
        if (menu->text() != QStringLiteral("ﾍﾙﾌﾟ(&H)") || !menu->menu())
            continue;
        for (QAction *item : menu->menu()->actions()) {
            if (item->text() == QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)"))
                return item;
        }
    }
    return nullptr;
}

QPoint StoredAnalyzerPosition()
{
    return QPoint(GetProfileInt(QStringLiteral("Analysis"), QStringLiteral("Pos_X"), -1),
                  GetProfileInt(QStringLiteral("Analysis"), QStringLiteral("Pos_Y"), -1));
}

void ClearSettings()
{
    MainWindowFixture::Store().clear();
    // The daily input window is not wanted unless a test asks for it.
    WriteProfileInt(QStringLiteral("Option"), QStringLiteral("DailyInput_Show"), 0);
}

} // namespace

Q_DECLARE_METATYPE(CloseBy)

class TestMainDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void analyzerOnLoadedBook_data();
    void analyzerOnLoadedBook();
    void analyzerPosition_data();
    void analyzerPosition();
    void analyzerButtonFollowsDailyInput_data();
    void analyzerButtonFollowsDailyInput();
    void versionBox_data();
    void versionBox();

private:
    std::unique_ptr<CDiaryDlg> Open();
    int ClickAnalyzer(CDiaryDlg &dlg, const std::function<void(CAnalyzerDlg *)> &whileShown);

    MainWindowFixture m_f;
    ScriptedPrompt &m_prompt = m_f.prompt;
};

void TestMainDialogs::initTestCase()
{
    QVERIFY(m_f.Prepare());
}

void TestMainDialogs::init()
{
    m_f.Reset(false);
    m_f.WriteLines(kSample);
}

std::unique_ptr<CDiaryDlg> TestMainDialogs::Open()
{
    auto dlg = m_f.Show();
    return dlg->isVisible() ? std::move(dlg) : nullptr;
}

int TestMainDialogs::ClickAnalyzer(CDiaryDlg &dlg,
                                   const std::function<void(CAnalyzerDlg *)> &whileShown)
{
    return RunModal<CAnalyzerDlg>(
            [&] { QTest::mouseClick(dlg.Control(MainCtl::Analyzer), Qt::LeftButton); }, whileShown);
}

void TestMainDialogs::analyzerOnLoadedBook_data()
{
    QTest::addColumn<int>("fromN");
    QTest::addColumn<int>("yearsBack");
    QTest::addColumn<int>("dayCount");
    QTest::addColumn<QString>("title");
    QTest::addColumn<Points>("points");

    QTest::newRow("current period from January")
            << 1 << 0 << 151 << QString("回収率分布:2003/01/01 (水) ～ 2003/05/31 (土)")
            << Points{{100, 28}, {40, 0}, {2, 1000}, {30, 166}};
    QTest::newRow("one year back from January")
            << 1 << 1 << 365 << QString("回収率分布:2002/01/01 (火) ～ 2002/12/31 (火)")
            << Points{{10, 200}, {8, 62}};
    QTest::newRow("twelve months to this month")
            << 0 << 0 << 365 << QString("回収率分布:2002/06/01 (土) ～ 2003/05/31 (土)")
            << Points{{8, 62}, {100, 28}, {40, 0}, {2, 1000}, {30, 166}};
}

void TestMainDialogs::analyzerOnLoadedBook()
{
    QFETCH(int, fromN);
    QFETCH(int, yearsBack);
    QFETCH(int, dayCount);
    QFETCH(QString, title);
    QFETCH(Points, points);

    WriteProfileInt(QStringLiteral("Option"), QStringLiteral("FromN"), fromN);
    auto dlg = Open();
    QVERIFY(dlg);
    if (yearsBack > 0) {
        QTest::mouseClick(dlg->Control(MainCtl::PastData), Qt::LeftButton);
        QCOMPARE(dlg->Session().YearsBack(), yearsBack);
    }

    bool modal = false;
    bool prepared = false;
    QString caption;
    const CResultBook *book = nullptr;
    int seenDayCount = -1;
    QString seenTitle;
    Points seenPoints;
    bool kindChecked = false;
    const int shown = ClickAnalyzer(*dlg, [&](CAnalyzerDlg *box) {
        modal = box->isModal();
        caption = box->windowTitle();
        // Points, scales and title are computed on the first paint.
        prepared = QTest::qWaitFor([box] { return box->data().m_prepared == 1; });
        const CAnalyzerData &data = box->data();
        book = data.m_book;
        seenDayCount = data.m_dayCount;
        seenTitle = data.m_title;
        for (int i = 0; i < data.m_pointCount; ++i)
            seenPoints.append(QPoint(data.m_points[i].invested, data.m_points[i].rate));
        auto *kind = qobject_cast<QAbstractButton *>(box->control(CAnalyzerDlg::IdKindRate));
        kindChecked = kind && kind->isChecked();
        CloseBox(box, CloseByOk);
    });

    QCOMPARE(shown, 1);
    QVERIFY(modal);
    QCOMPARE(caption, QString("アナライザ"));
    QVERIFY(prepared);
    QCOMPARE(book, &dlg->Book());
    QCOMPARE(seenDayCount, dayCount);
    QCOMPARE(seenTitle, title);
    QCOMPARE(seenPoints, points);
    QVERIFY(kindChecked);
    // The analyzer only reads: nothing left to save.
    QCOMPARE(dlg->Book().IsModified(), false);
}

void TestMainDialogs::analyzerPosition_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QPoint>("storedPos");
    QTest::addColumn<bool>("restored");
    QTest::addColumn<CloseBy>("closeBy");

    QTest::newRow("nothing stored, OK") << false << QPoint() << false << CloseByOk;
    QTest::newRow("(0, 0) is not restored, Esc") << true << QPoint(0, 0) << false << CloseByEscape;
    QTest::newRow("(0, 250) is restored, close box")
            << true << QPoint(0, 250) << true << CloseByCloseBox;
    QTest::newRow("(137, 91) is restored, OK") << true << QPoint(137, 91) << true << CloseByOk;
}

void TestMainDialogs::analyzerPosition()
{
    QFETCH(bool, stored);
    QFETCH(QPoint, storedPos);
    QFETCH(bool, restored);
    QFETCH(CloseBy, closeBy);

    auto dlg = Open();
    QVERIFY(dlg);

    // Where the analyzer opens with nothing stored.
    QPoint fallback;
    QCOMPARE(ClickAnalyzer(*dlg, [&](CAnalyzerDlg *box) { fallback = box->pos(); }), 1);
    // Nothing stored reads as (0, 0), which must leave the box where it would open anyway.
    QVERIFY(fallback != QPoint(0, 0));
    ClearSettings();
    if (stored) {
        WriteProfileInt(QStringLiteral("Analysis"), QStringLiteral("Pos_X"), storedPos.x());
        WriteProfileInt(QStringLiteral("Analysis"), QStringLiteral("Pos_Y"), storedPos.y());
    }

    QPoint openedAt;
    QPoint movedTo;
    bool moved = false;
    QPoint storedWhileOpen;
    QCOMPARE(ClickAnalyzer(*dlg,
                           [&](CAnalyzerDlg *box) {
                               openedAt = box->pos();
                               storedWhileOpen = StoredAnalyzerPosition();
                               movedTo = box->pos() + QPoint(23, 17);
                               box->move(movedTo);
                               moved = QTest::qWaitFor([&] { return box->pos() == movedTo; });
                               CloseBox(box, closeBy);
                           }),
             1);
    QCOMPARE(openedAt, restored ? storedPos : fallback);
    QVERIFY(moved);
    // Written when the box closes, not before.
    QCOMPARE(storedWhileOpen, stored ? storedPos : QPoint(-1, -1));
    QCOMPARE(StoredAnalyzerPosition(), movedTo);

    // The next opening appears where the last one was left.
    QPoint reopenedAt;
    QCOMPARE(ClickAnalyzer(*dlg, [&](CAnalyzerDlg *box) { reopenedAt = box->pos(); }), 1);
    QCOMPARE(reopenedAt, movedTo);
}

void TestMainDialogs::analyzerButtonFollowsDailyInput_data()
{
    QTest::addColumn<int>("showAtStart"); // the option "DailyInput_Show"
    QTest::addColumn<bool>("openByEntryButton"); // "実績入力(&I)" after the start

    QTest::newRow("not opened") << 0 << false;
    QTest::newRow("opened at start") << 1 << false;
    QTest::newRow("opened by result entry") << 0 << true;
}

void TestMainDialogs::analyzerButtonFollowsDailyInput()
{
    QFETCH(int, showAtStart);
    QFETCH(bool, openByEntryButton);

    WriteProfileInt(QStringLiteral("Option"), QStringLiteral("DailyInput_Show"), showAtStart);
    auto dlg = Open();
    QVERIFY(dlg);
    QCOMPARE(dlg->DailyInput() != nullptr, showAtStart == 1);
    if (openByEntryButton) {
        QTest::mouseClick(dlg->Control(MainCtl::DailyInput), Qt::LeftButton);
        QVERIFY(dlg->DailyInput());
    }
    const bool inputOpen = dlg->DailyInput() != nullptr;
    QWidget *analyzerButton = dlg->Control(MainCtl::Analyzer);
    QCOMPARE(analyzerButton->isEnabled(), !inputOpen);
    QCOMPARE(ClickAnalyzer(*dlg, [](CAnalyzerDlg *) {}), inputOpen ? 0 : 1);
    QCOMPARE(dlg->DailyInput() != nullptr, inputOpen);

    if (inputOpen) {
        dlg->DailyInput()->close();
        QTRY_VERIFY(!dlg->DailyInput());
        QVERIFY(analyzerButton->isEnabled());
        QCOMPARE(ClickAnalyzer(*dlg, [](CAnalyzerDlg *) {}), 1);
    }
    QVERIFY(m_prompt.asked.isEmpty());
}

void TestMainDialogs::versionBox_data()
{
    QTest::addColumn<int>("showAtStart");
    QTest::addColumn<CloseBy>("closeBy");

    QTest::newRow("daily input closed, OK") << 0 << CloseByOk;
    QTest::newRow("daily input open, OK") << 1 << CloseByOk;
    QTest::newRow("daily input open, Esc") << 1 << CloseByEscape;
    QTest::newRow("daily input open, close box") << 1 << CloseByCloseBox;
}

void TestMainDialogs::versionBox()
{
    QFETCH(int, showAtStart);
    QFETCH(CloseBy, closeBy);

    WriteProfileInt(QStringLiteral("Option"), QStringLiteral("DailyInput_Show"), showAtStart);
    auto dlg = Open();
    QVERIFY(dlg);
    QPointer<QWidget> input = dlg->DailyInput();
    QCOMPARE(input != nullptr, showAtStart == 1);
    QAction *item = VersionItem(*dlg);
    QVERIFY(item);
    QVERIFY(item->isEnabled());

    bool modal = false;
    QString caption;
    bool inputEnabledDuring = true;
    bool stillShownAfterClose = true;
    QCOMPARE(RunModal<CAboutDlg>([item] { item->trigger(); },
                                 [&](CAboutDlg *box) {
                                     modal = box->isModal();
                                     caption = box->windowTitle();
                                     if (input)
                                         inputEnabledDuring = input->isEnabled();
                                     CloseBox(box, closeBy);
                                     stillShownAfterClose = box->isVisible();
                                 }),
             1);
    QVERIFY(modal);
    QCOMPARE(caption, QString("ミュレルのバージョン情報"));
    QVERIFY(!stillShownAfterClose);
    if (showAtStart == 1) {
        QVERIFY(!inputEnabledDuring);
        // The box changes nothing else: the daily input window is still open, enabled again,
        // and the main window's buttons still follow it.
        QVERIFY(input);
        QCOMPARE(dlg->DailyInput(), input.data());
        QVERIFY(input->isEnabled());
        QVERIFY(input->isVisible());
        QVERIFY(!dlg->Control(MainCtl::Analyzer)->isEnabled());
    } else {
        QVERIFY(!dlg->DailyInput());
        QVERIFY(dlg->Control(MainCtl::Analyzer)->isEnabled());
    }
    QVERIFY(m_prompt.asked.isEmpty());
}

QTEST_MAIN(TestMainDialogs)
#include "tst_maindialogs.moc"
