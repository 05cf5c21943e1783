#include "settings/Profile.h"

#include <QSettings>

int GetProfileInt(const QString &section, const QString &key, int defaultValue)
{
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                             QStringLiteral("Murel"));
    const QVariant v = settings.value(section + QLatin1Char('/') + key);
    if (!v.isValid())
        return defaultValue;
    bool ok = false;
    const int value = v.toInt(&ok);
    return ok ? value : defaultValue;
}

void WriteProfileInt(const QString &section, const QString &key, int value)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                       QStringLiteral("Murel"));
    settings.setValue(section + QLatin1Char('/') + key, value);
}
