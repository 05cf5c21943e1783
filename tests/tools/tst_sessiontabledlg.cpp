#include "data/ResultBook.h"
#include "dialogkit/ReportList.h"
#include "tools/SessionTableDlg.h"

#include "stats/SessionFixture.h"
#include "tools/ToolsFixture.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Two stores, three machines, in 2003 (the loaded period) and one session of 2002; a day of
// each year has a result and no sessions. Counted by hand below.
const QList<PlaySession> kSessions = {
        Session(20030512, "駅前店", "海物語", "10:00", "12:30", 100, 250),
        Session(20030512, "駅前店", "北斗", "13:00", "15:00", 200, 0),
        Session(20030513, "本町店", "まどか", "18:30", "23:00", 50, 80),
        Session(20030514, "本町店", "海物語", "", "", 30, 0),
        Session(20020105, "本町店", "北斗", "10:00", "11:00", 10, 50),
};
const QStringList kOtherLines = {DataLine(20030601, 1, 0, 0, 20), DataLine(20021231, 0, 10, 10, 0)};

const QString kPeriodTotal = QStringLiteral("合計|4|330/380|87%|-50|50%|9:00|-222");
const QStringList kByStore = {"本町店|2|80/80|100%|0|50%|4:30|667",
                              "駅前店|2|250/300|83%|-50|50%|4:30|-1111", kPeriodTotal};
const QStringList kByMachine
        = {"海物語|2|250/130|192%|120|50%|2:30|6000", "まどか|1|80/50|160%|30|100%|4:30|667",
           "北斗|1|0/200|0%|-200|0%|2:00|-10000", kPeriodTotal};
const QStringList kByHour
        = {"10時|1|250/100|250%|150|100%|2:30|6000", "18時|1|80/50|160%|30|100%|4:30|667",
           "時刻なし|1|0/30|0%|-30|0%|0:00|-", "13時|1|0/200|0%|-200|0%|2:00|-10000", kPeriodTotal};
const QStringList kAllYearsByStore
        = {"本町店|3|130/90|144%|40|67%|5:30|1273", "駅前店|2|250/300|83%|-50|50%|4:30|-1111",
           "合計|5|380/390|97%|-10|60%|10:00|200"};

QRadioButton *Radio(const CSessionTableDlg &dlg, CSessionTableDlg::ControlId id)
{
    return qobject_cast<QRadioButton *>(dlg.control(id));
}

void ClickHeading(CSessionTableDlg &dlg, int column)
{
    QHeaderView *header = dlg.List()->header();
    const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
}

QString Stored(const char *key)
{
    return ToolsFixture::Store()
            .value(QStringLiteral("SessionTable/") + QLatin1String(key), QStringLiteral("none"))
            .toString();
}

} // namespace

class TestSessionTableDlg : public QObject
{
    Q_OBJECT
private:
    SessionFixture m_fx;
    std::unique_ptr<CResultBook> m_book;
    std::unique_ptr<CPlayStore> m_store;

private slots:
    void init()
    {
        m_fx.Init();
        m_fx.Add(kSessions);
        m_fx.WriteDataFile(kOtherLines);
        m_book = std::make_unique<CResultBook>(m_fx.DataPath());
        QVERIFY(m_book->LoadPeriod(200312, 1, 0));
        m_store = std::make_unique<CPlayStore>(m_fx.DbPath());
    }
    void cleanup()
    {
        m_store.reset();
        m_book.reset();
    }

    // Every grouping and both ranges as a screen reader reads the table, chosen by keyboard.
    void screenReaderAndKeyboard()
    {
        CSessionTableDlg dlg(nullptr, *m_book, *m_store);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("店舗・機種別集計"));
        QVERIFY(dlg.isModal());
        QStringList radios;
        for (const auto id :
             {CSessionTableDlg::IdByStore, CSessionTableDlg::IdByMachine,
              CSessionTableDlg::IdByHour, CSessionTableDlg::IdPeriod, CSessionTableDlg::IdAllYears})
            radios << Radio(dlg, id)->text() + (Radio(dlg, id)->isChecked() ? "*" : "");
        QCOMPARE(radios,
                 QStringList({"店舗別(&T)*", "機種別(&K)", "時間帯別(&H)", "表示中の期間(&P)*",
                              "すべての年(&A)"}));
        auto *close = qobject_cast<QPushButton *>(dlg.control(CSessionTableDlg::IdClose));
        QVERIFY(close && close->isDefault() && close->text() == QStringLiteral("閉じる"));
        QCOMPARE(AccessibleHeaders(dlg.List()),
                 QStringList({"名前", "稼働数", "回収/投資", "回収率", "収支", "勝率", "稼働時間",
                              "時給"}));
        QCOMPARE(AccessibleRows(dlg.List()), kByStore);
        QCOMPARE(dlg.StatusText(), QStringLiteral("セッションのない日: 1日 (集計に含まれません)"));
        QVERIFY(dlg.List()->hasFocus());

        QTest::keyClick(&dlg, Qt::Key_K, Qt::AltModifier);
        QTRY_COMPARE(AccessibleRows(dlg.List()), kByMachine);
        QTest::keyClick(&dlg, Qt::Key_H, Qt::AltModifier);
        QTRY_COMPARE(AccessibleRows(dlg.List()), kByHour);
        QCOMPARE(dlg.List()->accessibleName(), QStringLiteral("時間帯別の集計"));
        QTest::keyClick(&dlg, Qt::Key_T, Qt::AltModifier);
        QTRY_COMPARE(AccessibleRows(dlg.List()), kByStore);
        QTest::keyClick(&dlg, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(AccessibleRows(dlg.List()), kAllYearsByStore);
        QCOMPARE(dlg.StatusText(), QStringLiteral("セッションのない日: 2日 (集計に含まれません)"));
        QTest::keyClick(&dlg, Qt::Key_P, Qt::AltModifier);
        QTRY_COMPARE(AccessibleRows(dlg.List()), kByStore);
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
    }

