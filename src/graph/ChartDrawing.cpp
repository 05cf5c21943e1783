#include "graph/ChartDrawing.h"

#include <QPainter>
#include <QPen>
#include <QVarLengthArray>

#include <algorithm>
#include <cstdlib>

namespace chart {

QStringList FontFamilies()
{
    return {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
            QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")};
}

QFont Font(int pointSize)
{
    QFont font;
    font.setFamilies(FontFamilies());
    font.setPointSize(pointSize);
    return font;
}

QRect Span(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

void Fill(QPainter &painter, int left, int top, int right, int bottom, const QColor &colour)
{
    if (right > left && bottom > top)
        painter.fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), colour);
}

void FillBetween(QPainter &painter, int left, int top, int right, int bottom, const QColor &colour)
{
    Fill(painter, std::min(left, right), std::min(top, bottom), std::max(left, right),
         std::max(top, bottom), colour);
}

// (Qt's flat cap would drop the end with the larger coordinate instead, whatever the direction.)
void LineTo(QPainter &painter, QPoint from, QPoint to, const QColor &colour)
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
                         colour);
        return;
    }
    if (dx == 0) {
        const int last = to.y() - sy;
        painter.fillRect(QRect(QPoint(from.x(), std::min(from.y(), last)),
                               QPoint(from.x(), std::max(from.y(), last))),
                         colour);
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
    painter.setPen(QPen(colour, 1, Qt::SolidLine, Qt::FlatCap));
    painter.drawPoints(pixels.constData(), int(pixels.size()));
}

void DrawExplanation(QPainter &painter, QSize client, const QString &text)
{
    constexpr int kBorder = 1;
    constexpr int kMargin = 3;
    const StepScope scope(painter);
    Fill(painter, kBorder, kBorder, client.width() - kBorder, client.height() - kBorder, kWhite);
    painter.setFont(Font(kTitlePoints));
    painter.setPen(kTextColour);
    painter.drawText(Span(kMargin, kMargin, client.width() - kBorder, client.height() - kBorder),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs, text);
}

StepScope::StepScope(QPainter &painter)
    : m_painter(painter)
{
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setBackgroundMode(Qt::TransparentMode);
    m_painter.setBrush(Qt::NoBrush);
}

StepScope::~StepScope()
{
    m_painter.restore();
}

} // namespace chart
