#include "graph/YearGraph.h"

#include "analysis/ChartScale.h"
#include "data/Amount.h"
#include "graph/GraphPainter.h"
#include "session/YearText.h"

#include <algorithm>
#include <limits>

namespace {

// The width of the box a point label is centred in, and the slots the painter leaves out of the
// client's width.
constexpr int kLabelWidth = 50;
constexpr int kSlotsInset = 90;

} // namespace

int YearLabelStep(int years, int clientWidth)
{
    if (years <= 0)
        return 1;
    const int slot = (clientWidth - kSlotsInset) / years;
    for (const int32_t step : chart::kScaleSteps) {
        if (slot * step >= kLabelWidth)
            return step;
    }
    return std::numeric_limits<int>::max(); // the newest year alone
}

void FillYearGraph(CGraphPainter &painter, const std::vector<YearFigures> &rows, int clientWidth)
{
    painter.Reset();
    const size_t shown = std::min(rows.size(), size_t(CGraphPainter::kMaxPoints));
    const std::vector<YearFigures> newest(rows.end() - qsizetype(shown), rows.end());
    const rowtext::YearChart chart = rowtext::BuildYearChart(newest);

    painter.title = chart.title;
    painter.seriesKind[0] = CGraphPainter::Bars;
    painter.seriesLegend[0] = QStringLiteral("収支");
    painter.seriesKind[1] = CGraphPainter::Line;
    painter.seriesLegend[1] = QStringLiteral("通算");

    const int count = int(chart.labels.size());
    const int step = YearLabelStep(count, clientWidth);
    for (int i = 0; i < count; ++i) {
        GraphPoint &point = painter.points[i];
        point.keyText = chart.labels.at(i);
        if ((count - 1 - i) % step == 0)
            point.axisLabel = chart.labels.at(i);
        point.value[0] = SaturatedAmount(chart.balances.at(i));
        point.value[1] = SaturatedAmount(chart.running.at(i));
    }
    // The running balance starts at the first year shown, not at the axis.
    if (count > 0)
        painter.points[0].penFlag[1] = CGraphPainter::kPenUp;
}