    // A heading sorts by its column, a second click the other way round; 合計 stays last and the
    // chart follows the table's order.
    void headings()
    {
        CSessionTableDlg dlg(nullptr, *m_book, *m_store);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClick(&dlg, Qt::Key_K, Qt::AltModifier);
        QTRY_COMPARE(AccessibleRows(dlg.List()), kByMachine);
        QHeaderView *header = dlg.List()->header();
        ClickHeading(dlg, sessiontable::Balance);
        QCOMPARE(AccessibleRows(dlg.List()),
                 QStringList({kByMachine[2], kByMachine[1], kByMachine[0], kPeriodTotal}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        ClickHeading(dlg, sessiontable::Name); // まどか 北斗 海物語 by code point
        QCOMPARE(AccessibleRows(dlg.List()),
                 QStringList({kByMachine[1], kByMachine[2], kByMachine[0], kPeriodTotal}));
        ClickHeading(dlg, sessiontable::Name);
        QCOMPARE(AccessibleRows(dlg.List()),
                 QStringList({kByMachine[0], kByMachine[2], kByMachine[1], kPeriodTotal}));
        ClickHeading(dlg, sessiontable::PlayTime); // 4:30 2:30 2:00
        QCOMPARE(AccessibleRows(dlg.List()),
                 QStringList({kByMachine[1], kByMachine[0], kByMachine[2], kPeriodTotal}));
        QCOMPARE(dlg.Chart().Name(0), QStringLiteral("まどか"));
        // The order holds when the grouping changes; a row without a rate comes lowest.
        QTest::keyClick(&dlg, Qt::Key_H, Qt::AltModifier);
        QTRY_COMPARE(AccessibleRows(dlg.List()).first(), kByHour[1]); // 4:30 first
        ClickHeading(dlg, sessiontable::Hourly);
        QCOMPARE(AccessibleRows(dlg.List()),
                 QStringList({kByHour[0], kByHour[1], kByHour[3], kByHour[2], kPeriodTotal}));
    }

    // More than 30 rows: the chart draws the first 30 and says so.
    void manyRows()
    {
        QList<PlaySession> more;
        for (int n = 0; n < 33; ++n)
            more << Session(20030701, QStringLiteral("店%1").arg(n, 2, 10, QLatin1Char('0')), "X",
                            "", "", 0, n);
        m_fx.Add(more);
        CSessionTableDlg dlg(nullptr, *m_book, *m_store);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(dlg.List()->RowCount(), 36); // 35 stores and 合計
        const CSessionChart &chart = dlg.Chart();
        QCOMPARE(chart.Rows(), 35);
        QCOMPARE(chart.Bars(), 30);
        QCOMPARE(chart.Name(29), dlg.List()->CellText(29, 0));
        QCOMPARE(chart.Note(), QStringLiteral("全35件のうち先頭の30件を表示しています"));
        QCOMPARE(dlg.control(CSessionTableDlg::IdChart)->accessibleName(),
                 QStringLiteral("店舗別の収支 (全35件のうち先頭の30件を表示しています)"));
    }

    // The choices and the position are kept when it closes and come back when it opens; the CSV
    // scope dialog's export takes the same choices.
    void keptInSettings()
    {
        QPoint moved;
        {
            CSessionTableDlg dlg(nullptr, *m_book, *m_store);
            dlg.show();
            QVERIFY(QTest::qWaitForWindowActive(&dlg));
            Radio(dlg, CSessionTableDlg::IdByHour)->click();
            Radio(dlg, CSessionTableDlg::IdAllYears)->click();
            moved = dlg.pos() + QPoint(23, 17);
            dlg.move(moved);
            QTRY_COMPARE(dlg.pos(), moved);
            QCOMPARE(Stored("Grouping"), QStringLiteral("none")); // not before it closes
            QTest::mouseClick(dlg.control(CSessionTableDlg::IdClose), Qt::LeftButton);
            QVERIFY(!dlg.isVisible());
        }
        QCOMPARE(Stored("Grouping"), QStringLiteral("2"));
        QCOMPARE(Stored("Range"), QStringLiteral("1"));
        QCOMPARE(QPoint(Stored("Pos_X").toInt(), Stored("Pos_Y").toInt()), moved);
        const QString csv = m_fx.FilePath(QStringLiteral("table.csv"));
        QCOMPARE(ExportSessionTable(*m_store, *m_book, csv), QString());
        QCOMPARE(PlayTest::ReadBytes(csv).split('\n').value(1),
                 QByteArray("10時,2,300/110,273%,190,100%,3:30,5429\r"));

        CSessionTableDlg dlg(nullptr, *m_book, *m_store);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(dlg.pos(), moved);
        QVERIFY(Radio(dlg, CSessionTableDlg::IdByHour)->isChecked());
        QVERIFY(Radio(dlg, CSessionTableDlg::IdAllYears)->isChecked());
        QCOMPARE(AccessibleRows(dlg.List()).first(),
                 QStringLiteral("10時|2|300/110|273%|190|100%|3:30|5429"));
    }
};

QTEST_MAIN(TestSessionTableDlg)
#include "tst_sessiontabledlg.moc"
