#include "stats/Limits.h"

#include "data/BookYears.h"
#include "data/ResultBook.h"
#include "settings/Settings.h"

namespace {

using limits::Kind;

// Where each limit keeps itself in the settings, and how its texts name it.
struct KindInfo
{
    bool CSettings::*on;
    int CSettings::*value;
    int CSettings::*told;
    const char16_t *standing; // the status line's word
    const char16_t *subject; // what reached the limit, in a box
    const char16_t *limitName;
    const char16_t *unit; // behind a count of days; amounts have none
};

const KindInfo kInfo[limits::kKinds] = {
        {&CSettings::lossLimitOn, &CSettings::lossLimit, &CSettings::lossTold, u"今月の負け",
         u"今月の負け", u"月の負けの上限", u""},
        {&CSettings::investLimitOn, &CSettings::investLimit, &CSettings::investTold, u"今月の投資",
         u"今月の投資", u"月の投資の上限", u""},
        {&CSettings::daysLimitOn, &CSettings::daysLimit, &CSettings::daysTold, u"今月の稼働",
         u"今月の稼働日数", u"月の稼働日数の上限", u"日"},
};

QString Text(const char16_t *text)
{
    return QString::fromUtf16(text);
}

int64_t UsedOf(Kind kind, const MonthTotals &month)
{
    switch (kind) {
    case limits::Loss:
        return month.balance < 0 ? -month.balance : 0;
    case limits::Invest:
        return month.invested;
    case limits::Days:
        return month.resultDays;
    }
    return 0;
}

bool Reached(int64_t used, int64_t limit, int threshold)
{
    return used * 100 >= int64_t(threshold) * limit;
}

// The thresholds reached, one bit each in the order of kThresholds.
int ReachedMask(int64_t used, int64_t limit)
{
    int mask = 0;
    for (size_t i = 0; i < limits::kThresholds.size(); ++i) {
        if (Reached(used, limit, limits::kThresholds[i]))
            mask |= 1 << i;
    }
    return mask;
}

QString StandingText(const limits::Standing &s)
{
    const KindInfo &info = kInfo[s.kind];
    return Text(info.standing) + QLatin1Char(' ') + QString::number(s.used) + QLatin1Char('/')
            + QString::number(s.limit) + Text(info.unit) + QStringLiteral(" (")
            + QString::number(s.percent) + QStringLiteral("%)");
}

// A later month than the one told of starts over.
void FollowMonth(CSettings &settings, int month)
{
    if (month <= settings.limitsToldMonth)
        return;
    settings.limitsToldMonth = month;
    for (const KindInfo &info : kInfo)
        settings.*info.told = 0;
}

} // namespace

std::optional<MonthTotals> MonthTotalsOf(const CResultBook &book, int monthKey)
{
    for (int m = 0; m < book.MonthCount(); ++m) {
        const MonthEntry &month = book.Month(m);
        if (month.month != monthKey)
            continue;
        const int first = m == 0 ? 0 : book.Month(m - 1).lastDay + 1;
        const DayResult &last = book.Day(month.lastDay);
        MonthTotals totals{monthKey, last.monthBalance, last.monthInvested, 0};
        for (int i = first; i <= month.lastDay; ++i)
            totals.resultDays += book.Day(i).entryMethod != EntryMethod::None;
        return totals;
    }
    return std::nullopt;
}

namespace {

// Sums one month of the years handed out.
class CMonthSink : public CYearSink
{
public:
    explicit CMonthSink(MonthTotals &totals)
        : m_totals(totals)
    { }
    void Begin() override { m_totals = MonthTotals{m_totals.month, 0, 0, 0}; }
    void TakeYear(int year, std::span<const DayRecord> days) override
    {
        if (year != m_totals.month / 100)
            return;
        const int first = CYearReader::DayOfYear(m_totals.month * 100 + 1);
        const int length = CResultBook::DaysInMonth(m_totals.month);
        for (int i = first; i >= 0 && i < first + length; ++i) {
            m_totals.balance += days[size_t(i)].balance;
            m_totals.invested += days[size_t(i)].invested;
            m_totals.resultDays += days[size_t(i)].method != -1;
        }
    }

private:
    MonthTotals &m_totals;
};

} // namespace

