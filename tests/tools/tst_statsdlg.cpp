#include "data/ResultBook.h"
#include "tools/StatsDlg.h"

#include "tools/ToolsFixture.h"

#include <QLabel>
#include <QRadioButton>
#include <QTableWidget>

namespace {

// Counted by hand below: two days of 2002 and a loaded period of January to May 2003.
const QStringList kLines = {
        DataLine(20021201, 0, 50, 100, -50), DataLine(20021202, 0, 200, 100, 100),
        DataLine(20030105, 1, 0, 0, 30),     DataLine(20030106, 0, 0, 40, -40),
        DataLine(20030110, -1, 0, 0, 0),     DataLine(20030111, 0, 60, 60, 0),
        DataLine(20030201, 1, 0, 0, -20),    DataLine(20030202, 1, 0, 0, -10),
        DataLine(20030301, 0, 150, 50, 100), DataLine(20030302, 1, 0, 0, 10),
};

const QStringList kPeriod = {
        "稼働日数|7",
        "勝ち日数|3",
        "負け日数|3",
        "引き分け日数|1",
        "勝率|43%",
        "投資合計|150",
        "回収合計|210",
        "収支合計|70",
        "回収率|140%",
        "1日平均収支|10.0",
        "標準偏差|45.5",
        "最大勝ち|100 2003/03/01 (土)",
        "最大負け|-40 2003/01/06 (月)",
        "最大連勝|2連勝 2003/03/01 (土) ～ 2003/03/02 (日)",
        "最大連敗|2連敗 2003/02/01 (土) ～ 2003/02/02 (日)",
        "最大ドローダウン|70 2003/01/05 (日) ～ 2003/02/02 (日)",
        "最高の月|110 2003/03",
        "最低の月|-30 2003/02",
};

const QStringList kAllYears = {
        "稼働日数|9",
        "勝ち日数|4",
        "負け日数|4",
        "引き分け日数|1",
        "勝率|44%",
        "投資合計|350",
        "回収合計|460",
        "収支合計|120",
        "回収率|131%",
        "1日平均収支|13.3",
        "標準偏差|54.8",
        "最大勝ち|100 2002/12/02 (月)",
        "最大負け|-50 2002/12/01 (日)",
        "最大連勝|2連勝 2002/12/02 (月) ～ 2003/01/05 (日)",
        "最大連敗|2連敗 2003/02/01 (土) ～ 2003/02/02 (日)",
        "最大ドローダウン|70 2003/01/05 (日) ～ 2003/02/02 (日)",
        "最高の月|110 2003/03",
        "最低の月|-30 2003/02",
};

QString RangeOf(const CStatsDlg &dlg)
{
    return static_cast<QLabel *>(dlg.control(CStatsDlg::IdRange))->text();
}

} // namespace

class TestStatsDlg : public QObject
{
    Q_OBJECT
private:
    ToolsFixture m_fx;

private slots:
    void init()
    {
        m_fx.Init();
        m_fx.WriteLines(kLines);
    }

    // Both ranges as a screen reader reads the table, chosen with the keyboard.
    void bothRanges()
    {
        CResultBook book(m_fx.Path());
        QVERIFY(book.LoadPeriod(200305, 1, 0));
        CStatsDlg dlg(nullptr, book);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("統計"));
        QCOMPARE(AccessibleHeaders(dlg.Table()), QStringList({"項目", "値"}));
        QCOMPARE(dlg.Table()->accessibleName(), QStringLiteral("統計"));
        QCOMPARE(AccessibleRows(dlg.Table()), kPeriod);
        QCOMPARE(RangeOf(dlg), QStringLiteral("対象: 2003/01 ～ 2003/05"));

        // A mnemonic clicks its radio a moment later, as a click of the mouse would look.
        QTest::keyClick(&dlg, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(static_cast<QRadioButton *>(dlg.control(CStatsDlg::IdAllYears))->isChecked());
        QCOMPARE(AccessibleRows(dlg.Table()), kAllYears);
        QCOMPARE(RangeOf(dlg), QStringLiteral("対象: 2002年 ～ 2003年"));

        QTest::keyClick(&dlg, Qt::Key_P, Qt::AltModifier);
        QTRY_COMPARE(AccessibleRows(dlg.Table()), kPeriod);
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
    }

    // A day entered and not saved counts in both ranges as the lists show it.
    void unsavedDay()
    {
        CResultBook book(m_fx.Path());
        QVERIFY(book.LoadPeriod(200305, 1, 0));
        QVERIFY(book.EnterDay(20030401, EntryMethod::Balance, 0, 0, -200));
        CStatsDlg dlg(nullptr, book);
        const auto value = [&](int row) { return dlg.Table()->item(row, 1)->text(); };
        QCOMPARE(value(0), QStringLiteral("8"));
        QCOMPARE(value(7), QStringLiteral("-130"));
        QCOMPARE(value(17), QStringLiteral("-200 2003/04"));
        dlg.SetAllYears(true);
        QCOMPARE(value(0), QStringLiteral("10"));
        QCOMPARE(value(7), QStringLiteral("-80"));
        QCOMPARE(value(15), QStringLiteral("200 2003/03/02 (日) ～ 2003/04/01 (火)"));
    }

    // A past period without any result, and no data file at all.
    void emptyRanges()
    {
        CResultBook book(m_fx.FilePath(QStringLiteral("none.dat")));
        CStatsDlg dlg(nullptr, book);
        QCOMPARE(RangeOf(dlg), QStringLiteral("対象: なし"));
        QCOMPARE(dlg.Table()->item(0, 1)->text(), QStringLiteral("0"));
        QCOMPARE(dlg.Table()->item(10, 1)->text(), QStringLiteral("-"));
        dlg.SetAllYears(true);
        QCOMPARE(RangeOf(dlg), QStringLiteral("対象: なし"));
        QCOMPARE(dlg.Table()->item(15, 1)->text(), QStringLiteral("-"));
        QVERIFY(!QFile::exists(m_fx.FilePath(QStringLiteral("none.dat")))); // never written
    }

    void readFailure()
    {
        const QString folder = m_fx.FilePath(QStringLiteral("folder"));
        QVERIFY(QDir().mkpath(folder));
        CResultBook book(folder);
        CStatsDlg dlg(nullptr, book);
        dlg.SetAllYears(true);
        QCOMPARE(dlg.Table()->rowCount(), 0);
        const QString status = static_cast<QLabel *>(dlg.control(CStatsDlg::IdStatus))->text();
        QVERIFY2(status.startsWith(CResultBook::LoadFailedText()), qPrintable(status));
        dlg.SetAllYears(false);
        QCOMPARE(dlg.Table()->rowCount(), 18);
    }
};

QTEST_MAIN(TestStatsDlg)
#include "tst_statsdlg.moc"
