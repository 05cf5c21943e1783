#include "data/ResultBook.h"
#include "graph/GraphPainter.h"
#include "graph/TransitionGraph.h"

#include <QTest>

#include <memory>

namespace {

// One point's expected values in slots 0 (balance), 1 (year) and 2 (month).
struct Spot
{
    int point;
    int total;
    int year;
    int month;
};

// Every month gets +30 on its 5th and -50 on its 20th: a month closes at -20, so the
// running balance at the end of month k (from 0) is -20 * (k + 1).
void EnterResults(CResultBook &book)
{
    for (const DayResult &day : book.Days()) {
        const int d = day.date % 100;
        if (d == 5 || d == 20)
            book.EnterDay(day.date, EntryMethod::Balance, 0, 0, d == 5 ? 30 : -50);
    }
}

std::unique_ptr<CResultBook> MakeBook(int endMonth, int basis, bool withResults = true)
{
    auto book = std::make_unique<CResultBook>(QStringLiteral("unused-by-graph-tests.dat"));
    book->BuildCalendar(endMonth, basis, 0);
    if (withResults)
        EnterResults(*book);
    return book;
}

int PointCount(const CGraphPainter &painter)
{
    int n = 0;
    while (n < CGraphPainter::kMaxPoints && !painter.points[n].keyText.isEmpty())
        ++n;
    return n;
}

// "yyyy/mm/dd:label" (or "yyyy/mm:label") for every point that carries a label.
QStringList Labels(const CGraphPainter &painter)
{
    QStringList out;
    for (int i = 0; i < PointCount(painter); ++i) {
        const GraphPoint &p = painter.points[i];
        if (!p.axisLabel.isEmpty())
            out << p.keyText.left(10) + QLatin1Char(':') + p.axisLabel;
    }
    return out;
}

QString Key(int year, int month, int day)
{
    return QStringLiteral("%1/%2/%3")
            .arg(year)
            .arg(month, 2, 10, QLatin1Char('0'))
            .arg(day, 2, 10, QLatin1Char('0'));
}

// Labels of a three-month span for a month in the middle of the graph: its 1st as M/D and the
// 5th to 25th in steps of five as D.
QStringList ThreeMonthLabels(int year, int month)
{
    QStringList out{Key(year, month, 1) + QStringLiteral(":%1/1").arg(month)};
    for (int d = 5; d <= 25; d += 5)
        out << Key(year, month, d) + QStringLiteral(":%1").arg(d);
    return out;
}

TransitionRequest Request(bool monthly, int span, int monthIndex, bool total = true,
                          bool month = true, bool year = true)
{
    TransitionRequest r;
    r.monthly = monthly;
    r.span = static_cast<TransitionRequest::Span>(span);
    r.monthIndex = monthIndex;
    r.total = total;
    r.month = month;
    r.year = year;
    return r;
}

// Leaves stale content everywhere, so that a fill that forgets to reset shows.
void Dirty(CGraphPainter &painter)
{
    for (auto &p : painter.points) {
        p.keyText = QStringLiteral("stale");
        p.axisLabel = QStringLiteral("x");
        p.value[0] = p.value[1] = p.value[2] = 7;
        p.penFlag[0] = p.penFlag[1] = p.penFlag[2] = CGraphPainter::kPenUp;
    }
    painter.title = QStringLiteral("old");
    for (int s = 0; s < 3; ++s) {
        painter.seriesKind[s] = CGraphPainter::Bars;
        painter.seriesLegend[s] = QStringLiteral("old");
    }
}

} // namespace

Q_DECLARE_METATYPE(Spot)

class TestTransitionGraph : public QObject
{
    Q_OBJECT

private slots:
    void fill_data();
    void fill();
    void items_data();
    void items();
    void penFlags_data();
    void penFlags();
    void emptyBook_data();
    void emptyBook();
    void monthOutsideBook_data();
    void monthOutsideBook();
    void refillDropsOldPoints();
    void formatAxisLabel_data();
    void formatAxisLabel();
};

