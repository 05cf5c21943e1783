#include "import/CsvFields.h"

#include <QTest>

using namespace csvfields;

Q_DECLARE_METATYPE(csvfields::Fault)
Q_DECLARE_METATYPE(csvfields::DateFormat)

class TestCsvFields : public QObject
{
    Q_OBJECT

private slots:
    void dates_data();
    void dates();
    void amounts_data();
    void amounts();
    void times_data();
    void times();
    void texts();
};

void TestCsvFields::dates_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<int>("date");
    QTest::addColumn<DateFormat>("format");
    QTest::addColumn<Fault>("fault");

    const auto ok = Fault::None;
    QTest::newRow("slash") << "2003/05/12" << 20030512 << DateFormat::Slash << ok;
    QTest::newRow("slash short") << "2003/5/2" << 20030502 << DateFormat::Slash << ok;
    QTest::newRow("dash") << "2003-05-12" << 20030512 << DateFormat::Dash << ok;
    QTest::newRow("compact") << "20030512" << 20030512 << DateFormat::Compact << ok;
    QTest::newRow("kanji") << "2003年5月12日" << 20030512 << DateFormat::Kanji << ok;
    QTest::newRow("kanji padded") << "2003年05月02日" << 20030502 << DateFormat::Kanji << ok;
    QTest::newRow("full-width") << "２００３／０５／１２" << 20030512 << DateFormat::Slash << ok;
    QTest::newRow("full-width kanji")
            << "２００３年５月１２日" << 20030512 << DateFormat::Kanji << ok;
    QTest::newRow("weekday") << "2003/05/12 (月)" << 20030512 << DateFormat::Slash << ok;
    QTest::newRow("spaces") << "  2003/05/12\u3000" << 20030512 << DateFormat::Slash << ok;
    QTest::newRow("leap day") << "2004/02/29" << 20040229 << DateFormat::Slash << ok;
    QTest::newRow("first") << "1000/01/01" << 10000101 << DateFormat::Slash << ok;
    QTest::newRow("last") << "9999/12/31" << 99991231 << DateFormat::Slash << ok;

    QTest::newRow("20030231") << "20030231" << 0 << DateFormat::Compact << Fault::NoSuchDay;
    QTest::newRow("2003/02/29") << "2003/02/29" << 0 << DateFormat::Slash << Fault::NoSuchDay;
    QTest::newRow("month 13") << "2003-13-01" << 0 << DateFormat::Dash << Fault::NoSuchDay;
    QTest::newRow("day 0") << "2003年1月0日" << 0 << DateFormat::Kanji << Fault::NoSuchDay;
    QTest::newRow("year 999") << "0999/12/31" << 0 << DateFormat::Slash << Fault::OutOfRange;
    QTest::newRow("year 10000") << "10000/01/01" << 0 << DateFormat::Slash << Fault::OutOfRange;
    QTest::newRow("compact year 0") << "00000101" << 0 << DateFormat::Compact << Fault::OutOfRange;

    const auto none = DateFormat::None;
    QTest::newRow("empty") << "" << 0 << none << Fault::Empty;
    QTest::newRow("spaces only") << " \u3000 " << 0 << none << Fault::Empty;
    QTest::newRow("seven digits") << "2003051" << 0 << none << Fault::Unreadable;
    QTest::newRow("mixed separators") << "2003/05-12" << 0 << none << Fault::Unreadable;
    QTest::newRow("kanji without 日") << "2003年5月12" << 0 << none << Fault::Unreadable;
    QTest::newRow("three-digit month") << "2003/005/12" << 0 << none << Fault::Unreadable;
    QTest::newRow("text") << "明日" << 0 << none << Fault::Unreadable;
    QTest::newRow("trailing text") << "2003/05/12x" << 0 << none << Fault::Unreadable;
    QTest::newRow("dots") << "2003.05.12" << 0 << none << Fault::Unreadable;
}

void TestCsvFields::dates()
{
    QFETCH(QString, cell);
    QFETCH(int, date);
    QFETCH(DateFormat, format);
    QFETCH(Fault, fault);
    const DateCell read = ReadDate(cell);
    QCOMPARE(read.fault, fault);
    QCOMPARE(read.date, date);
    if (fault != Fault::Unreadable && fault != Fault::Empty)
        QCOMPARE(read.format, format);
}

