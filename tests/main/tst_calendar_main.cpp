// The calendar from the main window's tools menu: one window at a time, and a day of the loaded
// period opened from it (Enter or a double click) selects that day in the main window's daily
// list and opens the daily input window on it, after the daily input window was asked.

#include "MainWindowFixture.h"
#include "tools/CalendarDlg.h"
#include "tools/CalendarGrid.h"

#include <QLineEdit>

namespace {

using F = MainWindowFixture;

const QStringList kSample = {
        DataLine(20020101, 0, 20, 10, 10),
        DataLine(20030420, 0, 20, 50, -30),
        DataLine(20030505, 0, 5, 85, -80),
        DataLine(20030512, 0, 10, 110, -100),
};

// The main window as the test sees it: the view, the month shown, the selected row's key and
// the day the daily input window shows ("-" when it is closed).
QString MainState(const CDiaryDlg &dlg)
{
    const CDiarySession &s = dlg.Session();
    const int month
            = s.MonthIndex() >= 0 && dlg.IsDailyView() ? dlg.Book().Month(s.MonthIndex()).month : 0;
    QLineEdit *date = F::In<QLineEdit>(dlg, EntryCtl::Date);
    return QStringLiteral("%1 %2 %3 %4")
            .arg(dlg.IsDailyView() ? "daily" : "monthly")
            .arg(month)
            .arg(dlg.List()->SelectedKey())
            .arg(date ? date->text() : QStringLiteral("-"));
}

void Activate(CCalendarDlg *calendar, int date, bool doubleClick)
{
    calendar->MoveCursor(date);
    CCalendarGrid *grid = calendar->MonthGrid();
    if (!doubleClick) {
        QTest::keyClick(grid, Qt::Key_Return);
        return;
    }
    const QRect cell = grid->visualRect(grid->Model().IndexOf(date));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

} // namespace

class TestCalendarMain : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_f.Prepare()); }
    void init()
    {
        m_f.Reset(false);
        m_f.WriteLines(kSample);
    }

    void oneWindowAtATime();
    void openDay_data();
    void openDay();
    void openDayAsksFirst_data();
    void openDayAsksFirst();

private:
    CCalendarDlg *OpenCalendar(CDiaryDlg &dlg)
    {
        if (QAction *item = F::MenuItem(dlg, QStringLiteral("カレンダー(&C)...")))
            item->trigger();
        return dlg.Calendar();
    }

    MainWindowFixture m_f;
};

void TestCalendarMain::oneWindowAtATime()
{
    auto dlg = m_f.Show();
    QVERIFY(!dlg->Calendar());
    CCalendarDlg *first = OpenCalendar(*dlg);
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QVERIFY(!first->isModal());
    QCOMPARE(first->parentWidget(), dlg.get());
    QCOMPARE(first->windowTitle(), QStringLiteral("カレンダー"));

    // A second use raises the same window.
    QCOMPARE(OpenCalendar(*dlg), first);
    QCOMPARE(dlg->findChildren<CCalendarDlg *>().size(), 1);

    // Closed, it comes back as one window again, on this month.
    first->MoveCursor(20030420);
    first->close();
    QVERIFY(!first->isVisible());
    QCOMPARE(OpenCalendar(*dlg), first);
    QVERIFY(first->isVisible());
    QCOMPARE(dlg->findChildren<CCalendarDlg *>().size(), 1);
    QVERIFY(m_f.prompt.asked.isEmpty());
}

void TestCalendarMain::openDay_data()
{
    QTest::addColumn<bool>("monthlyFirst"); // the main window shows the monthly list
    QTest::addColumn<bool>("inputOpen"); // the daily input window is open on today
    QTest::addColumn<bool>("doubleClick"); // else Enter
    QTest::addColumn<int>("date");
    QTest::addColumn<QString>("status"); // the calendar's; when given, the main window stays

    QTest::newRow("Enter, this month") << false << false << false << 20030505 << QString();
    QTest::newRow("double click, another month") << false << false << true << 20030420 << QString();
    QTest::newRow("Enter, from the monthly list")
            << true << false << false << 20030420 << QString();
    QTest::newRow("Enter, daily input window open")
            << false << true << false << 20030420 << QString();
    QTest::newRow("double click, a day without result")
            << true << true << true << 20030131 << QString();
    QTest::newRow("a day outside the loaded period")
            << false << false << false << 20020101 << "この日は表示中の期間の外です";
}

