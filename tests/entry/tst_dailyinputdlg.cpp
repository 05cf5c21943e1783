#include "common/ScriptedPrompt.h"
#include "common/TestBook.h"
#include "data/ResultBook.h"
#include "dialogkit/DialogTemplate.h"
#include "entry/DailyInputDlg.h"
#include "session/DiarySession.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

namespace {

using Dlg = CDailyInputDlg;
using E = EntryCtl;

QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                     QStringLiteral("Murel"));
}

std::optional<int> storedPos(const char *key)
{
    const QVariant v = store().value(QStringLiteral("DailyInput/") + QLatin1String(key));
    return v.isValid() ? std::optional<int>(v.toInt()) : std::nullopt;
}

// 2003/01 to 2003/05 with a few stored days before and after the day under test.
constexpr int kDay = 20030512;
constexpr int kNextDay = 20030513;

// The window over an owner, on a session whose book holds a few days. Records what the session
// tells the main window: days entered ("changed <index>") and the window closing ("closed").
struct Fixture
{
    QTemporaryDir dir;
    CTestBook *book = nullptr; // owned by the session
    std::unique_ptr<CDiarySession> session;
    QWidget host;
    ScriptedPrompt prompt;
    QPointer<CDailyInputDlg> dlg;
    QStringList calls;
    bool windowVisibleWhenClosed = false;
    std::optional<int> posXWhenClosed;

    explicit Fixture(EntryMethod defaultMethod = EntryMethod::Amounts)
    {
        auto owned = std::make_unique<CTestBook>(dir.filePath(QStringLiteral("Murel1.Dat")));
        book = owned.get();
        book->BuildCalendar(200305, 1, 0);
        set(20030430, 1, 0, 0, 7);
        set(20030501, 1, 0, 0, 100);
        set(kNextDay, 0, 3, 1, 2);
        book->Recalculate(0);
        book->SetModified(); // the days above are in the file, as after a load
        book->Save();
        session = std::make_unique<CDiarySession>(QDate(2003, 5, 12), std::move(owned), 1);
        QObject::connect(session.get(), &CDiarySession::daysChanged, [this](int from) {
            calls.append(QStringLiteral("changed %1").arg(from));
        });
        QObject::connect(session.get(), &CDiarySession::entryOpenChanged, [this](bool open) {
            if (open)
                return;
            calls.append(QStringLiteral("closed"));
            windowVisibleWhenClosed = dlg && dlg->isVisible();
            posXWhenClosed = storedPos("Pos_X");
        });
        host.setGeometry(100, 100, 640, 480);
        host.show();
        dlg = new CDailyInputDlg(&host, *session, prompt, defaultMethod);
        if (!dlg->Create())
            qFatal("Create failed");
    }
    ~Fixture() { delete dlg; }

    int index(int date) const
    {
        const int i = book->IndexOf(date);
        if (i < 0)
            qFatal("no day %d", date);
        return i;
    }
    const DayResult &day(int date) const { return book->Day(index(date)); }
    void set(int date, int method, int collected, int invested, int balance)
    {
        book->SetDay(date, static_cast<EntryMethod>(method), collected, invested, balance);
    }
    void show(int date) { dlg->ShowDay(date); }
    // The line of a day in the data file, empty when it has none.
    QByteArray lineInFile(int date) const
    {
        QFile file(book->dataFilePath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith(QByteArray::number(date) + ','))
                return line.trimmed();
        }
        return {};
    }
    const DayResult &lastOfMay() const { return book->Day(book->DayCount() - 1); }

    template<class T> T *control(int id) const
    {
        T *w = dlg->findChild<T *>(QStringLiteral("id%1").arg(id));
        if (!w)
            qFatal("control %d missing", id);
        return w;
    }
    QLineEdit *edit(int id) const { return control<QLineEdit>(id); }
    QCheckBox *check(int id) const { return control<QCheckBox>(id); }
    QRadioButton *radio(int id) const { return control<QRadioButton>(id); }
    QPushButton *ok() const { return control<QPushButton>(E::Ok); }
    QPushButton *cancel() const { return control<QPushButton>(E::Cancel); }

    // Types into a field as a person does after selecting its text.
    void type(int id, const QString &text) const
    {
        edit(id)->selectAll();
        QTest::keyClicks(edit(id), text);
    }
    void keepShown(bool on) const { check(E::KeepShown)->setChecked(on); }
    QString rowOfDay(int date) const
    {
        const DayResult &d = day(date);
        return QStringLiteral("%1 %2 %3 %4")
                .arg(static_cast<int>(d.entryMethod))
                .arg(d.collected)
                .arg(d.invested)
                .arg(d.balance);
    }
};

