// The sessions window of one day: its table as a screen reader reads it, the keyboard path that
// adds, edits and deletes sessions (each applied at once), and the buttons that rest without a
// row or without a usable database.
#include "PlayWindowFixture.h"
#include "playdlg/PlaysDlg.h"
#include "playdlg/PlaysModel.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QPointer>
#include <QPushButton>
#include <QTreeView>

namespace {

using namespace PlayWindowTest;
using W = CPlaysDlg;
using E = CPlayEditDlg;

// The window on f's diary for kToday, shown and active.
QPointer<W> OpenOn(Fixture &f, int date = kToday)
{
    QPointer<W> window = W::Open(nullptr, f.Plays(), date, QStringLiteral("2003/05/12 (月)"),
                                 f.prompt, f.clock);
    if (!QTest::qWaitForWindowActive(window))
        qWarning("the sessions window is not active");
    return window;
}

QPushButton *Button(const W &window, W::ControlId id)
{
    return qobject_cast<QPushButton *>(window.control(id));
}

// The table as a screen reader reads it: the headings, then each row's cells joined by "|",
// with "*" after the selected row.
QStringList Read(QTreeView *table)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(table);
    QAccessibleTableInterface *cells = iface ? iface->tableInterface() : nullptr;
    if (!cells || iface->role() != QAccessible::Tree)
        return {QStringLiteral("no table")};
    QStringList heads;
    for (int c = 0; c < cells->columnCount(); ++c) {
        QAccessibleInterface *head = iface->child(c);
        heads << (head && head->role() == QAccessible::ColumnHeader ? head->text(QAccessible::Name)
                                                                    : QStringLiteral("?"));
    }
    QStringList out{heads.join(QLatin1Char('|'))};
    for (int r = 0; r < cells->rowCount(); ++r) {
        QStringList row;
        bool selected = false;
        for (int c = 0; c < cells->columnCount(); ++c) {
            QAccessibleInterface *cell = cells->cellAt(r, c);
            row << (cell ? cell->text(QAccessible::Name) : QStringLiteral("?"));
            selected = selected || (cell && cell->state().selected);
        }
        out << row.join(QLatin1Char('|')) + (selected ? QStringLiteral("*") : QString());
    }
    return out;
}

const QString kHeads = QStringLiteral("店舗|機種|開始|終了|投資|回収|収支|メモ");

// Types one session into the editor that has just opened, field by field with Tab, then Enter.
void TypeSession(const QStringList &fields)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            Press(Qt::Key_Tab);
        Type(fields.at(i));
    }
    Press(Qt::Key_Return);
}

} // namespace

class TestPlaysDlg : public QObject
{
    Q_OBJECT

private slots:
    void init() { QAccessible::setActive(true); }
    void tableRead();
    void keyboardPath();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void lastDeletedKeepsTheSums();
    void buttonsRest();
    void unavailableDatabase();
};

void TestPlaysDlg::tableRead()
{
    Fixture f;
    PlaySession a = f.Add(kToday, QStringLiteral("駅前ホール"), 100, 150,
                          QStringLiteral("朝一\n夕方は,渋い"));
    a.machine = QStringLiteral("海物語");
    a.startMinute = 9 * 60 + 30;
    a.endMinute = 60; // past midnight
    QString problem;
    QVERIFY(f.Plays().Update(a, &problem));
    f.Add(kToday, QStringLiteral("ABC"), 50, 20);
    f.Add(kOtherDay, QStringLiteral("別の日"), 1, 1);
    QPointer<W> window = OpenOn(f);
    QCOMPARE(window->windowTitle(), QStringLiteral("稼働記録 - 2003/05/12 (月)"));
    QCOMPARE(Read(window->Table()),
             QStringList({kHeads, "駅前ホール|海物語|09:30|01:00|100|150|50|朝一 / 夕方は,渋い*",
                          "ABC||||50|20|-30|"}));
    // The memo's tip keeps its line breaks; amounts are right-aligned like the main lists.
    const QModelIndex memo = window->Model().index(0, CPlaysModel::Memo);
    QCOMPARE(memo.data(Qt::ToolTipRole).toString(), QStringLiteral("朝一\n夕方は,渋い"));
    QCOMPARE(window->Model().index(0, CPlaysModel::Balance).data(Qt::TextAlignmentRole).toInt()
                     & Qt::AlignRight,
             int(Qt::AlignRight));
    QCOMPARE(QApplication::focusWidget(), window->Table());
    QVERIFY(Button(*window, W::IdClose)->isDefault());
    window->close();
    QTRY_VERIFY(!window);
}

