// The daily input window with play sessions: Alt+V and the sessions typed by the keyboard, the
// day shown as their sums and read-only, an ordinary day again once the last is deleted, and a
// database that cannot be used.
#include "entry/DailyInputDlg.h"
#include "playdlg/PlayWindowFixture.h"
#include "playdlg/PlaysDlg.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

using namespace PlayWindowTest;

struct Entry
{
    QWidget host;
    QPointer<CDailyInputDlg> dlg;

    explicit Entry(Fixture &f)
    {
        host.show();
        dlg = new CDailyInputDlg(&host, *f.session, f.prompt, EntryMethod::Amounts);
        dlg->SetClock(f.clock);
        if (!dlg->Create())
            qFatal("no daily input window");
        dlg->ShowDay(kToday);
        if (!QTest::qWaitForWindowActive(dlg))
            qWarning("the daily input window is not active");
    }
    ~Entry() { delete dlg.data(); }

    template<class T = QWidget> T *ctl(EntryCtl::Id id) const
    {
        return dlg->findChild<T *>(QStringLiteral("id%1").arg(int(id)));
    }
    CPlaysDlg *window() const { return qobject_cast<CPlaysDlg *>(dlg->PlaysWindow()); }
    // "collected invested balance", " ro" while the result cannot be typed, then the note.
    QString Shown() const
    {
        QString out;
        for (EntryCtl::Id id : {EntryCtl::Collected, EntryCtl::Invested, EntryCtl::Balance})
            out += ctl<QLineEdit>(id)->text() + QLatin1Char(' ');
        if (ctl<QCheckBox>(EntryCtl::Minus)->isChecked())
            out.insert(out.lastIndexOf(QLatin1Char(' '), -2) + 1, QLatin1Char('-'));
        if (ctl<QLineEdit>(EntryCtl::Collected)->isReadOnly()
            && !ctl(EntryCtl::MethodBalance)->isEnabled())
            out += QStringLiteral("ro ");
        return (out
                + (ctl(EntryCtl::PlaysNote)->isVisible() ? ctl<QLabel>(EntryCtl::PlaysNote)->text()
                                                         : QString()))
                .trimmed();
    }
};

void AddByKeys(CPlaysDlg *window, const QStringList &fields)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(window->Editor() && window->Editor()->isActiveWindow());
    QPointer<CPlayEditDlg> editor = window->Editor();
    Type(fields);
    Press(Qt::Key_Return);
    QTRY_VERIFY(!editor);
}

const QString kNote = QStringLiteral("この日の実績は稼働記録の合計です。");

} // namespace

class TestDailyInputPlays : public QObject
{
    Q_OBJECT

private slots:
    void keyboardPath();
    void unavailable();
};

void TestDailyInputPlays::keyboardPath()
{
    Fixture f;
    Entry e(f);
    QCOMPARE(e.Shown(), QStringLiteral("0 0 -7"));
    QCOMPARE(e.ctl<QPushButton>(EntryCtl::Plays)->text(), QStringLiteral("稼働記録(&V)..."));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::AltModifier);
    QTRY_VERIFY(e.window() && e.window()->isActiveWindow());
    CPlaysDlg *window = e.window();
    QCOMPARE(window->windowTitle(), QStringLiteral("稼働記録 - 2003/05/12 (月)"));
    AddByKeys(window, {"駅前ホール", "海物語", "9:30", "12:30", "100", "150"});
    QCOMPARE(e.Shown(), QStringLiteral("150 100 50 ro ") + kNote); // at once, underneath
    AddByKeys(window, {"ABC", "", "", "11:45", "9999", "20"});
    Press(Qt::Key_Escape);
    QTRY_VERIFY(!e.window() && e.dlg->isActiveWindow());
    QCOMPARE(QApplication::focusWidget(), e.ctl(EntryCtl::Plays));
    QCOMPARE(e.Shown(), QStringLiteral("170 10099 -9929 ro ") + kNote);
    QVERIFY(!e.ctl(EntryCtl::Ok)->isEnabled());
    QCOMPARE(QAccessible::queryAccessibleInterface(e.ctl(EntryCtl::PlaysNote))
                     ->text(QAccessible::Name),
             kNote);

    // Deleted one by one: the last leaves the day with the sums it had, typed as ever.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::AltModifier);
    QTRY_VERIFY(e.window() && e.window()->isActiveWindow());
    f.prompt.answers = {QMessageBox::Yes, QMessageBox::Yes};
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    QTRY_COMPARE(f.Sessions(kToday).size(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    QTRY_COMPARE(f.Sessions(kToday).size(), 0);
    Press(Qt::Key_Escape);
    QTRY_VERIFY(!e.window() && e.dlg->isActiveWindow());
    QCOMPARE(e.Shown(), QStringLiteral("20 9999 -9979"));
    QCOMPARE(f.LineOf(kToday), QByteArray("20030512,0,-997900,2000,999900,"));
    QCOMPARE(QApplication::focusWidget(), e.ctl(EntryCtl::Collected));
    Type({"200"});
    Press(Qt::Key_Return);
    QCOMPARE(f.Stored(kToday), QStringLiteral("0 200 9999 -9799"));
}

void TestDailyInputPlays::unavailable()
{
    Fixture f(QByteArray(4096, 'x'));
    const QList<PlayNotice> told = f.Plays().Start();
    QCOMPARE(told.size(), 1);
    QCOMPARE(told.first().icon, PlayNotice::Icon::Warning);
    Entry e(f);
    QVERIFY(!e.ctl(EntryCtl::Plays)->isEnabled());
    // The reason in the window, the whole message with the file's name for a screen reader.
    QCOMPARE(e.Shown(),
             QStringLiteral(
                     "0 0 -7 稼働記録は使用できません。SQLiteのデータベースではありません。"));
    for (EntryCtl::Id id : {EntryCtl::PlaysNote, EntryCtl::Plays})
        QCOMPARE(QAccessible::queryAccessibleInterface(e.ctl(id))->text(QAccessible::Description),
                 told.first().text);
    QVERIFY(told.first().text.contains(f.DbPath()));
    QTest::keyClick(e.dlg, Qt::Key_V, Qt::AltModifier);
    QVERIFY(!e.window());
}

QTEST_MAIN(TestDailyInputPlays)
#include "tst_dailyinput_plays.moc"
