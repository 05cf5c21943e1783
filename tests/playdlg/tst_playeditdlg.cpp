// The session editor: a wrong field named in a box, focused, and nothing stored; Enter, Ctrl+Enter
// and Esc; the proposed start; completion most recent first; and over random fields, exactly the
// session they describe or nothing.
#include "PlayWindowFixture.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRandomGenerator>

namespace {

using namespace PlayWindowTest;
using D = CPlayEditDlg;

const D::ControlId kFields[] = {D::IdStore,    D::IdMachine,   D::IdStart, D::IdEnd,
                                D::IdInvested, D::IdCollected, D::IdMemo};
const QStringList kGood{"駅前ホール", "海物語", "9:30", "12:00", "100", "150", "朝一"};

// A new session's editor on kToday, shown, with the fields given in tab order.
std::unique_ptr<D> Open(Fixture &f, const QStringList &fields = {})
{
    PlaySession s;
    s.day = kToday;
    auto dlg = std::make_unique<D>(nullptr, f.Plays(), s, f.prompt, f.clock);
    dlg->show();
    if (!QTest::qWaitForWindowActive(dlg.get()))
        qWarning("the editor is not active");
    for (int i = 0; i < fields.size(); ++i) {
        if (auto *memo = qobject_cast<QPlainTextEdit *>(dlg->control(kFields[i])))
            memo->setPlainText(fields.at(i));
        else
            qobject_cast<QLineEdit *>(dlg->control(kFields[i]))->setText(fields.at(i));
    }
    return dlg;
}

} // namespace

class TestPlayEditDlg : public QObject
{
    Q_OBJECT

private slots:
    void badInput_data();
    void badInput();
    void keys();
    void proposedStart();
    void completion();
    void randomFields();
};

void TestPlayEditDlg::badInput_data()
{
    QTest::addColumn<int>("field"); // index in tab order
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("named"); // the message names the field
    QTest::newRow("start 25:00") << 2 << "25:00"
                                 << "開始";
    QTest::newRow("end 12:60") << 3 << "12:60"
                               << "終了";
    QTest::newRow("invested 10000") << 4 << "10000"
                                    << "投資額";
    QTest::newRow("invested negative") << 4 << "-1"
                                       << "投資額";
    QTest::newRow("collected with a letter") << 5 << "1O0"
                                             << "回収額";
    QTest::newRow("store empty") << 0 << ""
                                 << "店舗";
    QTest::newRow("store only full-width spaces") << 0 << "　　"
                                                  << "店舗";
    QTest::newRow("store with a control character") << 0 << "A\x01Z"
                                                    << "店舗";
    QTest::newRow("store of 101 characters") << 0 << QString(101, u'店') << "店舗";
    QTest::newRow("store of 101 characters beyond the basic plane")
            << 0 << QStringLiteral("𠮷").repeated(101) << "店舗";
    QTest::newRow("machine with a tab") << 1 << "A\tB"
                                        << "機種";
    QTest::newRow("memo of 2001 characters") << 6 << QString(2001, u'メ') << "メモ";
    QTest::newRow("memo with an escape") << 6 << "\x1b[31m"
                                         << "メモ";
    QTest::newRow("memo of 100,001 characters pasted") << 6 << "paste"
                                                       << "メモ";
}

void TestPlayEditDlg::badInput()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, named);
    Fixture f;
    QStringList fields = kGood;
    fields[field] = text == QLatin1String("paste") ? QString() : text;
    auto dlg = Open(f, fields);
    if (text == QLatin1String("paste")) {
        dlg->control(D::IdMemo)->setFocus();
        QApplication::clipboard()->setText(QString(100001, u'あ'));
        Press(Qt::Key_V, Qt::ControlModifier);
    }
    dlg->control(D::IdStore)->setFocus();
    Press(Qt::Key_Return);
    QCOMPARE(f.prompt.asked.size(), 1);
    QVERIFY2(f.prompt.asked.first().text.contains(named), qPrintable(f.prompt.texts().first()));
    QCOMPARE(f.prompt.asked.first().icon, QMessageBox::Warning);
    QCOMPARE(QApplication::focusWidget(), dlg->control(kFields[field]));
    QVERIFY(dlg->isVisible());
    QCOMPARE(f.LineOf(kToday), QByteArray("20030512,1,-700,0,0,"));
    QVERIFY(!QFile::exists(f.DbPath()));
}

