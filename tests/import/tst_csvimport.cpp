#include "import/CsvImport.h"
#include "import/CsvRecords.h"

#include "common/DataLines.h"
#include "export/CsvExport.h"
#include "import/ImportFixture.h"

#include <QBuffer>
#include <QDate>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

QByteArray Utf8(const char *text)
{
    return QByteArray(text);
}

QByteArray OwnDays(const std::vector<std::pair<int, DayRecord>> &days)
{
    QByteArray bytes = kBom + CCsvExport::Header();
    for (const auto &[date, day] : days)
        bytes += CCsvExport::Row(date, day);
    return bytes;
}

} // namespace

class TestCsvImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void ownHeaders();
    void files_data();
    void files();
    void refused_data();
    void refused();
    void tooLarge();
    void mapping_data();
    void mapping();
    void shiftJisSpecials();
    void chosenEncoding();
    void records();
    void compareWithDiary();

private:
    QString Csv() const { return m_dir.filePath(QStringLiteral("in.csv")); }
    QString NoDiary() const { return m_dir.filePath(QStringLiteral("none/Murel1.Dat")); }
    QTemporaryDir m_dir;
};

void TestCsvImport::ownHeaders()
{
    // The import knows the export's header and method texts by heart: they must stay the same.
    QCOMPARE(CCsvExport::Header(),
             QStringLiteral("日付,曜日,入力方法,回収額(円),投資額(円),収支(円),回収率(%)\r\n")
                     .toUtf8());
    QCOMPARE(CCsvExport::MethodText(0), QStringLiteral("回収・投資"));
    QCOMPARE(CCsvExport::MethodText(1), QStringLiteral("収支のみ"));
    QCOMPARE(CCsvImport::OwnSessionsHeader(),
             QStringLiteral("日付,店舗,機種,開始,終了,投資額(円),回収額(円),収支(円),メモ"));
}

