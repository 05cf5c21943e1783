// What the diary writes as CSV reads back to the same days and sessions.
#include "import/CsvImport.h"
#include "import/RowReader.h"

#include "common/DataLines.h"
#include "export/CsvExport.h"
#include "import/ImportFixture.h"

#include <QDate>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The largest amount in hundreds the data file holds: 32-bit yen.
constexpr int kFileMax = 21474836;

std::vector<DayChange> RandomDays(QRandomGenerator &rng)
{
    std::map<int, DayRecord> days;
    const int count = 1 + int(rng.bounded(400));
    for (int n = 0; n < count; ++n) {
        const int roll = int(rng.bounded(100));
        // Mostly recent years; now and then the first and last the diary shows.
        const QDate first = roll < 2 ? QDate(1000, 1, 1)
                : roll < 4           ? QDate(9999, 1, 1)
                                     : QDate(1998, 1, 1);
        const QDate date = first.addDays(rng.bounded(roll < 4 ? 365 : 12 * 365));
        auto inFile
                = [](qint64 value) { return int(std::clamp<qint64>(value, -kFileMax, kFileMax)); };
        auto amount = [&](int range) {
            // Now and then the widest numbers the file holds, or a negative one from a hand edit.
            const int kind = int(rng.bounded(20));
            return kind == 0    ? kFileMax
                    : kind == 1 ? -kFileMax
                    : kind == 2 ? -int(rng.bounded(range))
                                : int(rng.bounded(range));
        };
        DayRecord day;
        day.method = rng.bounded(2);
        if (day.method == 0) {
            day.collected = amount(3000);
            day.invested = amount(2000);
            day.balance = rng.bounded(10) == 0 ? amount(500) // an edited line that does not add up
                                               : inFile(qint64(day.collected) - day.invested);
        } else {
            day.collected = rng.bounded(10) == 0 ? amount(100) : 0;
            day.invested = rng.bounded(10) == 0 ? amount(100) : 0;
            day.balance = inFile(qint64(amount(4000)) - 2000);
        }
        if (rng.bounded(40) == 0)
            day = {int(rng.bounded(2)), 0, 0, 0}; // a result of nothing at all
        days[date.year() * 10000 + date.month() * 100 + date.day()] = day;
    }
    std::vector<DayChange> result;
    for (const auto &[date, day] : days)
        result.push_back({date, day});
    return result;
}

ImportSession RandomSession(QRandomGenerator &rng, int date)
{
    ImportSession s;
    s.date = date;
    s.store = RandomText(rng, CRowReader::kNameMax, false);
    s.machine = RandomText(rng, CRowReader::kNameMax, false);
    s.start = rng.bounded(3) == 0 ? -1 : int(rng.bounded(1440));
    s.end = rng.bounded(3) == 0 ? -1 : int(rng.bounded(1440));
    s.invested = int(rng.bounded(CRowReader::kEntryMax + 1));
    s.collected = rng.bounded(4) == 0 ? 0 : int(rng.bounded(CRowReader::kEntryMax + 1));
    s.memo = RandomText(rng, CRowReader::kMemoMax, true);
    return s;
}

} // namespace

class TestRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void days_data();
    void days();
    void shownPeriod();
    void sessions_data();
    void sessions();

private:
    QString Path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
};

void TestRoundTrip::days_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 25; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

void TestRoundTrip::days()
{
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    const std::vector<DayChange> model = RandomDays(rng);
    QStringList lines;
    for (const auto &[date, r] : model)
        lines << DataLine(date, r.method, r.collected, r.invested, r.balance);
    const QString dataFile = Path("Murel1.Dat");
    const QString csv = Path("all.csv");
    QVERIFY(WriteBytes(dataFile, DataBytes(lines)));
    QCOMPARE(CCsvExport().WriteAllYears(dataFile, csv), QString());

    // Into an empty diary: every day comes back as it was, entry method included.
    CCsvImport import(csv);
    ImportRun run = RunImport(import, Path("empty/Murel1.Dat"));
    QVERIFY2(run.compared, qPrintable(run.problem));
    QCOMPARE(import.Kind(), CsvKind::MurelDays);
    QCOMPARE(DayTexts(import.Changes(false).days), DayTexts(model));
    QCOMPARE(import.Counts().rejected, 0);
    QCOMPARE(import.Counts().rounded, 0);

    // Into the diary it came from: nothing to write.
    QVERIFY(import.Compare(dataFile, nullptr));
    QCOMPARE(import.Counts().identicalDays, int(model.size()));
    QCOMPARE(import.Counts().newDays + import.Counts().changedDays, 0);
    QVERIFY(import.Changes(true).days.empty());
}

