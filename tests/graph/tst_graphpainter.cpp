#include "graph/GraphPainter.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <climits>
#include <cmath>
#include <memory>

namespace {

const QColor kBlue(101, 101, 255);
const QColor kRed(255, 0, 0);
const QColor kMagenta(255, 0, 255);
const QColor kYellow(255, 255, 215);
const QColor kGrey(127, 127, 127);
const QColor kWhite(255, 255, 255);
const QColor kUntouched(1, 2, 3);

int MulDiv(int a, int b, int c)
{
    return (a * b + c / 2) / c;
}

// The main window's graph frame is 476 x 184 dialog units; with base units 6 x 13 its outer size
// is MulDiv(476, 6, 4) x MulDiv(184, 13, 8), and the client lies inside a 1-pixel sunken border.
QSize FrameClient()
{
    return QSize(MulDiv(476, 6, 4) - 2, MulDiv(184, 13, 8) - 2);
}

QImage Render(CGraphPainter &painter, QSize client)
{
    QImage image(client, QImage::Format_RGB32);
    // 96 dpi, so that point sizes become the same pixel sizes on every machine.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(kUntouched);
    QPainter p(&image);
    painter.Draw(p, client);
    return image;
}

QColor At(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

// Text is black; nothing else the chart draws is this dark.
bool HasInk(const QImage &image, QRect box)
{
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
            const QColor c = At(image, x, y);
            if (c.red() < 96 && c.green() < 96 && c.blue() < 96 && c != kUntouched)
                return true;
        }
    }
    return false;
}

QImage Crop(const QImage &image, QRect box)
{
    return image.copy(box);
}

void Fill(CGraphPainter &painter, const QList<int> &slot0, int keyed)
{
    for (int i = 0; i < keyed; ++i)
        painter.points[i].keyText = QStringLiteral("k%1").arg(i);
    for (int i = 0; i < slot0.size(); ++i)
        painter.points[i].value[0] = slot0[i];
}

} // namespace

class TestGraphPainter : public QObject
{
    Q_OBJECT

private slots:
    void computeTicks_data();
    void computeTicks();
    void layout_data();
    void layout();
    void resetClearsEverything();
    void layoutKeptUntilReset();
    void renderedChart();
    void lineStart_data();
    void lineStart();
    void legends_data();
    void legends();
    void labelSide_data();
    void labelSide();
    void emptyTitleDrawsDefault();
    void noPointsDrawsAlongZeroLine();
    void morePointsThanPixels();
    void painterStateRestored();

private:
    std::unique_ptr<CGraphPainter> m_painter = std::make_unique<CGraphPainter>();
};

void TestGraphPainter::computeTicks_data()
{
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("minValue");
    QTest::addColumn<QList<int>>("expected");

    QTest::newRow("37/-12") << 37 << -12 << QList<int>{5, 10, 15, 20, 25, 30, 35, -5, -10, 0};
    QTest::newRow("all zero scale")
            << 10 << -10 << QList<int>{2, 4, 6, 8, 10, -2, -4, -6, -8, -10, 0};
    QTest::newRow("700/0") << 700 << 0 << QList<int>{75, 150, 225, 300, 375, 450, 525, 600, 675, 0};
    QTest::newRow("only positive") << 12 << 0 << QList<int>{2, 4, 6, 8, 10, 12, 0};
    QTest::newRow("only negative") << 0 << -30 << QList<int>{-5, -10, -15, -20, -25, -30, 0};
    QTest::newRow("a single negative step") << 5 << -1 << QList<int>{1, 2, 3, 4, 5, -1, 0};
    QTest::newRow("range 10 takes step 1")
            << 4 << -6 << QList<int>{1, 2, 3, 4, -1, -2, -3, -4, -5, -6, 0};
    QTest::newRow("just below the limit")
            << 8249999 << 0 << QList<int>{750000,  1500000, 2250000, 3000000, 3750000, 4500000,
                                          5250000, 6000000, 6750000, 7500000, 0};
    QTest::newRow("at the limit") << 8250000 << 0 << QList<int>{0};
    QTest::newRow("at the limit, both signs") << 4000000 << -4250000 << QList<int>{0};
    QTest::newRow("beyond 32 bits") << INT_MAX << INT_MIN << QList<int>{0};
}