void TestCsvImport::files_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding"); // as detected: 0 UTF-8, 1 Shift_JIS
    QTest::addColumn<int>("kind"); // CsvKind
    QTest::addColumn<QStringList>("days"); // date,method,collected,invested,balance
    QTest::addColumn<QStringList>("rejected"); // line: start of the reason
    QTest::addColumn<int>("rounded");
    QTest::addColumn<int>("duplicates");

    const int own = int(CsvKind::MurelDays);
    const int other = int(CsvKind::Other);
    const QByteArray ownDays = OwnDays({{20030512, {0, 123, 50, 73}},
                                        {20030513, {1, 0, 0, -45}},
                                        {20030514, {1, 7, 3, 12}}, // as a hand-edited file has it
                                        {20030515, {0, 0, 0, 0}},
                                        {20030516, {0, 250000, 10, 249990}},
                                        {20040229, {0, 10, 20, -10}}});
    const QStringList ownExpected{"20030512,0,123,50,73",        "20030513,1,0,0,-45",
                                  "20030514,1,7,3,12",           "20030515,0,0,0,0",
                                  "20030516,0,250000,10,249990", "20040229,0,10,20,-10"};
    QTest::newRow("own days, BOM") << ownDays << 0 << own << ownExpected << QStringList() << 0 << 0;
    QTest::newRow("own days saved again as Shift_JIS")
            << ShiftJis(QString::fromUtf8(ownDays.mid(3))) << 1 << own << ownExpected
            << QStringList() << 0 << 0;
    QTest::newRow("own days, dates rewritten by a spreadsheet")
            << Utf8("日付,曜日,入力方法,回収額(円),投資額(円),収支(円),回収率(%)\n"
                    "2003/5/2,金,回収・投資,1000,500,500,200\n2003/5/3,,収支のみ,0,0,-300,\n"
                    "2003/5/4,日,なし,0,0,0,\n")
            << 0 << own << QStringList{"20030502,0,10,5,5", "20030503,1,0,0,-3"}
            << QStringList{"4:入力方法が読めません"} << 0 << 0;

    QTest::newRow("amounts, no BOM")
            << Utf8("日付,回収額,投資額\r\n2003/05/12,\"12,300\",5000\r\n") << 0 << other
            << QStringList{"20030512,0,123,50,73"} << QStringList() << 0 << 0;
    QTest::newRow("balance with △ and dashes")
            << Utf8("日,収支\n2003-05-12,△4500\n2003-05-13,\"¥1,200円\"\n") << 0 << other
            << QStringList{"20030512,1,0,0,-45", "20030513,1,0,0,12"} << QStringList() << 0 << 0;
    QTest::newRow("Shift_JIS, kanji dates, yen signs")
            << ShiftJis(QStringLiteral("日付,投資額,回収額,収支\r\n"
                                       "2003年5月12日,\"￥12,000\",\"￥20,500\",\"￥8,500\"\r\n"
                                       "2003年5月13日,\"\\3,000\",\\0,\"-\\3,000\"\r\n"))
            << 1 << other << QStringList{"20030512,0,205,120,85", "20030513,0,0,30,-30"}
            << QStringList() << 0 << 0;
    QTest::newRow("tab, full-width digits")
            << Utf8("日付\t収支\n２００３０５１２\t１，２００円\n") << 0 << other
            << QStringList{"20030512,1,0,0,12"} << QStringList() << 0 << 0;
    QTest::newRow("unit of 100 yen")
            << Utf8("日付,回収(百円),投資(百円)\n2003/05/12,123,50\n") << 0 << other
            << QStringList{"20030512,0,123,50,73"} << QStringList() << 0 << 0;
    QTest::newRow("rounded toward zero")
            << Utf8("日付,収支\n2003/05/12,-150\n2003/05/13,250\n2003/05/14,300\n"
                    "2003/05/15,-99\n")
            << 0 << other
            << QStringList{"20030512,1,0,0,-1", "20030513,1,0,0,2", "20030514,1,0,0,3",
                           "20030515,1,0,0,0"}
            << QStringList() << 3 << 0;
    QTest::newRow("duplicates: the last wins")
            << Utf8("日付,収支\n2003/05/12,100\n2003/05/13,500\n20030512,200\n2003-05-12,300\n")
            << 0 << other << QStringList{"20030512,1,0,0,3", "20030513,1,0,0,5"} << QStringList()
            << 0 << 2;
    QTest::newRow("bad rows") << Utf8(
            "日付,回収,投資,収支\n20030231,100,0,\n0999/01/01,100,0,\nabc,100,0,\n"
            ",100,0,\n2003/05/12,x,0,\n2003/05/13,\"1,000,000\",0,\n"
            "2003/05/14,,,\n2003/05/15,100\n2003/05/16,300,100,500\n"
            "2003/05/17,300,100,200\n2003/05/18,-100,0,\n")
                              << 0 << other << QStringList{"20030517,0,3,1,2"}
                              << QStringList{"2:暦にない日付です",
                                             "3:日付が範囲外です",
                                             "4:日付として読めません",
                                             "5:日付がありません",
                                             "6:回収額が金額として読めません",
                                             "7:回収額が範囲外です（0～999,999円）",
                                             "8:回収額と投資額がありません",
                                             "9:列が足りません",
                                             "10:収支が回収額と投資額に合いません",
                                             "12:回収額が範囲外です"}
                              << 0 << 0;
    QTest::newRow("quoted line breaks count as lines")
            << Utf8("日付,収支,その他\n\"2003/05/12\",100,\"a\r\nb\nc\"\n2003/02/30,1,\n"
                    "\n2003/05/13,\"2\"\"00\",\n")
            << 0 << other << QStringList{"20030512,1,0,0,1"}
            << QStringList{"5:暦にない日付です", "7:収支が金額として読めません"} << 0 << 0;
    QTest::newRow("quote never closed")
            << Utf8("日付,収支\n2003/05/12,100\n2003/05/13,\"200\n") << 0 << other
            << QStringList{"20030512,1,0,0,1"} << QStringList{"3:引用符が閉じない"} << 0 << 0;
}

