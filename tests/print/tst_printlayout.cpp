// The printout's pagination and its sheet: what goes on which page, and that the sheet holds the
// list's own rows for the view.
#include "data/ResultBook.h"
#include "print/PrintLayout.h"
#include "print/PrintSheet.h"
#include "session/RowText.h"

#include "common/DataLines.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Pages as "T H0+17 S G | H17+3": title, headings with first row and row count, summary, graph.
QString Describe(const QList<CPrintLayout::Page> &pages)
{
    QStringList out;
    for (const CPrintLayout::Page &p : pages) {
        QStringList parts;
        if (p.title)
            parts << QStringLiteral("T");
        if (p.headings)
            parts << QStringLiteral("H%1+%2").arg(p.firstRow).arg(p.rowCount);
        else if (p.rowCount != 0)
            parts << QStringLiteral("rows without headings");
        if (p.summary)
            parts << QStringLiteral("S");
        if (p.graph)
            parts << QStringLiteral("G");
        out << parts.join(QLatin1Char(' '));
    }
    return out.join(QStringLiteral(" | "));
}

} // namespace

class TestPrintLayout : public QObject
{
    Q_OBJECT

private slots:
    void paginate_data();
    void paginate();
    void everyRowOnceUnderHeadings();
    void sheet_data();
    void sheet();
    void sessionsUnderTheirDays();
};

void TestPrintLayout::paginate_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("body");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("graph");
    QTest::addColumn<QString>("pages");

    // Title 10, headings 5, summary 10 throughout.
    QTest::newRow("no rows: headings alone") << 0 << 100 << 5 << 30 << "T H0+0 S G";
    QTest::newRow("everything on one page") << 5 << 100 << 5 << 50 << "T H0+5 S G";
    QTest::newRow("the graph one pixel too high moves") << 5 << 100 << 5 << 51 << "T H0+5 S | G";
    QTest::newRow("rows fill the page: the summary moves")
            << 17 << 100 << 5 << 30 << "T H0+17 | S G";
    QTest::newRow("no graph") << 17 << 100 << 5 << 0 << "T H0+17 | S";
    QTest::newRow("rows over three pages, headings on each")
            << 40 << 100 << 5 << 30 << "T H0+17 | H17+19 | H36+4 S G";
    QTest::newRow("no room for headings and a row under the title")
            << 3 << 20 << 6 << 0 << "T | H0+2 | H2+1 | S";
    QTest::newRow("rows taller than a page still move on")
            << 2 << 100 << 150 << 30 << "T | H0+1 | H1+1 | S G";
}

void TestPrintLayout::paginate()
{
    QFETCH(int, rows);
    QFETCH(int, body);
    QFETCH(int, row);
    QFETCH(int, graph);
    QFETCH(QString, pages);
    CPrintLayout::Metrics m;
    m.body = body;
    m.title = 10;
    m.heading = 5;
    m.row = row;
    m.summary = 10;
    m.graph = graph;
    QCOMPARE(Describe(CPrintLayout::Paginate(rows, m)), pages);
}

void TestPrintLayout::everyRowOnceUnderHeadings()
{
    // Over many shapes: rows follow each other without gaps or repeats, every page with rows has
    // the headings, no page runs past its body, and the summary and graph come once, last.
    for (int body = 40; body <= 400; body += 37) {
        for (int rowHeight = 3; rowHeight <= 45; rowHeight += 7) {
            for (int rows : {0, 1, 12, 31, 100}) {
                CPrintLayout::Metrics m{body, 12, 8, rowHeight, 9, body / 2};
                const QList<CPrintLayout::Page> pages = CPrintLayout::Paginate(rows, m);
                const QString shape = QStringLiteral("body %1 row %2 rows %3: ")
                                              .arg(body)
                                              .arg(rowHeight)
                                              .arg(rows)
                        + Describe(pages);
                int next = 0;
                int summaries = 0;
                int graphs = 0;
                for (int p = 0; p < pages.size(); ++p) {
                    const CPrintLayout::Page &page = pages.at(p);
                    QVERIFY2(page.title == (p == 0), qPrintable(shape));
                    QVERIFY2(page.rowCount == 0 || page.headings, qPrintable(shape));
                    QVERIFY2(page.rowCount == 0 || page.firstRow == next, qPrintable(shape));
                    next += page.rowCount;
                    const int height = (page.title ? m.title : 0) + (page.headings ? m.heading : 0)
                            + page.rowCount * m.row + (page.summary ? m.summary : 0)
                            + (page.graph ? m.graph : 0);
                    // Only a lone row taller than a page may overflow it.
                    const bool lone = page.rowCount == 1 && m.heading + m.row > m.body;
                    QVERIFY2(height <= m.body || lone, qPrintable(shape));
                    summaries += page.summary;
                    graphs += page.graph;
                    QVERIFY2(!page.summary || next == rows, qPrintable(shape));
                }
                QVERIFY2(next == rows, qPrintable(shape));
                QVERIFY2(summaries == 1 && graphs == 1 && pages.last().graph, qPrintable(shape));
            }
        }
    }
}

