#include "stats/DayStats.h"
#include "stats/StatsText.h"

#include <QTest>

namespace {

// Days of May 2003 written "day:balance": "+5" and "-3" are results, "0" a draw, "x" a line
// without a result, "x-8" one without a result that carries a balance (a hand-edited file).
// Days not written have no line.
StatFigures Run(const QString &text)
{
    CStatsBuilder builder;
    for (const QString &token : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList parts = token.split(QLatin1Char(':'));
        const int date = 20030500 + parts[0].toInt();
        QString value = parts[1];
        DayRecord day;
        day.method = 0;
        if (value.startsWith(QLatin1Char('x'))) {
            day.method = -1;
            value = value.mid(1);
        }
        day.balance = value.isEmpty() ? 0 : value.toInt();
        day.collected = qMax(day.balance, 0) + 10;
        day.invested = day.collected - day.balance;
        if (day.method == -1 && day.balance == 0)
            day.collected = day.invested = 0;
        builder.Add(date, day);
    }
    return builder.Result();
}

// "length@first-last" in days of May; "0" without a run.
QString RunText(const ResultRun &run)
{
    if (run.length == 0)
        return QStringLiteral("0");
    return QStringLiteral("%1@%2-%3").arg(run.length).arg(run.first % 100).arg(run.last % 100);
}

// "fall@peak-trough", the peak 0 for the start; "0" without a fall.
QString FallText(const StatFigures &f)
{
    if (f.troughDate == 0)
        return QStringLiteral("0");
    return QStringLiteral("%1@%2-%3").arg(f.drawdown).arg(f.peakDate % 100).arg(f.troughDate % 100);
}

QString Value(const StatFigures &f, const QString &item)
{
    for (const statstext::Row &row : statstext::Rows(f))
        if (row.item == item)
            return row.value;
    return QStringLiteral("(no row)");
}

} // namespace

class TestDayStats : public QObject
{
    Q_OBJECT
private slots:
    void runsAndFalls_data()
    {
        QTest::addColumn<QString>("days");
        QTest::addColumn<QString>("wins");
        QTest::addColumn<QString>("losses");
        QTest::addColumn<QString>("fall");
        QTest::newRow("no day") << ""
                                << "0"
                                << "0"
                                << "0";
        QTest::newRow("a single win") << "1:+5"
                                      << "1@1-1"
                                      << "0"
                                      << "0";
        QTest::newRow("a single loss falls from the start") << "1:-5"
                                                            << "0"
                                                            << "1@1-1"
                                                            << "5@0-1";
        QTest::newRow("a single draw") << "1:0"
                                       << "0"
                                       << "0"
                                       << "0";
        QTest::newRow("all losses") << "1:-1 2:-2 3:-3"
                                    << "0"
                                    << "3@1-3"
                                    << "6@0-3";
        QTest::newRow("a draw ends a winning run") << "1:+1 2:+1 3:0 4:+1"
                                                   << "2@1-2"
                                                   << "0"
                                                   << "0";
        QTest::newRow("a draw ends a losing run") << "1:-1 2:0 3:-1 4:-1"
                                                  << "0"
                                                  << "2@3-4"
                                                  << "3@0-4";
        QTest::newRow("a day without a result ends neither") << "1:+1 2:x 3:+1 7:-2 8:x 9:-2"
                                                             << "2@1-3"
                                                             << "2@7-9"
                                                             << "4@3-9";
        QTest::newRow("gaps between the days end nothing") << "1:-1 5:-1 9:+2 10:-1"
                                                           << "1@9-9"
                                                           << "2@1-5"
                                                           << "2@0-5";
        QTest::newRow("the earliest of equal runs") << "1:+1 2:+1 3:-1 4:+1 5:+1 6:-1"
                                                    << "2@1-2"
                                                    << "1@3-3"
                                                    << "1@2-3";
        QTest::newRow("a longer later run wins") << "1:-1 2:-1 3:+1 4:-1 5:-1 6:-1"
                                                 << "1@3-3"
                                                 << "3@4-6"
                                                 << "4@0-6";
        QTest::newRow("a peak reached again is the later peak") << "1:+10 2:-4 3:+4 4:-6"
                                                                << "1@1-1"
                                                                << "1@2-2"
                                                                << "6@3-4";
        QTest::newRow("the earliest of equal falls") << "1:+5 2:-5 3:+5 4:-5"
                                                     << "1@1-1"
                                                     << "1@2-2"
                                                     << "5@1-2";
        QTest::newRow("the first day of the lowest point") << "1:+5 2:-5 3:+1 4:-1"
                                                           << "1@1-1"
                                                           << "1@2-2"
                                                           << "5@1-2";
        QTest::newRow("a draw at the peak holds it to its day") << "1:+5 2:0 3:-5"
                                                                << "1@1-1"
                                                                << "1@3-3"
                                                                << "5@2-3";
        QTest::newRow("a rise after a fall at the start keeps the start") << "1:-3 2:+1 3:-4"
                                                                          << "1@2-2"
                                                                          << "1@1-1"
                                                                          << "6@0-3";
        QTest::newRow("back to zero makes that day the peak") << "1:-3 2:+3 3:-4"
                                                              << "1@2-2"
                                                              << "1@1-1"
                                                              << "4@2-3";
        QTest::newRow("a balance on a day without a result moves the total only")
                << "1:+5 2:x-8 3:+1"
                << "2@1-3"
                << "0"
                << "8@1-2";
        QTest::newRow("only rises") << "1:+1 3:+2 9:+3"
                                    << "3@1-9"
                                    << "0"
                                    << "0";
    }
    void runsAndFalls()
    {
        QFETCH(QString, days);
        const StatFigures f = Run(days);
        QTEST(RunText(f.winRun), "wins");
        QTEST(RunText(f.lossRun), "losses");
        QTEST(FallText(f), "fall");
    }

