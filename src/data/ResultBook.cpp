#include "data/ResultBook.h"

#include "data/Amount.h"

#include <algorithm>
#include <limits>

namespace {

const QString kWeekdaySuffix[7] = {
        QStringLiteral(" (日)"), QStringLiteral(" (月)"), QStringLiteral(" (火)"),
        QStringLiteral(" (水)"), QStringLiteral(" (木)"), QStringLiteral(" (金)"),
        QStringLiteral(" (土)"),
};

// Day of the week of a Gregorian date, 0 = Sunday. Any month number is folded into 1..12 first,
// so that a malformed key can never index outside a table.
int Weekday(int year, int month, int day)
{
    long long y = year;
    long long m = month - 1;
    y += m >= 0 ? m / 12 : -((11 - m) / 12);
    m = ((m % 12) + 12) % 12 + 1;
    // Days since 1970-01-01 (Howard Hinnant's days_from_civil).
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days = era * 146097 + doe - 719468;
    // 1970-01-01 was a Thursday.
    return static_cast<int>(((days + 4) % 7 + 7) % 7);
}

// Running sums of a long rolling period can exceed 32 bits with amounts read from the file;
// saturate instead of overflowing.
int32_t SaturatingAdd(int32_t a, int32_t b)
{
    return SaturatedAmount(static_cast<long long>(a) + b);
}

} // namespace

CResultBook::CResultBook(const QString &dataFilePath, QObject *parent)
    : QObject(parent)
    , m_path(dataFilePath)
{ }

CResultBook::~CResultBook() = default;

QString CResultBook::LoadFailedText()
{
    return QStringLiteral("ファイルの読み込みに失敗しました。");
}

QString CResultBook::SaveFailedText()
{
    return QStringLiteral("ファイルの保存に失敗しました。");
}

std::span<const DayResult> CResultBook::Days() const
{
    return std::span<const DayResult>(days, size_t(std::clamp<int32_t>(dayCount, 0, kMaxDays)));
}

int CResultBook::IndexOf(int date) const
{
    // The days are in ascending date order.
    const std::span<const DayResult> all = Days();
    const auto it = std::lower_bound(all.begin(), all.end(), date,
                                     [](const DayResult &day, int key) { return day.date < key; });
    return it != all.end() && it->date == date ? int(it - all.begin()) : -1;
}

bool CResultBook::EnterDay(int date, EntryMethod method, int32_t collected, int32_t invested,
                           int32_t balance)
{
    const int index = IndexOf(date);
    // A period not read whole takes no entry it could never save.
    if (index < 0 || m_loadFailed || m_viewOnly)
        return false;
    DayResult &day = days[index];
    day.entryMethod = method;
    day.collected = method == EntryMethod::Amounts ? collected : 0;
    day.invested = method == EntryMethod::Amounts ? invested : 0;
    // A day entered by amounts never carries a balance that contradicts them.
    if (method == EntryMethod::Amounts)
        day.balance = SaturatedAmount(static_cast<long long>(collected) - invested);
    else
        day.balance = method == EntryMethod::None ? 0 : balance;
    if (day.balance == 0 && day.collected == 0 && day.invested == 0)
        day.entryMethod = EntryMethod::None;
    Recalculate(index);
    MarkEntered(index);
    emit dayChanged(index);
    return true;
}

bool CResultBook::LoadPeriod(int endMonth, int yearBasisJanuary, int yearsBack)
{
    // Whoever replaces the period decides what happens to its changes (the session saves them,
    // with the day's backup): they are never dropped here.
    if (modified) {
        lastError = QStringLiteral("保存されていない変更があるため、期間を切り替えられません。");
        m_lastErrorCode = 0;
        return false;
    }
    Clear();
    BuildCalendar(endMonth, yearBasisJanuary, yearsBack);
    const bool loaded = Load();
    // What was read is shown with its sums even when the rest could not be read.
    Recalculate(0);
    return loaded;
}