void TestGraphPainter::computeTicks()
{
    QFETCH(int, maxValue);
    QFETCH(int, minValue);
    QFETCH(QList<int>, expected);

    CGraphPainter &p = *m_painter;
    p.Reset();
    p.maxValue = maxValue;
    p.minValue = minValue;
    p.range = int64_t(maxValue) - int64_t(minValue);
    p.ComputeTicks();

    QList<int> got;
    for (int i = 0; i < p.tickCount; ++i)
        got << p.ticks[i];
    QCOMPARE(got, expected);
    QVERIFY(p.tickCount <= 11);
}

void TestGraphPainter::layout_data()
{
    QTest::addColumn<QList<int>>("slot0");
    QTest::addColumn<int>("slot2First"); // value of point 0 in slot 2, which is not drawn
    QTest::addColumn<int>("keyed"); // number of leading points with a key text
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("minValue");
    QTest::addColumn<qint64>("range");
    QTest::addColumn<int>("pointCount");
    QTest::addColumn<int>("tickCount");

    const int w = FrameClient().width();
    QTest::newRow("37/-12") << QList<int>{37, -12, 3} << 0 << 3 << w << 37 << -12 << qint64(49) << 3
                            << 10;
    QTest::newRow("all zero") << QList<int>{0, 0} << 0 << 2 << w << 10 << -10 << qint64(20) << 2
                              << 11;
    QTest::newRow("700/0") << QList<int>{700, 350} << 0 << 2 << w << 700 << 0 << qint64(700) << 2
                           << 10;
    QTest::newRow("only positive")
            << QList<int>{5, 12, 3} << 0 << 3 << w << 12 << 0 << qint64(12) << 3 << 7;
    QTest::newRow("only negative")
            << QList<int>{-5, -30} << 0 << 2 << w << 0 << -30 << qint64(30) << 2 << 7;
    QTest::newRow("undrawn slot counts")
            << QList<int>{10} << -40 << 1 << w << 10 << -40 << qint64(50) << 1 << 11;
    QTest::newRow("points after a gap are ignored")
            << QList<int>{1, 2, 500} << 0 << 2 << w << 2 << 0 << qint64(2) << 2 << 3;
    QTest::newRow("range at the limit")
            << QList<int>{8250000} << 0 << 1 << w << 8250000 << 0 << qint64(8250000) << 1 << 1;
    QTest::newRow("no points") << QList<int>{} << 0 << 0 << w << 10 << -10 << qint64(20) << 1 << 11;
    QTest::newRow("more points than pixels")
            << QList<int>{4} << 0 << 370 << 400 << 4 << 0 << qint64(4) << 370 << 5;
    QTest::newRow("product beyond 32 bits") << QList<int>{20000000, -1000000} << 0 << 2 << w
                                            << 20000000 << -1000000 << qint64(21000000) << 2 << 1;
    QTest::newRow("extremes beyond 32 bits")
            << QList<int>{INT_MAX, INT_MIN} << 0 << 2 << w << INT_MAX << INT_MIN
            << qint64(4294967295LL) << 2 << 1;
}

void TestGraphPainter::layout()
{
    QFETCH(QList<int>, slot0);
    QFETCH(int, slot2First);
    QFETCH(int, keyed);
    QFETCH(int, width);
    QFETCH(int, maxValue);
    QFETCH(int, minValue);
    QFETCH(qint64, range);
    QFETCH(int, pointCount);
    QFETCH(int, tickCount);

    CGraphPainter &p = *m_painter;
    p.Reset();
    Fill(p, slot0, keyed);
    p.points[0].value[2] = slot2First;
    const int h = FrameClient().height();
    p.Layout(QSize(width, h));

    QCOMPARE(p.layoutValid, 1);
    QCOMPARE(p.maxValue, maxValue);
    QCOMPARE(p.minValue, minValue);
    QCOMPARE(qint64(p.range), range);
    QCOMPARE(p.pointCount, pointCount);
    QCOMPARE(p.tickCount, tickCount);
    QCOMPARE(p.ticks[p.tickCount - 1], 0);

    QCOMPARE(p.plotLeft, 60);
    QCOMPARE(p.plotTop, 25);
    QCOMPARE(p.plotRight, width - 10);
    QCOMPARE(p.plotBottom, h - 10);
    QCOMPARE(p.originX, 70);
    QCOMPARE(p.plotWidth, width - 90);
    QCOMPARE(p.plotHeight, h - 75);
    QCOMPARE(p.slotWidth, (width - 90) / pointCount);

    // In floating point here (exact at these magnitudes), so that the expectation cannot wrap.
    auto scaled = [&](int v) { return qint64(std::trunc(double(v) * (h - 75) / double(range))); };
    const qint64 zeroY = 45 + scaled(maxValue);
    QCOMPARE(qint64(p.zeroY), zeroY);
    QCOMPARE(p.ValueY(maxValue), 45);
    const qint64 minY = zeroY - scaled(minValue);
    QCOMPARE(qint64(p.ValueY(minValue)), minY);
    // The value band ends about 30 pixels above the bottom whatever the values.
    QVERIFY(minY >= h - 31 && minY <= h - 30);
}

