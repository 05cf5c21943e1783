#include "graph/SessionChart.h"

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
constexpr int kTitleBand = 22; // the title and the unit above the plot area
constexpr int kUnitRight = 60; // the unit, in the corner left of the title
constexpr int kGap = 4; // between the names, the plot area and the balances
constexpr int kPad = 3; // inside the plot area, above the first bar and below the last
// A chart without gains or losses still has a scale, so that the zero line lies halfway.
constexpr int64_t kEmptyScale = 10;

} // namespace

void CSessionChart::SetRows(const QString &title, const QStringList &names,
                            const QList<int64_t> &balances)
{
    m_title = title;
    m_rows = int(std::min(names.size(), balances.size()));
    const int kept = std::min(m_rows, kMaxBars);
    m_names = names.mid(0, kept);
    m_balances = balances.mid(0, kept);
}

QString CSessionChart::Note() const
{
    if (m_rows <= kMaxBars)
        return QString();
    return QStringLiteral("全%1件のうち先頭の%2件を表示しています").arg(m_rows).arg(kMaxBars);
}

QString CSessionChart::Description() const
{
    const QString note = Note();
    return note.isEmpty() ? m_title : m_title + QStringLiteral(" (") + note + u')';
}

int CSessionChart::Layout::ValueX(int64_t value) const
{
    return zeroX + int(value * (plotRight - plotLeft) / range);
}

CSessionChart::Layout CSessionChart::LayoutFor(QSize client, int lineHeight, int nameWidth,
                                               int valueWidth) const
{
    Layout l;
    const int w = client.width();
    const int h = client.height();
    l.plotLeft = kBorder + 2 * kGap + std::min(nameWidth, w / 3);
    l.plotRight = std::max(w - kBorder - 2 * kGap - std::min(valueWidth, w / 4), l.plotLeft + 1);
    l.plotTop = kTitleBand;
    l.plotBottom
            = std::max(h - kBorder - (Note().isEmpty() ? kGap : lineHeight + kGap), l.plotTop + 1);

    int64_t maxValue = 0;
    for (const int64_t balance : m_balances) {
        maxValue = std::max(maxValue, balance);
        l.minValue = std::min(l.minValue, balance);
    }
    if (maxValue == 0 && l.minValue == 0) {
        maxValue = kEmptyScale;
        l.minValue = -kEmptyScale;
    }
    l.range = maxValue - l.minValue;
    l.zeroX = l.plotLeft + int(-l.minValue * (l.plotRight - l.plotLeft) / l.range);

    const int bars = std::max(Bars(), 1);
    // A few rows keep bars of a line's height or so, from the top, rather than filling the plot.
    l.slotHeight = std::clamp((l.plotBottom - l.plotTop - 2 * kPad) / bars, 1,
                              std::max(2 * lineHeight, 1));
    l.labelEvery = std::max((lineHeight + l.slotHeight - 1) / l.slotHeight, 1);
    return l;
}

void CSessionChart::Draw(QPainter &painter, QSize client) const
{
    const int w = client.width();
    const int h = client.height();
    const chart::StepScope scope(painter);
    const QFont labelFont = chart::Font(chart::kLabelPoints);
    const QFontMetrics metrics(labelFont, painter.device());

    int nameWidth = 0;
    int valueWidth = 0;
    for (int i = 0; i < Bars(); ++i) {
        nameWidth = std::max(nameWidth, metrics.horizontalAdvance(m_names.at(i)));
        valueWidth = std::max(valueWidth,
                              metrics.horizontalAdvance(QString::number(m_balances.at(i))));
    }
    const Layout l = LayoutFor(client, metrics.height(), nameWidth, valueWidth);

    FillBetween(painter, kBorder, kBorder, w - kBorder, h - kBorder, chart::kWhite);
    FillBetween(painter, l.plotLeft, l.plotTop, l.plotRight, l.plotBottom, chart::kPlotTint);
    painter.setFont(chart::Font(chart::kTitlePoints));
    painter.setPen(chart::kTextColour);
    painter.drawText(Span(kBorder, kBorder, w - kBorder, kTitleBand), chart::kCentredLine, m_title);
    painter.drawText(Span(kBorder, kBorder, kUnitRight, kTitleBand), chart::kCentredLine,
                     QStringLiteral("(百円)"));

    for (int i = 0; i < Bars(); ++i) {
        const int64_t balance = m_balances.at(i);
        const int top = l.plotTop + kPad + i * l.slotHeight;
        const int thickness = std::max(l.slotHeight * 2 / 3, 1);
        const int barTop = top + (l.slotHeight - thickness) / 2;
        if (balance != 0) {
            FillBetween(painter, l.zeroX, barTop, l.ValueX(balance), barTop + thickness,
                        balance > 0 ? chart::kUpBlue : chart::kDownRed);
        }
    }
    LineTo(painter, QPoint(l.zeroX, l.plotTop), QPoint(l.zeroX, l.plotBottom), chart::kGrey);

    painter.setFont(labelFont);
    painter.setPen(chart::kTextColour);
    const int nameRight = l.plotLeft - kGap;
    for (int i = 0; i < Bars(); i += l.labelEvery) {
        const int middle = l.plotTop + kPad + i * l.slotHeight + l.slotHeight / 2;
        const int top = middle - metrics.height() / 2;
        const int bottom = top + metrics.height();
        const QString name = metrics.elidedText(m_names.at(i), Qt::ElideRight,
                                                std::max(nameRight - kBorder - kGap, 0));
        painter.drawText(Span(kBorder + kGap, top, nameRight, bottom), chart::kRightLine, name);
        painter.drawText(Span(l.plotRight + kGap, top, w - kBorder, bottom),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::number(m_balances.at(i)));
    }
    if (Bars() == 0) {
        painter.drawText(Span(l.plotLeft, l.plotTop, l.plotRight, l.plotBottom),
                         chart::kCentredLine, QStringLiteral("稼働記録がありません"));
    }
    const QString note = Note();
    if (!note.isEmpty()) {
        painter.drawText(Span(kBorder + kGap, l.plotBottom, w - kBorder - kGap, h - kBorder),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, note);
    }
}
