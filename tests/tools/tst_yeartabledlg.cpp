#include "data/ResultBook.h"
#include "dialogkit/DialogTemplate.h"
#include "dialogkit/ReportList.h"
#include "graph/GraphPainter.h"
#include "settings/Profile.h"
#include "tools/YearTableDlg.h"

#include "tools/ToolsFixture.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>

namespace {

const auto Line = DataLine;

// The cells of every row, each row's cells joined by "|", its row icon after a "#".
QStringList Cells(const CReportList &list)
{
    QStringList rows;
    for (int r = 0; r < list.RowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < list.model()->columnCount(); ++c)
            cells << list.CellText(r, c);
        rows << cells.join(QLatin1Char('|')) + QLatin1Char('#')
                        + QString::number(list.IconOfRow(r));
    }
    return rows;
}

QPoint StoredPosition()
{
    return QPoint(GetProfileInt(QStringLiteral("YearTable"), QStringLiteral("Pos_X"), -1),
                  GetProfileInt(QStringLiteral("YearTable"), QStringLiteral("Pos_Y"), -1));
}

enum class CloseBy { Button, Enter, Escape, CloseBox };

} // namespace

Q_DECLARE_METATYPE(CloseBy)

class TestYearTableDlg : public QObject
{
    Q_OBJECT

private:
    ToolsFixture m_fx;

    void Write(const QByteArray &bytes)
    {
        QFile file(m_fx.Path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    QByteArray Read() const
    {
        QFile file(m_fx.Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    }

private slots:
    void init() { m_fx.Init(); }

    void window();
    void rows_data();
    void rows();
    void readFailure();
    void manyYears();
    void keyboardAndScreenReader();
    void position_data();
    void position();
};

void TestYearTableDlg::window()
{
    CYearTableDlg dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("年別集計"));
    QVERIFY(dlg.isModal());
    const QSize client = dlg::ToPixels(dlg::BaseUnitsOf(dlg::DialogFont()), 372, 332);
    QCOMPARE(dlg.minimumSize(), client);
    QCOMPARE(dlg.maximumSize(), client);
    QStringList headings;
    for (int c = 0; c < dlg.List()->model()->columnCount(); ++c)
        headings << dlg.List()->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headings,
             QStringList({"年", "回収/投資", "回収率", "収支", "通算収支", "稼働日数", "勝率"}));
    auto *close = qobject_cast<QPushButton *>(dlg.control(CYearTableDlg::IdClose));
    QVERIFY(close && close->isDefault());
}

void TestYearTableDlg::rows_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QStringList>("rows"); // cells, then the row icon
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("title");

    auto lines = [](const QStringList &l) {
        return (l.join(QStringLiteral("\r\n")) + "\r\n").toLatin1();
    };
    // The list marks 2003, the year the diary was started in.
    QTest::newRow("three years")
            << lines({Line(20020510, 0, 20, 10, 10), Line(20021231, 0, 5, 8, -3),
                      Line(20030101, 0, 29, 100, -71), Line(20030214, 1, 0, 0, 20),
                      Line(20030512, 0, 50, 30, 20), Line(20040229, 1, 0, 0, -5)})
            << true
            << QStringList{"2002|25/18|139%|7|7|2|50%#1", "2003|79/130|61%|-31|-24|3|67%#5",
                           "2004|0/0|-|-5|-29|1|0%#2", "合計|104/148|70%|-29|-29|6|50%#2"}
            << 1 << "年別推移:2002 ～ 2004";
    // Out of order, a later line of the same date winning, junk and an invalid date.
    QTest::newRow("hand-edited") << QByteArray(
            "20030301,0,1000,2000,1000,\r\nxyz,1,2,3,4,\r\n"
            "20020615,1,-300,0,0,\r\n20030301,0,-500,500,1000,\r\n"
            "20030231,0,100,100,0,\r\n")
                                 << true
                                 << QStringList{"2002|0/0|-|-3|-3|1|0%#2",
                                                "2003|5/10|50%|-5|-8|1|0%#5",
                                                "合計|5/10|50%|-8|-8|2|0%#2"}
                                 << 1 << "年別推移:2002 ～ 2003";
    QTest::newRow("a year without this one")
            << lines({Line(20010101, 0, 10, 10, 0)}) << true
            << QStringList{"2001|10/10|100%|0|0|1|0%#0", "合計|10/10|100%|0|0|1|0%#0"} << -1
            << "年別推移:2001 ～ 2001";
    QTest::newRow("empty file") << QByteArray() << true << QStringList{} << -1 << "年別推移:";
    QTest::newRow("no file") << QByteArray() << false << QStringList{} << -1 << "年別推移:";
    QTest::newRow("lines without a result only")
            << QByteArray("20030105,-1,0,0,0,\r\n20040105,-1,500,0,0,\r\n") << true << QStringList{}
            << -1 << "年別推移:";
}

