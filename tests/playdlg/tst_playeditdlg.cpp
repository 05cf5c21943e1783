// The session editor: bad input named, focused and never stored; Enter, Ctrl+Enter and Esc; the
// proposed start; completion most recent first; the fields' order and labels as a screen reader
// reads them; and over random fields, exactly the session the fields describe or nothing.
#include "PlayWindowFixture.h"
#include "data/Amount.h"
#include "playdlg/PlayEditDlg.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QClipboard>
#include <QCompleter>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>

namespace {

using namespace PlayWindowTest;
using D = CPlayEditDlg;

const D::ControlId kFieldOrder[] = {D::IdStore,    D::IdMachine,   D::IdStart, D::IdEnd,
                                    D::IdInvested, D::IdCollected, D::IdMemo};

// A shown editor on f's diary: a new session on date, or the given one.
struct Editor
{
    Fixture &f;
    std::unique_ptr<D> dlg;

    Editor(Fixture &fixture, const PlaySession &session)
        : f(fixture)
        , dlg(std::make_unique<D>(nullptr, f.Plays(), session, f.prompt, f.clock))
    {
        dlg->show();
        if (!QTest::qWaitForWindowActive(dlg.get()))
            qWarning("the editor is not active");
    }
    static PlaySession New(int date)
    {
        PlaySession s;
        s.day = date;
        return s;
    }

    QWidget *field(D::ControlId id) const { return dlg->control(id); }
    QLineEdit *edit(D::ControlId id) const { return qobject_cast<QLineEdit *>(field(id)); }
    QPlainTextEdit *memo() const { return qobject_cast<QPlainTextEdit *>(field(D::IdMemo)); }
    void set(D::ControlId id, const QString &text) const
    {
        if (id == D::IdMemo)
            memo()->setPlainText(text);
        else
            edit(id)->setText(text);
    }
    void fillGood() const
    {
        set(D::IdStore, QStringLiteral("駅前ホール"));
        set(D::IdMachine, QStringLiteral("海物語"));
        set(D::IdStart, QStringLiteral("9:30"));
        set(D::IdEnd, QStringLiteral("12:00"));
        set(D::IdInvested, QStringLiteral("100"));
        set(D::IdCollected, QStringLiteral("150"));
        set(D::IdMemo, QStringLiteral("朝一"));
    }
    // Enter with the focus in a field.
    void enterIn(D::ControlId id) const
    {
        field(id)->setFocus(Qt::OtherFocusReason);
        Press(Qt::Key_Return);
    }
};

QString Repeat(const QString &unit, int times)
{
    QString out;
    for (int i = 0; i < times; ++i)
        out += unit;
    return out;
}

} // namespace

class TestPlayEditDlg : public QObject
{
    Q_OBJECT

private slots:
    void layout();
    void badInput_data();
    void badInput();
    void pastedHugeMemo();
    void enterSaves_data();
    void enterSaves();
    void memoKeys();
    void escapeCancels();
    void proposedStart_data();
    void proposedStart();
    void edit();
    void completion();
    void randomFields();
};

void TestPlayEditDlg::layout()
{
    Fixture f;
    Editor e(f, Editor::New(kToday));
    QCOMPARE(e.dlg->windowTitle(), QStringLiteral("稼働の追加"));
    QCOMPARE(QApplication::focusWidget(), e.field(D::IdStore));
    // Tab goes through the fields in their order, then OK and Cancel.
    QStringList order;
    for (int i = 0; i < 9; ++i) {
        order << QApplication::focusWidget()->objectName();
        Press(Qt::Key_Tab);
    }
    QCOMPARE(order.join(QLatin1Char(' ')),
             QStringLiteral("id1201 id1202 id1203 id1204 id1205 id1206 id1207 id1 id2"));
    // Each field is named by its label, and its label's mnemonic reaches it.
    const QStringList labels{"店舗(&S):",   "機種(&K):",   "開始(&B):", "終了(&E):",
                             "投資額(&M):", "回収額(&P):", "メモ(&O):"};
    for (int i = 0; i < labels.size(); ++i) {
        QLabel *label = nullptr;
        for (QLabel *l : e.dlg->findChildren<QLabel *>()) {
            if (l->text() == labels.at(i))
                label = l;
        }
        QVERIFY2(label, qPrintable(labels.at(i)));
        QCOMPARE(label->buddy(), e.field(kFieldOrder[i]));
        QAccessibleInterface *iface
                = QAccessible::queryAccessibleInterface(e.field(kFieldOrder[i]));
        QVERIFY(iface->text(QAccessible::Name).startsWith(labels.at(i).left(2)));
    }
    int yen = 0;
    for (QLabel *l : e.dlg->findChildren<QLabel *>())
        yen += l->text() == QStringLiteral("00円");
    QCOMPARE(yen, 2);
    QTest::keyClick(e.dlg.get(), Qt::Key_P, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), e.field(D::IdCollected));
    QTest::keyClick(e.dlg.get(), Qt::Key_O, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), e.field(D::IdMemo));
}

