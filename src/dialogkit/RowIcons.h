#pragma once

#include <QIcon>
#include <QList>

// The six row icons of the lists, by row kind: no result, up, down, then the same three framed for
// today. Each icon holds its 16 px and 32 px pixmaps, so rows stay sharp at a scale factor of 2.
QList<QIcon> RowIcons();
