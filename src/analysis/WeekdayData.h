#pragma once

#include <QString>

#include <cstdint>

class CResultBook;

// The loaded period by weekday, Sunday (日) first: sums for the bars and the texts drawn with
// them, computed from the book alone so that they can be checked without a window. Amounts are
// hundreds of yen, summed like the lists' running sums (every day read); days count by their
// entry method.
class CWeekdayData
{
public:
    static constexpr int kWeekdays = 7;

    struct Weekday
    {
        int64_t balance = 0;
        int64_t collected = 0;
        int64_t invested = 0;
        int32_t resultDays = 0;
        int32_t winDays = 0; // days with a result and a positive balance
    };

    void SetData(const CResultBook *book);

    const Weekday &Day(int weekday) const { return m_days[weekday]; }
    // "曜日別収支:" and the period as the recovery-rate plot's title names it.
    const QString &Title() const { return m_title; }

    // The texts drawn above a rising bar or below a falling one, and the weekday's name.
    static QString Name(int weekday); // "日" .. "土"
    QString BalanceText(int weekday) const; // "収支 123"
    QString RateText(int weekday) const; // "回収率 63%"
    QString WinText(int weekday) const; // "勝率 50%"
    QString DaysText(int weekday) const; // "12日"

    // 0 for Sunday, as the date texts name the days.
    static int WeekdayOf(int32_t date);

private:
    Weekday m_days[kWeekdays];
    QString m_title;
};
