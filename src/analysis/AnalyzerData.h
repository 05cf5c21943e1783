#pragma once

#include <QString>

#include <cstdint>

class CResultBook;

// Points, scales and layout of the recovery-rate plot, computed from the book alone so that
// they can be checked without a window. Rates are percent, investments hundreds of yen.
class CAnalyzerData
{
public:
    static constexpr int kMaxPoints = 370; // as many as the book has day slots
    static constexpr int kMaxXTicks = 15;
    static constexpr int kMaxYTicks = 20;

    // Layout, in pixels of the plot's client area (W x H).
    static constexpr int kFrameLeft = 60; // the vertical axis; rate labels lie left of it
    static constexpr int kFrameTop = 25; // below the title band
    static constexpr int kFrameMarginRight = 10;
    static constexpr int kFrameMarginBottom = 20; // room for the axis caption below the frame
    static constexpr int kOriginX = 80; // investment 0, 20 pixels right of the axis
    static constexpr int kBaseLineInset = 40; // the base line (0 %); investment labels below it
    static constexpr int kPlotWidthInset = 110; // the investment scale ends 30 from the right
    static constexpr int kPlotHeightInset = 85; // the rate scale's top lies 45 from the top

    // Left, top, right, bottom as the plot's fills use them: right and bottom are exclusive.
    struct Frame
    {
        int32_t left = 0;
        int32_t top = 0;
        int32_t right = 0;
        int32_t bottom = 0;
    };

    struct Point
    {
        int32_t invested = 0;
        int32_t rate = 0;
    };

    CAnalyzerData();

    void ResetData();
    void SetData(const CResultBook *book);
    // The first paint's work: points, both scales and the layout for a plot of client size w x h.
    void Prepare(int w, int h);
    void BuildPoints();
    void ScaleInvested();
    void ScaleRate();

    // Integer pixel mapping, multiplication before a truncating division.
    int32_t XOf(int32_t invested) const;
    int32_t YOf(int32_t rate) const;

    // A day's rate in whole percent: the quotient first, in double, capped at 1000 and truncated.
    // False when nothing was invested, so that the day gives no point.
    static bool RateOf(int32_t collected, int32_t invested, int32_t *rate);

    const CResultBook *m_book = nullptr;
    int32_t m_prepared = 0;
    QString m_title;
    int32_t m_originX = 0;
    int32_t m_originY = 0;
    int32_t m_plotWidth = 0;
    int32_t m_plotHeight = 0;
    Frame m_frame;
    int32_t m_xMax = 0;
    int32_t m_yMax = 0;
    int32_t m_dayCount = 0;
    Point m_points[kMaxPoints];
    int32_t m_pointCount = 0;
    int32_t m_xTicks[kMaxXTicks] = {};
    int32_t m_xTickCount = 0;
    int32_t m_yTicks[kMaxYTicks] = {};
    int32_t m_yTickCount = 0;

private:
    // Days that may be read: the recorded count, kept inside the book's arrays.
    int32_t readableDays() const;
};