// Alt+A, the fields with Tab, Enter; again; Alt+E on the selected session; Esc closes.
void TestPlaysDlg::keyboardPath()
{
    Fixture f;
    QPointer<W> window = OpenOn(f);
    QCOMPARE(QApplication::focusWidget(), window->control(W::IdAdd)); // no rows yet
    QTest::keyClick(window, Qt::Key_A, Qt::AltModifier);
    // A mnemonic presses its button as a click does, after showing it pressed.
    QTRY_VERIFY(window->Editor());
    QPointer<E> editor = window->Editor();
    QVERIFY(editor);
    QVERIFY(QTest::qWaitForWindowActive(editor));
    QCOMPARE(editor->windowTitle(), QStringLiteral("稼働の追加"));
    QVERIFY(editor->isModal());
    TypeSession({"駅前ホール", "海物語", "9:30", "1230", "100", "150"});
    QTRY_VERIFY(!editor);
    QCOMPARE(f.Sessions(kToday), QStringList{"駅前ホール|海物語|09:30|12:30|100|150|"});
    QCOMPARE(f.LineOf(kToday), QByteArray("20030512,0,5000,15000,10000,"));
    QTRY_COMPARE(QApplication::activeWindow(), window.data());
    QCOMPARE(QApplication::focusWidget(), window->Table());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(window->Editor());
    editor = window->Editor();
    QVERIFY(QTest::qWaitForWindowActive(editor));
    // The start is proposed (the clock's time): Tab over it keeps it.
    TypeSession({"ABC", "", "", "11:45", "50", "20"});
    QTRY_VERIFY(!editor);
    QCOMPARE(Read(window->Table()),
             QStringList({kHeads, "駅前ホール|海物語|09:30|12:30|100|150|50|",
                          "ABC||10:00|11:45|50|20|-30|*"}));
    QCOMPARE(f.LineOf(kToday), QByteArray("20030512,0,2000,17000,15000,"));

    // Alt+E edits the selected session: the up arrow selects the first.
    Press(Qt::Key_Up);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::AltModifier);
    QTRY_VERIFY(window->Editor());
    editor = window->Editor();
    QVERIFY(QTest::qWaitForWindowActive(editor));
    QCOMPARE(editor->windowTitle(), QStringLiteral("稼働の編集"));
    QCOMPARE(Fields(*editor), QStringLiteral("駅前ホール|海物語|09:30|12:30|100|150|"));
    QTest::keyClick(editor, Qt::Key_P, Qt::AltModifier);
    Type(QStringLiteral("180"));
    Press(Qt::Key_Return);
    QTRY_VERIFY(!editor);
    QCOMPARE(Read(window->Table()).at(1),
             QStringLiteral("駅前ホール|海物語|09:30|12:30|100|180|80|*"));
    QCOMPARE(f.LineOf(kToday), QByteArray("20030512,0,5000,20000,15000,"));

    // Esc in an editor stores nothing; Esc in the window closes it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(window->Editor());
    editor = window->Editor();
    QVERIFY(QTest::qWaitForWindowActive(editor));
    Type(QStringLiteral("捨てる店"));
    Press(Qt::Key_Escape);
    QTRY_VERIFY(!editor);
    QCOMPARE(f.Plays().SessionsOfDay(kToday).size(), 2);
    QCOMPARE(QApplication::focusWidget(), window->Table());
    Press(Qt::Key_Escape);
    QTRY_VERIFY(!window);
    QCOMPARE(f.prompt.texts(), QStringList());
}

void TestPlaysDlg::deleteAsksFirst_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("はい") << int(QMessageBox::Yes) << QStringList{"B店||||2|0|"};
    QTest::newRow("いいえ") << int(QMessageBox::No) << QStringList({"A店||||1|0|", "B店||||2|0|"});
}

