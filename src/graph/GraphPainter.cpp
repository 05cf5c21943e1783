#include "graph/GraphPainter.h"

#include <QFont>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

constexpr std::array<int32_t, 23> kSteps
        = {1,    2,    5,    10,    25,    50,    75,    100,    250,    500,    750,   1000,
           2500, 5000, 7500, 10000, 25000, 50000, 75000, 100000, 250000, 500000, 750000};

const QColor kWhite(255, 255, 255);
const QColor kPlotTint(255, 255, 215);
const QColor kGrey(127, 127, 127);
const QColor kTextColor(0, 0, 0);

constexpr int kPlotMarginLeft = 60;
constexpr int kPlotMarginTop = 25;
constexpr int kPlotMarginRight = 10;
constexpr int kPlotMarginBottom = 10;
constexpr int kOriginX = 70;
constexpr int kBandTop = 45;

// Far outside any frame, yet near enough that rectangles cannot overflow and a line to it stays
// cheap; only values changed after the layout (beyond its extremes) get there.
constexpr int64_t kFarPixels = 1 << 15;

QFont ChartFont(int pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPointSize(pointSize);
    return font;
}

// A rectangle given as left, top, right, bottom with right and bottom excluded, the way the
// drawing arithmetic states it.
QRect Span(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

// Fills left..right-1 and top..bottom-1. An upside-down rectangle (a bar rising from the zero
// line) is put right way up first, so it covers the same rows as its mirror image would.
void Fill(QPainter &painter, int left, int top, int right, int bottom, const QColor &color)
{
    const int l = std::min(left, right);
    const int r = std::max(left, right);
    const int t = std::min(top, bottom);
    const int b = std::max(top, bottom);
    if (l == r || t == b)
        return;
    painter.fillRect(QRect(QPoint(l, t), QPoint(r - 1, b - 1)), color);
}

// A line from one point to another that leaves the end point out, so consecutive segments join
// without double-drawn pixels and a line to the plot's right or bottom edge stays inside the tinted
// area. (Qt's flat cap drops the end with the larger coordinate instead, whatever the direction.)
void LineTo(QPainter &painter, QPoint from, QPoint to, const QColor &color)
{
    const int dx = std::abs(to.x() - from.x());
    const int dy = std::abs(to.y() - from.y());
    if (dx == 0 && dy == 0)
        return;
    const int sx = to.x() > from.x() ? 1 : -1;
    const int sy = to.y() > from.y() ? 1 : -1;
    if (dy == 0) {
        const int last = to.x() - sx;
        painter.fillRect(QRect(QPoint(std::min(from.x(), last), from.y()),
                               QPoint(std::max(from.x(), last), from.y())),
                         color);
        return;
    }
    if (dx == 0) {
        const int last = to.y() - sy;
        painter.fillRect(QRect(QPoint(from.x(), std::min(from.y(), last)),
                               QPoint(from.x(), std::max(from.y(), last))),
                         color);
        return;
    }
    // Bresenham along the major axis, one pixel per step, stopping before the end point.
    QVarLengthArray<QPoint, 512> pixels;
    const int steps = std::max(dx, dy);
    pixels.reserve(steps);
    int x = from.x();
    int y = from.y();
    int err = dx - dy;
    for (int i = 0; i < steps; ++i) {
        pixels.append(QPoint(x, y));
        const int e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += sx;
        }
        if (e2 < dx) {
            err += dx;
            y += sy;
        }
    }
    painter.setPen(QPen(color, 1, Qt::SolidLine, Qt::FlatCap));
    painter.drawPoints(pixels.constData(), int(pixels.size()));
}

// Each drawing step leaves the painter as it found it.
class StepScope
{
public:
    explicit StepScope(QPainter &painter)
        : m_painter(painter)
    {
        m_painter.save();
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        m_painter.setBackgroundMode(Qt::TransparentMode);
        m_painter.setBrush(Qt::NoBrush);
    }
    ~StepScope() { m_painter.restore(); }
    StepScope(const StepScope &) = delete;
    StepScope &operator=(const StepScope &) = delete;

private:
    QPainter &m_painter;
};

} // namespace

