#pragma once

#include <QFrame>

#include <functional>

// A sunken frame whose client area, inside the border, is drawn by its window: a chart or an
// explanation, in the frame's client coordinates.
class CPaintFrame : public QFrame
{
public:
    using PaintFn = std::function<void(QPainter &, QSize)>;

    CPaintFrame(QWidget *parent, PaintFn paint);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PaintFn m_paint;
};
