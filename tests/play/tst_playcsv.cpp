// The CSV of sessions: each field's form and quoting, and the whole file as written.
#include "PlayFixture.h"
#include "play/PlayCsv.h"

#include <QTemporaryDir>

using namespace PlayTest;

namespace {

const QByteArray kHead = "\xEF\xBB\xBF"
                         "日付,店舗,機種,開始,終了,投資額(円),回収額(円),収支(円),メモ\r\n";

} // namespace

class TestPlayCsv : public QObject
{
    Q_OBJECT

private slots:
    void row_data();
    void row();
    void exportFile();
    void exportFailure();
};

void TestPlayCsv::row_data()
{
    QTest::addColumn<PlaySession>("session");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("plain") << Make(20240512, QStringLiteral("店A"), 30, 50, QStringLiteral("機種B"),
                                   9 * 60 + 5, 23 * 60 + 59)
                           << QByteArray("2024/05/12,店A,機種B,09:05,23:59,3000,5000,2000,\r\n");
    QTest::newRow("no times, no machine, a loss")
            << Make(10000101, QStringLiteral("店"), 9999, 0)
            << QByteArray("1000/01/01,店,,,,999900,0,-999900,\r\n");
    QTest::newRow("midnight and past it")
            << Make(20241231, QStringLiteral("店"), 0, 0, QString(), 23 * 60, 0)
            << QByteArray("2024/12/31,店,,23:00,00:00,0,0,0,\r\n");
    QTest::newRow("comma in the store") << Make(20240101, QStringLiteral("A,B"), 1, 1)
                                        << QByteArray("2024/01/01,\"A,B\",,,,100,100,0,\r\n");
    QTest::newRow("quotes in the machine")
            << Make(20240101, QStringLiteral("店"), 1, 1, QStringLiteral("CR\"北斗\""))
            << QByteArray("2024/01/01,店,\"CR\"\"北斗\"\"\",,,100,100,0,\r\n");
    QTest::newRow("line breaks in the memo")
            << Make(20240101, QStringLiteral("店"), 1, 2, QString(), PlaySession::kNoTime,
                    PlaySession::kNoTime, QStringLiteral("朝一\n\n夕方"))
            << QByteArray("2024/01/01,店,,,,100,200,100,\"朝一\n\n夕方\"\r\n");
    QTest::newRow("memo of a quote alone")
            << Make(20240101, QStringLiteral("店"), 1, 2, QString(), PlaySession::kNoTime,
                    PlaySession::kNoTime, QStringLiteral("\""))
            << QByteArray("2024/01/01,店,,,,100,200,100,\"\"\"\"\r\n");
    QTest::newRow("tab and spaces need no quotes")
            << Make(20240101, QStringLiteral("店 A"), 1, 2, QString(), PlaySession::kNoTime,
                    PlaySession::kNoTime, QStringLiteral(" a\tb "))
            << QByteArray("2024/01/01,店 A,,,,100,200,100, a\tb \r\n");
}

void TestPlayCsv::row()
{
    QFETCH(PlaySession, session);
    QFETCH(QByteArray, line);
    QByteArray out = "x";
    PlayCsv::AppendRow(out, session);
    QCOMPARE(out, "x" + line);
}

void TestPlayCsv::exportFile()
{
    QTemporaryDir dir;
    CPlayStore store(dir.filePath(QStringLiteral("Murel1.db")));
    const QString path = dir.filePath(QStringLiteral("稼働記録.csv"));
    QCOMPARE(PlayCsv::Export(store, path), QString()); // no database: the head alone
    QCOMPARE(ReadBytes(path), kHead);

    QList<PlaySession> all = {Make(20240102, QStringLiteral("店B"), 2, 1),
                              Make(20240101, QStringLiteral("店A"), 1, 2, QStringLiteral("機種")),
                              Make(20240102, QStringLiteral("店C"), 3, 3)};
    QVERIFY(store.AddAll(all));
    QCOMPARE(PlayCsv::Export(store, path), QString());
    QCOMPARE(ReadBytes(path),
             kHead
                     + "2024/01/01,店A,機種,,,100,200,100,\r\n"
                       "2024/01/02,店B,,,,200,100,-100,\r\n"
                       "2024/01/02,店C,,,,300,300,0,\r\n");
    // More than one chunk, in order, every row once.
    QList<PlaySession> many;
    for (int n = 0; n < 3000; ++n)
        many.append(Make(20240201 + n % 28, QStringLiteral("店%1").arg(n), n % 100, 0));
    QVERIFY(store.AddAll(many));
    QByteArray streamed;
    int chunks = 0;
    QVERIFY(PlayCsv::Write(store, [&](const QByteArray &chunk) {
        streamed += chunk;
        ++chunks;
        return true;
    }));
    QVERIFY(chunks > 1);
    QByteArray expected = kHead;
    for (const PlaySession &s : AllSessions(store))
        PlayCsv::AppendRow(expected, s);
    QCOMPARE(streamed, expected);
    QCOMPARE(streamed.count("\r\n"), 3004);
}

void TestPlayCsv::exportFailure()
{
    QTemporaryDir dir;
    CPlayStore store(dir.filePath(QStringLiteral("Murel1.db")));
    PlaySession s = Make(20240101, QStringLiteral("店"), 1, 1);
    QVERIFY(store.Add(s));
    const QString folder = dir.filePath(QStringLiteral("out.csv"));
    QVERIFY(QDir().mkdir(folder));
    QCOMPARE(PlayCsv::Export(store, folder),
             QStringLiteral(
                     "CSVファイルの保存に失敗しました。\n%1: 同じ名前のフォルダーがあります。")
                     .arg(folder));
    QVERIFY(QFileInfo(folder).isDir());
    // A database that turns out unusable: its own message, and no file.
    const QString bad = dir.filePath(QStringLiteral("bad.db"));
    QVERIFY(WriteBytes(bad, QByteArray(4096, 'x')));
    CPlayStore unusable(bad);
    const QString target = dir.filePath(QStringLiteral("bad.csv"));
    QVERIFY(PlayCsv::Export(unusable, target)
                    .startsWith(QStringLiteral("稼働記録のデータベースを開けません。\n")));
    QVERIFY(!QFileInfo::exists(target));
}

QTEST_GUILESS_MAIN(TestPlayCsv)
#include "tst_playcsv.moc"
