#pragma once

// Files for the import tests: bytes on disk, data files' lines, Shift_JIS made by Qt's own encoder,
// the session rows in the diary's export format, and an import run from opening to the change list.
#include "import/CsvImport.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QStringList>

#include <map>

inline bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size() && file.flush();
}

// A data file's bytes: these lines, each ended by CR LF.
inline QByteArray DataBytes(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLatin1() + "\r\n";
    return bytes;
}

inline QByteArray ShiftJis(const QString &text)
{
    QStringEncoder encoder("windows-31j");
    QByteArray bytes = encoder.encode(text);
    return encoder.hasError() ? QByteArray("(not encodable)") : bytes;
}

// A field as RFC 4180 quotes it.
inline QString CsvField(const QString &field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"'))
        && !field.contains(QLatin1Char('\n')) && !field.contains(QLatin1Char('\r')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

inline QString TimeText(int minutes)
{
    return minutes < 0 ? QString()
                       : QStringLiteral("%1:%2")
                                 .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                                 .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// One session as the diary's session export writes it: yyyy/mm/dd, hh:mm or empty, yen.
inline QString SessionRow(const ImportSession &s)
{
    const QString date = QStringLiteral("%1/%2/%3")
                                 .arg(s.date / 10000, 4, 10, QLatin1Char('0'))
                                 .arg(s.date / 100 % 100, 2, 10, QLatin1Char('0'))
                                 .arg(s.date % 100, 2, 10, QLatin1Char('0'));
    return QStringList{date,
                       CsvField(s.store),
                       CsvField(s.machine),
                       TimeText(s.start),
                       TimeText(s.end),
                       QString::number(qint64(s.invested) * 100),
                       QString::number(qint64(s.collected) * 100),
                       QString::number((qint64(s.collected) - s.invested) * 100),
                       CsvField(s.memo)}
                   .join(QLatin1Char(','))
            + QStringLiteral("\r\n");
}

// Text of every kind a name or memo may hold: Japanese, CP932's specials, separators, quotes.
inline QString RandomText(QRandomGenerator &rng, int maxLength, bool lineBreaks)
{
    static const QString kPieces[]
            = {QStringLiteral("ABC"), QStringLiteral("パチンコ店"), QStringLiteral("①"),
               QStringLiteral("～"),  QStringLiteral(","),          QStringLiteral("\""),
               QStringLiteral(" "),   QStringLiteral("髙"),         QStringLiteral("𠮷"),
               QStringLiteral("\n"),  QStringLiteral("\t"),         QStringLiteral("x")};
    QString text;
    const int pieces = int(rng.bounded(6));
    for (int i = 0; i < pieces; ++i) {
        const QString &piece = kPieces[rng.bounded(int(std::size(kPieces)))];
        if (!lineBreaks && (piece == u"\n" || piece == u"\t"))
            continue;
        if (text.size() + piece.size() <= maxLength)
            text += piece;
    }
    // Names are never only spaces.
    if (!lineBreaks && !text.isEmpty() && text.trimmed().isEmpty())
        text = QStringLiteral("x");
    return text;
}

// An import from opening to the comparison, the options changed by adjust before reading.
struct ImportRun
{
    bool opened = false;
    bool read = false;
    bool compared = false;
    QString problem;
};

template<class Adjust>
ImportRun RunImport(CCsvImport &import, const QString &dataFile, const CResultBook *book,
                    Adjust adjust, const SessionLookup &lookup = {})
{
    ImportRun run;
    run.opened = import.Open();
    if (run.opened) {
        adjust(import);
        run.read = import.Read();
        if (run.read)
            run.compared = import.Compare(dataFile, book, lookup);
    }
    run.problem = import.Problem();
    return run;
}

inline ImportRun RunImport(CCsvImport &import, const QString &dataFile,
                           const CResultBook *book = nullptr)
{
    return RunImport(import, dataFile, book, [](CCsvImport &) {});
}

// "date,method,collected,invested,balance" for each change.
inline QStringList DayTexts(const std::vector<DayChange> &days)
{
    QStringList texts;
    for (const DayChange &d : days) {
        texts << QStringLiteral("%1,%2,%3,%4,%5")
                         .arg(d.date)
                         .arg(d.record.method)
                         .arg(d.record.collected)
                         .arg(d.record.invested)
                         .arg(d.record.balance);
    }
    return texts;
}
