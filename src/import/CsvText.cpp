#include "import/CsvText.h"

#include <QIODevice>

#include <cstring>
#include <memory>

namespace {

// The name ICU knows Windows' Shift_JIS by; plain "Shift_JIS" is the same table in ICU, but
// this one says which is meant.
constexpr const char *kShiftJisName = "windows-31j";

constexpr qint64 kChunkBytes = 256 * 1024;
// Control bytes within the first bytes that make a file binary rather than text with a stray one.
constexpr qint64 kSniffBytes = 64 * 1024;
constexpr int kControlsPerMille = 10;

bool IsLead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool IsTrail(unsigned char b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

bool IsAscii(QByteArrayView bytes)
{
    unsigned char any = 0;
    for (const char c : bytes)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

// Characters that stand for bytes a decoder could not read.
qsizetype Replacements(const QString &text, char16_t replacement)
{
    return text.count(QChar(replacement));
}

} // namespace

QString EncodingName(CsvEncoding encoding)
{
    return encoding == CsvEncoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Shift_JIS");
}

bool ScanBytes(QIODevice &in, CsvByteFacts &facts)
{
    facts = CsvByteFacts();
    QStringDecoder utf8(QStringDecoder::Utf8);
    std::unique_ptr<char[]> chunk(new char[kChunkBytes]);
    qint64 offset = 0;
    qint64 controls = 0;
    qsizetype utf8Bad = 0;
    qsizetype shiftJisBad = 0;
    qsizetype substitutes = 0; // 0x1A bytes, which the Shift_JIS decoder also gives for bad ones
    for (;;) {
        const qint64 n = in.read(chunk.get(), kChunkBytes);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        QByteArrayView bytes(chunk.get(), n);
        if (offset == 0) {
            if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
                facts.utf16 = true;
                facts.empty = false;
                return true;
            }
            if (bytes.startsWith("\xEF\xBB\xBF")) {
                facts.bom = true;
                bytes = bytes.sliced(3);
            }
        }
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (b == 0) {
                facts.binary = true;
                facts.empty = false;
                return true;
            }
            if (b > ' ')
                facts.empty = false;
            if (b < ' ' && b != '\t' && b != '\n' && b != '\r' && offset + i < kSniffBytes)
                ++controls;
            substitutes += b == 0x1A;
        }
        utf8Bad += Replacements(utf8(bytes), u'\uFFFD');
        offset += n;
    }
    if (offset > 0 && controls * 1000 > std::min(offset, kSniffBytes) * kControlsPerMille) {
        facts.binary = true;
        return true;
    }
    if (utf8Bad > 0) {
        // Not UTF-8: a second pass tells whether Shift_JIS reads it better.
        if (!in.seek(0))
            return false;
        QStringDecoder shiftJis(kShiftJisName);
        for (;;) {
            const qint64 n = in.read(chunk.get(), kChunkBytes);
            if (n <= 0) {
                if (n < 0)
                    return false;
                break;
            }
            shiftJisBad += Replacements(shiftJis(QByteArrayView(chunk.get(), n)), u'\x1A');
        }
        shiftJisBad -= substitutes;
        const bool shiftJisBetter = shiftJisBad < utf8Bad && !facts.bom;
        facts.encoding = shiftJisBetter ? CsvEncoding::ShiftJis : CsvEncoding::Utf8;
        facts.certain = shiftJisBetter && shiftJisBad == 0;
    }
    return true;
}

CCsvText::CCsvText(CsvEncoding encoding)
    : m_encoding(encoding)
    , m_shiftJis(kShiftJisName)
{ }

bool CCsvText::ShiftJisShaped(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF))
            continue;
        if (!IsLead(b) || i + 1 == n || !IsTrail(static_cast<unsigned char>(bytes[i + 1])))
            return false;
        ++i;
    }
    return true;
}

bool CCsvText::Decode(QByteArrayView bytes, QString &text)
{
    if (IsAscii(bytes)) {
        text = QString::fromLatin1(bytes);
        return true;
    }
    if (m_encoding == CsvEncoding::Utf8) {
        if (!bytes.isValidUtf8())
            return false;
        text = QString::fromUtf8(bytes);
        return true;
    }
    // A lead byte without its trail would wait in the decoder for the next field: the shape is
    // checked first. A well-shaped pair without a character comes out as U+001A.
    if (!ShiftJisShaped(bytes))
        return false;
    m_shiftJis.resetState();
    text = m_shiftJis.decode(bytes);
    return !text.contains(QChar(u'\x1A')) || bytes.contains('\x1A');
}