CGraphPainter::CGraphPainter()
{
    Reset();
}

CGraphPainter::~CGraphPainter() = default;

int CGraphPainter::Reset()
{
    for (GraphPoint &point : points) {
        point.keyText.clear();
        point.axisLabel.clear();
        for (int slot = 0; slot < 3; ++slot) {
            point.penFlag[slot] = 0;
            point.value[slot] = 0;
        }
    }
    for (int slot = 0; slot < 3; ++slot) {
        seriesKind[slot] = Off;
        seriesLegend[slot].clear();
    }
    title.clear();
    maxValue = 0;
    minValue = 0;
    range = 0;
    slotWidth = 0;
    std::fill(std::begin(ticks), std::end(ticks), 0);
    tickCount = 0;
    pointCount = 0;
    originX = 0;
    zeroY = 0;
    plotWidth = 0;
    plotHeight = 0;
    layoutValid = 0;
    seriesColor[0] = QColor(101, 101, 255);
    seriesColor[1] = QColor(255, 0, 0);
    seriesColor[2] = QColor(255, 0, 255);
    return 1;
}

int CGraphPainter::Layout(QSize client)
{
    pointCount = 0;
    while (pointCount < kMaxPoints && !points[pointCount].keyText.isEmpty())
        ++pointCount;

    maxValue = 0;
    minValue = 0;
    for (int i = 0; i < pointCount; ++i) {
        for (int slot = 0; slot < 3; ++slot) {
            const int32_t v = points[i].value[slot];
            maxValue = std::max(maxValue, v);
            minValue = std::min(minValue, v);
        }
    }
    if (maxValue == 0 && minValue == 0) {
        maxValue = 10;
        minValue = -10;
    }
    range = int64_t(maxValue) - int64_t(minValue);

    const int w = client.width();
    const int h = client.height();
    plotLeft = kPlotMarginLeft;
    plotTop = kPlotMarginTop;
    plotRight = w - kPlotMarginRight;
    plotBottom = h - kPlotMarginBottom;
    originX = kOriginX;
    plotWidth = w - 90;
    plotHeight = h - 75;
    zeroY = kBandTop + int32_t(int64_t(maxValue) * plotHeight / range);

    if (pointCount == 0)
        pointCount = 1;
    slotWidth = plotWidth / pointCount;

    ComputeTicks();
    layoutValid = 1;
    return 1;
}

void CGraphPainter::ComputeTicks()
{
    tickCount = 0;
    int32_t step = 0;
    int64_t n = 0;
    for (const int32_t s : kSteps) {
        if (range / s <= 10) {
            step = s;
            n = range / s;
            break;
        }
    }
    if (step != 0) {
        // Together the two directions add at most range / step <= 10 ticks; the bound on the
        // array only guards against extremes that do not match the range.
        int added = 0;
        for (int64_t k = 1; added < n && tickCount < kMaxTicks - 1; ++k) {
            if (maxValue / (k * step) == 0)
                break;
            ticks[tickCount++] = int32_t(k * step);
            ++added;
        }
        if (minValue < 0) {
            added = 0;
            for (int64_t k = 1; added < n && tickCount < kMaxTicks - 1; ++k) {
                if (minValue / (k * step) == 0)
                    break;
                ticks[tickCount++] = int32_t(-k * step);
                ++added;
            }
        }
    }
    ticks[tickCount++] = 0;
}

int32_t CGraphPainter::ValueY(int32_t value) const
{
    if (range <= 0)
        return zeroY;
    const int64_t y = int64_t(zeroY) - int64_t(value) * plotHeight / range;
    return int32_t(std::clamp(y, -kFarPixels, kFarPixels));
}

int32_t CGraphPainter::PointX(int index) const
{
    return originX + (index + 1) * slotWidth - slotWidth / 2;
}