void CResultBook::BuildCalendar(int endMonth, int yearBasisJanuary, int yearsBack)
{
    const int count = (yearsBack == 0 && yearBasisJanuary == 1) ? endMonth % 100 : kMaxMonths;
    int monthKey = AddMonths(endMonth, 1 - count);
    int n = 0;
    int m = 0;
    for (; m < count && m < kMaxMonths; ++m) {
        months[m].month = monthKey;
        months[m].monthText = DateText(monthKey);
        const int length = DaysInMonth(monthKey);
        for (int d = 1; d <= length && n < kMaxDays; ++d) {
            days[n].date = monthKey * 100 + d;
            days[n].dateText = DateText(days[n].date);
            ++n;
        }
        months[m].lastDay = n - 1;
        monthKey = AddMonths(monthKey, 1);
    }
    monthCount = m;
    dayCount = n;
}

void CResultBook::Recalculate(int fromDay)
{
    for (int i = fromDay < 0 ? 0 : fromDay; i < dayCount; ++i) {
        DayResult &day = days[i];
        if (i > 0 && day.date % 100 != 1) {
            const DayResult &prev = days[i - 1];
            day.monthCollected = SaturatingAdd(day.collected, prev.monthCollected);
            day.monthInvested = SaturatingAdd(day.invested, prev.monthInvested);
            day.monthBalance = SaturatingAdd(day.balance, prev.monthBalance);
        } else {
            day.monthCollected = day.collected;
            day.monthInvested = day.invested;
            day.monthBalance = day.balance;
        }
        day.periodBalance
                = i == 0 ? day.balance : SaturatingAdd(days[i - 1].periodBalance, day.balance);
    }
}

void CResultBook::SetModified()
{
    for (int i = 0; i < dayCount; ++i)
        MarkEntered(i);
}

void CResultBook::MarkEntered(int index)
{
    if (index < 0 || index >= dayCount)
        return;
    m_entered[index] = true;
    modified = true;
}

void CResultBook::ClearEntered()
{
    std::fill(std::begin(m_entered), std::end(m_entered), false);
    modified = false;
}

void CResultBook::Clear()
{
    for (DayResult &day : days)
        day = DayResult();
    for (MonthEntry &month : months)
        month = MonthEntry();
    dayCount = 0;
    monthCount = 0;
    ClearEntered();
    m_loadFailed = false;
    m_linesKnown = false; // the stamp stays: the file as it was last read or written
}

QString CResultBook::DateText(int key)
{
    // Built in place: a period lays out up to 366 of these every time it is loaded.
    const bool isMonth = key >= 100000 && key <= 999999;
    const bool isDate = key >= 10000000 && key <= 99999999;
    if (!isMonth && !isDate)
        return QString();
    const int digits = isMonth ? 6 : 8;
    QString text(isMonth ? 7 : 10 + 4, Qt::Uninitialized);
    QChar *out = text.data();
    int value = key;
    // Digits from the right, skipping the places of the slashes.
    static constexpr int kMonthPlaces[6] = {0, 1, 2, 3, 5, 6};
    static constexpr int kDatePlaces[8] = {0, 1, 2, 3, 5, 6, 8, 9};
    const int *places = isMonth ? kMonthPlaces : kDatePlaces;
    for (int k = digits - 1; k >= 0; --k) {
        out[places[k]] = QChar(u'0' + value % 10);
        value /= 10;
    }
    out[4] = u'/';
    if (isMonth)
        return text;
    out[7] = u'/';
    const QString &suffix = kWeekdaySuffix[Weekday(key / 10000, key / 100 % 100, key % 100)];
    for (int k = 0; k < 4; ++k)
        out[10 + k] = suffix[k];
    return text;
}

int CResultBook::DaysInMonth(int monthKey)
{
    const int month = monthKey % 100;
    const int year = monthKey / 100;
    switch (month) {
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
        return 31;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0) ? 29 : 28;
    default:
        return 0; // not a month: lays out no days rather than overrunning the day table
    }
}

int CResultBook::AddMonths(int monthKey, int n)
{
    if (n == 0)
        return monthKey;
    // Same result as stepping month by month, without a loop of |n| steps.
    const long long month = monthKey % 100;
    const long long yearPart = monthKey - month;
    long long index = month - 1 + n;
    long long years = index >= 0 ? index / 12 : -((11 - index) / 12);
    index -= years * 12;
    const long long key = yearPart + years * 100 + index + 1;
    if (key > std::numeric_limits<int>::max() || key < std::numeric_limits<int>::min())
        return monthKey;
    return static_cast<int>(key);
}
