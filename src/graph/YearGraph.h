#pragma once

#include "data/YearTotals.h"

#include <vector>

class CGraphPainter;

// Resets the painter and fills it with the year chart: a bar per year of its balance, a line of
// the running balance over all years so far, the years on the axis. The painter holds at most
// CGraphPainter::kMaxPoints points; with more years the chart shows the newest of them and its
// title names the years it shows. Where the years are too close for their labels, only every
// n-th year is labelled, counting back from the newest.
void FillYearGraph(CGraphPainter &painter, const std::vector<YearFigures> &rows, int clientWidth);

// Every how many years a label fits for this many years on a chart of that client width.
int YearLabelStep(int years, int clientWidth);
