#include "data/YearReader.h"

#include "common/RandomDataFile.h"
#include "common/Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <unistd.h>

namespace {

const QString kLoadFailed = QStringLiteral("ファイルの読み込みに失敗しました。");

// Keeps what the reader hands out since its last Begin.
class Collector : public CYearSink
{
public:
    int begins = 0;
    std::vector<int> order;
    std::map<int, ModelDay> days;
    bool lengthsRight = true;

    void Begin() override
    {
        ++begins;
        order.clear();
        days.clear();
    }
    void TakeYear(int year, std::span<const DayRecord> records) override
    {
        order.push_back(year);
        lengthsRight &= int(records.size()) == (QDate::isLeapYear(year) ? 366 : 365);
        QDate date(year, 1, 1);
        for (const DayRecord &r : records) {
            const ModelDay day{r.method, r.collected, r.invested, r.balance};
            if (day != ModelDay())
                days[date.year() * 10000 + date.month() * 100 + date.day()] = day;
            date = date.addDays(1);
        }
    }

    // "date:method:balance:collected:invested" of every day read, joined by blanks.
    QByteArray Text() const
    {
        QByteArrayList parts;
        for (const auto &[date, d] : days)
            parts << QByteArray::number(date) + ':' + QByteArray::number(d.method) + ':'
                            + QByteArray::number(d.balance) + ':' + QByteArray::number(d.collected)
                            + ':' + QByteArray::number(d.invested);
        return parts.join(' ');
    }
};

// A reader with a small line buffer, or whose reads fail once a number of bytes went through.
class TestReader : public CYearReader
{
public:
    using CYearReader::CYearReader;
    qint64 readLimit = -1;
    qint64 chunk = 0; // when not 0, no read gives more bytes than this
    void SetCapacity(qsizetype capacity) { m_capacity = capacity; }

protected:
    qint64 ReadIn(QIODevice &in, char *buffer, qint64 size) override
    {
        if (chunk > 0)
            size = qMin(size, chunk);
        if (readLimit < 0)
            return CYearReader::ReadIn(in, buffer, size);
        if (readLimit == 0)
            return -1;
        const qint64 n = CYearReader::ReadIn(in, buffer, qMin(size, readLimit));
        readLimit -= qMax<qint64>(n, 0);
        return n;
    }
};

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

std::map<int, ModelDay> WithoutEmptyDays(std::map<int, ModelDay> days)
{
    std::erase_if(days, [](const auto &entry) { return entry.second == ModelDay(); });
    return days;
}

QByteArray Lines(int firstYear, int lastYear, int step)
{
    QByteArray file;
    for (int year = firstYear; step > 0 ? year <= lastYear : year >= lastYear; year += step)
        file += QByteArray::number(year * 10000 + 704) + ",0,100,300,200,\r\n";
    return file;
}

// Ten lines of each year as the program writes them, one a day.
QByteArray PlainYears(int firstYear, int lastYear, int step)
{
    QByteArray file;
    for (int year = firstYear; step > 0 ? year <= lastYear : year >= lastYear; year += step) {
        for (int day = 1; day <= 10; ++day)
            file += QByteArray::number(year * 10000 + 700 + day) + ",0,-4500,10000,14500,\r\n";
    }
    return file;
}

// A file mostly as the program writes it, day after day with gaps and repeats, whose numbers
// have every width from one digit to ten; now and then a day that does not exist, a stray byte
// or something after the last field.
QByteArray PlainFile(QRandomGenerator &rng, int lines)
{
    auto number = [&](int widest) {
        QByteArray text = rng.bounded(3) == 0 ? "-" : "";
        for (int k = int(rng.bounded(widest)); k >= 0; --k)
            text += char('0' + rng.bounded(10));
        return text;
    };
    static const char kStray[] = {' ', '+', '-', 'x', '.', '/', ':', '\0', '\x80', '\xB0', '\r'};
    static const char *const kTails[] = {"", "", "", "", "5,", "junk", " ", "\r"};
    QByteArray file;
    QDate day(2003, 12, 25);
    for (int n = 0; n < lines; ++n) {
        const int roll = int(rng.bounded(100));
        if (roll < 75)
            day = day.addDays(1);
        else if (roll < 90)
            day = day.addDays(rng.bounded(60));
        QByteArray line = QByteArray::number(day.year() * 10000 + day.month() * 100 + day.day());
        if (rng.bounded(30) == 0)
            line.replace(6, 2, QByteArrayList{"00", "29", "30", "31", "32", "39"}[rng.bounded(6)]);
        line += ',' + number(rng.bounded(10) == 0 ? 9 : 1) + ',';
        for (int k = 0; k < 3; ++k)
            line += number(rng.bounded(5) == 0 ? 10 : 6) + ',';
        line += kTails[rng.bounded(8)];
        if (rng.bounded(25) == 0)
            line[rng.bounded(line.size())] = kStray[rng.bounded(quint32(sizeof kStray))];
        file += line + (rng.bounded(4) == 0 ? "\n" : "\r\n");
    }
    return file;
}

} // namespace

