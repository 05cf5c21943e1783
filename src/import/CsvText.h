#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

class QIODevice;

enum class CsvEncoding {
    Utf8, // with or without a byte order mark
    ShiftJis, // Shift_JIS as Windows writes it (CP932): NEC and IBM extensions, ～ as U+FF5E
};

// "UTF-8" or "Shift_JIS" for the window.
QString EncodingName(CsvEncoding encoding);

// What one pass over a file's bytes shows about it.
struct CsvByteFacts
{
    bool empty = true; // no byte besides a byte order mark and white space
    bool binary = false; // a NUL byte, or many control bytes near the start
    bool utf16 = false; // a UTF-16 byte order mark
    bool bom = false; // a UTF-8 byte order mark
    CsvEncoding encoding = CsvEncoding::Utf8;
    bool certain = true; // the bytes are all valid in the encoding chosen
};

// Reads the device to its end: the encoding that decodes every byte, UTF-8 first (so a file of
// ASCII alone is UTF-8), else the one with fewer bytes it cannot decode. False on a read error.
bool ScanBytes(QIODevice &in, CsvByteFacts &facts);

// Decodes the fields of one file. The decoders are made once: opening one per field would cost
// more than the decoding.
class CCsvText
{
public:
    explicit CCsvText(CsvEncoding encoding);

    // The bytes as text; false when they hold a byte sequence the encoding has no character for.
    bool Decode(QByteArrayView bytes, QString &text);

    // Whether the bytes follow Shift_JIS's shape: a lead byte always with a trail byte, no byte
    // that is neither.
    static bool ShiftJisShaped(QByteArrayView bytes);

private:
    CsvEncoding m_encoding;
    QStringDecoder m_shiftJis;
};
