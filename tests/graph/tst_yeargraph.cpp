#include "graph/GraphPainter.h"
#include "graph/YearGraph.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <limits>

namespace {

const QRgb kBlue = qRgb(101, 101, 255);
const QRgb kRed = qRgb(255, 0, 0);

// Rows of consecutive years from first on, with these balances and their running totals.
std::vector<YearFigures> Rows(int first, const QList<qint64> &balances)
{
    std::vector<YearFigures> rows;
    qint64 running = 0;
    for (const qint64 balance : balances) {
        YearFigures f;
        f.year = first + int(rows.size());
        f.balance = balance;
        running += balance;
        f.running = running;
        f.resultDays = 1;
        rows.push_back(f);
    }
    return rows;
}

// "key label balance running" of each point of the chart, and "|" for a pen-up line point.
QStringList Points(const CGraphPainter &painter)
{
    QStringList points;
    for (const GraphPoint &p : painter.points) {
        if (p.keyText.isEmpty())
            break;
        points << QStringLiteral("%1 %2 %3 %4%5")
                          .arg(p.keyText, p.axisLabel.isEmpty() ? QStringLiteral("-") : p.axisLabel)
                          .arg(p.value[0])
                          .arg(p.value[1])
                          .arg(p.penFlag[1] == CGraphPainter::kPenUp ? "|" : "");
    }
    return points;
}

} // namespace

class TestYearGraph : public QObject
{
    Q_OBJECT

private slots:
    void filled_data();
    void filled();
    void labelStep_data();
    void labelStep();
    void newestYearsWhenTooMany();
    void rendered();
};

void TestYearGraph::filled_data()
{
    QTest::addColumn<QList<qint64>>("balances"); // from 2002 on
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("points");

    QTest::newRow("three years") << QList<qint64>{10, -30, 5} << 700 << "年別推移:2002 ～ 2004"
                                 << QStringList{"2002 2002 10 10|", "2003 2003 -30 -20",
                                                "2004 2004 5 -15"};
    QTest::newRow("one year") << QList<qint64>{-4} << 700 << "年別推移:2002 ～ 2002"
                              << QStringList{"2002 2002 -4 -4|"};
    QTest::newRow("no years") << QList<qint64>{} << 700 << "年別推移:" << QStringList{};
    // 610 pixels for the slots: 30 per year, so every other year, counting back from the newest.
    QTest::newRow("twenty years: every other label")
            << QList<qint64>(20, 1) << 700 << "年別推移:2002 ～ 2021" << [] {
                   QStringList points;
                   for (int i = 0; i < 20; ++i) {
                       const QString year = QString::number(2002 + i);
                       points << QStringLiteral("%1 %2 1 %3%4")
                                         .arg(year, i % 2 ? year : QStringLiteral("-"))
                                         .arg(i + 1)
                                         .arg(i == 0 ? "|" : "");
                   }
                   return points;
               }();
    // Sums that pass 32 bits are drawn at the end of the scale.
    QTest::newRow("past 32 bits") << QList<qint64>{5000000000LL, -9000000000LL} << 700
                                  << "年別推移:2002 ～ 2003"
                                  << QStringList{"2002 2002 2147483647 2147483647|",
                                                 "2003 2003 -2147483648 -2147483648"};
}

void TestYearGraph::filled()
{
    QFETCH(QList<qint64>, balances);
    QFETCH(int, width);
    QFETCH(QString, title);
    QFETCH(QStringList, points);

    CGraphPainter painter;
    painter.points[0].keyText = QStringLiteral("left over"); // a reset comes first
    painter.seriesKind[2] = CGraphPainter::Line;
    FillYearGraph(painter, Rows(2002, balances), width);
    QCOMPARE(painter.title, title);
    QCOMPARE(Points(painter), points);
    QCOMPARE(painter.seriesKind[0], int(CGraphPainter::Bars));
    QCOMPARE(painter.seriesKind[1], int(CGraphPainter::Line));
    QCOMPARE(painter.seriesKind[2], int(CGraphPainter::Off));
    QCOMPARE(painter.seriesLegend[0], QStringLiteral("収支"));
    QCOMPARE(painter.seriesLegend[1], QStringLiteral("通算"));
}

