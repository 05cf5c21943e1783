// The main window's list as a model: its rows for each view, the columns it shares with the
// printout, and the rows an entered day announces through dataChanged, no more and no fewer.
#include "data/ResultBook.h"
#include "session/PeriodModel.h"
#include "session/YearText.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

namespace {

// The rows dataChanged announced, as "first-last" per signal, and the columns each covered.
QStringList Announced(const QSignalSpy &spy, int columns)
{
    QStringList out;
    for (const QList<QVariant> &args : spy) {
        const auto from = args.at(0).value<QModelIndex>();
        const auto to = args.at(1).value<QModelIndex>();
        out << QStringLiteral("%1-%2").arg(from.row()).arg(to.row())
                        + (from.column() == 0 && to.column() == columns - 1
                                   ? QString()
                                   : QStringLiteral(" columns %1-%2")
                                             .arg(from.column())
                                             .arg(to.column()));
    }
    return out;
}

QList<ReportRow> Rows(const CReportModel &model)
{
    QList<ReportRow> rows;
    for (int r = 0; r < model.RowCount(); ++r)
        rows << model.RowAt(r);
    return rows;
}

// The view of the table rows: monthIndex -1 is the monthly view, else that month's days.
void Show(CPeriodModel &model, const CResultBook &book, int monthIndex)
{
    if (monthIndex < 0)
        model.ShowMonthly(book, 200305);
    else
        model.ShowDaily(book, monthIndex, 20030512);
}

// January to May 2003 with a few results, in a book without a file (nothing is ever saved),
// and the model on it in the view given.
struct Laid
{
    CResultBook book;
    CPeriodModel model;

    explicit Laid(int monthIndex)
    {
        book.BuildCalendar(200305, 1, 0);
        book.EnterDay(20030110, EntryMethod::Amounts, 50, 20, 0);
        book.EnterDay(20030415, EntryMethod::Balance, 0, 0, -12);
        book.EnterDay(20030512, EntryMethod::Amounts, 50, 30, 0);
        Show(model, book, monthIndex);
    }
};

// After a change: empty when the model shows what a model made now shows and no row outside
// first..last differs from before; else what is wrong.
QString ChangedOnlyIn(const CPeriodModel &model, const CResultBook &book, int monthIndex,
                      const QList<ReportRow> &before, int first, int last)
{
    CPeriodModel fresh;
    Show(fresh, book, monthIndex);
    if (Rows(model) != Rows(fresh))
        return QStringLiteral("not as a fresh model");
    for (int r = 0; r < model.RowCount(); ++r) {
        if ((r < first || r > last) && model.RowAt(r) != before.at(r))
            return QStringLiteral("row %1 changed unannounced").arg(r);
    }
    return QString();
}

} // namespace

class TestPeriodModel : public QObject
{
    Q_OBJECT
private slots:
    void columns();
    void rows_data();
    void rows();
    void entry_data();
    void entry();
    void anotherPeriodGivesTheRowsAnew();
    void entriesMatchAFreshModel();
    void yearTableRows();
    void playCounts_data();
    void playCounts();
};

void TestPeriodModel::columns()
{
    CPeriodModel model;
    QCOMPARE(model.columnCount(), 6);
    QCOMPARE(model.Headings(),
             QStringList({"日付", "回収/投資", "回収率", "収支", "月累積収支", "年累積収支"}));
    const int shares[] = {4, 4, 2, 3, 3, 3};
    for (int c = 0; c < 6; ++c) {
        QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), model.Headings().at(c));
        QCOMPARE(model.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
                 int((c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter));
        QCOMPARE(model.Columns()[size_t(c)].share, shares[c]);
    }
}

