#include "graph/GraphPainter.h"

#include "analysis/ChartScale.h"
#include "graph/ChartDrawing.h"

#include <QPainter>

#include <algorithm>

namespace {

using chart::FillBetween;
using chart::LineTo;
using chart::Span;

// Geometry, in pixels of the frame's client area (W x H).
constexpr int kBorder = 1; // the client's outermost pixels are left unpainted
constexpr int kAxisX = 60; // the value axis: the plot's left edge
constexpr int kPlotTop = 25; // below the title band
constexpr int kPlotMarginRight = 10; // the plot ends this far from the right
constexpr int kPlotMarginBottom = 10; // and from the bottom
constexpr int kOriginX = 70; // point slots are counted from here, 10 pixels right of the axis
constexpr int kSlotsInset = 90; // the slots end 20 pixels left of the plot's right edge
constexpr int kBandTop = 45; // y of the largest value
constexpr int kBandInset = 75; // the value band leaves 45 pixels above and 30 below
constexpr int kTickLabelGap = 3; // tick labels end this far left of the axis
constexpr int kTickLabelHalfHeight = 5;
constexpr int kLegendTop = 10;
constexpr int kLegendWidth = 40; // legend text, ending at the legend's right edge
// The legend's colour swatch, a square starting this far left of the legend's right edge.
constexpr int kSwatchLeft = 49;
constexpr int kSwatchTop = 13;
constexpr int kSwatchSize = 6;
constexpr int kBarLegendStep = 40; // legends run leftwards, bars first
constexpr int kLineLegendStep = 50;
constexpr int kPointLabelHalfWidth = 25;
constexpr int kPointLabelHeight = 20;

// Far outside any frame, yet near enough that rectangles cannot overflow and a line to it stays
// cheap; only values changed after the layout (beyond its extremes) get there.
constexpr int64_t kFarPixels = 1 << 15;

} // namespace

CGraphPainter::CGraphPainter()
{
    Reset();
}

CGraphPainter::~CGraphPainter() = default;

void CGraphPainter::Reset()
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
    seriesColor[0] = chart::kUpBlue;
    seriesColor[1] = chart::kDownRed;
    seriesColor[2] = QColor(255, 0, 255);
}

void CGraphPainter::Layout(QSize client)
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
    plotLeft = kAxisX;
    plotTop = kPlotTop;
    plotRight = w - kPlotMarginRight;
    plotBottom = h - kPlotMarginBottom;
    originX = kOriginX;
    plotWidth = w - kSlotsInset;
    plotHeight = h - kBandInset;
    zeroY = kBandTop + int32_t(int64_t(maxValue) * plotHeight / range);

    if (pointCount == 0)
        pointCount = 1;
    slotWidth = plotWidth / pointCount;

    ComputeTicks();
    layoutValid = 1;
}

void CGraphPainter::ComputeTicks()
{
    tickCount = 0;
    int32_t step = 0;
    int64_t n = 0;
    for (const int32_t s : chart::kScaleSteps) {
        if (range / s <= chart::kMaxStepsPerAxis) {
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

void CGraphPainter::Draw(QPainter &painter, QSize client)
{
    if (layoutValid != 1)
        Layout(client);
    DrawBackground(painter, client);
    DrawGrid(painter, client);
    DrawSeries(painter, client);
}

void CGraphPainter::DrawBackground(QPainter &painter, QSize client)
{
    const chart::StepScope scope(painter);
    const int w = client.width();
    const int h = client.height();
    FillBetween(painter, kBorder, kBorder, w - kBorder, h - kBorder, chart::kWhite);
    FillBetween(painter, plotLeft, plotTop, plotRight, plotBottom, chart::kPlotTint);

    painter.setFont(chart::Font(chart::kTitlePoints));
    painter.setPen(chart::kTextColour);
    painter.drawText(Span(kBorder, kBorder, w - kBorder, kPlotTop), chart::kCentredLine,
                     title.isEmpty() ? QStringLiteral("グラフ") : title);
    // The unit sits in the corner above the tick labels.
    painter.drawText(Span(kBorder, kBorder, kAxisX, kPlotTop), chart::kCentredLine,
                     QStringLiteral("(百円)"));
}

void CGraphPainter::DrawGrid(QPainter &painter, QSize client)
{
    const chart::StepScope scope(painter);
    const int w = client.width();
    const int h = client.height();

    for (int i = 0; i < tickCount; ++i) {
        const int y = ValueY(ticks[i]);
        LineTo(painter, QPoint(kAxisX, y), QPoint(w - kPlotMarginRight, y), chart::kGrey);
    }
    LineTo(painter, QPoint(kAxisX, kPlotTop), QPoint(kAxisX, h - kPlotMarginBottom), chart::kGrey);

    painter.setFont(chart::Font(chart::kLabelPoints));
    painter.setPen(chart::kTextColour);
    for (int i = 0; i < tickCount; ++i) {
        const int y = ValueY(ticks[i]);
        painter.drawText(
                Span(0, y - kTickLabelHalfHeight, kAxisX - kTickLabelGap, y + kTickLabelHalfHeight),
                chart::kRightLine, QString::number(ticks[i]));
    }
}

void CGraphPainter::DrawSeries(QPainter &painter, QSize client)
{
    Q_UNUSED(client);
    const chart::StepScope scope(painter);
    painter.setFont(chart::Font(chart::kLabelPoints));

    auto drawLegend = [&](int slot, int legendOffset) {
        const int r = originX + plotWidth - legendOffset;
        painter.setPen(chart::kTextColour);
        painter.drawText(Span(r - kLegendWidth, kLegendTop, r, kPlotTop),
                         Qt::AlignLeft | Qt::AlignTop, seriesLegend[slot]);
        FillBetween(painter, r - kSwatchLeft, kSwatchTop, r - kSwatchLeft + kSwatchSize,
                    kSwatchTop + kSwatchSize, seriesColor[slot]);
    };

    int legendOffset = 0;
    int barSeries = 0;
    for (int slot = 0; slot < 3; ++slot) {
        if (seriesKind[slot] != Bars)
            continue;
        const int bw = std::max(slotWidth / 2, 1);
        for (int i = 0; i < pointCount; ++i) {
            const int left = PointX(i) - bw / 2;
            FillBetween(painter, left, zeroY, left + bw, ValueY(points[i].value[slot]),
                        seriesColor[slot]);
        }
        drawLegend(slot, legendOffset);
        legendOffset += kBarLegendStep;
        ++barSeries;
    }

    legendOffset = kLineLegendStep * barSeries;
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
        legendOffset += kLineLegendStep;
    }

    painter.setPen(chart::kTextColour);
    for (int i = 0; i < pointCount; ++i) {
        const GraphPoint &point = points[i];
        if (point.axisLabel.isEmpty())
            continue;
        const int cx = PointX(i);
        // Away from the balance bar: below the zero line for a rise, above it for a fall.
        const int top = point.value[0] >= 0 ? zeroY : zeroY - kPointLabelHeight;
        painter.drawText(Span(cx - kPointLabelHalfWidth, top, cx + kPointLabelHalfWidth,
                              top + kPointLabelHeight),
                         chart::kCentredLine, point.axisLabel);
    }
}
