#include "analysis/AnalyzerData.h"
#include "common/TestBook.h"
#include "data/ResultBook.h"

#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>

namespace {

// One day to write into a laid-out book: index, entry method, collected, invested.
using DaySpec = QList<int>;
using Points = QList<QList<int>>; // (invested, rate) pairs

Points pointsOf(const CAnalyzerData &d)
{
    Points out;
    for (int i = 0; i < d.m_pointCount; ++i)
        out.append({d.m_points[i].invested, d.m_points[i].rate});
    return out;
}

QList<int> ticksOf(const int32_t *ticks, int count)
{
    return QList<int>(ticks, ticks + count);
}

QList<int> stepTicks(int step, int last)
{
    QList<int> t;
    for (int v = 0; v <= last; v += step)
        t.append(v);
    return t;
}

} // namespace

class TestAnalyzerData : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // January to May 2003: 151 days, none with a result.
    std::unique_ptr<CTestBook> newBook()
    {
        auto book = std::make_unique<CTestBook>(m_dir.filePath(QStringLiteral("Murel1.Dat")));
        book->BuildCalendar(200305, 1, 0);
        return book;
    }

    static void writeDays(CTestBook &book, const QList<DaySpec> &days)
    {
        for (const DaySpec &s : days) {
            DayResult &day = book.RawDay(s[0]);
            day.entryMethod = static_cast<EntryMethod>(s[1]);
            day.collected = s[2];
            day.invested = s[3];
            day.balance = s[1] == 1 ? 7 : s[2] - s[3];
        }
    }