void TestPeriodModel::rows_data()
{
    QTest::addColumn<int>("monthIndex"); // -1: the monthly view
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("key");

    QTest::newRow("monthly: January")
            << -1 << 5 << 0 << QStringList{"2003/01", "50/20", "250%", "30", "30", "30"}
            << int(rowtext::Up) << 200301;
    QTest::newRow("monthly: this month, marked")
            << -1 << 5 << 4 << QStringList{"2003/05", "50/30", "167%", "20", "20", "38"}
            << int(rowtext::MarkedUp) << 200305;
    QTest::newRow("monthly: a month without results")
            << -1 << 5 << 1 << QStringList{"2003/02", "0/0", "-", "0", "0", "30"}
            << int(rowtext::Zero) << 200302;
    QTest::newRow("daily: a balance alone")
            << 3 << 30 << 14 << QStringList{"2003/04/15 (火)", "-", "-", "-12", "-12", "18"}
            << int(rowtext::Down) << 20030415;
    QTest::newRow("daily: today, marked")
            << 4 << 31 << 11 << QStringList{"2003/05/12 (月)", "50/30", "167%", "20", "20", "38"}
            << int(rowtext::MarkedUp) << 20030512;
    QTest::newRow("daily: February has 28 days")
            << 1 << 28 << 27 << QStringList{"2003/02/28 (金)", "-", "-", "0", "0", "30"}
            << int(rowtext::Zero) << 20030228;
    QTest::newRow("daily: no such month") << 5 << 0 << -1 << QStringList() << 0 << 0;
}