// One field wrong among good ones: its message, the focus on it, and nothing stored anywhere.
void TestPlayEditDlg::badInput_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("named"); // the message names the field

    const int store = D::IdStore, machine = D::IdMachine, start = D::IdStart, end = D::IdEnd;
    const int invested = D::IdInvested, collected = D::IdCollected, memo = D::IdMemo;
    QTest::newRow("start 25:00") << start << "25:00"
                                 << "開始";
    QTest::newRow("start 7:5x") << start << "7:5x"
                                << "開始";
    QTest::newRow("start 12:60") << start << "12:60"
                                 << "開始";
    QTest::newRow("start without minutes") << start << "12:"
                                           << "開始";
    QTest::newRow("end 24:00") << end << "24:00"
                               << "終了";
    QTest::newRow("end five digits") << end << "12345"
                                     << "終了";
    QTest::newRow("invested 10000") << invested << "10000"
                                    << "投資額";
    QTest::newRow("invested negative") << invested << "-1"
                                       << "投資額";
    QTest::newRow("invested with a letter") << invested << "1O0"
                                            << "投資額";
    QTest::newRow("collected a hundred thousand") << collected << "100000"
                                                  << "回収額";
    QTest::newRow("collected in yen with a sign") << collected << "¥100"
                                                  << "回収額";
    QTest::newRow("store empty") << store << ""
                                 << "店舗";
    QTest::newRow("store only spaces") << store << "   "
                                       << "店舗";
    QTest::newRow("store only full-width spaces") << store << "　　"
                                                  << "店舗";
    QTest::newRow("store with a control character")
            << store << QStringLiteral("A") + QChar(1) + QStringLiteral("B") << "店舗";
    QTest::newRow("store with a tab") << store << "A\tB"
                                      << "店舗";
    QTest::newRow("store of 101 characters") << store << Repeat("店", 101) << "店舗";
    QTest::newRow("store of 101 characters outside the basic plane")
            << store << Repeat(QStringLiteral("𠮷"), 101) << "店舗";
    QTest::newRow("machine of 101 characters") << machine << Repeat("x", 101) << "機種";
    QTest::newRow("machine with DEL") << machine << "A\x7f"
                                      << "機種";
    QTest::newRow("memo of 2001 characters") << memo << Repeat("メ", 2001) << "メモ";
    QTest::newRow("memo with a bell") << memo << "a\x07z"
                                      << "メモ";
    QTest::newRow("memo with an escape") << memo << "\x1b[31m"
                                         << "メモ";
}

void TestPlayEditDlg::badInput()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, named);

    Fixture f;
    const QByteArray before = f.LineOf(kToday);
    Editor e(f, Editor::New(kToday));
    e.fillGood();
    e.set(D::ControlId(field), text);
    // Enter in the store field, away from the wrong one unless it is the store.
    e.enterIn(D::IdStore);

    QCOMPARE(f.prompt.asked.size(), 1);
    QVERIFY2(f.prompt.asked.first().text.contains(named), qPrintable(f.prompt.asked.first().text));
    QCOMPARE(f.prompt.asked.first().icon, QMessageBox::Warning);
    QCOMPARE(f.prompt.asked.first().owner, static_cast<QWidget *>(e.dlg.get()));
    QCOMPARE(QApplication::focusWidget(), e.field(D::ControlId(field)));
    QVERIFY(e.dlg->isVisible());
    QCOMPARE(f.Sessions(kToday), QStringList());
    QCOMPARE(f.LineOf(kToday), before);
    QVERIFY(!QFile::exists(f.DbPath()));
    // Put right, the same editor stores the session.
    e.fillGood();
    e.enterIn(D::IdStore);
    QCOMPARE(f.prompt.asked.size(), 1);
    QCOMPARE(f.Sessions(kToday).size(), 1);
}

