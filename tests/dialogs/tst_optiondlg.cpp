#include "dialogkit/DialogTemplate.h"
#include "dialogs/OptionDlg.h"
#include "settings/Settings.h"

#include <QAccessible>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace {

struct Stored
{
    std::optional<int> fromN, show, type, unit;
};

void store(const QString &key, std::optional<int> value)
{
    if (!value)
        return;
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                QStringLiteral("Murel"));
    s.setValue(QStringLiteral("Option/") + key, *value);
}

std::optional<int> stored(const QString &key)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                QStringLiteral("Murel"));
    const QVariant v = s.value(QStringLiteral("Option/") + key);
    if (!v.isValid())
        return std::nullopt;
    return v.toInt();
}

constexpr auto Ok = COptionDlg::IdOk;
constexpr auto Cancel = COptionDlg::IdCancel;
constexpr auto ShowAtStart = COptionDlg::IdShowDailyInput;
constexpr auto ThisMonth = COptionDlg::IdFromThisMonth;
constexpr auto January = COptionDlg::IdFromJanuary;
constexpr auto Amounts = COptionDlg::IdEnterAmounts;
constexpr auto Balance = COptionDlg::IdEnterBalance;
using Ids = QList<COptionDlg::ControlId>;

// Controls are found by object name, which the dialog keeps as "id" and the number.
template<class T> T *control(const QDialog &dialog, COptionDlg::ControlId id)
{
    T *w = dialog.findChild<T *>(QStringLiteral("id%1").arg(id));
    if (!w)
        qFatal("control %d missing", id);
    return w;
}

// Runs the modal dialog; whileOpen acts on it once its event loop runs and must end it.
int runModal(COptionDlg &dialog, const std::function<void()> &whileOpen)
{
    bool ran = false;
    QTimer::singleShot(0, &dialog, [&] {
        ran = true;
        whileOpen();
    });
    const int result = dialog.exec();
    if (!ran)
        qFatal("dialog closed before the test could act on it");
    return result;
}

// FromN, DailyInput_Show, DailyInput_Type, DailyInput_Unit as the settings hold them.
QList<int> optionsOf(const CSettings &s)
{
    return {s.fromJanuary ? 1 : 0, s.showDailyInput ? 1 : 0, s.balanceByDefault ? 1 : 0,
            s.amountUnit};
}

CSettings readOptions()
{
    CSettings settings;
    settings.ReadSection(QStringLiteral("Option"));
    return settings;
}

struct States
{
    bool january, thisMonth, show, amounts, balance;
};

States statesOf(const COptionDlg &d)
{
    return {control<QRadioButton>(d, January)->isChecked(),
            control<QRadioButton>(d, ThisMonth)->isChecked(),
            control<QCheckBox>(d, ShowAtStart)->isChecked(),
            control<QRadioButton>(d, Amounts)->isChecked(),
            control<QRadioButton>(d, Balance)->isChecked()};
}

} // namespace

Q_DECLARE_METATYPE(Stored)

