#include "data/ResultBook.h"
#include "tools/CalendarDlg.h"
#include "tools/CalendarGrid.h"

#include "tools/ToolsFixture.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

namespace {

constexpr int kToday = 20030512;

// May 2003 and a few days around it; the loaded period is January to May 2003.
const QStringList kLines = {
        DataLine(20020315, 1, 0, 0, 40),   DataLine(20030501, 0, 100, 20, 80),
        DataLine(20030502, 1, 0, 0, -120), DataLine(20030505, 0, 50, 50, 0),
        DataLine(20030512, 0, 30, 10, 20), DataLine(20030531, 1, 0, 0, 150),
        DataLine(20040105, 1, 0, 0, -30),
};

QString TitleOf(const CCalendarDlg &dlg)
{
    return static_cast<QLabel *>(dlg.control(CCalendarDlg::IdTitle))->text();
}

QColor ColourOf(CCalendarGrid *grid, int date)
{
    return grid->Model().IndexOf(date).data(Qt::BackgroundRole).value<QColor>();
}

} // namespace

class TestCalendarDlg : public QObject
{
    Q_OBJECT
private:
    ToolsFixture m_fx;
    std::unique_ptr<CResultBook> m_book;

    std::unique_ptr<CCalendarDlg> Open()
    {
        auto dlg = std::make_unique<CCalendarDlg>(nullptr, *m_book, kToday);
        dlg->show();
        if (!QTest::qWaitForWindowActive(dlg.get()))
            qWarning("the calendar did not become active");
        return dlg;
    }

private slots:
    void init()
    {
        m_fx.Init();
        m_fx.WriteLines(kLines);
        m_book = std::make_unique<CResultBook>(m_fx.Path());
        QVERIFY(m_book->LoadPeriod(200305, 1, 0));
    }
    void cleanup() { m_book.reset(); }

    void window()
    {
        auto dlg = Open();
        QCOMPARE(dlg->windowTitle(), QStringLiteral("カレンダー"));
        QVERIFY(!dlg->isModal());
        QCOMPARE(static_cast<QRadioButton *>(dlg->control(CCalendarDlg::IdMonthView))->text(),
                 QStringLiteral("月(&M)"));
        QCOMPARE(static_cast<QRadioButton *>(dlg->control(CCalendarDlg::IdYearView))->text(),
                 QStringLiteral("年(&Y)"));
        QCOMPARE(static_cast<QPushButton *>(dlg->control(CCalendarDlg::IdPrev))->text(), "<");
        QCOMPARE(static_cast<QPushButton *>(dlg->control(CCalendarDlg::IdNext))->text(), ">");
        QVERIFY(!dlg->IsYearView());
        QCOMPARE(dlg->Cursor(), kToday);
        QCOMPARE(TitleOf(*dlg), QStringLiteral("2003/05 収支 130"));
        QCOMPARE(dlg->StatusText(), QString());
    }

    // A known month as a screen reader reads it.
    void monthCells()
    {
        auto dlg = Open();
        QCOMPARE(AccessibleHeaders(dlg->MonthGrid()),
                 QStringList({"日", "月", "火", "水", "木", "金", "土"}));
        const QStringList rows = AccessibleRows(dlg->MonthGrid());
        QCOMPARE(rows.size(), 6); // six weeks always; past the month's last one they are blank
        QCOMPARE(rows[5], QStringLiteral("||||||"));
        QCOMPARE(rows[0],
                 QStringLiteral("||||2003/05/01 (木) 収支 80|2003/05/02 (金) 収支 -120|"
                                "2003/05/03 (土) 結果なし"));
        QCOMPARE(rows[1],
                 QStringLiteral("2003/05/04 (日) 結果なし|2003/05/05 (月) 収支 0|"
                                "2003/05/06 (火) 結果なし|2003/05/07 (水) 結果なし|"
                                "2003/05/08 (木) 結果なし|2003/05/09 (金) 結果なし|"
                                "2003/05/10 (土) 結果なし"));
        QVERIFY(rows[2].contains(QStringLiteral("|2003/05/12 (月) 収支 20 今日|")));
        QVERIFY(rows[4].endsWith(QStringLiteral("|2003/05/31 (土) 収支 150")));
        QCOMPARE(dlg->MonthGrid()->accessibleName(), QStringLiteral("2003/05 収支 130"));

        // Another month: the same cells, read anew.
        QTest::keyClick(dlg->MonthGrid(), Qt::Key_PageUp);
        const QStringList april = AccessibleRows(dlg->MonthGrid());
        QCOMPARE(april[0],
                 QStringLiteral("||2003/04/01 (火) 結果なし|2003/04/02 (水) 結果なし|"
                                "2003/04/03 (木) 結果なし|2003/04/04 (金) 結果なし|"
                                "2003/04/05 (土) 結果なし"));
        QCOMPARE(april[4],
                 QStringLiteral("2003/04/27 (日) 結果なし|2003/04/28 (月) 結果なし|"
                                "2003/04/29 (火) 結果なし|2003/04/30 (水) 結果なし|||"));
        QCOMPARE(dlg->MonthGrid()->accessibleName(), QStringLiteral("2003/04 収支 0"));
    }