void TestTransitionGraph::fill_data()
{
    QTest::addColumn<int>("endMonth");
    QTest::addColumn<int>("basis");
    QTest::addColumn<bool>("monthly");
    QTest::addColumn<int>("span");
    QTest::addColumn<int>("monthIndex");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QList<Spot>>("spots");

    using R = TransitionRequest;

    QStringList may;
    may << QStringLiteral("2003/05/01:5/1");
    for (int d = 2; d <= 31; ++d)
        may << Key(2003, 5, d) + QStringLiteral(":%1").arg(d);
    // Period 2003/01..05 (January basis): May is month 4, so four months of -20 precede it.
    QTest::newRow("one month, May 2003")
            << 200305 << 1 << false << int(R::OneMonth) << 4 << 31
            << QStringLiteral("日別推移:2003/05/01 (木) ～ 2003/05/31 (土)") << may
            << QList<Spot>{
                       {0, 0, -80, 0}, {4, 30, -50, 30}, {19, -50, -100, -20}, {30, 0, -100, -20}};

    // Period 2003/07..2004/06; January 2004 is month 6, so December starts after five months.
    QTest::newRow("three months around January 2004")
            << 200406 << 0 << false << int(R::ThreeMonths) << 6 << 31 + 31 + 29
            << QStringLiteral("日別推移:2003/12/01 (月) ～ 2004/02/29 (日)")
            << ThreeMonthLabels(2003, 12) + ThreeMonthLabels(2004, 1) + ThreeMonthLabels(2004, 2)
            << QList<Spot>{
                       {0, 0, -100, 0}, {30, 0, -120, -20}, {35, 30, -90, 30}, {90, 0, -160, -20}};

    // Period 2002/06..2003/05 (this-month basis).
    QTest::newRow("three months at the first month")
            << 200305 << 0 << false << int(R::ThreeMonths) << 0 << 30 + 31
            << QStringLiteral("日別推移:2002/06/01 (土) ～ 2002/07/31 (水)")
            << ThreeMonthLabels(2002, 6) + ThreeMonthLabels(2002, 7)
            << QList<Spot>{{0, 0, 0, 0}, {4, 30, 30, 30}, {60, 0, -40, -20}};

    QTest::newRow("three months at the last month")
            << 200305 << 0 << false << int(R::ThreeMonths) << 11 << 30 + 31
            << QStringLiteral("日別推移:2003/04/01 (火) ～ 2003/05/31 (土)")
            << ThreeMonthLabels(2003, 4) + ThreeMonthLabels(2003, 5)
            << QList<Spot>{{0, 0, -200, 0}, {60, 0, -240, -20}};

    QStringList firsts;
    for (int k = 0; k < 12; ++k) {
        const int m = CResultBook::AddMonths(200206, k);
        firsts << Key(m / 100, m % 100, 1) + QStringLiteral(":%1/1").arg(m % 100);
    }
    // The selected month plays no part in the whole period.
    QTest::newRow("whole period") << 200305 << 0 << false << int(R::WholePeriod) << 3 << 365
                                  << QStringLiteral("日別推移:2002/06/01 (土) ～ 2003/05/31 (土)")
                                  << firsts
                                  << QList<Spot>{
                                             {0, 0, 0, 0}, {4, 30, 30, 30}, {364, 0, -240, -20}};

    // Month 2 of the January basis: the bounds must come from the selected month, not month 0.
    QTest::newRow("one month, March 2003")
            << 200305 << 1 << false << int(R::OneMonth) << 2 << 31
            << QStringLiteral("日別推移:2003/03/01 (土) ～ 2003/03/31 (月)")
            << (QStringList{QStringLiteral("2003/03/01:3/1")} +
                [] {
                    QStringList l;
                    for (int d = 2; d <= 31; ++d)
                        l << Key(2003, 3, d) + QStringLiteral(":%1").arg(d);
                    return l;
                }())
            << QList<Spot>{{0, 0, -40, 0}, {30, 0, -60, -20}};

    // Month balances and running balances at each month's last day; the month line stays off.
    QStringList yearMonths{QStringLiteral("2002/06:2002/6")};
    for (int m = 7; m <= 12; ++m)
        yearMonths << QStringLiteral("2002/%1:%2").arg(m, 2, 10, QLatin1Char('0')).arg(m);
    yearMonths << QStringLiteral("2003/01:2003/1");
    for (int m = 2; m <= 5; ++m)
        yearMonths << QStringLiteral("2003/%1:%2").arg(m, 2, 10, QLatin1Char('0')).arg(m);
    QTest::newRow("monthly, twelve months over a new year")
            << 200305 << 0 << true << int(R::OneMonth) << 11 << 12
            << QStringLiteral("月別推移:2002/06 ～ 2003/05") << yearMonths
            << QList<Spot>{{0, -20, -20, 0}, {6, -20, -140, 0}, {11, -20, -240, 0}};

    QTest::newRow("monthly, January basis")
            << 200305 << 1 << true << int(R::ThreeMonths) << 0 << 5
            << QStringLiteral("月別推移:2003/01 ～ 2003/05")
            << QStringList{QStringLiteral("2003/01:2003/1"), QStringLiteral("2003/02:2"),
                           QStringLiteral("2003/03:3"), QStringLiteral("2003/04:4"),
                           QStringLiteral("2003/05:5")}
            << QList<Spot>{{0, -20, -20, 0}, {4, -20, -100, 0}};
}

