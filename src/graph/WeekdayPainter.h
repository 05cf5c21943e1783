#pragma once

#include <QSize>
#include <QString>

#include <cstdint>

class CWeekdayData;
class QPaintDevice;
class QPainter;

// Draws the weekday analysis onto any painter, in the client coordinates of the plot's frame: a
// bar per weekday, Sunday first, of its total balance, rising and blue for a gain, falling and
// red for a loss, with the weekday's balance, recovery rate, win rate and days beyond the bar's
// end. It only reads the data, which must outlive it.
class CWeekdayPainter
{
public:
    // Where things go for a client size and the height of one text line.
    struct Layout
    {
        int frameLeft = 0; // the tinted plot area; right and bottom are exclusive
        int frameTop = 0;
        int frameRight = 0;
        int frameBottom = 0;
        int bandTop = 0; // y of the largest gain
        int bandHeight = 1; // pixels onto which the range is mapped
        int64_t maxValue = 0; // never below 0
        int64_t minValue = 0; // never above 0
        int64_t range = 1;
        int zeroY = 0;
        int slotWidth = 0;
        int lineHeight = 0;

        int SlotCentre(int weekday) const;
        int BarWidth() const;
        // Multiplication before a truncating division, as every chart of the program maps.
        int ValueY(int64_t value) const;
    };

    explicit CWeekdayPainter(const CWeekdayData &data);

    Layout LayoutFor(QSize client, int lineHeight) const;
    // The height of a line of the texts beside the bars on that device.
    static int LineHeight(const QPaintDevice *device);

    // Ground, title, unit, plot area, zero line, bars, their texts and the weekday names.
    void Draw(QPainter &painter, QSize client) const;

    // The explanation, drawn into a frame of its own under the plot.
    static void DrawExplanation(QPainter &painter, QSize client);
    static QString ExplanationText();

private:
    const CWeekdayData &m_data;
};
