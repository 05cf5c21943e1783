#include "analysis/WeekdayData.h"

#include "data/ResultBook.h"
#include "data/YearReader.h"
#include "session/YearText.h"

#include <QDate>

void CWeekdayData::SetData(const CResultBook *book)
{
    *this = CWeekdayData();
    m_title = QStringLiteral("曜日別収支:");
    if (!book)
        return;
    int32_t first = 0;
    int32_t last = 0;
    ForEachBookDay(*book, [&](int32_t date, const DayRecord &record) {
        if (first == 0)
            first = date;
        last = date;
        const int w = WeekdayOf(date);
        if (w < 0)
            return;
        Weekday &day = m_days[w];
        day.balance += record.balance;
        day.collected += record.collected;
        day.invested += record.invested;
        if (record.method != -1) {
            ++day.resultDays;
            day.winDays += record.balance > 0;
        }
    });
    // An empty book (a period whose save failed) has no days to name.
    if (first != 0) {
        m_title += CResultBook::DateText(first) + QStringLiteral(" ～ ")
                + CResultBook::DateText(last);
    }
}

QString CWeekdayData::Name(int weekday)
{
    static const QString kNames[kWeekdays] = {
            QStringLiteral("日"), QStringLiteral("月"), QStringLiteral("火"), QStringLiteral("水"),
            QStringLiteral("木"), QStringLiteral("金"), QStringLiteral("土")};
    return weekday >= 0 && weekday < kWeekdays ? kNames[weekday] : QString();
}

QString CWeekdayData::BalanceText(int weekday) const
{
    return QStringLiteral("収支 ") + QString::number(m_days[weekday].balance);
}

QString CWeekdayData::RateText(int weekday) const
{
    const Weekday &d = m_days[weekday];
    return QStringLiteral("回収率 ") + rowtext::RateCell64(d.collected, d.invested);
}

QString CWeekdayData::WinText(int weekday) const
{
    const Weekday &d = m_days[weekday];
    return QStringLiteral("勝率 ") + rowtext::WinRate(d.winDays, d.resultDays);
}

QString CWeekdayData::DaysText(int weekday) const
{
    return QString::number(m_days[weekday].resultDays) + QStringLiteral("日");
}

int CWeekdayData::WeekdayOf(int32_t date)
{
    const QDate d(date / 10000, date / 100 % 100, date % 100);
    return d.isValid() ? d.dayOfWeek() % 7 : -1;
}
