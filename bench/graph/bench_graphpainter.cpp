// Times one full rebuild of the transition chart: Reset, filling 370 points with bars and two
// lines, Layout and Draw into an image the size of the main window's graph frame.
// Usage: bench_graphpainter [runs] [image.png]

#include "graph/GraphPainter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

// 476 x 184 dialog units at base units 6 x 13, less the 1-pixel sunken border on each side.
const QSize kFrameClient((476 * 6 + 2) / 4 - 2, (184 * 13 + 4) / 8 - 2);

void FillChart(CGraphPainter &painter)
{
    painter.title = QStringLiteral("2003/01/01 ～ 2004/01/05");
    painter.seriesKind[0] = CGraphPainter::Bars;
    painter.seriesLegend[0] = QStringLiteral("収支");
    painter.seriesKind[1] = CGraphPainter::Line;
    painter.seriesLegend[1] = QStringLiteral("年累積");
    painter.seriesKind[2] = CGraphPainter::Line;
    painter.seriesLegend[2] = QStringLiteral("月累積");
    int32_t year = 0;
    int32_t month = 0;
    for (int i = 0; i < CGraphPainter::kMaxPoints; ++i) {
        GraphPoint &point = painter.points[i];
        point.keyText = QString::number(i);
        if (i % 30 == 0) {
            point.axisLabel = QString::number(i / 30 + 1);
            month = 0;
            point.penFlag[2] = CGraphPainter::kPenUp;
        }
        const int32_t balance = ((i * 7919) % 401) - 200;
        year += balance;
        month += balance;
        point.value[0] = balance;
        point.value[1] = year;
        point.value[2] = month;
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 500;

    QImage image(kFrameClient, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::lightGray);
    CGraphPainter painter;

    std::vector<double> times;
    times.reserve(size_t(runs));
    // The first draws load fonts and glyph caches; the main window pays for that once.
    for (int warm = 0; warm < 5; ++warm) {
        QPainter p(&image);
        painter.Reset();
        FillChart(painter);
        painter.Draw(p, kFrameClient);
    }
    for (int run = 0; run < runs; ++run) {
        QPainter p(&image);
        const auto start = std::chrono::steady_clock::now();
        painter.Reset();
        FillChart(painter);
        painter.Layout(kFrameClient);
        painter.Draw(p, kFrameClient);
        p.end();
        const auto stop = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(times.begin(), times.end());
    if (argc > 2)
        image.save(QString::fromLocal8Bit(argv[2]));
    std::printf("frame client %d x %d, %d runs, min %.3f ms, max %.3f ms\n", kFrameClient.width(),
                kFrameClient.height(), runs, times.front(), times.back());
    std::printf("draw 370 points = %.3f ms\n", times[times.size() / 2]);
    return 0;
}