Q_DECLARE_METATYPE(FileShape)

class TestYearReader : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void dayOfYear_data();
    void dayOfYear();
    void reader_data();
    void reader();
    void lineForms_data();
    void lineForms();
    void matchesModel_data();
    void matchesModel();
    void plainLines_data();
    void plainLines();
    void bufferEdges_data();
    void bufferEdges();
    void plainFilesMatchModel();
    void missingFileIsNoYears();
    void failedReads_data();
    void failedReads();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestYearReader::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Murel1.Dat"));
}

void TestYearReader::dayOfYear_data()
{
    QTest::addColumn<int>("date");
    QTest::addColumn<int>("index");
    QTest::newRow("1 January") << 20030101 << 0;
    QTest::newRow("31 December") << 20031231 << 364;
    QTest::newRow("31 December, leap year") << 20041231 << 365;
    QTest::newRow("1 March after 29 February") << 20040301 << 60;
    QTest::newRow("29 February 2004") << 20040229 << 59;
    QTest::newRow("29 February 2000") << 20000229 << 59;
    QTest::newRow("no 29 February 2003") << 20030229 << -1;
    QTest::newRow("no 29 February 2100") << 21000229 << -1;
    QTest::newRow("31 February") << 20030231 << -1;
    QTest::newRow("31 April") << 20030431 << -1;
    QTest::newRow("month 13") << 20031301 << -1;
    QTest::newRow("month 0") << 20030001 << -1;
    QTest::newRow("day 0") << 20030100 << -1;
    QTest::newRow("year 1") << 10101 << 0;
    QTest::newRow("year 0") << 101 << -1;
    QTest::newRow("negative") << -20030101 << -1;
    QTest::newRow("largest year in 32 bits") << 2147471231 << 364;
    QTest::newRow("32-bit limit") << 2147483647 << -1;
}

void TestYearReader::dayOfYear()
{
    QFETCH(int, date);
    QFETCH(int, index);
    QCOMPARE(CYearReader::DayOfYear(date), index);
}

