#include "settings/Settings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                     QStringLiteral("Murel"));
}

void put(const QString &section, const QString &key, const QVariant &value)
{
    store().setValue(section + QLatin1Char('/') + key, value);
}

// The stored value, or -999 when the key is missing.
int stored(const QString &section, const QString &key)
{
    const QVariant v = store().value(section + QLatin1Char('/') + key);
    return v.isValid() ? v.toInt() : -999;
}

QStringList storedKeys()
{
    QStringList keys = store().allKeys();
    keys.sort();
    return keys;
}

// The members Read, Write and PositionOf can be asked about, by a name a table can hold.
enum class Member {
    FromJanuary,
    AmountUnit,
    GraphSpan,
    GraphYear,
    DailyInputPos,
    AnalysisPos,
    AnalysisKind,
    YearTablePos,
    CalendarPos,
    CalendarYear,
    LossLimit,
    LimitsToldMonth,
    SessionTableGrouping,
};

void readMember(CSettings &s, Member m)
{
    switch (m) {
    case Member::FromJanuary:
        return s.Read(&CSettings::fromJanuary);
    case Member::AmountUnit:
        return s.Read(&CSettings::amountUnit);
    case Member::GraphSpan:
        return s.Read(&CSettings::graphSpan);
    case Member::GraphYear:
        return s.Read(&CSettings::graphYear);
    case Member::DailyInputPos:
        return s.Read(&CSettings::dailyInputPos);
    case Member::AnalysisPos:
        return s.Read(&CSettings::analysisPos);
    case Member::AnalysisKind:
        return s.Read(&CSettings::weekdayAnalysis);
    case Member::YearTablePos:
        return s.Read(&CSettings::yearTablePos);
    case Member::CalendarPos:
        return s.Read(&CSettings::calendarPos);
    case Member::CalendarYear:
        return s.Read(&CSettings::calendarYear);
    case Member::LossLimit:
        return s.Read(&CSettings::lossLimit);
    case Member::LimitsToldMonth:
        return s.Read(&CSettings::limitsToldMonth);
    case Member::SessionTableGrouping:
        return s.Read(&CSettings::sessionTableGrouping);
    }
}

