#pragma once

#include <QString>

// The per-user settings store: integers by section and key. On Windows this is
// HKEY_CURRENT_USER\Software\Murel\Murel\<section>; elsewhere ~/.config/Murel/Murel.conf.
// Tests point it elsewhere with QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
// dir).
int GetProfileInt(const QString &section, const QString &key, int defaultValue);
void WriteProfileInt(const QString &section, const QString &key, int value);