void TestPeriodModel::rows()
{
    QFETCH(int, monthIndex);
    QFETCH(int, rowCount);
    QFETCH(int, row);
    QFETCH(QStringList, cells);
    QFETCH(int, icon);
    QFETCH(int, key);

    Laid laid(monthIndex);
    auto &[book, model] = laid;
    QCOMPARE(model.rowCount(), rowCount);
    QCOMPARE(model.IsDaily(), monthIndex >= 0);
    if (row < 0)
        return;
    QStringList shown;
    for (int c = 0; c < model.columnCount(); ++c)
        shown << model.index(row, c).data().toString();
    QCOMPARE(shown, cells);
    QCOMPARE(model.index(row, 0).data(CReportModel::IconRole).toInt(), icon);
    QCOMPARE(model.index(row, 0).data(CReportModel::KeyRole).toInt(), key);
    QCOMPARE(model.RowOfNumber(key % 100), row);
    // Amounts to the right; the date column as the view has it.
    QVERIFY(!model.index(row, 0).data(Qt::TextAlignmentRole).isValid());
    QCOMPARE(model.index(row, 3).data(Qt::TextAlignmentRole).toInt(),
             int(Qt::AlignRight | Qt::AlignVCenter));
    QCOMPARE(model.flags(model.index(row, 2)),
             Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
}

void TestPeriodModel::entry_data()
{
    QTest::addColumn<int>("monthIndex"); // -1: the monthly view
    QTest::addColumn<int>("date");
    QTest::addColumn<int>("collected"); // entered by amounts
    QTest::addColumn<int>("invested");
    QTest::addColumn<QStringList>("announced");

    QTest::newRow("a day in the middle: it and the later days")
            << 4 << 20030515 << 9 << 4 << QStringList{"14-30"};
    QTest::newRow("the last day: its row alone") << 4 << 20030531 << 9 << 4 << QStringList{"30-30"};
    QTest::newRow("the first day: the whole month")
            << 4 << 20030501 << 9 << 4 << QStringList{"0-30"};
    QTest::newRow("the same balance by other amounts: that row alone")
            << 4 << 20030512 << 60 << 40 << QStringList{"11-11"};
    QTest::newRow("what the day holds already: nothing")
            << 4 << 20030512 << 50 << 30 << QStringList();
    QTest::newRow("an earlier month: every row's running sum")
            << 4 << 20030426 << 9 << 4 << QStringList{"0-30"};
    QTest::newRow("a later month: nothing") << 3 << 20030502 << 9 << 4 << QStringList();
    QTest::newRow("monthly: March and the months after")
            << -1 << 20030310 << 9 << 4 << QStringList{"2-4"};
    QTest::newRow("monthly: this month alone") << -1 << 20030520 << 9 << 4 << QStringList{"4-4"};
    QTest::newRow("monthly: same balance in January")
            << -1 << 20030110 << 40 << 10 << QStringList{"0-0"};
}

void TestPeriodModel::entry()
{
    QFETCH(int, monthIndex);
    QFETCH(int, date);
    QFETCH(int, collected);
    QFETCH(int, invested);
    QFETCH(QStringList, announced);

    Laid laid(monthIndex);
    auto &[book, model] = laid;
    const QList<ReportRow> before = Rows(model);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    QVERIFY(book.EnterDay(date, EntryMethod::Amounts, collected, invested, 0));
    model.DaysChanged(book, book.IndexOf(date));
    QCOMPARE(Announced(changed, 6), announced);
    QCOMPARE(reset.size(), 0);

    // The rows are what a model made now shows; those outside the range did not change.
    const QStringList range = announced.value(0, QStringLiteral("-1--2")).split(QLatin1Char('-'));
    QCOMPARE(ChangedOnlyIn(model, book, monthIndex, before, range.at(0).toInt(),
                           range.at(1).toInt()),
             QString());
}

void TestPeriodModel::anotherPeriodGivesTheRowsAnew()
{
    Laid laid(4);
    auto &[book, model] = laid;
    book.BuildCalendar(200212, 1, 1); // January to December 2002, empty
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QVERIFY(book.EnterDay(20020503, EntryMethod::Balance, 0, 0, 7));
    model.DaysChanged(book, book.IndexOf(20020503));
    QCOMPARE(reset.size(), 1);
    QCOMPARE(model.RowCount(), 31);
    QCOMPARE(model.RowAt(2).key, 20020503);
    QCOMPARE(model.RowAt(2).cells.at(3), QStringLiteral("7"));
}

// Random entries in random views: after each, the model equals a model made afresh, and every
// row that changed lies in the one range announced.
void TestPeriodModel::entriesMatchAFreshModel()
{
    QRandomGenerator rng(20030512);
    for (int round = 0; round < 40; ++round) {
        const int monthIndex = int(rng.bounded(6)) - 1; // -1: monthly
        Laid laid(monthIndex);
        auto &[book, model] = laid;
        for (int step = 0; step < 25; ++step) {
            const int index = int(rng.bounded(book.DayCount()));
            const QList<ReportRow> before = Rows(model);
            QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
            const auto method = EntryMethod(int(rng.bounded(3)) - 1);
            QVERIFY(book.EnterDay(book.Day(index).date, method, int(rng.bounded(5)),
                                  int(rng.bounded(5)), int(rng.bounded(9)) - 4));
            model.DaysChanged(book, index);
            const QString at = QStringLiteral("round %1 step %2").arg(round).arg(step);
            QVERIFY2(changed.size() <= 1, qPrintable(at));
            int first = -1;
            int last = -2;
            if (changed.size() == 1) {
                first = changed.first().at(0).value<QModelIndex>().row();
                last = changed.first().at(1).value<QModelIndex>().row();
                QVERIFY2(model.RowAt(first) != before.at(first), qPrintable(at));
                QVERIFY2(model.RowAt(last) != before.at(last), qPrintable(at));
            }
            const QString wrong = ChangedOnlyIn(model, book, monthIndex, before, first, last);
            QVERIFY2(wrong.isEmpty(), qPrintable(at + QStringLiteral(": ") + wrong));
        }
    }
}

void TestPeriodModel::yearTableRows()
{
    YearFigures a;
    a.year = 2002;
    a.balance = -5;
    YearFigures b;
    b.year = 2003;
    b.balance = qint64(1) << 40; // past 32 bits: only its sign picks the icon
    YearFigures total;
    total.balance = b.balance - 5;
    const QList<ReportRow> rows = rowtext::YearTableRows({a, b}, total, 2003);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).icon, int(rowtext::Down));
    QCOMPARE(rows.at(0).key, 2002);
    QCOMPARE(rows.at(1).icon, int(rowtext::MarkedUp));
    QCOMPARE(rows.at(2).icon, int(rowtext::Up)); // the totals are never marked
    QCOMPARE(rows.at(2).key, 0);
    QCOMPARE(rows.at(2).cells.first(), QStringLiteral("合計"));
    QCOMPARE(rowtext::YearTableRows({}, YearFigures(), 2003), QList<ReportRow>());
    CReportModel model(rowtext::YearColumns());
    model.SetRows(rows);
    QCOMPARE(model.Headings(),
             QStringList({"年", "回収/投資", "回収率", "収支", "通算収支", "稼働日数", "勝率"}));
    QCOMPARE(model.index(1, 6).data().toString(), rows.at(1).cells.at(6));
}

