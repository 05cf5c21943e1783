#pragma once

#include "play/PlaySession.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

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
    // Lines printed under a row, one per play session of its day: details[r] for row r (missing or
    // empty for none).
    QList<QStringList> details;
    QString summary;
};

// The play sessions of a day (yyyymmdd), in entry order.
using SessionsOfDay = std::function<QList<PlaySession>(int date)>;

// The view's sheet with the list's own columns and texts, from the list's model: the months of the
// loaded period, or the days of month monthIndex. In the daily view each day's sessions, when
// sessionsOf is given, are listed under it.
PrintSheet SheetOfView(const CResultBook &book, bool daily, int monthIndex,
                       const SessionsOfDay &sessionsOf = {});

// A session on one line, in the list's units (100 yen): the store, the machine, the times, the
// amounts and the first line of the memo.
QString SessionLine(const PlaySession &session);