void TestYearTableDlg::rows()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, exists);
    QFETCH(QStringList, rows);
    QFETCH(int, selected);
    QFETCH(QString, title);
    if (exists)
        Write(file);

    CResultBook book(m_fx.Path());
    CYearTableDlg dlg;
    dlg.SetData(&book, 2003);
    QCOMPARE(dlg.List()->RowCount(), 0); // read when it opens
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(Cells(*dlg.List()), rows);
    QCOMPARE(dlg.List()->SelectedRow(), selected);
    QCOMPARE(dlg.Chart().title, title);
    const int years = qMax(0, int(rows.size()) - 1);
    int points = 0;
    while (points < CGraphPainter::kMaxPoints && !dlg.Chart().points[points].keyText.isEmpty())
        ++points;
    QCOMPARE(points, years);
    QCOMPARE(dlg.control(CYearTableDlg::IdChart)->accessibleName(), title);
    QCOMPARE(qobject_cast<QLabel *>(dlg.control(CYearTableDlg::IdStatus))->text(), QString());
    dlg.reject();
    // Reading neither writes nor makes the file.
    QCOMPARE(QFile::exists(m_fx.Path()), exists);
    if (exists)
        QCOMPARE(Read(), file);
}

// A file that cannot be read: the load failure text and the line that names the file and the
// reason, no rows and an empty chart.
void TestYearTableDlg::readFailure()
{
    QVERIFY(QDir().mkpath(m_fx.Path())); // a folder where the file should be
    CResultBook book(m_fx.Path());
    CYearTableDlg dlg;
    dlg.SetData(&book, 2003);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto *status = qobject_cast<QLabel *>(dlg.control(CYearTableDlg::IdStatus));
    QCOMPARE(status->text(),
             QStringLiteral("ファイルの読み込みに失敗しました。\n")
                     + QDir::toNativeSeparators(QFileInfo(m_fx.Path()).absoluteFilePath())
                     + QStringLiteral(": 同じ名前のフォルダーがあります。"));
    QVERIFY(status->isVisible());
    QCOMPARE(dlg.List()->RowCount(), 0);
    QCOMPARE(dlg.Chart().title, QStringLiteral("年別推移:"));
    QVERIFY(dlg.Chart().points[0].keyText.isEmpty());
    dlg.reject();
}

// The chart holds 370 years: of 400 it shows the newest; the list shows them all.
void TestYearTableDlg::manyYears()
{
    QByteArray file;
    for (int year = 1601; year <= 2000; ++year)
        file += QByteArray::number(year * 10000 + 101) + ",1,100,0,0,\r\n";
    Write(file);
    CResultBook book(m_fx.Path());
    CYearTableDlg dlg;
    dlg.SetData(&book, 2003);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.List()->RowCount(), 401);
    QCOMPARE(dlg.List()->CellText(0, 0), QStringLiteral("1601"));
    QCOMPARE(dlg.List()->CellText(400, 4), QStringLiteral("400"));
    QCOMPARE(dlg.Chart().title, QStringLiteral("年別推移:1631 ～ 2000"));
    QCOMPARE(dlg.Chart().points[CGraphPainter::kMaxPoints - 1].keyText, QStringLiteral("2000"));
    QCOMPARE(dlg.Chart().points[0].value[1], 31); // the running balance of all years so far
    dlg.reject();
}