    // The year's largest absolute balance fixes the scale; each year has its own.
    void colourScale()
    {
        auto dlg = Open();
        CCalendarGrid *grid = dlg->MonthGrid();
        QCOMPARE(ColourOf(grid, 20030531), QColor(101, 101, 255)); // 150, the year's largest
        QCOMPARE(ColourOf(grid, 20030502), QColor(255, 39, 39)); // -120 of 150
        QCOMPARE(ColourOf(grid, 20030505), QColor(224, 224, 224)); // a draw
        QCOMPARE(ColourOf(grid, 20030506), QColor(255, 255, 255)); // no result
        QVERIFY(ColourOf(grid, 20030512).blue() == 255 && ColourOf(grid, 20030512).red() > 200);
        dlg->MoveCursor(20020315);
        QCOMPARE(ColourOf(grid, 20020315), QColor(101, 101, 255)); // 40, the largest of 2002
    }

    void keyboard()
    {
        auto dlg = Open();
        QSignalSpy asked(dlg.get(), &CCalendarDlg::openDayRequested);
        CCalendarGrid *grid = dlg->MonthGrid();
        QCOMPARE(QApplication::focusWidget(), grid);
        const auto key = [&](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
        key(Qt::Key_PageUp);
        QCOMPARE(dlg->ShownMonth(), 200304);
        QCOMPARE(TitleOf(*dlg), QStringLiteral("2003/04 収支 0"));
        key(Qt::Key_PageDown);
        key(Qt::Key_PageDown);
        QCOMPARE(dlg->Cursor(), 20030612);
        key(Qt::Key_Home);
        QCOMPARE(dlg->Cursor(), kToday);
        key(Qt::Key_Right);
        key(Qt::Key_Down);
        QCOMPARE(dlg->Cursor(), 20030520);
        for (int i = 0; i < 3; ++i)
            key(Qt::Key_Up);
        QCOMPARE(dlg->Cursor(), 20030429);
        QCOMPARE(dlg->ShownMonth(), 200304);
        QCOMPARE(grid->currentIndex().data(CMonthModel::DateRole).toInt(), 20030429);
        key(Qt::Key_Left);
        QCOMPARE(dlg->Cursor(), 20030428);
        key(Qt::Key_Return);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.takeFirst().value(0).toInt(), 20030428);
        QCOMPARE(dlg->StatusText(), QString());
        QVERIFY(dlg->isVisible()); // Enter on a day is no OK of the window

        // Outside the loaded period: the window says so and asks nothing.
        for (int i = 0; i < 8; ++i)
            key(Qt::Key_PageDown);
        QCOMPARE(dlg->Cursor(), 20031228);
        key(Qt::Key_Enter);
        QCOMPARE(asked.size(), 0);
        QCOMPARE(dlg->StatusText(), QStringLiteral("この日は表示中の期間の外です"));
        key(Qt::Key_Right); // moving on clears it
        QCOMPARE(dlg->StatusText(), QString());
        QCOMPARE(dlg->Cursor(), 20031229);

        // The page keys and Home act wherever the focus is in the window.
        dlg->control(CCalendarDlg::IdClose)->setFocus();
        key(Qt::Key_Home);
        QCOMPARE(dlg->Cursor(), kToday);
        key(Qt::Key_PageUp);
        QCOMPARE(dlg->ShownMonth(), 200304);
        QVERIFY(dlg->isVisible());
    }

    void buttonsAndMouse()
    {
        auto dlg = Open();
        QSignalSpy asked(dlg.get(), &CCalendarDlg::openDayRequested);
        QTest::mouseClick(dlg->control(CCalendarDlg::IdPrev), Qt::LeftButton);
        QCOMPARE(dlg->ShownMonth(), 200304);
        QTest::mouseClick(dlg->control(CCalendarDlg::IdNext), Qt::LeftButton);
        QTest::mouseClick(dlg->control(CCalendarDlg::IdNext), Qt::LeftButton);
        QCOMPARE(dlg->ShownMonth(), 200306);
        dlg->GoToday();
        CCalendarGrid *grid = dlg->MonthGrid();
        const QPoint at = grid->visualRect(grid->Model().IndexOf(20030501)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(dlg->Cursor(), 20030501);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.takeFirst().value(0).toInt(), 20030501);
    }

