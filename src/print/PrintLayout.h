#pragma once

#include "print/PrintSheet.h"

#include <QList>
#include <QSize>

class CGraphPainter;
class QPagedPaintDevice;
class QPainter;
class QPaintDevice;

// Lays a sheet and the transition graph out on the pages of any paged device (a printer, its
// preview, a PDF writer): the title line on the first page, the list's rows (each followed by the
// lines under it) with their headings
// repeated on every page they continue on, the summary line after the last row, and the graph at
// the page width where it fits whole, else on a page of its own. Every page has its number at the
// foot.
class CPrintLayout
{
public:
    // Heights, in the device's pixels, that the pagination works with.
    struct Metrics
    {
        int body = 0; // the page's height above its foot
        int title = 0;
        int heading = 0;
        int row = 0;
        int summary = 0;
        int graph = 0; // 0: no graph
    };

    // What one page holds.
    struct Page
    {
        bool title = false;
        bool headings = false;
        int firstRow = 0;
        int rowCount = 0;
        bool summary = false;
        bool graph = false;

        bool operator==(const Page &) const = default;
    };

    static QList<Page> Paginate(int rowCount, const Metrics &metrics);

    // The list's lines in print order: each row, then the lines under it (detail >= 0).
    struct Line
    {
        int row = 0;
        int detail = -1;

        bool operator==(const Line &) const = default;
    };
    static QList<Line> PrintLines(const PrintSheet &sheet);

    // graph may be null. graphSize is the size the graph is drawn at on screen; the printout
    // scales that drawing to the page width.
    CPrintLayout(PrintSheet sheet, CGraphPainter *graph, QSize graphSize);

    Metrics MetricsFor(QPaintDevice &device) const;
    // Draws every page through painter, which is active on device; answers the number of pages.
    int Render(QPainter &painter, QPagedPaintDevice &device);

private:
    PrintSheet m_sheet;
    CGraphPainter *m_graph;
    QSize m_graphSize;
};
