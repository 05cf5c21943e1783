#include "dialogkit/RowIcons.h"

#include <QPixmap>

QList<QIcon> RowIcons()
{
    // The drawings are 32 px; the 16 px pixmap is the same one reduced, as the lists always showed.
    static const char *const kPaths[] = {":/icons/row_zero.png",     ":/icons/row_up.png",
                                         ":/icons/row_down.png",     ":/icons/row_today_zero.png",
                                         ":/icons/row_today_up.png", ":/icons/row_today_down.png"};
    QList<QIcon> icons;
    for (const char *path : kPaths) {
        const QPixmap large{QString::fromLatin1(path)};
        QIcon icon;
        if (!large.isNull()) {
            icon.addPixmap(large.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            icon.addPixmap(large);
        }
        icons.append(icon);
    }
    return icons;
}
