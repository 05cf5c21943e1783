#include "app/DialogTemplate.h"
#include "app/OptionDlg.h"
#include "app/Settings.h"

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

template<class T> T *control(const QDialog &dialog, int id)
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
    return {control<QRadioButton>(d, 1021)->isChecked(),
            control<QRadioButton>(d, 1020)->isChecked(), control<QCheckBox>(d, 1022)->isChecked(),
            control<QRadioButton>(d, 1035)->isChecked(),
            control<QRadioButton>(d, 1036)->isChecked()};
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
        QTest::addColumn<QList<bool>>("checked"); // 1021, 1020, 1022, 1035, 1036

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
        QTest::addColumn<QList<int>>("clicks"); // controls clicked before OK
        QTest::addColumn<bool>("byEnter"); // OK through the default button
        QTest::addColumn<QList<int>>("after"); // FromN, Show, Type, Unit, members and stored

        QTest::newRow("first run, unchanged")
                << Stored{} << QList<int>{} << false << QList<int>{1, 1, 0, 100};
        QTest::newRow("first run, everything changed")
                << Stored{} << QList<int>{1020, 1022, 1036} << false << QList<int>{0, 0, 1, 100};
        QTest::newRow("unit written back as read")
                << Stored{1, 1, 0, 37} << QList<int>{1036} << false << QList<int>{1, 1, 1, 37};
        QTest::newRow("odd values written as shown")
                << Stored{7, 3, 9, -5} << QList<int>{} << false << QList<int>{0, 0, 1, -5};
        QTest::newRow("odd values, January and start-up ticked")
                << Stored{7, 3, 9, -5} << QList<int>{1021, 1022} << false
                << QList<int>{1, 1, 1, -5};
        QTest::newRow("back to January and amounts")
                << Stored{0, 0, 1, 100} << QList<int>{1021, 1022, 1035} << false
                << QList<int>{1, 1, 0, 100};
        QTest::newRow("Enter presses OK")
                << Stored{0, 1, 0, 200} << QList<int>{1021} << true << QList<int>{1, 1, 0, 200};
    }
    void okWritesAllFour()
    {
        QFETCH(Stored, before);
        QFETCH(QList<int>, clicks);
        QFETCH(bool, byEnter);
        QFETCH(QList<int>, after);
        store(QStringLiteral("FromN"), before.fromN);
        store(QStringLiteral("DailyInput_Show"), before.show);
        store(QStringLiteral("DailyInput_Type"), before.type);
        store(QStringLiteral("DailyInput_Unit"), before.unit);

        CSettings settings = readOptions();
        COptionDlg dialog(settings);
        const int result = runModal(dialog, [&] {
            for (int id : clicks)
                QTest::mouseClick(control<QAbstractButton>(dialog, id), Qt::LeftButton);
            if (byEnter)
                QTest::keyClick(control<QCheckBox>(dialog, 1022), Qt::Key_Return);
            else
                QTest::mouseClick(control<QPushButton>(dialog, 1), Qt::LeftButton);
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
            QTest::mouseClick(control<QAbstractButton>(dialog, first.january ? 1020 : 1021),
                              Qt::LeftButton);
            QTest::mouseClick(control<QAbstractButton>(dialog, 1022), Qt::LeftButton);
            QTest::mouseClick(control<QAbstractButton>(dialog, first.amounts ? 1036 : 1035),
                              Qt::LeftButton);
            if (how == 0)
                QTest::mouseClick(control<QPushButton>(dialog, 2), Qt::LeftButton);
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
        QTest::addColumn<int>("id");
        QTest::addColumn<QRect>("units");
        QTest::newRow("show at start") << 1022 << QRect(12, 20, 118, 10);
        QTest::newRow("this month") << 1020 << QRect(48, 52, 28, 10);
        QTest::newRow("January") << 1021 << QRect(16, 52, 20, 10);
        QTest::newRow("balance") << 1036 << QRect(12, 96, 69, 10);
        QTest::newRow("OK") << 1 << QRect(92, 148, 54, 16);
        QTest::newRow("cancel") << 2 << QRect(152, 148, 52, 16);
    }
    void controlsAtTheirRectangles()
    {
        QFETCH(int, id);
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
        QVERIFY(control<QPushButton>(dialog, 1)->isDefault());
    }

    void mnemonicsMoveTheFocus_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("focused");
        QTest::newRow("year basis") << int(Qt::Key_Y) << 1020;
        QTest::newRow("entry method") << int(Qt::Key_J) << 1035;
        QTest::newRow("show at start") << int(Qt::Key_S) << 1022;
    }
    void mnemonicsMoveTheFocus()
    {
        QFETCH(int, key);
        QFETCH(int, focused);
        CSettings settings;
        COptionDlg dialog(settings);
        QWidget *got = nullptr;
        bool active = false;
        runModal(dialog, [&] {
            active = QTest::qWaitForWindowActive(&dialog);
            control<QPushButton>(dialog, 2)->setFocus();
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