void TestTransitionGraph::fill()
{
    QFETCH(int, endMonth);
    QFETCH(int, basis);
    QFETCH(bool, monthly);
    QFETCH(int, span);
    QFETCH(int, monthIndex);
    QFETCH(int, count);
    QFETCH(QString, title);
    QFETCH(QStringList, labels);
    QFETCH(QList<Spot>, spots);

    auto book = MakeBook(endMonth, basis);
    auto painter = std::make_unique<CGraphPainter>();
    Dirty(*painter);
    FillTransitionGraph(*painter, *book, Request(monthly, span, monthIndex));

    QCOMPARE(PointCount(*painter), count);
    QCOMPARE(painter->title, title);
    QCOMPARE(Labels(*painter), labels);

    // The points are consecutive days (or months) of the book, each carrying its own values.
    if (monthly) {
        for (int i = 0; i < count; ++i) {
            QCOMPARE(painter->points[i].keyText, book->Month(i).monthText);
            const DayResult &last = book->Day(book->Month(i).lastDay);
            QCOMPARE(painter->points[i].value[0], last.monthBalance);
            QCOMPARE(painter->points[i].value[1], last.periodBalance);
            QCOMPARE(painter->points[i].value[2], 0);
        }
    } else {
        int first = 0;
        while (first < book->DayCount() && book->Day(first).dateText != painter->points[0].keyText)
            ++first;
        QVERIFY(first + count <= book->DayCount());
        for (int i = 0; i < count; ++i) {
            const DayResult &day = book->Day(first + i);
            QCOMPARE(painter->points[i].keyText, day.dateText);
            QCOMPARE(painter->points[i].value[0], day.balance);
            QCOMPARE(painter->points[i].value[1], day.periodBalance);
            QCOMPARE(painter->points[i].value[2], day.monthBalance);
        }
    }

    for (const Spot &s : spots) {
        QVERIFY2(s.point < count, qPrintable(QString::number(s.point)));
        const GraphPoint &p = painter->points[s.point];
        QCOMPARE(p.value[0], s.total);
        QCOMPARE(p.value[1], s.year);
        QCOMPARE(p.value[2], s.month);
    }
}