    // The counts, sums, extremes and months of one range.
    void figures()
    {
        const StatFigures f = Run("1:+5 2:-3 3:0 4:x 5:+5 6:-7 31:-7");
        QCOMPARE(f.resultDays, 6);
        QCOMPARE(f.winDays, 2);
        QCOMPARE(f.lossDays, 3);
        QCOMPARE(f.drawDays, 1);
        QCOMPARE(f.balance, -7);
        QCOMPARE(f.resultBalance, -7);
        QCOMPARE(f.bestDay.value, 5);
        QCOMPARE(f.bestDay.date, 20030501); // the earlier of two equal wins
        QCOMPARE(f.worstDay.value, -7);
        QCOMPARE(f.worstDay.date, 20030506);
        QCOMPARE(f.firstDate, 20030501);
        QCOMPARE(f.lastDate, 20030531);
        QCOMPARE(f.bestMonth.month, 200305);
        QCOMPARE(f.worstMonth.month, 200305);
    }

    void months()
    {
        CStatsBuilder b;
        auto add = [&](int date, int method, int balance) {
            b.Add(date, DayRecord{method, qMax(balance, 0), qMax(-balance, 0), balance});
        };
        add(20030105, 0, 10);
        add(20030210, 0, -4); // February: -4 ...
        add(20030211, -1, 9); // ... and +9 without a result: 5, as the monthly list adds it
        add(20030301, -1, -50); // March has no result: no month of its own
        add(20030415, 1, 10); // April equals January: the earlier stays the best
        add(20030520, 0, 0);
        const StatFigures f = b.Result();
        QCOMPARE(f.bestMonth.month, 200301);
        QCOMPARE(f.bestMonth.balance, 10);
        QCOMPARE(f.worstMonth.month, 200305);
        QCOMPARE(f.worstMonth.balance, 0);
        QCOMPARE(Value(f, "最高の月"), QStringLiteral("10 2003/01"));
        QCOMPARE(Value(f, "最低の月"), QStringLiteral("0 2003/05"));
    }

    void averageAndSpread_data()
    {
        QTest::addColumn<QString>("days");
        QTest::addColumn<QString>("average");
        QTest::addColumn<QString>("spread");
        QTest::newRow("none") << ""
                              << "-"
                              << "-";
        QTest::newRow("one day") << "1:+5"
                                 << "5.0"
                                 << "-";
        QTest::newRow("two days") << "1:+1 2:+2"
                                  << "1.5"
                                  << "0.7";
        QTest::newRow("four days") << "1:+1 2:+2 3:+3 4:+4"
                                   << "2.5"
                                   << "1.3";
        QTest::newRow("symmetric") << "1:-3 2:+3"
                                   << "0.0"
                                   << "4.2";
        QTest::newRow("half away from zero") << "1:-1 2:0"
                                             << "-0.5"
                                             << "0.7";
        QTest::newRow("a third") << "1:+1 2:0 3:0"
                                 << "0.3"
                                 << "0.6";
        QTest::newRow("a small negative rounds to 0.0") << "1:-1 2:0 3:0 4:0 5:0 6:0 7:0 8:0 9:0 "
                                                           "10:0 11:0"
                                                        << "-0.1"
                                                        << "0.3";
        QTest::newRow("a day without a result is no sample") << "1:+4 2:x-100 3:+6"
                                                             << "5.0"
                                                             << "1.4";
        QTest::newRow("all equal") << "1:-7 2:-7 3:-7"
                                   << "-7.0"
                                   << "0.0";
    }
    void averageAndSpread()
    {
        QFETCH(QString, days);
        const StatFigures f = Run(days);
        QTEST(Value(f, "1日平均収支"), "average");
        QTEST(Value(f, "標準偏差"), "spread");
    }

