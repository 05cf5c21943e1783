// The statistics agree with the year table, with the monthly lists' running sums and with a plain
// model, on random data files.
#include "data/ResultBook.h"
#include "data/YearTotals.h"
#include "session/RowText.h"
#include "session/YearText.h"
#include "stats/DayStats.h"
#include "stats/StatsText.h"

#include "stats/SessionFixture.h"
#include "stats/StatsModel.h"

#include <cmath>

namespace {

QString Value(const StatFigures &f, const char *item)
{
    for (const statstext::Row &row : statstext::Rows(f))
        if (row.item == QString::fromUtf8(item))
            return row.value;
    return QStringLiteral("(no row)");
}

// "length first-last" of a run or a fall.
QByteArray RunOf(int length, int first, int last)
{
    return QByteArray::number(length) + ' ' + QByteArray::number(first) + '-'
            + QByteArray::number(last);
}

// Everything the model works out, the one-pass figures side by side with it.
void CompareWithModel(const StatFigures &f, const ModelStats &m)
{
    QCOMPARE(f.resultDays, m.resultDays);
    QCOMPARE(f.winDays, m.wins);
    QCOMPARE(f.lossDays, m.losses);
    QCOMPARE(f.drawDays, m.draws);
    QCOMPARE(f.collected, m.collected);
    QCOMPARE(f.invested, m.invested);
    QCOMPARE(f.balance, m.balance);
    QCOMPARE(RunOf(f.winRun.length, f.winRun.first, f.winRun.last),
             RunOf(m.winRun.length, m.winRun.first, m.winRun.last));
    QCOMPARE(RunOf(f.lossRun.length, f.lossRun.first, f.lossRun.last),
             RunOf(m.lossRun.length, m.lossRun.first, m.lossRun.last));
    QCOMPARE(RunOf(int(f.drawdown), f.peakDate, f.troughDate),
             RunOf(int(m.drawdown), m.peak, m.trough));
    QCOMPARE(f.bestMonth.month, m.bestMonthKey);
    QCOMPARE(f.bestMonth.balance, m.bestMonth);
    QCOMPARE(f.worstMonth.month, m.worstMonthKey);
    QCOMPARE(f.worstMonth.balance, m.worstMonth);
    if (m.stdDev < 0) {
        QCOMPARE(f.stdDev, -1.0);
    } else {
        QVERIFY2(std::abs(f.stdDev - m.stdDev) <= 1e-9 * std::max(1.0, m.stdDev),
                 qPrintable(QStringLiteral("%1 %2").arg(f.stdDev).arg(m.stdDev)));
    }
    if (m.resultDays > 0)
        QVERIFY(std::abs(double(f.resultBalance) / f.resultDays - m.mean) < 1e-9);
}

FileShape RandomShape(QRandomGenerator &rng, bool ordered)
{
    FileShape shape;
    shape.firstYear = 1998 + int(rng.bounded(8));
    shape.years = 1 + int(rng.bounded(4));
    shape.yearStep = 1 + int(rng.bounded(2));
    shape.lines = int(rng.bounded(400));
    shape.shuffled = !ordered && rng.bounded(2);
    shape.duplicatePercent = int(rng.bounded(10));
    shape.junkPercent = int(rng.bounded(5));
    shape.invalidPercent = int(rng.bounded(5));
    shape.noCommaPercent = int(rng.bounded(3));
    shape.mixedLineEnds = rng.bounded(2);
    return shape;
}

} // namespace

class TestStatsProperty : public QObject
{
    Q_OBJECT
private:
    SessionFixture m_fx;

private slots:
    void initTestCase() { m_fx.Init(); }

    // Every year: the year table's total, its texts and the model.
    void allYears()
    {
        QRandomGenerator rng(2303);
        for (int round = 0; round < 160; ++round) {
            const QByteArray file = round % 4 == 3
                    ? SmallAmountsFile(rng, 2001 + int(rng.bounded(3)), int(rng.bounded(300)))
                    : RandomDataFile(rng, RandomShape(rng, false));
            QVERIFY(PlayTest::WriteBytes(m_fx.DataPath(), file));
            const CResultBook book(m_fx.DataPath());
            CAllYearsStats stats;
            QVERIFY(stats.Load(book));
            const StatFigures f = stats.Figures();
            CompareWithModel(f, BruteForce(ModelYearsWithResults(ModelDays(file))));
            if (QTest::currentTestFailed()) {
                qWarning("round %d:\n%s", round, file.constData());
                return;
            }

            CYearTotals totals;
            QVERIFY(totals.Load(m_fx.DataPath()));
            const YearFigures t = totals.Total();
            QCOMPARE(Value(f, "稼働日数"), QString::number(t.resultDays));
            QCOMPARE(Value(f, "勝ち日数"), QString::number(t.winDays));
            QCOMPARE(Value(f, "勝率"), rowtext::WinRate(t.winDays, t.resultDays));
            QCOMPARE(Value(f, "投資合計"), QString::number(t.invested));
            QCOMPARE(Value(f, "回収合計"), QString::number(t.collected));
            QCOMPARE(Value(f, "収支合計"), QString::number(t.balance));
            QCOMPARE(Value(f, "回収率"), rowtext::RateCell64(t.collected, t.invested));
            QCOMPARE(stats.FirstYear(), totals.Rows().empty() ? 0 : totals.Rows().front().year);
            QCOMPARE(stats.LastYear(), totals.Rows().empty() ? 0 : totals.Rows().back().year);
        }
    }