bool ReadMonthTotals(const CResultBook &book, int monthKey, MonthTotals &totals)
{
    totals = MonthTotals{monthKey, 0, 0, 0};
    CMonthSink sink(totals);
    CBookYears years(sink, book);
    CYearReader reader(book.dataFilePath());
    const bool ok = reader.Read(years);
    if (ok)
        years.Finish();
    return ok;
}

namespace limits {

QList<Standing> Standings(const CSettings &settings, const MonthTotals &month)
{
    QList<Standing> list;
    for (int k = 0; k < kKinds; ++k) {
        const KindInfo &info = kInfo[k];
        const int64_t limit = settings.*info.value;
        if (!(settings.*info.on) || limit <= 0)
            continue;
        const int64_t used = UsedOf(Kind(k), month);
        list.append(Standing{Kind(k), used, limit, used * 100 / limit});
    }
    return list;
}

QString StatusText(const CSettings &settings, const MonthTotals &month)
{
    QStringList parts;
    for (const Standing &s : Standings(settings, month))
        parts << StandingText(s);
    return parts.join(QStringLiteral("、"));
}

QString BoxText(const Standing &s, int threshold)
{
    const KindInfo &info = kInfo[s.kind];
    QString text = Text(info.subject) + QStringLiteral("が") + Text(info.limitName);
    text += threshold >= 100
            ? QStringLiteral("に達しました。")
            : QStringLiteral("の") + QString::number(threshold) + QStringLiteral("%に達しました。");
    text += QLatin1Char('\n') + StandingText(s) + QLatin1Char('\n');
    const QString unit = Text(info.unit);
    if (s.used < s.limit)
        text += QStringLiteral("上限まで、あと ") + QString::number(s.limit - s.used) + unit
                + QStringLiteral(" です。");
    else if (s.used == s.limit)
        text += QStringLiteral("上限と同じです。");
    else
        text += QStringLiteral("上限を ") + QString::number(s.used - s.limit) + unit
                + QStringLiteral(" 超えています。");
    if (s.kind != Days)
        text += QStringLiteral("\n単位:百円");
    return text;
}

Report Cross(CSettings &settings, const MonthTotals &month)
{
    Report report;
    report.status = StatusText(settings, month);
    if (month.month < settings.limitsToldMonth)
        return report; // a month gone by: what it reached was its own business then
    FollowMonth(settings, month.month);
    for (const Standing &s : Standings(settings, month)) {
        int &told = settings.*kInfo[s.kind].told;
        for (size_t i = 0; i < kThresholds.size(); ++i) {
            const int bit = 1 << i;
            if ((told & bit) || !Reached(s.used, s.limit, kThresholds[i]))
                continue;
            told |= bit;
            report.boxes << BoxText(s, kThresholds[i]);
        }
    }
    return report;
}

void Acknowledge(CSettings &settings, const CSettings &before, const MonthTotals &month)
{
    FollowMonth(settings, month.month);
    for (int k = 0; k < kKinds; ++k) {
        const KindInfo &info = kInfo[k];
        const bool on = settings.*info.on;
        const bool changed
                = on != before.*info.on || (on && settings.*info.value != before.*info.value);
        if (!on) {
            settings.*info.told = 0;
        } else if (changed) {
            const int64_t limit = settings.*info.value;
            settings.*info.told = month.month == settings.limitsToldMonth && limit > 0
                    ? ReachedMask(UsedOf(Kind(k), month), limit)
                    : 0;
        }
    }
}

Report AfterConfirmedDay(const MonthTotals &month)
{
    CSettings settings;
    settings.ReadSection(QLatin1String(CSettings::kLimitsSection));
    const CSettings before = settings;
    Report report = Cross(settings, month);
    if (settings.limitsToldMonth != before.limitsToldMonth)
        settings.Write(&CSettings::limitsToldMonth);
    for (const KindInfo &info : kInfo) {
        if (settings.*info.told != before.*info.told)
            settings.Write(info.told);
    }
    return report;
}

QString CurrentStatus(const MonthTotals &month)
{
    CSettings settings;
    settings.ReadSection(QLatin1String(CSettings::kLimitsSection));
    return StatusText(settings, month);
}

} // namespace limits
