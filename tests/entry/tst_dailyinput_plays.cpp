// The daily input window with play sessions: its plays button and the keyboard path through the
// sessions window and the editor, the day shown as its sessions' sums and read-only while it has
// any, an ordinary day again after the last is deleted, and a database that cannot be used.
#include "dialogkit/DialogTemplate.h"
#include "entry/DailyInputDlg.h"
#include "playdlg/PlayWindowFixture.h"
#include "playdlg/PlaysDlg.h"

#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

namespace {

using namespace PlayWindowTest;
using Ctl = EntryCtl;

// The daily input window over a host on f's diary.
struct Entry
{
    Fixture &f;
    QWidget host;
    QPointer<CDailyInputDlg> dlg;

    explicit Entry(Fixture &fixture)
        : f(fixture)
    {
        host.setGeometry(100, 100, 640, 480);
        host.show();
        dlg = new CDailyInputDlg(&host, *f.session, f.prompt, EntryMethod::Amounts);
        dlg->SetClock(f.clock);
        if (!dlg->Create())
            qFatal("the daily input window was not made");
        if (!QTest::qWaitForWindowActive(dlg))
            qWarning("the daily input window is not active");
    }
    ~Entry() { delete dlg.data(); }

    template<class T> T *ctl(Ctl::Id id) const
    {
        T *w = dlg->findChild<T *>(QStringLiteral("id%1").arg(int(id)));
        if (!w)
            qFatal("control %d missing", int(id));
        return w;
    }
    QLineEdit *edit(Ctl::Id id) const { return ctl<QLineEdit>(id); }
    QPushButton *plays() const { return ctl<QPushButton>(Ctl::Plays); }
    QLabel *note() const { return ctl<QLabel>(Ctl::PlaysNote); }
    CPlaysDlg *window() const { return qobject_cast<CPlaysDlg *>(dlg->PlaysWindow()); }

    // What the window shows of the day: "collected invested minus balance", then "ro" when the
    // amounts are read-only and the method fixed, and the note when it is shown.
    QString Shown() const
    {
        const bool fixed = edit(Ctl::Collected)->isReadOnly() && edit(Ctl::Invested)->isReadOnly()
                && edit(Ctl::Balance)->isReadOnly()
                && !ctl<QWidget>(Ctl::MethodAmounts)->isEnabled()
                && !ctl<QWidget>(Ctl::MethodBalance)->isEnabled()
                && !ctl<QWidget>(Ctl::Minus)->isEnabled();
        QString out = QStringLiteral("%1 %2 %3%4")
                              .arg(edit(Ctl::Collected)->text(), edit(Ctl::Invested)->text(),
                                   ctl<QCheckBox>(Ctl::Minus)->isChecked() ? QStringLiteral("-")
                                                                           : QString(),
                                   edit(Ctl::Balance)->text());
        if (fixed)
            out += QStringLiteral(" ro");
        if (note()->isVisible())
            out += QLatin1Char(' ') + note()->text();
        return out;
    }
};

const QString kFromPlays = QStringLiteral("この日の実績は稼働記録の合計です。");

// Alt+V, then through the sessions window as a person does with the keyboard.
void AltV(Entry &e)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::AltModifier);
    QTRY_VERIFY(e.window());
    QVERIFY(QTest::qWaitForWindowActive(e.window()));
}

void AddByKeys(CPlaysDlg *window, const QStringList &fields)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(window->Editor());
    QPointer<CPlayEditDlg> editor = window->Editor();
    QVERIFY(QTest::qWaitForWindowActive(editor));
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            Press(Qt::Key_Tab);
        Type(fields.at(i));
    }
    Press(Qt::Key_Return);
    QTRY_VERIFY(!editor);
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(window));
}

} // namespace

class TestDailyInputPlays : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QAccessible::setActive(true); }
    void button();
    void dayWithSessions_data();
    void dayWithSessions();
    void keyboardPath();
    void unavailable();
};

void TestDailyInputPlays::button()
{
    Fixture f;
    Entry e(f);
    const dlg::BaseUnits units = dlg::BaseUnitsOf(e.dlg->font());
    QCOMPARE(e.plays()->text(), QStringLiteral("稼働記録(&V)..."));
    QCOMPARE(e.plays()->geometry(), dlg::ToPixels(units, 8, 148, 64, 16));
    // The window keeps its size; no day shown: the button rests.
    QCOMPARE(e.dlg->size(), dlg::ToPixels(units, 186, 191));
    QVERIFY(!e.plays()->isEnabled());
    e.dlg->ShowDay(kToday);
    QVERIFY(e.plays()->isEnabled());
    QVERIFY(!e.note()->isVisible());
    // Every mnemonic of the window is its own.
    QStringList keys;
    for (QWidget *w : e.dlg->findChildren<QWidget *>()) {
        QString text;
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            text = b->text();
        else if (auto *l = qobject_cast<QLabel *>(w))
            text = l->text();
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            text = g->title();
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("&(\\w)")).match(text);
        if (m.hasMatch())
            keys << m.captured(1).toUpper();
    }
    QCOMPARE(keys.size(), 7);
    QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
    QVERIFY(keys.contains(QStringLiteral("V")));
}

// The day's sessions decide what it shows: their sums, read-only, with the note.
void TestDailyInputPlays::dayWithSessions_data()
{
    QTest::addColumn<QList<int>>("amounts"); // invested, collected, ...
    QTest::addColumn<QString>("shown");
    QTest::newRow("none: the typed balance") << QList<int>{} << "0 0 -7";
    QTest::newRow("one") << QList<int>{100, 150} << "150 100 50 ro " + kFromPlays;
    QTest::newRow("two, a loss") << QList<int>{100, 150, 80, 0} << "150 180 -30 ro " + kFromPlays;
    QTest::newRow("beyond four digits")
            << QList<int>{9999, 9999, 9999, 0} << "9999 19998 -9999 ro " + kFromPlays;
}