void TestGraphPainter::resetClearsEverything()
{
    CGraphPainter &p = *m_painter;
    for (GraphPoint &pt : p.points) {
        pt.keyText = QStringLiteral("x");
        pt.axisLabel = QStringLiteral("y");
        pt.penFlag[1] = CGraphPainter::kPenUp;
        pt.value[2] = 7;
    }
    p.title = QStringLiteral("t");
    p.seriesKind[1] = CGraphPainter::Line;
    p.seriesLegend[2] = QStringLiteral("l");
    p.seriesColor[0] = Qt::black;
    p.Layout(FrameClient());
    QCOMPARE(p.layoutValid, 1);

    p.Reset();
    for (const GraphPoint &pt : p.points) {
        QVERIFY(pt.keyText.isEmpty() && pt.axisLabel.isEmpty());
        for (int s = 0; s < 3; ++s)
            QVERIFY(pt.penFlag[s] == 0 && pt.value[s] == 0);
    }
    QVERIFY(p.title.isEmpty());
    for (int s = 0; s < 3; ++s) {
        QCOMPARE(p.seriesKind[s], 0);
        QVERIFY(p.seriesLegend[s].isEmpty());
    }
    QCOMPARE(p.seriesColor[0], kBlue);
    QCOMPARE(p.seriesColor[1], kRed);
    QCOMPARE(p.seriesColor[2], kMagenta);
    QCOMPARE(p.layoutValid, 0);
    QVERIFY(p.maxValue == 0 && p.minValue == 0 && p.range == 0 && p.tickCount == 0);
    QVERIFY(p.pointCount == 0 && p.slotWidth == 0 && p.zeroY == 0 && p.plotHeight == 0);
}

void TestGraphPainter::layoutKeptUntilReset()
{
    CGraphPainter &p = *m_painter;
    p.Reset();
    Fill(p, {5, -5}, 2);
    Render(p, FrameClient());
    const int zeroY = p.zeroY;
    QCOMPARE(p.layoutValid, 1);

    // A repaint reuses the layout of the points it was computed for, even when values changed
    // beyond its extremes; those are drawn off the frame without wrapping.
    p.seriesKind[0] = CGraphPainter::Bars;
    p.seriesKind[1] = CGraphPainter::Line;
    p.points[0].value[0] = 1000;
    p.points[0].value[1] = INT_MAX;
    p.points[1].value[1] = INT_MIN;
    const QImage img = Render(p, FrameClient());
    QCOMPARE(At(img, 70, zeroY), kRed);
    QCOMPARE(At(img, 70 + p.slotWidth / 2, 46), kBlue);
    QCOMPARE(p.zeroY, zeroY);
    QCOMPARE(p.maxValue, 5);

    p.Reset();
    QCOMPARE(p.layoutValid, 0);
    Fill(p, {1000}, 1);
    Render(p, FrameClient());
    QCOMPARE(p.maxValue, 1000);
    QCOMPARE(p.zeroY, 45 + FrameClient().height() - 75);
}

