// What the user types into a session: each field's check, the good and the bad, and a session
// refused as a whole stores nothing.
#include "play/PlaySession.h"
#include "play/PlayStore.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kTimeForm
        = QStringLiteral("開始は「9:30」や「0930」のように時刻を入力してください。");
const QString kTimeRange = QStringLiteral("開始は0:00から23:59までの時刻で入力してください。");
const QString kDigits = QStringLiteral("投資額は数字だけで入力してください。");
const QString kAmountRange
        = QStringLiteral("投資額は0から9999まで（百円単位）で入力してください。");
const QString kStoreControl = QStringLiteral("店舗に改行やタブなどの制御文字は使えません。");
const QString kMemoControl
        = QStringLiteral("メモに使えない制御文字が含まれています（使えるのは改行とタブです）。");

} // namespace

class TestPlayInput : public QObject
{
    Q_OBJECT

private slots:
    void time_data();
    void time();
    void amount_data();
    void amount();
    void names_data();
    void names();
    void memo_data();
    void memo();
    void duration_data();
    void duration();
    void refusedSessionStoresNothing();
};

void TestPlayInput::time_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("minutes"); // the result when the text is fine
    QTest::addColumn<QString>("problem");
    QTest::newRow("midnight") << "0:00" << 0 << QString();
    QTest::newRow("last minute") << "23:59" << 1439 << QString();
    QTest::newRow("HH:MM") << "09:30" << 570 << QString();
    QTest::newRow("HMM") << "930" << 570 << QString();
    QTest::newRow("HHMM") << "2105" << 1265 << QString();
    QTest::newRow("spaces around") << " 7:05　" << 425 << QString();
    QTest::newRow("full-width") << "１２：３０" << 750 << QString();
    QTest::newRow("empty is no time") << "" << int(PlaySession::kNoTime) << QString();
    QTest::newRow("spaces are no time") << "  " << int(PlaySession::kNoTime) << QString();
    QTest::newRow("25:00") << "25:00" << 0 << kTimeRange;
    QTest::newRow("24:00") << "24:00" << 0 << kTimeRange;
    QTest::newRow("2400") << "2400" << 0 << kTimeRange;
    QTest::newRow("12:60") << "12:60" << 0 << kTimeRange;
    QTest::newRow("7:5x") << "7:5x" << 0 << kTimeForm;
    QTest::newRow("one minute digit") << "7:5" << 0 << kTimeForm;
    QTest::newRow("hour alone") << "9" << 0 << kTimeForm;
    QTest::newRow("five digits") << "12345" << 0 << kTimeForm;
    QTest::newRow("no hour") << ":30" << 0 << kTimeForm;
    QTest::newRow("negative") << "-1:00" << 0 << kTimeForm;
    QTest::newRow("two colons") << "1:2:30" << 0 << kTimeForm;
    QTest::newRow("other digits") << "٣:٣٠" << 0 << kTimeForm;
}

void TestPlayInput::time()
{
    QFETCH(QString, text);
    QFETCH(int, minutes);
    QFETCH(QString, problem);
    int got = -99;
    QCOMPARE(PlayInput::ParseTime(QStringLiteral("開始"), text, &got), problem);
    QCOMPARE(got, problem.isEmpty() ? minutes : -99);
    if (problem.isEmpty() && minutes != PlaySession::kNoTime) // the text it reads back as
        QCOMPARE(PlayInput::TimeText(got).remove(QLatin1Char(':')).toInt(),
                 minutes / 60 * 100 + minutes % 60);
}

