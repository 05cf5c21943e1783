#pragma once

#include <QPoint>
#include <QString>

#include <span>
#include <variant>

// Every stored setting of the program, typed, with its default. Each window reads and writes its
// own settings at its own moments (ReadSection, WriteSection, Read, Write); nothing is written
// unless asked.
//
// On read, a value that would be shown one way and applied another is brought to what the program
// applies: the year starts in January and the daily input window opens at start only for a stored
// 1. Values without such a rule (the graph span, the amount unit) are kept exactly as read, so
// that they are written back unchanged.
class CSettings
{
public:
    static constexpr const char *kOptionSection = "Option";
    static constexpr const char *kGraphSection = "Murel";
    static constexpr const char *kDailyInputSection = "DailyInput";
    static constexpr const char *kAnalysisSection = "Analysis";
    static constexpr const char *kYearTableSection = "YearTable";
    static constexpr const char *kCalendarSection = "Calendar";
    static constexpr const char *kLimitsSection = "Limits";
    static constexpr const char *kSessionTableSection = "SessionTable";

    // Section "Option": read when the main window starts, written by the options dialog's OK.
    bool fromJanuary; // FromN: the year starts in January, else it ends with this month
    bool showDailyInput; // DailyInput_Show: open the daily input window at start
    bool balanceByDefault; // DailyInput_Type: a day without a result is entered by its balance
    int amountUnit; // DailyInput_Unit: in yen; nothing uses it, it is only kept

    // Section "Murel": the graph, read when the main window starts, written when it closes.
    int graphSpan; // GraphSpan: 1, 3 or 12 months; any other value checks no span and is kept
    bool graphTotal; // GraphItem_Total: "収支"
    bool graphMonth; // GraphItem_Month: "月累積"
    bool graphYear; // GraphItem_Year: "年累積"

    // Window positions, keys Pos_X and Pos_Y of the window's section; (0, 0) means none.
    QPoint dailyInputPos;
    QPoint analysisPos;
    QPoint yearTablePos;
    QPoint calendarPos;
    QPoint sessionTablePos;

    // Section "Calendar": read when the calendar opens, written when it closes.
    bool calendarYear; // View: 1 the year at a glance, anything else the month

    // Section "Limits": the player's own monthly limits, each off until switched on, and which of
    // their thresholds the month has been told of already. Amounts in units of 100 yen.
    bool lossLimitOn; // Loss_On
    int lossLimit; // Loss: the month's balance below 0
    bool investLimitOn; // Invest_On
    int investLimit; // Invest: the month's invested total
    bool daysLimitOn; // Days_On
    int daysLimit; // Days: days with a result in the month
    int limitsToldMonth; // Told_Month: yyyymm the told thresholds below belong to; 0 for none
    int lossTold; // Loss_Told: thresholds told, one bit each for 50, 75, 90 and 100 %
    int investTold; // Invest_Told
    int daysTold; // Days_Told

    // Section "SessionTable": the totals by store, machine and hour; read when the window opens,
    // written when it closes.
    int sessionTableGrouping; // Grouping: 1 by machine, 2 by starting hour, anything else by store
    bool sessionTableAllYears; // Range: 1 every year, anything else the loaded period

    // Section "Analysis": the analyzer's kind, read when it opens, written when it closes.
    bool weekdayAnalysis; // Kind: 1 the weekdays, anything else the recovery-rate distribution

    // How a stored integer becomes a member and back.
    enum class Rule {
        Number, // int, as stored
        OnlyOne, // bool: true only for 1 (written 1 or 0)
        NonZero, // bool: true for anything but 0 (written 1 or 0)
        X, // the x of a QPoint
        Y, // the y of a QPoint
    };
    using Field = std::variant<int CSettings::*, bool CSettings::*, QPoint CSettings::*>;

    // One stored integer.
    struct Key
    {
        const char *section;
        const char *key;
        int defaultValue;
        Rule rule;
        Field field;
    };
    // Every key, in the order the settings are read and written.
    static std::span<const Key> Keys();

    CSettings(); // every setting at its default; nothing is read

    void ReadSection(const QString &section);
    void WriteSection(const QString &section) const;
    // The keys of one member: one, or two for a position.
    template<class T> void Read(T CSettings::*field) { ReadField(Field(field)); }
    template<class T> void Write(T CSettings::*field) const { WriteField(Field(field)); }

    // The position member kept under Pos_X and Pos_Y of a section; null when there is none.
    static QPoint CSettings::*PositionOf(const QString &section);

private:
    // The stored integer of a key as this object holds it, and the other way round.
    int ValueOf(const Key &key) const;
    void Take(const Key &key, int stored);
    void ReadField(const Field &field);
    void WriteField(const Field &field) const;
};
