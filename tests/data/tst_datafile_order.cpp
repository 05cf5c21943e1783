// Files that are not in ascending date order, as hand-edited, merged or restored files are: the
// period's lines are found wherever they stand, and a save changes only the lines of the days it
// writes, wherever they stand.
#include "common/RandomDataFile.h"
#include "data/BookTestUtil.h"
#include "data/ResultBook.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

using namespace BookTest;

namespace {

QByteArray Crlf(const QByteArrayList &lines)
{
    QByteArray out;
    for (const QByteArray &line : lines)
        out += line + "\r\n";
    return out;
}

// The model's days of the period that have a result, as Results() writes a book's.
QByteArray ModelResults(const CResultBook &book, const QByteArray &file)
{
    const std::map<int, ModelDay> all = ModelDays(file);
    QByteArrayList parts;
    for (const DayResult &day : book.Days()) {
        const auto it = all.find(day.date);
        if (it == all.end() || it->second.method == -1)
            continue;
        const ModelDay &d = it->second;
        parts << QByteArray::number(day.date) + ':' + QByteArray::number(d.method) + ':'
                        + QByteArray::number(d.balance) + ':' + QByteArray::number(d.collected)
                        + ':' + QByteArray::number(d.invested);
    }
    return parts.join(' ');
}

// A random line of one of the kinds that real and damaged files hold.
QByteArray RandomLine(QRandomGenerator &rng)
{
    auto amount = [&] { return QByteArray::number(int(rng.bounded(-3000, 3000)) * 50); };
    auto fields = [&] {
        return ',' + QByteArray::number(rng.bounded(-1, 3)) + ',' + amount() + ',' + amount() + ','
                + amount() + ',';
    };
    const int year = rng.bounded(1999, 2007);
    const int month = rng.bounded(1, 13);
    const int day = rng.bounded(1, 29);
    const QByteArray date = QByteArray::number(year * 10000 + month * 100 + day);
    switch (rng.bounded(13)) {
    case 0:
    case 1:
    case 2:
    case 3: // a real date, often inside the test periods
        return QByteArray::number(20030000 + rng.bounded(1, 6) * 100 + rng.bounded(1, 32))
                + fields();
    case 4:
    case 5:
        return date + fields();
    case 6: // not a calendar date
        return QByteArray::number(20030000 + rng.bounded(0, 14) * 100
                                  + QList<int>{0, 30, 31, 32, 99}.at(rng.bounded(5)))
                + fields();
    case 7: // fields short of their commas
        return (date + fields()).left(rng.bounded(0, 20));
    case 8:
        return QList<QByteArray>{"",
                                 "xyz,1,2,3,4,",
                                 "1234567890,0,0,0,0,",
                                 "-5,0,1,1,1,",
                                 "+20030105,0,100,100,100,",
                                 "2003",
                                 "20030107",
                                 ",,,,,"}
                .at(rng.bounded(8));
    case 9: // blanks before the date
        return QByteArray(rng.bounded(1, 4), ' ') + date + fields();
    case 10: // a cleared day
        return date + ",-1,0,0,0,";
    case 11: // a memo after the fifth field
        return date + fields() + "memo 1,2";
    default:
        return date + fields() + "extra";
    }
}

} // namespace

class TestDataFileOrder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void outOfOrder_data();
    void outOfOrder();
    void matchesModel_data();
    void matchesModel();
    void canonicalFilesAsBefore_data();
    void canonicalFilesAsBefore();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestDataFileOrder::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Murel1.Dat"));
}