void TestGraphPainter::renderedChart()
{
    const QSize client = FrameClient();
    const int w = client.width();
    const int h = client.height();
    CGraphPainter &p = *m_painter;
    p.Reset();
    p.title = QStringLiteral("T");
    p.seriesKind[0] = CGraphPainter::Bars;
    p.seriesLegend[0] = QStringLiteral("収支");
    p.seriesKind[1] = CGraphPainter::Line;
    p.seriesLegend[1] = QStringLiteral("年累積");
    Fill(p, {37, -12, 0, 20}, 4);
    for (int i = 0; i < 4; ++i)
        p.points[i].value[1] = 32;
    p.points[2].penFlag[1] = CGraphPainter::kPenUp;
    const QImage img = Render(p, client);

    const int ph = h - 75;
    const int zeroY = 45 + 37 * ph / 49;
    auto y = [&](int v) { return zeroY - v * ph / 49; };
    const int sw = (w - 90) / 4;
    auto cx = [&](int i) { return 70 + (i + 1) * sw - sw / 2; };
    const int bw = sw / 2;

    // Background: the client border is left alone, the frame is white, the plot tinted.
    QCOMPARE(At(img, 0, 0), kUntouched);
    QCOMPARE(At(img, w - 1, h - 1), kUntouched);
    QCOMPARE(At(img, 1, h - 2), kWhite);
    QCOMPARE(At(img, w - 2, 1), kWhite);
    QCOMPARE(At(img, 61, 26), kYellow);
    QCOMPARE(At(img, w - 11, h - 11), kYellow);
    QCOMPARE(At(img, w - 10, h - 11), kWhite);
    QCOMPARE(At(img, w - 11, h - 10), kWhite);

    // Grid and axis stop one pixel short of their end point, inside the plot rectangle.
    QCOMPARE(At(img, 61, zeroY), kGrey);
    QCOMPARE(At(img, w - 11, zeroY), kGrey);
    QCOMPARE(At(img, w - 10, zeroY), kWhite);
    QCOMPARE(At(img, 200, y(5)), kGrey);
    QCOMPARE(At(img, 200, y(5) - 1), kYellow);
    QCOMPARE(At(img, 60, 25), kGrey);
    QCOMPARE(At(img, 60, h - 11), kGrey);
    QCOMPARE(At(img, 60, h - 10), kWhite);
    QCOMPARE(At(img, 59, 100), kWhite);

    // Positive bar: from y(37) = 45 down to just above the zero line, bw pixels wide.
    const int left0 = cx(0) - bw / 2;
    QCOMPARE(y(37), 45);
    QCOMPARE(At(img, cx(0), 45), kBlue);
    QCOMPARE(At(img, cx(0), 44), kYellow);
    QCOMPARE(At(img, cx(0), zeroY - 1), kBlue);
    QCOMPARE(At(img, cx(0), zeroY), kGrey);
    QCOMPARE(At(img, left0, 150), kBlue);
    QCOMPARE(At(img, left0 + bw - 1, 150), kBlue);
    QCOMPARE(At(img, left0 - 1, 150), kYellow);
    QCOMPARE(At(img, left0 + bw, 150), kYellow);

    // Negative bar: from the zero line down to just above y(-12).
    QCOMPARE(At(img, cx(1), zeroY), kBlue);
    QCOMPARE(At(img, cx(1), y(-12) - 1), kBlue);
    QCOMPARE(At(img, cx(1), y(-12)), kYellow);
    QCOMPARE(At(img, cx(1), zeroY - 1), kYellow);

    // A zero value has no bar.
    QCOMPARE(At(img, cx(2), zeroY), kGrey);
    QCOMPARE(At(img, cx(2), zeroY - 1), kYellow);

    // The line starts at the origin on the zero line, and the pen-up point 2 breaks it.
    QCOMPARE(At(img, 70, zeroY), kRed);
    QCOMPARE(At(img, (cx(0) + cx(1)) / 2, y(32)), kRed);
    QCOMPARE(At(img, (cx(1) + cx(2)) / 2, y(32)), kYellow);
    QCOMPARE(At(img, cx(2), y(32)), kRed);
    QCOMPARE(At(img, (cx(2) + cx(3)) / 2, y(32)), kRed);
    QCOMPARE(At(img, cx(3) - 1, y(32)), kRed);
    QCOMPARE(At(img, cx(3), y(32)), kYellow);

    // Legends: the bar swatch at the right end of the plot, the line's 50 pixels left of it.
    const int r = 70 + (w - 90);
    QCOMPARE(At(img, r - 49, 13), kBlue);
    QCOMPARE(At(img, r - 44, 18), kBlue);
    QCOMPARE(At(img, r - 50, 15), kWhite);
    QCOMPARE(At(img, r - 43, 15), kWhite);
    QCOMPARE(At(img, r - 46, 19), kWhite);
    QCOMPARE(At(img, r - 50 - 46, 15), kRed);
    QVERIFY(HasInk(img, QRect(r - 40, 10, 40, 15)));
    QVERIFY(HasInk(img, QRect(r - 90, 10, 40, 15)));

    // Tick labels end left of the axis; the unit label sits above them.
    QVERIFY(HasInk(img, QRect(0, y(35) - 5, 57, 10)));
    QVERIFY(!HasInk(img, QRect(57, 26, 3, h - 37)));
    QVERIFY(HasInk(img, QRect(1, 1, 59, 24)));
}