void TestCalendarMain::openDay()
{
    QFETCH(bool, monthlyFirst);
    QFETCH(bool, inputOpen);
    QFETCH(bool, doubleClick);
    QFETCH(int, date);
    QFETCH(QString, status);

    auto dlg = m_f.Show();
    if (inputOpen) {
        QTest::mouseClick(dlg->Control(MainCtl::DailyInput), Qt::LeftButton);
        QVERIFY(dlg->DailyInput());
    }
    if (monthlyFirst)
        QTest::mouseClick(dlg->Control(MainCtl::MonthlyList), Qt::LeftButton);
    QCOMPARE(dlg->IsDailyView(), !monthlyFirst);
    const QString before = MainState(*dlg);
    CCalendarDlg *calendar = OpenCalendar(*dlg);
    QVERIFY(calendar);

    Activate(calendar, date, doubleClick);
    QVERIFY(calendar->isVisible());
    QCOMPARE(calendar->StatusText(), status);
    QVERIFY(m_f.prompt.asked.isEmpty());
    if (!status.isEmpty()) {
        QCOMPARE(MainState(*dlg), before);
        QCOMPARE(dlg->DailyInput() != nullptr, inputOpen);
        return;
    }
    const QString dateText = CResultBook::DateText(date);
    QCOMPARE(MainState(*dlg),
             QStringLiteral("daily %1 %2 %3").arg(date / 100).arg(date).arg(dateText));
    // The list shows the selected row where it is.
    const int row = dlg->List()->SelectedRow();
    QVERIFY(row >= 0);
    QCOMPARE(dlg->List()->CellText(row, 0), dateText);
}

void TestCalendarMain::openDayAsksFirst_data()
{
    QTest::addColumn<int>("answer"); // to the daily input window's question
    QTest::addColumn<int>("shown"); // the day the main window shows afterwards
    QTest::addColumn<QString>("stored"); // today's stored fields afterwards

    const QString before = QStringLiteral("0 10 110 -100");
    QTest::newRow("cancel: the day stays") << int(QMessageBox::Cancel) << 20030512 << before;
    QTest::newRow("apply, then open") << int(QMessageBox::Yes) << 20030420 << "0 99 110 -11";
    QTest::newRow("discard, then open") << int(QMessageBox::No) << 20030420 << before;
}

void TestCalendarMain::openDayAsksFirst()
{
    QFETCH(int, answer);
    QFETCH(int, shown);
    QFETCH(QString, stored);

    auto dlg = m_f.Show();
    QTest::mouseClick(dlg->Control(MainCtl::DailyInput), Qt::LeftButton);
    QLineEdit *collected = F::In<QLineEdit>(*dlg, EntryCtl::Collected);
    QVERIFY(collected);
    collected->selectAll();
    QTest::keyClicks(collected, QStringLiteral("99"));
    CCalendarDlg *calendar = OpenCalendar(*dlg);
    QVERIFY(calendar);

    m_f.prompt.answers = {QMessageBox::StandardButton(answer)};
    Activate(calendar, 20030420, false);
    QCOMPARE(m_f.prompt.asked.size(), 1);
    QVERIFY(m_f.prompt.asked.first().buttons.testFlag(QMessageBox::Cancel));
    QCOMPARE(MainState(*dlg),
             QStringLiteral("daily %1 %2 %3")
                     .arg(shown / 100)
                     .arg(shown)
                     .arg(CResultBook::DateText(shown)));
    QCOMPARE(F::Stored(*dlg, 20030512), stored);
    if (answer == QMessageBox::Cancel)
        QCOMPARE(collected->text(), QStringLiteral("99"));
}

QTEST_MAIN(TestCalendarMain)
#include "tst_calendar_main.moc"
