#pragma once

// The benchmarks' data file: one line per calendar day from 1 January of the first year on,
// every fifth day entered as the balance alone.
#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QString>

inline void GenerateDataFile(const QString &path, int firstYear, qint64 lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QDate date(firstYear, 1, 1);
    QByteArray chunk;
    for (qint64 n = 0; n < lines; ++n, date = date.addDays(1)) {
        const int key = date.year() * 10000 + date.month() * 100 + date.day();
        const int invested = int((n * 7919) % 900 + 100) * 100;
        const int collected = int((n * 104729) % 1500) * 100;
        if (n % 5 == 0)
            chunk += QByteArray::number(key) + ",1," + QByteArray::number(collected - invested)
                    + ",0,0,\r\n";
        else
            chunk += QByteArray::number(key) + ",0," + QByteArray::number(collected - invested)
                    + "," + QByteArray::number(collected) + "," + QByteArray::number(invested)
                    + ",\r\n";
        if (chunk.size() > 64 * 1024) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
}