void TestCsvFields::amounts_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<bool>("hundred");
    QTest::addColumn<qint64>("yen");
    QTest::addColumn<bool>("cut");
    QTest::addColumn<Fault>("fault");

    const auto ok = Fault::None;
    QTest::newRow("plain") << "12300" << false << qint64(12300) << false << ok;
    QTest::newRow("zero") << "0" << false << qint64(0) << false << ok;
    QTest::newRow("thousands") << "1,234,500" << false << qint64(1234500) << false << ok;
    QTest::newRow("yen sign") << "¥12,300" << false << qint64(12300) << false << ok;
    QTest::newRow("full-width yen sign") << "￥12,300" << false << qint64(12300) << false << ok;
    QTest::newRow("CP932 backslash") << "\\5,000" << false << qint64(5000) << false << ok;
    QTest::newRow("円") << "12,300円" << false << qint64(12300) << false << ok;
    QTest::newRow("full-width") << "１２，３００" << false << qint64(12300) << false << ok;
    QTest::newRow("minus") << "-4,500" << false << qint64(-4500) << false << ok;
    QTest::newRow("minus sign") << "−4500" << false << qint64(-4500) << false << ok;
    QTest::newRow("full-width minus") << "－４５００円" << false << qint64(-4500) << false << ok;
    QTest::newRow("△") << "△4,500" << false << qint64(-4500) << false << ok;
    QTest::newRow("▲ with yen") << "▲¥4,500" << false << qint64(-4500) << false << ok;
    QTest::newRow("yen then minus") << "¥-4,500" << false << qint64(-4500) << false << ok;
    QTest::newRow("plus") << "+800" << false << qint64(800) << false << ok;
    QTest::newRow("spaces") << " ¥ 800 円 " << false << qint64(800) << false << ok;
    QTest::newRow("odd yen") << "12,345" << false << qint64(12345) << false << ok;
    QTest::newRow("decimal zeros") << "1,000.00" << false << qint64(1000) << false << ok;
    QTest::newRow("decimal cut") << "1000.5" << false << qint64(1000) << true << ok;
    QTest::newRow("hundreds") << "123" << true << qint64(12300) << false << ok;
    QTest::newRow("hundreds decimal") << "12.5" << true << qint64(1250) << false << ok;
    QTest::newRow("hundreds fine decimal") << "12.345" << true << qint64(1234) << true << ok;
    QTest::newRow("百円 suffix") << "△15百円" << true << qint64(-1500) << false << ok;

    QTest::newRow("empty") << "" << false << qint64(0) << false << Fault::Empty;
    QTest::newRow("text") << "たくさん" << false << qint64(0) << false << Fault::Unreadable;
    QTest::newRow("bad grouping") << "1,00" << false << qint64(0) << false << Fault::Unreadable;
    QTest::newRow("long first group")
            << "1234,567" << false << qint64(0) << false << Fault::Unreadable;
    QTest::newRow("trailing comma") << "1,000," << false << qint64(0) << false << Fault::Unreadable;
    QTest::newRow("two signs") << "--5" << false << qint64(0) << false << Fault::Unreadable;
    QTest::newRow("two yen signs") << "¥¥5" << false << qint64(0) << false << Fault::Unreadable;
    QTest::newRow("sign only") << "△" << false << qint64(0) << false << Fault::Unreadable;
    QTest::newRow("point only") << "5." << false << qint64(0) << false << Fault::Unreadable;
    QTest::newRow("円 twice") << "5円円" << false << qint64(0) << false << Fault::Unreadable;
    QTest::newRow("sixteen digits")
            << "1234567890123456" << false << qint64(0) << false << Fault::OutOfRange;
}

void TestCsvFields::amounts()
{
    QFETCH(QString, cell);
    QFETCH(bool, hundred);
    QFETCH(qint64, yen);
    QFETCH(bool, cut);
    QFETCH(Fault, fault);
    const AmountCell read = ReadAmount(cell, hundred);
    QCOMPARE(read.fault, fault);
    if (fault == Fault::None) {
        QCOMPARE(read.yen, yen);
        QCOMPARE(read.cutFraction, cut);
    }
}

void TestCsvFields::times_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<Fault>("fault");

    QTest::newRow("midnight") << "00:00" << 0 << Fault::None;
    QTest::newRow("short hour") << "7:05" << 425 << Fault::None;
    QTest::newRow("last minute") << "23:59" << 1439 << Fault::None;
    QTest::newRow("full-width") << "１０：３０" << 630 << Fault::None;
    QTest::newRow("empty") << "" << -1 << Fault::Empty;
    QTest::newRow("25:00") << "25:00" << -1 << Fault::OutOfRange;
    QTest::newRow("24:00") << "24:00" << -1 << Fault::OutOfRange;
    QTest::newRow("10:60") << "10:60" << -1 << Fault::OutOfRange;
    QTest::newRow("7:5x") << "7:5x" << -1 << Fault::Unreadable;
    QTest::newRow("one minute digit") << "7:5" << -1 << Fault::Unreadable;
    QTest::newRow("seconds") << "7:05:00" << -1 << Fault::Unreadable;
    QTest::newRow("no colon") << "0705" << -1 << Fault::Unreadable;
}

void TestCsvFields::times()
{
    QFETCH(QString, cell);
    QFETCH(int, minutes);
    QFETCH(Fault, fault);
    const TimeCell read = ReadTime(cell);
    QCOMPARE(read.fault, fault);
    QCOMPARE(read.minutes, minutes);
}

void TestCsvFields::texts()
{
    // A surrogate pair is one character; controls are found, line breaks allowed where asked.
    QCOMPARE(CharacterCount(QStringLiteral("𠮷野家")), 3);
    QVERIFY(HasControl(QStringLiteral("a\u0001b"), true));
    QVERIFY(HasControl(QStringLiteral("a\nb"), false));
    QVERIFY(!HasControl(QStringLiteral("a\nb\tc"), true));
    QVERIFY(HasControl(QStringLiteral("a\u0085b"), true));
    QCOMPARE(TrimSpaces(QStringLiteral("\u3000 店 \t")), QStringLiteral("店"));
    QCOMPARE(Normalized(QStringLiteral(" ＡＢ１２ ")), QStringLiteral("AB12"));
}

QTEST_APPLESS_MAIN(TestCsvFields)
#include "tst_csvfields.moc"