void TestCsvImport::files()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(int, kind);
    QFETCH(QStringList, days);
    QFETCH(QStringList, rejected);
    QFETCH(int, rounded);
    QFETCH(int, duplicates);
    QVERIFY(WriteBytes(Csv(), bytes));

    CCsvImport import(Csv());
    const ImportRun run = RunImport(import, NoDiary());
    QVERIFY2(run.compared, qPrintable(run.problem));
    QCOMPARE(int(import.Options().encoding), encoding);
    QCOMPARE(int(import.Kind()), kind);
    const ImportChanges changes = import.Changes(false);
    QCOMPARE(DayTexts(changes.days), days);
    QStringList reasons;
    for (const RejectedRow &r : import.Rejected()) {
        const QString expected = rejected.value(reasons.size());
        const QString got = QString::number(r.line) + QLatin1Char(':') + r.reason;
        reasons << (got.startsWith(expected) ? expected : got);
    }
    QCOMPARE(reasons, rejected);
    QCOMPARE(import.Counts().rejected, int(rejected.size()));
    QCOMPARE(import.Counts().rounded, rounded);
    QCOMPARE(import.Counts().duplicates, duplicates);
    QCOMPARE(import.Counts().newDays, int(days.size()));
    QCOMPARE(changes.added, int(days.size()));
}

void TestCsvImport::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    QTest::newRow("empty") << QByteArray() << "ファイルが空です";
    QTest::newRow("BOM and blank lines") << kBom + "\r\n \r\n\t\n"
                                         << "ファイルが空です";
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)
                            << "CSVファイルではありません";
    QTest::newRow("controls without NUL") << QByteArray(200, '\x01') + "日付\n"
                                          << "CSVファイルではありません";
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFE\xE5\x65", 4) << "UTF-16";
    QTest::newRow("header only") << Utf8("日付,収支\r\n") << "見出しの行だけ";
    QTest::newRow("header only, blank lines after")
            << Utf8("日付,収支\r\n\r\n\r\n") << "見出しの行だけ";
    QTest::newRow("a line of 10 MB")
            << Utf8("日付,収支,その他\n2003/05/12,1,") + QByteArray(10 << 20, 'x')
            << "2 行目が長すぎます";
    QTest::newRow("a quote swallowing the file") << Utf8("日付,収支\n2003/05/12,\"1\n")
                    + QByteArray(70000, '\n') << "2 行目が長すぎます";
    QTest::newRow("a header of commas") << QByteArray(100000, ',') << "1 行目が長すぎます";
}

void TestCsvImport::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QVERIFY(WriteBytes(Csv(), bytes));
    CCsvImport import(Csv());
    const ImportRun run = RunImport(import, NoDiary());
    QVERIFY(!run.compared);
    QVERIFY2(run.problem.startsWith(QStringLiteral("CSVファイルを読み込めません。\n")),
             qPrintable(run.problem));
    QVERIFY2(run.problem.contains(reason), qPrintable(run.problem));
    QVERIFY(import.Changes(true).days.empty());
    QCOMPARE(import.Counts().rows, 0);
}

void TestCsvImport::tooLarge()
{
    // 200 MB, sparse: the size alone refuses it before a byte is read.
    QFile file(Csv());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(file.write("日付,収支\n2003/05/12,100\n") > 0);
    QVERIFY(file.resize(200LL << 20));
    file.close();
    CCsvImport import(Csv());
    QVERIFY(!import.Open());
    QVERIFY2(import.Problem().contains(QStringLiteral("ファイルが大きすぎます（200 MB）")),
             qPrintable(import.Problem()));
    QVERIFY(QFile::remove(Csv()));
    QVERIFY(!CCsvImport(Csv()).Open()); // a file that is not there
}