void TestDailyInputPlays::dayWithSessions()
{
    QFETCH(QList<int>, amounts);
    QFETCH(QString, shown);
    Fixture f;
    for (int i = 0; i + 1 < amounts.size(); i += 2)
        f.Add(kToday, QStringLiteral("店%1").arg(i), amounts.at(i), amounts.at(i + 1));
    Entry e(f);
    e.dlg->ShowDay(kToday);
    QCOMPARE(e.Shown(), shown);
    QVERIFY(!e.ctl<QPushButton>(Ctl::Ok)->isEnabled());
    QCOMPARE(QApplication::focusWidget(),
             amounts.isEmpty() ? static_cast<QWidget *>(e.ctl<QLineEdit>(Ctl::Balance))
                               : static_cast<QWidget *>(e.plays()));
    if (!amounts.isEmpty()) {
        // What a screen reader reads of the note.
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(e.note());
        QCOMPARE(iface->text(QAccessible::Name), kFromPlays);
        // Nothing can be typed over the sums.
        e.edit(Ctl::Collected)->setFocus();
        Type(QStringLiteral("7"));
        QVERIFY(!e.ctl<QPushButton>(Ctl::Ok)->isEnabled());
        QCOMPARE(e.Shown(), shown);
    }
    // Another day shows as it always did.
    e.dlg->ShowDay(kOtherDay);
    QCOMPARE(e.Shown(), QStringLiteral("3 1 2"));
}

void TestDailyInputPlays::keyboardPath()
{
    Fixture f;
    Entry e(f);
    e.dlg->ShowDay(kToday);
    QVERIFY(QTest::qWaitForWindowActive(e.dlg));
    AltV(e);
    CPlaysDlg *window = e.window();
    QCOMPARE(window->windowTitle(), QStringLiteral("稼働記録 - 2003/05/12 (月)"));
    QVERIFY(window->isModal());
    AddByKeys(window, {"駅前ホール", "海物語", "9:30", "12:30", "100", "150"});
    // The daily input window follows each session at once, underneath.
    QCOMPARE(e.Shown(), QStringLiteral("150 100 50 ro ") + kFromPlays);
    AddByKeys(window, {"ABC", "", "", "11:45", "50", "20"});
    QCOMPARE(f.LineOf(kToday), QByteArray("20030512,0,2000,17000,15000,"));
    Press(Qt::Key_Escape); // 閉じる
    QTRY_VERIFY(!e.window());
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(e.dlg));
    QCOMPARE(QApplication::focusWidget(), e.plays());
    QCOMPARE(e.Shown(), QStringLiteral("170 150 20 ro ") + kFromPlays);
    QCOMPARE(f.Stored(kToday), QStringLiteral("0 170 150 20"));

    // Both deleted: the day keeps their sums, and can be typed again.
    AltV(e);
    window = e.window();
    f.prompt.answers = {QMessageBox::Yes, QMessageBox::Yes};
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    QTRY_COMPARE(f.Sessions(kToday).size(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    QTRY_COMPARE(f.Sessions(kToday).size(), 0);
    Press(Qt::Key_Escape);
    QTRY_VERIFY(!e.window());
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(e.dlg));
    // The first went: the day held the second's sums; the last went: the day keeps them.
    QCOMPARE(e.Shown(), QStringLiteral("20 50 -30"));
    QCOMPARE(f.LineOf(kToday), QByteArray("20030512,0,-3000,2000,5000,"));
    QCOMPARE(QApplication::focusWidget(), e.edit(Ctl::Collected));
    Type(QStringLiteral("200"));
    Press(Qt::Key_Return);
    QCOMPARE(f.Stored(kToday), QStringLiteral("0 200 50 150"));
    QCOMPARE(f.prompt.texts().size(), 2); // the two questions before deleting
}

void TestDailyInputPlays::unavailable()
{
    Fixture f(QByteArray(4096, 'x'));
    const QStringList told = f.Plays().Start();
    QCOMPARE(told.size(), 1);
    Entry e(f);
    e.dlg->ShowDay(kToday);
    QVERIFY(!e.plays()->isEnabled());
    QVERIFY(e.note()->isVisible());
    // The reason in the window, the whole message with the file for a screen reader.
    QVERIFY2(e.note()->text().startsWith(QStringLiteral("稼働記録は使用できません。")),
             qPrintable(e.note()->text()));
    QVERIFY2(e.note()->text().size() > QStringLiteral("稼働記録は使用できません。").size(),
             qPrintable(e.note()->text()));
    QVERIFY(!e.note()->text().contains(f.DbPath()));
    QAccessibleInterface *note = QAccessible::queryAccessibleInterface(e.note());
    QCOMPARE(note->text(QAccessible::Description), told.first());
    QVERIFY(told.first().contains(QStringLiteral("Murel1.db")));
    QAccessibleInterface *button = QAccessible::queryAccessibleInterface(e.plays());
    QCOMPARE(button->text(QAccessible::Description), told.first());
    QVERIFY(button->state().disabled);
    // The day itself is typed as ever.
    QCOMPARE(e.Shown(),
             QStringLiteral(
                     "0 0 -7 稼働記録は使用できません。SQLiteのデータベースではありません。"));
    e.dlg->ShowDay(kOtherDay);
    QVERIFY(e.note()->isVisible());
    QTest::keyClick(e.dlg, Qt::Key_V, Qt::AltModifier);
    QVERIFY(!e.window());
}

QTEST_MAIN(TestDailyInputPlays)
#include "tst_dailyinput_plays.moc"
