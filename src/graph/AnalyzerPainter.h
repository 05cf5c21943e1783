#pragma once

#include <QSize>
#include <QString>

class CAnalyzerData;
class QPainter;

// Draws the recovery-rate plot of prepared analyzer data (points, scales and layout) onto any
// painter, in the client coordinates of the plot's frame (its top left is 0, 0). It only reads
// the data, which must outlive it.
class CAnalyzerPainter
{
public:
    explicit CAnalyzerPainter(const CAnalyzerData &data);

    // The plot and then its dots and investment axis.
    void Draw(QPainter &painter, QSize client) const;
    // White ground, blue and red regions, title, captions, rate grid and labels.
    void DrawPlot(QPainter &painter, QSize client) const;
    // The dots, the investment labels and their tick marks.
    void DrawPoints(QPainter &painter, QSize client) const;

    // The explanation, drawn into a frame of its own under the plot.
    static void DrawExplanation(QPainter &painter, QSize client);
    static QString ExplanationText();

private:
    const CAnalyzerData &m_data;
};