    // The rounding the average's rows above do not reach, and no division by no days.
    void tenths_data()
    {
        QTest::addColumn<qlonglong>("numerator");
        QTest::addColumn<qlonglong>("denominator");
        QTest::addColumn<QString>("text");
        QTest::newRow("half up") << 1LL << 20LL << "0.1";
        QTest::newRow("half away from zero below 0") << -1LL << 20LL << "-0.1";
        QTest::newRow("below half") << -1LL << 30LL << "0.0";
        QTest::newRow("large") << 2000000000000LL << 3LL << "666666666666.7";
        QTest::newRow("no days") << 5LL << 0LL << "-";
    }
    void tenths()
    {
        QFETCH(qlonglong, numerator);
        QFETCH(qlonglong, denominator);
        QTEST(statstext::Tenths(numerator, denominator), "text");
    }

    // The rows of the table and how each figure is written, with days and without any.
    void rows_data()
    {
        QTest::addColumn<QString>("days");
        QTest::addColumn<QStringList>("values");
        // Collected is the win plus 10 and invested the loss plus 10 on every day.
        QTest::newRow("a week") << "1:+5 2:+3 3:-2 5:-6 6:-1 7:0 9:+4"
                                << QStringList({"7", "3", "3", "1", "43%", "79", "82", "3", "104%",
                                                "0.4", "3.9", "5 2003/05/01 (木)",
                                                "-6 2003/05/05 (月)",
                                                "2連勝 2003/05/01 (木) ～ 2003/05/02 (金)",
                                                "3連敗 2003/05/03 (土) ～ 2003/05/06 (火)",
                                                "9 2003/05/02 (金) ～ 2003/05/06 (火)", "3 2003/05",
                                                "3 2003/05"});
        QTest::newRow("no day") << ""
                                << QStringList({"0", "0", "0", "0", "-", "0", "0", "0", "-", "-",
                                                "-", "-", "-", "-", "-", "-", "-", "-"});
    }
    void rows()
    {
        QFETCH(QString, days);
        QStringList items;
        QStringList values;
        for (const statstext::Row &row : statstext::Rows(Run(days))) {
            items << row.item;
            values << row.value;
        }
        QCOMPARE(items,
                 QStringList({"稼働日数", "勝ち日数", "負け日数", "引き分け日数", "勝率",
                              "投資合計", "回収合計", "収支合計", "回収率", "1日平均収支",
                              "標準偏差", "最大勝ち", "最大負け", "最大連勝", "最大連敗",
                              "最大ドローダウン", "最高の月", "最低の月"}));
        QTEST(values, "values");
    }

    void fallFromTheStartText()
    {
        QCOMPARE(Value(Run("1:-5 2:+1"), "最大ドローダウン"),
                 QStringLiteral("5 開始時 ～ 2003/05/01 (木)"));
        QCOMPARE(Value(Run("1:+5"), "最大ドローダウン"), QStringLiteral("0"));
    }

    // Squares of large balances pass 64 bits; the spread stays exact.
    void largeBalances()
    {
        CStatsBuilder b;
        for (int d = 1; d <= 28; ++d) {
            const int32_t balance = d % 2 ? 2000000000 : -2000000000;
            b.Add(20030200 + d, DayRecord{1, 0, 0, balance});
        }
        const StatFigures f = b.Result();
        QCOMPARE(f.balance, 0);
        // 28 values of +-2e9 around a mean of 0: sqrt(28 * 4e18 / 27).
        QCOMPARE(statstext::StdDev(f.stdDev), QStringLiteral("2036700308.9"));
        QCOMPARE(f.drawdown, 2000000000LL);
    }
};

QTEST_GUILESS_MAIN(TestDayStats)
#include "tst_daystats.moc"