int otherMethod(int radio)
{
    return radio == E::MethodAmounts ? E::MethodBalance : E::MethodAmounts;
}

// Key presses that carry any text, including characters that have no key of their own.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The window's object goes when control is back in the event loop.
bool deletedLater(const QPointer<CDailyInputDlg> &dlg)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return dlg.isNull();
}

} // namespace

Q_DECLARE_METATYPE(EntryMethod)
Q_DECLARE_METATYPE(EntryAnswer)

class TestDailyInputDlg : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_settingsDir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    }
    void init() { store().clear(); }

    void templateLayout()
    {
        Fixture f;
        QCOMPARE(f.dlg->windowTitle(), QStringLiteral("実績入力"));
        QCOMPARE(f.dlg->parentWidget(), &f.host);
        QVERIFY(f.dlg->isWindow());
        QVERIFY(!f.dlg->isModal());
        QVERIFY(f.dlg->isVisible());
        const dlg::BaseUnits units = dlg::BaseUnitsOf(f.dlg->font());
        QCOMPARE(f.dlg->size(), dlg::ToPixels(units, 186, 191));
        QCOMPARE(f.dlg->minimumSize(), f.dlg->maximumSize());
        const struct
        {
            int id, x, y, w, h;
        } rects[] = {{E::Collected, 52, 88, 20, 12},      {E::Invested, 52, 104, 20, 12},
                     {E::Balance, 52, 124, 20, 12},       {E::Minus, 108, 124, 50, 10},
                     {E::KeepShown, 8, 172, 108, 10},     {E::Ok, 120, 148, 56, 16},
                     {E::Cancel, 120, 168, 56, 16},       {E::Date, 52, 8, 80, 12},
                     {E::MethodAmounts, 12, 44, 144, 12}, {E::MethodBalance, 12, 56, 69, 10}};
        for (const auto &r : rects) {
            QWidget *w = f.dlg->findChild<QWidget *>(QStringLiteral("id%1").arg(r.id));
            QVERIFY2(w, qPrintable(QString::number(r.id)));
            QCOMPARE(w->geometry(), dlg::ToPixels(units, r.x, r.y, r.w, r.h));
        }
        int yenLabels = 0;
        for (const QLabel *label : f.dlg->findChildren<QLabel *>())
            yenLabels += label->text() == QStringLiteral("00円");
        QCOMPARE(yenLabels, 3);
        QVERIFY(!f.ok()->isEnabled());
        QVERIFY(f.ok()->isDefault());
        QVERIFY(!f.check(E::KeepShown)->isChecked());
        QVERIFY(f.edit(E::Date)->isReadOnly());
        // Tab order: collected, then invested, as a person types a day.
        QWidget *next = f.edit(E::Collected)->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        QCOMPARE(next, f.edit(E::Invested));
    }

    // In the collected-and-invested method the balance follows the amounts as they are typed.
    void amountsGiveBalance_data()
    {
        QTest::addColumn<QString>("collected");
        QTest::addColumn<QString>("invested");
        QTest::addColumn<QString>("balanceText");
        QTest::addColumn<bool>("minus");
        QTest::addColumn<int>("stored");

        QTest::newRow("30 and 50: minus 20") << "30"
                                             << "50"
                                             << "20" << true << -20;
        QTest::newRow("50 and 30: plus 20") << "50"
                                            << "30"
                                            << "20" << false << 20;
        QTest::newRow("equal amounts") << "40"
                                       << "40"
                                       << "0" << false << 0;
        QTest::newRow("invested only") << ""
                                       << "9999"
                                       << "9999" << true << -9999;
        QTest::newRow("leading zeros") << "0070"
                                       << "0005"
                                       << "65" << false << 65;
    }
    void amountsGiveBalance()
    {
        QFETCH(QString, collected);
        QFETCH(QString, invested);
        QFETCH(QString, balanceText);
        QFETCH(bool, minus);
        QFETCH(int, stored);

        Fixture f;
        f.show(kDay);
        f.type(E::Collected, collected);
        f.type(E::Invested, invested);
        QCOMPARE(f.edit(E::Balance)->text(), balanceText);
        QCOMPARE(f.check(E::Minus)->isChecked(), minus);
        QVERIFY(!f.check(E::Minus)->isEnabled());
        QVERIFY(f.edit(E::Balance)->isReadOnly());
        QVERIFY(f.ok()->isEnabled());

        f.ok()->click();
        const int c = collected.toInt();
        const int i = invested.toInt();
        QCOMPARE(f.rowOfDay(kDay), QStringLiteral("0 %1 %2 %3").arg(c).arg(i).arg(stored));
        // Running sums recomputed from the day on: May holds 100, the day and 2 on the 13th.
        QCOMPARE(f.day(kDay).monthBalance, 100 + stored);
        QCOMPARE(f.lastOfMay().monthBalance, 100 + stored + 2);
        QCOMPARE(f.lastOfMay().monthCollected, c + 3);
        QCOMPARE(f.lastOfMay().monthInvested, i + 1);
        QCOMPARE(f.lastOfMay().periodBalance, 7 + 100 + stored + 2);
        // On disk at once.
        QCOMPARE(f.book->IsModified(), false);
        QCOMPARE(f.lineInFile(kDay),
                 QStringLiteral("%1,0,%2,%3,%4,")
                         .arg(kDay)
                         .arg(stored * 100)
                         .arg(c * 100)
                         .arg(i * 100)
                         .toLatin1());
        QCOMPARE(f.calls, QStringList({QStringLiteral("changed %1").arg(f.index(kDay)), "closed"}));
        QVERIFY(deletedLater(f.dlg));
    }

    // A day entered by balance alone stores collected and invested 0, whatever the fields showed.
    void balanceOnly_data()
    {
        QTest::addColumn<EntryMethod>("defaultMethod");
        QTest::addColumn<QString>("balance");
        QTest::addColumn<bool>("minus");
        QTest::addColumn<int>("stored");

        QTest::newRow("plus on a stored amounts day")
                << EntryMethod::Amounts << "25" << false << 25;
        QTest::newRow("minus on a stored amounts day")
                << EntryMethod::Amounts << "25" << true << -25;
        QTest::newRow("balance default, minus") << EntryMethod::Balance << "300" << true << -300;
    }
    void balanceOnly()
    {
        QFETCH(EntryMethod, defaultMethod);
        QFETCH(QString, balance);
        QFETCH(bool, minus);
        QFETCH(int, stored);

        Fixture f(defaultMethod);
        f.set(kDay, 0, 50, 30, 20);
        f.book->Recalculate(0);
        f.show(kDay);
        f.radio(E::MethodBalance)->click();
        QVERIFY(!f.edit(E::Balance)->isReadOnly());
        QVERIFY(f.edit(E::Collected)->isReadOnly());
        QVERIFY(f.check(E::Minus)->isEnabled());
        f.type(E::Balance, balance);
        if (f.check(E::Minus)->isChecked() != minus)
            f.check(E::Minus)->click();
        f.keepShown(true);
        f.ok()->click();

        QCOMPARE(f.rowOfDay(kDay), QStringLiteral("1 0 0 %1").arg(stored));
        QCOMPARE(f.day(kDay).monthCollected, 0); // the 1st was balance only, too
        QCOMPARE(f.lastOfMay().monthBalance, 100 + stored + 2);
        QCOMPARE(f.lastOfMay().periodBalance, 107 + stored + 2);
        // The window shows the day as stored: its own method, the amounts 0.
        QVERIFY(f.radio(E::MethodBalance)->isChecked());
        QCOMPARE(f.edit(E::Collected)->text(), QStringLiteral("0"));
        QCOMPARE(f.edit(E::Balance)->text(), QString::number(qAbs(stored)));
        QCOMPARE(f.check(E::Minus)->isChecked(), minus);
        QVERIFY(!f.ok()->isEnabled());
        QCOMPARE(f.calls, QStringList(QStringLiteral("changed %1").arg(f.index(kDay))));
    }

    // Saving all three amounts 0, by either method, takes the day's result away.
    void zeroSaveClearsResult_data()
    {
        QTest::addColumn<int>("method");

        QTest::newRow("amounts") << int(E::MethodAmounts);
        QTest::newRow("balance") << int(E::MethodBalance);
    }
    void zeroSaveClearsResult()
    {
        QFETCH(int, method);

        Fixture f;
        f.set(kDay, method == E::MethodAmounts ? 0 : 1, 0, 0, -40);
        f.book->Recalculate(0);
        QCOMPARE(f.lastOfMay().monthBalance, 100 - 40 + 2);
        f.show(kDay);
        QVERIFY(f.radio(method)->isChecked());
        if (method == E::MethodAmounts) {
            f.type(E::Collected, "0");
            f.type(E::Invested, "0");
        } else {
            f.type(E::Balance, "0");
        }
        QVERIFY(f.ok()->isEnabled());
        f.ok()->click();

        QCOMPARE(f.rowOfDay(kDay), QStringLiteral("-1 0 0 0"));
        QCOMPARE(f.lastOfMay().monthBalance, 100 + 2);
        QCOMPARE(f.lastOfMay().periodBalance, 107 + 2);
        QCOMPARE(f.book->IsModified(), false);
        QCOMPARE(f.lineInFile(kDay), QByteArray());
        QCOMPARE(f.lineInFile(kNextDay), QByteArray("20030513,0,200,300,100,"));
        QCOMPARE(f.calls.size(), 2);
    }

    // A day without a result opens in the default method; switching the radio is no change.
    void defaultMethod_data()
    {
        QTest::addColumn<EntryMethod>("method");
        QTest::addColumn<int>("checked");
        QTest::addColumn<int>("focused");

        QTest::newRow("amounts") << EntryMethod::Amounts << int(E::MethodAmounts)
                                 << int(E::Collected);
        QTest::newRow("balance") << EntryMethod::Balance << int(E::MethodBalance)
                                 << int(E::Balance);
    }
    void defaultMethod()
    {
        QFETCH(EntryMethod, method);
        QFETCH(int, checked);
        QFETCH(int, focused);

        Fixture f(method);
        f.show(kDay);
        QVERIFY(f.radio(checked)->isChecked());
        QCOMPARE(f.dlg->focusWidget(), f.edit(focused));
        QCOMPARE(f.edit(focused)->selectedText(), QStringLiteral("0"));
        QCOMPARE(f.edit(E::Date)->text(), QStringLiteral("2003/05/12 (月)"));
        QVERIFY(!f.ok()->isEnabled());

        f.radio(otherMethod(checked))->click();
        QVERIFY(!f.ok()->isEnabled());
        f.radio(checked)->click();
        QVERIFY(!f.ok()->isEnabled());
        // The setting of a day with a stored result does not matter.
        f.show(kNextDay);
        QVERIFY(f.radio(E::MethodAmounts)->isChecked());
    }

    // Choosing the other method than the stored one is a change, and choosing back does not
    // undo it. Choosing the amounts makes the balance follow them at once; choosing the balance
    // keeps the text the balance field shows.
    void switchMethodOnStoredDay_data()
    {
        QTest::addColumn<int>("storedMethod");
        QTest::addColumn<int>("other");
        QTest::addColumn<QString>("balanceAfterOther"); // text, "-" for the minus box
        QTest::addColumn<QString>("balanceAfterBack");

        QTest::newRow("stored by balance") << 1 << int(E::MethodAmounts) << "0"
                                           << "0";
        // An amounts day whose balance contradicts its amounts, as a hand-edited file may hold.
        QTest::newRow("stored by amounts") << 0 << int(E::MethodBalance) << "-15"
                                           << "0";
    }
    void switchMethodOnStoredDay()
    {
        QFETCH(int, storedMethod);
        QFETCH(int, other);
        QFETCH(QString, balanceAfterOther);
        QFETCH(QString, balanceAfterBack);

        Fixture f;
        f.set(kDay, storedMethod, 0, 0, -15);
        f.show(kDay);
        QVERIFY(!f.ok()->isEnabled());
        const auto shownBalance = [&f] {
            return (f.check(E::Minus)->isChecked() ? QStringLiteral("-") : QString())
                    + f.edit(E::Balance)->text();
        };
        QCOMPARE(shownBalance(), QStringLiteral("-15"));
        f.radio(other)->click();
        QVERIFY(f.ok()->isEnabled());
        QCOMPARE(shownBalance(), balanceAfterOther);
        f.radio(otherMethod(other))->click();
        QVERIFY(f.ok()->isEnabled());
        QCOMPARE(shownBalance(), balanceAfterBack);
        QCOMPARE(f.rowOfDay(kDay), QStringLiteral("%1 0 0 -15").arg(storedMethod));
        QVERIFY(f.calls.isEmpty());
    }

    // ShowDay leaves the day unchanged although setting the texts ran the field handlers, and
    // shows the stored balance even where it is not collected minus invested.
    void showDayShowsStoredValues()
    {
        Fixture f;
        f.set(kDay, 0, 10, 5, -7);
        f.show(kDay);
        QCOMPARE(f.edit(E::Collected)->text(), QStringLiteral("10"));
        QCOMPARE(f.edit(E::Invested)->text(), QStringLiteral("5"));
        QCOMPARE(f.edit(E::Balance)->text(), QStringLiteral("7"));
        QVERIFY(f.check(E::Minus)->isChecked());
        QVERIFY(!f.ok()->isEnabled());
        QCOMPARE(f.dlg->focusWidget(), f.edit(E::Collected));
        QCOMPARE(f.edit(E::Collected)->selectedText(), QStringLiteral("10"));
        QCOMPARE(f.dlg->ConfirmChanges(), EntryAnswer::Unchanged);
        QVERIFY(f.prompt.asked.isEmpty());
    }

    // The main window changing the day: unchanged answers without a question; with the box
    // unchecked the window closes, whether or not anything had been changed.
    void confirmChanges_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<int>("answer");
        QTest::addColumn<EntryAnswer>("result");
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("closes");

        using A = EntryAnswer;
        const QString none = QStringLiteral("-1 0 0 0");
        const QString typed = QStringLiteral("0 30 50 -20");
        const int yes = QMessageBox::Yes, no = QMessageBox::No, cancel = QMessageBox::Cancel;
        QTest::newRow("unchanged") << false << false << 0 << A::Unchanged << none << true;
        QTest::newRow("unchanged, kept") << false << true << 0 << A::Unchanged << none << false;
        QTest::newRow("yes") << true << false << yes << A::Applied << typed << true;
        QTest::newRow("yes, kept") << true << true << yes << A::Applied << typed << false;
        QTest::newRow("no") << true << false << no << A::Discarded << none << true;
        QTest::newRow("no, kept") << true << true << no << A::Discarded << none << false;
        QTest::newRow("cancel") << true << false << cancel << A::Cancelled << none << false;
    }
    void confirmChanges()
    {
        QFETCH(bool, edit);
        QFETCH(bool, keep);
        QFETCH(int, answer);
        QFETCH(EntryAnswer, result);
        QFETCH(QString, row);
        QFETCH(bool, closes);

        Fixture f;
        f.show(kDay);
        f.keepShown(keep);
        if (edit) {
            f.type(E::Collected, "30");
            f.type(E::Invested, "50");
        }
        bool hostEnabledDuringBox = true;
        f.prompt.whileShown = [&] { hostEnabledDuringBox = f.host.isEnabled(); };
        if (answer)
            f.prompt.answers.append(QMessageBox::StandardButton(answer));

        QCOMPARE(f.dlg->ConfirmChanges(), result);
        QCOMPARE(f.prompt.asked.size(), edit ? 1 : 0);
        if (edit) {
            const ScriptedPrompt::Asked &a = f.prompt.asked.first();
            QCOMPARE(a.text,
                     QStringLiteral(
                             "表示されているデータは変更されています。変更を有効にしますか？"));
            QCOMPARE(a.icon, QMessageBox::Warning);
            QCOMPARE(a.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            QCOMPARE(a.owner, f.dlg.data());
            QVERIFY(!hostEnabledDuringBox);
        }
        QVERIFY(f.host.isEnabled());
        QCOMPARE(f.rowOfDay(kDay), row);
        QCOMPARE(f.book->IsModified(), false);
        QCOMPARE(f.lineInFile(kDay).isEmpty(), result != EntryAnswer::Applied);
        QCOMPARE(f.calls.contains("closed"), closes);
        QCOMPARE(f.calls.contains(QStringLiteral("changed %1").arg(f.index(kDay))),
                 result == EntryAnswer::Applied);
        QCOMPARE(deletedLater(f.dlg), closes);
        if (!closes) {
            QVERIFY(f.dlg->isVisible());
            // Cancel leaves the edits pending; the other answers leave the window unchanged.
            QCOMPARE(f.ok()->isEnabled(), result == EntryAnswer::Cancelled);
        }
    }

    // Cancel, Esc and the close box: closes unless the answer is Cancel, applies on Yes.
    void cancel_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("edit");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("closes");

        const QString none = QStringLiteral("-1 0 0 0");
        const QString typed = QStringLiteral("0 30 50 -20");
        QTest::newRow("unchanged") << "button" << false << false << 0 << none << true;
        QTest::newRow("unchanged, kept") << "button" << false << true << 0 << none << true;
        QTest::newRow("esc, unchanged, kept") << "esc" << false << true << 0 << none << true;
        QTest::newRow("yes") << "button" << true << false << int(QMessageBox::Yes) << typed << true;
        QTest::newRow("yes, kept")
                << "esc" << true << true << int(QMessageBox::Yes) << typed << true;
        QTest::newRow("no") << "close" << true << false << int(QMessageBox::No) << none << true;
        QTest::newRow("no, kept") << "button" << true << true << int(QMessageBox::No) << none
                                  << true;
        QTest::newRow("cancel") << "button" << true << false << int(QMessageBox::Cancel) << none
                                << false;
        QTest::newRow("cancel, close box")
                << "close" << true << true << int(QMessageBox::Cancel) << none << false;
    }
    void cancel()
    {
        QFETCH(QString, how);
        QFETCH(bool, edit);
        QFETCH(bool, keep);
        QFETCH(int, answer);
        QFETCH(QString, row);
        QFETCH(bool, closes);

        Fixture f;
        f.show(kDay);
        f.keepShown(keep);
        if (edit) {
            f.type(E::Collected, "30");
            f.type(E::Invested, "50");
        }
        if (answer)
            f.prompt.answers.append(QMessageBox::StandardButton(answer));
        if (how == "button")
            f.cancel()->click();
        else if (how == "esc")
            QTest::keyClick(f.dlg, Qt::Key_Escape);
        else
            f.dlg->close();

        QCOMPARE(f.prompt.asked.size(), edit ? 1 : 0);
        QCOMPARE(f.rowOfDay(kDay), row);
        QStringList expected;
        if (answer == QMessageBox::Yes)
            expected.append(QStringLiteral("changed %1").arg(f.index(kDay)));
        if (closes)
            expected.append(QStringLiteral("closed"));
        QCOMPARE(f.calls, expected);
        QCOMPARE(deletedLater(f.dlg), closes);
        if (!closes) {
            QVERIFY(f.dlg->isVisible());
            QVERIFY(f.ok()->isEnabled());
            QCOMPARE(f.edit(E::Balance)->text(), QStringLiteral("20"));
        }
    }

    // OK keeps the window only with the keep-shown box checked; then it shows the stored values,
    // unchanged.
    void okKeepShown_data()
    {
        QTest::addColumn<bool>("keep");

        QTest::newRow("unchecked: closes") << false;
        QTest::newRow("checked: stays") << true;
    }
    void okKeepShown()
    {
        QFETCH(bool, keep);

        store().setValue("DailyInput/Pos_X", 33);
        Fixture f;
        f.show(kDay);
        f.keepShown(keep);
        f.type(E::Collected, "007");
        f.type(E::Invested, "2");
        f.dlg->move(210, 160);
        f.ok()->click();

        QCOMPARE(f.rowOfDay(kDay), QStringLiteral("0 7 2 5"));
        QCOMPARE(f.lineInFile(kDay), QByteArray("20030512,0,500,700,200,"));
        QVERIFY(f.prompt.asked.isEmpty());
        if (keep) {
            QCOMPARE(f.calls, QStringList(QStringLiteral("changed %1").arg(f.index(kDay))));
            QVERIFY(!deletedLater(f.dlg));
            QVERIFY(f.dlg->isVisible());
            QVERIFY(!f.ok()->isEnabled());
            QCOMPARE(f.edit(E::Collected)->text(), QStringLiteral("7")); // as stored
            QCOMPARE(storedPos("Pos_X"), std::optional<int>(33));
        } else {
            QCOMPARE(f.calls,
                     QStringList({QStringLiteral("changed %1").arg(f.index(kDay)), "closed"}));
            // The host hears of it before the window goes and its position is saved.
            QVERIFY(f.windowVisibleWhenClosed);
            QCOMPARE(f.posXWhenClosed, std::optional<int>(33));
            QVERIFY(deletedLater(f.dlg));
            QCOMPARE(storedPos("Pos_X"), std::optional<int>(210));
            QCOMPARE(storedPos("Pos_Y"), std::optional<int>(160));
        }
    }

    // What a person does at start: type collected, Tab, invested, Enter.
    void typedLikeAPerson()
    {
        Fixture f;
        f.show(kDay);
        QVERIFY(QTest::qWaitForWindowActive(f.dlg));
        QCOMPARE(QApplication::focusWidget(), f.edit(E::Collected));
        QTest::keyClicks(QApplication::focusWidget(), "50");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f.edit(E::Invested));
        QTest::keyClicks(QApplication::focusWidget(), "30");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(f.rowOfDay(kDay), QStringLiteral("0 50 30 20"));
        QCOMPARE(f.calls.size(), 2);
        QVERIFY(deletedLater(f.dlg));
    }

    // The amount fields take digits only and at most four of them, typed or pasted.
    void digitsOnly_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("shown");

        QTest::newRow("typed letters") << "1a2-3" << false << "123";
        QTest::newRow("typed five digits") << "12345" << false << "1234";
        QTest::newRow("typed full-width") << "１２" << false << "";
        QTest::newRow("pasted digits") << "987" << true << "987";
        QTest::newRow("pasted non-digits") << "12x" << true << "";
        QTest::newRow("pasted negative") << "-5" << true << "";
        QTest::newRow("pasted five digits") << "55555" << true << "5555";
    }
    void digitsOnly()
    {
        QFETCH(QString, input);
        QFETCH(bool, paste);
        QFETCH(QString, shown);

        Fixture f;
        f.show(kDay);
        for (int id : {int(E::Collected), int(E::Invested)}) {
            QLineEdit *e = f.edit(id);
            e->clear();
            if (paste) {
                QGuiApplication::clipboard()->setText(input);
                e->paste();
            } else {
                typeText(e, input);
            }
            QCOMPARE(e->text(), shown);
        }
        f.radio(E::MethodBalance)->click();
        QLineEdit *balance = f.edit(E::Balance);
        balance->clear();
        if (paste) {
            QGuiApplication::clipboard()->setText(input);
            balance->paste();
        } else {
            typeText(balance, input);
        }
        QCOMPARE(balance->text(), shown);
    }

    // An amount of more than four digits, from the data file, is shown and kept whole.
    void longStoredAmountKept()
    {
        Fixture f;
        f.set(kDay, 0, 123456, 0, 123456);
        f.show(kDay);
        QCOMPARE(f.edit(E::Collected)->text(), QStringLiteral("123456"));
        QCOMPARE(f.edit(E::Balance)->text(), QStringLiteral("123456"));
        f.type(E::Invested, "6");
        QCOMPARE(f.edit(E::Balance)->text(), QStringLiteral("123450"));
        f.ok()->click();
        QCOMPARE(f.rowOfDay(kDay), QStringLiteral("0 123456 6 123450"));
        // Typing is limited to four digits again on the next day.
        Fixture g;
        g.set(kDay, 0, 123456, 0, 123456);
        g.show(kDay);
        g.show(kNextDay);
        g.edit(E::Collected)->clear();
        QTest::keyClicks(g.edit(E::Collected), "77777");
        QCOMPARE(g.edit(E::Collected)->text(), QStringLiteral("7777"));
    }

    // A key that names no day of the book blanks the window and disables its entry controls.
    void unknownDayBlanks_data()
    {
        QTest::addColumn<int>("key");

        QTest::newRow("none") << 0;
        QTest::newRow("month row") << 200305;
        QTest::newRow("other year") << 20020512;
        QTest::newRow("no such day") << 20030431;
    }
    void unknownDayBlanks()
    {
        QFETCH(int, key);

        Fixture f;
        f.set(kDay, 0, 10, 5, 5);
        f.show(kDay);
        f.type(E::Collected, "11");
        f.dlg->ShowDay(key);
        for (int id : {E::Date, E::Collected, E::Invested, E::Balance})
            QCOMPARE(f.edit(id)->text(), QString());
        for (int id :
             {E::MethodAmounts, E::MethodBalance, E::Collected, E::Invested, E::Minus, E::Balance})
            QVERIFY(!f.dlg->findChild<QWidget *>(QStringLiteral("id%1").arg(id))->isEnabled());
        QVERIFY(!f.ok()->isEnabled());
        QVERIFY(f.cancel()->isEnabled());
        QVERIFY(f.check(E::KeepShown)->isEnabled());
        QCOMPARE(f.rowOfDay(kDay), QStringLiteral("0 10 5 5"));
        QCOMPARE(f.dlg->ConfirmChanges(), EntryAnswer::Unchanged);
        QVERIFY(f.prompt.asked.isEmpty());
    }

    // The position is restored at creation unless it is (0, 0).
    void positionRestored_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<bool>("restored");

        QTest::newRow("stored") << 150 << 120 << true;
        QTest::newRow("x only") << 0 << 40 << true;
        QTest::newRow("y only") << 40 << 0 << true;
        QTest::newRow("zero") << 0 << 0 << false;
    }
    void positionRestored()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(bool, restored);

        store().setValue("DailyInput/Pos_X", x);
        store().setValue("DailyInput/Pos_Y", y);
        Fixture f;
        if (restored)
            QCOMPARE(f.dlg->pos(), QPoint(x, y));
        else
            QVERIFY(f.dlg->pos() != QPoint(0, 0)); // the default placement, over the host
    }

    // The owner destroyed with this window open: the position is saved, and the session no
    // longer asks the window that went with it.
    void destroyedWithOwner()
    {
        auto book = std::make_unique<CTestBook>(QStringLiteral("unused.dat"));
        book->BuildCalendar(200305, 1, 0);
        CDiarySession session(QDate(2003, 5, 12), std::move(book), 1);
        ScriptedPrompt prompt;
        auto owner = std::make_unique<QWidget>();
        owner->show();
        QPointer<CDailyInputDlg> dlg
                = new CDailyInputDlg(owner.get(), session, prompt, EntryMethod::Amounts);
        QVERIFY(dlg->Create());
        QVERIFY(session.IsEntryOpen());
        session.ShowInEntry(kDay);
        dlg->findChild<QLineEdit *>(QStringLiteral("id%1").arg(E::Collected))->setText("5");
        dlg->move(321, 123);
        owner.reset();
        QVERIFY(dlg.isNull());
        QVERIFY(!session.IsEntryOpen());
        QCOMPARE(session.ConfirmEntry(), EntryAnswer::Unchanged);
        QVERIFY(prompt.asked.isEmpty());
        QCOMPARE(storedPos("Pos_X"), std::optional<int>(321));
        QCOMPARE(storedPos("Pos_Y"), std::optional<int>(123));
    }
};

QTEST_MAIN(TestDailyInputDlg)
#include "tst_dailyinputdlg.moc"
