#include "data/DurableFile.h"
#include "data/ResultBook.h"
#include "export/CsvExport.h"

#include "common/RandomDataFile.h"
#include "common/Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>

namespace {

const QByteArray kHead = "\xEF\xBB\xBF"
                         "日付,曜日,入力方法,回収額(円),投資額(円),収支(円),回収率(%)\r\n";

// What the export's file does wrong: writes fail once a number of bytes went through, report
// bytes they did not write, or the sync fails.
struct Faults
{
    qint64 writeLimit = -1;
    bool lieAboutWrites = false;
    bool syncFails = false;
};

class FaultyFile : public CDurableFile
{
public:
    FaultyFile(const QString &path, Faults &faults)
        : CDurableFile(path)
        , m_faults(faults)
    { }

protected:
    qint64 WriteOut(int fd, const char *data, qint64 size) override
    {
        if (m_faults.lieAboutWrites)
            return size;
        if (m_faults.writeLimit < 0)
            return CDurableFile::WriteOut(fd, data, size);
        if (m_faults.writeLimit == 0) {
            errno = ENOSPC;
            return -1;
        }
        const qint64 n = CDurableFile::WriteOut(fd, data, qMin(size, m_faults.writeLimit));
        m_faults.writeLimit -= qMax<qint64>(n, 0);
        return n;
    }
    bool SyncOut(int fd) override
    {
        if (m_faults.syncFails) {
            errno = EIO;
            return false;
        }
        return CDurableFile::SyncOut(fd);
    }

private:
    Faults &m_faults;
};

class FaultyExport : public CCsvExport
{
public:
    Faults faults;

protected:
    std::unique_ptr<CDurableFile> MakeFile(const QString &path) override
    {
        return std::make_unique<FaultyFile>(path, faults);
    }
};

class FaultyReader : public CYearReader
{
public:
    using CYearReader::CYearReader;

protected:
    qint64 ReadIn(QIODevice &, char *, qint64) override { return -1; }
};

QStringList Entries(const QString &dir)
{
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    names.sort();
    return names;
}

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The model's days as a data file in date order, as the program writes one.
QByteArray InOrder(const std::map<int, ModelDay> &days)
{
    QByteArray file;
    for (const auto &[date, d] : days)
        file += QByteArray::number(date) + ',' + QByteArray::number(d.method) + ','
                + QByteArray::number(qint64(d.balance) * 100) + ','
                + QByteArray::number(qint64(d.collected) * 100) + ','
                + QByteArray::number(qint64(d.invested) * 100) + ",\r\n";
    return file;
}

} // namespace

class TestCsvExport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void row_data();
    void row();
    void quote_data();
    void quote();
    void period();
    void allYears();
    void allYearsOutOfOrder();
    void failures_data();
    void failures();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
};

void TestCsvExport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_data = m_dir->filePath(QStringLiteral("Murel1.Dat"));
}

void TestCsvExport::row_data()
{
    QTest::addColumn<int>("date");
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("collected");
    QTest::addColumn<int>("invested");
    QTest::addColumn<int>("balance");
    QTest::addColumn<QByteArray>("row");

    QTest::newRow("amounts") << 20030512 << 0 << 50 << 30 << 20
                             << QByteArray("2003/05/12,月,回収・投資,5000,3000,2000,167\r\n");
    QTest::newRow("balance alone")
            << 20030513 << 1 << 0 << 0 << -7 << QByteArray("2003/05/13,火,収支のみ,0,0,-700,\r\n");
    QTest::newRow("rate half up") << 20040229 << 0 << 5 << 8 << -3
                                  << QByteArray("2004/02/29,日,回収・投資,500,800,-300,63\r\n");
    QTest::newRow("rate below one half") << 20031231 << 0 << 1 << 300 << -299
                                         << QByteArray("2003/12/31,水,回収・投資,100,30000,"
                                                       "-29900,0\r\n");
    QTest::newRow("nothing invested: no rate")
            << 20040101 << 0 << 300 << 0 << 300
            << QByteArray("2004/01/01,木,回収・投資,30000,0,30000,\r\n");
    QTest::newRow("an odd method is the balance alone, amounts kept")
            << 20030512 << 7 << 9 << 4 << 5
            << QByteArray("2003/05/12,月,収支のみ,900,400,500,\r\n");
    QTest::newRow("negative amounts of a hand-edited file")
            << 20030512 << 0 << -1 << 3 << -4
            << QByteArray("2003/05/12,月,回収・投資,-100,300,-400,-33\r\n");
    QTest::newRow("largest amounts pass 32 bits in yen")
            << 20030513 << 0 << 21474836 << 1 << -21474836
            << QByteArray("2003/05/13,火,回収・投資,2147483600,100,-2147483600,2147483600\r\n");
    QTest::newRow("year 1000") << 10000101 << 1 << 0 << 0 << 1
                               << QByteArray("1000/01/01,水,収支のみ,0,0,100,\r\n");
}