void TestTransitionGraph::items_data()
{
    QTest::addColumn<bool>("monthly");
    QTest::addColumn<bool>("total");
    QTest::addColumn<bool>("month");
    QTest::addColumn<bool>("year");
    QTest::addColumn<QList<int>>("kinds");
    QTest::addColumn<QStringList>("legends");

    const QString t = QStringLiteral("収支");
    const QString y = QStringLiteral("年累積");
    const QString m = QStringLiteral("月累積");
    const QList<int> none{0, 0, 0};

    QTest::newRow("daily, all") << false << true << true << true << QList<int>{1, 2, 2}
                                << QStringList{t, y, m};
    QTest::newRow("daily, balance only")
            << false << true << false << false << QList<int>{1, 0, 0} << QStringList{t, {}, {}};
    QTest::newRow("daily, month only")
            << false << false << true << false << QList<int>{0, 0, 2} << QStringList{{}, {}, m};
    QTest::newRow("daily, year only")
            << false << false << false << true << QList<int>{0, 2, 0} << QStringList{{}, y, {}};
    QTest::newRow("daily, none") << false << false << false << false << none
                                 << QStringList{{}, {}, {}};
    QTest::newRow("monthly, all: month ignored")
            << true << true << true << true << QList<int>{1, 2, 0} << QStringList{t, y, {}};
    QTest::newRow("monthly, month only")
            << true << false << true << false << none << QStringList{{}, {}, {}};
    QTest::newRow("monthly, none")
            << true << false << false << false << none << QStringList{{}, {}, {}};
}

void TestTransitionGraph::items()
{
    QFETCH(bool, monthly);
    QFETCH(bool, total);
    QFETCH(bool, month);
    QFETCH(bool, year);
    QFETCH(QList<int>, kinds);
    QFETCH(QStringList, legends);

    auto book = MakeBook(200305, 0);
    auto painter = std::make_unique<CGraphPainter>();
    Dirty(*painter);
    FillTransitionGraph(*painter, *book,
                        Request(monthly, TransitionRequest::WholePeriod, 0, total, month, year));

    for (int s = 0; s < 3; ++s) {
        QCOMPARE(painter->seriesKind[s], kinds[s]);
        QCOMPARE(painter->seriesLegend[s], legends[s]);
    }

    // A slot that is off keeps value and pen flag 0 at every point, so the scale ignores it;
    // a slot that is on carries the book's non-zero results somewhere.
    const int count = PointCount(*painter);
    QCOMPARE(count, monthly ? 12 : 365);
    for (int s = 0; s < 3; ++s) {
        bool anyValue = false;
        for (int i = 0; i < count; ++i) {
            const GraphPoint &p = painter->points[i];
            anyValue = anyValue || p.value[s] != 0;
            if (kinds[s] == 0) {
                QCOMPARE(p.value[s], 0);
                QCOMPARE(p.penFlag[s], 0);
            }
        }
        QCOMPARE(anyValue, kinds[s] != 0);
    }
    // Labels and the title do not depend on the items.
    QCOMPARE(painter->title.startsWith(monthly ? QStringLiteral("月別推移:2002/06")
                                               : QStringLiteral("日別推移:2002/06/01")),
             true);
    QCOMPARE(painter->points[0].axisLabel,
             monthly ? QStringLiteral("2002/6") : QStringLiteral("6/1"));
}

void TestTransitionGraph::penFlags_data()
{
    QTest::addColumn<int>("endMonth");
    QTest::addColumn<int>("basis");
    QTest::addColumn<bool>("monthly");
    QTest::addColumn<int>("span");
    QTest::addColumn<int>("monthIndex");
    QTest::addColumn<QList<int>>("monthPenUps");

    using R = TransitionRequest;
    QTest::newRow("one month") << 200305 << 1 << false << int(R::OneMonth) << 4 << QList<int>{0};
    QTest::newRow("three months over a new year")
            << 200406 << 0 << false << int(R::ThreeMonths) << 6 << QList<int>{0, 31, 62};
    QTest::newRow("three months at the first month")
            << 200305 << 0 << false << int(R::ThreeMonths) << 0 << QList<int>{0, 30};
    QTest::newRow("whole period") << 200305 << 0 << false << int(R::WholePeriod) << 0
                                  << QList<int>{0,   30,  61,  92,  122, 153,
                                                183, 214, 245, 273, 304, 334};
    QTest::newRow("monthly") << 200305 << 0 << true << int(R::OneMonth) << 0 << QList<int>{};
}