void TestPlayInput::amount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("amount");
    QTest::addColumn<QString>("problem");
    QTest::newRow("empty is 0") << "" << 0 << QString();
    QTest::newRow("0") << "0" << 0 << QString();
    QTest::newRow("9999") << "9999" << 9999 << QString();
    QTest::newRow("leading zeros") << "00050" << 50 << QString();
    QTest::newRow("full-width") << "１２３" << 123 << QString();
    QTest::newRow("10000") << "10000" << 0 << kAmountRange;
    QTest::newRow("beyond 32 bits") << "99999999999" << 0 << kAmountRange;
    QTest::newRow("negative") << "-1" << 0 << kDigits;
    QTest::newRow("decimal") << "1.5" << 0 << kDigits;
    QTest::newRow("letters") << "12a" << 0 << kDigits;
    QTest::newRow("inner space") << "1 2" << 0 << kDigits;
}

void TestPlayInput::amount()
{
    QFETCH(QString, text);
    QFETCH(int, amount);
    QFETCH(QString, problem);
    int32_t got = -99;
    QCOMPARE(PlayInput::ParseAmount(QStringLiteral("投資額"), text, &got), problem);
    QCOMPARE(got, problem.isEmpty() ? amount : -99);
}

void TestPlayInput::names_data()
{
    QTest::addColumn<bool>("isStore");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problem");
    const QString emoji = QStringLiteral("🎰"); // two UTF-16 units, one character
    QTest::newRow("trimmed") << true << "  店 A　"
                             << "店 A" << QString();
    QTest::newRow("100 characters")
            << true << emoji.repeated(100) << emoji.repeated(100) << QString();
    QTest::newRow("101 characters")
            << true << QString(101, u'店') << QString()
            << QStringLiteral("店舗は100文字以内で入力してください（いま101文字です）。");
    QTest::newRow("empty store") << true << "" << QString()
                                 << QStringLiteral("店舗を入力してください。");
    QTest::newRow("store of spaces")
            << true << " 　 " << QString()
            << QStringLiteral("店舗が空白だけです。店舗を入力してください。");
    QTest::newRow("tab") << true << "店\tA" << QString() << kStoreControl;
    QTest::newRow("line feed at the end") << true << "店A\n" << QString() << kStoreControl;
    QTest::newRow("bell") << true << "店\aA" << QString() << kStoreControl;
    QTest::newRow("line separator")
            << true << QStringLiteral("店\u2028A") << QString() << kStoreControl;
    QTest::newRow("lone surrogate") << true << QString(QChar(0xD800)) + u'A' << QString()
                                    << QStringLiteral("店舗に壊れた文字が含まれています。");
    QTest::newRow("empty machine") << false << " "
                                   << "" << QString();
    QTest::newRow("machine control")
            << false << "機\x1b" << QString()
            << QStringLiteral("機種に改行やタブなどの制御文字は使えません。");
}

void TestPlayInput::names()
{
    QFETCH(bool, isStore);
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QString, problem);
    QString got = QStringLiteral("<untouched>");
    QCOMPARE(isStore ? PlayInput::CheckStore(text, &got) : PlayInput::CheckMachine(text, &got),
             problem);
    QCOMPARE(got, problem.isEmpty() ? name : QStringLiteral("<untouched>"));
}

void TestPlayInput::memo_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("problem");
    QTest::newRow("CR LF") << "a\r\nb\r\n"
                           << "a\nb\n"
                           << QString();
    QTest::newRow("lone CR") << "a\rb"
                             << "a\nb" << QString();
    QTest::newRow("line separators") << QStringLiteral("a\u2028b\u2029") << "a\nb\n" << QString();
    QTest::newRow("tab and spaces kept") << " a\tb "
                                         << " a\tb " << QString();
    QTest::newRow("2000 after CR LF") << QStringLiteral("x\r\n").repeated(1000)
                                      << QStringLiteral("x\n").repeated(1000) << QString();
    QTest::newRow("2000 outside the plane") << QStringLiteral("😀").repeated(2000)
                                            << QStringLiteral("😀").repeated(2000) << QString();
    QTest::newRow("2001") << QString(2001, u'メ') << QString()
                          << QStringLiteral(
                                     "メモは2000文字以内で入力してください（いま2001文字です）。");
    QTest::newRow("100,001 pasted")
            << QString(100001, u'x') << QString()
            << QStringLiteral("メモは2000文字以内で入力してください（いま100001文字です）。");
    QTest::newRow("NUL") << QString(QChar(0)) << QString() << kMemoControl;
    QTest::newRow("escape") << "a\x1b[31m" << QString() << kMemoControl;
    QTest::newRow("DEL") << "a\x7f" << QString() << kMemoControl;
    QTest::newRow("C1 control") << QStringLiteral("a\u0085") << QString() << kMemoControl;
}