void writeMember(const CSettings &s, Member m)
{
    switch (m) {
    case Member::FromJanuary:
        return s.Write(&CSettings::fromJanuary);
    case Member::AmountUnit:
        return s.Write(&CSettings::amountUnit);
    case Member::GraphSpan:
        return s.Write(&CSettings::graphSpan);
    case Member::GraphYear:
        return s.Write(&CSettings::graphYear);
    case Member::DailyInputPos:
        return s.Write(&CSettings::dailyInputPos);
    case Member::AnalysisPos:
        return s.Write(&CSettings::analysisPos);
    case Member::AnalysisKind:
        return s.Write(&CSettings::weekdayAnalysis);
    case Member::YearTablePos:
        return s.Write(&CSettings::yearTablePos);
    case Member::CalendarPos:
        return s.Write(&CSettings::calendarPos);
    case Member::CalendarYear:
        return s.Write(&CSettings::calendarYear);
    case Member::LossLimit:
        return s.Write(&CSettings::lossLimit);
    case Member::LimitsToldMonth:
        return s.Write(&CSettings::limitsToldMonth);
    case Member::SessionTableGrouping:
        return s.Write(&CSettings::sessionTableGrouping);
    }
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->path());
    }

    // Every setting of the store with its default, as a fresh object and as an empty store
    // give it.
    void defaults_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("value");
        const struct
        {
            const char *section, *key;
            int value;
        } rows[] = {
                {"Option", "FromN", 1},           {"Option", "DailyInput_Show", 1},
                {"Option", "DailyInput_Type", 0}, {"Option", "DailyInput_Unit", 100},
                {"Murel", "GraphSpan", 1},        {"Murel", "GraphItem_Total", 1},
                {"Murel", "GraphItem_Month", 1},  {"Murel", "GraphItem_Year", 1},
                {"DailyInput", "Pos_X", 0},       {"DailyInput", "Pos_Y", 0},
                {"Analysis", "Pos_X", 0},         {"Analysis", "Pos_Y", 0},
                {"Analysis", "Kind", 0},          {"YearTable", "Pos_X", 0},
                {"YearTable", "Pos_Y", 0},        {"Calendar", "Pos_X", 0},
                {"Calendar", "Pos_Y", 0},         {"Calendar", "View", 0},
                {"Limits", "Loss_On", 0},         {"Limits", "Loss", 300},
                {"Limits", "Invest_On", 0},       {"Limits", "Invest", 1000},
                {"Limits", "Days_On", 0},         {"Limits", "Days", 10},
                {"Limits", "Told_Month", 0},      {"Limits", "Loss_Told", 0},
                {"Limits", "Invest_Told", 0},     {"Limits", "Days_Told", 0},
                {"SessionTable", "Pos_X", 0},     {"SessionTable", "Pos_Y", 0},
                {"SessionTable", "Grouping", 0},  {"SessionTable", "Range", 0},
        };
        for (const auto &r : rows) {
            QTest::addRow("%s/%s", r.section, r.key)
                    << QString::fromLatin1(r.section) << QString::fromLatin1(r.key) << r.value;
        }
    }
    void defaults()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, value);
        const CSettings fresh;
        fresh.WriteSection(section);
        QCOMPARE(stored(section, key), value);

        store().clear();
        CSettings read;
        read.graphSpan = 77; // anything but the default, to see the read replace it
        read.analysisPos = QPoint(5, 6);
        read.yearTablePos = QPoint(7, 8);
        read.weekdayAnalysis = true;
        read.calendarPos = QPoint(9, 10);
        read.calendarYear = true;
        read.lossLimitOn = true;
        read.lossLimit = 11;
        read.daysTold = 12;
        read.sessionTablePos = QPoint(13, 14);
        read.sessionTableGrouping = 2;
        read.sessionTableAllYears = true;
        read.ReadSection(section);
        read.WriteSection(section);
        QCOMPARE(stored(section, key), value);
    }

    void typedDefaults()
    {
        const CSettings s;
        QVERIFY(s.fromJanuary);
        QVERIFY(s.showDailyInput);
        QVERIFY(!s.balanceByDefault);
        QCOMPARE(s.amountUnit, 100);
        QCOMPARE(s.graphSpan, 1);
        QVERIFY(s.graphTotal && s.graphMonth && s.graphYear);
        QCOMPARE(s.dailyInputPos, QPoint(0, 0));
        QCOMPARE(s.analysisPos, QPoint(0, 0));
        QVERIFY(!s.weekdayAnalysis);
        QCOMPARE(s.yearTablePos, QPoint(0, 0));
        QCOMPARE(s.calendarPos, QPoint(0, 0));
        QVERIFY(!s.calendarYear);
        QVERIFY(!s.lossLimitOn && !s.investLimitOn && !s.daysLimitOn);
        QCOMPARE(s.lossLimit, 300);
        QCOMPARE(s.investLimit, 1000);
        QCOMPARE(s.daysLimit, 10);
        QCOMPARE(s.limitsToldMonth, 0);
        QCOMPARE(s.lossTold | s.investTold | s.daysTold, 0);
        QCOMPARE(s.sessionTablePos, QPoint(0, 0));
        QCOMPARE(s.sessionTableGrouping, 0);
        QVERIFY(!s.sessionTableAllYears);
        QCOMPARE(CSettings::Keys().size(), size_t(32));
    }

    // A stored value read and written back: what the program applies, or exactly what was read.
    void readAndWrittenBack_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("before");
        QTest::addColumn<int>("after");

        const QString option = QStringLiteral("Option");
        const QString graph = QStringLiteral("Murel");
        const QString analysis = QStringLiteral("Analysis");
        // The period starts in January only for 1, so only 1 shows as "1月".
        QTest::newRow("FromN 1") << option << "FromN" << QVariant(1) << 1;
        QTest::newRow("FromN 0") << option << "FromN" << QVariant(0) << 0;
        QTest::newRow("FromN 5 applies as this month") << option << "FromN" << QVariant(5) << 0;
        QTest::newRow("FromN -1 applies as this month") << option << "FromN" << QVariant(-1) << 0;
        // The window opens at start only for 1.
        QTest::newRow("show 1") << option << "DailyInput_Show" << QVariant(1) << 1;
        QTest::newRow("show 2 does not open") << option << "DailyInput_Show" << QVariant(2) << 0;
        QTest::newRow("show -7 does not open") << option << "DailyInput_Show" << QVariant(-7) << 0;
        // Any method but 0 is the balance.
        QTest::newRow("type 0") << option << "DailyInput_Type" << QVariant(0) << 0;
        QTest::newRow("type 9 is balance") << option << "DailyInput_Type" << QVariant(9) << 1;
        QTest::newRow("type -3 is balance") << option << "DailyInput_Type" << QVariant(-3) << 1;
        QTest::newRow("unit 37 kept") << option << "DailyInput_Unit" << QVariant(37) << 37;
        QTest::newRow("unit -5 kept") << option << "DailyInput_Unit" << QVariant(-5) << -5;
        QTest::newRow("unit 0 kept") << option << "DailyInput_Unit" << QVariant(0) << 0;
        QTest::newRow("span 3") << graph << "GraphSpan" << QVariant(3) << 3;
        QTest::newRow("span 12") << graph << "GraphSpan" << QVariant(12) << 12;
        QTest::newRow("unknown span 5 kept") << graph << "GraphSpan" << QVariant(5) << 5;
        QTest::newRow("unknown span 0 kept") << graph << "GraphSpan" << QVariant(0) << 0;
        QTest::newRow("item 0") << graph << "GraphItem_Month" << QVariant(0) << 0;
        QTest::newRow("item 2 is unchecked") << graph << "GraphItem_Year" << QVariant(2) << 0;
        QTest::newRow("position x") << analysis << "Pos_X" << QVariant(-40) << -40;
        // The analyzer knows two kinds; any other stored kind shows the first.
        QTest::newRow("kind 0") << analysis << "Kind" << QVariant(0) << 0;
        QTest::newRow("kind 1") << analysis << "Kind" << QVariant(1) << 1;
        QTest::newRow("kind 2 reads as 0") << analysis << "Kind" << QVariant(2) << 0;
        QTest::newRow("kind -1 reads as 0") << analysis << "Kind" << QVariant(-1) << 0;
        QTest::newRow("kind text reads as 0")
                << analysis << "Kind" << QVariant(QStringLiteral("1x")) << 0;
        QTest::newRow("year table position y") << "YearTable"
                                               << "Pos_Y" << QVariant(-12) << -12;
        // The calendar shows the year for a stored 1 only; the limits are kept as stored.
        QTest::newRow("calendar year") << "Calendar"
                                       << "View" << QVariant(1) << 1;
        QTest::newRow("calendar view 2 is the month") << "Calendar"
                                                      << "View" << QVariant(2) << 0;
        QTest::newRow("a limit switched on") << "Limits"
                                             << "Days_On" << QVariant(1) << 1;
        QTest::newRow("a limit switched on by 3 is off") << "Limits"
                                                         << "Invest_On" << QVariant(3) << 0;
        QTest::newRow("a limit value kept") << "Limits"
                                            << "Invest" << QVariant(-5) << -5;
        // The session table's grouping is kept as stored (the window reads an unknown one as by
        // store); its range is every year only for a stored 1.
        QTest::newRow("grouping by hour") << "SessionTable"
                                          << "Grouping" << QVariant(2) << 2;
        QTest::newRow("unknown grouping kept") << "SessionTable"
                                               << "Grouping" << QVariant(7) << 7;
        QTest::newRow("every year") << "SessionTable"
                                    << "Range" << QVariant(1) << 1;
        QTest::newRow("range 3 is the period") << "SessionTable"
                                               << "Range" << QVariant(3) << 0;
        QTest::newRow("told thresholds kept") << "Limits"
                                              << "Loss_Told" << QVariant(11) << 11;
        QTest::newRow("position y") << "DailyInput"
                                    << "Pos_Y" << QVariant(300) << 300;
        QTest::newRow("text reads as the default")
                << option << "DailyInput_Unit" << QVariant(QStringLiteral("abc")) << 100;
    }
    void readAndWrittenBack()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QVariant, before);
        QFETCH(int, after);
        put(section, key, before);
        CSettings s;
        s.ReadSection(section);
        store().clear();
        s.WriteSection(section);
        QCOMPARE(stored(section, key), after);
    }

    // Reading and writing one member touches its own keys only.
    void oneMember_data()
    {
        QTest::addColumn<Member>("member");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("year basis") << Member::FromJanuary << QStringList{"Option/FromN"};
        QTest::newRow("unit") << Member::AmountUnit << QStringList{"Option/DailyInput_Unit"};
        QTest::newRow("span") << Member::GraphSpan << QStringList{"Murel/GraphSpan"};
        QTest::newRow("year item") << Member::GraphYear << QStringList{"Murel/GraphItem_Year"};
        QTest::newRow("daily input position")
                << Member::DailyInputPos << QStringList{"DailyInput/Pos_X", "DailyInput/Pos_Y"};
        QTest::newRow("analyzer position")
                << Member::AnalysisPos << QStringList{"Analysis/Pos_X", "Analysis/Pos_Y"};
        QTest::newRow("analyzer kind") << Member::AnalysisKind << QStringList{"Analysis/Kind"};
        QTest::newRow("year table position")
                << Member::YearTablePos << QStringList{"YearTable/Pos_X", "YearTable/Pos_Y"};
        QTest::newRow("calendar position")
                << Member::CalendarPos << QStringList{"Calendar/Pos_X", "Calendar/Pos_Y"};
        QTest::newRow("calendar view") << Member::CalendarYear << QStringList{"Calendar/View"};
        QTest::newRow("loss limit") << Member::LossLimit << QStringList{"Limits/Loss"};
        QTest::newRow("told month") << Member::LimitsToldMonth << QStringList{"Limits/Told_Month"};
        QTest::newRow("session table grouping")
                << Member::SessionTableGrouping << QStringList{"SessionTable/Grouping"};
    }
    void oneMember()
    {
        QFETCH(Member, member);
        QFETCH(QStringList, keys);
        // Every key holds a value other than its default: 0 for the check states and 3 for the
        // rest. One member is read, then the store is emptied and that member is written.
        QHash<QString, int> before;
        for (const CSettings::Key &k : CSettings::Keys()) {
            const bool flag = k.rule == CSettings::Rule::OnlyOne;
            const QString name = QString::fromLatin1(k.section) + QLatin1Char('/')
                    + QString::fromLatin1(k.key);
            before.insert(name, flag ? 0 : 3);
            store().setValue(name, before.value(name));
        }
        CSettings s;
        readMember(s, member);
        store().clear();
        writeMember(s, member);
        QCOMPARE(storedKeys(), keys);
        for (const QString &k : keys)
            QCOMPARE(store().value(k).toInt(), before.value(k));
        // The other members kept their defaults.
        const CSettings fresh;
        if (member != Member::AmountUnit)
            QCOMPARE(s.amountUnit, fresh.amountUnit);
        if (member != Member::AnalysisPos)
            QCOMPARE(s.analysisPos, fresh.analysisPos);
        if (member != Member::YearTablePos)
            QCOMPARE(s.yearTablePos, fresh.yearTablePos);
        if (member != Member::LossLimit)
            QCOMPARE(s.lossLimit, fresh.lossLimit);
    }

    void sectionsTouchTheirOwnKeys_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("options") << "Option"
                                 << QStringList{"Option/DailyInput_Show", "Option/DailyInput_Type",
                                                "Option/DailyInput_Unit", "Option/FromN"};
        QTest::newRow("graph") << "Murel"
                               << QStringList{"Murel/GraphItem_Month", "Murel/GraphItem_Total",
                                              "Murel/GraphItem_Year", "Murel/GraphSpan"};
        QTest::newRow("analyzer") << "Analysis"
                                  << QStringList{"Analysis/Kind", "Analysis/Pos_X",
                                                 "Analysis/Pos_Y"};
        QTest::newRow("year table")
                << "YearTable" << QStringList{"YearTable/Pos_X", "YearTable/Pos_Y"};
        QTest::newRow("calendar") << "Calendar"
                                  << QStringList{"Calendar/Pos_X", "Calendar/Pos_Y",
                                                 "Calendar/View"};
        QTest::newRow("limits") << "Limits" << QStringList{"Limits/Days",      "Limits/Days_On",
                                                           "Limits/Days_Told", "Limits/Invest",
                                                           "Limits/Invest_On", "Limits/Invest_Told",
                                                           "Limits/Loss",      "Limits/Loss_On",
                                                           "Limits/Loss_Told", "Limits/Told_Month"};
        QTest::newRow("session table") << "SessionTable"
                                       << QStringList{"SessionTable/Grouping", "SessionTable/Pos_X",
                                                      "SessionTable/Pos_Y", "SessionTable/Range"};
        QTest::newRow("unknown section") << "Printing" << QStringList{};
        QTest::newRow("case matters") << "option" << QStringList{};
    }
    void sectionsTouchTheirOwnKeys()
    {
        QFETCH(QString, section);
        QFETCH(QStringList, keys);
        const CSettings s;
        s.WriteSection(section);
        QCOMPARE(storedKeys(), keys);
    }

    void positionOf_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<int>(
                "which"); // 0 none, 1 daily input, 2 analyzer, 3 year table, 4 calendar, 5 sessions
        QTest::newRow("daily input") << "DailyInput" << 1;
        QTest::newRow("analyzer") << "Analysis" << 2;
        QTest::newRow("options have no position") << "Option" << 0;
        QTest::newRow("graph has no position") << "Murel" << 0;
        QTest::newRow("year table") << "YearTable" << 3;
        QTest::newRow("calendar") << "Calendar" << 4;
        QTest::newRow("limits have no position") << "Limits" << 0;
        QTest::newRow("session table") << "SessionTable" << 5;
        QTest::newRow("unknown") << "Printing" << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void positionOf()
    {
        QFETCH(QString, section);
        QFETCH(int, which);
        QPoint CSettings::*const expected = which == 1 ? &CSettings::dailyInputPos
                : which == 2                           ? &CSettings::analysisPos
                : which == 3                           ? &CSettings::yearTablePos
                : which == 4                           ? &CSettings::calendarPos
                : which == 5                           ? &CSettings::sessionTablePos
                                                       : nullptr;
        QVERIFY(CSettings::PositionOf(section) == expected);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