void TestCsvExport::row()
{
    QFETCH(int, date);
    QFETCH(int, method);
    QFETCH(int, collected);
    QFETCH(int, invested);
    QFETCH(int, balance);
    QFETCH(QByteArray, row);
    QCOMPARE(CCsvExport::Row(date, DayRecord{method, collected, invested, balance}), row);
}

void TestCsvExport::quote_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QByteArray>("quoted");
    QTest::newRow("plain") << QByteArray("収支のみ") << QByteArray("収支のみ");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("comma") << QByteArray("a,b") << QByteArray("\"a,b\"");
    QTest::newRow("double quotes") << QByteArray("say \"hi\"") << QByteArray("\"say \"\"hi\"\"\"");
    QTest::newRow("line break") << QByteArray("a\r\nb") << QByteArray("\"a\r\nb\"");
    QTest::newRow("line feed") << QByteArray("a\nb") << QByteArray("\"a\nb\"");
}

void TestCsvExport::quote()
{
    QFETCH(QByteArray, field);
    QFETCH(QByteArray, quoted);
    QCOMPARE(CCsvExport::Quote(field), quoted);
}

void TestCsvExport::period()
{
    WriteBytes(m_data,
               "20021231,0,100,100,0,\r\n20030101,1,-700,0,0,\r\n20030102,-1,500,500,0,\r\n"
               "20030512,0,2000,5000,3000,\r\n20030601,1,100,0,0,\r\n");
    CResultBook book(m_data);
    QVERIFY(book.LoadPeriod(200305, 1, 0));
    const QString target = m_dir->filePath(QStringLiteral("Murel1.csv"));
    CCsvExport csv;
    QCOMPARE(csv.WritePeriod(book, target), QString());
    QCOMPARE(ReadBytes(target),
             kHead
                     + "2003/01/01,水,収支のみ,0,0,-700,\r\n"
                       "2003/05/12,月,回収・投資,5000,3000,2000,167\r\n");

    // A period without results gives the header alone; an old export is replaced.
    QVERIFY(book.LoadPeriod(200112, 1, 0));
    QCOMPARE(csv.WritePeriod(book, target), QString());
    QCOMPARE(ReadBytes(target), kHead);
    QCOMPARE(Entries(m_dir->path()),
             (QStringList{QStringLiteral("Murel1.Dat"), QStringLiteral("Murel1.csv")}));
}

void TestCsvExport::allYears()
{
    const QByteArray data = "20040301,1,500,0,0,\r\n20021231,0,100,100,0,\r\njunk\r\n"
                            "20030231,1,100,0,0,\r\n20030101,-1,900,0,0,\r\n"
                            "20040301,0,-300,0,300,\r\n20030102,0,150,200,100\r\n";
    WriteBytes(m_data, data);
    const QString target = m_dir->filePath(QStringLiteral("Murel1-all.csv"));
    CCsvExport csv;
    QCOMPARE(csv.WriteAllYears(m_data, target), QString());
    QCOMPARE(ReadBytes(target),
             kHead
                     + "2002/12/31,火,回収・投資,100,0,100,\r\n"
                       "2003/01/02,木,回収・投資,200,100,100,200\r\n"
                       "2004/03/01,月,回収・投資,0,300,-300,0\r\n");
    QCOMPARE(ReadBytes(m_data), data);

    // A missing data file has no results.
    QVERIFY(QFile::remove(m_data));
    QCOMPARE(csv.WriteAllYears(m_data, target), QString());
    QCOMPARE(ReadBytes(target), kHead);
    QVERIFY(!QFile::exists(m_data));
}

// A file far out of order makes the reader start over; the export starts over with it and ends
// as the same days in order would.
void TestCsvExport::allYearsOutOfOrder()
{
    FileShape shape;
    shape.firstYear = 1900;
    shape.years = 200;
    shape.lines = 6000;
    shape.shuffled = true;
    shape.duplicatePercent = 10;
    QRandomGenerator rng(1900);
    const QByteArray shuffled = RandomDataFile(rng, shape);
    const QString target = m_dir->filePath(QStringLiteral("shuffled.csv"));
    const QString ordered = m_dir->filePath(QStringLiteral("ordered.csv"));
    WriteBytes(m_data, shuffled);
    CYearReader reader(m_data);
    CCsvExport csv;
    QCOMPARE(csv.WriteAllYears(reader, m_data, target), QString());
    QVERIFY(reader.Passes() > 2);
    WriteBytes(m_data, InOrder(ModelDays(shuffled)));
    QCOMPARE(csv.WriteAllYears(m_data, ordered), QString());
    const QByteArray bytes = ReadBytes(target);
    QVERIFY(bytes.size() > 100000);
    QVERIFY(bytes == ReadBytes(ordered));
}

