// Files that are not in ascending date order, as hand-edited, merged or restored files are: no
// line outside the loaded period may be lost, and the period's lines are found wherever they stand.
#include "data/BookTestUtil.h"
#include "data/DataFileFormat.h"
#include "data/ResultBook.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string>

using namespace BookTest;

namespace {

QByteArray Crlf(const QByteArrayList &lines)
{
    QByteArray out;
    for (const QByteArray &line : lines)
        out += line + "\r\n";
    return out;
}

// An independent model of the rules. Lines end at LF, a CR before it belongs to the line end, and
// the last line may have none.
QByteArrayList ModelLines(const QByteArray &bytes)
{
    QByteArrayList lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype nl = bytes.indexOf('\n', start);
        if (nl < 0) {
            lines << bytes.mid(start);
            break;
        }
        QByteArray line = bytes.mid(start, nl - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines << line;
        start = nl + 1;
    }
    return lines;
}

// strtol's reading, held to 32 bits.
int32_t ModelNumber(const QByteArray &text)
{
    const std::string s(text.constData(), size_t(text.size()));
    const long long v = std::strtoll(s.c_str(), nullptr, 10);
    return int32_t(std::clamp<long long>(v, std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<int32_t>::max()));
}

// The numbers of the fields that are each ended by a comma, at most five.
QList<int32_t> ModelFields(const QByteArray &line)
{
    QList<int32_t> fields;
    qsizetype start = 0;
    for (qsizetype comma; fields.size() < 5 && (comma = line.indexOf(',', start)) >= 0;
         start = comma + 1)
        fields << ModelNumber(line.mid(start, comma - start));
    return fields;
}

int32_t ModelDate(const QByteArray &line)
{
    const QList<int32_t> fields = ModelFields(line);
    return fields.isEmpty() ? 0 : fields.first();
}

struct ModelDay
{
    int32_t method, balance, collected, invested;
};

std::map<int32_t, ModelDay> ModelLoad(const std::set<int32_t> &period, const QByteArray &file)
{
    std::map<int32_t, ModelDay> days;
    for (const QByteArray &line : ModelLines(file)) {
        const QList<int32_t> f = ModelFields(line);
        if (f.isEmpty() || !period.count(f[0]))
            continue;
        days[f[0]] = {f.value(1, 0), f.value(2, 0) / 100, f.value(3, 0) / 100, f.value(4, 0) / 100};
    }
    for (auto it = days.begin(); it != days.end();)
        it = it->second.method == -1 ? days.erase(it) : std::next(it);
    return days;
}

QByteArray ModelResults(const std::map<int32_t, ModelDay> &days)
{
    QByteArrayList parts;
    for (const auto &[date, d] : days)
        parts << QByteArray::number(date) + ':' + QByteArray::number(d.method) + ':'
                        + QByteArray::number(d.balance) + ':' + QByteArray::number(d.collected)
                        + ':' + QByteArray::number(d.invested);
    return parts.join(' ');
}

QByteArray ModelSave(const std::set<int32_t> &period, const std::map<int32_t, ModelDay> &days,
                     const QByteArray &file)
{
    QByteArray block;
    for (const auto &[date, d] : days)
        block += QByteArray::number(date) + ',' + QByteArray::number(d.method) + ','
                + QByteArray::number(d.balance * 100LL) + ','
                + QByteArray::number(d.collected * 100LL) + ','
                + QByteArray::number(d.invested * 100LL) + ",\r\n";
    QByteArray out;
    bool placed = false;
    for (const QByteArray &line : ModelLines(file)) {
        const int32_t date = ModelDate(line);
        if (!placed && date >= *period.begin()) {
            out += block;
            placed = true;
        }
        if (!period.count(date))
            out += line + "\r\n";
    }
    return placed ? out : out + block;
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
    switch (rng.bounded(12)) {
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
                                 ",,,,,"}
                .at(rng.bounded(7));
    case 9: // blanks before the date
        return QByteArray(rng.bounded(1, 4), ' ') + date + fields();
    case 10: // a cleared day
        return date + ",-1,0,0,0,";
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
    QTest::newRow("a 2004 line moved to the top")
            << Crlf(QByteArrayList{"20040105,0,100,100,0,"} + older + period) << 20030401
            << QByteArray("20030105:0:1:2:1 20030210:1:-3:0:0 20030301:0:9:10:1 20030401:1:5:0:0")
            << Crlf(period + QByteArrayList{"20030401,1,500,0,0,", "20040105,0,100,100,0,"}
                    + older);
    QTest::newRow("two 2003 lines swapped")
            << Crlf({"20021231,0,1,1,0,", "20030210,0,100,100,0,", "20030105,1,-200,0,0,",
                     "20030301,0,300,300,0,", "20040101,0,5,5,0,"})
            << 0 << QByteArray("20030105:1:-2:0:0 20030210:0:1:1:0 20030301:0:3:3:0")
            << Crlf({"20021231,0,1,1,0,", "20030105,1,-200,0,0,", "20030210,0,100,100,0,",
                     "20030301,0,300,300,0,", "20040101,0,5,5,0,"});
    QTest::newRow("junk line before the current year")
            << Crlf({"20010105,0,100,100,0,", "20021230,0,200,200,0,", "1234567890,0,0,0,0,",
                     "20030105,0,100,100,0,", "20030106,1,-100,0,0,", "20030420,0,500,700,200,"})
            << 20030107
            << QByteArray("20030105:0:1:1:0 20030106:1:-1:0:0 20030107:1:5:0:0 20030420:0:5:7:2")
            << Crlf({"20010105,0,100,100,0,", "20021230,0,200,200,0,", "20030105,0,100,100,0,",
                     "20030106,1,-100,0,0,", "20030107,1,500,0,0,", "20030420,0,500,700,200,",
                     "1234567890,0,0,0,0,"});
    QTest::newRow("dates that are no calendar day stay")
            << Crlf({"20030227,0,100,100,0,", "20030228,0,200,200,0,", "20030231,0,300,300,0,",
                     "20030132,1,5,0,0,", "20030301,0,400,400,0,", "20030600,0,1,1,0,"})
            << 0 << QByteArray("20030227:0:1:1:0 20030228:0:2:2:0 20030301:0:4:4:0")
            << Crlf({"20030227,0,100,100,0,", "20030228,0,200,200,0,", "20030301,0,400,400,0,",
                     "20030231,0,300,300,0,", "20030132,1,5,0,0,", "20030600,0,1,1,0,"});
    QTest::newRow("duplicates out of order, the last one wins")
            << QByteArray("20030301,0,100,100,0,\r\n20020101,0,7,7,0,\r\n20030105,0,200,200,0,\r\n"
                          "20030301,1,-900,0,0,\r\n20030105,0,300,300,0,\n20040101,0,1,1,0,")
            << 0 << QByteArray("20030105:0:3:3:0 20030301:1:-9:0:0")
            << Crlf({"20030105,0,300,300,0,", "20030301,1,-900,0,0,", "20020101,0,7,7,0,",
                     "20040101,0,1,1,0,"});
    QTest::newRow("a cleared day's later line loses to nothing")
            << Crlf({"20030105,0,100,100,0,", "20030105,-1,0,0,0,", "20021231,0,1,1,0,"}) << 0
            << QByteArray() << Crlf({"20021231,0,1,1,0,"});
    QTest::newRow("only later years: the block goes before them")
            << Crlf({"20050101,0,1,1,0,", "20010101,0,2,2,0,"}) << 20030301
            << QByteArray("20030301:1:5:0:0")
            << Crlf({"20030301,1,500,0,0,", "20050101,0,1,1,0,", "20010101,0,2,2,0,"});
    QTest::newRow("only earlier years: the block goes at the end")
            << Crlf({"20020101,0,1,1,0,", "19990101,0,2,2,0,"}) << 20030301
            << QByteArray("20030301:1:5:0:0")
            << Crlf({"20020101,0,1,1,0,", "19990101,0,2,2,0,", "20030301,1,500,0,0,"});
    QTest::newRow("cut last lines get their line end")
            << QByteArray("20030105,0,100,100,0,\r\n2004010") << 0 << QByteArray("20030105:0:1:1:0")
            << Crlf({"20030105,0,100,100,0,", "2004010"});
    QTest::newRow("cut last line of the period")
            << QByteArray("20020101,0,1,1,0,\r\n20030105,1,-100,0,0,") << 0
            << QByteArray("20030105:1:-1:0:0")
            << Crlf({"20020101,0,1,1,0,", "20030105,1,-100,0,0,"});
    const QByteArray blanks(70000, ' ');
    QTest::newRow("the date's comma beyond the read buffer")
            << QByteArray(blanks + "20030105,0,100,100,0,\r\n20020101,0,1,1,0,\r\n" + blanks
                          + "19990101,0,2,2,0,\r\n" + "20030106" + QByteArray(70000, 'x') + "\r\n")
            << 0 << QByteArray("20030105:0:1:1:0")
            << QByteArray("20030105,0,100,100,0,\r\n20020101,0,1,1,0,\r\n" + blanks
                          + "19990101,0,2,2,0,\r\n" + "20030106" + QByteArray(70000, 'x') + "\r\n");
}

void TestDataFileOrder::outOfOrder()
{
    QFETCH(QByteArray, file);
    QFETCH(int, typed);
    QFETCH(QByteArray, loaded);
    QFETCH(QByteArray, saved);
    WriteBytes(m_path, file);
    CTestBook book(m_path);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    if (typed != 0)
        SetDay(book, typed, 1, 0, 0, 5);
    QCOMPARE(Results(book), loaded);
    QCOMPARE(ReadBytes(m_path), file); // loading never writes
    QVERIFY(book.Save());
    QCOMPARE(ReadBytes(m_path), saved);
    // Saved once, the file is in the writer's form: loading and saving again changes nothing.
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    QCOMPARE(Results(book), loaded);
    book.SetModified();
    QVERIFY(book.Save());
    QCOMPARE(ReadBytes(m_path), saved);
}

void TestDataFileOrder::matchesModel_data()
{
    QTest::addColumn<int>("endMonth");
    QTest::addColumn<int>("january");
    QTest::addColumn<int>("back");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("2003/01-05") << 200305 << 1 << 0 << 1u;
    QTest::newRow("2002/06-2003/05") << 200305 << 0 << 0 << 2u;
    QTest::newRow("2003/04-2004/03, 29 February") << 200403 << 0 << 0 << 3u;
    QTest::newRow("2001, two years back") << 200112 << 1 << 2 << 4u;
}

// Random files of every kind of line, in random order: the reader and the writer agree with the
// model of the rules, and no line outside the period is lost.
void TestDataFileOrder::matchesModel()
{
    QFETCH(int, endMonth);
    QFETCH(int, january);
    QFETCH(int, back);
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    int onDisk = 0;
    for (int round = 0; round < 250; ++round) {
        QByteArray file;
        const int lines = rng.bounded(0, 40);
        for (int k = 0; k < lines; ++k)
            file += RandomLine(rng) + (rng.bounded(4) == 0 ? "\n" : "\r\n");
        if (rng.bounded(3) == 0)
            file.chop(file.endsWith("\r\n") ? 2 : file.endsWith('\n') ? 1 : 0); // cut at the end

        CTestBook book(m_path);
        const bool viaFile = round % 10 == 0; // the rest through the streams, to keep it quick
        if (viaFile) {
            WriteBytes(m_path, file);
            QVERIFY(book.LoadPeriod(endMonth, january, back));
        } else {
            book.BuildCalendar(endMonth, january, back);
            qsizetype offset = 0;
            QVERIFY(ReadPeriod(book.RawDays().data(), book.DayCount(),
                               [&](char *buffer, qint64 want) {
                                   const qint64 n = std::min<qint64>(want, file.size() - offset);
                                   std::memcpy(buffer, file.constData() + offset, size_t(n));
                                   offset += n;
                                   return n;
                               }));
        }
        std::set<int32_t> period;
        for (int i = 0; i < book.DayCount(); ++i)
            period.insert(book.Day(i).date);
        std::map<int32_t, ModelDay> expected = ModelLoad(period, file);
        QCOMPARE(Results(book), ModelResults(expected));

        // Type or clear a day now and then, as the user would.
        if (rng.bounded(2) == 0) {
            const int i = rng.bounded(book.DayCount());
            const int method = rng.bounded(-1, 2);
            const int balance = rng.bounded(-500, 500);
            SetDay(book, book.Day(i).date, method, 0, 0, method == -1 ? 0 : balance);
            expected.erase(book.Day(i).date);
            if (method != -1)
                expected[book.Day(i).date] = {method, balance, 0, 0};
        }
        QCOMPARE(Results(book), ModelResults(expected));

        QByteArray saved;
        if (viaFile) {
            QVERIFY(book.Save());
            saved = ReadBytes(m_path);
            ++onDisk;
        } else {
            book.Clear(); // the stream run has no file to save to at the end
            book.BuildCalendar(endMonth, january, back);
            for (const auto &[date, d] : expected) {
                DayResult &day = book.RawDay(book.IndexOf(date));
                day.entryMethod = static_cast<EntryMethod>(d.method);
                day.balance = d.balance;
                day.collected = d.collected;
                day.invested = d.invested;
            }
            qsizetype offset = 0;
            QVERIFY(WritePeriod(
                    book.Days().data(), book.DayCount(),
                    [&](char *buffer, qint64 want) {
                        const qint64 n = std::min<qint64>(want, file.size() - offset);
                        std::memcpy(buffer, file.constData() + offset, size_t(n));
                        offset += n;
                        return n;
                    },
                    [&](qint64 to) { return (offset = qsizetype(to)) <= file.size(); },
                    [&](const char *data, qint64 size) {
                        saved.append(data, size);
                        return size;
                    }));
        }
        QCOMPARE(saved, ModelSave(period, expected, file));
        // Said plainly: every line outside the period is still there, in its order.
        QByteArrayList keptBefore, keptAfter;
        for (const QByteArray &line : ModelLines(file))
            if (!period.count(ModelDate(line)))
                keptBefore << line;
        for (const QByteArray &line : ModelLines(saved))
            if (!period.count(ModelDate(line)))
                keptAfter << line;
        QCOMPARE(keptAfter, keptBefore);
    }
    QCOMPARE(onDisk, 25);
}

QTEST_GUILESS_MAIN(TestDataFileOrder)
#include "tst_datafile_order.moc"