int CGraphPainter::Draw(QPainter &painter, QSize client)
{
    if (layoutValid != 1)
        Layout(client);
    DrawBackground(painter, client);
    DrawGrid(painter, client);
    DrawSeries(painter, client);
    return 1;
}

int CGraphPainter::DrawBackground(QPainter &painter, QSize client)
{
    const StepScope scope(painter);
    const int w = client.width();
    const int h = client.height();
    Fill(painter, 1, 1, w - 1, h - 1, kWhite);
    Fill(painter, plotLeft, plotTop, plotRight, plotBottom, kPlotTint);

    painter.setFont(ChartFont(10));
    painter.setPen(kTextColor);
    const int centred = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine;
    painter.drawText(Span(1, 1, w - 1, 25), centred,
                     title.isEmpty() ? QStringLiteral("グラフ") : title);
    painter.drawText(Span(1, 1, 60, 25), centred, QStringLiteral("(百円)"));
    return 1;
}

int CGraphPainter::DrawGrid(QPainter &painter, QSize client)
{
    const StepScope scope(painter);
    const int w = client.width();
    const int h = client.height();

    for (int i = 0; i < tickCount; ++i) {
        const int y = ValueY(ticks[i]);
        LineTo(painter, QPoint(60, y), QPoint(w - 10, y), kGrey);
    }
    LineTo(painter, QPoint(60, 25), QPoint(60, h - 10), kGrey);

    painter.setFont(ChartFont(9));
    painter.setPen(kTextColor);
    for (int i = 0; i < tickCount; ++i) {
        const int y = ValueY(ticks[i]);
        painter.drawText(Span(0, y - 5, 57, y + 5),
                         Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::number(ticks[i]));
    }
    return 1;
}

int CGraphPainter::DrawSeries(QPainter &painter, QSize client)
{
    Q_UNUSED(client);
    const StepScope scope(painter);
    painter.setFont(ChartFont(9));

    auto drawLegend = [&](int slot, int legendOffset) {
        const int r = originX + plotWidth - legendOffset;
        painter.setPen(kTextColor);
        painter.drawText(Span(r - 40, 10, r, 25), Qt::AlignLeft | Qt::AlignTop, seriesLegend[slot]);
        Fill(painter, r - 49, 13, r - 43, 19, seriesColor[slot]);
    };

    int legendOffset = 0;
    int barSeries = 0;
    for (int slot = 0; slot < 3; ++slot) {
        if (seriesKind[slot] != Bars)
            continue;
        const int bw = std::max(slotWidth / 2, 1);
        for (int i = 0; i < pointCount; ++i) {
            const int left = PointX(i) - bw / 2;
            Fill(painter, left, zeroY, left + bw, ValueY(points[i].value[slot]), seriesColor[slot]);
        }
        drawLegend(slot, legendOffset);
        legendOffset += 40;
        ++barSeries;
    }

    legendOffset = 50 * barSeries;
    for (int slot = 0; slot < 3; ++slot) {
        if (seriesKind[slot] != Line)
            continue;
        QPoint pen(originX, zeroY);
        for (int i = 0; i < pointCount; ++i) {
            const QPoint to(PointX(i), ValueY(points[i].value[slot]));
            if (points[i].penFlag[slot] != kPenUp)
                LineTo(painter, pen, to, seriesColor[slot]);
            pen = to;
        }
        drawLegend(slot, legendOffset);
        legendOffset += 50;
    }

    painter.setPen(kTextColor);
    for (int i = 0; i < pointCount; ++i) {
        const GraphPoint &point = points[i];
        if (point.axisLabel.isEmpty())
            continue;
        const int cx = PointX(i);
        // Away from the balance bar: below the zero line for a rise, above it for a fall.
        const int top = point.value[0] >= 0 ? zeroY : zeroY - 20;
        painter.drawText(Span(cx - 25, top, cx + 25, top + 20),
                         Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, point.axisLabel);
    }
    return 1;
}
