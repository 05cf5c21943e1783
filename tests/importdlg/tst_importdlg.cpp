#include "importdlg/ImportDlg.h"
#include "importdlg/PreviewText.h"

#include "import/ImportFixture.h"
#include "settings/Profile.h"
#include "tools/ToolsFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace {

// A control's name as a screen reader reads it.
QString Spoken(QWidget *widget)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("(none)");
}

// The label a screen reader names a control by: the relation from its buddy label.
QString LabelOf(QWidget *widget)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
    if (!iface)
        return QStringLiteral("(none)");
    const auto labels = iface->relations(QAccessible::Label);
    return labels.isEmpty() ? QStringLiteral("(no label)")
                            : labels.first().first->text(QAccessible::Name);
}

QString SpokenCell(QTableWidget *table, int row, int column)
{
    return AccessibleRows(table).value(row).section(QLatin1Char('|'), column, column);
}

QStringList Items(const QListWidget *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

} // namespace

class TestImportDlg : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fx.Init(); }
    void window();
    void keyboardOnly();
    void encodingAndOverwrite();
    void refusedFile();
    void ownFile();

private:
    QString Csv() const { return m_fx.FilePath(QStringLiteral("in.csv")); }
    const QString &Data() const { return m_fx.Path(); }
    void Key(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(target, key, modifiers);
    }
    ToolsFixture m_fx;
};

void TestImportDlg::window()
{
    CImportDlg dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("CSVの読み込み"));
    QVERIFY(dlg.isModal());
    auto *ok = qobject_cast<QPushButton *>(dlg.control(CImportDlg::IdOk));
    QVERIFY(ok && ok->isDefault() && !ok->isEnabled());
    auto *overwrite = qobject_cast<QRadioButton *>(dlg.control(CImportDlg::IdOverwrite));
    auto *keep = qobject_cast<QRadioButton *>(dlg.control(CImportDlg::IdKeep));
    QCOMPARE(overwrite->text(), QStringLiteral("読み込んだ値で上書き"));
    QCOMPARE(keep->text(), QStringLiteral("今の値を残す"));
    QVERIFY(keep->isChecked());
    // Every combo is named by its label for a screen reader.
    QCOMPARE(LabelOf(dlg.control(CImportDlg::IdDate)), QStringLiteral("日付(D):"));
    QCOMPARE(LabelOf(dlg.control(CImportDlg::IdEncoding)), QStringLiteral("文字コード(E):"));
    QCOMPARE(LabelOf(dlg.control(CImportDlg::IdMemo)), QStringLiteral("メモ(O):"));
    QCOMPARE(previewtext::Headings(false),
             (QStringList{"行", "日付", "状態", "入力方法", "回収額(円)", "投資額(円)",
                          "収支(円)"}));
}

void TestImportDlg::keyboardOnly()
{
    // Amount columns whose headings say nothing: the window finds the date, the user the rest.
    QVERIFY(WriteBytes(Csv(),
                       QByteArray("日付,A,B\r\n2003/05/12,\"1,000\",300\r\n"
                                  "2003/05/13,0,250\r\n2003/02/30,1,1\r\n")));
    CImportDlg dlg;
    QVERIFY(dlg.Open(Csv(), Data(), nullptr));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    auto *ok = dlg.control(CImportDlg::IdOk);
    QVERIFY(!ok->isEnabled());
    QCOMPARE(Spoken(dlg.control(CImportDlg::IdNotes)),
             QStringLiteral("収支の列か、回収額と投資額の列を選んでください。"));

    Key(&dlg, Qt::Key_C, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), dlg.control(CImportDlg::IdCollected));
    Key(QApplication::focusWidget(), Qt::Key_Down); // (なし) -> 1: 日付
    Key(QApplication::focusWidget(), Qt::Key_Down); // -> 2: A
    Key(&dlg, Qt::Key_M, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), dlg.control(CImportDlg::IdInvested));
    for (int i = 0; i < 3; ++i)
        Key(QApplication::focusWidget(), Qt::Key_Down); // -> 3: B

    QCOMPARE(Spoken(dlg.control(CImportDlg::IdCounts)),
             QStringLiteral("新しい日: 2　変更のある日: 0　同じ日: 0　読み込めない行: 1"));
    QCOMPARE(SpokenCell(dlg.Preview(), 0, 1), QStringLiteral("2003/05/12"));
    QCOMPARE(SpokenCell(dlg.Preview(), 0, 4), QStringLiteral("1,000"));
    QCOMPARE(SpokenCell(dlg.Preview(), 1, 6), QStringLiteral("-200"));
    QCOMPARE(Items(qobject_cast<QListWidget *>(dlg.control(CImportDlg::IdRejected))),
             QStringList{"4 行目: 暦にない日付です: 「2003/02/30」"});
    QCOMPARE(Spoken(dlg.control(CImportDlg::IdNotes)), QStringLiteral("百円未満を切り捨てた行: 1"));
    QVERIFY(ok->isEnabled());

    Key(&dlg, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(DayTexts(dlg.Changes().days), (QStringList{"20030512,0,10,3,7", "20030513,0,0,2,-2"}));
    // The position is kept under a section of its own.
    QCOMPARE(GetProfileInt(QStringLiteral("Import"), QStringLiteral("Pos_X"), -12345),
             dlg.frameGeometry().x());
}