void TestPlayEditDlg::pastedHugeMemo()
{
    Fixture f;
    Editor e(f, Editor::New(kToday));
    e.fillGood();
    e.memo()->clear();
    e.memo()->setFocus();
    QApplication::clipboard()->setText(Repeat(QStringLiteral("あ"), 100001));
    Press(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(e.memo()->toPlainText().size(), 100001);
    e.enterIn(D::IdCollected);
    QCOMPARE(f.prompt.texts().size(), 1);
    QVERIFY(f.prompt.texts().first().contains(QStringLiteral("メモ")));
    QVERIFY(f.prompt.texts().first().contains(QStringLiteral("2000")));
    QCOMPARE(QApplication::focusWidget(), e.field(D::IdMemo));
    QCOMPARE(f.Sessions(kToday), QStringList());
    QVERIFY(!QFile::exists(f.DbPath()));
}

// Enter in any field but the memo stores the session at once, with the day's sums in the file.
void TestPlayEditDlg::enterSaves_data()
{
    QTest::addColumn<int>("field");
    for (D::ControlId id : kFieldOrder) {
        if (id != D::IdMemo)
            QTest::newRow(qPrintable(QStringLiteral("id%1").arg(int(id)))) << int(id);
    }
}

void TestPlayEditDlg::enterSaves()
{
    QFETCH(int, field);
    Fixture f;
    f.Add(kToday, QStringLiteral("前の店"), 30, 5);
    Editor e(f, Editor::New(kToday));
    QSignalSpy saved(e.dlg.get(), &D::saved);
    e.fillGood();
    e.enterIn(D::ControlId(field));
    QCOMPARE(f.prompt.texts(), QStringList());
    QVERIFY(!e.dlg->isVisible());
    QCOMPARE(e.dlg->result(), int(QDialog::Accepted));
    QCOMPARE(f.Sessions(kToday),
             QStringList({"前の店||||30|5|", "駅前ホール|海物語|09:30|12:00|100|150|朝一"}));
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved.first().first().toLongLong(), f.Plays().SessionsOfDay(kToday).last().id);
    // Collected 155 and invested 130, by amounts, in yen.
    QCOMPARE(f.LineOf(kToday), QByteArray("20030512,0,2500,15500,13000,"));
    QCOMPARE(f.Stored(kToday), QStringLiteral("0 155 130 25"));
}

void TestPlayEditDlg::memoKeys()
{
    Fixture f;
    Editor e(f, Editor::New(kToday));
    e.fillGood();
    e.memo()->clear();
    e.memo()->setFocus();
    Type(QStringLiteral("一行目"));
    Press(Qt::Key_Return); // a line break, not a save
    Type(QStringLiteral("二行目,\"引用\""));
    QVERIFY(e.dlg->isVisible());
    QCOMPARE(f.Sessions(kToday), QStringList());
    Press(Qt::Key_Tab); // Tab leaves the memo instead of going into it
    QCOMPARE(QApplication::focusWidget(), e.field(D::IdOk));
    e.memo()->setFocus();
    Press(Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(!e.dlg->isVisible());
    QCOMPARE(f.Sessions(kToday),
             QStringList{"駅前ホール|海物語|09:30|12:00|100|150|一行目\n二行目,\"引用\""});
}

void TestPlayEditDlg::escapeCancels()
{
    Fixture f;
    const QByteArray before = f.LineOf(kToday);
    for (D::ControlId id : kFieldOrder) {
        Editor e(f, Editor::New(kToday));
        e.fillGood();
        e.field(id)->setFocus();
        Press(Qt::Key_Escape);
        QVERIFY(!e.dlg->isVisible());
        QCOMPARE(e.dlg->result(), int(QDialog::Rejected));
    }
    QCOMPARE(f.prompt.texts(), QStringList());
    QCOMPARE(f.Sessions(kToday), QStringList());
    QCOMPARE(f.LineOf(kToday), before);
}

void TestPlayEditDlg::proposedStart_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("date");
    QTest::addColumn<QString>("start");
    const QDate may12(2003, 5, 12);
    QTest::newRow("today: the time now") << QDateTime(may12, QTime(10, 7, 59)) << kToday << "10:07";
    QTest::newRow("just after midnight") << QDateTime(may12, QTime(0, 0, 3)) << kToday << "00:00";
    QTest::newRow("another day: none") << QDateTime(may12, QTime(10, 7)) << kOtherDay << "";
    QTest::newRow("the clock on the next day: none")
            << QDateTime(may12.addDays(1), QTime(1, 0)) << kToday << "";
}