void TestYearReader::reader_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("days");
    QTest::addColumn<QList<int>>("years");
    QTest::addColumn<int>("passes");

    QTest::newRow("as written") << QByteArray(
            "20030512,0,-5000,10000,15000,\r\n20030513,1,3000,0,0,\r\n")
                                << QByteArray("20030512:0:-50:100:150 20030513:1:30:0:0")
                                << QList<int>{2003} << 1;
    QTest::newRow("LF, last line without its end")
            << QByteArray("20021231,0,100,200,100,\n20030101,1,-700,0,0,")
            << QByteArray("20021231:0:1:2:1 20030101:1:-7:0:0") << QList<int>{2002, 2003} << 1;
    QTest::newRow("later line of a date wins, wherever it stands")
            << QByteArray("20030101,0,100,200,100,\r\n20040105,1,1,0,0,\r\n"
                          "20030101,1,-700,0,0,\r\n")
            << QByteArray("20030101:1:-7:0:0 20040105:1:0:0:0") << QList<int>{2003, 2004} << 1;
    QTest::newRow("an earlier year after a later one")
            << QByteArray("20050301,1,500,0,0,\r\n20030301,1,300,0,0,\r\n")
            << QByteArray("20030301:1:3:0:0 20050301:1:5:0:0") << QList<int>{2003, 2005} << 1;
    QTest::newRow("dates that are no calendar days")
            << QByteArray("20030231,1,100,0,0,\r\n20030229,1,100,0,0,\r\n20031301,1,1,0,0,\r\n"
                          "20030100,1,1,0,0,\r\n00000101,0,100,100,0,\r\n-20030101,1,1,0,0,\r\n"
                          "20040229,1,200,0,0,\r\n")
            << QByteArray("20040229:1:2:0:0") << QList<int>{2004} << 1;
    // A line without a comma is its date alone: a day with method 0 and nothing else.
    QTest::newRow("garbage, empty lines and lines without a comma")
            << QByteArray("xyz,1,2,3,4,\r\n\r\n\n,0,100,100,100,\r\n20030107\r\n"
                          "20030103,0,100,100,100,\r\n")
            << QByteArray("20030103:0:1:1:1 20030107:0:0:0:0") << QList<int>{2003} << 1;
    // A field ends at a comma or at the line's end; missing fields read 0.
    QTest::newRow("fields ended by the line's end")
            << QByteArray("20030102,0,500,500,500\r\n20030106,\r\n20030108,7,-300\r\n"
                          "20030111,0,12000,30000,18000\n20030115,1,-7000")
            << QByteArray("20030102:0:5:5:5 20030106:0:0:0:0 20030108:7:-3:0:0 "
                          "20030111:0:120:300:180 20030115:1:-70:0:0")
            << QList<int>{2003} << 1;
    QTest::newRow("conversion rules")
            << QByteArray(" 20030104, +1, -200,0x10,1234abc,\r\n20030105,\t-0,- 5,+-5,00300,\r\n"
                          "20030106,0,99999999999,-99999999999,2147483647,junk\r\n"
                          "20030107,0,-150,150,1234567890,\r\n")
            << QByteArray("20030104:1:-2:0:12 20030105:0:0:0:3 "
                          "20030106:0:21474836:-21474836:21474836 20030107:0:-1:1:12345678")
            << QList<int>{2003} << 1;
    QTest::newRow("entry method -1 is read as it stands")
            << QByteArray("20030103,-1,100,100,100,\r\n") << QByteArray("20030103:-1:1:1:1")
            << QList<int>{2003} << 1;
    QTest::newRow("a line longer than the read buffer")
            << QByteArray("20030109,0," + QByteArray(200000, ' ')
                          + "500,600,700,\r\n20030110,1,100,0,0,\r\n")
            << QByteArray("20030109:0:5:6:7 20030110:1:1:0:0") << QList<int>{2003} << 1;
    QTest::newRow("sixteen years open at once")
            << Lines(2000, 2015, 1) + Lines(2000, 2015, 1).replace(",0,100,300,200,", ",1,9,0,0,")
            << QByteArray() << QList<int>{} << 1;
    QTest::newRow("a year handed out comes back")
            << Lines(2000, 2016, 1) + "20000704,1,900,0,0,\r\n"
            << QByteArray() << QList<int>{} << 2;
    QTest::newRow("descending years") << Lines(2030, 2000, -1) << QByteArray() << QList<int>{} << 2;
    QTest::newRow("more years than one batch, descending")
            << Lines(1800, 1500, -1) << QByteArray() << QList<int>{} << 1 + 3;
    QTest::newRow("empty file") << QByteArray() << QByteArray() << QList<int>{} << 1;
    QTest::newRow("a year handed out comes back amid plain lines")
            << PlainYears(2000, 2016, 1) + "20000704,1,900,0,0,\r\n" + PlainYears(2017, 2018, 1)
            << QByteArray() << QList<int>{} << 2;
    QTest::newRow("descending years of plain lines")
            << PlainYears(2030, 2000, -1) << QByteArray() << QList<int>{} << 2;
    // Lines with a blank before the date are read the general way.
    QByteArray blankFirst;
    for (const QByteArray &line : Lines(2001, 2016, 1).split('\n'))
        blankFirst += line.isEmpty() ? QByteArray() : ' ' + line + '\n';
    QTest::newRow("a plain line of a year whose slot other lines took")
            << PlainYears(2000, 2000, 1) + blankFirst + "20000711,1,900,0,0,\r\n"
                    + PlainYears(2017, 2017, 1)
            << QByteArray() << QList<int>{} << 2;
}

void TestYearReader::reader()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, days);
    QFETCH(QList<int>, years);
    QFETCH(int, passes);
    WriteBytes(m_path, file);

    CYearReader reader(m_path);
    Collector sink;
    QVERIFY(reader.Read(sink));
    QVERIFY(reader.lastError.isEmpty());
    QCOMPARE(reader.Passes(), passes);
    QCOMPARE(sink.begins, passes == 1 ? 1 : 2);
    QVERIFY(sink.lengthsRight);
    QVERIFY(std::is_sorted(sink.order.begin(), sink.order.end()));
    QVERIFY(std::adjacent_find(sink.order.begin(), sink.order.end()) == sink.order.end());
    // Rows without their own expectation are checked against the model.
    if (!days.isEmpty() || !years.isEmpty()) {
        QCOMPARE(sink.Text(), days);
        QCOMPARE(QList<int>(sink.order.begin(), sink.order.end()), years);
    }
    QCOMPARE(sink.days, WithoutEmptyDays(ModelDays(file)));
}

