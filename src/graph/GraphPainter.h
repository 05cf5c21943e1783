#pragma once

#include <QColor>
#include <QSize>
#include <QString>

#include <cstdint>

class QPainter;

struct GraphPoint
{
    QString keyText; // non-empty marks the point as present
    QString axisLabel; // drawn under (or over) the point; empty = none
    int penFlag[3] = {0, 0, 0}; // kPenUp: a line series moves here without drawing
    int32_t value[3] = {0, 0, 0};
};

// One chart of up to 370 points with three series slots, drawn with integer pixel arithmetic.
class CGraphPainter
{
public:
    static constexpr int kMaxPoints = 370;
    static constexpr int kMaxTicks = 15;
    static constexpr int kPenUp = 21;
    enum SeriesKind { Off = 0, Bars = 1, Line = 2 };

    CGraphPainter();
    virtual ~CGraphPainter();

    void Reset();
    // client is the size of the frame's client area; the painter draws its interior.
    void Layout(QSize client);
    void ComputeTicks();
    void Draw(QPainter &painter, QSize client);
    void DrawBackground(QPainter &painter, QSize client);
    void DrawGrid(QPainter &painter, QSize client);
    void DrawSeries(QPainter &painter, QSize client);

    // y of a value and x of a point's centre under the current layout.
    int32_t ValueY(int32_t value) const;
    int32_t PointX(int index) const;

    GraphPoint points[kMaxPoints];
    QString title;
    int seriesKind[3] = {0, 0, 0};
    QString seriesLegend[3];
    int32_t maxValue = 0;
    int32_t minValue = 0;
    // |max| + |min| can exceed 32 bits for extreme values read from a hand-edited file.
    int64_t range = 0;
    int32_t slotWidth = 0;
    int32_t ticks[kMaxTicks] = {};
    int32_t tickCount = 0;
    QColor seriesColor[3];
    int32_t pointCount = 0;
    int32_t originX = 0;
    int32_t zeroY = 0;
    int32_t plotWidth = 0;
    int32_t plotHeight = 0;
    // The tinted plot area as left, top, right, bottom; fills cover left..right-1, top..bottom-1.
    int32_t plotLeft = 0;
    int32_t plotTop = 0;
    int32_t plotRight = 0;
    int32_t plotBottom = 0;
    int layoutValid = 0;
};
