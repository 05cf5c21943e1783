#include "main/GraphFrame.h"

#include "graph/GraphPainter.h"

#include <QAction>
#include <QPainter>

CGraphFrame::CGraphFrame(QWidget *parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFocusPolicy(Qt::NoFocus);
    m_copy = new QAction(QStringLiteral("グラフをコピー(&C)"), this);
    addAction(m_copy);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void CGraphFrame::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (!m_graph)
        return;
    const QRect client = contentsRect();
    QPainter painter(this);
    painter.setClipRect(client);
    painter.translate(client.topLeft());
    m_graph->Draw(painter, client.size());
}
