#include "graph/AnalyzerPainter.h"

#include "analysis/AnalyzerData.h"
#include "graph/ChartDrawing.h"

#include <QPainter>

namespace {

using chart::Fill;
using chart::LineTo;
using chart::Span;

const QColor kGainBlue(152, 191, 255); // above the 100 % row
const QColor kLossRed(255, 152, 215); // below it
const QColor kDotColour(0, 0, 0);

// Geometry, in pixels of the frame's client area (W x H). The plot's frame and scales come from
// the prepared data.
constexpr int kBorder = 1; // the client's outermost pixels are left unpainted
constexpr int kTitleBottom = CAnalyzerData::kFrameTop; // the title is centred above the frame
// The investment caption, centred under the frame, with its unit at the right.
constexpr int kCaptionTopInset = 21;
constexpr int kCaptionBottomInset = 6;
// The rate caption, one character per line, left of the rate labels: from this far above the
// frame's middle down to the frame's bottom.
constexpr int kRateCaptionLeft = 9;
constexpr int kRateCaptionRight = 24;
constexpr int kRateCaptionRaise = 20;
constexpr int kTickLabelGap = 3; // rate labels end this far left of the axis
constexpr int kTickLabelHalfHeight = 5;
constexpr int kInvestedLabelHalfWidth = 25; // investment labels, below the base line
constexpr int kTickMarkLength = 5; // investment tick marks rise from the base line
constexpr int kDotRadius = 2; // dots are 4 pixels across
// The rate at which the regions meet; its own row stays white.
constexpr int32_t kEvenRate = 100;

} // namespace

CAnalyzerPainter::CAnalyzerPainter(const CAnalyzerData &data)
    : m_data(data)
{ }

void CAnalyzerPainter::Draw(QPainter &painter, QSize client) const
{
    DrawPlot(painter, client);
    DrawPoints(painter, client);
}

void CAnalyzerPainter::DrawPlot(QPainter &painter, QSize client) const
{
    const CAnalyzerData &d = m_data;
    const CAnalyzerData::Frame &f = d.m_frame;
    const int w = client.width();
    const int h = client.height();
    const chart::StepScope scope(painter);

    Fill(painter, kBorder, kBorder, w - kBorder, h - kBorder, chart::kWhite);
    const int32_t level = d.m_yMax != 0 ? kEvenRate * d.m_plotHeight / d.m_yMax : 0;
    Fill(painter, f.left, f.top, f.right, d.m_originY - level, kGainBlue);
    Fill(painter, f.left, d.m_originY - level + 1, f.right, d.m_originY, kLossRed);

    painter.setFont(chart::Font(chart::kTitlePoints));
    painter.setPen(chart::kTextColour);
    painter.drawText(Span(kBorder, kBorder, w - kBorder, kTitleBottom), chart::kCentredLine,
                     d.m_title);
    const QRect caption = Span(f.left, h - kCaptionTopInset, f.right, h - kCaptionBottomInset);
    painter.drawText(caption, chart::kCentredLine, QStringLiteral("投資額"));
    painter.drawText(caption, chart::kRightLine, QStringLiteral("(百円)"));
    const int frameBottom = h - CAnalyzerData::kFrameMarginBottom;
    painter.drawText(Span(kRateCaptionLeft, (kTitleBottom + frameBottom) / 2 - kRateCaptionRaise,
                          kRateCaptionRight, frameBottom),
                     Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("回\n収\n率"));

    LineTo(painter, QPoint(f.left, f.top), QPoint(f.left, f.bottom), chart::kGrey);
    for (int32_t i = 0; i < d.m_yTickCount; ++i) {
        const int32_t t = d.m_yTicks[i];
        const int32_t y = d.YOf(t);
        LineTo(painter, QPoint(f.left, y), QPoint(f.right, y), chart::kGrey);
        painter.setPen(chart::kTextColour);
        painter.drawText(
                Span(0, y - kTickLabelHalfHeight, f.left - kTickLabelGap, y + kTickLabelHalfHeight),
                chart::kRightLine, QString::number(t) + QLatin1Char('%'));
    }
}

void CAnalyzerPainter::DrawPoints(QPainter &painter, QSize client) const
{
    const CAnalyzerData &d = m_data;
    const CAnalyzerData::Frame &f = d.m_frame;
    const chart::StepScope scope(painter);

    painter.setPen(Qt::NoPen);
    painter.setBrush(kDotColour);
    for (int32_t i = 0; i < d.m_pointCount; ++i) {
        const int32_t x = d.XOf(d.m_points[i].invested);
        const int32_t y = d.YOf(d.m_points[i].rate);
        // A dot that cannot touch the client area is not drawn (it would not show anyway).
        if (x + kDotRadius <= 0 || y + kDotRadius <= 0 || x - kDotRadius >= client.width()
            || y - kDotRadius >= client.height())
            continue;
        painter.drawEllipse(QRectF(x - kDotRadius, y - kDotRadius, 2 * kDotRadius, 2 * kDotRadius));
    }

    painter.setBrush(Qt::NoBrush);
    painter.setFont(chart::Font(chart::kLabelPoints));
    for (int32_t i = 0; i < d.m_xTickCount; ++i) {
        const int32_t t = d.m_xTicks[i];
        const int32_t x = d.XOf(t);
        painter.setPen(chart::kTextColour);
        painter.drawText(Span(x - kInvestedLabelHalfWidth, d.m_originY, x + kInvestedLabelHalfWidth,
                              f.bottom),
                         chart::kCentredLine, QString::number(t));
        LineTo(painter, QPoint(x, d.m_originY), QPoint(x, d.m_originY - kTickMarkLength),
               chart::kGrey);
    }
}

QString CAnalyzerPainter::ExplanationText()
{
    return QStringLiteral("説明:\n")
            + QStringLiteral(
                    "過去実績による「投資額（横軸）」に対応した「回収率（縦軸）」の分布です。")
            + QStringLiteral(
                    "青色の領域にある黒点がプラス実績で赤の領域にある黒点がマイナス実績です。")
            + QStringLiteral("※1000%を超えた場合は、1000%で表示されます。")
            + QStringLiteral("\n活用:\n")
            + QStringLiteral("効果的な投資額は、黒点が回収率100%以上で高い位置に集中している付近と"
                             "考えられます。");
}

void CAnalyzerPainter::DrawExplanation(QPainter &painter, QSize client)
{
    chart::DrawExplanation(painter, client, ExplanationText());
}