void TestTransitionGraph::penFlags()
{
    QFETCH(int, endMonth);
    QFETCH(int, basis);
    QFETCH(bool, monthly);
    QFETCH(int, span);
    QFETCH(int, monthIndex);
    QFETCH(QList<int>, monthPenUps);

    auto book = MakeBook(endMonth, basis);
    auto painter = std::make_unique<CGraphPainter>();
    FillTransitionGraph(*painter, *book, Request(monthly, span, monthIndex));

    const int count = PointCount(*painter);
    QVERIFY(count > 0);
    QList<int> monthUps;
    for (int i = 0; i < count; ++i) {
        const GraphPoint &p = painter->points[i];
        QCOMPARE(p.penFlag[0], 0);
        QCOMPARE(p.penFlag[1], i == 0 ? CGraphPainter::kPenUp : 0);
        if (p.penFlag[2] == CGraphPainter::kPenUp)
            monthUps << i;
        else
            QCOMPARE(p.penFlag[2], 0);
    }
    QCOMPARE(monthUps, monthPenUps);
}

void TestTransitionGraph::emptyBook_data()
{
    QTest::addColumn<bool>("monthly");
    QTest::addColumn<int>("span");
    QTest::addColumn<QString>("title");

    using R = TransitionRequest;
    QTest::newRow("one month") << false << int(R::OneMonth) << QStringLiteral("日別推移: ～ ");
    QTest::newRow("three months") << false << int(R::ThreeMonths)
                                  << QStringLiteral("日別推移: ～ ");
    QTest::newRow("whole period") << false << int(R::WholePeriod)
                                  << QStringLiteral("日別推移: ～ ");
    QTest::newRow("monthly") << true << int(R::OneMonth) << QStringLiteral("月別推移: ～ ");
}

void TestTransitionGraph::emptyBook()
{
    QFETCH(bool, monthly);
    QFETCH(int, span);
    QFETCH(QString, title);

    CResultBook book(QStringLiteral("unused-by-graph-tests.dat"));
    auto painter = std::make_unique<CGraphPainter>();
    Dirty(*painter);
    FillTransitionGraph(*painter, book, Request(monthly, span, 0));

    QCOMPARE(painter->title, title);
    QCOMPARE(PointCount(*painter), 0);
    QCOMPARE(painter->points[0].axisLabel, QString());
    // The ticked items are still configured, so their legends show on the empty chart.
    QCOMPARE(painter->seriesKind[0], int(CGraphPainter::Bars));
    QCOMPARE(painter->seriesKind[1], int(CGraphPainter::Line));
    QCOMPARE(painter->seriesKind[2], monthly ? 0 : int(CGraphPainter::Line));
}

void TestTransitionGraph::monthOutsideBook_data()
{
    QTest::addColumn<int>("span");
    QTest::addColumn<int>("monthIndex");

    using R = TransitionRequest;
    // The January basis up to 2003/05 has five months.
    QTest::newRow("one month, index -1") << int(R::OneMonth) << -1;
    QTest::newRow("one month, index = month count") << int(R::OneMonth) << 5;
    QTest::newRow("three months, index 12") << int(R::ThreeMonths) << 12;
    QTest::newRow("three months, huge index") << int(R::ThreeMonths) << 1000000;
}

