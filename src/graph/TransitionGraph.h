#pragma once

#include <QString>

class CGraphPainter;
class CResultBook;

// What the main window's graph controls ask for.
struct TransitionRequest
{
    enum Span { OneMonth, ThreeMonths, WholePeriod };
    bool monthly = false; // the main window shows its monthly list
    Span span = OneMonth; // daily graph only; WholePeriod also when no span radio is checked
    int monthIndex = 0; // the month shown in the daily list (index into the book's months)
    bool total = true; // "収支"
    bool month = true; // "月累積", ignored in the monthly graph
    bool year = true; // "年累積"
};

// Resets the painter and fills its points, series slots and title from the book. A one- or
// three-month span whose monthIndex is not a month of the book fills no points.
void FillTransitionGraph(CGraphPainter &painter, const CResultBook &book,
                         const TransitionRequest &request);

// Date key of the graph's first point (the first day of its first month in the monthly graph),
// or 0 when the graph has no point.
int FirstGraphDate(const CResultBook &book, const TransitionRequest &request);

// Label text of a date key (a month passed as its month key x 100) in format "Y/M", "M", "M/D"
// or "D"; any other format gives the empty text.
QString FormatAxisLabel(int dateKey, const QString &format);