void TestGraphPainter::lineStart_data()
{
    QTest::addColumn<int>("firstFlag");
    QTest::addColumn<bool>("fromOrigin");

    QTest::newRow("pen down") << 0 << true;
    QTest::newRow("pen up") << int(CGraphPainter::kPenUp) << false;
    QTest::newRow("other flag draws") << 3 << true;
}

void TestGraphPainter::lineStart()
{
    QFETCH(int, firstFlag);
    QFETCH(bool, fromOrigin);

    const QSize client = FrameClient();
    CGraphPainter &p = *m_painter;
    p.Reset();
    p.seriesKind[2] = CGraphPainter::Line;
    Fill(p, {}, 2);
    p.points[0].value[2] = -10;
    p.points[1].value[2] = -10;
    p.points[0].penFlag[2] = firstFlag;
    const QImage img = Render(p, client);

    // Only negative values: the zero line is the top of the value band.
    QCOMPARE(p.zeroY, 45);
    const int ph = client.height() - 75;
    const int y10 = 45 + 10 * ph / 10;
    const int sw = (client.width() - 90) / 2;
    const int cx0 = 70 + sw - sw / 2;
    const int cx1 = 70 + 2 * sw - sw / 2;
    QCOMPARE(At(img, 70, 45) == kMagenta, fromOrigin);
    QCOMPARE(At(img, (70 + cx0) / 2, (45 + y10) / 2) == kMagenta, fromOrigin);
    QCOMPARE(At(img, cx0, y10), kMagenta);
    QCOMPARE(At(img, (cx0 + cx1) / 2, y10), kMagenta);
}

void TestGraphPainter::legends_data()
{
    QTest::addColumn<QList<int>>("kinds");
    QTest::addColumn<QList<int>>("offsets"); // legend offset per slot, -1 for none

    QTest::newRow("bars then lines") << QList<int>{1, 2, 2} << QList<int>{0, 50, 100};
    QTest::newRow("two bar series") << QList<int>{1, 1, 2} << QList<int>{0, 40, 100};
    QTest::newRow("lines only") << QList<int>{0, 2, 2} << QList<int>{-1, 0, 50};
    QTest::newRow("bars in slot 2 before line in slot 0")
            << QList<int>{2, 0, 1} << QList<int>{50, -1, 0};
    QTest::newRow("three bar series") << QList<int>{1, 1, 1} << QList<int>{0, 40, 80};
}

void TestGraphPainter::legends()
{
    QFETCH(QList<int>, kinds);
    QFETCH(QList<int>, offsets);

    const QSize client = FrameClient();
    CGraphPainter &p = *m_painter;
    p.Reset();
    Fill(p, {}, 3);
    for (int s = 0; s < 3; ++s) {
        p.seriesKind[s] = kinds[s];
        p.seriesLegend[s] = QStringLiteral("凡例");
        for (int i = 0; i < 3; ++i)
            p.points[i].value[s] = 5 + s;
    }
    const QImage img = Render(p, client);

    const QColor colors[3] = {kBlue, kRed, kMagenta};
    const int right = 70 + (client.width() - 90);
    for (int s = 0; s < 3; ++s) {
        if (offsets[s] < 0)
            continue;
        const int r = right - offsets[s];
        QCOMPARE(At(img, r - 49, 13), colors[s]);
        QCOMPARE(At(img, r - 44, 18), colors[s]);
        QVERIFY(HasInk(img, QRect(r - 40, 10, 40, 15)));
    }
    // Overlapping bar series: the later slot is drawn over the earlier one at the same x.
    int lastBar = -1;
    for (int s = 0; s < 3; ++s) {
        if (kinds[s] == 1)
            lastBar = s;
    }
    if (lastBar >= 0) {
        const int sw = (client.width() - 90) / 3;
        const int cx = 70 + sw - sw / 2;
        QCOMPARE(At(img, cx, p.zeroY - 1), colors[lastBar]);
    }
}

void TestGraphPainter::labelSide_data()
{
    QTest::addColumn<QList<int>>("slot0");
    QTest::addColumn<int>("labelled");
    QTest::addColumn<bool>("below");

    QTest::newRow("positive, only positive chart") << QList<int>{5} << 0 << true;
    QTest::newRow("zero counts as positive") << QList<int>{0, 8} << 0 << true;
    QTest::newRow("negative, only negative chart") << QList<int>{-5} << 0 << false;
    QTest::newRow("negative in a mixed chart") << QList<int>{7, -5, 3} << 1 << false;
    QTest::newRow("positive in a mixed chart") << QList<int>{-7, 5, -3} << 1 << true;
}