// Lines of every length and field form the fast reading of short lines meets, each read as
// the model reads it, whole and in pieces.
void TestYearReader::lineForms_data()
{
    QTest::addColumn<QByteArray>("line");
    const QByteArray pad(64, 'x');
    auto sized = [&](const QByteArray &line, int size) {
        return line + pad.left(size - int(line.size()));
    };
    QTest::newRow("as written") << QByteArray("20030512,0,-5000,10000,15000,");
    QTest::newRow("eight digits") << QByteArray("20030512,0,-12345678,12345678,87654321,");
    QTest::newRow("nine digits") << QByteArray("20030512,0,-123456789,123456789,987654321,");
    QTest::newRow("saturating") << QByteArray("20030512,0,99999999999,-99999999999,2147483648,");
    QTest::newRow("empty fields") << QByteArray("20030512,,,,,       ");
    QTest::newRow("minus alone") << QByteArray("20030512,-,-,-,-,   ");
    QTest::newRow("letters inside") << QByteArray("20030512,1a,12a4,-3-4,5 6,");
    QTest::newRow("signs and blanks") << QByteArray("20030512,+1, 2500,+30000,\t40000,");
    QTest::newRow("method -1") << QByteArray("20030512,-1,100,200,300,");
    QTest::newRow("method of two digits") << QByteArray("20030512,10,100,200,300,");
    QTest::newRow("leading zeros") << QByteArray("20030512,00,0000100,00000200,000000300,");
    QTest::newRow("minus zero") << QByteArray("20030512,-0,-0,-00000000,-000000000,");
    QTest::newRow("no final comma") << QByteArray("20030512,0,-5000,10000,15000");
    QTest::newRow("two fields") << QByteArray("20030512,0,-5000,        ");
    QTest::newRow("date and comma only") << QByteArray("20030512,        ");
    QTest::newRow("15 bytes") << QByteArray("20030512,1,2,3,");
    QTest::newRow("16 bytes") << QByteArray("20030512,1,2,34,");
    QTest::newRow("16 bytes, four commas") << QByteArray("20030512,1,2,3,4");
    QTest::newRow("64 bytes") << sized("20030512,0,-5000,10000,15000,", 64);
    QTest::newRow("65 bytes") << sized("20030512,0,-5000,10000,15000,", 65);
    QTest::newRow("64 bytes, comma last") << sized("20030512,0,1,1,", 63) + ',';
    QTest::newRow("letter in the date") << QByteArray("2003051a,0,100,100,100,");
    QTest::newRow("signed date") << QByteArray("+20030512,0,100,100,100,");
    QTest::newRow("nine-digit date") << QByteArray("200305120,0,100,100,100,");
    QTest::newRow("CR inside") << QByteArray("20030512,0,\r100,200,300,");
    QTest::newRow("29 February of a leap year") << QByteArray("20040229,1,700,0,0,   ");
    QTest::newRow("29 February of another year") << QByteArray("20030229,1,700,0,0,   ");
    QTest::newRow("31 December") << QByteArray("20041231,1,700,0,0,   ");
}

void TestYearReader::lineForms()
{
    QFETCH(QByteArray, line);
    const QByteArray file = "20030101,1,100,0,0,\r\n" + line + "\r\n";
    WriteBytes(m_path, file);
    const auto expected = WithoutEmptyDays(ModelDays(file));
    for (const qsizetype capacity : {LineReader::kDefaultCapacity, LineReader::kMinCapacity}) {
        TestReader reader(m_path);
        reader.SetCapacity(capacity);
        Collector sink;
        QVERIFY(reader.Read(sink));
        Collector model;
        model.days = expected;
        QCOMPARE(sink.Text(), model.Text());
    }
}

