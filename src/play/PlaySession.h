#pragma once

#include <QString>

#include <cstdint>

// One play session (稼働): where and on what was played on a day, when, and with what result.
// Amounts are in units of 100 yen, like the day totals of the data file.
struct PlaySession
{
    static constexpr int kNoTime = -1;
    static constexpr int kMinutesPerDay = 24 * 60;

    qint64 id = 0; // 0 until stored; never reused once given
    int32_t day = 0; // yyyymmdd
    int32_t order = 0; // rises in the order the day's sessions were entered; gaps after deletions
    QString store; // 店舗: trimmed, never empty
    QString machine; // 機種: trimmed, may be empty
    int startMinute = kNoTime; // minutes from midnight, or kNoTime
    int endMinute = kNoTime;
    int32_t invested = 0; // 投資額
    int32_t collected = 0; // 回収額
    QString memo; // line breaks as LF

    int32_t Balance() const { return collected - invested; }

    // Minutes played when both times are given, else kNoTime. An end before the start passes
    // midnight; an end equal to the start is a whole day, the longest a session may last.
    int DurationMinutes() const
    {
        if (startMinute == kNoTime || endMinute == kNoTime)
            return kNoTime;
        const int minutes = (endMinute - startMinute + kMinutesPerDay) % kMinutesPerDay;
        return minutes == 0 ? kMinutesPerDay : minutes;
    }

    bool operator==(const PlaySession &) const = default;
};

// The checks of what the user typed into a session, one per field, so that the editor can tell
// which field is wrong. Each returns an empty string and sets its result when the text is fine;
// otherwise the message to show, and the result is left as it was.
//
// Lengths are counted in characters (Unicode code points): a character outside the basic plane
// counts once, as SQLite's length() counts it.
namespace PlayInput {

constexpr int kMaxNameLength = 100;
constexpr int kMaxMemoLength = 2000;
constexpr int32_t kMaxAmount = 9999;

// 開始 and 終了: "H:MM", "HH:MM", "HMM" or "HHMM" from 0:00 to 23:59; full-width digits and colon
// are read too. Empty (or only spaces) is no time: kNoTime.
QString ParseTime(const QString &label, const QString &text, int *minutes);
// 投資額 and 回収額: digits only, 0 to 9999; empty is 0.
QString ParseAmount(const QString &label, const QString &text, int32_t *amount);
// 店舗: spaces trimmed at both ends; must not be empty, at most 100 characters, no control
// characters.
QString CheckStore(const QString &text, QString *store);
// 機種: as the store, but may be empty.
QString CheckMachine(const QString &text, QString *machine);
// メモ: CR LF, lone CRs and the Unicode line and paragraph separators become LF; at most 2,000
// characters after that; no control characters but line feeds and tabs.
QString CheckMemo(const QString &text, QString *memo);
// The day: a calendar date from 1000/01/01 to 9999/12/31 as yyyymmdd.
QString CheckDay(int32_t day);

// A whole session as it is about to be stored: the texts are put in their stored form (as the
// field checks above do) and the times, amounts and day checked. The first problem found, or an
// empty string; on a problem the session is left as it was.
QString Normalise(PlaySession &session);

// Minutes from midnight as "hh:mm"; empty for kNoTime.
QString TimeText(int minutes);

} // namespace PlayInput