class TestOptionDlg : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->path());
    }

    void readsSettingsAndInitialisesControls_data()
    {
        QTest::addColumn<Stored>("before");
        QTest::addColumn<QList<int>>("members"); // FromN, Show, Type, Unit as held
        QTest::addColumn<QList<bool>>("checked"); // January, this month, show, amounts, balance

        QTest::newRow("first run") << Stored{} << QList<int>{1, 1, 0, 100}
                                   << QList<bool>{true, false, true, true, false};
        QTest::newRow("this month, hidden, balance")
                << Stored{0, 0, 1, 37} << QList<int>{0, 0, 1, 37}
                << QList<bool>{false, true, false, false, true};
        // Shown as the program applies them: January and the start-up window only for 1.
        QTest::newRow("other values") << Stored{5, 2, -3, 0} << QList<int>{0, 0, 1, 0}
                                      << QList<bool>{false, true, false, false, true};
        QTest::newRow("negative year basis and start-up")
                << Stored{-1, -1, 0, 100} << QList<int>{0, 0, 0, 100}
                << QList<bool>{false, true, false, true, false};
        QTest::newRow("only the unit stored")
                << Stored{{}, {}, {}, 1000} << QList<int>{1, 1, 0, 1000}
                << QList<bool>{true, false, true, true, false};
    }
    void readsSettingsAndInitialisesControls()
    {
        QFETCH(Stored, before);
        QFETCH(QList<int>, members);
        QFETCH(QList<bool>, checked);
        store(QStringLiteral("FromN"), before.fromN);
        store(QStringLiteral("DailyInput_Show"), before.show);
        store(QStringLiteral("DailyInput_Type"), before.type);
        store(QStringLiteral("DailyInput_Unit"), before.unit);

        CSettings settings = readOptions();
        COptionDlg dialog(settings);
        QCOMPARE(optionsOf(settings), members);
        States s{};
        runModal(dialog, [&] {
            s = statesOf(dialog);
            dialog.reject();
        });
        QCOMPARE(QList<bool>({s.january, s.thisMonth, s.show, s.amounts, s.balance}), checked);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("オプション"));
    }

    void okWritesAllFour_data()
    {
        QTest::addColumn<Stored>("before");
        QTest::addColumn<Ids>("clicks"); // controls clicked before OK
        QTest::addColumn<bool>("byEnter"); // OK through the default button
        QTest::addColumn<QList<int>>("after"); // FromN, Show, Type, Unit, members and stored

        QTest::newRow("first run, unchanged")
                << Stored{} << Ids{} << false << QList<int>{1, 1, 0, 100};
        QTest::newRow("first run, everything changed")
                << Stored{} << Ids{ThisMonth, ShowAtStart, Balance} << false
                << QList<int>{0, 0, 1, 100};
        QTest::newRow("unit written back as read")
                << Stored{1, 1, 0, 37} << Ids{Balance} << false << QList<int>{1, 1, 1, 37};
        QTest::newRow("odd values written as shown")
                << Stored{7, 3, 9, -5} << Ids{} << false << QList<int>{0, 0, 1, -5};
        QTest::newRow("odd values, January and start-up ticked")
                << Stored{7, 3, 9, -5} << Ids{January, ShowAtStart} << false
                << QList<int>{1, 1, 1, -5};
        QTest::newRow("back to January and amounts")
                << Stored{0, 0, 1, 100} << Ids{January, ShowAtStart, Amounts} << false
                << QList<int>{1, 1, 0, 100};
        QTest::newRow("Enter presses OK")
                << Stored{0, 1, 0, 200} << Ids{January} << true << QList<int>{1, 1, 0, 200};
    }
    void okWritesAllFour()
    {
        QFETCH(Stored, before);
        QFETCH(Ids, clicks);
        QFETCH(bool, byEnter);
        QFETCH(QList<int>, after);
        store(QStringLiteral("FromN"), before.fromN);
        store(QStringLiteral("DailyInput_Show"), before.show);
        store(QStringLiteral("DailyInput_Type"), before.type);
        store(QStringLiteral("DailyInput_Unit"), before.unit);

        CSettings settings = readOptions();
        COptionDlg dialog(settings);
        const int result = runModal(dialog, [&] {
            for (COptionDlg::ControlId id : clicks)
                QTest::mouseClick(control<QAbstractButton>(dialog, id), Qt::LeftButton);
            if (byEnter)
                QTest::keyClick(control<QCheckBox>(dialog, ShowAtStart), Qt::Key_Return);
            else
                QTest::mouseClick(control<QPushButton>(dialog, Ok), Qt::LeftButton);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(optionsOf(settings), after);
        const QList<std::optional<int>> written{stored(QStringLiteral("FromN")),
                                                stored(QStringLiteral("DailyInput_Show")),
                                                stored(QStringLiteral("DailyInput_Type")),
                                                stored(QStringLiteral("DailyInput_Unit"))};
        for (int i = 0; i < 4; ++i) {
            QVERIFY2(written[i].has_value(), qPrintable(QStringLiteral("setting %1").arg(i)));
            QCOMPARE(*written[i], after[i]);
        }
    }

    // A screen reader's Toggle on a radio or the check box and its Press on a button do what a
    // click does: the same options are kept and written.
    void accessibleActionsActAsClicks_data()
    {
        QTest::addColumn<COptionDlg::ControlId>("target");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("result");
        QTest::addColumn<QList<int>>("after"); // FromN, Show, Type, Unit held after the dialog

        const QString toggle = QAccessibleActionInterface::toggleAction();
        const int ok = QDialog::Accepted;
        QTest::newRow("this month") << ThisMonth << toggle << ok << QList<int>{0, 1, 0, 100};
        QTest::newRow("January, already checked")
                << January << toggle << ok << QList<int>{1, 1, 0, 100};
        QTest::newRow("show at start") << ShowAtStart << toggle << ok << QList<int>{1, 0, 0, 100};
        QTest::newRow("balance") << Balance << toggle << ok << QList<int>{1, 1, 1, 100};
        QTest::newRow("amounts, already checked")
                << Amounts << toggle << ok << QList<int>{1, 1, 0, 100};
        QTest::newRow("cancel") << Cancel << QAccessibleActionInterface::pressAction()
                                << int(QDialog::Rejected) << QList<int>{1, 1, 0, 100};
    }
    void accessibleActionsActAsClicks()
    {
        QFETCH(COptionDlg::ControlId, target);
        QFETCH(QString, action);
        QFETCH(int, result);
        QFETCH(QList<int>, after);
        for (const bool accessible : {false, true}) {
            QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                      QStringLiteral("Murel"))
                    .clear();
            CSettings settings = readOptions();
            COptionDlg dialog(settings);
            QStringList offered;
            QTimer::singleShot(5000, &dialog, [&] { dialog.done(-1); }); // never hang the run
            const int got = runModal(dialog, [&] {
                QAbstractButton *button = control<QAbstractButton>(dialog, target);
                QAbstractButton *ok = control<QAbstractButton>(dialog, Ok);
                if (accessible) {
                    QAccessibleActionInterface *actions
                            = QAccessible::queryAccessibleInterface(button)->actionInterface();
                    offered = actions->actionNames();
                    actions->doAction(action);
                    if (target != Cancel) {
                        QAccessible::queryAccessibleInterface(ok)->actionInterface()->doAction(
                                QAccessibleActionInterface::pressAction());
                    }
                } else {
                    QTest::mouseClick(button, Qt::LeftButton);
                    if (target != Cancel)
                        QTest::mouseClick(ok, Qt::LeftButton);
                }
            });
            if (accessible)
                QVERIFY2(offered.contains(action), qPrintable(offered.join(QLatin1Char(','))));
            QCOMPARE(got, result);
            QCOMPARE(optionsOf(settings), after);
            QCOMPARE(stored(QStringLiteral("FromN")),
                     result == QDialog::Accepted ? std::optional(after[0]) : std::nullopt);
            QCOMPARE(stored(QStringLiteral("DailyInput_Type")),
                     result == QDialog::Accepted ? std::optional(after[2]) : std::nullopt);
        }
    }

    void cancelChangesNothing_data()
    {
        QTest::addColumn<Stored>("before");
        QTest::addColumn<int>("how"); // 0 cancel button, 1 Escape, 2 close box

        QTest::newRow("first run, cancel button") << Stored{} << 0;
        QTest::newRow("first run, Escape") << Stored{} << 1;
        QTest::newRow("stored, close box") << Stored{0, 0, 1, 37} << 2;
        QTest::newRow("stored, cancel button") << Stored{1, 1, 0, 100} << 0;
    }
    void cancelChangesNothing()
    {
        QFETCH(Stored, before);
        QFETCH(int, how);
        store(QStringLiteral("FromN"), before.fromN);
        store(QStringLiteral("DailyInput_Show"), before.show);
        store(QStringLiteral("DailyInput_Type"), before.type);
        store(QStringLiteral("DailyInput_Unit"), before.unit);

        CSettings settings = readOptions();
        COptionDlg dialog(settings);
        const QList<int> members = optionsOf(settings);
        States first{};
        const int result = runModal(dialog, [&] {
            first = statesOf(dialog);
            // Flip every choice, then leave without OK.
            QTest::mouseClick(control<QAbstractButton>(dialog, first.january ? ThisMonth : January),
                              Qt::LeftButton);
            QTest::mouseClick(control<QAbstractButton>(dialog, ShowAtStart), Qt::LeftButton);
            QTest::mouseClick(control<QAbstractButton>(dialog, first.amounts ? Balance : Amounts),
                              Qt::LeftButton);
            if (how == 0)
                QTest::mouseClick(control<QPushButton>(dialog, Cancel), Qt::LeftButton);
            else if (how == 1)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.close();
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(optionsOf(settings), members);
        QCOMPARE(stored(QStringLiteral("FromN")), before.fromN);
        QCOMPARE(stored(QStringLiteral("DailyInput_Show")), before.show);
        QCOMPARE(stored(QStringLiteral("DailyInput_Type")), before.type);
        QCOMPARE(stored(QStringLiteral("DailyInput_Unit")), before.unit);

        // Shown again, the controls come from the members, not from the cancelled clicks.
        States again{};
        runModal(dialog, [&] {
            again = statesOf(dialog);
            dialog.reject();
        });
        QCOMPARE(again.january, first.january);
        QCOMPARE(again.thisMonth, first.thisMonth);
        QCOMPARE(again.show, first.show);
        QCOMPARE(again.amounts, first.amounts);
        QCOMPARE(again.balance, first.balance);
    }

    void controlsAtTheirRectangles_data()
    {
        QTest::addColumn<COptionDlg::ControlId>("id");
        QTest::addColumn<QRect>("units");
        QTest::newRow("show at start") << ShowAtStart << QRect(12, 20, 118, 10);
        QTest::newRow("this month") << ThisMonth << QRect(48, 52, 28, 10);
        QTest::newRow("January") << January << QRect(16, 52, 20, 10);
        QTest::newRow("balance") << Balance << QRect(12, 96, 69, 10);
        QTest::newRow("OK") << Ok << QRect(92, 148, 54, 16);
        QTest::newRow("cancel") << Cancel << QRect(152, 148, 52, 16);
    }
    void controlsAtTheirRectangles()
    {
        QFETCH(COptionDlg::ControlId, id);
        QFETCH(QRect, units);
        CSettings settings;
        COptionDlg dialog(settings);
        const dlg::BaseUnits base = dlg::BaseUnitsOf(dlg::DialogFont());
        const QRect expected
                = dlg::ToPixels(base, units.x(), units.y(), units.width(), units.height());
        QWidget *widget = control<QWidget>(dialog, id);
        QCOMPARE(widget->pos(), expected.topLeft());
        QCOMPARE(widget->height(), expected.height());
        // A text wider in the stand-in font grows to the right instead of being clipped.
        QCOMPARE(widget->width(),
                 qMax(expected.width(),
                      qobject_cast<QPushButton *>(widget) ? expected.width()
                                                          : widget->sizeHint().width()));
        QCOMPARE(dialog.size(), dlg::ToPixels(base, 215, 171));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(control<QPushButton>(dialog, Ok)->isDefault());
    }

    void mnemonicsMoveTheFocus_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<COptionDlg::ControlId>("focused");
        QTest::newRow("year basis") << int(Qt::Key_Y) << ThisMonth;
        QTest::newRow("entry method") << int(Qt::Key_J) << Amounts;
        QTest::newRow("show at start") << int(Qt::Key_S) << ShowAtStart;
    }
    void mnemonicsMoveTheFocus()
    {
        QFETCH(int, key);
        QFETCH(COptionDlg::ControlId, focused);
        CSettings settings;
        COptionDlg dialog(settings);
        QWidget *got = nullptr;
        bool active = false;
        runModal(dialog, [&] {
            active = QTest::qWaitForWindowActive(&dialog);
            control<QPushButton>(dialog, Cancel)->setFocus();
            QTest::keyClick(&dialog, Qt::Key(key), Qt::AltModifier);
            got = dialog.focusWidget();
            dialog.reject();
        });
        QVERIFY(active);
        QCOMPARE(got, control<QWidget>(dialog, focused));
    }
};

QTEST_MAIN(TestOptionDlg)
#include "tst_optiondlg.moc"