void TestYearReader::matchesModel_data()
{
    QTest::addColumn<FileShape>("shape");
    QTest::addColumn<int>("files");

    FileShape tidy;
    QTest::newRow("ascending") << tidy << 60;
    FileShape messy = tidy;
    messy.duplicatePercent = 15;
    messy.junkPercent = 10;
    messy.invalidPercent = 10;
    messy.noCommaPercent = 5;
    messy.handPercent = 15;
    messy.mixedLineEnds = true;
    messy.cutLastLine = true;
    QTest::newRow("ascending with duplicates, junk, invalid dates, LF, cut") << messy << 60;
    FileShape shuffled = messy;
    shuffled.shuffled = true;
    QTest::newRow("shuffled") << shuffled << 60;
    FileShape wide = shuffled;
    wide.firstYear = 1700;
    wide.years = 300;
    wide.lines = 900;
    QTest::newRow("shuffled over 300 years") << wide << 8;
    FileShape spread = messy;
    spread.firstYear = 1900;
    spread.years = 40;
    spread.yearStep = 3;
    spread.lines = 400;
    QTest::newRow("ascending over 120 years") << spread << 10;
}

void TestYearReader::matchesModel()
{
    QFETCH(FileShape, shape);
    QFETCH(int, files);
    QRandomGenerator rng(20030512u + quint32(shape.years * 7 + shape.shuffled));
    for (int f = 0; f < files; ++f) {
        const QByteArray file = RandomDataFile(rng, shape);
        WriteBytes(m_path, file);
        const auto expected = WithoutEmptyDays(ModelDays(file));
        // Whole lines, and lines split into pieces by the smallest buffer.
        for (const qsizetype capacity : {LineReader::kDefaultCapacity, LineReader::kMinCapacity}) {
            TestReader reader(m_path);
            reader.SetCapacity(capacity);
            Collector sink;
            QVERIFY(reader.Read(sink));
            QVERIFY2(sink.days == expected, file.left(400).constData());
            QVERIFY(sink.lengthsRight);
            QVERIFY(std::is_sorted(sink.order.begin(), sink.order.end()));
            QVERIFY(std::adjacent_find(sink.order.begin(), sink.order.end()) == sink.order.end());
            if (ModelInOrder(file))
                QCOMPARE(reader.Passes(), 1);
        }
    }
}

