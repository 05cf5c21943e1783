#include "graph/WeekdayPainter.h"

#include "analysis/WeekdayData.h"
#include "graph/ChartDrawing.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

using chart::FillBetween;
using chart::LineTo;
using chart::Span;

// Geometry, in pixels of the frame's client area (W x H).
constexpr int kBorder = 1; // the client's outermost pixels are left unpainted
constexpr int kPlotTop = 25; // below the title band
constexpr int kPlotMargin = 10; // left and right of the plot area
constexpr int kNamesBand = 20; // the weekday names, under the plot area
constexpr int kUnitRight = 60; // the unit, in the corner left of the title
// Four lines of text beyond each bar's end: the bars leave room for them inside the plot area.
constexpr int kTextLines = 4;
constexpr int kTextGap = 2; // between a bar's end and its texts
constexpr int kBandPad = 4; // between the texts of the longest bars and the plot's edges
// A chart without gains or losses still has a scale, so that the zero line lies halfway.
constexpr int64_t kEmptyScale = 10;

} // namespace

int CWeekdayPainter::Layout::SlotCentre(int weekday) const
{
    return frameLeft + weekday * slotWidth + slotWidth / 2;
}

int CWeekdayPainter::Layout::BarWidth() const
{
    return std::max(slotWidth / 2, 1);
}

int CWeekdayPainter::Layout::ValueY(int64_t value) const
{
    return zeroY - int(value * bandHeight / range);
}

CWeekdayPainter::CWeekdayPainter(const CWeekdayData &data)
    : m_data(data)
{ }

int CWeekdayPainter::LineHeight(const QPaintDevice *device)
{
    return QFontMetrics(chart::Font(chart::kLabelPoints), device).height();
}

CWeekdayPainter::Layout CWeekdayPainter::LayoutFor(QSize client, int lineHeight) const
{
    Layout l;
    l.lineHeight = lineHeight;
    l.frameLeft = kPlotMargin;
    l.frameTop = kPlotTop;
    l.frameRight = client.width() - kPlotMargin;
    l.frameBottom = client.height() - kNamesBand;
    l.slotWidth = std::max((l.frameRight - l.frameLeft) / CWeekdayData::kWeekdays, 0);

    for (int w = 0; w < CWeekdayData::kWeekdays; ++w) {
        l.maxValue = std::max(l.maxValue, m_data.Day(w).balance);
        l.minValue = std::min(l.minValue, m_data.Day(w).balance);
    }
    if (l.maxValue == 0 && l.minValue == 0) {
        l.maxValue = kEmptyScale;
        l.minValue = -kEmptyScale;
    }
    l.range = l.maxValue - l.minValue;

    const int textBlock = kTextGap + kTextLines * lineHeight + kBandPad;
    l.bandTop = l.frameTop + textBlock;
    // Only the side that has bars needs room for texts beyond them.
    const int bandBottom = l.frameBottom - (l.minValue < 0 ? textBlock : kBandPad);
    l.bandHeight = std::max(bandBottom - l.bandTop, 1);
    l.zeroY = l.bandTop + int(l.maxValue * l.bandHeight / l.range);
    return l;
}

void CWeekdayPainter::Draw(QPainter &painter, QSize client) const
{
    const int w = client.width();
    const int h = client.height();
    const Layout l = LayoutFor(client, LineHeight(painter.device()));
    const chart::StepScope scope(painter);

    FillBetween(painter, kBorder, kBorder, w - kBorder, h - kBorder, chart::kWhite);
    FillBetween(painter, l.frameLeft, l.frameTop, l.frameRight, l.frameBottom, chart::kPlotTint);
    painter.setFont(chart::Font(chart::kTitlePoints));
    painter.setPen(chart::kTextColour);
    painter.drawText(Span(kBorder, kBorder, w - kBorder, kPlotTop), chart::kCentredLine,
                     m_data.Title());
    painter.drawText(Span(kBorder, kBorder, kUnitRight, kPlotTop), chart::kCentredLine,
                     QStringLiteral("(百円)"));
    LineTo(painter, QPoint(l.frameLeft, l.zeroY), QPoint(l.frameRight, l.zeroY), chart::kGrey);

    const int bw = l.BarWidth();
    for (int d = 0; d < CWeekdayData::kWeekdays; ++d) {
        const int64_t balance = m_data.Day(d).balance;
        const int left = l.SlotCentre(d) - bw / 2;
        FillBetween(painter, left, l.zeroY, left + bw, l.ValueY(balance),
                    balance >= 0 ? chart::kUpBlue : chart::kDownRed);
    }

    painter.setFont(chart::Font(chart::kLabelPoints));
    painter.setPen(chart::kTextColour);
    for (int d = 0; d < CWeekdayData::kWeekdays; ++d) {
        const int64_t balance = m_data.Day(d).balance;
        const int end = l.ValueY(balance);
        // Above a rising bar (or the zero line), below a falling one.
        const int top = balance >= 0 ? end - kTextGap - kTextLines * l.lineHeight : end + kTextGap;
        const int left = l.SlotCentre(d) - l.slotWidth / 2;
        const QString lines[kTextLines] = {m_data.BalanceText(d), m_data.RateText(d),
                                           m_data.WinText(d), m_data.DaysText(d)};
        for (int i = 0; i < kTextLines; ++i) {
            const int y = top + i * l.lineHeight;
            painter.drawText(Span(left, y, left + l.slotWidth, y + l.lineHeight),
                             chart::kCentredLine, lines[i]);
        }
        painter.drawText(Span(left, l.frameBottom, left + l.slotWidth, h - kBorder),
                         chart::kCentredLine, CWeekdayData::Name(d));
    }
}

QString CWeekdayPainter::ExplanationText()
{
    return QStringLiteral("説明:\n")
            + QStringLiteral("過去実績の「収支」を曜日（日～土）ごとに合計した棒グラフです。")
            + QStringLiteral("青色の上向きの棒がプラス収支、赤色の下向きの棒がマイナス収支です。")
            + QStringLiteral("棒の先に、収支・回収率・勝率と実績のある日数を表示します。")
            + QStringLiteral("\n活用:\n")
            + QStringLiteral("収支と勝率がともに高い曜日は、相性の良い曜日と考えられます。");
}

void CWeekdayPainter::DrawExplanation(QPainter &painter, QSize client)
{
    chart::DrawExplanation(painter, client, ExplanationText());
}
