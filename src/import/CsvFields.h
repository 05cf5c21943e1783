#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

// The cells of an imported CSV file read as dates, amounts and times. Each reader takes the cell
// as decoded text, full-width digits and signs included, and says why it could not read it.
namespace csvfields {

// The date formats a cell may have; a file may mix them.
enum class DateFormat {
    None,
    Slash, // yyyy/mm/dd, also yyyy/m/d
    Dash, // yyyy-mm-dd, also yyyy-m-d
    Compact, // yyyymmdd
    Kanji, // yyyy年m月d日
};

// The dates the diary can show: eight-digit keys.
inline constexpr int kFirstYear = 1000;
inline constexpr int kLastYear = 9999;

enum class Fault {
    None,
    Empty,
    Unreadable, // no date, amount or time in a known form
    NoSuchDay, // a form that parses but no calendar day, such as 20030231
    OutOfRange, // a date before kFirstYear or after kLastYear
};

struct DateCell
{
    int32_t date = 0; // yyyymmdd
    DateFormat format = DateFormat::None;
    Fault fault = Fault::Empty;
};

// Reads yyyy/mm/dd, yyyy-mm-dd, yyyymmdd or yyyy年m月d日, with an optional weekday in
// parentheses after it (as the diary writes "2003/05/12 (月)").
DateCell ReadDate(QStringView cell);

// "yyyy/mm/dd" for the window.
QString FormatName(DateFormat format);

// An amount in yen: thousands separators, a ¥ or 円 sign (a CP932 backslash stands for the
// yen sign), full-width digits, a leading + or a leading minus (-, －, −, △ or ▲), and a decimal
// part are read. Fractions of a yen are cut off.
struct AmountCell
{
    int64_t yen = 0;
    bool cutFraction = false; // a part below one yen was dropped
    Fault fault = Fault::Empty;
};

// hundred: the cell counts in units of 100 yen.
AmountCell ReadAmount(QStringView cell, bool hundred);

// Hundreds of yen rounded toward zero, as the data file reader divides.
inline int64_t Hundreds(int64_t yen)
{
    return yen / 100;
}

// A time h:mm or hh:mm from 0:00 to 23:59 in minutes; -1 with Fault::Empty for an empty cell.
struct TimeCell
{
    int minutes = -1;
    Fault fault = Fault::Empty;
};
TimeCell ReadTime(QStringView cell);

// The cell with full-width ASCII made half-width and surrounding spaces (also U+3000) removed.
QString Normalized(QStringView cell);

// The number of characters as a user counts them: surrogate pairs count once.
qsizetype CharacterCount(QStringView text);

// True when text holds a control character other than those allowed.
bool HasControl(QStringView text, bool allowLineBreakAndTab);

// Trims spaces, also U+3000, from both ends.
QString TrimSpaces(QStringView text);

} // namespace csvfields
