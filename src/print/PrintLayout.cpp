#include "print/PrintLayout.h"

#include "graph/ChartDrawing.h"
#include "graph/GraphPainter.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kTitlePoints = 12;
constexpr int kBodyPoints = 9;
// Heights in lines of their font: rows get air between them, the title and the summary a gap.
constexpr double kRowLines = 1.5;
constexpr double kTitleLines = 2.0;
constexpr double kSummaryLines = 2.5;
constexpr double kFootLines = 2.0;
// The graph goes onto paper as an image of this many pixels per pixel on screen: some 400 dots
// per inch across an A4 page.
constexpr int kGraphScale = 4;

QFont TitleFont()
{
    QFont font = chart::Font(kTitlePoints);
    font.setBold(true);
    return font;
}

QFont BodyFont()
{
    return chart::Font(kBodyPoints);
}

QFont HeadingFont()
{
    QFont font = BodyFont();
    font.setBold(true);
    return font;
}

int Lines(const QFont &font, QPaintDevice &device, double lines)
{
    return int(std::ceil(QFontMetricsF(font, &device).lineSpacing() * lines));
}

// A hairline that stays visible on paper: a quarter of a point.
qreal RuleWidth(const QPaintDevice &device)
{
    return std::max(1.0, device.logicalDpiY() / 288.0);
}

} // namespace

QList<CPrintLayout::Page> CPrintLayout::Paginate(int rowCount, const Metrics &m)
{
    QList<Page> pages;
    Page page;
    page.title = true;
    int y = m.title;
    auto nextPage = [&] {
        pages.append(page);
        page = Page();
        y = 0;
    };

    // The headings always stand above rows of their own; with no rows at all they stand alone.
    int row = 0;
    do {
        if (y > 0 && y + m.heading + (rowCount > 0 ? m.row : 0) > m.body)
            nextPage();
        page.headings = true;
        page.firstRow = row;
        y += m.heading;
        // At least one row per page, so that even a row taller than the page moves on.
        const int fit = m.row > 0 ? std::max(1, (m.body - y) / m.row) : rowCount;
        page.rowCount = std::min(fit, rowCount - row);
        row += page.rowCount;
        y += page.rowCount * m.row;
        if (row < rowCount)
            nextPage();
    } while (row < rowCount);

    if (y > 0 && y + m.summary > m.body)
        nextPage();
    page.summary = true;
    y += m.summary;

    if (m.graph > 0) {
        if (y > 0 && y + m.graph > m.body)
            nextPage();
        page.graph = true;
    }
    pages.append(page);
    return pages;
}

CPrintLayout::CPrintLayout(PrintSheet sheet, CGraphPainter *graph, QSize graphSize)
    : m_sheet(std::move(sheet))
    , m_graph(graph)
    , m_graphSize(graphSize)
{ }

CPrintLayout::Metrics CPrintLayout::MetricsFor(QPaintDevice &device) const
{
    Metrics m;
    const int foot = Lines(BodyFont(), device, kFootLines);
    m.body = std::max(1, device.height() - foot);
    m.title = Lines(TitleFont(), device, kTitleLines);
    m.heading = Lines(HeadingFont(), device, kRowLines);
    m.row = Lines(BodyFont(), device, kRowLines);
    m.summary = Lines(BodyFont(), device, kSummaryLines);
    if (m_graph && !m_graphSize.isEmpty()) {
        // At the page width, or smaller where a page is not high enough for that.
        const double scale = double(device.width()) / m_graphSize.width();
        m.graph = std::min(m.body, int(std::ceil(m_graphSize.height() * scale)));
    }
    return m;
}

QList<CPrintLayout::Line> CPrintLayout::PrintLines(const PrintSheet &sheet)
{
    QList<Line> lines;
    for (int r = 0; r < sheet.rows.size(); ++r) {
        lines.append({r, -1});
        const int details = r < sheet.details.size() ? int(sheet.details.at(r).size()) : 0;
        for (int d = 0; d < details; ++d)
            lines.append({r, d});
    }
    return lines;
}

