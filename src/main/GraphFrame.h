#pragma once

#include <QFrame>

class CGraphPainter;
class QAction;

// The frame of the transition graph: a one-pixel sunken border around the graph painter's drawing.
class CGraphFrame : public QFrame
{
    Q_OBJECT
public:
    explicit CGraphFrame(QWidget *parent = nullptr);

    void SetPainter(CGraphPainter *graph) { m_graph = graph; }
    // "グラフをコピー(&C)" of the frame's context menu; the window connects it.
    QAction *CopyAction() const { return m_copy; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    CGraphPainter *m_graph = nullptr;
    QAction *m_copy = nullptr;
};