// Lines read amid plain lines, with the bytes after them at hand, as nearly every line is.
void TestYearReader::plainLines_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::newRow("as written") << QByteArray("20030512,0,-5000,10000,15000,\r\n");
    QTest::newRow("balance alone") << QByteArray("20030512,1,-700,0,0,\r\n");
    QTest::newRow("amounts of up to six bytes")
            << QByteArray("20030512,0,-99900,999900,-12345,\r\n20030513,0,-5,99,-99,\r\n");
    QTest::newRow("amounts of seven and eight bytes")
            << QByteArray("20030512,0,-999900,1234500,-1000000,\r\n20030513,7,12345678,-1,0,\r\n");
    QTest::newRow("nine digits") << QByteArray("20030512,0,-123456789,123456789,987654321,\r\n");
    QTest::newRow("ten digits, saturating")
            << QByteArray("20030512,0,9999999999,-9999999999,2147483648,\r\n");
    QTest::newRow("methods of four to nine bytes")
            << QByteArray("20030512,1234,100,0,0,\r\n20030513,-1234,100,0,0,\r\n"
                          "20030514,12345678,1,2,3,\r\n20030515,-12345678,1,2,3,\r\n"
                          "20030516,123456789,1,2,3,\r\n");
    QTest::newRow("empty fields and a minus alone")
            << QByteArray("20030512,,,,,\r\n20030513,-,-,-,-,\r\n20030514,0,5,-,9,\r\n");
    QTest::newRow("minus inside and twice")
            << QByteArray("20030512,0,--500,5-00,500-,\r\n20030513,1-,-1-,1--,0,\r\n");
    QTest::newRow("signs and blanks") << QByteArray("20030512,+1, 2500,+30000,\t40000,\r\n");
    QTest::newRow("bytes next to the digits")
            << QByteArray("20030512,1a,12.400,3:400,5/600,\r\n20030513,0,/100,:100,0,\r\n");
    static constexpr char kPastAscii[] = "20030512,0,12\x80"
                                         "00,\xB0"
                                         "500,3\0"
                                         "00,\r\n20030513,0,\xFF,1,2,\r\n";
    QTest::newRow("bytes past ASCII and NUL") << QByteArray(kPastAscii, sizeof kPastAscii - 1);
    QTest::newRow("a fifth field and more")
            << QByteArray("20030512,0,100,200,300,400,xyz\r\n20030513,0,100,200,300,junk\r\n");
    QTest::newRow("CR inside") << QByteArray(
            "20030512,0,100,200,300,\rjunk\r\n20030513,0,\r100,200,300,\r\n"
            "20030514,0,100,200,300,\r\r\n");
    QTest::newRow("blank after the last comma") << QByteArray("20030512,0,100,200,300, \r\n");
    QTest::newRow("a date after the last field, in the same line")
            << QByteArray("20030512,0,100,200,300,\r20030513,1,500,0,0,\r\n"
                          "20030514,0,100,200,300,x20030515,1,500,0,0,\r\n");
    QTest::newRow("LF alone") << QByteArray("20030512,0,100,200,300,\n20030513,1,-100,0,0,\n");
    QTest::newRow("fields past 32 bytes")
            << QByteArray("20030512,1,-12345600,12345678,-1234567,\r\n"
                          "20030513,12345678,-12345678,-12345678,-12345678,\r\n");
    QTest::newRow("fields past 64 bytes")
            << QByteArray("20030512,0,000000000000000100,000000000000000200,000000000000300,\r\n");
    QTest::newRow("fewer than four fields")
            << QByteArray("20030512,0,100,200\r\n20030513,0,\r\n20030514\r\n\r\n");
    QTest::newRow("dates of other forms")
            << QByteArray("2003051,0,1,1,1,\r\n 20030512,0,100,1,1,\r\n-20030512,0,1,1,1,\r\n"
                          "+20030513,0,100,0,0,\r\n020030514,1,100,0,0,\r\n");
    QTest::newRow("a letter after digits that still make a date")
            << QByteArray("11121a00,1,500,0,0,\r\n2003051a,0,100,0,0,\r\n");
    QTest::newRow("around 31 December")
            << QByteArray("20031230,1,100,0,0,\r\n20031231,1,200,0,0,\r\n20031232,1,300,0,0,\r\n"
                          "20040101,1,400,0,0,\r\n");
    QTest::newRow("end of February")
            << QByteArray("20030228,1,100,0,0,\r\n20030229,1,200,0,0,\r\n20030230,1,300,0,0,\r\n"
                          "20040228,1,100,0,0,\r\n20040229,1,200,0,0,\r\n20040230,1,300,0,0,\r\n");
    QTest::newRow("ends of months")
            << QByteArray("20030130,1,100,0,0,\r\n20030131,1,200,0,0,\r\n20030132,1,300,0,0,\r\n"
                          "20030430,1,400,0,0,\r\n20030431,1,500,0,0,\r\n20030438,1,1,0,0,\r\n"
                          "20030439,1,1,0,0,\r\n");
    QTest::newRow("from the ninth to the tenth")
            << QByteArray("20030108,1,100,0,0,\r\n20030109,1,200,0,0,\r\n20030110,1,300,0,0,\r\n");
    QTest::newRow("the same date again")
            << QByteArray("20030108,1,100,0,0,\r\n20030108,0,200,300,100,\r\n"
                          "20030109,1,300,0,0,\r\n20030108,1,-900,0,0,\r\n");
    QTest::newRow("months 0 and 13")
            << QByteArray("20031301,1,100,0,0,\r\n20031302,1,100,0,0,\r\n20030001,1,100,0,0,\r\n"
                          "20030002,1,100,0,0,\r\n20031231,1,100,0,0,\r\n");
    QTest::newRow("years 0 and 1")
            << QByteArray("00000101,1,100,0,0,\r\n00000102,1,100,0,0,\r\n00010101,1,100,0,0,\r\n"
                          "00010102,1,200,0,0,\r\n");
}

void TestYearReader::plainLines()
{
    QFETCH(QByteArray, lines);
    const QByteArray file = PlainYears(1999, 1999, 1) + lines + PlainYears(2099, 2099, 1);
    WriteBytes(m_path, file);
    const auto expected = WithoutEmptyDays(ModelDays(file));
    QVERIFY(expected.size() >= 20);
    CYearReader reader(m_path);
    Collector sink;
    QVERIFY(reader.Read(sink));
    QVERIFY(sink.days == expected);
    QVERIFY(sink.lengthsRight);
}