// The list's title names it and Alt+L reaches it; the cells are what a screen reader reads;
// Enter presses the close button.
void TestYearTableDlg::keyboardAndScreenReader()
{
    m_fx.WriteLines({Line(20020510, 0, 20, 10, 10), Line(20030512, 0, 50, 30, 20)});
    CResultBook book(m_fx.Path());
    CYearTableDlg dlg;
    dlg.SetData(&book, 2003);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    CReportList *list = dlg.List();
    QCOMPARE(QApplication::focusWidget(), list);

    auto *title = qobject_cast<QLabel *>(dlg.control(CYearTableDlg::IdListTitle));
    QCOMPARE(title->text(), QStringLiteral("年別一覧(&L):"));
    QCOMPARE(title->buddy(), list);
    const auto labelled
            = QAccessible::queryAccessibleInterface(title)->relations(QAccessible::Labelled);
    QVERIFY(!labelled.isEmpty());
    QCOMPARE(labelled.first().first->object(), list);
    QCOMPARE(QAccessible::queryAccessibleInterface(list)->text(QAccessible::Name),
             QStringLiteral("年別一覧"));

    QCOMPARE(AccessibleRows(list),
             QStringList({"2002|20/10|200%|10|10|1|100%", "2003|50/30|167%|20|30|1|100%",
                          "合計|70/40|175%|30|30|2|100%"}));

    dlg.control(CYearTableDlg::IdClose)->setFocus();
    QTest::keyClick(&dlg, Qt::Key_L, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), list);
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
}

void TestYearTableDlg::position_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QPoint>("storedPos");
    QTest::addColumn<bool>("restored");
    QTest::addColumn<CloseBy>("closeBy");

    QTest::newRow("nothing stored, close button") << false << QPoint() << false << CloseBy::Button;
    QTest::newRow("(0, 0) is not restored, Esc")
            << true << QPoint(0, 0) << false << CloseBy::Escape;
    QTest::newRow("(0, 240) is restored, close box")
            << true << QPoint(0, 240) << true << CloseBy::CloseBox;
    QTest::newRow("(131, 77) is restored, Enter")
            << true << QPoint(131, 77) << true << CloseBy::Enter;
}

void TestYearTableDlg::position()
{
    QFETCH(bool, stored);
    QFETCH(QPoint, storedPos);
    QFETCH(bool, restored);
    QFETCH(CloseBy, closeBy);
    CResultBook book(m_fx.Path());

    QPoint fallback;
    {
        CYearTableDlg dlg;
        dlg.SetData(&book, 2003);
        dlg.show();
        fallback = dlg.pos();
        dlg.hide();
    }
    QVERIFY(fallback != QPoint(0, 0)); // otherwise (0, 0) could not be told apart
    ToolsFixture::Store().clear();
    if (stored) {
        WriteProfileInt(QStringLiteral("YearTable"), QStringLiteral("Pos_X"), storedPos.x());
        WriteProfileInt(QStringLiteral("YearTable"), QStringLiteral("Pos_Y"), storedPos.y());
    }

    CYearTableDlg dlg;
    dlg.SetData(&book, 2003);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(dlg.pos(), restored ? storedPos : fallback);
    const QPoint moved = dlg.pos() + QPoint(19, 11);
    dlg.move(moved);
    QTRY_COMPARE(dlg.pos(), moved);
    QCOMPARE(StoredPosition(), stored ? storedPos : QPoint(-1, -1)); // not before it closes
    switch (closeBy) {
    case CloseBy::Button:
        QTest::mouseClick(dlg.control(CYearTableDlg::IdClose), Qt::LeftButton);
        break;
    case CloseBy::Enter:
        QTest::keyClick(dlg.List(), Qt::Key_Enter);
        break;
    case CloseBy::Escape:
        QTest::keyClick(&dlg, Qt::Key_Escape);
        break;
    case CloseBy::CloseBox:
        dlg.close();
        break;
    }
    QVERIFY(!dlg.isVisible());
    QCOMPARE(StoredPosition(), moved);

    CYearTableDlg again;
    again.SetData(&book, 2003);
    again.show();
    QCOMPARE(again.pos(), moved);
    again.reject();
}

QTEST_MAIN(TestYearTableDlg)
#include "tst_yeartabledlg.moc"