void TestDataFileOrder::outOfOrder_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("typed"); // a day given a balance of 5 before the save; 0: none
    QTest::addColumn<QByteArray>("loaded");
    QTest::addColumn<QByteArray>("saved");

    // The period is 2003/01 to 2003/05.
    const QByteArrayList older
            = {"20010110,0,200,300,100,", "20010520,1,-400,0,0,", "20011231,0,0,100,100,",
               "20020301,0,500,500,0,", "20021120,1,700,0,0,"};
    const QByteArrayList period
            = {"20030105,0,100,200,100,", "20030210,1,-300,0,0,", "20030301,0,900,1000,100,"};
    QTest::newRow("a 2004 line at the top: a new day goes before it")
            << Crlf(QByteArrayList{"20040105,0,100,100,0,"} + older + period) << 20030401
            << QByteArray("20030105:0:1:2:1 20030210:1:-3:0:0 20030301:0:9:10:1 20030401:1:5:0:0")
            << Crlf(QByteArrayList{"20030401,1,500,0,0,", "20040105,0,100,100,0,"} + older
                    + period);
    QTest::newRow("two 2003 lines swapped stay swapped")
            << Crlf({"20021231,0,1,1,0,", "20030210,0,100,100,0,", "20030105,1,-200,0,0,",
                     "20030301,0,300,300,0,", "20040101,0,5,5,0,"})
            << 20030105 << QByteArray("20030105:1:5:0:0 20030210:0:1:1:0 20030301:0:3:3:0")
            << Crlf({"20021231,0,1,1,0,", "20030210,0,100,100,0,", "20030105,1,500,0,0,",
                     "20030301,0,300,300,0,", "20040101,0,5,5,0,"});
    QTest::newRow("junk line with a huge date: a new day goes before it")
            << Crlf({"20010105,0,100,100,0,", "20021230,0,200,200,0,", "1234567890,0,0,0,0,",
                     "20030105,0,100,100,0,", "20030106,1,-100,0,0,", "20030420,0,500,700,200,"})
            << 20030107
            << QByteArray("20030105:0:1:1:0 20030106:1:-1:0:0 20030107:1:5:0:0 20030420:0:5:7:2")
            << Crlf({"20010105,0,100,100,0,", "20021230,0,200,200,0,", "20030107,1,500,0,0,",
                     "1234567890,0,0,0,0,", "20030105,0,100,100,0,", "20030106,1,-100,0,0,",
                     "20030420,0,500,700,200,"});
    QTest::newRow("dates that are no calendar day stay")
            << Crlf({"20030227,0,100,100,0,", "20030228,0,200,200,0,", "20030231,0,300,300,0,",
                     "20030132,1,5,0,0,", "20030301,0,400,400,0,", "20030600,0,1,1,0,"})
            << 20030228 << QByteArray("20030227:0:1:1:0 20030228:1:5:0:0 20030301:0:4:4:0")
            << Crlf({"20030227,0,100,100,0,", "20030228,1,500,0,0,", "20030231,0,300,300,0,",
                     "20030132,1,5,0,0,", "20030301,0,400,400,0,", "20030600,0,1,1,0,"});
    QTest::newRow("duplicates out of order: the day's last line is replaced, the others go")
            << QByteArray("20030301,0,100,100,0,\r\n20020101,0,7,7,0,\r\n20030105,0,200,200,0,\r\n"
                          "20030301,1,-900,0,0,\r\n20030105,0,300,300,0,\n20040101,0,1,1,0,")
            << 20030301 << QByteArray("20030105:0:3:3:0 20030301:1:5:0:0")
            << Crlf({"20020101,0,7,7,0,", "20030105,0,200,200,0,", "20030301,1,500,0,0,",
                     "20030105,0,300,300,0,", "20040101,0,1,1,0,"});
    QTest::newRow("a cleared day's later line loses to nothing; untouched, both stay")
            << Crlf({"20030105,0,100,100,0,", "20030105,-1,0,0,0,", "20021231,0,1,1,0,"})
            << 20030110 << QByteArray("20030110:1:5:0:0")
            << Crlf({"20030105,0,100,100,0,", "20030105,-1,0,0,0,", "20021231,0,1,1,0,",
                     "20030110,1,500,0,0,"});
    QTest::newRow("only later years: the new day goes before them")
            << Crlf({"20050101,0,1,1,0,", "20010101,0,2,2,0,"}) << 20030301
            << QByteArray("20030301:1:5:0:0")
            << Crlf({"20030301,1,500,0,0,", "20050101,0,1,1,0,", "20010101,0,2,2,0,"});
    QTest::newRow("only earlier years: the new day goes at the end")
            << Crlf({"20020101,0,1,1,0,", "19990101,0,2,2,0,"}) << 20030301
            << QByteArray("20030301:1:5:0:0")
            << Crlf({"20020101,0,1,1,0,", "19990101,0,2,2,0,", "20030301,1,500,0,0,"});
    QTest::newRow("cut last lines get their line end")
            << QByteArray("20030105,0,100,100,0,\r\n2004010") << 20030106
            << QByteArray("20030105:0:1:1:0 20030106:1:5:0:0")
            << Crlf({"20030105,0,100,100,0,", "2004010", "20030106,1,500,0,0,"});
    QTest::newRow("cut last line of the period, replaced")
            << QByteArray("20020101,0,1,1,0,\r\n20030105,1,-100,0,") << 20030105
            << QByteArray("20030105:1:5:0:0") << Crlf({"20020101,0,1,1,0,", "20030105,1,500,0,0,"});
    const QByteArray blanks(140000, ' ');
    QTest::newRow("the date's comma beyond the read buffer")
            << QByteArray(blanks + "20030105,0,100,100,0,\r\n20020101,0,1,1,0,\r\n" + blanks
                          + "19990101,0,2,2,0,\r\n" + "20030106" + QByteArray(140000, 'x') + "\r\n")
            << 20030105 << QByteArray("20030105:1:5:0:0 20030106:0:0:0:0")
            << QByteArray("20030105,1,500,0,0,\r\n20020101,0,1,1,0,\r\n" + blanks
                          + "19990101,0,2,2,0,\r\n" + "20030106" + QByteArray(140000, 'x')
                          + "\r\n");
    QTest::newRow("a long line of the day entered is replaced")
            << QByteArray("20030106" + QByteArray(140000, 'x') + "\r\n20030107,1,100,0,0,\n")
            << 20030106 << QByteArray("20030106:1:5:0:0 20030107:1:1:0:0")
            << QByteArray("20030106,1,500,0,0,\r\n20030107,1,100,0,0,\r\n");
}