void TestPlaysDlg::deleteAsksFirst()
{
    QFETCH(int, answer);
    QFETCH(QStringList, left);
    Fixture f;
    f.Add(kToday, QStringLiteral("A店"), 1, 0);
    f.Add(kToday, QStringLiteral("B店"), 2, 0);
    QPointer<W> window = OpenOn(f);
    f.prompt.answers = {QMessageBox::StandardButton(answer)};
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    QTRY_COMPARE(f.prompt.asked.size(), 1);
    QCOMPARE(f.prompt.asked.first().text, QStringLiteral("この稼働を削除しますか？\nA店"));
    QCOMPARE(f.prompt.asked.first().buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(f.Sessions(kToday), left);
    QCOMPARE(window->Model().rowCount(), left.size());
    // The selection stays on a row, for the next Alt+D.
    QCOMPARE(Read(window->Table()).at(1).endsWith(QLatin1Char('*')), true);
    QCOMPARE(QApplication::focusWidget(), window->Table());
    const qint64 collected = 0;
    const qint64 invested = left.size() == 1 ? 2 : 3;
    QCOMPARE(f.Stored(kToday),
             QStringLiteral("0 %1 %2 %3").arg(collected).arg(invested).arg(collected - invested));
}

void TestPlaysDlg::lastDeletedKeepsTheSums()
{
    Fixture f;
    f.Add(kToday, QStringLiteral("A店"), 10, 25);
    const QByteArray line = f.LineOf(kToday);
    QCOMPARE(line, QByteArray("20030512,0,1500,2500,1000,"));
    QPointer<W> window = OpenOn(f);
    f.prompt.answers = {QMessageBox::Yes};
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    QTRY_COMPARE(f.Sessions(kToday), QStringList());
    QCOMPARE(f.LineOf(kToday), line);
    QCOMPARE(f.Stored(kToday), QStringLiteral("0 25 10 15"));
    // Nothing left to edit or delete: the add button has the focus.
    QVERIFY(!Button(*window, W::IdEdit)->isEnabled());
    QVERIFY(!Button(*window, W::IdDelete)->isEnabled());
    QCOMPARE(QApplication::focusWidget(), window->control(W::IdAdd));
    window->close();
}

void TestPlaysDlg::buttonsRest()
{
    Fixture f;
    f.Add(kOtherDay, QStringLiteral("別の日"), 1, 1);
    QPointer<W> window = OpenOn(f);
    QCOMPARE(Read(window->Table()), QStringList{kHeads});
    QVERIFY(Button(*window, W::IdAdd)->isEnabled());
    QVERIFY(!Button(*window, W::IdEdit)->isEnabled());
    QVERIFY(!Button(*window, W::IdDelete)->isEnabled());
    // Alt+E and Alt+D without a row do nothing and ask nothing.
    // A mnemonic shows its button pressed at once and clicks it a moment later: these are not
    // even pressed.
    QTest::keyClick(window, Qt::Key_E, Qt::AltModifier);
    QTest::keyClick(window, Qt::Key_D, Qt::AltModifier);
    QVERIFY(!Button(*window, W::IdEdit)->isDown());
    QVERIFY(!Button(*window, W::IdDelete)->isDown());
    QVERIFY(!window->Editor());
    QCOMPARE(f.prompt.asked.size(), 0);
    // A session added elsewhere for this day shows at once, selectable.
    f.Add(kToday, QStringLiteral("外から"), 3, 4);
    QCOMPARE(window->Model().rowCount(), 1);
    // The view lays its rows out anew once back in the event loop; a screen reader reads them then.
    QTRY_COMPARE(Read(window->Table()), QStringList({kHeads, "外から||||3|4|1|"}));
    window->Table()->setCurrentIndex(window->Model().index(0, 0));
    QVERIFY(Button(*window, W::IdEdit)->isEnabled());
    QVERIFY(Button(*window, W::IdDelete)->isEnabled());
    window->close();
}

void TestPlaysDlg::unavailableDatabase()
{
    const QByteArray garbage("not a database at all, but long enough to be looked at as one");
    Fixture f(garbage);
    QVERIFY(!f.Plays().Start().isEmpty());
    QVERIFY(!f.Plays().IsAvailable());
    QPointer<W> window = OpenOn(f);
    for (W::ControlId id : {W::IdAdd, W::IdEdit, W::IdDelete})
        QVERIFY(!Button(*window, id)->isEnabled());
    QCOMPARE(QApplication::focusWidget(), window->control(W::IdClose));
    window->OnAdd();
    QVERIFY(!window->Editor());
    window->close();
    QTRY_VERIFY(!window);
    QCOMPARE(f.prompt.asked.size(), 0);
    QFile db(f.DbPath());
    QVERIFY(db.open(QIODevice::ReadOnly));
    QCOMPARE(db.readAll(), garbage);
}

QTEST_MAIN(TestPlaysDlg)
#include "tst_playsdlg.moc"
