#include "dialogkit/PaintFrame.h"

#include <QPainter>

CPaintFrame::CPaintFrame(QWidget *parent, PaintFn paint)
    : QFrame(parent)
    , m_paint(std::move(paint))
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
}

void CPaintFrame::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    const QRect client = contentsRect();
    QPainter painter(this);
    painter.translate(client.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), client.size()));
    m_paint(painter, client.size());
}
