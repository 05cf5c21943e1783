#pragma once

#include "settings/Settings.h"

class QString;
class QWidget;

// A window's stored position: the keys Pos_X and Pos_Y of its section, given by the position
// member of the settings or by the section's name. A stored (0, 0) means none: the window then
// stays where it would open anyway. Restore reads the store each time, Save writes it at once.
void RestoreWindowPosition(QWidget &window, QPoint CSettings::*position);
void SaveWindowPosition(const QWidget &window, QPoint CSettings::*position);
void RestoreWindowPosition(QWidget &window, const QString &section);
void SaveWindowPosition(const QWidget &window, const QString &section);