// Buffers of every size and reads of every length: lines split at each place by a refill.
void TestYearReader::bufferEdges_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("chunk");
    for (const int capacity : {16, 79, 80, 81, 97, 128, 200, 333, 4096})
        QTest::addRow("buffer of %d bytes", capacity) << capacity << 0;
    for (const int chunk : {1, 7, 33, 64, 65, 1000})
        QTest::addRow("reads of %d bytes", chunk) << int(LineReader::kDefaultCapacity) << chunk;
    QTest::addRow("buffer of 100 bytes, reads of 9") << 100 << 9;
}

void TestYearReader::bufferEdges()
{
    QFETCH(int, capacity);
    QFETCH(int, chunk);
    QRandomGenerator rng(4096);
    const QByteArray file = PlainFile(rng, 400);
    WriteBytes(m_path, file);
    const auto expected = WithoutEmptyDays(ModelDays(file));
    TestReader reader(m_path);
    reader.SetCapacity(capacity);
    reader.chunk = chunk;
    Collector sink;
    QVERIFY(reader.Read(sink));
    QVERIFY(sink.days == expected);
    QVERIFY(std::is_sorted(sink.order.begin(), sink.order.end()));
}

void TestYearReader::plainFilesMatchModel()
{
    QRandomGenerator rng(20031231);
    for (int f = 0; f < 40; ++f) {
        const QByteArray file = PlainFile(rng, 50 + int(rng.bounded(3000)));
        WriteBytes(m_path, file);
        const auto expected = WithoutEmptyDays(ModelDays(file));
        CYearReader reader(m_path);
        Collector sink;
        QVERIFY(reader.Read(sink));
        QVERIFY2(sink.days == expected, file.left(400).constData());
        QVERIFY(sink.lengthsRight);
        if (ModelInOrder(file))
            QCOMPARE(reader.Passes(), 1);
    }
}

void TestYearReader::missingFileIsNoYears()
{
    CYearReader reader(m_path);
    Collector sink;
    QVERIFY(reader.Read(sink));
    QVERIFY(reader.lastError.isEmpty());
    QCOMPARE(sink.begins, 1);
    QVERIFY(sink.order.empty());
    QVERIFY(!QFile::exists(m_path)); // the reader never creates the file
}

void TestYearReader::failedReads_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("read fails part-way") << QStringLiteral("first");
    QTest::newRow("read fails in a later pass") << QStringLiteral("later");
    QTest::newRow("the data file is a directory") << QStringLiteral("directory");
    QTest::newRow("unreadable file") << QStringLiteral("unreadable");
}

void TestYearReader::failedReads()
{
    QFETCH(QString, fault);
    const QByteArray file = Lines(2100, 1900, -1);
    if (fault == QLatin1String("unreadable")) {
        // Root reads whatever the modes say: the case runs as an ordinary user.
        QCOMPARE(RunUnprivileged([&] {
                     QTemporaryDir dir;
                     const QString path = dir.filePath(QStringLiteral("Murel1.Dat"));
                     QFile out(path);
                     if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
                         return QStringLiteral("cannot write the file");
                     out.close();
                     QFile::setPermissions(path, QFile::WriteOwner);
                     CYearReader reader(path);
                     Collector sink;
                     if (reader.Read(sink))
                         return QStringLiteral("read an unreadable file");
                     if (reader.lastError != kLoadFailed || reader.lastReason.isEmpty())
                         return QStringLiteral("told: ") + reader.lastError + reader.lastReason;
                     return QString();
                 }),
                 QString());
        return;
    }
    TestReader reader(m_path);
    if (fault == QLatin1String("directory")) {
        QVERIFY(QDir().mkdir(m_path));
    } else {
        WriteBytes(m_path, file);
        if (fault == QLatin1String("first"))
            reader.readLimit = file.size() / 3;
        else if (fault == QLatin1String("later"))
            reader.readLimit = file.size() * 2 + 10;
        else
            QVERIFY(QFile::setPermissions(m_path, QFile::WriteOwner));
    }
    Collector sink;
    QVERIFY(!reader.Read(sink));
    QCOMPARE(reader.lastError, kLoadFailed);
    QVERIFY(!reader.lastReason.isEmpty());
    if (fault == QLatin1String("later"))
        QCOMPARE(reader.Passes(), 3);
    if (fault != QLatin1String("directory")) {
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner));
        QFile check(m_path);
        QVERIFY(check.open(QIODevice::ReadOnly));
        QCOMPARE(check.readAll(), file); // reading never changes the file
    }
}

QTEST_GUILESS_MAIN(TestYearReader)
#include "tst_yearreader.moc"
