#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class CResultBook;

// What a printout of the main window's view shows, top to bottom: a title line, the list with its
// headings, the summary line; the graph follows them.
struct PrintSheet
{
    QString title; // the period, or the month of the daily view
    QString note; // right-aligned on the title line: the unit of the amounts
    QStringList headings;
    QList<int> shares; // each column's share of the width
    QList<QStringList> rows;
    QString summary;
};

// The view's sheet with the list's own columns and texts, from the list's model: the months of the
// loaded period, or the days of month monthIndex.
PrintSheet SheetOfView(const CResultBook &book, bool daily, int monthIndex);