void TestTransitionGraph::monthOutsideBook()
{
    QFETCH(int, span);
    QFETCH(int, monthIndex);

    auto book = MakeBook(200305, 1);
    auto painter = std::make_unique<CGraphPainter>();
    Dirty(*painter);
    FillTransitionGraph(*painter, *book, Request(false, span, monthIndex));

    QCOMPARE(PointCount(*painter), 0);
    QCOMPARE(painter->title, QStringLiteral("日別推移: ～ "));
}

void TestTransitionGraph::refillDropsOldPoints()
{
    auto book = MakeBook(200305, 0);
    auto painter = std::make_unique<CGraphPainter>();
    FillTransitionGraph(*painter, *book, Request(false, TransitionRequest::WholePeriod, 0));
    QCOMPARE(PointCount(*painter), 365);

    // Only the balance, one month (June 2002): nothing of the year-long fill may survive.
    FillTransitionGraph(*painter, *book,
                        Request(false, TransitionRequest::OneMonth, 0, true, false, false));
    QCOMPARE(PointCount(*painter), 30);
    for (int i = 0; i < CGraphPainter::kMaxPoints; ++i) {
        const GraphPoint &p = painter->points[i];
        QCOMPARE(p.value[1], 0);
        QCOMPARE(p.value[2], 0);
        QCOMPARE(p.penFlag[1], 0);
        QCOMPARE(p.penFlag[2], 0);
        if (i >= 30) {
            QCOMPARE(p.axisLabel, QString());
            QCOMPARE(p.value[0], 0);
        }
    }
    QCOMPARE(painter->seriesKind[1], 0);
    QCOMPARE(painter->seriesKind[2], 0);
    QCOMPARE(painter->title, QStringLiteral("日別推移:2002/06/01 (土) ～ 2002/06/30 (日)"));
}

void TestTransitionGraph::formatAxisLabel_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("label");

    QTest::newRow("Y/M") << 20030501 << QStringLiteral("Y/M") << QStringLiteral("2003/5");
    QTest::newRow("M") << 20030501 << QStringLiteral("M") << QStringLiteral("5");
    QTest::newRow("M/D") << 20030501 << QStringLiteral("M/D") << QStringLiteral("5/1");
    QTest::newRow("D") << 20030501 << QStringLiteral("D") << QStringLiteral("1");
    QTest::newRow("two-digit month and day")
            << 20031225 << QStringLiteral("M/D") << QStringLiteral("12/25");
    QTest::newRow("zero inside a day kept")
            << 20031210 << QStringLiteral("D") << QStringLiteral("10");
    QTest::newRow("zero inside a month kept")
            << 20031005 << QStringLiteral("M") << QStringLiteral("10");
    QTest::newRow("month key x 100, Y/M")
            << 20031200 << QStringLiteral("Y/M") << QStringLiteral("2003/12");
    QTest::newRow("month key x 100, M") << 20040100 << QStringLiteral("M") << QStringLiteral("1");
    QTest::newRow("month key x 100, D drops one zero")
            << 20040100 << QStringLiteral("D") << QStringLiteral("0");
    QTest::newRow("empty format") << 20030501 << QString() << QString();
    QTest::newRow("lower-case format") << 20030501 << QStringLiteral("y/m") << QString();
    QTest::newRow("reversed format") << 20030501 << QStringLiteral("D/M") << QString();
    QTest::newRow("format with blank") << 20030501 << QStringLiteral("M ") << QString();
    QTest::newRow("month key not x 100") << 200305 << QStringLiteral("Y/M") << QString();
    QTest::newRow("zero key") << 0 << QStringLiteral("D") << QString();
    QTest::newRow("negative key") << -20030501 << QStringLiteral("M/D") << QString();
}

void TestTransitionGraph::formatAxisLabel()
{
    QFETCH(int, key);
    QFETCH(QString, format);
    QFETCH(QString, label);

    QCOMPARE(FormatAxisLabel(key, format), label);
}

QTEST_APPLESS_MAIN(TestTransitionGraph)
#include "tst_transitiongraph.moc"
