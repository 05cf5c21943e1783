#pragma once

#include <QString>

// One result as a line of the data file (without its line end); amounts in units of 100 yen.
inline QString DataLine(int date, int method, int collected, int invested, int balance)
{
    return QStringLiteral("%1,%2,%3,%4,%5,")
            .arg(date)
            .arg(method)
            .arg(balance * 100)
            .arg(collected * 100)
            .arg(invested * 100);
}
