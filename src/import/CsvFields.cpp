#include "import/CsvFields.h"

#include <QDate>

namespace csvfields {

namespace {

constexpr char16_t kIdeographicSpace = u'\u3000';

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool IsSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c.unicode() == kIdeographicSpace;
}

// Reads up to maxDigits digits at pos; false when there is none.
bool Number(QStringView s, qsizetype &pos, int maxDigits, int &value, int &count)
{
    value = 0;
    count = 0;
    while (pos < s.size() && IsDigit(s[pos])) {
        if (++count > maxDigits)
            return false;
        value = value * 10 + (s[pos].unicode() - '0');
        ++pos;
    }
    return count > 0;
}

DateCell Checked(int year, int month, int day, DateFormat format)
{
    DateCell cell;
    cell.format = format;
    if (year < kFirstYear || year > kLastYear)
        cell.fault = Fault::OutOfRange;
    else if (!QDate::isValid(year, month, day))
        cell.fault = Fault::NoSuchDay;
    else {
        cell.fault = Fault::None;
        cell.date = year * 10000 + month * 100 + day;
    }
    return cell;
}

} // namespace

QString Normalized(QStringView cell)
{
    QString text = TrimSpaces(cell);
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(char16_t(u - 0xFEE0));
        else if (u == kIdeographicSpace)
            c = QLatin1Char(' ');
        else if (u == 0x2212) // the minus sign
            c = QLatin1Char('-');
    }
    return text;
}

QString TrimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    return text.mid(begin, end - begin).toString();
}

DateCell ReadDate(QStringView cell)
{
    QString s = Normalized(cell);
    if (s.isEmpty())
        return {};
    // A weekday after the date, as the diary's own date texts have it.
    if (s.endsWith(QLatin1Char(')'))) {
        const qsizetype open = s.lastIndexOf(QLatin1Char('('));
        if (open > 0)
            s = TrimSpaces(QStringView(s).left(open));
    }
    DateCell unreadable;
    unreadable.fault = Fault::Unreadable;

    qsizetype pos = 0;
    int year = 0;
    int digits = 0;
    if (!Number(s, pos, 8, year, digits))
        return unreadable;
    if (pos == s.size()) {
        if (digits != 8)
            return unreadable;
        return Checked(year / 10000, year / 100 % 100, year % 100, DateFormat::Compact);
    }
    if (digits > 6)
        return unreadable;
    const QChar first = s[pos++];
    DateFormat format = DateFormat::None;
    QChar second;
    QChar last;
    if (first == QLatin1Char('/'))
        format = DateFormat::Slash, second = first;
    else if (first == QLatin1Char('-'))
        format = DateFormat::Dash, second = first;
    else if (first == QChar(u'年'))
        format = DateFormat::Kanji, second = QChar(u'月'), last = QChar(u'日');
    else
        return unreadable;
    int month = 0;
    int day = 0;
    if (!Number(s, pos, 2, month, digits) || pos >= s.size() || s[pos++] != second)
        return unreadable;
    if (!Number(s, pos, 2, day, digits))
        return unreadable;
    if (!last.isNull() && (pos >= s.size() || s[pos++] != last))
        return unreadable;
    if (pos != s.size())
        return unreadable;
    return Checked(year, month, day, format);
}

QString FormatName(DateFormat format)
{
    switch (format) {
    case DateFormat::Slash:
        return QStringLiteral("yyyy/mm/dd");
    case DateFormat::Dash:
        return QStringLiteral("yyyy-mm-dd");
    case DateFormat::Compact:
        return QStringLiteral("yyyymmdd");
    case DateFormat::Kanji:
        return QStringLiteral("yyyy年m月d日");
    case DateFormat::None:
        break;
    }
    return QString();
}

AmountCell ReadAmount(QStringView cell, bool hundred)
{
    const QString s = Normalized(cell);
    AmountCell result;
    if (s.isEmpty())
        return result;
    result.fault = Fault::Unreadable;

    qsizetype pos = 0;
    bool sign = false;
    bool negative = false;
    bool yenSign = false;
    for (; pos < s.size(); ++pos) {
        const char16_t c = s[pos].unicode();
        if (c == u'-' || c == u'△' || c == u'▲' || c == u'+') {
            if (sign)
                return result;
            sign = true;
            negative = c != u'+';
        } else if (c == u'¥' || c == u'￥' || c == u'\\') {
            if (yenSign)
                return result;
            yenSign = true;
        } else if (!IsSpace(s[pos])) {
            break;
        }
    }

    constexpr int kMaxDigits = 15; // far beyond any amount, and safe to multiply by 100
    int64_t whole = 0;
    int digits = 0;
    int group = 0;
    bool grouped = false;
    for (; pos < s.size(); ++pos) {
        const QChar c = s[pos];
        if (IsDigit(c)) {
            if (++digits > kMaxDigits) {
                result.fault = Fault::OutOfRange;
                return result;
            }
            whole = whole * 10 + (c.unicode() - '0');
            ++group;
        } else if (c == QLatin1Char(',')) {
            // Thousands separators only where they belong: 1,234,567.
            if (group == 0 || (grouped ? group != 3 : group > 3))
                return result;
            grouped = true;
            group = 0;
        } else {
            break;
        }
    }
    if (digits == 0 || (grouped && group != 3))
        return result;

    int64_t fraction = 0; // hundredths of the unit
    bool fractionLeft = false;
    if (pos < s.size() && s[pos] == QLatin1Char('.')) {
        ++pos;
        int place = 0;
        const qsizetype start = pos;
        for (; pos < s.size() && IsDigit(s[pos]); ++pos, ++place) {
            const int d = s[pos].unicode() - '0';
            if (place < 2)
                fraction += d * (place == 0 ? 10 : 1);
            else if (d != 0)
                fractionLeft = true;
        }
        if (pos == start)
            return result;
    }
    while (pos < s.size() && IsSpace(s[pos]))
        ++pos;
    if (hundred && QStringView(s).mid(pos) == u"百円")
        pos = s.size();
    else if (pos < s.size() && s[pos] == QChar(u'円'))
        ++pos;
    if (pos != s.size())
        return result;

    if (hundred) {
        result.yen = whole * 100 + fraction;
        result.cutFraction = fractionLeft;
    } else {
        result.yen = whole;
        result.cutFraction = fraction != 0 || fractionLeft;
    }
    if (negative)
        result.yen = -result.yen;
    result.fault = Fault::None;
    return result;
}

TimeCell ReadTime(QStringView cell)
{
    const QString s = Normalized(cell);
    TimeCell result;
    if (s.isEmpty())
        return result;
    result.fault = Fault::Unreadable;
    qsizetype pos = 0;
    int hours = 0;
    int minutes = 0;
    int digits = 0;
    if (!Number(s, pos, 2, hours, digits) || pos >= s.size() || s[pos++] != QLatin1Char(':'))
        return result;
    if (!Number(s, pos, 2, minutes, digits) || digits != 2 || pos != s.size())
        return result;
    if (hours > 23 || minutes > 59) {
        result.fault = Fault::OutOfRange;
        return result;
    }
    result.minutes = hours * 60 + minutes;
    result.fault = Fault::None;
    return result;
}

qsizetype CharacterCount(QStringView text)
{
    qsizetype count = 0;
    for (const QChar c : text)
        count += c.isLowSurrogate() ? 0 : 1;
    return count;
}

bool HasControl(QStringView text, bool allowLineBreakAndTab)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (allowLineBreakAndTab && (u == u'\n' || u == u'\t'))
            continue;
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            return true;
    }
    return false;
}

} // namespace csvfields