private slots:
    void BuildPoints_data()
    {
        QTest::addColumn<QList<DaySpec>>("days");
        QTest::addColumn<Points>("expected");

        QTest::newRow("no result at all") << QList<DaySpec>{} << Points{};
        QTest::newRow("balance-only days give no dot")
                << QList<DaySpec>{{0, 1, 0, 0}, {40, 1, 0, 0}} << Points{};
        QTest::newRow("balance-only beside an amount day")
                << QList<DaySpec>{{3, 1, 0, 0}, {4, 0, 30, 20}} << Points{{20, 150}};
        QTest::newRow("nothing collected is 0 %")
                << QList<DaySpec>{{1, 0, 0, 5}, {2, 0, 0, 12}} << Points{{5, 0}, {12, 0}};
        QTest::newRow("1250 % is capped at 1000")
                << QList<DaySpec>{{10, 0, 25, 2}} << Points{{2, 1000}};
        QTest::newRow("exactly 1000 %") << QList<DaySpec>{{10, 0, 10, 1}} << Points{{1, 1000}};
        QTest::newRow("2 of 3 truncates to 66") << QList<DaySpec>{{10, 0, 2, 3}} << Points{{3, 66}};
        QTest::newRow("29 of 100: quotient first gives 28")
                << QList<DaySpec>{{10, 0, 29, 100}} << Points{{100, 28}};
        QTest::newRow("35 of 100 stays 35")
                << QList<DaySpec>{{10, 0, 35, 100}} << Points{{100, 35}};
        QTest::newRow("negative collected truncates toward zero")
                << QList<DaySpec>{{10, 0, -1, 3}} << Points{{3, -33}};
        QTest::newRow("points follow the day order")
                << QList<DaySpec>{{150, 0, 1, 1}, {0, 0, 3, 2}, {77, 0, 9, 10}}
                << Points{{2, 150}, {10, 90}, {1, 100}};
    }

    void BuildPoints()
    {
        QFETCH(QList<DaySpec>, days);
        QFETCH(Points, expected);
        auto book = newBook();
        writeDays(*book, days);
        CAnalyzerData d;
        d.SetData(book.get());
        d.BuildPoints();
        QCOMPARE(pointsOf(d), expected);
        // The title names the whole period, whatever the points.
        QCOMPARE(d.m_title, QStringLiteral("回収率分布:2003/01/01 (水) ～ 2003/05/31 (土)"));
    }

    void ScaleInvested_data()
    {
        QTest::addColumn<QList<int>>("invested");
        QTest::addColumn<int>("axisMax");
        QTest::addColumn<QList<int>>("ticks");

        QTest::newRow("no investment: 0 to 10 by 1") << QList<int>{} << 10 << stepTicks(1, 10);
        QTest::newRow("5 is kept") << QList<int>{5, 2} << 5 << stepTicks(1, 5);
        QTest::newRow("10 by 1") << QList<int>{10} << 10 << stepTicks(1, 10);
        QTest::newRow("11 by 2") << QList<int>{11} << 11 << stepTicks(2, 10);
        QTest::newRow("99 by 10") << QList<int>{99} << 99 << stepTicks(10, 90);
        QTest::newRow("123 by 25") << QList<int>{7, 123, 50} << 123 << stepTicks(25, 100);
        QTest::newRow("9999 by 1000") << QList<int>{9999} << 9999 << stepTicks(1000, 9000);
        QTest::newRow("negative investments do not raise the top")
                << QList<int>{-40, 3} << 3 << stepTicks(1, 3);
        QTest::newRow("7500000 by 750000")
                << QList<int>{7500000} << 7500000 << stepTicks(750000, 7500000);
        QTest::newRow("beyond every step: tick 0 alone")
                << QList<int>{8250000} << 8250000 << QList<int>{0};
    }

    void ScaleInvested()
    {
        QFETCH(QList<int>, invested);
        QFETCH(int, axisMax);
        QFETCH(QList<int>, ticks);
        CAnalyzerData d;
        for (int v : invested)
            d.m_points[d.m_pointCount++] = {v, 100};
        d.ScaleInvested();
        QCOMPARE(d.m_xMax, axisMax);
        QCOMPARE(ticksOf(d.m_xTicks, d.m_xTickCount), ticks);
        QCOMPARE(d.m_yTickCount, 0); // the other axis is left alone
    }

    void ScaleRate_data()
    {
        QTest::addColumn<QList<int>>("rates");
        QTest::addColumn<int>("axisMax");
        QTest::addColumn<QList<int>>("ticks");

        QTest::newRow("no point: 0 to 1000 by 100") << QList<int>{} << 1000 << stepTicks(100, 1000);
        QTest::newRow("all rates 0") << QList<int>{0, 0} << 1000 << stepTicks(100, 1000);
        QTest::newRow("only losses below 0") << QList<int>{-33, -5} << 1000 << stepTicks(100, 1000);
        QTest::newRow("largest 50 is raised to 100 by 10")
                << QList<int>{50, 20} << 100 << stepTicks(10, 100);
        QTest::newRow("largest 1 is raised to 100") << QList<int>{1} << 100 << stepTicks(10, 100);
        QTest::newRow("100 by 10") << QList<int>{100} << 100 << stepTicks(10, 100);
        QTest::newRow("101 by 10, top above the last tick")
                << QList<int>{101} << 101 << stepTicks(10, 100);
        QTest::newRow("201 by 20") << QList<int>{201} << 201 << stepTicks(20, 200);
        QTest::newRow("370 by 50 up to 350") << QList<int>{370} << 370 << stepTicks(50, 350);
        QTest::newRow("1000 by 100") << QList<int>{66, 1000} << 1000 << stepTicks(100, 1000);
    }

    void ScaleRate()
    {
        QFETCH(QList<int>, rates);
        QFETCH(int, axisMax);
        QFETCH(QList<int>, ticks);
        CAnalyzerData d;
        for (int r : rates)
            d.m_points[d.m_pointCount++] = {5, r};
        d.ScaleRate();
        QCOMPARE(d.m_yMax, axisMax);
        QCOMPARE(ticksOf(d.m_yTicks, d.m_yTickCount), ticks);
        // With rates capped at 1000 the grid always has a line on the 100 % row.
        QVERIFY(ticks.contains(100) || ticks == QList<int>{0});
    }

    void Prepare_data()
    {
        QTest::addColumn<QList<DaySpec>>("days");
        QTest::addColumn<int>("invested");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");

        // Client 530 x 290: origin (80, 250), plot 420 x 205, frame 60, 25, 520, 270.
        const QList<DaySpec> scale123x370{{0, 0, 37, 10}, {1, 0, 123, 123}};
        QTest::newRow("origin") << scale123x370 << 0 << 0 << 80 << 250;
        QTest::newRow("scale maximum") << scale123x370 << 123 << 370 << 500 << 45;
        QTest::newRow("x truncates: 7 * 420 / 123 = 23.9") << scale123x370 << 7 << 0 << 103 << 250;
        QTest::newRow("y truncates: 100 * 205 / 370 = 55.4")
                << scale123x370 << 0 << 100 << 80 << 195;
        QTest::newRow("below the base line") << scale123x370 << 0 << -37 << 80 << 270;
        QTest::newRow("empty period: 10 and 1000") << QList<DaySpec>{} << 5 << 500 << 290 << 148;
    }

    void Prepare()
    {
        QFETCH(QList<DaySpec>, days);
        QFETCH(int, invested);
        QFETCH(int, rate);
        QFETCH(int, x);
        QFETCH(int, y);
        auto book = newBook();
        writeDays(*book, days);
        CAnalyzerData d;
        d.SetData(book.get());
        d.Prepare(530, 290);
        QCOMPARE(d.m_prepared, 1);
        QCOMPARE(d.m_originX, 80);
        QCOMPARE(d.m_originY, 250);
        QCOMPARE(d.m_plotWidth, 420);
        QCOMPARE(d.m_plotHeight, 205);
        QCOMPARE(d.m_frame.left, 60);
        QCOMPARE(d.m_frame.top, 25);
        QCOMPARE(d.m_frame.right, 520);
        QCOMPARE(d.m_frame.bottom, 270);
        QCOMPARE(d.XOf(invested), x);
        QCOMPARE(d.YOf(rate), y);
    }

    void emptyBook_data()
    {
        QTest::addColumn<int>("dayCount");
        QTest::addColumn<bool>("noBook");
        QTest::newRow("dayCount 0") << 0 << false;
        QTest::newRow("negative dayCount") << -5 << false;
        QTest::newRow("no book") << 0 << true;
    }

    void emptyBook()
    {
        QFETCH(int, dayCount);
        QFETCH(bool, noBook);
        auto book = std::make_unique<CTestBook>(m_dir.filePath(QStringLiteral("x.Dat")));
        book->SetRawDayCount(dayCount);
        // Slot 0 holds a day that must not be read, as no day belongs to the period.
        book->RawDay(0).invested = 10;
        book->RawDay(0).collected = 10;
        book->RawDay(0).dateText = QStringLiteral("2003/01/01 (水)");
        CAnalyzerData d;
        d.SetData(noBook ? nullptr : book.get());
        d.Prepare(400, 200);
        QCOMPARE(d.m_pointCount, 0);
        QCOMPARE(d.m_title, QStringLiteral("回収率分布:"));
        QCOMPARE(d.m_xMax, 10);
        QCOMPARE(d.m_yMax, 1000);
        QCOMPARE(d.m_xTickCount, 11);
        QCOMPARE(d.m_yTickCount, 11);
    }

    void dayCountBeyondTheArrays()
    {
        auto book = newBook();
        for (int i = 0; i < CResultBook::kMaxDays; ++i) {
            book->RawDay(i).collected = 1;
            book->RawDay(i).invested = 1;
        }
        book->RawDay(CResultBook::kMaxDays - 1).dateText = QStringLiteral("LAST");
        book->SetRawDayCount(CResultBook::kMaxDays + 30);
        CAnalyzerData d;
        d.SetData(book.get());
        d.BuildPoints();
        QCOMPARE(d.m_pointCount, CResultBook::kMaxDays);
        QVERIFY(d.m_title.endsWith(QStringLiteral(" ～ LAST")));
    }

    void extremeAmounts_data()
    {
        QTest::addColumn<int>("collected");
        QTest::addColumn<int>("invested");
        QTest::addColumn<int>("rate");
        const int lo = std::numeric_limits<int32_t>::min();
        const int hi = std::numeric_limits<int32_t>::max();
        QTest::newRow("largest collected, 1 invested") << hi << 1 << 1000;
        QTest::newRow("smallest collected, 1 invested") << lo << 1 << lo;
        QTest::newRow("smallest collected, -1 invested") << lo << -1 << 1000;
        QTest::newRow("-21474836 of 1") << -21474836 << 1 << -2147483600;
    }

    void extremeAmounts()
    {
        QFETCH(int, collected);
        QFETCH(int, invested);
        QFETCH(int, rate);
        int32_t got = 0;
        QVERIFY(CAnalyzerData::RateOf(collected, invested, &got));
        QCOMPARE(got, rate);
    }

    void mappingDoesNotOverflow()
    {
        // Amounts of a hand-edited file: the product with the plot width exceeds 32 bits.
        auto book = newBook();
        writeDays(*book, {{0, 0, 21000000, 21000000}, {1, 0, -21474836, 1}});
        CAnalyzerData d;
        d.SetData(book.get());
        d.Prepare(530, 290);
        QCOMPARE(d.m_xMax, 21000000);
        QCOMPARE(d.m_xTickCount, 1);
        QCOMPARE(d.XOf(21000000), 80 + 420);
        QCOMPARE(d.XOf(10500000), 80 + 210);
        QCOMPARE(d.m_yMax, 100);
        QCOMPARE(d.YOf(100), 250 - 205);
        // 250 + 2147483600 * 205 / 100 does not fit 32 bits: it stays at the far end.
        QCOMPARE(d.YOf(-2147483600), std::numeric_limits<int32_t>::max());
    }

    void resetClearsEverything()
    {
        auto book = newBook();
        writeDays(*book, {{0, 0, 30, 10}});
        CAnalyzerData d;
        d.SetData(book.get());
        d.Prepare(530, 290);
        QCOMPARE(d.m_pointCount, 1);
        d.ResetData();
        QCOMPARE(d.m_book, nullptr);
        QCOMPARE(d.m_prepared, 0);
        QVERIFY(d.m_title.isEmpty());
        QCOMPARE(d.m_pointCount, 0);
        QCOMPARE(d.m_points[0].rate, 0);
        QCOMPARE(d.m_xTickCount + d.m_yTickCount + d.m_xMax + d.m_yMax, 0);
        QCOMPARE(d.m_xTicks[1] + d.m_yTicks[1], 0);
        QCOMPARE(d.m_originY + d.m_plotHeight + d.m_frame.right, 0);
    }
};

QTEST_GUILESS_MAIN(TestAnalyzerData)
#include "tst_analyzerdata.moc"
