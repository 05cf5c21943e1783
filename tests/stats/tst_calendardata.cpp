#include "data/ResultBook.h"
#include "data/YearTotals.h"
#include "session/RowText.h"
#include "stats/CalendarData.h"

#include "common/RandomDataFile.h"
#include "stats/SessionFixture.h"

namespace {

using calendar::Rgb;

QString RgbText(const Rgb &c)
{
    return QStringLiteral("%1,%2,%3").arg(c.r).arg(c.g).arg(c.b);
}

// How far a colour lies from white, over its three channels.
int Strength(const Rgb &c)
{
    return (255 - c.r) + (255 - c.g) + (255 - c.b);
}

} // namespace

Q_DECLARE_METATYPE(calendar::Rgb)

class TestCalendarData : public QObject
{
    Q_OBJECT
private:
    SessionFixture m_fx;

private slots:
    void init() { m_fx.Init(); }

    void layout_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("weeks");
        QTest::addColumn<QString>("firstWeek");
        QTest::addColumn<QString>("lastWeek");
        QTest::newRow("May 2003 starts on a Thursday") << 200305 << 5 << "0 0 0 0 1 2 3"
                                                       << "25 26 27 28 29 30 31";
        QTest::newRow("February 2015 fills four weeks") << 201502 << 4 << "1 2 3 4 5 6 7"
                                                        << "22 23 24 25 26 27 28";
        QTest::newRow("August 2015 needs six") << 201508 << 6 << "0 0 0 0 0 0 1"
                                               << "30 31 0 0 0 0 0";
        QTest::newRow("February of a leap year") << 200402 << 5 << "1 2 3 4 5 6 7"
                                                 << "29 0 0 0 0 0 0";
    }
    void layout()
    {
        QFETCH(int, month);
        const calendar::MonthLayout l = calendar::LayOut(month);
        QTEST(l.weeks, "weeks");
        auto week = [&](int row) {
            QStringList days;
            for (int c = 0; c < 7; ++c)
                days << QString::number(l.cells[row][c] % 100);
            return days.join(QLatin1Char(' '));
        };
        QTEST(week(0), "firstWeek");
        QTEST(week(l.weeks - 1), "lastWeek");
        // Every day sits where PositionOf says, in the column of its weekday.
        for (int d = 1; d <= CResultBook::DaysInMonth(month); ++d) {
            const calendar::CellPos pos = calendar::PositionOf(month * 100 + d);
            QCOMPARE(l.cells[pos.row][pos.column], month * 100 + d);
            QCOMPARE(pos.column, calendar::Weekday(month * 100 + d));
        }
    }

    void dates()
    {
        QCOMPARE(calendar::AddDays(20031231, 1), 20040101);
        QCOMPARE(calendar::AddDays(20040301, -1), 20040229);
        QCOMPARE(calendar::AddMonthsClamped(20030131, 1), 20030228);
        QCOMPARE(calendar::AddMonthsClamped(20040331, -1), 20040229);
        QCOMPARE(calendar::AddMonthsClamped(20031215, 1), 20040115);
        QCOMPARE(calendar::AddMonthsClamped(20030515, -12), 20020515);
    }

    void cellTexts()
    {
        QCOMPARE(calendar::CellText({20030505, true, 80}, false),
                 QStringLiteral("2003/05/05 (月) 収支 80"));
        QCOMPARE(calendar::CellText({20030506, false, 0}, false),
                 QStringLiteral("2003/05/06 (火) 結果なし"));
        QCOMPARE(calendar::CellText({20030507, true, -120}, true),
                 QStringLiteral("2003/05/07 (水) 収支 -120 今日"));
        QCOMPARE(calendar::CellText({20030508, true, 0}, false),
                 QStringLiteral("2003/05/08 (木) 収支 0"));
        QCOMPARE(calendar::MonthTitle(200305, -40), QStringLiteral("2003/05 収支 -40"));
        QCOMPARE(calendar::YearTitle(2003, 1234), QStringLiteral("2003年 収支 1234"));
        QCOMPARE(calendar::ShortMonthTitle(200305, 0), QStringLiteral("5月 収支 0"));
    }

    void colours_data()
    {
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("balance");
        QTest::addColumn<int>("scale");
        QTest::addColumn<QString>("colour");
        QTest::newRow("no result") << false << 0 << 100 << "255,255,255";
        QTest::newRow("no result, a balance from a hand-edited line")
                << false << -50 << 100 << "255,255,255";
        QTest::newRow("a draw") << true << 0 << 100 << "224,224,224";
        QTest::newRow("the year's largest win") << true << 100 << 100 << "101,101,255";
        QTest::newRow("the year's largest loss") << true << -100 << 100 << "255,0,0";
        QTest::newRow("half the largest win") << true << 50 << 100 << "159,159,255";
        QTest::newRow("the smallest loss") << true << -1 << 1000 << "255,191,191";
        QTest::newRow("no scale") << true << 7 << 0 << "101,101,255";
    }
    void colours()
    {
        QFETCH(bool, result);
        QFETCH(int, balance);
        QFETCH(int, scale);
        QTEST(RgbText(calendar::HeatColour({20030505, result, balance}, scale)), "colour");
    }

    // The stronger the amount, the stronger the colour, never past its full strength.
    void coloursGrow()
    {
        for (int sign : {1, -1}) {
            int last = 0;
            for (int amount = 1; amount <= 300; ++amount) {
                const int s = Strength(calendar::HeatColour({20030505, true, sign * amount}, 300));
                QVERIFY(s >= last);
                last = s;
            }
            QCOMPARE(last, Strength(sign > 0 ? calendar::kWin : calendar::kLoss));
        }
    }

    // A known file: days, months and years, and the years left out as the year table leaves them.
    void archive()
    {
        m_fx.WriteLines({DataLine(20020110, -1, 5, 0, 5), DataLine(20030501, 0, 100, 20, 80),
                         DataLine(20030502, 1, 0, 0, -120), DataLine(20030503, -1, 0, 0, 30),
                         DataLine(20030504, 0, 10, 10, 0), DataLine(20031231, 1, 0, 0, 7)});
        const CResultBook book(m_fx.DataPath());
        CDayArchive archive;
        QVERIFY(archive.Load(book));
        QCOMPARE(archive.YearCount(), 1); // 2002 holds no result
        QCOMPARE(archive.Day(20020110).result, false);
        QCOMPARE(archive.Day(20020110).balance, 0);
        const CalendarDay first = archive.Day(20030501);
        QVERIFY(first.result);
        QCOMPARE(first.balance, 80);
        QVERIFY(!archive.Day(20030503).result);
        QVERIFY(archive.Day(20030504).result);
        QCOMPARE(archive.MonthBalance(200305), -10); // 80 - 120 + 30 + 0
        QCOMPARE(archive.YearBalance(2003), -3);
        QCOMPARE(archive.YearScale(2003), 120);
        QCOMPARE(archive.YearScale(2002), 0);
        QCOMPARE(archive.MonthBalance(200306), 0);
    }

    // Days the book holds, saved or not, and days it takes while the calendar is open.
    void bookOverlay()
    {
        m_fx.WriteLines({DataLine(20030101, 0, 10, 5, 5), DataLine(20040505, 0, 20, 5, 15)});
        CResultBook book(m_fx.DataPath());
        QVERIFY(book.LoadPeriod(200312, 1, 1)); // 2003, January to December
        QVERIFY(book.EnterDay(20030102, EntryMethod::Balance, 0, 0, -9));
        CDayArchive archive;
        QVERIFY(archive.Load(book));
        QCOMPARE(archive.Day(20030102).balance, -9);
        QCOMPARE(archive.Day(20040505).balance, 15);
        QCOMPARE(archive.YearBalance(2003), -4);
        QVERIFY(book.EnterDay(20030101, EntryMethod::Balance, 0, 0, 0)); // cleared
        archive.TakeBook(book, book.IndexOf(20030101));
        QVERIFY(!archive.Day(20030101).result);
        QCOMPARE(archive.YearBalance(2003), -9);
        // A year new to the archive.
        QVERIFY(book.Save()); // a modified period is saved before another replaces it
        QVERIFY(book.LoadPeriod(200212, 1, 1));
        QVERIFY(book.EnterDay(20020303, EntryMethod::Balance, 0, 0, 4));
        archive.TakeBook(book);
        QCOMPARE(archive.Day(20020303).balance, 4);
        QCOMPARE(archive.YearCount(), 3);
        QCOMPARE(archive.YearBalance(2002), 4);
    }

    // On random files: every year as the year table sums it, every month as the monthly list.
    void agreesWithTheLists()
    {
        QRandomGenerator rng(512);
        for (int round = 0; round < 40; ++round) {
            FileShape shape;
            shape.firstYear = 2000 + int(rng.bounded(5));
            shape.years = 1 + int(rng.bounded(3));
            shape.lines = int(rng.bounded(300));
            shape.duplicatePercent = int(rng.bounded(5));
            shape.invalidPercent = int(rng.bounded(5));
            shape.junkPercent = int(rng.bounded(5));
            QVERIFY(PlayTest::WriteBytes(m_fx.DataPath(), RandomDataFile(rng, shape)));
            CResultBook book(m_fx.DataPath());
            CDayArchive archive;
            QVERIFY(archive.Load(book));
            CYearTotals totals;
            QVERIFY(totals.Load(m_fx.DataPath()));
            QCOMPARE(archive.YearCount(), int(totals.Rows().size()));
            for (const YearFigures &year : totals.Rows()) {
                QCOMPARE(archive.YearBalance(year.year), year.balance);
                QVERIFY(book.LoadPeriod(year.year * 100 + 12, 1, 0));
                int resultDays = 0;
                for (const DayResult &d : book.Days()) {
                    const CalendarDay day = archive.Day(d.date);
                    QCOMPARE(day.result, d.entryMethod != EntryMethod::None);
                    if (day.result)
                        QCOMPARE(day.balance, d.balance);
                    resultDays += day.result;
                }
                QCOMPARE(resultDays, year.resultDays);
                for (int m = 0; m < book.MonthCount(); ++m)
                    QCOMPARE(QString::number(archive.MonthBalance(book.Month(m).month)),
                             rowtext::MonthlyRow(book, m)[3]);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestCalendarData)
#include "tst_calendardata.moc"