void TestPlayEditDlg::proposedStart()
{
    QFETCH(QDateTime, now);
    QFETCH(int, date);
    QFETCH(QString, start);
    Fixture f;
    f.now = now;
    Editor e(f, Editor::New(date));
    QCOMPARE(e.edit(D::IdStart)->text(), start);
    QCOMPARE(Fields(*e.dlg), QStringLiteral("||%1||||").arg(start));
    // Reached with Tab its text is selected: typing replaces the proposal.
    Press(Qt::Key_Tab);
    Press(Qt::Key_Tab);
    Type(QStringLiteral("830"));
    QCOMPARE(e.edit(D::IdStart)->text(), QStringLiteral("830"));
}

void TestPlayEditDlg::edit()
{
    Fixture f;
    PlaySession first = f.Add(kToday, QStringLiteral("A店"), 10, 20, QStringLiteral("メモ\n二行"));
    f.Add(kToday, QStringLiteral("B店"), 5, 0);
    Editor e(f, first);
    QCOMPARE(e.dlg->windowTitle(), QStringLiteral("稼働の編集"));
    // A stored session keeps its missing start: nothing is proposed.
    QCOMPARE(Fields(*e.dlg), QStringLiteral("A店||||10|20|メモ\n二行"));
    e.edit(D::IdCollected)->setFocus();
    e.edit(D::IdCollected)->selectAll();
    Type(QStringLiteral("200"));
    Press(Qt::Key_Return);
    QCOMPARE(f.prompt.texts(), QStringList());
    QCOMPARE(f.Sessions(kToday), QStringList({"A店||||10|200|メモ\n二行", "B店||||5|0|"}));
    QCOMPARE(f.LineOf(kToday), QByteArray("20030512,0,18500,20000,1500,"));
}

void TestPlayEditDlg::completion()
{
    Fixture f;
    // Most recent first: by day, then the later entry of a day.
    f.Add(20030501, QStringLiteral("駅前ホール"), 1, 0);
    f.Add(20030503, QStringLiteral("新台館"), 1, 0);
    f.Add(20030502, QStringLiteral("駅南ホール"), 1, 0);
    f.Add(20030503, QStringLiteral("ホール東"), 1, 0);
    Editor e(f, Editor::New(kToday));
    QCompleter *completer = e.edit(D::IdStore)->completer();
    QVERIFY(completer);
    QStringList names;
    for (int r = 0; r < completer->model()->rowCount(); ++r)
        names << completer->model()->index(r, 0).data().toString();
    QCOMPARE(names, QStringList({"ホール東", "新台館", "駅南ホール", "駅前ホール"}));

    Type(QStringLiteral("ホール"));
    QAbstractItemView *popup = completer->popup();
    QTRY_VERIFY(popup->isVisible());
    QStringList shown;
    for (int r = 0; r < popup->model()->rowCount(); ++r)
        shown << popup->model()->index(r, 0).data().toString();
    QCOMPARE(shown, QStringList({"ホール東", "駅南ホール", "駅前ホール"}));
    // Down and Enter take the first name; nothing is saved yet.
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    QCOMPARE(e.edit(D::IdStore)->text(), QStringLiteral("ホール東"));
    QVERIFY(e.dlg->isVisible());
    // Enter with the list open and no name chosen saves what was typed.
    e.edit(D::IdStore)->setText(QString());
    e.edit(D::IdStore)->setFocus();
    Type(QStringLiteral("駅"));
    QTRY_VERIFY(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Return);
    QTRY_VERIFY(!e.dlg->isVisible());
    QCOMPARE(f.Sessions(kToday), QStringList{"駅||10:00||0|0|"});
}

