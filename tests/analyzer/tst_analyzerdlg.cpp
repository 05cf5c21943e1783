#include "analyzer/AnalyzerDlg.h"
#include "app/DialogTemplate.h"
#include "app/Profile.h"
#include "data/ResultBook.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kBlue = qRgb(152, 191, 255);

} // namespace

class TestAnalyzerDlg : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CResultBook> m_book;

    // January to May 2003 with three days: 260 % (off the grid), 1250 % (shown at 1000 %) and 50 %.
    void fillBook()
    {
        m_book = std::make_unique<CResultBook>(m_dir.filePath(QStringLiteral("Murel1.Dat")));
        m_book->BuildCalendar(200305, 1, 0);
        auto set = [this](int i, int collected, int invested) {
            m_book->EnterDay(m_book->Day(i).date, EntryMethod::Amounts, collected, invested,
                             collected - invested);
        };
        set(5, 130, 50);
        set(6, 25, 2);
        set(7, 30, 60);
    }

    static QPoint storedPosition()
    {
        return QPoint(GetProfileInt(QStringLiteral("Analysis"), QStringLiteral("Pos_X"), -1),
                      GetProfileInt(QStringLiteral("Analysis"), QStringLiteral("Pos_Y"), -1));
    }

    static void clearSettings()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                  QStringLiteral("Murel"))
                .clear();
    }

    // Where a dialog opens when no position is stored.
    QPoint defaultPosition()
    {
        clearSettings();
        CAnalyzerDlg dlg;
        dlg.SetData(m_book.get());
        dlg.show();
        const QPoint pos = dlg.pos();
        dlg.hide();
        return pos;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           m_dir.filePath(QStringLiteral("settings")));
        fillBook();
    }

    void init() { clearSettings(); }

    void windowAndControls()
    {
        CAnalyzerDlg dlg;
        dlg.SetData(m_book.get());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("アナライザ"));
        QVERIFY(dlg.isModal());
        const QSize client = dlg::ToPixels(dlg::BaseUnitsOf(dlg::DialogFont()), 371, 307);
        QCOMPARE(dlg.minimumSize(), client);
        QCOMPARE(dlg.maximumSize(), client);

        auto *kind = qobject_cast<QAbstractButton *>(dlg.control(CAnalyzerDlg::IdKindRate));
        QVERIFY(kind);
        QCOMPARE(kind->text(), QStringLiteral("回収率分布"));
        QVERIFY(!kind->isChecked()); // checked by the first paint
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTRY_VERIFY(dlg.data().m_prepared == 1);
        QVERIFY(kind->isChecked());
        QVERIFY(kind->isVisible());
        QVERIFY(!dlg.control(CAnalyzerDlg::IdCancel)->isVisible());
        QVERIFY(!dlg.control(CAnalyzerDlg::IdKindB)->isVisible());

        // The layout follows the plot control's own client size.
        auto *plot = qobject_cast<QFrame *>(dlg.control(CAnalyzerDlg::IdPlot));
        QVERIFY(plot);
        const QRect inner = plot->contentsRect();
        QCOMPARE(dlg.data().m_originY, inner.height() - 40);
        QCOMPARE(dlg.data().m_frame.right, inner.width() - 10);

        // The control paints the plot: a dot where the mapping puts it.
        const QImage shot = plot->grab().toImage();
        const CAnalyzerData &d = dlg.data();
        const QPoint dot = inner.topLeft()
                + QPoint(d.XOf(d.m_points[0].invested), d.YOf(d.m_points[0].rate));
        QCOMPARE(QColor(shot.pixel(dot)).name(), QColor(kBlack).name());
        QCOMPARE(QColor(shot.pixel(inner.topLeft() + QPoint(d.m_frame.left + 5, d.YOf(100) - 1)))
                         .name(),
                 QColor(kBlue).name());

        // Clicking the one kind of analysis changes nothing.
        const QString title = d.m_title;
        const int points = d.m_pointCount;
        QTest::mouseClick(kind, Qt::LeftButton);
        QVERIFY(kind->isChecked());
        QVERIFY(dlg.isVisible());
        QCOMPARE(d.m_title, title);
        QCOMPARE(d.m_pointCount, points);
        QCOMPARE(d.m_prepared, 1);
        dlg.accept();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    // A screen reader's Toggle on the kind button changes nothing, as a click does; its Press on
    // OK closes the dialog as a click does, keeping the position.
    void accessibleActions()
    {
        CAnalyzerDlg dlg;
        dlg.SetData(m_book.get());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTRY_VERIFY(dlg.data().m_prepared == 1);
        auto *kind = qobject_cast<QAbstractButton *>(dlg.control(CAnalyzerDlg::IdKindRate));
        QVERIFY(kind);
        QAccessibleActionInterface *kindActions
                = QAccessible::queryAccessibleInterface(kind)->actionInterface();
        QVERIFY(kindActions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        const int points = dlg.data().m_pointCount;
        kindActions->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(kind->isChecked());
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.data().m_pointCount, points);

        const QPoint moved = dlg.pos() + QPoint(7, 9);
        dlg.move(moved);
        QTRY_COMPARE(dlg.pos(), moved);
        QAccessible::queryAccessibleInterface(dlg.control(CAnalyzerDlg::IdOk))
                ->actionInterface()
                ->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(storedPosition(), moved);
    }

    void emptyBookShows()
    {
        CResultBook empty(m_dir.filePath(QStringLiteral("empty.Dat")));
        CAnalyzerDlg dlg;
        dlg.SetData(&empty);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTRY_VERIFY(dlg.data().m_prepared == 1);
        QCOMPARE(dlg.data().m_pointCount, 0);
        QCOMPARE(dlg.data().m_title, QStringLiteral("回収率分布:"));
        dlg.reject();
    }

    void position_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QPoint>("storedPos");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<int>("closeBy"); // 0 OK, 1 Esc/cancel, 2 close box

        QTest::newRow("nothing stored") << false << QPoint() << false << 0;
        QTest::newRow("(0, 0) is not restored") << true << QPoint(0, 0) << false << 1;
        QTest::newRow("(0, 300) is restored") << true << QPoint(0, 300) << true << 2;
        QTest::newRow("(120, 80) is restored") << true << QPoint(120, 80) << true << 0;
        QTest::newRow("(-40, 7) is restored") << true << QPoint(-40, 7) << true << 1;
    }

    void position()
    {
        QFETCH(bool, stored);
        QFETCH(QPoint, storedPos);
        QFETCH(bool, applied);
        QFETCH(int, closeBy);
        const QPoint fallback = defaultPosition();
        QVERIFY(fallback != QPoint(0, 0)); // otherwise (0, 0) could not be told apart
        clearSettings();
        if (stored) {
            WriteProfileInt(QStringLiteral("Analysis"), QStringLiteral("Pos_X"), storedPos.x());
            WriteProfileInt(QStringLiteral("Analysis"), QStringLiteral("Pos_Y"), storedPos.y());
        }
        {
            CAnalyzerDlg dlg;
            dlg.SetData(m_book.get());
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            QCOMPARE(dlg.pos(), applied ? storedPos : fallback);

            // Where the user leaves it is what is kept.
            const QPoint moved = dlg.pos() + QPoint(13, 21);
            dlg.move(moved);
            QTRY_COMPARE(dlg.pos(), moved);
            switch (closeBy) {
            case 0:
                QTest::mouseClick(dlg.control(CAnalyzerDlg::IdOk), Qt::LeftButton);
                break;
            case 1:
                QTest::keyClick(&dlg, Qt::Key_Escape);
                break;
            default:
                dlg.close();
                break;
            }
            QVERIFY(!dlg.isVisible());
            QCOMPARE(storedPosition(), moved);
        }
        // The next showing opens there.
        CAnalyzerDlg again;
        again.SetData(m_book.get());
        const QPoint expected = storedPosition();
        again.show();
        QCOMPARE(again.pos(), expected == QPoint(0, 0) ? fallback : expected);
        again.reject();
    }

    void neverShownSavesNothing()
    {
        {
            CAnalyzerDlg dlg;
            dlg.SetData(m_book.get());
            dlg.done(QDialog::Rejected);
        }
        QCOMPARE(storedPosition(), QPoint(-1, -1));
    }
};

QTEST_MAIN(TestAnalyzerDlg)
#include "tst_analyzerdlg.moc"