void TestPlayInput::memo()
{
    QFETCH(QString, text);
    QFETCH(QString, memo);
    QFETCH(QString, problem);
    QString got = QStringLiteral("<untouched>");
    QCOMPARE(PlayInput::CheckMemo(text, &got), problem);
    QCOMPARE(got, problem.isEmpty() ? memo : QStringLiteral("<untouched>"));
}

void TestPlayInput::duration_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("minutes");
    QTest::newRow("within the day") << 9 * 60 << 17 * 60 + 30 << 8 * 60 + 30;
    QTest::newRow("past midnight") << 23 * 60 << 60 << 120;
    QTest::newRow("one minute past midnight") << 23 * 60 + 59 << 0 << 1;
    QTest::newRow("0:00 to 23:59") << 0 << 1439 << 1439;
    QTest::newRow("equal times are 24 hours") << 22 * 60 << 22 * 60 << 1440;
    QTest::newRow("midnight to midnight") << 0 << 0 << 1440;
    QTest::newRow("no end") << 600 << int(PlaySession::kNoTime) << int(PlaySession::kNoTime);
    QTest::newRow("no start") << int(PlaySession::kNoTime) << 600 << int(PlaySession::kNoTime);
}

void TestPlayInput::duration()
{
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, minutes);
    PlaySession s;
    s.startMinute = start;
    s.endMinute = end;
    QCOMPARE(s.DurationMinutes(), minutes);
}

// A session with one bad field is refused by the store before anything is written, with the
// field's message; a later good one is stored normalised.
void TestPlayInput::refusedSessionStoresNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Murel1.db"));
    CPlayStore store(path);
    PlaySession good;
    good.day = 20240229;
    good.store = QStringLiteral(" 店A ");
    good.memo = QStringLiteral("a\r\nb");
    const QList<std::pair<QString, std::function<void(PlaySession &)>>> bad = {
            {QStringLiteral("日付が正しくありません（20230229）。"),
             [](PlaySession &s) { s.day = 20230229; }},
            {QStringLiteral("店舗が空白だけです。店舗を入力してください。"),
             [](PlaySession &s) { s.store = QStringLiteral("   "); }},
            {QStringLiteral("終了は0:00から23:59までの時刻で入力してください。"),
             [](PlaySession &s) { s.endMinute = 1440; }},
            {QStringLiteral("回収額は0から9999まで（百円単位）で入力してください。"),
             [](PlaySession &s) { s.collected = 10000; }},
            {kAmountRange, [](PlaySession &s) { s.invested = -1; }},
            {kMemoControl, [](PlaySession &s) { s.memo = QStringLiteral("\x01"); }},
    };
    for (const auto &[message, spoil] : bad) {
        PlaySession s = good;
        spoil(s);
        QList<PlaySession> two{good, s}; // all or nothing
        QVERIFY(!store.AddAll(two));
        QCOMPARE(store.LastError(), message);
        QCOMPARE(two.back().id, qint64(0));
        QVERIFY(!QFileInfo::exists(path));
    }
    QVERIFY2(store.Add(good), qPrintable(store.LastError()));
    QCOMPARE(good.store, QStringLiteral("店A"));
    QCOMPARE(good.memo, QStringLiteral("a\nb"));
    QList<PlaySession> stored;
    QVERIFY(store.SessionsOfDay(20240229, &stored));
    QCOMPARE(stored, QList<PlaySession>{good});
}

QTEST_GUILESS_MAIN(TestPlayInput)
#include "tst_playinput.moc"