void TestCsvImport::mapping_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QList<int>>(
            "guess"); // date, balance, collected, invested, store, machine, memo
    QTest::addColumn<bool>("hundred");
    QTest::addColumn<QString>("problem");

    QTest::newRow("usual") << "日付,投資額,回収額,収支" << QList<int>{0, 3, 2, 1, -1, -1, -1}
                           << false << "";
    QTest::newRow("sessions") << "店名,日,台,投資,回収,メモ,回収率"
                              << QList<int>{1, -1, 4, 3, 0, 2, 5} << false << "";
    QTest::newRow("full-width and units") << "年月日,店舗,機種,回収（百円）,投資（百円）,備考"
                                          << QList<int>{0, -1, 3, 4, 1, 2, 5} << true << "";
    QTest::newRow("no date") << "回収,投資" << QList<int>{-1, -1, 0, 1, -1, -1, -1} << false
                             << "日付の列を選んでください。";
    QTest::newRow("collected alone") << "日付,回収,収支" << QList<int>{0, 2, 1, -1, -1, -1, -1}
                                     << false << "回収額と投資額の列は両方とも選んでください。";
    QTest::newRow("no amount") << "日付,曜日" << QList<int>{0, -1, -1, -1, -1, -1, -1} << false
                               << "収支の列か、回収額と投資額の列を選んでください。";
    QTest::newRow("sessions from a balance")
            << "日付,収支,店" << QList<int>{0, 1, -1, -1, 2, -1, -1} << false
            << "店舗・機種・メモの列から";
}

void TestCsvImport::mapping()
{
    QFETCH(QString, header);
    QFETCH(QList<int>, guess);
    QFETCH(bool, hundred);
    QFETCH(QString, problem);
    const ColumnMap map = CCsvImport::GuessMap(header.split(QLatin1Char(',')));
    QCOMPARE((QList<int>{map.date, map.balance, map.collected, map.invested, map.store, map.machine,
                         map.memo}),
             guess);
    QCOMPARE(map.hundred, hundred);
    const QString found = CCsvImport::MappingProblem(map, header.count(QLatin1Char(',')) + 1);
    QVERIFY2(problem.isEmpty() ? found.isEmpty() : found.startsWith(problem), qPrintable(found));

    // Read refuses a mapping it cannot use, with the same words; the file stays unread.
    QVERIFY(WriteBytes(Csv(), header.toUtf8() + "\n2003/05/12,1,2,3,4,5,6,7\n"));
    CCsvImport import(Csv());
    QVERIFY(import.Open());
    QCOMPARE(import.Options().map, map);
    QCOMPARE(import.Read(), problem.isEmpty());
    QCOMPARE(import.Problem(), found);
    ColumnMap twice = map;
    twice.date = twice.memo = 0;
    import.Options().map = twice;
    QVERIFY(!import.Read());
    QCOMPARE(import.Problem(), QStringLiteral("同じ列を二つの項目に選んでいます。"));
}

void TestCsvImport::shiftJisSpecials()
{
    // NEC and IBM extensions, the wave dash of Windows, and the yen sign as 0x5C.
    const QString memo = QStringLiteral("①≒ⅰ纊～髙﨑");
    const QByteArray bytes = ShiftJis(QStringLiteral("日付,店,台,回収,投資,メモ\r\n"
                                                     "2003/05/12,ﾊﾟﾁﾝｺ髙橋,№７,\"\\1,200\",\\500,")
                                      + memo + QStringLiteral("\r\n"));
    QVERIFY(bytes.contains("\x87\x40")); // ① in the NEC row
    QVERIFY(bytes.contains("\xFA\x40") || bytes.contains("\xEE\xEF")); // ⅰ, IBM or NEC-selected
    QVERIFY(bytes.contains("\x81\x60")); // ～
    QVERIFY(WriteBytes(Csv(), bytes));
    CCsvImport import(Csv());
    const ImportRun run = RunImport(import, NoDiary());
    QVERIFY2(run.compared, qPrintable(run.problem));
    QCOMPARE(import.Options().encoding, CsvEncoding::ShiftJis);
    QVERIFY(import.Detected().certain);
    const ImportChanges changes = import.Changes(false);
    QCOMPARE(changes.sessions.size(), size_t(1));
    QCOMPARE(changes.sessions[0].store, QStringLiteral("ﾊﾟﾁﾝｺ髙橋"));
    QCOMPARE(changes.sessions[0].machine, QStringLiteral("№７"));
    QCOMPARE(changes.sessions[0].memo, memo);
    QCOMPARE(changes.sessions[0].collected, 12);
    QCOMPARE(changes.sessions[0].invested, 5);
    QCOMPARE(DayTexts(changes.days), QStringList{"20030512,0,12,5,7"});
}