    // Each calendar year as a loaded period: the monthly list's running sums, the year table's row
    // of that year, and the model over the book's days.
    void periods()
    {
        QRandomGenerator rng(1905);
        for (int round = 0; round < 60; ++round) {
            const QByteArray file = round % 3 == 2
                    ? SmallAmountsFile(rng, 2001 + int(rng.bounded(3)), int(rng.bounded(300)))
                    : RandomDataFile(rng, RandomShape(rng, true));
            QVERIFY(PlayTest::WriteBytes(m_fx.DataPath(), file));
            CYearTotals totals;
            QVERIFY(totals.Load(m_fx.DataPath()));
            CResultBook book(m_fx.DataPath());
            for (const YearFigures &year : totals.Rows()) {
                QVERIFY(book.LoadPeriod(year.year * 100 + 12, 1, 0));
                const StatFigures f = PeriodStats(book);
                ModelDayList days;
                for (const DayResult &d : book.Days())
                    days.emplace_back(
                            d.date,
                            ModelDay{int(d.entryMethod), d.collected, d.invested, d.balance});
                CompareWithModel(f, BruteForce(days));

                const DayResult &last = book.Day(book.DayCount() - 1);
                QCOMPARE(Value(f, "収支合計"), QString::number(last.periodBalance));
                qint64 collected = 0, invested = 0;
                QStringList monthBalances;
                for (int m = 0; m < book.MonthCount(); ++m) {
                    const DayResult &end = book.Day(book.Month(m).lastDay);
                    collected += end.monthCollected;
                    invested += end.monthInvested;
                    if (book.Month(m).month == f.bestMonth.month)
                        QCOMPARE(QString::number(f.bestMonth.balance),
                                 rowtext::MonthlyRow(book, m)[3]);
                    if (book.Month(m).month == f.worstMonth.month)
                        QCOMPARE(QString::number(f.worstMonth.balance),
                                 rowtext::MonthlyRow(book, m)[3]);
                }
                QCOMPARE(f.collected, collected);
                QCOMPARE(f.invested, invested);
                QCOMPARE(f.resultDays, year.resultDays);
                QCOMPARE(f.winDays, year.winDays);
                QCOMPARE(f.balance, year.balance);
                // The deepest fall never exceeds what the list's running balance shows.
                qint64 high = 0, fall = 0;
                for (const DayResult &d : book.Days()) {
                    high = std::max<qint64>(high, d.periodBalance);
                    fall = std::max<qint64>(fall, high - d.periodBalance);
                }
                QCOMPARE(f.drawdown, fall);
                if (QTest::currentTestFailed()) {
                    qWarning("round %d, year %d:\n%s", round, year.year, file.constData());
                    return;
                }
            }
        }
    }

    // A day entered but not saved counts in every year as the book holds it.
    void unsavedDays()
    {
        QRandomGenerator rng(77);
        for (int round = 0; round < 30; ++round) {
            FileShape shape = RandomShape(rng, true);
            shape.lines = 50 + int(rng.bounded(200));
            const QByteArray file = RandomDataFile(rng, shape);
            QVERIFY(PlayTest::WriteBytes(m_fx.DataPath(), file));
            const int year = shape.firstYear;
            CResultBook book(m_fx.DataPath());
            QVERIFY(book.LoadPeriod(year * 100 + 12, 1, 0));
            const QDate day = QDate(year, 1, 1).addDays(rng.bounded(365));
            const int date = day.year() * 10000 + day.month() * 100 + day.day();
            const int collected = int(rng.bounded(500));
            const int invested = int(rng.bounded(500));
            QVERIFY(book.EnterDay(date, EntryMethod::Amounts, collected, invested, 0));
            QVERIFY(book.IsModified());

            std::map<int, ModelDay> model = ModelDays(file);
            model[date] = ModelDay{0, collected, invested, collected - invested};
            CAllYearsStats stats;
            QVERIFY(stats.Load(book));
            CompareWithModel(stats.Figures(), BruteForce(ModelYearsWithResults(model)));
            if (QTest::currentTestFailed()) {
                qWarning("round %d, day %d:\n%s", round, date, file.constData());
                return;
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestStatsProperty)
#include "tst_statsproperty.moc"