// Enter in a field saves and closes, in the memo it breaks the line and Ctrl+Enter saves; Esc
// stores nothing. Each save reaches the data file as the day's sums at once.
void TestPlayEditDlg::keys()
{
    Fixture f;
    for (int i = 0; i < 6; ++i) {
        auto dlg = Open(f, kGood);
        dlg->control(kFields[i])->setFocus();
        Press(Qt::Key_Return);
        QVERIFY(!dlg->isVisible());
    }
    QCOMPARE(f.LineOf(kToday), QByteArray("20030512,0,30000,90000,60000,"));
    auto dlg = Open(f, kGood);
    auto *memo = qobject_cast<QPlainTextEdit *>(dlg->control(D::IdMemo));
    memo->setFocus();
    Press(Qt::Key_End, Qt::ControlModifier);
    Press(Qt::Key_Return);
    Type({"夕方,\"引用\""});
    QVERIFY(dlg->isVisible());
    Press(Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(!dlg->isVisible());
    QCOMPARE(f.Sessions(kToday).last(),
             QStringLiteral("駅前ホール|海物語|09:30|12:00|100|150|朝一\n夕方,\"引用\""));
    for (D::ControlId id : kFields) {
        dlg = Open(f, kGood);
        dlg->control(id)->setFocus();
        Press(Qt::Key_Escape);
        QVERIFY(!dlg->isVisible());
    }
    QCOMPARE(f.Sessions(kToday).size(), 7);
    QCOMPARE(f.prompt.asked.size(), 0);
}

void TestPlayEditDlg::proposedStart()
{
    Fixture f;
    f.now = QDateTime(QDate(2003, 5, 12), QTime(10, 7, 59));
    auto start = [&](int day) {
        PlaySession s;
        s.day = day;
        return qobject_cast<QLineEdit *>(
                       D(nullptr, f.Plays(), s, f.prompt, f.clock).control(D::IdStart))
                ->text();
    };
    QCOMPARE(start(kToday), QStringLiteral("10:07"));
    QCOMPARE(start(kToday + 1), QString());
    f.now = f.now.addDays(1);
    QCOMPARE(start(kToday), QString());
}

void TestPlayEditDlg::completion()
{
    Fixture f;
    f.Add(20030501, QStringLiteral("駅前ホール"), 1, 0);
    f.Add(20030503, QStringLiteral("新台館"), 1, 0);
    f.Add(20030502, QStringLiteral("駅南ホール"), 1, 0);
    f.Add(20030503, QStringLiteral("ホール東"), 1, 0);
    auto dlg = Open(f);
    auto *store = qobject_cast<QLineEdit *>(dlg->control(D::IdStore));
    Type({"ホール"});
    QAbstractItemView *popup = store->completer()->popup();
    QTRY_VERIFY(popup->isVisible());
    QStringList shown;
    for (int r = 0; r < popup->model()->rowCount(); ++r)
        shown << popup->model()->index(r, 0).data().toString();
    // Most recent first: by day, then the later entry of a day.
    QCOMPARE(shown, QStringList({"ホール東", "駅南ホール", "駅前ホール"}));
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    QCOMPARE(store->text(), QStringLiteral("ホール東"));
    QVERIFY(dlg->isVisible());
    // Enter with the list open and no name chosen saves what was typed.
    store->clear();
    Type({"駅"});
    QTRY_VERIFY(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Return);
    QTRY_VERIFY(!dlg->isVisible());
    QCOMPARE(f.Sessions(kToday), QStringList{"駅||10:00||0|0|"});
}

// Over random fields, a field wrong one time in eight: either the first wrong one in tab order is
// named and focused and nothing stored, or exactly the session the fields describe is stored.
void TestPlayEditDlg::randomFields()
{
    const QStringList good[7] = {{"店", "  駅前  ", QString(100, u'x')}, {"", " 機種 "},
                                 {"", "0930", "２３：５９", " 0:00 "},   {"", "930", "23:59"},
                                 {"", "0012", "9999", "５０"},           {"", "0", "1"},
                                 {"", "x\r\ny", QString(2000, u'm')}};
    const QStringList bad[7] = {{"   ", QString(101, u'y')},
                                {"A\tB"},
                                {"24:00", "12:"},
                                {"7:5x"},
                                {"10000", "1 2"},
                                {"-3"},
                                {QString(2001, u'm')}};
    const QString labels[] = {"店舗", "機種", "開始", "終了", "投資額", "回収額", "メモ"};
    QRandomGenerator rng(20030512);
    Fixture f;
    int outcomes[2] = {0, 0};
    for (int round = 0; round < 60; ++round) {
        QStringList texts;
        for (int i = 0; i < 7; ++i) {
            const QStringList &pool = rng.bounded(8) == 0 ? bad[i] : good[i];
            texts << pool.at(rng.bounded(int(pool.size())));
        }
        PlaySession want;
        want.day = kToday;
        const QString problems[7] = {PlayInput::CheckStore(texts[0], &want.store),
                                     PlayInput::CheckMachine(texts[1], &want.machine),
                                     PlayInput::ParseTime(labels[2], texts[2], &want.startMinute),
                                     PlayInput::ParseTime(labels[3], texts[3], &want.endMinute),
                                     PlayInput::ParseAmount(labels[4], texts[4], &want.invested),
                                     PlayInput::ParseAmount(labels[5], texts[5], &want.collected),
                                     PlayInput::CheckMemo(texts[6], &want.memo)};
        int wrong = 0;
        while (wrong < 7 && problems[wrong].isEmpty())
            ++wrong;
        const qsizetype before = f.Plays().SessionsOfDay(kToday).size();
        f.prompt.asked.clear();
        auto dlg = Open(f, texts);
        dlg->control(D::IdStore)->setFocus();
        Press(Qt::Key_Return);
        const QList<PlaySession> after = f.Plays().SessionsOfDay(kToday);
        ++outcomes[wrong < 7];
        if (wrong < 7) {
            QCOMPARE(f.prompt.texts(), QStringList{problems[wrong]});
            QVERIFY(problems[wrong].contains(labels[wrong]));
            QCOMPARE(QApplication::focusWidget(), dlg->control(kFields[wrong]));
            QCOMPARE(after.size(), before);
        } else {
            QCOMPARE(f.prompt.asked.size(), 0);
            QCOMPARE(after.size(), before + 1);
            want.id = after.last().id;
            want.order = after.last().order;
            QCOMPARE(after.last(), want);
        }
    }
    QVERIFY(outcomes[0] > 5 && outcomes[1] > 5);
}

QTEST_MAIN(TestPlayEditDlg)
#include "tst_playeditdlg.moc"