void TestRoundTrip::shownPeriod()
{
    // The loaded period with days typed but not saved yet reads back as the book holds it.
    const QString dataFile = Path("period.Dat");
    QVERIFY(WriteBytes(
            dataFile,
            DataBytes({DataLine(20020701, 0, 20, 10, 10), DataLine(20030105, 1, 0, 0, -30),
                       DataLine(20030630, 0, 5, 5, 0), DataLine(20030701, 1, 0, 0, 99)})));
    CResultBook book(dataFile);
    QVERIFY(book.LoadPeriod(200306, 0, 0)); // 2002/07 to 2003/06
    QVERIFY(book.EnterDay(20030105, EntryMethod::Amounts, 40, 15, 0));
    QVERIFY(book.EnterDay(20021231, EntryMethod::Balance, 0, 0, -7));
    const QString csv = Path("period.csv");
    QCOMPARE(CCsvExport().WritePeriod(book, csv), QString());

    CCsvImport import(csv);
    ImportRun run = RunImport(import, Path("empty/Murel1.Dat"));
    QVERIFY2(run.compared, qPrintable(run.problem));
    QCOMPARE(DayTexts(import.Changes(false).days),
             (QStringList{"20020701,0,20,10,10", "20021231,1,0,0,-7", "20030105,0,40,15,25",
                          "20030630,0,5,5,0"}));
    // Against the book it came from, every day is the same.
    QVERIFY(import.Compare(dataFile, &book));
    QCOMPARE(import.Counts().identicalDays, 4);
}

void TestRoundTrip::sessions_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 20; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

void TestRoundTrip::sessions()
{
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    std::vector<ImportSession> model;
    const int days = 1 + int(rng.bounded(60));
    int date = 20030101;
    for (int d = 0; d < days; ++d) {
        date = QDate::fromString(QString::number(date), QStringLiteral("yyyyMMdd"))
                       .addDays(1 + rng.bounded(20))
                       .toString(QStringLiteral("yyyyMMdd"))
                       .toInt();
        for (int n = 1 + int(rng.bounded(4)); n > 0; --n)
            model.push_back(RandomSession(rng, date));
    }
    QString text
            = QStringLiteral("\uFEFF") + CCsvImport::OwnSessionsHeader() + QStringLiteral("\r\n");
    for (const ImportSession &s : model)
        text += SessionRow(s);
    const QString csv = Path("sessions.csv");
    QVERIFY(WriteBytes(csv, text.toUtf8()));

    // The diary has every third session already; those are not added twice.
    std::vector<ImportSession> present;
    for (size_t i = 0; i < model.size(); i += 3)
        present.push_back(model[i]);
    const SessionLookup lookup = [&](const std::vector<int32_t> &dates) {
        std::vector<ImportSession> found;
        for (const ImportSession &s : present) {
            if (std::binary_search(dates.begin(), dates.end(), s.date))
                found.push_back(s);
        }
        return found;
    };

    CCsvImport import(csv);
    ImportRun run = RunImport(import, Path("empty/Murel1.Dat"));
    QVERIFY2(run.compared, qPrintable(run.problem));
    QCOMPARE(import.Kind(), CsvKind::MurelSessions);
    QCOMPARE(import.Counts().rejected, 0);
    ImportChanges changes = import.Changes(false);
    QCOMPARE(changes.sessions.size(), model.size());
    std::vector<DayChange> sums; // the model's dates ascend
    for (size_t i = 0; i < model.size(); ++i) {
        QVERIFY2(changes.sessions[i].SameAs(model[i]), qPrintable(QString::number(i)));
        if (sums.empty() || sums.back().date != model[i].date)
            sums.push_back({model[i].date, {0, 0, 0, 0}});
        DayRecord &sum = sums.back().record;
        sum.collected += model[i].collected;
        sum.invested += model[i].invested;
        sum.balance = sum.collected - sum.invested;
    }
    const QStringList expected = DayTexts(sums);
    QCOMPARE(DayTexts(changes.days), expected);

    QVERIFY(import.Compare(Path("empty/Murel1.Dat"), nullptr, lookup));
    QCOMPARE(import.Counts().sessionsPresent, int(present.size()));
    changes = import.Changes(false);
    QCOMPARE(changes.sessions.size(), model.size() - present.size());
    for (size_t i = 0, k = 0; i < model.size(); ++i) {
        if (i % 3 != 0)
            QVERIFY(changes.sessions[k++].SameAs(model[i]));
    }
    // The days' sums count the sessions the diary has as well as the new ones.
    QCOMPARE(DayTexts(changes.days), expected);
}

QTEST_GUILESS_MAIN(TestRoundTrip)
#include "tst_roundtrip.moc"