void TestDataFileOrder::outOfOrder()
{
    QFETCH(QByteArray, file);
    QFETCH(int, typed);
    QFETCH(QByteArray, loaded);
    QFETCH(QByteArray, saved);
    WriteBytes(m_path, file);
    CResultBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    QCOMPARE(ReadBytes(m_path), file); // loading never writes
    QVERIFY(book.EnterDay(typed, EntryMethod::Balance, 0, 0, 5));
    QCOMPARE(Results(book), loaded);
    QVERIFY(book.Save());
    QCOMPARE(ReadBytes(m_path), saved);
    QVERIFY(!book.FoundChangedElsewhere());
    // The same through a book that never read the file: it looks for the day's lines first.
    WriteBytes(m_path, file);
    CResultBook fresh(m_path);
    fresh.BuildCalendar(200305, 1, 0);
    const DayChange change{typed, DayRecord{1, 0, 0, 5}};
    QVERIFY(fresh.SaveDays({&change, 1}));
    QCOMPARE(ReadBytes(m_path), saved);
    QCOMPARE(fresh.Day(fresh.IndexOf(typed)).balance, 5); // the day written shows
}

void TestDataFileOrder::matchesModel_data()
{
    QTest::addColumn<int>("endMonth");
    QTest::addColumn<int>("january");
    QTest::addColumn<int>("back");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("shaped"); // files of RandomDataFile's shapes, otherwise line soup
    QTest::newRow("2003/01-05") << 200305 << 1 << 0 << 1u << false;
    QTest::newRow("2002/06-2003/05") << 200305 << 0 << 0 << 2u << false;
    QTest::newRow("2003/04-2004/03, 29 February") << 200403 << 0 << 0 << 3u << false;
    QTest::newRow("2001, two years back") << 200112 << 1 << 2 << 4u << false;
    QTest::newRow("shaped, 2003/01-05") << 200305 << 1 << 0 << 5u << true;
    QTest::newRow("shaped, 2002/06-2003/05") << 200305 << 0 << 0 << 6u << true;
}