// The days with play sessions: described on their date cell in the daily view, announced when
// their count changes, and never in a cell's text.
void TestPeriodModel::playCounts_data()
{
    QTest::addColumn<int>("monthIndex"); // -1: the monthly view
    QTest::addColumn<QList<int>>("counts"); // date, count, ...
    QTest::addColumn<QStringList>("described"); // "row/column:description"
    QTest::addColumn<QStringList>("announced");
    QTest::newRow("May") << 4 << QList<int>{20030512, 2, 20030501, 1, 20030531, 12}
                         << QStringList{"0/0:稼働記録 1件", "11/0:稼働記録 2件",
                                        "30/0:稼働記録 12件"}
                         << QStringList{"0-0", "11-11", "30-30"};
    QTest::newRow("days of other months are not shown")
            << 3 << QList<int>{20030512, 2, 20030430, 1} << QStringList{"29/0:稼働記録 1件"}
            << QStringList{"29-29"};
    QTest::newRow("no sessions: nothing")
            << 4 << QList<int>{20030512, 0} << QStringList{} << QStringList{};
    QTest::newRow("the monthly view has no marks")
            << -1 << QList<int>{20030512, 2} << QStringList{} << QStringList{};
}

void TestPeriodModel::playCounts()
{
    QFETCH(int, monthIndex);
    QFETCH(QList<int>, counts);
    QFETCH(QStringList, described);
    QFETCH(QStringList, announced);
    Laid laid(monthIndex);
    auto &[book, model] = laid;
    const QList<ReportRow> before = Rows(model);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QHash<int, int> given;
    for (int i = 0; i + 1 < counts.size(); i += 2)
        given.insert(counts.at(i), counts.at(i + 1));
    model.SetPlayCounts(given);
    // Only the date cell, of the rows whose count changed.
    QStringList seenChanged = Announced(changed, 1);
    seenChanged.sort();
    QCOMPARE(seenChanged, announced);
    QStringList seen;
    for (int r = 0; r < model.rowCount(); ++r) {
        for (int c = 0; c < model.columnCount(); ++c) {
            const QString description
                    = model.index(r, c).data(Qt::AccessibleDescriptionRole).toString();
            if (!description.isEmpty())
                seen << QStringLiteral("%1/%2:%3").arg(r).arg(c).arg(description);
        }
    }
    QCOMPARE(seen, described);
    QCOMPARE(Rows(model), before); // no cell's text, no icon
    // The same counts again announce nothing; one day's change announces its row alone.
    changed.clear();
    model.SetPlayCounts(given);
    QCOMPARE(changed.size(), 0);
    model.SetPlayCount(20030512, 0);
    QCOMPARE(model.index(11, 0).data(Qt::AccessibleDescriptionRole), QVariant());
    QCOMPARE(
            Announced(changed, 1),
            QStringList(given.value(20030512) && monthIndex == 4 ? 1 : 0, QStringLiteral("11-11")));
    // Laid out anew, the rows keep the marks of their days.
    model.ShowDaily(book, 4, 20030512);
    QCOMPARE(model.index(30, 0).data(CPeriodModel::PlayCountRole).toInt(), given.value(20030531));
}

QTEST_GUILESS_MAIN(TestPeriodModel)
#include "tst_periodmodel.moc"
