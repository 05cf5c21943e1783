#include "dialogkit/WindowPosition.h"

#include <QWidget>

void RestoreWindowPosition(QWidget &window, QPoint CSettings::*position)
{
    if (!position)
        return;
    CSettings settings;
    settings.Read(position);
    const QPoint topLeft = settings.*position;
    if (topLeft.isNull())
        return;
    window.move(topLeft); // the frame's top left, keeping the size
    window.raise();
}

void SaveWindowPosition(const QWidget &window, QPoint CSettings::*position)
{
    if (!position)
        return;
    CSettings settings;
    settings.*position = window.frameGeometry().topLeft();
    settings.Write(position);
}

void RestoreWindowPosition(QWidget &window, const QString &section)
{
    RestoreWindowPosition(window, CSettings::PositionOf(section));
}

void SaveWindowPosition(const QWidget &window, const QString &section)
{
    SaveWindowPosition(window, CSettings::PositionOf(section));
}