// Over random fields, good and bad: either the first wrong field in tab order is named and
// focused and nothing is stored, or exactly the session the fields describe is stored.
void TestPlayEditDlg::randomFields()
{
    // Good and bad texts for each field; a field is bad one time in eight.
    const QStringList good[7] = {{"店", "  駅前  ", Repeat("x", 100), "ｱｲｳ"},
                                 {"", "海", " 機種 ", Repeat("x", 100)},
                                 {"", "9:30", "0930", "２３：５９", "930", " 0:00 "},
                                 {"", "23:59", "0:01", "1200"},
                                 {"", "0", "9999", "0012", "５０"},
                                 {"", "1", "9999", "0"},
                                 {"", "a\nb", "x\r\ny", Repeat("m", 2000)}};
    const QStringList bad[7] = {{"", "   ", "A\tB", Repeat("y", 101)},
                                {"A\tB", Repeat("y", 101)},
                                {"24:00", "7:5x", "12:", "1:2:3"},
                                {"24:00", "7:5x"},
                                {"10000", "1 2", "-3"},
                                {"10000", "x"},
                                {Repeat("m", 2001), "\x02"}};
    const QString labels[] = {"店舗", "機種", "開始", "終了", "投資額", "回収額", "メモ"};
    QRandomGenerator rng(20030512);
    Fixture f;
    int stored = 0;
    int refused = 0;
    for (int round = 0; round < 60; ++round) {
        QStringList texts;
        for (int i = 0; i < 7; ++i) {
            const QStringList &pool = rng.bounded(8) == 0 ? bad[i] : good[i];
            texts << pool.at(rng.bounded(int(pool.size())));
        }
        // What the checks make of each field, in tab order.
        PlaySession expected;
        expected.day = kToday;
        QString problems[7] = {PlayInput::CheckStore(texts[0], &expected.store),
                               PlayInput::CheckMachine(texts[1], &expected.machine),
                               PlayInput::ParseTime(labels[2], texts[2], &expected.startMinute),
                               PlayInput::ParseTime(labels[3], texts[3], &expected.endMinute),
                               PlayInput::ParseAmount(labels[4], texts[4], &expected.invested),
                               PlayInput::ParseAmount(labels[5], texts[5], &expected.collected),
                               PlayInput::CheckMemo(texts[6], &expected.memo)};
        int wrong = -1;
        for (int i = 0; i < 7 && wrong < 0; ++i) {
            if (!problems[i].isEmpty())
                wrong = i;
        }
        const int before = int(f.Plays().SessionsOfDay(kToday).size());
        f.prompt.asked.clear();
        Editor e(f, Editor::New(kToday));
        for (int i = 0; i < 7; ++i)
            e.set(kFieldOrder[i], texts[i]);
        e.enterIn(D::IdStore);
        const QList<PlaySession> after = f.Plays().SessionsOfDay(kToday);
        const QString shape = texts.join(QLatin1Char('|'));
        if (wrong >= 0) {
            ++refused;
            QCOMPARE(f.prompt.texts(), QStringList{problems[wrong]});
            QVERIFY2(problems[wrong].contains(labels[wrong]), qPrintable(shape));
            QVERIFY2(QApplication::focusWidget() == e.field(kFieldOrder[wrong]), qPrintable(shape));
            QCOMPARE(after.size(), before);
            e.dlg->reject();
        } else {
            ++stored;
            QVERIFY2(f.prompt.asked.isEmpty(), qPrintable(shape));
            QCOMPARE(after.size(), before + 1);
            PlaySession got = after.last();
            expected.id = got.id;
            expected.order = got.order;
            QCOMPARE(got, expected);
        }
    }
    // The generator reaches both outcomes.
    QVERIFY(stored > 3 && refused > 3);
    // Whatever was refused, the day's line holds the sums of what was stored.
    qint64 collected = 0, invested = 0;
    for (const PlaySession &s : f.Plays().SessionsOfDay(kToday)) {
        collected += s.collected;
        invested += s.invested;
    }
    QCOMPARE(f.Stored(kToday),
             QStringLiteral("0 %1 %2 %3")
                     .arg(SaturatedAmount(collected))
                     .arg(SaturatedAmount(invested))
                     .arg(SaturatedAmount(collected - invested)));
}

QTEST_MAIN(TestPlayEditDlg)
#include "tst_playeditdlg.moc"