int CPrintLayout::Render(QPainter &painter, QPagedPaintDevice &device)
{
    const Metrics m = MetricsFor(device);
    // A row and the lines under it are each one line of the list, at the row's height.
    const QList<Line> lines = PrintLines(m_sheet);
    const QList<Page> pages = Paginate(int(lines.size()), m);
    const int width = device.width();
    const qreal rule = RuleWidth(device);

    // The graph is drawn in its own pixels as on screen, only finer, and scaled onto the page.
    // Drawn straight onto the printer its fonts would take the printer's resolution and outgrow it.
    QImage graph;
    if (m.graph > 0) {
        graph = QImage(m_graphSize * kGraphScale, QImage::Format_RGB32);
        graph.setDevicePixelRatio(kGraphScale);
        graph.fill(Qt::white);
        QPainter onImage(&graph);
        m_graph->Draw(onImage, m_graphSize);
    }

    // Column edges across the page width, by the columns' shares.
    int total = 0;
    for (int share : m_sheet.shares)
        total += share;
    QList<int> edges{0};
    for (int c = 0, sum = 0; c < m_sheet.shares.size(); ++c) {
        sum += m_sheet.shares.at(c);
        edges.append(total > 0 ? int(qint64(width) * sum / total) : width);
    }
    const int pad = int(QFontMetricsF(BodyFont(), &device).averageCharWidth());
    auto cells = [&](const QStringList &texts, int top, int height) {
        for (int c = 0; c + 1 < edges.size() && c < texts.size(); ++c) {
            const QRect cell(edges.at(c) + pad, top, edges.at(c + 1) - edges.at(c) - 2 * pad,
                             height);
            const int align = (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter;
            painter.drawText(cell, align | Qt::TextSingleLine, texts.at(c));
        }
    };
    auto hline = [&](int y, const QColor &colour) {
        painter.setPen(QPen(colour, rule));
        painter.drawLine(QPointF(0, y), QPointF(width, y));
        painter.setPen(Qt::black);
    };

    for (int p = 0; p < pages.size(); ++p) {
        const Page &page = pages.at(p);
        if (p > 0)
            device.newPage();
        painter.setPen(Qt::black);
        int y = 0;
        if (page.title) {
            painter.setFont(TitleFont());
            painter.drawText(QRect(0, 0, width, m.title), Qt::AlignLeft | Qt::AlignTop,
                             m_sheet.title);
            painter.setFont(BodyFont());
            painter.drawText(QRect(0, 0, width, m.title), Qt::AlignRight | Qt::AlignTop,
                             m_sheet.note);
            y += m.title;
        }
        if (page.headings) {
            painter.setFont(HeadingFont());
            hline(y, Qt::black);
            cells(m_sheet.headings, y, m.heading);
            y += m.heading;
            hline(y, Qt::black);
        }
        painter.setFont(BodyFont());
        for (int i = page.firstRow; i < page.firstRow + page.rowCount; ++i) {
            const Line &line = lines.at(i);
            if (line.detail < 0) {
                cells(m_sheet.rows.at(line.row), y, m.row);
            } else {
                // Under its day, indented past the date's first characters.
                const QRect text(edges.at(0) + 4 * pad, y, width - 5 * pad, m.row);
                const QString detail
                        = QFontMetrics(BodyFont(), &device)
                                  .elidedText(m_sheet.details.at(line.row).at(line.detail),
                                              Qt::ElideRight, text.width());
                painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                                 detail);
            }
            y += m.row;
            // A day and its sessions stand together between two rules.
            const bool last = i + 1 == lines.size();
            if (last || lines.at(i + 1).detail < 0)
                hline(y, last ? Qt::black : Qt::gray);
        }
        if (page.summary) {
            painter.drawText(QRect(0, y, width, m.summary), Qt::AlignLeft | Qt::AlignVCenter,
                             m_sheet.summary);
            y += m.summary;
        }
        if (page.graph) {
            const double scale = double(m.graph) / m_graphSize.height();
            painter.save();
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRectF(0, y, m_graphSize.width() * scale, m.graph), graph);
            painter.restore();
        }
        painter.setFont(BodyFont());
        painter.drawText(QRect(0, m.body, width, device.height() - m.body), Qt::AlignCenter,
                         QStringLiteral("%1 / %2").arg(p + 1).arg(pages.size()));
    }
    return int(pages.size());
}