    void yearView()
    {
        auto dlg = Open();
        QTest::mouseClick(dlg->control(CCalendarDlg::IdYearView), Qt::LeftButton);
        QVERIFY(dlg->IsYearView());
        QCOMPARE(TitleOf(*dlg), QStringLiteral("2003年 収支 130"));
        CCalendarGrid *may = dlg->YearGrid(5);
        QCOMPARE(may->accessibleName(), QStringLiteral("2003/05 収支 130"));
        QCOMPARE(AccessibleRows(may)[2].section(QLatin1Char('|'), 1, 1),
                 QStringLiteral("2003/05/12 (月) 収支 20 今日"));
        QCOMPARE(AccessibleRows(dlg->YearGrid(1))[0].section(QLatin1Char('|'), 3, 3),
                 QStringLiteral("2003/01/01 (水) 結果なし"));
        QCOMPARE(ColourOf(may, 20030502), QColor(255, 39, 39)); // the same colours as the month
        // Only the cursor's month is a tab stop; the arrows cross into the next month.
        may->setFocus();
        QCOMPARE(may->focusPolicy(), Qt::StrongFocus);
        QCOMPARE(dlg->YearGrid(6)->focusPolicy(), Qt::ClickFocus);
        dlg->MoveCursor(20030531);
        QTest::keyClick(may, Qt::Key_Right);
        QCOMPARE(dlg->Cursor(), 20030601);
        QCOMPARE(QApplication::focusWidget(), dlg->YearGrid(6));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
        QCOMPARE(dlg->Cursor(), 20040601);
        QCOMPARE(TitleOf(*dlg), QStringLiteral("2004年 収支 -30"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
        QCOMPARE(dlg->Cursor(), kToday);
        QCOMPARE(QApplication::focusWidget(), may);
        QTest::mouseClick(dlg->control(CCalendarDlg::IdMonthView), Qt::LeftButton);
        QVERIFY(!dlg->IsYearView());
        QCOMPARE(dlg->ShownMonth(), 200305);
    }

    // The view and the position are kept in the section "Calendar" when the window closes.
    void settings()
    {
        {
            auto dlg = Open();
            dlg->SetYearView(true);
            dlg->move(130, 90);
            dlg->reject();
        }
        QSettings store = ToolsFixture::Store();
        QCOMPARE(store.value("Calendar/View").toInt(), 1);
        QVERIFY(store.contains("Calendar/Pos_X"));
        auto again = Open();
        QVERIFY(again->IsYearView());
        again->SetYearView(false);
        again->accept();
        QCOMPARE(ToolsFixture::Store().value("Calendar/View").toInt(), 0);
    }

    // Days the book takes while the calendar is open, and days it holds unsaved.
    void followsTheBook()
    {
        QVERIFY(m_book->EnterDay(20030503, EntryMethod::Balance, 0, 0, -10));
        auto dlg = Open();
        QCOMPARE(AccessibleRows(dlg->MonthGrid())[0].section(QLatin1Char('|'), 6, 6),
                 QStringLiteral("2003/05/03 (土) 収支 -10"));
        QVERIFY(m_book->EnterDay(20030506, EntryMethod::Amounts, 10, 40, 0));
        QCOMPARE(AccessibleRows(dlg->MonthGrid())[1].section(QLatin1Char('|'), 2, 2),
                 QStringLiteral("2003/05/06 (火) 収支 -30"));
        QCOMPARE(TitleOf(*dlg), QStringLiteral("2003/05 収支 90"));
    }

    // A file that cannot be read: the status line says why, the book's days still show.
    void readFailure()
    {
        const QString folder = m_fx.FilePath(QStringLiteral("folder"));
        QVERIFY(QDir().mkpath(folder));
        CResultBook book(folder);
        CCalendarDlg dlg(nullptr, book, kToday);
        dlg.show();
        QVERIFY(dlg.StatusText().startsWith(CResultBook::LoadFailedText()));
        QCOMPARE(AccessibleRows(dlg.MonthGrid())[0].section(QLatin1Char('|'), 4, 4),
                 QStringLiteral("2003/05/01 (木) 結果なし"));
        dlg.Activate(20030501);
        QCOMPARE(dlg.StatusText(), QStringLiteral("この日は表示中の期間の外です"));
    }
};

QTEST_MAIN(TestCalendarDlg)
#include "tst_calendardlg.moc"