void TestCsvImport::chosenEncoding()
{
    // A Shift_JIS file read as UTF-8: the header's words are lost and rows with Japanese in
    // them are rejected, each with its reason; chosen back, everything reads.
    const QByteArray bytes
            = ShiftJis(QStringLiteral("日付,収支\n2003/05/12,100円\n2003/05/13,200\n"));
    QVERIFY(WriteBytes(Csv(), bytes));
    CCsvImport import(Csv());
    QVERIFY(import.Open());
    QCOMPARE(import.Options().encoding, CsvEncoding::ShiftJis);
    import.Options().encoding = CsvEncoding::Utf8;
    QVERIFY(import.LoadHeader());
    QCOMPARE(import.Options().map.date, -1);
    import.Options().map.date = 0;
    import.Options().map.balance = 1;
    QVERIFY(import.Read());
    QCOMPARE(import.Counts().rejected, 1);
    QCOMPARE(import.Rejected()[0].line, 2);
    QVERIFY(import.Rejected()[0].reason.startsWith(QStringLiteral("収支の文字が読めません")));

    import.Options().encoding = CsvEncoding::ShiftJis;
    QVERIFY(import.LoadHeader());
    QCOMPARE(import.Options().map.balance, 1);
    QVERIFY(import.Read());
    QCOMPARE(import.Counts().rejected, 0);

    // A lead byte at a field's end is no character, even where the next field could finish it.
    QVERIFY(WriteBytes(Csv(), QByteArray("date,in,out,memo\n2003/05/12,100,0,\x82\n")));
    CCsvImport broken(Csv());
    QVERIFY(broken.Open());
    QVERIFY(!broken.Detected().certain);
    broken.Options().encoding = CsvEncoding::ShiftJis;
    broken.Options().map = {0, -1, 1, 2, -1, -1, -1, false};
    QVERIFY(broken.Read());
    QCOMPARE(broken.Counts().rejected, 0); // without a memo column the row is a day
    broken.Options().map.memo = 3;
    QVERIFY(broken.Read());
    QCOMPARE(broken.Counts().rejected, 1);
    QVERIFY(broken.Rejected()[0].reason.startsWith(QStringLiteral("メモの文字が読めません")));
}