void TestCsvExport::failures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("allYears");
    QTest::addColumn<QString>("firstLine");

    const QString failed = QStringLiteral("CSVファイルの保存に失敗しました。");
    QTest::newRow("missing folder") << "missing" << false << failed;
    QTest::newRow("folder is a file") << "notdir" << true << failed;
    QTest::newRow("target is a folder") << "isdir" << false << failed;
    QTest::newRow("unwritable folder") << "readonly" << true << failed;
    QTest::newRow("write fails part-way") << "write" << true << failed;
    QTest::newRow("write fails at once") << "write0" << false << failed;
    QTest::newRow("writes report bytes not written") << "lie" << true << failed;
    QTest::newRow("sync fails") << "sync" << false << failed;
    QTest::newRow("reading the data file fails")
            << "read" << true << QStringLiteral("ファイルの読み込みに失敗しました。");
}

namespace {

// One failure case with its own data file in root: empty when the export failed as it should,
// else what went wrong. It makes its own files, so that it can run as another user.
QString FailureCase(const QString &root, const QString &fault, bool allYears,
                    const QString &firstLine)
{
    QStringList wrong;
    auto expect = [&wrong](bool ok, const QString &what) {
        if (!ok)
            wrong << what;
    };
    const QString dataPath = root + QStringLiteral("/Murel1.Dat");
    QByteArray data;
    for (int year = 1990; year < 2010; ++year)
        for (int day = 1; day <= 28; ++day)
            data += QByteArray::number(year * 10000 + 300 + day) + ",0,1000,3000,2000,\r\n";
    QFile dataFile(dataPath);
    if (!dataFile.open(QIODevice::WriteOnly) || dataFile.write(data) != data.size())
        return QStringLiteral("cannot write the data file");
    dataFile.close();
    CResultBook book(dataPath);
    if (!book.LoadPeriod(200312, 1, 0))
        return QStringLiteral("cannot load the period");

    const QString folder = root + QStringLiteral("/out");
    if (!QDir().mkdir(folder))
        return QStringLiteral("cannot make the out folder");
    QString target = folder + QStringLiteral("/Murel1.csv");
    const QByteArray old = "an earlier export\r\n";
    QFile oldExport(target);
    if (!oldExport.open(QIODevice::WriteOnly) || oldExport.write(old) != old.size())
        return QStringLiteral("cannot write the earlier export");
    oldExport.close();
    const QStringList before = Entries(folder);

    FaultyExport csv;
    if (fault == QLatin1String("missing"))
        target = root + QStringLiteral("/nowhere/Murel1.csv");
    else if (fault == QLatin1String("notdir"))
        target = dataPath + QStringLiteral("/Murel1.csv");
    else if (fault == QLatin1String("isdir"))
        target = folder;
    else if (fault == QLatin1String("readonly"))
        expect(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner), "chmod");
    else if (fault == QLatin1String("write"))
        csv.faults.writeLimit = 20000;
    else if (fault == QLatin1String("write0"))
        csv.faults.writeLimit = 0;
    else if (fault == QLatin1String("lie"))
        csv.faults.lieAboutWrites = true;
    else if (fault == QLatin1String("sync"))
        csv.faults.syncFails = true;

    QString message;
    if (fault == QLatin1String("read")) {
        FaultyReader reader(dataPath);
        message = csv.WriteAllYears(reader, dataPath, target);
    } else {
        message = allYears ? csv.WriteAllYears(dataPath, target) : csv.WritePeriod(book, target);
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QStringList lines = message.split(QLatin1Char('\n'));
    expect(lines.size() == 2, QStringLiteral("not two lines: ") + message);
    expect(lines.value(0) == firstLine, QStringLiteral("first line: ") + lines.value(0));
    const QString named
            = QDir::toNativeSeparators(fault == QLatin1String("read") ? dataPath : target);
    // The file and, after it, a reason.
    expect(lines.value(1).startsWith(named + QStringLiteral(": "))
                   && lines.value(1).size() > named.size() + 2,
           QStringLiteral("second line: ") + lines.value(1));
    // Nothing half-written is left, an earlier export stays, the data file is untouched.
    expect(Entries(folder) == before, QStringLiteral("left in out: ") + Entries(folder).join(' '));
    expect(ReadBytes(folder + QStringLiteral("/Murel1.csv")) == old, "the earlier export changed");
    expect(Entries(root) == QStringList({QStringLiteral("Murel1.Dat"), QStringLiteral("out")}),
           QStringLiteral("left beside the data file: ") + Entries(root).join(' '));
    expect(ReadBytes(dataPath) == data, "the data file changed");
    return wrong.join(QLatin1Char('\n'));
}

} // namespace

void TestCsvExport::failures()
{
    QFETCH(QString, fault);
    QFETCH(bool, allYears);
    QFETCH(QString, firstLine);
    // Permissions must bite: as root, the case runs as an ordinary user in a folder of its own.
    if (fault == QLatin1String("readonly")) {
        QCOMPARE(RunUnprivileged([&] {
                     QTemporaryDir own;
                     return own.isValid() ? FailureCase(own.path(), fault, allYears, firstLine)
                                          : QStringLiteral("no folder of its own");
                 }),
                 QString());
        return;
    }
    QCOMPARE(FailureCase(m_dir->path(), fault, allYears, firstLine), QString());
}

QTEST_GUILESS_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