void TestYearGraph::labelStep_data()
{
    QTest::addColumn<int>("years");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("step");

    // The slots share the width less 90 pixels; a label needs 50 pixels.
    QTest::newRow("12 years of 50 pixels") << 12 << 690 << 1;
    QTest::newRow("12 years of 49 pixels") << 12 << 678 << 2;
    QTest::newRow("20 years of 24 pixels") << 20 << 570 << 5;
    QTest::newRow("370 years of 1 pixel") << 370 << 460 << 50;
    QTest::newRow("370 years of 0 pixels: the newest only")
            << 370 << 400 << std::numeric_limits<int>::max();
    QTest::newRow("no years") << 0 << 700 << 1;
}

void TestYearGraph::labelStep()
{
    QFETCH(int, years);
    QFETCH(int, width);
    QFETCH(int, step);
    QCOMPARE(YearLabelStep(years, width), step);
}

// The painter takes 370 points: of 400 years the chart shows the newest 370, with their running
// totals over all 400, and its title names the years it shows.
void TestYearGraph::newestYearsWhenTooMany()
{
    QList<qint64> balances;
    for (int i = 0; i < 400; ++i)
        balances << (i % 3 == 0 ? -2 : 3);
    const std::vector<YearFigures> rows = Rows(1601, balances);
    CGraphPainter painter;
    FillYearGraph(painter, rows, 700);
    QCOMPARE(painter.title, QStringLiteral("年別推移:1631 ～ 2000"));
    const QStringList points = Points(painter);
    QCOMPARE(points.size(), CGraphPainter::kMaxPoints);
    QCOMPARE(points.first(),
             QStringLiteral("1631 - %1 %2|").arg(rows[30].balance).arg(rows[30].running));
    QCOMPARE(points.last(),
             QStringLiteral("2000 2000 %1 %2").arg(rows.back().balance).arg(rows.back().running));
}

// Drawn by the graph painter: a blue bar per year, up for a gain and down for a loss, and the red
// line of the running total from the first year on, not from the axis.
void TestYearGraph::rendered()
{
    const QSize size(700, 300);
    CGraphPainter painter;
    FillYearGraph(painter, Rows(2002, {40, -60, 30, 50}), size.width());
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        painter.Draw(p, size);
    }
    const int zero = painter.zeroY;
    auto blueRows = [&](int x) {
        int first = -1;
        int last = -1;
        for (int y = 0; y < size.height(); ++y) {
            if (image.pixel(x, y) == kBlue) {
                last = y;
                if (first < 0)
                    first = y;
            }
        }
        return QPoint(first, last);
    };
    // Bars; the line crosses them at the running totals, so the bar is checked off its centre.
    const int off = painter.slotWidth / 8;
    QCOMPARE(blueRows(painter.PointX(0) - off), QPoint(painter.ValueY(40), zero - 1));
    QCOMPARE(blueRows(painter.PointX(1) - off), QPoint(zero, painter.ValueY(-60) - 1));
    QCOMPARE(blueRows(painter.PointX(3) - off), QPoint(painter.ValueY(50), zero - 1));
    // The running total: 40, -20, 10, 60.
    QCOMPARE(image.pixel(painter.PointX(0), painter.ValueY(40)), kRed);
    QCOMPARE(image.pixel(painter.PointX(1), painter.ValueY(-20)), kRed);
    QCOMPARE(image.pixel(painter.PointX(2), painter.ValueY(10)), kRed);
    for (int x = painter.originX; x < painter.PointX(0); ++x) {
        for (int y = painter.plotTop + 1; y < painter.plotBottom; ++y)
            QVERIFY2(image.pixel(x, y) != kRed, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }
}

QTEST_MAIN(TestYearGraph)
#include "tst_yeargraph.moc"
