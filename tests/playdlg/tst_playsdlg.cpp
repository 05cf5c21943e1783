// The sessions window of a day by the keyboard: Alt+A and the fields with Tab and Enter, Alt+E on
// the selected row, Alt+D after a question, Esc; the rows as a screen reader reads them.
#include "PlayWindowFixture.h"
#include "playdlg/PlaysDlg.h"
#include "playdlg/PlaysModel.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QPointer>
#include <QTreeView>

namespace {

using namespace PlayWindowTest;

// The headings, then each row's cells joined by "|", "*" after the selected one.
QStringList Read(QTreeView *list)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(list);
    QAccessibleTableInterface *table = iface->tableInterface();
    QStringList out{QString()};
    for (int i = 0; i < iface->childCount(); ++i) {
        if (iface->child(i)->role() == QAccessible::ColumnHeader)
            out[0] += iface->child(i)->text(QAccessible::Name) + QLatin1Char('|');
    }
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << table->cellAt(r, c)->text(QAccessible::Name);
        out << cells.join(QLatin1Char('|'))
                        + (table->cellAt(r, 0)->state().selected ? QStringLiteral("*") : QString());
    }
    return out;
}

// A mnemonic clicks its button once it was shown pressed; then the editor is up.
CPlayEditDlg *Mnemonic(CPlaysDlg *window, Qt::Key key)
{
    QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
    if (!QTest::qWaitFor([&] { return window->Editor() && window->Editor()->isActiveWindow(); }))
        qWarning("no editor");
    return window->Editor();
}

} // namespace

class TestPlaysDlg : public QObject
{
    Q_OBJECT

private slots:
    void keyboardPath();
};

void TestPlaysDlg::keyboardPath()
{
    Fixture f;
    QPointer<CPlaysDlg> window = CPlaysDlg::Open(
            nullptr, f.Plays(), kToday, QStringLiteral("2003/05/12 (月)"), f.prompt, f.clock);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(window->windowTitle(), QStringLiteral("稼働記録 - 2003/05/12 (月)"));
    QVERIFY(window->isModal());
    QPointer<CPlayEditDlg> editor = Mnemonic(window, Qt::Key_A);
    QCOMPARE(editor->windowTitle(), QStringLiteral("稼働の追加"));
    Type({"駅前ホール", "海物語", "9:30", "1230", "100", "150", "朝一"});
    Press(Qt::Key_Return, Qt::ControlModifier);
    QTRY_VERIFY(!editor);
    QCOMPARE(f.LineOf(kToday), QByteArray("20030512,0,5000,15000,10000,"));
    QTRY_COMPARE(QApplication::focusWidget(), window->Table());
    editor = Mnemonic(window, Qt::Key_A);
    Type({"ABC", "", "", "11:45", "50", "20"}); // the start proposed: the clock's time
    Press(Qt::Key_Return);
    QTRY_VERIFY(!editor);
    // The view lays its rows out anew once back in the event loop; a screen reader reads them then.
    const QString heads = QStringLiteral("店舗|機種|開始|終了|投資|回収|収支|メモ|");
    QTRY_COMPARE(Read(window->Table()),
                 QStringList({heads, "駅前ホール|海物語|09:30|12:30|100|150|50|朝一",
                              "ABC||10:00|11:45|50|20|-30|*"}));

    Press(Qt::Key_Up);
    editor = Mnemonic(window, Qt::Key_E);
    QCOMPARE(editor->windowTitle(), QStringLiteral("稼働の編集"));
    QTest::keyClick(editor, Qt::Key_O, Qt::AltModifier); // メモ(&O)
    Press(Qt::Key_End);
    Press(Qt::Key_Return);
    Type({"夕方は渋い"});
    Press(Qt::Key_Return, Qt::ControlModifier);
    QTRY_VERIFY(!editor);
    QTRY_COMPARE(Read(window->Table()).at(1),
                 QStringLiteral("駅前ホール|海物語|09:30|12:30|100|150|50|朝一 / 夕方は渋い*"));
    QCOMPARE(window->Model().index(0, 7).data(Qt::ToolTipRole).toString(),
             QStringLiteral("朝一\n夕方は渋い"));

    f.prompt.answers = {QMessageBox::No, QMessageBox::Yes};
    for (int asked = 1; asked <= 2; ++asked) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
        QTRY_COMPARE(f.prompt.asked.size(), asked);
    }
    QCOMPARE(f.prompt.asked.first().text,
             QStringLiteral("この稼働を削除しますか？\n駅前ホール 海物語 09:30～12:30"));
    QCOMPARE(f.prompt.asked.first().buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(f.Sessions(kToday), QStringList{"ABC||10:00|11:45|50|20|"});
    QCOMPARE(f.LineOf(kToday), QByteArray("20030512,0,-3000,2000,5000,"));
    QTRY_COMPARE(Read(window->Table()).at(1), QStringLiteral("ABC||10:00|11:45|50|20|-30|*"));
    Press(Qt::Key_Escape);
    QTRY_VERIFY(!window);
}

QTEST_MAIN(TestPlaysDlg)
#include "tst_playsdlg.moc"
