#include "settings/Settings.h"

#include "settings/Profile.h"

namespace {

using Rule = CSettings::Rule;
constexpr const char *kOption = CSettings::kOptionSection;
constexpr const char *kGraph = CSettings::kGraphSection;
constexpr const char *kDailyInput = CSettings::kDailyInputSection;
constexpr const char *kAnalysis = CSettings::kAnalysisSection;
constexpr const char *kYearTable = CSettings::kYearTableSection;
constexpr const char *kCalendar = CSettings::kCalendarSection;
constexpr const char *kLimits = CSettings::kLimitsSection;
constexpr const char *kSessionTable = CSettings::kSessionTableSection;

// To add a setting: a member in the header and its key here.
const CSettings::Key kKeys[] = {
        {kOption, "FromN", 1, Rule::OnlyOne, &CSettings::fromJanuary},
        {kOption, "DailyInput_Show", 1, Rule::OnlyOne, &CSettings::showDailyInput},
        {kOption, "DailyInput_Type", 0, Rule::NonZero, &CSettings::balanceByDefault},
        {kOption, "DailyInput_Unit", 100, Rule::Number, &CSettings::amountUnit},
        {kGraph, "GraphSpan", 1, Rule::Number, &CSettings::graphSpan},
        {kGraph, "GraphItem_Total", 1, Rule::OnlyOne, &CSettings::graphTotal},
        {kGraph, "GraphItem_Month", 1, Rule::OnlyOne, &CSettings::graphMonth},
        {kGraph, "GraphItem_Year", 1, Rule::OnlyOne, &CSettings::graphYear},
        {kDailyInput, "Pos_X", 0, Rule::X, &CSettings::dailyInputPos},
        {kDailyInput, "Pos_Y", 0, Rule::Y, &CSettings::dailyInputPos},
        {kAnalysis, "Pos_X", 0, Rule::X, &CSettings::analysisPos},
        {kAnalysis, "Pos_Y", 0, Rule::Y, &CSettings::analysisPos},
        {kAnalysis, "Kind", 0, Rule::OnlyOne, &CSettings::weekdayAnalysis},
        {kYearTable, "Pos_X", 0, Rule::X, &CSettings::yearTablePos},
        {kYearTable, "Pos_Y", 0, Rule::Y, &CSettings::yearTablePos},
        {kCalendar, "Pos_X", 0, Rule::X, &CSettings::calendarPos},
        {kCalendar, "Pos_Y", 0, Rule::Y, &CSettings::calendarPos},
        {kCalendar, "View", 0, Rule::OnlyOne, &CSettings::calendarYear},
        {kLimits, "Loss_On", 0, Rule::OnlyOne, &CSettings::lossLimitOn},
        {kLimits, "Loss", 300, Rule::Number, &CSettings::lossLimit},
        {kLimits, "Invest_On", 0, Rule::OnlyOne, &CSettings::investLimitOn},
        {kLimits, "Invest", 1000, Rule::Number, &CSettings::investLimit},
        {kLimits, "Days_On", 0, Rule::OnlyOne, &CSettings::daysLimitOn},
        {kLimits, "Days", 10, Rule::Number, &CSettings::daysLimit},
        {kLimits, "Told_Month", 0, Rule::Number, &CSettings::limitsToldMonth},
        {kLimits, "Loss_Told", 0, Rule::Number, &CSettings::lossTold},
        {kLimits, "Invest_Told", 0, Rule::Number, &CSettings::investTold},
        {kLimits, "Days_Told", 0, Rule::Number, &CSettings::daysTold},
        {kSessionTable, "Pos_X", 0, Rule::X, &CSettings::sessionTablePos},
        {kSessionTable, "Pos_Y", 0, Rule::Y, &CSettings::sessionTablePos},
        {kSessionTable, "Grouping", 0, Rule::Number, &CSettings::sessionTableGrouping},
        {kSessionTable, "Range", 0, Rule::OnlyOne, &CSettings::sessionTableAllYears},
};

} // namespace

std::span<const CSettings::Key> CSettings::Keys()
{
    return kKeys;
}

CSettings::CSettings()
{
    for (const Key &key : kKeys)
        Take(key, key.defaultValue);
}

void CSettings::Take(const Key &key, int stored)
{
    switch (key.rule) {
    case Rule::Number:
        this->*std::get<int CSettings::*>(key.field) = stored;
        break;
    case Rule::OnlyOne:
        this->*std::get<bool CSettings::*>(key.field) = stored == 1;
        break;
    case Rule::NonZero:
        this->*std::get<bool CSettings::*>(key.field) = stored != 0;
        break;
    case Rule::X:
        (this->*std::get<QPoint CSettings::*>(key.field)).setX(stored);
        break;
    case Rule::Y:
        (this->*std::get<QPoint CSettings::*>(key.field)).setY(stored);
        break;
    }
}

int CSettings::ValueOf(const Key &key) const
{
    switch (key.rule) {
    case Rule::Number:
        return this->*std::get<int CSettings::*>(key.field);
    case Rule::OnlyOne:
    case Rule::NonZero:
        return this->*std::get<bool CSettings::*>(key.field) ? 1 : 0;
    case Rule::X:
        return (this->*std::get<QPoint CSettings::*>(key.field)).x();
    case Rule::Y:
        return (this->*std::get<QPoint CSettings::*>(key.field)).y();
    }
    return key.defaultValue;
}

void CSettings::ReadSection(const QString &section)
{
    for (const Key &key : kKeys) {
        if (section == QLatin1String(key.section))
            Take(key, GetProfileInt(section, QLatin1String(key.key), key.defaultValue));
    }
}

void CSettings::WriteSection(const QString &section) const
{
    for (const Key &key : kKeys) {
        if (section == QLatin1String(key.section))
            WriteProfileInt(section, QLatin1String(key.key), ValueOf(key));
    }
}

void CSettings::ReadField(const Field &field)
{
    for (const Key &key : kKeys) {
        if (key.field == field) {
            Take(key,
                 GetProfileInt(QLatin1String(key.section), QLatin1String(key.key),
                               key.defaultValue));
        }
    }
}

void CSettings::WriteField(const Field &field) const
{
    for (const Key &key : kKeys) {
        if (key.field == field)
            WriteProfileInt(QLatin1String(key.section), QLatin1String(key.key), ValueOf(key));
    }
}

QPoint CSettings::*CSettings::PositionOf(const QString &section)
{
    QPoint CSettings::*x = nullptr;
    QPoint CSettings::*y = nullptr;
    for (const Key &key : kKeys) {
        if (section != QLatin1String(key.section))
            continue;
        if (key.rule == Rule::X && qstrcmp(key.key, "Pos_X") == 0)
            x = std::get<QPoint CSettings::*>(key.field);
        if (key.rule == Rule::Y && qstrcmp(key.key, "Pos_Y") == 0)
            y = std::get<QPoint CSettings::*>(key.field);
    }
    return x == y ? x : nullptr;
}