void TestImportDlg::encodingAndOverwrite()
{
    m_fx.WriteLines({DataLine(20030512, 1, 0, 0, 5)});
    QVERIFY(WriteBytes(Csv(),
                       ShiftJis(QStringLiteral("日付,収支\r\n2003年5月12日,８００円\r\n"
                                               "2003年5月13日,△300\r\n"))));
    CImportDlg dlg;
    QVERIFY(dlg.Open(Csv(), Data(), nullptr));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QVERIFY(Spoken(dlg.control(CImportDlg::IdDetected))
                    .startsWith(QStringLiteral(
                            "判定: Shift_JIS、カンマ区切り　日付の形式: yyyy年m月d日")));
    QCOMPARE(Spoken(dlg.control(CImportDlg::IdCounts)),
             QStringLiteral("新しい日: 1　変更のある日: 1　同じ日: 0　読み込めない行: 0"));
    QCOMPARE(SpokenCell(dlg.Preview(), 0, 2), QStringLiteral("変更"));
    QCOMPARE(DayTexts(dlg.Changes().days), QStringList{"20030513,1,0,0,-3"});

    // Read as UTF-8, the header says nothing and no column is found.
    auto *encoding = qobject_cast<QComboBox *>(dlg.control(CImportDlg::IdEncoding));
    Key(&dlg, Qt::Key_E, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), encoding);
    Key(encoding, Qt::Key_Up);
    QCOMPARE(encoding->currentText(), QStringLiteral("UTF-8"));
    QVERIFY(!dlg.control(CImportDlg::IdOk)->isEnabled());
    Key(encoding, Qt::Key_Down);
    QCOMPARE(encoding->currentText(), QStringLiteral("Shift_JIS"));

    // Overwriting takes the changed day as well.
    Key(&dlg, Qt::Key_W, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), dlg.control(CImportDlg::IdOverwrite));
    Key(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(dlg.Overwrite());
    QCOMPARE(DayTexts(dlg.Changes().days), (QStringList{"20030512,1,0,0,8", "20030513,1,0,0,-3"}));
    Key(&dlg, Qt::Key_Escape);
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
}

void TestImportDlg::refusedFile()
{
    QVERIFY(WriteBytes(Csv(), QByteArray("日付,収支\r\n")));
    CImportDlg dlg;
    QVERIFY(!dlg.Open(Csv(), Data(), nullptr));
    QVERIFY2(dlg.Problem().contains(QStringLiteral("見出しの行だけ")), qPrintable(dlg.Problem()));
    QVERIFY(dlg.Changes().days.empty());
}

void TestImportDlg::ownFile()
{
    // The diary's own file needs no mapping: the combos show it and cannot be changed.
    QVERIFY(WriteBytes(
            Csv(),
            QByteArray("\xEF\xBB\xBF")
                    + QStringLiteral("日付,曜日,入力方法,回収額(円),投資額(円),収支(円),"
                                     "回収率(%)\r\n2003/05/12,月,収支のみ,0,0,-4500,\r\n")
                              .toUtf8()));
    CImportDlg dlg;
    QVERIFY(dlg.Open(Csv(), Data(), nullptr));
    auto *balance = qobject_cast<QComboBox *>(dlg.control(CImportDlg::IdBalance));
    QCOMPARE(balance->currentText(), QStringLiteral("6: 収支(円)"));
    QVERIFY(!balance->isEnabled());
    QCOMPARE(Spoken(dlg.control(CImportDlg::IdKind)),
             QStringLiteral("ミュレルのCSV（日ごとの結果）として読みます。"));
    QCOMPARE(DayTexts(dlg.Changes().days), QStringList{"20030512,1,0,0,-45"});
}

QTEST_MAIN(TestImportDlg)
#include "tst_importdlg.moc"