void TestPrintLayout::sheet_data()
{
    QTest::addColumn<bool>("daily");
    QTest::addColumn<int>("monthIndex");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("probe"); // row compared with the list's own cells; -1 for none
    QTest::addColumn<int>("probeKey"); // its month or day key

    QTest::newRow("monthly: the period")
            << false << 0 << "月別一覧: 2002/06 ～ 2003/05" << 12 << 11 << 200305;
    QTest::newRow("daily: May") << true << 11 << "日別一覧: 2003/05" << 31 << 11 << 20030512;
    QTest::newRow("daily: February") << true << 8 << "日別一覧: 2003/02" << 28 << 27 << 20030228;
    QTest::newRow("daily: the first month")
            << true << 0 << "日別一覧: 2002/06" << 30 << 0 << 20020601;
    QTest::newRow("daily: no such month") << true << 12 << "日別一覧:" << 0 << -1 << 0;
}

void TestPrintLayout::sheet()
{
    QFETCH(bool, daily);
    QFETCH(int, monthIndex);
    QFETCH(QString, title);
    QFETCH(int, rows);
    QFETCH(int, probe);
    QFETCH(int, probeKey);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Murel1.Dat"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (const QString &line :
             {DataLine(20020601, 0, 20, 10, 10), DataLine(20030228, 1, 0, 0, -7),
              DataLine(20030512, 0, 50, 30, 20)})
            file.write(line.toLatin1() + "\r\n");
    }
    CResultBook book(path);
    QVERIFY(book.LoadPeriod(200305, 0, 0));

    const PrintSheet sheet = SheetOfView(book, daily, monthIndex);
    QCOMPARE(sheet.title, title);
    QCOMPARE(sheet.note, QStringLiteral("単位:百円"));
    QCOMPARE(sheet.headings,
             QStringList({QStringLiteral("日付"), QStringLiteral("回収/投資"),
                          QStringLiteral("回収率"), QStringLiteral("収支"),
                          QStringLiteral("月累積収支"), QStringLiteral("年累積収支")}));
    QCOMPARE(sheet.shares, QList<int>({4, 4, 2, 3, 3, 3}));
    QCOMPARE(sheet.rows.size(), rows);
    QCOMPARE(sheet.summary, rowtext::Summary(book));
    if (probe < 0)
        return;
    if (daily) {
        const DayResult &day = book.Day(book.IndexOf(probeKey));
        QCOMPARE(sheet.rows.at(probe), rowtext::DailyRow(day));
    } else {
        QCOMPARE(book.Month(probe).month, probeKey);
        QCOMPARE(sheet.rows.at(probe), rowtext::MonthlyRow(book, probe));
    }
}

// The daily view lists each day's sessions under it, in entry order, on one line each; the
// monthly view, and a sheet made without sessions, list none; the rows stay the list's.
void TestPrintLayout::sessionsUnderTheirDays()
{
    CResultBook book;
    book.BuildCalendar(200305, 1, 0);
    auto sessionsOf = [](int date) {
        PlaySession s;
        s.day = date;
        s.store = QStringLiteral("駅前");
        s.invested = 10;
        s.collected = 15;
        QList<PlaySession> sessions;
        if (date == 20030512) {
            sessions << s;
            s.store = QStringLiteral("ABC");
            s.machine = QStringLiteral("海");
            s.startMinute = 22 * 60;
            s.memo = QStringLiteral("一行目\n二行目");
            sessions << s;
        }
        return sessions;
    };
    const PrintSheet daily = SheetOfView(book, true, 4, sessionsOf);
    QCOMPARE(daily.rows, SheetOfView(book, true, 4).rows);
    QCOMPARE(daily.details.size(), 31);
    QCOMPARE(daily.details.at(11),
             QStringList({"駅前  回収/投資 15/10  収支 5",
                          "ABC  海  22:00～  回収/投資 15/10  収支 5  一行目"}));
    const QList<CPrintLayout::Line> lines = CPrintLayout::PrintLines(daily);
    QCOMPARE(lines.size(), 33);
    QCOMPARE(lines.mid(11, 4), QList<CPrintLayout::Line>({{11, -1}, {11, 0}, {11, 1}, {12, -1}}));
    const PrintSheet monthly = SheetOfView(book, false, 4, sessionsOf);
    QVERIFY(monthly.details.isEmpty() && SheetOfView(book, true, 4).details.isEmpty());
    QCOMPARE(CPrintLayout::PrintLines(monthly).size(), monthly.rows.size());
}

QTEST_GUILESS_MAIN(TestPrintLayout)
#include "tst_printlayout.moc"