// Random files of every kind of line, in random order, with days of the period and of other years
// written: the reader and the save agree with the model of the rules, the period is read back
// from what was written, and a save with nothing entered leaves the bytes alone.
void TestDataFileOrder::matchesModel()
{
    QFETCH(int, endMonth);
    QFETCH(int, january);
    QFETCH(int, back);
    QFETCH(quint32, seed);
    QFETCH(bool, shaped);
    QRandomGenerator rng(seed);
    for (int round = 0; round < 120; ++round) {
        QByteArray file;
        if (shaped) {
            FileShape shape;
            shape.lines = rng.bounded(0, 60);
            shape.shuffled = rng.bounded(2) == 0;
            shape.duplicatePercent = 15;
            shape.junkPercent = 10;
            shape.invalidPercent = 5;
            shape.noCommaPercent = 5;
            shape.handPercent = 25;
            shape.mixedLineEnds = true;
            shape.cutLastLine = rng.bounded(2) == 0;
            file = RandomDataFile(rng, shape);
        } else {
            const int lines = rng.bounded(0, 40);
            for (int k = 0; k < lines; ++k)
                file += RandomLine(rng) + (rng.bounded(4) == 0 ? "\n" : "\r\n");
            if (rng.bounded(3) == 0)
                file.chop(file.endsWith("\r\n") ? 2 : file.endsWith('\n') ? 1 : 0); // cut
        }
        WriteBytes(m_path, file);

        CResultBook book(m_path);
        QVERIFY(book.LoadPeriod(endMonth, january, back));
        QCOMPARE(Results(book), ModelResults(book, file));

        // Days entered in the period, and days of any year written beside them.
        std::map<int, ModelDay> changes;
        for (int n = int(rng.bounded(4)); n > 0; --n) {
            const int date = book.Day(rng.bounded(book.DayCount())).date;
            const int balance = rng.bounded(2) == 0 ? 0 : rng.bounded(-500, 500);
            QVERIFY(book.EnterDay(date, EntryMethod::Balance, 0, 0, balance));
            changes[date] = balance == 0 ? ModelDay{} : ModelDay{1, 0, 0, balance};
        }
        std::vector<DayChange> given;
        for (int n = int(rng.bounded(3)); n > 0; --n) {
            const QDate day = QDate(rng.bounded(1999, 2007), 1, 1).addDays(rng.bounded(365));
            const int date = day.year() * 10000 + day.month() * 100 + day.day();
            if (changes.count(date) || (!given.empty() && given.back().date >= date))
                continue;
            const int amount = rng.bounded(0, 50);
            given.push_back(
                    {date, amount == 0 ? DayRecord{} : DayRecord{0, amount, 10, amount - 10}});
            changes[date] = amount == 0 ? ModelDay{} : ModelDay{0, amount, 10, amount - 10};
        }
        QVERIFY(book.SaveDays(given));
        const QByteArray saved = ReadBytes(m_path);
        QCOMPARE(saved, ModelSave(file, changes));
        QCOMPARE(Results(book), ModelResults(book, saved));
        QVERIFY(!book.IsModified());

        // Nothing entered: nothing written.
        QVERIFY(book.Save());
        QCOMPARE(ReadBytes(m_path), saved);
    }
}

void TestDataFileOrder::canonicalFilesAsBefore_data()
{
    QTest::addColumn<int>("endMonth");
    QTest::addColumn<int>("january");
    QTest::addColumn<int>("back");
    QTest::newRow("2003/01-05") << 200305 << 1 << 0;
    QTest::newRow("2002/06-2003/05") << 200305 << 0 << 0;
    QTest::newRow("2001") << 200112 << 1 << 2;
}

// A file in date order whose lines are all as the program writes them is saved with the bytes
// it always was: the lines before the period, the period's days that have a result, the lines
// after it.
void TestDataFileOrder::canonicalFilesAsBefore()
{
    QFETCH(int, endMonth);
    QFETCH(int, january);
    QFETCH(int, back);
    QRandomGenerator rng(uint(endMonth + back));
    for (int round = 0; round < 60; ++round) {
        std::map<int, ModelDay> days;
        for (int n = rng.bounded(0, 80); n > 0; --n) {
            const QDate day = QDate(2000, 1, 1).addDays(rng.bounded(6 * 365));
            const int balance = rng.bounded(-300, 300);
            days[day.year() * 10000 + day.month() * 100 + day.day()] = rng.bounded(2) == 0
                    ? ModelDay{1, 0, 0, balance == 0 ? 1 : balance}
                    : ModelDay{0, 400, 400 - balance, balance};
        }
        QByteArray file;
        for (const auto &[date, d] : days)
            file += ModelCanonical(date, d);
        WriteBytes(m_path, file);
        CResultBook book(m_path);
        QVERIFY(book.LoadPeriod(endMonth, january, back));
        for (int n = rng.bounded(0, 5); n > 0; --n) {
            const int date = book.Day(rng.bounded(book.DayCount())).date;
            const int amount = rng.bounded(0, 3) * 100;
            QVERIFY(book.EnterDay(date, EntryMethod::Amounts, amount, 100, 0));
        }
        const bool entered = book.IsModified();
        QVERIFY(book.Save());
        // As a save always wrote it: the period's days in one block where the period stands.
        QByteArray before, block, after;
        for (const auto &[date, d] : days) {
            if (date < book.Day(0).date)
                before += ModelCanonical(date, d);
            else if (date > book.Day(book.DayCount() - 1).date)
                after += ModelCanonical(date, d);
        }
        for (const DayResult &d : book.Days())
            if (d.entryMethod != EntryMethod::None)
                block += ModelCanonical(
                        d.date, ModelDay{int(d.entryMethod), d.collected, d.invested, d.balance});
        QCOMPARE(ReadBytes(m_path), entered ? before + block + after : file);
    }
}

QTEST_GUILESS_MAIN(TestDataFileOrder)
#include "tst_datafile_order.moc"
