#include "dialogkit/WindowPosition.h"
#include "settings/Settings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>
#include <optional>

namespace {

QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                     QStringLiteral("Murel"));
}

// Where a window is before its position is restored.
const QPoint kWhereItOpens(33, 44);

} // namespace

class TestWindowPosition : public QObject
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

    // A stored position is applied unless it is (0, 0); only (0, 0) means none.
    void restore_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<bool>("bySection"); // else by the settings member
        QTest::addColumn<std::optional<QPoint>>("stored");
        QTest::addColumn<QPoint>("expected");

        for (const bool bySection : {true, false}) {
            const char *how = bySection ? "by section" : "by member";
            for (const char *section : {"DailyInput", "Analysis"}) {
                const QString s = QString::fromLatin1(section);
                QTest::addRow("%s %s, nothing stored", section, how)
                        << s << bySection << std::optional<QPoint>() << kWhereItOpens;
                QTest::addRow("%s %s, (0, 0) is none", section, how)
                        << s << bySection << std::optional(QPoint(0, 0)) << kWhereItOpens;
                QTest::addRow("%s %s, (0, 300)", section, how)
                        << s << bySection << std::optional(QPoint(0, 300)) << QPoint(0, 300);
                QTest::addRow("%s %s, (120, 0)", section, how)
                        << s << bySection << std::optional(QPoint(120, 0)) << QPoint(120, 0);
                QTest::addRow("%s %s, (-40, 7)", section, how)
                        << s << bySection << std::optional(QPoint(-40, 7)) << QPoint(-40, 7);
            }
        }
    }
    void restore()
    {
        QFETCH(QString, section);
        QFETCH(bool, bySection);
        QFETCH(std::optional<QPoint>, stored);
        QFETCH(QPoint, expected);
        if (stored) {
            store().setValue(section + QStringLiteral("/Pos_X"), stored->x());
            store().setValue(section + QStringLiteral("/Pos_Y"), stored->y());
        }
        // The other window's position must not be taken instead.
        const QString other = section == QLatin1String("Analysis") ? QStringLiteral("DailyInput")
                                                                   : QStringLiteral("Analysis");
        store().setValue(other + QStringLiteral("/Pos_X"), 555);
        store().setValue(other + QStringLiteral("/Pos_Y"), 666);

        QWidget window;
        window.move(kWhereItOpens);
        if (bySection)
            RestoreWindowPosition(window, section);
        else
            RestoreWindowPosition(window, CSettings::PositionOf(section));
        QCOMPARE(window.pos(), expected);
    }

    void save_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QPoint>("at");
        QTest::newRow("daily input") << "DailyInput" << QPoint(120, 80);
        QTest::newRow("analyzer") << "Analysis" << QPoint(-40, 7);
        QTest::newRow("analyzer at (0, 0)") << "Analysis" << QPoint(0, 0);
    }
    void save()
    {
        QFETCH(QString, section);
        QFETCH(QPoint, at);
        QWidget window;
        window.move(at);
        SaveWindowPosition(window, section);
        QStringList keys = store().allKeys();
        keys.sort();
        QCOMPARE(keys,
                 QStringList(
                         {section + QStringLiteral("/Pos_X"), section + QStringLiteral("/Pos_Y")}));
        QCOMPARE(store().value(section + QStringLiteral("/Pos_X")).toInt(), at.x());
        QCOMPARE(store().value(section + QStringLiteral("/Pos_Y")).toInt(), at.y());

        // Saved and restored by the other addressing, it comes back where it was.
        QWidget again;
        again.move(kWhereItOpens);
        RestoreWindowPosition(again, CSettings::PositionOf(section));
        QCOMPARE(again.pos(), at.isNull() ? kWhereItOpens : at);
    }

    void sectionWithoutPositionDoesNothing()
    {
        QWidget window;
        window.move(kWhereItOpens);
        store().setValue(QStringLiteral("Option/Pos_X"), 10);
        store().setValue(QStringLiteral("Option/Pos_Y"), 10);
        RestoreWindowPosition(window, QStringLiteral("Option"));
        QCOMPARE(window.pos(), kWhereItOpens);
        SaveWindowPosition(window, QStringLiteral("Murel"));
        QCOMPARE(store().allKeys().size(), 2);
    }
};

QTEST_MAIN(TestWindowPosition)
#include "tst_windowposition.moc"