void TestGraphPainter::labelSide()
{
    QFETCH(QList<int>, slot0);
    QFETCH(int, labelled);
    QFETCH(bool, below);

    const QSize client = FrameClient();
    CGraphPainter &p = *m_painter;
    p.Reset();
    p.seriesKind[0] = CGraphPainter::Bars;
    Fill(p, slot0, int(slot0.size()));
    p.points[labelled].axisLabel = QStringLiteral("28");
    const QImage img = Render(p, client);

    const int n = int(slot0.size());
    const int sw = (client.width() - 90) / n;
    const int cx = 70 + (labelled + 1) * sw - sw / 2;
    const QRect under(cx - 25, p.zeroY, 50, 20);
    const QRect over(cx - 25, p.zeroY - 20, 50, 20);
    QCOMPARE(HasInk(img, under), below);
    QCOMPARE(HasInk(img, over), !below);
}

void TestGraphPainter::emptyTitleDrawsDefault()
{
    const QSize client = FrameClient();
    const QRect titleBox(1, 1, client.width() - 2, 24);
    CGraphPainter &p = *m_painter;
    auto titleArea = [&](const QString &title) {
        p.Reset();
        p.title = title;
        return Crop(Render(p, client), titleBox);
    };
    const QImage empty = titleArea(QString());
    QVERIFY(HasInk(empty, QRect(QPoint(0, 0), titleBox.size())));
    QCOMPARE(empty, titleArea(QStringLiteral("グラフ")));
    QVERIFY(empty != titleArea(QStringLiteral("月間収支")));
}

void TestGraphPainter::noPointsDrawsAlongZeroLine()
{
    const QSize client = FrameClient();
    CGraphPainter &p = *m_painter;
    p.Reset();
    p.seriesKind[0] = CGraphPainter::Bars;
    p.seriesKind[1] = CGraphPainter::Line;
    const QImage img = Render(p, client);

    QCOMPARE(p.pointCount, 1);
    const int zeroY = 45 + 10 * (client.height() - 75) / 20;
    QCOMPARE(p.zeroY, zeroY);
    const int pw = client.width() - 90;
    const int cx = 70 + pw - pw / 2;
    QCOMPARE(At(img, 70, zeroY), kRed);
    QCOMPARE(At(img, cx - 1, zeroY), kRed);
    QCOMPARE(At(img, cx + 5, zeroY), kGrey);
    // The bar of the value 0 has no height.
    QCOMPARE(At(img, cx, zeroY - 1), kYellow);
    QCOMPARE(At(img, cx, zeroY + 1), kYellow);
}

void TestGraphPainter::morePointsThanPixels()
{
    const QSize client(400, FrameClient().height());
    CGraphPainter &p = *m_painter;
    p.Reset();
    p.seriesKind[0] = CGraphPainter::Bars;
    QList<int> values(CGraphPainter::kMaxPoints, 5);
    Fill(p, values, CGraphPainter::kMaxPoints);
    const QImage img = Render(p, client);

    QCOMPARE(p.slotWidth, 0);
    const int mid = (45 + p.zeroY) / 2;
    QCOMPARE(At(img, 70, mid), kBlue);
    QCOMPARE(At(img, 69, mid), kYellow);
    QCOMPARE(At(img, 71, mid), kYellow);
}

void TestGraphPainter::painterStateRestored()
{
    const QSize client = FrameClient();
    QImage image(client, QImage::Format_RGB32);
    QPainter painter(&image);
    const QPen pen(Qt::green, 3);
    const QFont font(QStringLiteral("Sans"), 17);
    painter.setPen(pen);
    painter.setFont(font);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::cyan);

    CGraphPainter &p = *m_painter;
    p.Reset();
    p.seriesKind[0] = CGraphPainter::Bars;
    p.seriesKind[1] = CGraphPainter::Line;
    Fill(p, {3, -4}, 2);
    p.points[0].axisLabel = QStringLiteral("1");
    p.Draw(painter, client);

    QCOMPARE(painter.pen(), pen);
    QCOMPARE(painter.font(), font);
    QCOMPARE(painter.backgroundMode(), Qt::OpaqueMode);
    QCOMPARE(painter.background().color(), QColor(Qt::cyan));
}

QTEST_MAIN(TestGraphPainter)
#include "tst_graphpainter.moc"