void TestCsvImport::records()
{
    // Random fields of every awkward kind, quoted where needed, across the reader's chunks.
    QRandomGenerator rng(7);
    std::vector<std::vector<QByteArray>> expected;
    std::vector<int> lines;
    QByteArray file;
    int line = 1;
    static const QByteArray kPieces[]
            = {"a", ",", "\"", "\r\n", "\n", "\xE6\x97\xA5", " ", "\x82\xA0", "12"};
    while (file.size() < 600 * 1024) {
        std::vector<QByteArray> fields(1 + rng.bounded(6));
        QByteArray text;
        lines.push_back(line);
        for (size_t f = 0; f < fields.size(); ++f) {
            for (int p = int(rng.bounded(5)); p > 0; --p)
                fields[f] += kPieces[rng.bounded(int(std::size(kPieces)))];
            const bool quote = fields[f].contains(',') || fields[f].contains('"')
                    || fields[f].contains('\n') || fields[f].contains('\r') || rng.bounded(4) == 0;
            QByteArray cell = fields[f];
            if (quote)
                cell = '"' + cell.replace("\"", "\"\"") + '"';
            line += int(fields[f].count('\n'));
            text += (f ? "," : "") + cell;
        }
        if (fields.size() == 1 && fields[0].isEmpty())
            text = "\"\""; // a lone empty field, quoted so that the line is no blank one
        file += text + (rng.bounded(2) ? "\r\n" : "\n");
        ++line;
        expected.push_back(std::move(fields));
    }
    QBuffer buffer(&file);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    CCsvRecords records(buffer, ',');
    for (size_t r = 0; r < expected.size(); ++r) {
        QCOMPARE(records.Next(), CCsvRecords::Status::Record);
        std::vector<QByteArray> got;
        for (const QByteArrayView field : records.Fields())
            got.push_back(field.toByteArray());
        QCOMPARE(got, expected[r]);
        QCOMPARE(records.Line(), lines[r]);
        QVERIFY(!records.Unclosed());
    }
    QCOMPARE(records.Next(), CCsvRecords::Status::End);
}

void TestCsvImport::compareWithDiary()
{
    // The file has 2003/05/10 and 2003/05/11; the book changes 2003/05/12 without saving it.
    const QString data = m_dir.filePath(QStringLiteral("Murel1.Dat"));
    QVERIFY(WriteBytes(data,
                       DataBytes({DataLine(20030510, 0, 30, 10, 20), DataLine(20030511, 1, 0, 0, 5),
                                  DataLine(20030512, 1, 0, 0, 9)})));
    CResultBook book(data);
    QVERIFY(book.LoadPeriod(200312, 1, 0));
    QVERIFY(book.EnterDay(20030512, EntryMethod::Balance, 0, 0, 7));
    QVERIFY(WriteBytes(Csv(),
                       Utf8("日付,回収,投資\n2003/05/10,3000,1000\n2003/05/11,500,0\n"
                            "2003/05/12,700,0\n2003/05/13,100,200\n")));
    CCsvImport import(Csv());
    const ImportRun run = RunImport(import, data, &book);
    QVERIFY2(run.compared, qPrintable(run.problem));
    QCOMPARE(import.Counts().newDays, 1);
    QCOMPARE(import.Counts().changedDays, 2);
    QCOMPARE(import.Counts().identicalDays, 1);
    QList<DayStatus> statuses;
    for (const PreviewRow &row : import.PreviewRows())
        statuses << row.status;
    QCOMPARE(statuses,
             (QList<DayStatus>{DayStatus::Identical, DayStatus::Changed, DayStatus::Changed,
                               DayStatus::New}));
    // Keeping the diary's values writes the new day alone; overwriting writes the others too.
    ImportChanges kept = import.Changes(false);
    QCOMPARE(DayTexts(kept.days), QStringList{"20030513,0,1,2,-1"});
    QCOMPARE(kept.added, 1);
    QCOMPARE(kept.changed, 0);
    ImportChanges overwritten = import.Changes(true);
    QCOMPARE(DayTexts(overwritten.days),
             (QStringList{"20030511,0,5,0,5", "20030512,0,7,0,7", "20030513,0,1,2,-1"}));
    QCOMPARE(overwritten.changed, 2);
    // Without the book, 2003/05/12 is the file's and equal to nothing read either.
    QVERIFY(import.Compare(data, nullptr));
    QCOMPARE(import.Counts().changedDays, 2);

    // A data file that cannot be read stops the comparison and says why.
    QVERIFY(!import.Compare(m_dir.path(), nullptr));
    QVERIFY(!import.Problem().isEmpty());
    QVERIFY(import.Changes(true).days.empty());
}

QTEST_GUILESS_MAIN(TestCsvImport)
#include "tst_csvimport.moc"
