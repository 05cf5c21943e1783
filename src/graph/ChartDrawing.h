#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>

class QPainter;

// What every chart of the program draws with: the fonts, the fixed colours, and fills and lines
// in the integer pixel rules of the charts (fills leave out their right column and bottom row,
// lines their end point).
namespace chart {

// "ＭＳ Ｐゴシック" and the faces that stand in for it where it is missing.
QStringList FontFamilies();
QFont Font(int pointSize);

inline constexpr int kTitlePoints = 10; // titles and axis captions
inline constexpr int kLabelPoints = 9; // tick labels, legends and point labels

inline const QColor kWhite{255, 255, 255};
inline const QColor kGrey{127, 127, 127}; // grid lines and axes
inline const QColor kTextColour{0, 0, 0};
inline const QColor kPlotTint{255, 255, 215}; // the plot area of the bar charts
// Gains and losses: the balance bars and the running balance line of the transition graph, and
// the rising and falling bars of the weekday analysis.
inline const QColor kUpBlue{101, 101, 255};
inline const QColor kDownRed{255, 0, 0};

// Text alignments as the charts use them.
inline constexpr int kCentredLine = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine;
inline constexpr int kRightLine = Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine;

// A rectangle given as left, top, right, bottom with right and bottom excluded.
QRect Span(int left, int top, int right, int bottom);

// Fills left..right-1 and top..bottom-1; an empty or upside-down rectangle draws nothing.
void Fill(QPainter &painter, int left, int top, int right, int bottom, const QColor &colour);

// Fills the span between two edges whichever way round they are given, as a bar rising or
// falling from a base line: an upside-down rectangle covers the same pixels as its mirror image.
void FillBetween(QPainter &painter, int left, int top, int right, int bottom, const QColor &colour);

// A 1-pixel line from one point to another that leaves the end point out, so consecutive
// segments join without double-drawn pixels and a line to a plot's right or bottom edge stays
// inside it. It changes the painter's pen.
void LineTo(QPainter &painter, QPoint from, QPoint to, const QColor &colour);

// An explanation under a chart: a white ground inside the frame's border and the text wrapped at
// its width from the top left.
void DrawExplanation(QPainter &painter, QSize client, const QString &text);

// Each drawing step leaves the painter as it found it, draws without antialiasing and lays text
// over a transparent background.
class StepScope
{
public:
    explicit StepScope(QPainter &painter);
    ~StepScope();
    StepScope(const StepScope &) = delete;
    StepScope &operator=(const StepScope &) = delete;

private:
    QPainter &m_painter;
};

} // namespace chart
